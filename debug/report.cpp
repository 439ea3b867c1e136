#include "debug/report.h"

#include "app/chipcatalogue.h"
#include "app/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>

namespace tessel::report {
namespace {

namespace q = qualification;

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

const char kStyle[] =
    "body{font-family:sans-serif;margin:24px;color:#222}"
    "table{border-collapse:collapse;margin:8px 0 20px}"
    "th,td{border:1px solid #999;padding:3px 8px;text-align:right}"
    "th{background:#eee}td.name{text-align:left}"
    "td.pass{background:#9be39b}td.fail{background:#f29a9a}td.mark{background:#f6c36b}"
    ".summary{font-size:1.4em;font-weight:bold;padding:6px 12px;display:inline-block}"
    ".summary.pass{background:#9be39b}.summary.fail{background:#f29a9a}"
    "figure{display:inline-block;margin:0 12px 12px 0}img{border:1px solid #555}";

// "2026-03-04 05:06:07 UTC+08:00": the time of the machine with its offset.
QString timeText(const QDateTime& time) {
    const int offset = time.offsetFromUtc() / 60;
    const int a = offset < 0 ? -offset : offset;
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" UTC%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(a / 60, 2, 10, QLatin1Char('0'))
               .arg(a % 60, 2, 10, QLatin1Char('0'));
}

QString summaryText(const q::Result& r, uint8_t language) {
    const int failed = int(std::count_if(r.channel.begin(), r.channel.end(),
                                         [](const q::ChannelQuality& c) { return !c.pass; }));
    return failed ? message(Msg::QualSomeFail, language, failed)
                  : message(Msg::QualAllPass, language);
}

QString infoTable(const Report& rep) {
    const uint8_t l = rep.language;
    std::vector<std::pair<QString, QString>> rows = {
        {message(Msg::QualReportChip, l), QString::fromUtf8(chipInfo(rep.chip).comboText)},
        {message(Msg::QualReportTime, l), timeText(rep.time)},
        {message(Msg::QualReportSource, l), rep.source},
        {message(Msg::QualReportSamples, l), QString::number(rep.samples)},
        {message(Msg::QualMinSnrLabel, l), q::number(rep.result.minSnr)},
    };
    rows.insert(rows.end(), rep.parameters.begin(), rep.parameters.end());
    QString out = QStringLiteral("<table>\n");
    for (const auto& [name, value] : rows) {
        out += QStringLiteral("<tr><td class=\"name\">%1</td><td class=\"name\">%2</td></tr>\n")
                   .arg(esc(name), esc(value));
    }
    return out + QStringLiteral("</table>\n");
}

QString resultTable(const q::Result& r, uint8_t language) {
    QString out = QStringLiteral("<table>\n<tr>");
    for (const QString& t : q::columnTitles(language))
        out += QStringLiteral("<th>%1</th>").arg(esc(t));
    out += QStringLiteral("</tr>\n");
    for (int i = 0; i < r.channels; ++i) {
        const QStringList cells = q::rowTexts(r, i, language);
        out += QStringLiteral("<tr>");
        for (int c = 0; c < cells.size(); ++c) {
            const bool verdict = c == cells.size() - 1;
            const QString cls = !verdict            ? QString()
                                : r.channel[i].pass ? QStringLiteral(" class=\"pass\"")
                                                    : QStringLiteral(" class=\"fail\"");
            out += QStringLiteral("<td%1>%2</td>").arg(cls, esc(cells[c]));
        }
        out += QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

QString couplingTable(const q::Result& r) {
    QString out = QStringLiteral("<table>\n<tr><th></th>");
    for (int j = 0; j < r.channels; ++j)
        out += QStringLiteral("<th>Ch%1</th>").arg(j);
    out += QStringLiteral("</tr>\n");
    for (int i = 0; i < r.channels; ++i) {
        out += QStringLiteral("<tr><th>Ch%1</th>").arg(i);
        for (int j = 0; j < r.channels; ++j) {
            bool marked = false;
            const QString text = q::couplingText(r.coupling[i][j], &marked);
            out += QStringLiteral("<td%1>%2</td>")
                       .arg(marked ? QStringLiteral(" class=\"mark\"") : QString(), esc(text));
        }
        out += QStringLiteral("</tr>\n");
    }
    return out + QStringLiteral("</table>\n");
}

QString charts(const Report& rep) {
    QString out;
    for (const Chart& c : rep.charts) {
        out += QStringLiteral(
                   "<figure><img alt=\"%1\" src=\"data:image/png;base64,%2\">"
                   "<figcaption>%1</figcaption></figure>\n")
                   .arg(esc(c.title), QString::fromLatin1(c.png.toBase64()));
    }
    return out;
}

bool save(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
}

}  // namespace

QString html(const Report& rep) {
    const uint8_t l = rep.language;
    const QString title = message(Msg::QualReportTitle, l);
    const bool pass = rep.result.allPass();
    QString out = QStringLiteral(
                      "<!DOCTYPE html>\n<html lang=\"%1\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>%2</title>\n<style>%3</style>\n</head>\n<body>\n<h1>%2</h1>\n")
                      .arg(l ? QStringLiteral("en") : QStringLiteral("zh"), esc(title),
                           QString::fromLatin1(kStyle));
    out += QStringLiteral("<p class=\"summary %1\">%2: %3</p>\n")
               .arg(pass ? QStringLiteral("pass") : QStringLiteral("fail"),
                    esc(message(pass ? Msg::QualPass : Msg::QualFail, l)),
                    esc(summaryText(rep.result, l)));
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(message(Msg::QualReportParameters, l)));
    out += infoTable(rep);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(message(Msg::QualReportResults, l)));
    out += resultTable(rep.result, l);
    out += QStringLiteral("<h2>%1</h2>\n").arg(esc(message(Msg::QualCoupling, l)));
    out += couplingTable(rep.result);
    if (!rep.charts.empty()) {
        out += QStringLiteral("<h2>%1</h2>\n").arg(esc(message(Msg::QualReportCharts, l)));
        out += charts(rep);
    }
    return out + QStringLiteral("</body>\n</html>\n");
}

QJsonObject json(const Report& rep) {
    QJsonObject params;
    for (const auto& [name, value] : rep.parameters)
        params.insert(name, value);
    QJsonArray titles;
    for (const Chart& c : rep.charts)
        titles.append(c.title);
    QJsonObject out;
    out.insert(QStringLiteral("chip"), rep.chip);
    out.insert(QStringLiteral("chip_name"), QString::fromUtf8(chipInfo(rep.chip).comboText));
    out.insert(QStringLiteral("time"),
               rep.time.toOffsetFromUtc(rep.time.offsetFromUtc()).toString(Qt::ISODateWithMs));
    out.insert(QStringLiteral("source"), rep.source);
    out.insert(QStringLiteral("samples"), rep.samples);
    out.insert(QStringLiteral("parameters"), params);
    out.insert(QStringLiteral("qualification"), q::toJson(rep.result));
    out.insert(QStringLiteral("charts"), titles);
    return out;
}

QString jsonPath(const QString& htmlPath) {
    const QFileInfo info(htmlPath);
    if (info.suffix().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0)
        return htmlPath.left(htmlPath.size() - 4) + QStringLiteral("json");
    return htmlPath + QStringLiteral(".json");
}

bool write(const Report& rep, const QString& htmlPath, QString* error) {
    const QString other = jsonPath(htmlPath);
    const QByteArray jsonBytes = QJsonDocument(json(rep)).toJson(QJsonDocument::Indented);
    for (const auto& [path, bytes] :
         {std::make_pair(htmlPath, html(rep).toUtf8()), std::make_pair(other, jsonBytes)}) {
        if (!save(path, bytes)) {
            if (error) {
                *error = message(Msg::QualReportWriteFailed, rep.language,
                                 qUtf8Printable(QDir::toNativeSeparators(path)));
            }
            return false;
        }
    }
    return true;
}

}  // namespace tessel::report
