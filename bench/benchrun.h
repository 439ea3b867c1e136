#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tessel::bench {

// What the operating system accounted for one finished child process.
struct ProcessRun {
    int exitStatus = -1;         // the child's exit code; -1 when it did not start or was killed
    double wallMs = 0;           // from start to reaped
    double cpuMs = 0;            // user + system time of the child and everything it waited for
    double peakMiB = 0;          // largest resident set of the child
    double contextSwitches = 0;  // voluntary and involuntary, of the child's threads
};

// Runs program with arguments, its output thrown away, and waits for it. `environment` adds
// NAME=VALUE entries to this process's environment.
ProcessRun runProcess(const QString& program, const QStringList& arguments,
                      const QStringList& environment = {});

double median(std::vector<double> values);

// A row of the benchmark table: | figure | value | goal | verdict |. `met` decides the
// verdict ("ok" or "MISSED"); in the short mode the verdict is "short run" whatever it is.
void printRow(const QString& figure, const QString& value, const QString& goal, bool met);
void setShortMode(bool on);
bool shortMode();

// Three significant digits at most, for the table.
QString number(double value);

}  // namespace tessel::bench
