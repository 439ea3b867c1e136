// The debug page's qualification tab, replay of a data file, the report and the charts'
// pictures.
#include "app/chipcatalogue.h"
#include "debug/csvreader.h"
#include "debug/report.h"
#include "pages/debug/cdebug.h"
#include "pages/debug/cmulticolordraw.h"
#include "pages/debug/debugtablemodel.h"
#include "pages/debug/qualificationpanel.h"
#include "pages/program/cmlistctrl.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <algorithm>

namespace tessel {

const char CDebug::kMinSnrKey[] = "m_min_snr";

namespace {

namespace q = qualification;

const Msg kChartTitles[3] = {Msg::DebugBaseline, Msg::DebugRawdata, Msg::DebugDiffer};

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A time-stamped name like the CSV files': 2019-8-20-9-5-7-TouchReport.html.
QString stampedName(const QString& tail) {
    const QDateTime t = QDateTime::currentDateTime();
    return QStringLiteral("%1-%2-%3-%4-%5-%6-")
               .arg(t.date().year())
               .arg(t.date().month())
               .arg(t.date().day())
               .arg(t.time().hour())
               .arg(t.time().minute())
               .arg(t.time().second()) +
           tail;
}

}  // namespace

const DebugStatistics& CDebug::shownStatistics() const {
    return replay_.shown ? replay_.stats : session_.statistics();
}

void CDebug::connectQualification() {
    connect(&session_, &DebugSession::sampleSaved, qualification_, &QualificationPanel::addSample);
    connect(qualification_, &QualificationPanel::computeFromDataRequested, this,
            &CDebug::computeQualification);
    connect(qualification_, &QualificationPanel::reportRequested, this, &CDebug::onReportClicked);
    connect(qualification_, &QualificationPanel::minSnrChanged, this, [this](int value) {
        profile_.writeInt(QStringLiteral("BebugParameters"), QString::fromLatin1(kMinSnrKey),
                          value);
    });
    for (int k = 0; k < 3; ++k) {
        connect(autoScaleChecks_[k], &QCheckBox::toggled, this,
                [this, k](bool on) { charts_[k]->setAutoScale(on); });
    }
}

void CDebug::onOpenDataClicked() {
    if (running())
        return;
    const QString path = prompts_.openFileName(QStringLiteral("CSV (*.csv);;* (*)"));
    if (!path.isEmpty())
        loadDataFile(path);
}

bool CDebug::loadDataFile(const QString& path) {
    if (running())
        return false;  // the run's data stay on the page
    const int chip = int(state_.chipIndex.load());
    const csv::ReadResult file = csv::readFile(path, chip, state_.language);
    if (!file.ok) {
        prompts_.showWarning(file.error);
        return false;
    }
    replay_ = Replay{};
    replay_.shown = true;
    replay_.path = path;
    replay_.chip = chip;
    replay_.channels = file.channels;
    replay_.records = file.lastBlock();
    showRecords(replay_.records, file.channels);
    replay_.stats.reset(chip, file.channels);
    for (const SampleRecord& r : replay_.records)
        replay_.stats.add(r, q::zeroedChannels(r, file.channels));
    statsTable_->setRowCount(0);
    refreshStatistics();
    qualification_->setChannels(file.channels);
    computeQualification();
    csvPathLabel_->setText(
        state_.text(Msg::DebugReplayShown,
                    qUtf8Printable(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()))));
    csvPathLabel_->setToolTip(csvPathLabel_->text());
    return true;
}

// The records into the charts (the last points a chart holds), the grid (the last record)
// and the data table (its last rows).
void CDebug::showRecords(const std::vector<SampleRecord>& records, int n) {
    pending_.clear();
    rebuildGrid(n);
    const std::size_t total = records.size();
    const std::size_t first = total > std::size_t(CMultiColorDraw::kMaxSamples)
                                  ? total - CMultiColorDraw::kMaxSamples
                                  : 0;
    for (CMultiColorDraw* c : charts_) {
        for (int i = 0; i < CMultiColorDraw::kChannels; ++i) {
            c->clearChannel(i);
            c->setChannelVisible(i, i < n);
        }
    }
    for (std::size_t k = first; k < total; ++k) {
        const SampleRecord& r = records[k];
        for (int i = 0; i < n; ++i) {
            charts_[0]->addSample(i, r.baseline[i]);
            charts_[1]->addSample(i, r.raw[i]);
            charts_[2]->addSample(i, r.differ[i]);
        }
    }
    for (CMultiColorDraw* c : charts_) {
        for (int i = 0; i < n; ++i)
            c->setSamplesAdded(i, qint64(total));  // the read-out numbers as the file does
        c->update();
    }
    if (total > 0) {
        const SampleRecord& last = records.back();
        for (int i = 0; i < n; ++i) {
            grid_->setItemText(1, i + 1, QString::number(uint32_t(last.baseline[i])));
            grid_->setItemText(2, i + 1, QString::number(uint32_t(last.raw[i])));
            grid_->setItemText(3, i + 1, QString::number(last.differ[i]));
        }
    }
    tableModel_->clear();
    const std::size_t rows = std::min<std::size_t>(total, DebugTableModel::kMaxRows);
    tableModel_->addSamples(
        std::vector<SampleRecord>(records.end() - long(rows), records.end()),
        static_cast<DebugTableModel::Value>(std::clamp(settings_.dataType, 0, 2)));
    channelCountEdit_->setText(QString::number(n));
}

