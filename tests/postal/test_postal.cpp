// The postal table: Debian's dictionaries (the real ones where installed,
// and small ones written here with the characters outside JIS X 0208),
// files that are cut short or broken, Japan Post's three formats imported
// and replacing what was stored only when read whole, and the command line.

#include "postalfiles.h"
#include "postalimport.h"
#include "testsupport.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace nerufa::postal;

namespace {

QByteArray euc(const QString &text)
{
    return QStringEncoder("EUC-JP")(text);
}

// EUC-JIS-2004 bytes of characters EUC-JP lacks: 俱 𠀋 (plane 1, added in
// 2004 / outside the BMP), 丂 𪚲 (plane 2), か゚ (a kana with a combining
// mark), 鷗 (row 94).
const QByteArray kRareBytes = QByteArray::fromHex("aea1aea28fa1a28ffef6a4f7fee5");
const QString kRareText = QString::fromUcs4(U"\u4FF1\U0002000B\u4E02\U0002A6B2\u304B\u309A\u9DD7");

const QByteArray kAreaDictionary = ";; -*- coding: euc-jis-2004; -*-\n;; okuri-nasi entries.\n" + euc("あい /愛/\n")
    + euc("0040000 /北海道札幌市厚別区/北海道札幌市清田区/\n1000000 /東京都千代田区/\n1000001 /東京都千代田区千代田/\n")
    + "9990001 /" + euc("北海道") + kRareBytes + "/\n";
const QByteArray kOfficeDictionary = euc("1028455 /株式会社　見本 @ 東京都千代田区二番町８/\n");

// Japan Post's rows: 以下に掲載がない場合, a town over three rows, a floor,
// a village as a whole (一円).
const QString kKenAll = "01101,\"060  \",\"0600000\",\"ﾎｯｶｲﾄﾞｳ\",\"ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ\",\"ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ\",\"北海道\",\"札幌市中央区\",\"以下に掲載がない場合\",0,0,0,0,0,0\r\n"
    "01224,\"066  \",\"0660005\",\"ﾎｯｶｲﾄﾞｳ\",\"ﾁﾄｾｼ\",\"ｷｮｳﾜ(88-2､271-10､343-2､404-1､427-\",\"北海道\",\"千歳市\",\"協和（８８－２、２７１－１０、３４３－２、４０４－１、４２７－\",1,0,0,0,0,0\r\n"
    "01224,\"066  \",\"0660005\",\"ﾎｯｶｲﾄﾞｳ\",\"ﾁﾄｾｼ\",\"3､431-12､443-6､608-2､641-8､814､842-\",\"北海道\",\"千歳市\",\"３、４３１－１２、４４３－６、６０８－２、６４１－８、８１４、８４２－\",1,0,0,0,0,0\r\n"
    "01224,\"066  \",\"0660005\",\"ﾎｯｶｲﾄﾞｳ\",\"ﾁﾄｾｼ\",\"5､1137-3､1392､1657､1752ﾊﾞﾝﾁ)\",\"北海道\",\"千歳市\",\"５、１１３７－３、１３９２、１６５７、１７５２番地）\",1,0,0,0,0,0\r\n"
    "13101,\"100  \",\"1006090\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ｶｽﾐｶﾞｾｷ(ﾁｶｲ･ｶｲｿｳﾌﾒｲ)\",\"東京都\",\"千代田区\",\"霞が関霞が関ビル（地階・階層不明）\",0,0,0,0,0,0\r\n"
    "13362,\"10003\",\"1000301\",\"ﾄｳｷｮｳﾄ\",\"ﾄｼﾏﾑﾗ\",\"ﾄｼﾏﾑﾗｲﾁｴﾝ\",\"東京都\",\"利島村\",\"利島村一円\",0,0,0,0,0,0\r\n";
const QString kJigyosyo = "13101,\"ｶﾌﾞｼｷｶﾞｲｼﾔ ﾐﾎﾝ\",\"株式会社　見本\",\"東京都\",\"千代田区\",\"二番町\",\"８－８\",\"1028455\",\"100  \",\"銀座\",0,0,0\r\n";

using nerufa::testsupport::readFile;
using nerufa::testsupport::writeFile;

QStringList addresses(const std::shared_ptr<const PostalTable> &table, int code)
{
    QStringList found;
    for (const Place &place : table ? table->lookUp(code) : QList<Place>())
        found << place.address + (place.office.isEmpty() ? QString() : "／" + place.office);
    return found;
}

} // namespace

