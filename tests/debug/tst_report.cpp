// The qualification report: its numbers in HTML and JSON, HTML escaping, the JSON file's
// name, the headless charts (PNG decoded back, autoscale) and the qualification of a run
// (noise from its first seconds only).
#include "debug/chartpng.h"
#include "debug/report.h"
#include "debug/runreport.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace tessel;

namespace {

SampleRecord rec(std::initializer_list<int32_t> baseline, std::initializer_list<int32_t> differ,
                 uint32_t flags = 0) {
    SampleRecord r;
    int i = 0;
    for (int32_t b : baseline)
        r.baseline[i++] = b;
    i = 0;
    for (int32_t d : differ) {
        r.differ[i] = d;
        r.raw[i] = r.baseline[i] + d;
        ++i;
    }
    r.keyFlags = flags;
    return r;
}

// KR4111 (no key flags), two channels: channel 0 noise 4, signal 148; channel 1 noise 2,
// signal 200 (touched at Differ 100 or more).
report::Report knownReport() {
    const std::vector<SampleRecord> records = {
        rec({1000, 2000}, {0, 1}),
        rec({1000, 2000}, {4, -1}),
        rec({1000, 2000}, {150, 10}),
        rec({1000, 2000}, {30, 200}),
    };
    report::Report r;
    r.chip = 1;
    r.time = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), QTimeZone::utc());
    r.source = QStringLiteral("run.csv");
    r.samples = 4;
    r.result = qualification::qualify(records, 2, qualification::TouchSource::DifferLevel, 40);
    r.language = 1;
    return r;
}

QString compact(QString html) {
    return html.remove(QLatin1Char('\n'));
}

}  // namespace

class TestReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void htmlRows_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("channel 0 passes 40") << QStringLiteral(
            "<tr><td>0</td><td>4.0</td><td>148.0</td><td>37.0</td><td>14.8</td>"
            "<td class=\"fail\">FAIL</td></tr>");
        QTest::newRow("channel 1") << QStringLiteral(
            "<tr><td>1</td><td>2.0</td><td>200.0</td><td>100.0</td><td>10.0</td>"
            "<td class=\"pass\">PASS</td></tr>");
        QTest::newRow("coupling 0 to 1")
            << QStringLiteral("<tr><th>Ch0</th><td>—</td><td>6.8</td></tr>");
        QTest::newRow("coupling 1 to 0")
            << QStringLiteral("<tr><th>Ch1</th><td>14.0</td><td>—</td></tr>");
        QTest::newRow("summary") << QStringLiteral(
            "<p class=\"summary fail\">FAIL: 1 channel(s) fail</p>");
        QTest::newRow("chip") << QStringLiteral(
            "<tr><td class=\"name\">Chip</td><td class=\"name\">KR4111</td></tr>");
        QTest::newRow("time") << QStringLiteral(
            "<tr><td class=\"name\">Time</td><td class=\"name\">2026-03-04 05:06:07 "
            "UTC+00:00</td></tr>");
        QTest::newRow("minimum") << QStringLiteral(
            "<tr><td class=\"name\">Minimum SNR</td><td class=\"name\">40.0</td></tr>");
    }
    void htmlRows() {
        QFETCH(QString, row);
        QVERIFY2(compact(report::html(knownReport())).contains(row), qPrintable(row));
    }

    void jsonNumbers() {
        const QJsonObject o = report::json(knownReport());
        QCOMPARE(o.value(QStringLiteral("chip_name")).toString(), QStringLiteral("KR4111"));
        QCOMPARE(o.value(QStringLiteral("samples")).toInt(), 4);
        QCOMPARE(o.value(QStringLiteral("time")).toString(),
                 QStringLiteral("2026-03-04T05:06:07.000Z"));
        const QJsonObject q = o.value(QStringLiteral("qualification")).toObject();
        QCOMPARE(q.value(QStringLiteral("min_snr")).toDouble(), 40.0);
        QCOMPARE(q.value(QStringLiteral("pass")).toBool(), false);
        const QJsonObject c0 = q.value(QStringLiteral("channels")).toArray().at(0).toObject();
        QCOMPARE(c0.value(QStringLiteral("snr")).toDouble(), 37.0);
        QCOMPARE(c0.value(QStringLiteral("sensitivity")).toDouble(), 14.8);
        const QJsonArray coupling = q.value(QStringLiteral("coupling")).toArray();
        QCOMPARE(coupling.at(0).toArray().at(1).toDouble(), 6.757);
    }

    void escaping_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("markup") << QStringLiteral("<script>alert(1)</script>")
                                << QStringLiteral("&lt;script&gt;alert(1)&lt;/script&gt;");
        QTest::newRow("ampersand and quotes")
            << QStringLiteral("a&b \"c\"") << QStringLiteral("a&amp;b &quot;c&quot;");
        QTest::newRow("Chinese stays")
            << QStringLiteral("调试<1>") << QStringLiteral("调试&lt;1&gt;");
    }
    void escaping() {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        report::Report r = knownReport();
        r.source = text;
        r.parameters = {{text, text}};
        r.charts = {{text, QByteArray("png")}};
        const QString html = report::html(r);
        QVERIFY(!html.contains(text));
        // The source, the parameter's name and value, the picture's caption and its alt text.
        QCOMPARE(html.count(escaped), 5);
    }

    void jsonPath_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("json");
        QTest::newRow("html") << QStringLiteral("/tmp/a/report.html")
                              << QStringLiteral("/tmp/a/report.json");
        QTest::newRow("upper case") << QStringLiteral("R.HTML") << QStringLiteral("R.json");
        QTest::newRow("no suffix") << QStringLiteral("report") << QStringLiteral("report.json");
        QTest::newRow("htm") << QStringLiteral("r.htm") << QStringLiteral("r.htm.json");
    }
    void jsonPath() {
        QFETCH(QString, html);
        QFETCH(QString, json);
        QCOMPARE(report::jsonPath(html), json);
    }

    void writesBothFiles() {
        QTemporaryDir dir;
        const QString html = dir.filePath(QStringLiteral("r.html"));
        QString error;
        QVERIFY(report::write(knownReport(), html, &error));
        QFile json(dir.filePath(QStringLiteral("r.json")));
        QVERIFY(json.open(QIODevice::ReadOnly));
        QCOMPARE(QJsonDocument::fromJson(json.readAll()).object().value(QStringLiteral("source")),
                 QJsonValue(QStringLiteral("run.csv")));
        QVERIFY(!report::write(knownReport(), dir.filePath(QStringLiteral("no/r.html")), &error));
        QVERIFY2(error.startsWith(QStringLiteral("Cannot write the report: ")), qPrintable(error));
    }

    void autoRange_data() {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::newRow("span 110") << 90 << 200 << 84 << 206;
        QTest::newRow("one value") << 5 << 5 << 4 << 6;
        QTest::newRow("around 0") << -1000 << 1000 << -1100 << 1100;
        QTest::newRow("span 19") << 0 << 19 << -1 << 20;
    }
    void autoRange() {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, lower);
        QFETCH(int, upper);
        const auto r = chartpng::autoRange(min, max);
        QCOMPARE(r.first, lower);
        QCOMPARE(r.second, upper);
    }

    // 455 x 228: plot from (50, 8) to (450, 208); a value of 50 in 0 … 100 on row 108.
    void pngPixels_data() {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("background") << QPoint(2, 220) << QColor(0, 0, 0);
        QTest::newRow("frame") << QPoint(50, 100) << QColor(0x80, 0x80, 0x80);
        QTest::newRow("grid") << QPoint(60, 150) << QColor(0x20, 0x40, 0x20);
        QTest::newRow("axis") << QPoint(46, 100) << QColor(0, 0xFF, 0xFF);
        QTest::newRow("first point") << QPoint(51, 108) << QColor(0xFF, 0, 0);
        QTest::newRow("legend box 0") << QPoint(56, 16) << QColor(0xFF, 0, 0);
        QTest::newRow("legend box 1") << QPoint(80, 16) << QColor(0, 0xFF, 0);
        QTest::newRow("legend behind") << QPoint(70, 12) << QColor(0, 0, 0);
        QTest::newRow("between points") << QPoint(52, 108) << QColor(0xFF, 0, 0);
        QTest::newRow("second channel") << QPoint(51, 188) << QColor(0, 0xFF, 0);
    }
    void pngPixels() {
        QFETCH(QPoint, at);
        QFETCH(QColor, colour);
        chartpng::Chart c;
        c.lower = 0;
        c.upper = 100;
        c.series = {{0, 0x0000FF, std::vector<int32_t>(201, 50)},
                    {1, 0x00FF00, std::vector<int32_t>(201, 10)}};
        const QImage image = QImage::fromData(chartpng::render(c, 455, 228), "PNG");
        QCOMPARE(image.size(), QSize(455, 228));
        QCOMPARE(QColor(image.pixel(at)), colour);
    }

    // Chip 5 reports key flags. The first second is hands off; later untouched samples do
    // not count (their Differ of 50 would otherwise make the noise 52).
    void runQualification() {
        RunQualification run;
        run.start(5, 2, 1000);
        const int differ0[] = {2, -2, 0, 1};
        for (int k = 0; k < 4; ++k)
            run.add(rec({2000, 2150}, {differ0[k], 0}), 0, k * 200);
        run.add(rec({2000, 2150}, {50, 0}), 0, 1500);
        run.add(rec({2000, 2150}, {40, 4}, 0x1), 0, 1600);
        run.add(rec({2000, 2150}, {42, 4}, 0x1), 0, 1700);
        const qualification::Result r = run.result(5);
        QCOMPARE(run.samples(), qint64(7));
        QCOMPARE(run.noiseSamples(), qint64(4));
        QCOMPARE(r.channel[0].noise, 4.0);
        QCOMPARE(r.channel[0].signal, 40.75);  // 41 − 0.25
        QCOMPARE(r.channel[0].pass, true);
        QCOMPARE(r.coupling[0][1], 4.0 / 40.75 * 100.0);
        QCOMPARE(run.charts().size(), std::size_t(3));
        QVERIFY(!QImage::fromData(run.charts()[2].png, "PNG").isNull());
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
