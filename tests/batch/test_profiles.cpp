// Import profiles: the built-in shop-export profile's time codes (the
// straddling ones refused), profile files that are broken or map to values
// the slip lacks, the choice of a profile by the file's header, and what a
// profile refuses or skips in a file.

#include "profileorders.h"
#include "profilestore.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace nerufa::batch;
using Profiles = QList<std::pair<QString, QString>>; // name, JSON; oldest first

namespace {

const QString kShopHeader = "お客様管理番号,送り状種別,配達時間帯,お届け先電話番号,お届け先郵便番号,お届け先住所,"
                            "お届け先アパートマンション名,お届け先名,敬称,ご依頼主電話番号,ご依頼主郵便番号,ご依頼主住所,"
                            "ご依頼主アパートマンション,ご依頼主名,品名１,品名２,出荷予定日\n";

// A folder of profiles and a CSV file, both made by the test.
struct Files {
    QTemporaryDir dir;

    QString folder() const { return dir.filePath("profiles"); }
    void addProfiles(const Profiles &profiles) const
    {
        QDir().mkpath(folder());
        QDateTime time = QDateTime::currentDateTime().addDays(-1);
        for (const auto &[name, json] : profiles) {
            QFile file(profileFile(name, folder()));
            // Flushed first, or the write at close would set the time anew.
            if (!file.open(QIODevice::WriteOnly) || file.write(json.toUtf8()) < 0 || !file.flush()
                || !file.setFileTime(time = time.addSecs(60), QFileDevice::FileModificationTime))
                throw std::runtime_error("cannot write a profile");
        }
    }
    ChosenOrders read(const QByteArray &csv, const QString &argument = {}) const
    {
        QFile file(dir.filePath("orders.csv"));
        if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size())
            throw std::runtime_error("cannot write the CSV file");
        file.close();
        return readChosenOrders(file.fileName(), QDate(2004, 5, 21), argument, folder());
    }
};

} // namespace

class TestProfiles : public QObject {
    Q_OBJECT

private slots:
    void timeSlotCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("slot"); // 0: refused
        QTest::addColumn<QString>("problem");

