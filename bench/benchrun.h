#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

// Running the programs a benchmark compares, from outside, as a user would.
namespace benchrun {

struct Run {
    bool ok = false;      // exited with status 0
    double wallS = 0;     // from start to exit
    double cpuS = 0;      // user and system time of the process
    double peakMb = 0;    // peak resident memory
};

// Runs `argv` (the program first) with standard output and error thrown
// away, and waits for it.
inline Run run(const QStringList &argv)
{
    QList<QByteArray> bytes;
    for (const QString &argument : argv)
        bytes << argument.toLocal8Bit();
    std::vector<char *> pointers;
    for (QByteArray &argument : bytes)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    Run result;
    if (posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        result.wallS = timer.nsecsElapsed() / 1e9;
        result.cpuS = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
            + usage.ru_stime.tv_usec / 1e6;
        result.peakMb = usage.ru_maxrss / 1024.0;
        result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The line the bench command collects into its table of ratios.
inline void printRatio(const char *name, double ratio, double target)
{
    std::printf("RATIO %-28s %6.3f  target %.2f  %s\n", name, ratio, target, ratio <= target ? "ok" : "OVER");
    std::fflush(stdout);
}

} // namespace benchrun
