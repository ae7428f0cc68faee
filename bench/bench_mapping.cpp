// Times the mapping dialog's live check on a large file: how long after a
// change of a column or of a value-table entry the dialog shows the new
// count of good rows. Every change below alters that count, so the time is
// taken until the sentence changes.
//
//   bench_mapping [rows] [changes]     (default 5000 rows, 20 changes of each kind)

#include "csvtable.h"
#include "mappingdialog.h"
#include "program.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace {

// A shop export whose header no profile knows (two columns renamed); one
// row in five has the time code 1618, which the dialog first marks as
// having no box on the slip.
nerufa::batch::CsvTable bigFile(int rows)
{
    QString csv = "お客様管理番号,送り状種別,時間帯指定,お届け先電話番号,お届け先郵便番号,お届け先住所,"
                  "お届け先アパートマンション名,お届け先氏名,敬称,ご依頼主電話番号,ご依頼主郵便番号,ご依頼主住所,"
                  "ご依頼主アパートマンション,ご依頼主名,品名１,品名２,出荷予定日,記事\n";
    const QStringList codes{"0812", "1214", "1416", "1618", ""};
    for (int i = 1; i <= rows; ++i)
        csv += QStringLiteral("ORD-%1,0,%2,03-1111-2222,100-%3,東京都千代田区丸の内%1,ビル１２階,山田太郎%1,様,"
                              "06-3333-4444,530-0001,大阪府大阪市北区梅田,梅田ハイツ,ネルファ商店,りんご,みかん,2024/05/21,\n")
                   .arg(i).arg(codes[i % 5]).arg(i % 10000, 4, 10, QLatin1Char('0'));
    return nerufa::batch::parseCsv(csv.toUtf8());
}

struct Timing {
    double median = 0, worst = 0;
};

// Switches the box from the text it holds to `to` and back, `changes`
// times, timing each change until the dialog's sentence is new; leaves `to`
// chosen.
Timing time(MappingDialog &dialog, const char *box, const QString &from, const QString &to, int changes)
{
    auto *combo = dialog.findChild<QComboBox *>(box);
    QList<double> ms{0};
    if (!combo) {
        std::fprintf(stderr, "no box %s\n", box);
        return {};
    }
    ms.clear();
    for (int i = 0; i < changes; ++i) {
        const QString before = dialog.checkSummary();
        QElapsedTimer timer;
        timer.start();
        combo->setCurrentIndex(combo->findText(i % 2 ? from : to));
        while (dialog.checkSummary() == before && timer.elapsed() < 5000)
            QCoreApplication::processEvents();
        ms << timer.nsecsElapsed() / 1e6;
    }
    combo->setCurrentIndex(combo->findText(to));
    QCoreApplication::processEvents();
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.last()};
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setupWindowApplication(app);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 5000;
    const int changes = argc > 2 ? QByteArray(argv[2]).toInt() : 20;
    const nerufa::batch::CsvTable table = bigFile(rows);

    QElapsedTimer open;
    open.start();
    MappingDialog dialog("orders.csv", table, {}, QDate(2024, 5, 21));
    const double openMs = open.nsecsElapsed() / 1e6;
    dialog.show();
    QCoreApplication::processEvents();
    if (dialog.checkSummary().isEmpty())
        return 1;

    std::printf("%d rows: dialog built and first check in %.1f ms\n", rows, openMs);
    std::printf("%-44s %10s %10s\n", "change", "median ms", "worst ms");
    const struct {
        const char *what, *box, *from, *to;
    } kinds[] = {
        // Ends with the column chosen, so that its value table is there next.
        {"time-slot column (value table built anew)", "MapColumn_O_Haitatsu", "（読まない）", "時間帯指定"},
        {"time-slot value 1618 (no box <-> 17-19)", "MapValue_O_Haitatsu_1618", "送り状の欄にない（その行は印刷しない）",
         "夕方１７時～１９時頃"},
        {"postal column (postal code <-> address)", "MapColumn_T_1_Yuubin", "お届け先郵便番号", "お届け先住所"},
    };
    for (const auto &kind : kinds) {
        const Timing t = time(dialog, kind.box, kind.from, kind.to, changes);
        std::printf("%-44s %10.1f %10.1f\n", kind.what, t.median, t.worst);
    }
    return 0;
}