        const QString straddles = "1 件目（配達時間帯）：「%1」：この時間帯は送り状の欄にありません。プロファイルで決めてください";
        QTest::newRow("0812 morning") << "0812" << 1 << "";
        QTest::newRow("0812 in full width") << "０８１２" << 1 << "";
        QTest::newRow("1214") << "1214" << 2 << "";
        QTest::newRow("1416") << "1416" << 3 << "";
        QTest::newRow("1921") << "1921" << 5 << "";
        QTest::newRow("2021") << "2021" << 5 << "";
        QTest::newRow("empty: no wish") << "" << 6 << "";
        QTest::newRow("1618 straddles") << "1618" << 0 << straddles.arg("1618");
        QTest::newRow("1820 straddles") << "1820" << 0 << straddles.arg("1820");
        QTest::newRow("unknown code") << "0010" << 0 << "1 件目（配達時間帯）：「0010」は選べません（空欄か 午前  ９時～１２時頃・";
    }

    void timeSlotCodes()
    {
        QFETCH(QString, code);
        QFETCH(int, slot);
        QFETCH(QString, problem);
        Files files;
        const ChosenOrders chosen = files.read((kShopHeader + ",0," + code + ",,,,,山田,,,,,,,,,\n").toUtf8());
        QCOMPARE(chosen.profile, QString("ショップ書き出し"));
        QCOMPARE(chosen.list.orders.value(0).slip.timeSlot, slot);
        QCOMPARE(chosen.list.problems.value(0).left(problem.size()), problem);
    }

    // One row of the shop layout onto the slip's fields.
    void shopRowMapping()
    {
        Files files;
        const ChosenOrders chosen = files.read(QStringLiteral(
            "%1 ORD-7 ,0,0812,０３－１２３４－５６７８,１２３－４５６７,東京都港区1-1,港ハイツ101,山田花子,,06-1,530 0001,大阪市,,店,本,,2024/05/21\n")
                                                   .arg(kShopHeader).toUtf8());
        const nerufa::SlipSnapshot s = chosen.list.orders.value(0).slip;
        QCOMPARE(chosen.list.problems, QStringList());
        QCOMPARE(QStringList({s.recipientPostal, s.recipientPhone, s.recipientAddress1, s.recipientAddress2,
                              s.recipientName, s.senderPostal, s.senderAddress2, s.goods1, s.productNumber1}),
                 QStringList({"1234567", "03-1234-5678", "東京都港区1-1", "港ハイツ101", "山田花子", "5300001", "", "本", "ORD-7"}));
    }

    void cleanups_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cleanups");
        QTest::addColumn<QString>("expected");

        QTest::newRow("trim takes ideographic blanks") << "\u3000 山田 太郎\u3000" << int(Trim) << "山田 太郎";
        QTest::newRow("width folds digits and kana") << "ﾔﾏﾀﾞ１２" << int(WidthFold) << "ヤマダ12";
        QTest::newRow("postal: long vowel sign and blank") << "１２３ー４５６７ " << int(PostalSigns) << "１２３４５６７";
        QTest::newRow("postal after width folding") << "〒１２３－４５６７" << int(WidthFold | PostalSigns) << "〒1234567";
        QTest::newRow("none") << " 1-2 " << 0 << " 1-2 ";
    }

    void cleanups()
    {
        QFETCH(QString, text);
        QFETCH(int, cleanups);
        QFETCH(QString, expected);
        QCOMPARE(cleaned(text, cleanups), expected);
    }

    void brokenProfiles_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("problem"); // the first, after "プロファイル「P」："

        QTest::newRow("not JSON") << "{\"fields\": " << "JSON として読めません（";
        QTest::newRow("value the slip lacks")
            << R"({"fields": {"配達時間帯": {"columns": ["時間"], "values": {"1": "夜"}}}})"
            << "欄「配達時間帯」の values の「1」の行き先「夜」は送り状にありません（午前  ９時～１２時頃・";
        QTest::newRow("value table on a text field")
            << R"({"fields": {"お届け先名前": {"columns": ["名"], "values": {"1": "必要"}}}})"
            << "欄「お届け先名前」の values は使えません（値の表は配達時間帯とお届け通知だけです）";
        QTest::newRow("no such field") << R"({"fields": {"お届け先名": "名"}})"
                                       << "fields の「お届け先名」は送り状の欄の名前ではありません";
        QTest::newRow("misspelt item") << R"({"fields": {"T_4_Namae": "名"}, "ignor": ["x"]})"
                                       << "知らない項目「ignor」があります";
        QTest::newRow("unknown clean-up") << R"({"fields": {"品名1": {"columns": ["品"], "cleanups": ["nfkc"]}}})"
                                          << "欄「品名1」の cleanups の「nfkc」は使えません";
        QTest::newRow("column read and ignored") << R"({"fields": {"品名1": "品"}, "ignore": ["品"]})"
                                                 << "列「品」が読む列と ignore の両方にあります";
        QTest::newRow("nothing read") << R"({"fields": {}})" << "送り状の欄に読み込む列が 1 つもありません";
    }

    void brokenProfiles()
    {
        QFETCH(QString, json);
        QFETCH(QString, problem);
        const QString prefix = "プロファイル「P」：" + problem;
        QCOMPARE(parseProfile(json.toUtf8(), "P").problems.value(0).left(prefix.size()), prefix);
        // The same file in the folder is left out when profiles are chosen, and said.
        Files files;
        files.addProfiles({{"P", json}});
        const ChosenOrders chosen = files.read("品,時間\n本,1\n");
        QVERIFY(chosen.unknownHeader && chosen.profileProblems.value(0).startsWith(prefix));
        QVERIFY(files.read("品,時間\n本,1\n", "P").list.problems.value(0).startsWith(prefix));
    }

    void savingChecksValues()
    {
        Files files;
        Profile profile = builtInProfiles().value(0);
        QString problem;
        QVERIFY(!saveProfile(profile, "写し", &problem, files.folder()).isEmpty());
        QCOMPARE(profileJson(readProfileFile(profileFile("写し", files.folder())).profile), profileJson(profile));
        profile.sources[size_t(nerufa::slip::FieldId::TimeSlot)].values << ValueRule{"9999", 7};
        QVERIFY(saveProfile(profile, "壊れ", &problem, files.folder()).isEmpty());
        QVERIFY2(problem.contains("「9999」の行き先「7」は送り状にありません"), qPrintable(problem));
        QVERIFY(!QFile::exists(profileFile("壊れ", files.folder())));
    }

    void choice_data()
    {
        QTest::addColumn<Profiles>("profiles");
        QTest::addColumn<QString>("csv");
        QTest::addColumn<QString>("argument"); // --profile
        QTest::addColumn<int>("orders");
        QTest::addColumn<QStringList>("said"); // notes, then problems

        const QString mine = R"({"header": ["名","時","種別"], "ignore": ["種別"], "fields": {"お届け先名前": "名", %1}})";
        const QString timeSlots = R"("配達時間帯": {"columns": ["時"], "values": {"A": "%1"}})";
        QTest::newRow("newer of two wins and is named")
            << Profiles{{"古い", mine.arg(timeSlots.arg("希望なし"))}, {"新しい", mine.arg(timeSlots.arg("夜間１９時～２１時頃"))}}
            << "名,時,種別\n山田,A,0\n" << "" << 1
            << QStringList{"プロファイル「新しい」で読みました。", "同じ見出しのプロファイル「古い」もありますが、新しい「新しい」を使いました。"};
        QTest::newRow("user's copy maps a straddling code")
            << Profiles{{"うちの店", QString(builtInJson()).replace("\"1618\": null", "\"1618\": \"夕方１７時～１９時頃\"")}}
            << kShopHeader + ",0,1618,,,,,山田,,,,,,,,,\n" << "" << 1
            << QStringList{"プロファイル「うちの店」で読みました。",
                           "組み込みのプロファイル「ショップ書き出し」の代わりに、同じ見出しの「うちの店」を使いました。"};
        QTest::newRow("filter skips rows and lists them")
            << Profiles{{"便", R"({"header": ["名","時","種別"], "fields": {"お届け先名前": "名", "配達時間帯": "時"},
                            "filter": {"column": "種別", "values": ["0"]}})"}}
            << "名,時,種別\n一,,0\n二,,3\n三,,0\n四,,7\n" << "" << 2
            << QStringList{"プロファイル「便」で読みました。", "「種別」が 0 でない 2 件は印刷しません：2 件目、4 件目"};
        QTest::newRow("named profile, column missing")
            << Profiles{{"店", mine.arg(timeSlots.arg("希望なし"))}} << "名,時刻,種別\n山田,A,0\n" << "店" << 0
            << QStringList{"プロファイル「店」で読みました。", "プロファイル「店」の列「時」（欄「配達時間帯」に読む列）がファイルの見出しにありません",
                           "見出しの「時刻」（2 列目）は、プロファイル「店」で読む列にも ignore にもありません"};
        QTest::newRow("built-in format stays first")
            << Profiles{{"店", R"({"header": ["お届け先名前"], "fields": {"ご依頼主名前": "お届け先名前"}})"}}
            << "お届け先名前\n山田\n" << "" << 1 << QStringList();
        QTest::newRow("forced UTF-8 on Shift_JIS bytes")
            << Profiles{{"店", R"({"encoding": "UTF-8", "fields": {"お届け先名前": "名"}})"}}
            << QString() << "店" << 0
            << QStringList{"プロファイル「店」で読みました。", "ファイルの 1 行目：文字として読めないバイトがあります（UTF-8 として読めません）",
                           "ファイルの 2 行目：文字として読めないバイトがあります（UTF-8 として読めません）"};
    }

    void choice()
    {
        QFETCH(Profiles, profiles);
        QFETCH(QString, csv);
        QFETCH(QString, argument);
        QFETCH(int, orders);
        QFETCH(QStringList, said);
        Files files;
        files.addProfiles(profiles);
        const ChosenOrders chosen = files.read(csv.isNull() ? QByteArray("\x96\xbc\n\x8e\x52\x93\x63\n") : csv.toUtf8(), argument);
        QCOMPARE(readingNotes(chosen) + chosen.list.problems, said);
        QCOMPARE(chosen.list.orders.size(), orders);
    }

private:
    static QByteArray builtInJson() { return profileJson(builtInProfiles().value(0)); }
};

QTEST_MAIN(TestProfiles)
#include "test_profiles.moc"
