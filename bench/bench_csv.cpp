// Times the command line printing a CSV file of orders into one PDF file:
// wall time and the program's peak memory for growing row counts, so that
// growth with the row count shows, and the peak of --check (reading and
// checking the file alone) beside it. Every row has every item of the slip.
//
//   bench_csv [rows ...]     (default 10 100 1000)
//
// With --profile, the cost of reading through an import profile instead:
// the same orders as a shop export (Shift_JIS, 33 columns, time codes, read
// by the built-in profile) and in the built-in format, printed to PDF in
// alternating pairs so that both meet the same machine load.
//
//   bench_csv --profile [rows] [pairs]   (default 1000 rows, 5 pairs)

#include "benchorders.h"
#include "benchrun.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

#include <cstdio>

namespace {

// The same orders twice: in the built-in format with every column the shop
// profile fills, and as the shop export the built-in profile reads.
std::pair<QByteArray, QByteArray> pairedCsv(int rows)
{
    QByteArray builtIn = "お届け先郵便番号,お届け先住所1,お届け先住所2,お届け先名前,お届け先電話番号,"
                         "ご依頼主郵便番号,ご依頼主住所1,ご依頼主住所2,ご依頼主名前,ご依頼主電話番号,"
                         "品名1,品名2,商品番号1,配達時間帯\r\n";
    QString shop = "\"お客様管理番号\",\"送り状種別\",\"クール区分\",\"伝票番号\",\"出荷予定日\",\"お届け予定日\",\"配達時間帯\","
                   "\"お届け先コード\",\"お届け先電話番号\",\"お届け先電話番号枝番\",\"お届け先郵便番号\",\"お届け先住所\","
                   "\"お届け先アパートマンション名\",\"お届け先会社・部門１\",\"お届け先会社・部門２\",\"お届け先名\","
                   "\"お届け先名(ｶﾅ)\",\"敬称\",\"ご依頼主コード\",\"ご依頼主電話番号\",\"ご依頼主電話番号枝番\","
                   "\"ご依頼主郵便番号\",\"ご依頼主住所\",\"ご依頼主アパートマンション\",\"ご依頼主名\",\"ご依頼主名(ｶﾅ)\","
                   "\"品名コード１\",\"品名１\",\"品名コード２\",\"品名２\",\"荷扱い１\",\"荷扱い２\",\"記事\"\r\n";
    const QStringList codes{"0812", "1214", "1416", "1921", ""};
    const QStringList captions{"午前  ９時～１２時頃", "午後１２時～１４時頃", "午後１４時～１７時頃", "夜間１９時～２１時頃", ""};
    for (int i = 1; i <= rows; ++i) {
        const QString postal = QString::number(1000000 + i);
        const QString phone = QStringLiteral("03-1111-%1").arg(i % 10000, 4, 10, QLatin1Char('0'));
        builtIn += QStringLiteral("%1,東京都千代田区丸の内%2,一丁目ビル１２階,山田太郎%2 様,%3,5300001,大阪府大阪市北区,"
                                  "梅田三丁目,ネルファ商店,06-3333-4444,りんご,みかん,ORD-%2,%4\r\n")
                       .arg(postal).arg(i).arg(phone, captions[i % 5]).toUtf8();
        shop += QStringLiteral("\"ORD-%2\",\"0\",\"0\",\"\",\"2024/05/21\",\"\",\"%4\",\"\",\"%3\",\"\",\"%1\","
                               "\"東京都千代田区丸の内%2\",\"一丁目ビル１２階\",\"\",\"\",\"山田太郎%2\",\"ﾔﾏﾀﾞﾀﾛｳ\",\"様\",\"\","
                               "\"06-3333-4444\",\"\",\"530-0001\",\"大阪府大阪市北区\",\"梅田三丁目\",\"ネルファ商店\",\"ﾈﾙﾌｧ\","
                               "\"A\",\"りんご\",\"B\",\"みかん\",\"\",\"\",\"\"\r\n")
                    .arg(postal.left(3) + "-" + postal.mid(3)).arg(i).arg(phone, codes[i % 5]);
    }
    return {builtIn, QStringEncoder("windows-31j").encode(shop)};
}

// Runs the program with these arguments, its progress lines thrown away.
benchrun::Run runProgram(const QStringList &arguments)
{
    return benchrun::run(QStringList{QStringLiteral(NERUFA_PROGRAM)} + arguments);
}

} // namespace

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

