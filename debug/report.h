#pragma once

#include "debug/qualification.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <utility>
#include <vector>

namespace tessel::report {

// A touch qualification report: one self-contained HTML file (the PASS/FAIL summary, chip,
// time, the parameters in effect, the result table, the coupling matrix and the charts as
// PNG pictures inside the file) and the same figures as JSON next to it. Every text is
// HTML-escaped.
struct Chart {
    QString title;
    QByteArray png;
};

struct Report {
    int chip = 0;
    QDateTime time;
    QString source;  // where the samples came from: a run, a data file
    qint64 samples = 0;
    // Names and values, in the order shown.
    std::vector<std::pair<QString, QString>> parameters;
    qualification::Result result;
    std::vector<Chart> charts;
    uint8_t language = 0;  // 0 Chinese, 1 English
};

QString html(const Report& report);
// {chip, chip_name, time, source, samples, parameters: {name: value}, qualification (as
// qualification::toJson), charts: [titles]}.
QJsonObject json(const Report& report);
// FILE.html gives FILE.json; any other name gets ".json" appended.
QString jsonPath(const QString& htmlPath);
// Writes the HTML file and the JSON file; false with the message naming the file that could
// not be written.
bool write(const Report& report, const QString& htmlPath, QString* error);

}  // namespace tessel::report
