// Times the command line printing a CSV file of orders into one PDF file:
// wall time and the program's peak memory for growing row counts, so that
// growth with the row count shows, and the peak of --check (reading and
// checking the file alone) beside it. Every row has every item of the slip.
//
//   bench_csv [rows ...]     (default 10 100 1000)

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

QByteArray ordersCsv(int rows)
{
    QByteArray csv = "お届け先郵便番号,お届け先住所1,お届け先住所2,お届け先名前,お届け先様方,お届け先電話番号,"
                     "ご依頼主郵便番号,ご依頼主住所1,ご依頼主住所2,ご依頼主名前,ご依頼主様方,ご依頼主電話番号,"
                     "品名1,品名2,商品番号1,商品番号2,数量1,単価1,数量2,単価2,希望月,希望日,配達時間帯,お届け通知\r\n";
    for (int i = 1; i <= rows; ++i) {
        csv += QStringLiteral("%1,東京都千代田区丸の内%2,一丁目ビル１２階,山田太郎%2,佐藤様方,03-1111-%3,"
                              "5300001,大阪府大阪市北区,梅田三丁目,鈴木花子,田中様方,06-3333-4444,"
                              "りんご,みかん,A-%2,B-200,%4,4000,12,1500,03,15,夕方１７時～１９時頃,不要\r\n")
                   .arg(1000000 + i).arg(i).arg(i % 10000, 4, 10, QLatin1Char('0')).arg(i % 999 + 1)
                   .toUtf8();
    }
    return csv;
}

struct Run {
    bool ok = false;
    double seconds = 0;
    double peakMb = 0;
};

// Runs the program with these arguments, its progress lines thrown away.
Run runProgram(const QStringList &arguments)
{
    QList<QByteArray> bytes = {QByteArray(NERUFA_PROGRAM)};
    for (const QString &argument : arguments)
        bytes << argument.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        run.seconds = timer.nsecsElapsed() / 1e9;
        run.peakMb = usage.ru_maxrss / 1024.0;
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
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
        if (!csv.open(QIODevice::WriteOnly) || csv.write(ordersCsv(rows)) < 0)
            return 1;
        csv.close();

        const Run check = runProgram({"--csv", csvPath, "--check"});
        const Run print = runProgram({"--csv", csvPath, "--pdf", pdfPath, "--database", "off"});
        if (!check.ok || !print.ok) {
            std::fprintf(stderr, "the program failed for %d rows\n", rows);
            return 1;
        }
        std::printf("%8d %10.2f %14.1f %14.1f %12.2f\n", rows, print.seconds, print.peakMb, check.peakMb,
                    QFileInfo(pdfPath).size() / 1e6);
    }
    return 0;
}
