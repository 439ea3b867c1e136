#include "bench/benchrun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

extern char** environ;

namespace tessel::bench {
namespace {

bool g_short = false;

double tvMs(const timeval& tv) {
    return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0;
}

}  // namespace

ProcessRun runProcess(const QString& program, const QStringList& arguments,
                      const QStringList& environment) {
    std::vector<std::string> args{program.toStdString()};
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    for (const QString& e : environment)
        env.push_back(e.toStdString());
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int err = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(err));
        return run;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = tvMs(usage.ru_utime) + tvMs(usage.ru_stime);
    run.peakMiB = usage.ru_maxrss / 1024.0;  // kilobytes on Linux
    run.contextSwitches = double(usage.ru_nvcsw) + double(usage.ru_nivcsw);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void setShortMode(bool on) {
    g_short = on;
}

bool shortMode() {
    return g_short;
}

void printRow(const QString& figure, const QString& value, const QString& goal, bool met) {
    const QString verdict = g_short ? QStringLiteral("short run")
                                    : (met ? QStringLiteral("ok") : QStringLiteral("MISSED"));
    std::printf("| %s | %s | %s | %s |\n", figure.toUtf8().constData(), value.toUtf8().constData(),
                goal.toUtf8().constData(), verdict.toUtf8().constData());
    std::fflush(stdout);
}

QString number(double value) {
    if (value >= 100 || value <= -100)
        return QString::number(value, 'f', 0);
    if (value >= 10 || value <= -10)
        return QString::number(value, 'f', 1);
    if (value >= 1 || value <= -1)
        return QString::number(value, 'f', 2);
    return QString::number(value, 'f', 3);
}

}  // namespace tessel::bench
