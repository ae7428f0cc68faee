// The postal table on Debian's real dictionaries: loading, memory held,
// look-ups both ways, and an import of a Japan Post file of 20 MB made
// from the same places. Times are wall-clock and, beside them, the CPU time
// of the thread, which other processes on the machine disturb less.
//
//   bench_postal [runs]      (default 20 loads)

#include "postalfiles.h"
#include "postalimport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <vector>

using namespace nerufa::postal;

namespace {

// A line of /proc/self/status in MB (VmRSS, VmHWM).
double statusMb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// Lets the peak (VmHWM) start again from what is resident now.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Wall-clock and thread CPU time since start, in ms.
struct Clock {
    QElapsedTimer wall;
    timespec cpu{};
    Clock() { restart(); }
    void restart()
    {
        wall.start();
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    }
    double wallMs() const { return double(wall.nsecsElapsed()) / 1e6; }
    double cpuMs() const
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec - cpu.tv_sec) * 1e3 + double(now.tv_nsec - cpu.tv_nsec) / 1e6;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QTemporaryDir dir;
    const PostalSources debian = PostalSources::in(QStringLiteral("/usr/share/skk"), dir.filePath(QStringLiteral("none")));
    if (!QFile::exists(debian.areaDictionary)) {
        std::fprintf(stderr, "skkdic-extra is not installed\n");
        return 1;
    }

    // Loading, as the window does it on its other thread.
    malloc_trim(0);
    const double rssBefore = statusMb("VmRSS:");
    resetPeak();
    std::vector<double> loadMs, loadCpuMs;
    std::shared_ptr<const PostalTable> table;
    for (int i = 0; i < runs; ++i) {
        table.reset();
        const Clock clock;
        table = loadTable(debian).table;
        loadMs.push_back(clock.wallMs());
        loadCpuMs.push_back(clock.cpuMs());
    }
    malloc_trim(0);
    std::printf("load both dictionaries (%lld places): median %.1f ms (CPU %.1f ms), fastest %.1f ms (%d runs)\n",
                qlonglong(table->size()), median(loadMs), median(loadCpuMs), *std::min_element(loadMs.begin(), loadMs.end()), runs);
    std::printf("memory: table %.1f MB held; resident %.1f MB more than before loading; peak while loading %.1f MB more\n",
                double(table->bytes()) / 1048576.0, statusMb("VmRSS:") - rssBefore, statusMb("VmHWM:") - rssBefore);

    // Look-ups: codes the table has, then any seven digits.
    std::vector<int> known, any;
    QRandomGenerator random(22);
    for (int i = 0; i < 1000000; ++i) {
        const QList<Place> some = table->lookUp(int(random.bounded(10000000)));
        any.push_back(int(random.bounded(10000000)));
        if (!some.isEmpty() || known.size() < 1000)
            known.push_back(some.isEmpty() ? 1000001 : some.first().code);
    }
    qsizetype found = 0;
    Clock clock;
    for (int code : known)
        found += table->lookUp(code).size();
    const double lookUpNs = clock.wallMs() * 1e6 / double(known.size()), lookUpCpuNs = clock.cpuMs() * 1e6 / double(known.size());
    clock.restart();
    for (int code : any)
        found += table->contains(code);
    const double containsNs = clock.wallMs() * 1e6 / double(any.size()), containsCpuNs = clock.cpuMs() * 1e6 / double(any.size());
    std::printf("look-up of a known code (places as texts): %.0f ns (CPU %.0f ns); is a code known: %.0f ns (CPU %.0f ns); %lld found\n",
                lookUpNs, lookUpCpuNs, containsNs, containsCpuNs, qlonglong(found));
    for (const QString &typed : {QStringLiteral("東京都千代田区丸"), QStringLiteral("千代田区丸"), QStringLiteral("沖縄県八重山郡与那国町")}) {
        clock.restart();
        const qsizetype offered = table->complete(typed, 50).size();
        std::printf("address start 「%s」: %lld places offered in %.2f ms (CPU %.2f ms)\n", qPrintable(typed), qlonglong(offered),
                    clock.wallMs(), clock.cpuMs());
    }

    // A 20 MB file in Japan Post's UTF-8 format, from the dictionary's places.
    const QString csv = dir.filePath(QStringLiteral("utf_ken_all.csv"));
    {
        QFile out(csv);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        QByteArray rows;
        for (int code = 0; code < 10000000 && out.size() + rows.size() < 20 * 1024 * 1024; ++code) {
            for (const Place &place : table->lookUp(code)) {
                if (place.isOffice)
                    continue;
                const QString municipality = table->municipalityOf(place.address);
                const qsizetype prefecture = prefectureLength(place.address);
                rows += QStringLiteral("01101,\"%1\",\"%2\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"ﾁﾖﾀﾞﾁﾖﾀﾞﾁﾖﾀﾞ\",\"%3\",\"%4\",\"%5\",0,0,0,0,0,0\r\n")
                            .arg(codeDigits(code).left(3) + QStringLiteral("  "), codeDigits(code),
                                 place.address.left(prefecture), municipality.mid(prefecture),
                                 place.address.mid(municipality.size()))
                            .toUtf8();
            }
            if (rows.size() > 1024 * 1024)
                out.write(std::exchange(rows, QByteArray()));
        }
        out.write(rows);
    }
    table.reset();
    malloc_trim(0);
    const double rssImport = statusMb("VmRSS:");
    resetPeak();
    clock.restart();
    const ImportResult imported = importJapanPostFile(csv, PostalSources::in(dir.filePath(QStringLiteral("none")), dir.path()));
    std::printf("import of a %.1f MB utf_ken_all.csv (%lld places): %.0f ms (CPU %.0f ms), peak %.1f MB over what was resident %s\n",
                double(QFile(csv).size()) / 1048576.0, qlonglong(imported.places), clock.wallMs(), clock.cpuMs(),
                statusMb("VmHWM:") - rssImport, qPrintable(imported.error));
    return imported.error.isEmpty() ? 0 : 1;
}