class TestPostal : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    PostalSources sources(const QString &name) const
    {
        return PostalSources::in(m_dir.filePath(name + "/skk"), m_dir.filePath(name + "/data"));
    }

private slots:
    void realDictionary()
    {
        const PostalSources debian = PostalSources::in("/usr/share/skk", m_dir.filePath("none"));
        if (!QFileInfo::exists(debian.areaDictionary))
            QSKIP("skkdic-extra is not installed");
        const LoadedTable loaded = loadTable(debian);
        QVERIFY2(loaded.problems.isEmpty(), qPrintable(loaded.problems.join('\n')));
        QVERIFY(loaded.table->size() > 140000);
        QCOMPARE(addresses(loaded.table, 1000001), QStringList{"東京都千代田区千代田"});
        QCOMPARE(addresses(loaded.table, 40000), (QStringList{"北海道札幌市厚別区", "北海道札幌市清田区"}));
        // Row 13 of JIS X 0213, which JIS X 0208 leaves empty.
        QVERIFY(addresses(loaded.table, 9008609).value(0).endsWith("／㈱　ＯＣＳ"));
        QVERIFY(addresses(loaded.table, 1988501).value(0).contains("ランドポート青梅Ⅲ"));
        QCOMPARE(loaded.table->municipalityOf(u"三重県四日市市諏訪町1-5"), QString("三重県四日市市"));
        QCOMPARE(loaded.table->municipalityOf(u"北海道札幌市北区北十条西"), QString("北海道札幌市北区"));
        QCOMPARE(loaded.table->municipalityOf(u"長野県南佐久郡北相木村"), QString("長野県南佐久郡北相木村"));
        QCOMPARE(loaded.table->complete(u"千代田区丸の", 5).value(0).code, 1000005);
    }

    void smallDictionaries()
    {
        const PostalSources small = sources("small");
        writeFile(small.areaDictionary, kAreaDictionary);
        writeFile(small.officeDictionary, kOfficeDictionary);
        const LoadedTable loaded = loadTable(small);
        QCOMPARE(loaded.problems, QStringList());
        QCOMPARE(loaded.table->size(), 6); // あい /愛/ is no postal entry
        QCOMPARE(addresses(loaded.table, 9990001), QStringList{"北海道" + kRareText});
        QCOMPARE(addresses(loaded.table, 1028455), QStringList{"東京都千代田区二番町８／株式会社　見本"});
        QCOMPARE(loaded.table->municipalityOf(u"東京都千代田区千代田"), QString("東京都千代田区"));
        QVERIFY(!loaded.table->contains(1000002));
    }

    void brokenFiles_data()
    {
        QTest::addColumn<QByteArray>("area");     // the area file's bytes
        QTest::addColumn<bool>("imported");       // as the imported table, else as Debian's dictionary
        QTest::addColumn<QString>("said");
        const QByteArray header = "# nerufa-slip 郵便番号 1\n", place = "1000001\t7\t東京都千代田区千代田\t\n";
        QTest::newRow("dictionary cut short") << kAreaDictionary + euc("1000002 /東京都千代") << false << "の 8 行目を読めません（郵便番号の行が途中で切れているか";
        QTest::newRow("dictionary with a bad byte") << kAreaDictionary + "\xff\xfe\n" << false << "の 8 行目を読めません（文字として読めないバイトがあります。EUC-JIS-2004";
        QTest::newRow("imported, no end line") << header + place << true << "の 3 行目を読めません（途中で切れているか";
        QTest::newRow("imported, count wrong") << header + place + "#end\t2\n" << true << "の 3 行目を読めません";
        QTest::newRow("imported, not UTF-8") << header + place + "1000002\t7\t\x93\x8c\t\n#end\t2\n" << true << "の 3 行目を読めません（文字として読めないバイトがあります。UTF-8";
        QTest::newRow("imported, another file") << place + "#end\t1\n" << true << "の 1 行目を読めません";
    }
    void brokenFiles()
    {
        QFETCH(QByteArray, area);
        QFETCH(bool, imported);
        QFETCH(QString, said);
        const PostalSources broken = sources(QTest::currentDataTag());
        writeFile(imported ? broken.importedAreas : broken.areaDictionary, area);
        writeFile(broken.officeDictionary, kOfficeDictionary);
        const LoadedTable loaded = loadTable(broken);
        // The file is named, its places are left out whole, the other file serves.
        QCOMPARE(loaded.problems.size(), 1);
        QVERIFY2(loaded.problems[0].contains("「" + (imported ? broken.importedAreas : broken.areaDictionary) + "」" + said),
                 qPrintable(loaded.problems[0]));
        QCOMPARE(loaded.table->size(), 1);
        QVERIFY(loaded.table->contains(1028455));
    }

    // Japan Post's files replace the dictionary of their kind.
    void importJapanPost_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("places");
        const QByteArray shiftJis = QStringEncoder("windows-31j")(kKenAll), utf8 = kKenAll.toUtf8();
        for (const auto &[name, bytes] : {std::pair{"KEN_ALL.CSV", shiftJis}, std::pair{"utf_ken_all.csv", utf8}}) {
            QTest::addRow("%s, 以下に掲載がない場合", name) << bytes << 600000 << QStringList{"北海道札幌市中央区"};
            QTest::addRow("%s, town over three rows", name) << bytes << 660005 << QStringList{"北海道千歳市協和"};
            QTest::addRow("%s, floor", name) << bytes << 1006090 << QStringList{"東京都千代田区霞が関霞が関ビル（地階・階層不明）"};
            QTest::addRow("%s, 一円", name) << bytes << 1000301 << QStringList{"東京都利島村"};
            QTest::addRow("%s, dictionary's code gone", name) << bytes << 1000001 << QStringList();
        }
        QTest::newRow("JIGYOSYO.CSV") << QByteArray(QStringEncoder("windows-31j")(kJigyosyo)) << 1028455
                                      << QStringList{"東京都千代田区二番町８－８／株式会社　見本"};
    }
    void importJapanPost()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        const PostalSources imported = sources(QTest::currentDataTag());
        writeFile(imported.areaDictionary, kAreaDictionary);
        writeFile(imported.officeDictionary, kOfficeDictionary);
        writeFile(m_dir.filePath("import.csv"), file);
        const ImportResult result = importJapanPostFile(m_dir.filePath("import.csv"), imported);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        const LoadedTable loaded = loadTable(imported);
        QCOMPARE(loaded.problems, QStringList());
        QTEST(addresses(loaded.table, code), "places");
    }

    void failedImportKeepsTable_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("said");
        const QByteArray whole = QStringEncoder("windows-31j")(kKenAll);
        QTest::newRow("cut inside a row") << whole.first(250) << "の 2 行目：引用符";
        QTest::newRow("cut inside a town") << whole.first(whole.indexOf("\r\n", 200) + 2) << "の 2 行目：町域名の括弧が閉じないまま";
        QTest::newRow("last line unended") << whole.chopped(2) << "の 6 行目：最後の行が改行で終わっていません";
        QTest::newRow("columns") << whole + "1,2,3\r\n" << "の 7 行目：列の数が 1 行目と違います";
        QTest::newRow("code") << QByteArray(QStringEncoder("windows-31j")(QString(kKenAll).replace("1000301", "100-030"))) << "の 6 行目：郵便番号「100-030」";
        QTest::newRow("no Japan Post file") << QByteArray("a,b\r\n") << "の 1 行目：日本郵便の郵便番号データ";
        QTest::newRow("zip") << QByteArray("PK\x03\x04zz") << "は ZIP ファイルです";
    }
    void failedImportKeepsTable()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, said);
        const PostalSources kept = sources("kept");
        const QString path = m_dir.filePath("bad.csv");
        writeFile(path, QStringEncoder("windows-31j")(kKenAll));
        QVERIFY(importJapanPostFile(path, kept).error.isEmpty());
        const QByteArray before = readFile(kept.importedAreas);
        writeFile(path, file);
        const QString error = importJapanPostFile(path, kept).error;
        QVERIFY2(error.startsWith("「" + path + "」") && error.contains(said) && error.endsWith("前の郵便番号のデータはそのままです）。"),
                 qPrintable(error));
        QVERIFY(readFile(kept.importedAreas) == before && !QFileInfo::exists(kept.importedOffices));
    }

    // A disk that fills while the table is written (any file stops at 64 bytes): the earlier table stays.
    void fullDiskKeepsTable()
    {
        const PostalSources kept = sources("full");
        const QString path = m_dir.filePath("whole.csv");
        writeFile(path, QStringEncoder("windows-31j")(kKenAll));
        QVERIFY(importJapanPostFile(path, kept).error.isEmpty());
        const QByteArray before = readFile(kept.importedAreas);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit capped{64, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &capped);
        const QString error = importJapanPostFile(path, kept).error;
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY2(error.contains("保存できません") && error.endsWith("前の郵便番号のデータはそのままです）。"), qPrintable(error));
        QCOMPARE(readFile(kept.importedAreas), before);
    }

    void parseCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        for (const char *same : {"1000001", "100-0001", "〒100-0001", " 100ー0001 ", "１００－０００１", "100−0001"})
            QTest::addRow("[%s]", same) << QString(same) << 1000001;
        for (const char *none : {"", "100001", "10000011", "100-00011", "10-00001", "abcdefg", "1000-001"})
            QTest::addRow("[%s]", none) << QString(none) << -1;
    }
    void parseCode()
    {
        QFETCH(QString, text);
        QTEST(nerufa::postal::parseCode(text), "code");
    }

    // The real program: import, look-up, and the batch check of --check.
    void commandLine()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_dir.filePath("cli"));
        env.insert("XDG_RUNTIME_DIR", m_dir.path());
        const auto run = [&](const QStringList &arguments, int status) {
            const nerufa::testsupport::ProgramRun ran = nerufa::testsupport::runProgram(NERUFA_PROGRAM, arguments, m_dir.path(), env);
            if (ran.status != status)
                throw std::runtime_error("unexpected exit of " + arguments.join(' ').toStdString());
            return ran.said;
        };
        writeFile(m_dir.filePath("KEN_ALL.CSV"), QStringEncoder("windows-31j")(kKenAll + "13101,\"100  \",\"1000001\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾁﾖﾀﾞ\",\"東京都\",\"千代田区\",\"千代田\",0,0,0,0,0,0\r\n"));
        QVERIFY(run({"--import-postal", "KEN_ALL.CSV"}, 0).startsWith("5 件の郵便番号を「" + m_dir.filePath("cli/nerufa-slip/postal-areas.txt")));
        QCOMPARE(run({"--postal", "066-0005"}, 0), QString("066-0005 北海道千歳市協和\n"));
        QVERIFY(run({"--postal", "0660006"}, 1).contains("郵便番号 066-0006 は見つかりません。"));
        writeFile(m_dir.filePath("orders.csv"), "お届け先郵便番号,お届け先住所1,ご依頼主郵便番号,ご依頼主住所1\n"
                                            "1000001,東京都千代田区千代田1-1,,\n1000001,大阪府大阪市北区,,\n0660006,北海道,,\n"
                                            "1000001,千代田区 千代田,066-0005,北海道千歳市協和1\n,,0660005,北海道札幌市\n");
        const QString said = run({"--csv", "orders.csv", "--check"}, 0);
        QVERIFY2(said.contains("郵便番号と住所を確かめてください（印刷はできます）：\n"
                               "2 件目（お届け先住所1）：「大阪府大阪市北区」は郵便番号 100-0001 の「東京都千代田区」で始まっていません\n"
                               "3 件目（お届け先郵便番号）：「0660006」という郵便番号は見つかりません\n"
                               "5 件目（ご依頼主住所1）：「北海道札幌市」は郵便番号 066-0005 の「北海道千歳市」で始まっていません\n"
                               "問題はありません。5 枚印刷できます。"),
                 qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestPostal)
#include "test_postal.moc"