int pairedRuns(int rows, int pairs)
{
    QTemporaryDir dir;
    // No profile of the user's may come in: the built-in one reads the shop export.
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    const auto [builtIn, shop] = pairedCsv(rows);
    QList<double> plain, mapped, plainCpu, mappedCpu;
    std::printf("%6s %12s %12s %8s %14s %14s %8s\n", "pair", "built-in s", "profile s", "ratio", "built-in CPU s",
                "profile CPU s", "ratio");
    for (const auto &[name, bytes] : {std::pair{"builtin.csv", builtIn}, std::pair{"shop.csv", shop}}) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    for (int pair = 1; pair <= pairs; ++pair) {
        const benchrun::Run a = runProgram({"--csv", dir.filePath("builtin.csv"), "--pdf", dir.filePath("builtin.pdf")});
        const benchrun::Run b = runProgram({"--csv", dir.filePath("shop.csv"), "--pdf", dir.filePath("shop.pdf")});
        if (!a.ok || !b.ok || QFileInfo(dir.filePath("builtin.pdf")).size() / 1000 != QFileInfo(dir.filePath("shop.pdf")).size() / 1000) {
            std::fprintf(stderr, "a run failed, or the two PDF files differ in size\n");
            return 1;
        }
        plain << a.wallS;
        mapped << b.wallS;
        plainCpu << a.cpuS;
        mappedCpu << b.cpuS;
        std::printf("%6d %12.3f %12.3f %8.3f %14.3f %14.3f %8.3f\n", pair, a.wallS, b.wallS, b.wallS / a.wallS,
                    a.cpuS, b.cpuS, b.cpuS / a.cpuS);
    }
    std::printf("%6s %12.3f %12.3f %8.3f %14.3f %14.3f %8.3f   (%d rows, medians)\n", "median", median(plain),
                median(mapped), median(mapped) / median(plain), median(plainCpu), median(mappedCpu),
                median(mappedCpu) / median(plainCpu), rows);
    return 0;
}

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]) == "--profile")
        return pairedRuns(argc > 2 ? QByteArray(argv[2]).toInt() : 1000, argc > 3 ? QByteArray(argv[3]).toInt() : 5);
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QString::fromLocal8Bit(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {10, 100, 1000};

    QTemporaryDir dir;
    std::printf("%8s %10s %14s %14s %12s\n", "rows", "wall s", "peak RSS MB", "--check MB", "PDF MB");
    for (const int rows : counts) {
        const QString csvPath = dir.filePath(QStringLiteral("orders-%1.csv").arg(rows));
        const QString pdfPath = dir.filePath(QStringLiteral("orders-%1.pdf").arg(rows));
        QFile csv(csvPath);
        if (!csv.open(QIODevice::WriteOnly) || csv.write(benchOrdersCsv(rows)) < 0)
            return 1;
        csv.close();

        const benchrun::Run check = runProgram({"--csv", csvPath, "--check"});
        const benchrun::Run print = runProgram({"--csv", csvPath, "--pdf", pdfPath, "--database", "off"});
        if (!check.ok || !print.ok) {
            std::fprintf(stderr, "the program failed for %d rows\n", rows);
            return 1;
        }
        std::printf("%8d %10.2f %14.1f %14.1f %12.2f\n", rows, print.wallS, print.peakMb, check.peakMb,
                    QFileInfo(pdfPath).size() / 1e6);
    }
    return 0;
}