void CDebug::computeQualification() {
    const int minSnr = qualification_->minSnr();
    if (replay_.shown) {
        qualification_->showResult(
            q::qualify(replay_.records, replay_.channels, q::csvSource(replay_.chip), minSnr),
            QDir::toNativeSeparators(QFileInfo(replay_.path).absoluteFilePath()));
        return;
    }
    const int n = session_.statistics().channels();
    if (n == 0 || session_.samples().empty())
        return;
    q::Accumulator sums;
    sums.reset(n);
    const q::TouchSource source = q::liveSource(session_.chip());
    session_.samples().snapshot().forEach([&](const SampleRecord& r) {
        sums.add(r, q::touchedChannels(r, n, source), q::zeroedChannels(r, n));
        return true;
    });
    qualification_->showResult(sums.result(minSnr), state_.text(Msg::QualReportLive));
}

std::vector<std::pair<QString, QString>> CDebug::reportParameters() const {
    std::vector<std::pair<QString, QString>> out;
    for (int k = 0; k < 3; ++k) {
        const auto [lower, upper] = charts_[k]->shownRange();
        out.emplace_back(state_.text(kChartTitles[k]),
                         QStringLiteral("%1 … %2%3")
                             .arg(lower)
                             .arg(upper)
                             .arg(charts_[k]->autoScale()
                                      ? QStringLiteral(" (") + state_.text(Msg::DebugAutoScale) +
                                            QStringLiteral(")")
                                      : QString()));
    }
    const Msg supply[3] = {Msg::DebugSupply3V, Msg::DebugSupply5V, Msg::DebugSupplyExternal};
    out.emplace_back(state_.text(Msg::DebugSupplyGroup),
                     state_.text(supply[std::clamp(settings_.vcc, 0, 2)]));
    out.emplace_back(state_.text(Msg::QualSamples),
                     QString::number(qualification_->samplesPerPhase()));
    const DebugParameters& d = state_.debugParameters;
    const std::pair<const char*, int> touch[] = {
        {"CTK_RESO", d.reso},
        {"CTK_DS", d.ds},
        {"CTK_RV", d.ref},
        {"CTK_PRS", d.prs},
        {"CTK_Rb", d.rb},
        {"CTK_Adaptive_EN", d.adaptiveEnable},
        {"Set_Baseline", d.adaptiveLine},
        {"CTK_ADC", d.adcResolution},
    };
    for (const auto& [name, value] : touch)
        out.emplace_back(QString::fromLatin1(name), QString::number(value));
    out.emplace_back(QStringLiteral("Set_SNopen"),
                     QStringLiteral("0x%1").arg(d.channelOpenMask, 8, 16, QLatin1Char('0')));
    return out;
}

bool CDebug::writeReport(const QString& path) {
    report::Report rep;
    rep.chip = replay_.shown ? replay_.chip : int(state_.chipIndex.load());
    rep.time = QDateTime::currentDateTime();
    rep.source = qualification_->resultSource();
    const q::Result& r = qualification_->result();
    rep.samples =
        replay_.shown ? qint64(replay_.records.size()) : qint64(session_.samples().size());
    rep.parameters = reportParameters();
    rep.result = r;
    for (int k = 0; k < 3; ++k)
        rep.charts.push_back({state_.text(kChartTitles[k]), pngOf(charts_[k]->renderImage())});
    rep.language = state_.language;
    QString error;
    if (!report::write(rep, path, &error)) {
        prompts_.showWarning(error);
        return false;
    }
    prompts_.showMessage(
        state_.text(Msg::QualReportSaved, qUtf8Printable(QDir::toNativeSeparators(path))));
    return true;
}

void CDebug::onReportClicked() {
    if (!qualification_->hasResult()) {
        prompts_.showWarning(state_.text(Msg::QualReportNothing));
        return;
    }
    const QString dir = QFileInfo(state_.profilePath).absolutePath();
    const QString path =
        prompts_.saveFileName(QDir(dir).filePath(stampedName(QStringLiteral("TouchReport.html"))),
                              QStringLiteral("HTML (*.html)"));
    if (!path.isEmpty())
        writeReport(path);
}

void CDebug::onSavePicture(int chart) {
    const QString dir = QFileInfo(state_.profilePath).absolutePath();
    const QString title = state_.text(kChartTitles[chart]);
    const QString path =
        prompts_.saveFileName(QDir(dir).filePath(stampedName(title + QStringLiteral(".png"))),
                              QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    if (!charts_[chart]->renderImage().save(path, "PNG")) {
        prompts_.showWarning(
            state_.text(Msg::DebugPictureFailed, qUtf8Printable(QDir::toNativeSeparators(path))));
    }
}

}  // namespace tessel
