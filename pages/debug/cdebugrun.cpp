// The debug page during a run: buttons, the session's reports, and the displays the repaint
// timer fills from the queued samples.
#include "app/chipcatalogue.h"
#include "pages/debug/cdebug.h"
#include "pages/debug/cmulticolordraw.h"
#include "pages/debug/debuglamps.h"
#include "pages/debug/debugtablemodel.h"
#include "pages/debug/qualificationpanel.h"
#include "pages/program/cmlistctrl.h"
#include "res/artwork.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include <algorithm>
#include <utility>

namespace tessel {

namespace {
constexpr int kStopDelayMs = 500;
constexpr int kStatisticsEveryTicks = 15;  // twice a second
}  // namespace

QString CDebug::statusText() const {
    return statusLabel_->text();
}
QString CDebug::channelCountText() const {
    return channelCountEdit_->text();
}
QString CDebug::linkText() const {
    return linkLabel_->text();
}
QString CDebug::linkRateText() const {
    return linkRateEdit_->text();
}

void CDebug::setLamp(int lamp) {
    if (lamp_ == lamp)
        return;
    lamp_ = lamp;
    lampLabel_->setPixmap(debuglamps::statusLamp(lamp));
}

void CDebug::stopRun(std::function<void()> then) {
    afterStop_ = std::move(then);
    if (!running()) {
        if (afterStop_)
            std::exchange(afterStop_, {})();
        return;
    }
    if (session_.state() == DebugSession::State::Paused) {
        session_.stop();
        return;
    }
    session_.pause();
    QTimer::singleShot(kStopDelayMs, this, [this] { session_.stop(); });
}

void CDebug::onStartClicked() {
    if (running()) {
        session_.stop();
        return;
    }
    settings_ = settingsFromControls();
    session_.start(settings_);
}

void CDebug::onPauseClicked() {
    if (session_.state() == DebugSession::State::Paused) {
        session_.resume();
    } else {
        session_.pause();
    }
}

void CDebug::refreshControls() {
    const DebugSession::State s = session_.state();
    const bool idle = s == DebugSession::State::Idle;
    const bool paused = s == DebugSession::State::Paused;
    const bool writing = session_.csvBusy();
    startButton_->setText(state_.text(idle ? Msg::DebugStart : Msg::DebugStop));
    const bool boardFree = !session_.programmingHoldsBoard();
    startButton_->setEnabled((idle && boardFree) || paused);
    pauseButton_->setText(state_.text(paused ? Msg::DebugResume : Msg::DebugPause));
    pauseButton_->setEnabled(!idle && !writing);
    for (QLineEdit* e : rangeEdits_)
        e->setEnabled(idle || paused);
    modifyButton_->setEnabled(idle && !modifyLocked_ && boardFree);
    openDataButton_->setEnabled(idle);
}

void CDebug::onStateChanged(DebugSession::State s) {
    refreshControls();
    qualification_->setLive(s == DebugSession::State::Streaming);
    const bool idle = s == DebugSession::State::Idle;
    Q_EMIT runActiveChanged(!idle);
    if (s == DebugSession::State::Streaming) {
        repaintTimer_.start();
        return;
    }
    flushSamples();
    repaintTimer_.stop();
    if (!idle)
        return;
    statusLabel_->setText(state_.text(Msg::DebugFrameOk));
    setLamp(143);
    modifyLocked_ = false;
    refreshControls();
    channelCountEdit_->setText(QStringLiteral("0"));
    linkRateEdit_->setText(QStringLiteral("0"));
    if (afterStop_)
        std::exchange(afterStop_, {})();
}

void CDebug::onStarted() {
    // A live run replaces a replay.
    if (replay_.shown) {
        replay_ = Replay{};
        csvPathLabel_->clear();
    }
    for (CMultiColorDraw* c : charts_) {
        for (int i = 0; i < CMultiColorDraw::kChannels; ++i)
            c->setChannelVisible(i, false);
        c->update();
    }
    refreshControls();
}

void CDebug::onChannelsReady(int count) {
    pending_.clear();
    pendingFlags_ = 0;
    rebuildGrid(count);
    for (CMultiColorDraw* c : charts_) {
        for (int i = 0; i < CMultiColorDraw::kChannels; ++i) {
            c->clearChannel(i);
            c->setChannelVisible(i, i < count);
        }
        c->update();
    }
    channelCountEdit_->setText(QString::number(count));
    linkLabel_->setText(session_.linkText());
    linkRateEdit_->setText(QString::number(session_.linkRate()));
    statsTable_->setRowCount(0);
    statsDirty_ = true;
    refreshStatistics();
    qualification_->setChannels(count);
    qualification_->setTouchSource(qualification::liveSource(session_.chip()));
}

void CDebug::onSample(const SampleRecord& shown) {
    pending_.push_back(shown);
    pendingFlags_ |= shown.keyFlags;
    setLamp(142);
}

void CDebug::onFrameStatus(bool ok) {
    statusLabel_->setText(state_.text(ok ? Msg::DebugFrameOk : Msg::DebugFrameError));
    setLamp(ok ? 142 : 144);
}

void CDebug::flushSamples() {
    if (pending_.empty()) {
        if (statsDirty_ && ++statsTick_ >= kStatisticsEveryTicks)
            refreshStatistics();
        return;
    }
    const int n = session_.channelCount() > 0 ? session_.channelCount() : grid_->columnCount() - 1;
    // Only the points a chart can still show are drawn.
    const std::size_t first = pending_.size() > std::size_t(CMultiColorDraw::kMaxSamples)
                                  ? pending_.size() - CMultiColorDraw::kMaxSamples
                                  : 0;
    for (std::size_t k = first; k < pending_.size(); ++k) {
        const SampleRecord& r = pending_[k];
        for (int i = 0; i < n; ++i) {
            charts_[0]->addSample(i, r.baseline[i]);
            charts_[1]->addSample(i, r.raw[i]);
            charts_[2]->addSample(i, r.differ[i]);
        }
    }
    const SampleRecord& last = pending_.back();
    const bool flags = chipInfo(session_.chip()).keyFlags;
    for (int i = 0; i < n && i + 1 < grid_->columnCount(); ++i) {
        grid_->setItemText(1, i + 1, QString::number(uint32_t(last.baseline[i])));
        grid_->setItemText(2, i + 1, QString::number(uint32_t(last.raw[i])));
        grid_->setItemText(3, i + 1, QString::number(last.differ[i]));
        if (flags)
            grid_->setItemImage(4, i + 1, (pendingFlags_ >> i) & 1u ? 1 : 0);
    }
    pendingFlags_ = 0;
    tableModel_->addSamples(pending_, static_cast<DebugTableModel::Value>(
                                          std::max(0, std::min(settings_.dataType, 2))));
    if (table_->isVisible())
        table_->scrollToBottom();
    pending_.clear();
    statsDirty_ = true;
    if (++statsTick_ >= kStatisticsEveryTicks)
        refreshStatistics();
}

void CDebug::refreshStatistics() {
    statsTick_ = 0;
    statsDirty_ = false;
    const DebugStatistics& st = shownStatistics();
    const int n = st.channels();
    if (statsTable_->rowCount() != n)
        statsTable_->setRowCount(n);
    const int columns = statsTable_->columnCount();
    for (int i = 0; i < n; ++i) {
        const QStringList texts = st.rowTexts(i);
        for (int c = 0; c < columns && c < texts.size(); ++c) {
            QTableWidgetItem* item = statsTable_->item(i, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                statsTable_->setItem(i, c, item);
            }
            item->setText(texts[c]);
        }
        if (QTableWidgetItem* snr = statsTable_->item(i, columns - 1)) {
            snr->setBackground(st.channel(i).good() ? QBrush(QColor(0x90, 0xEE, 0x90)) : QBrush());
        }
    }
}

void CDebug::resetDisplay() {
    flushSamples();
    for (CMultiColorDraw* c : charts_)
        c->update();
}

void CDebug::onChannelsButton() {
    const int n = grid_->columnCount() - 1;
    channelsShown_ = !channelsShown_;
    for (int i = 0; i < n; ++i) {
        grid_->setHeaderImage(i + 1, channelsShown_ ? CMListCtrl::Checked : CMListCtrl::Unchecked);
        for (CMultiColorDraw* c : charts_)
            c->setChannelVisible(i, channelsShown_);
        if (!channelsShown_)
            grid_->setItemImage(4, i + 1, -1);
    }
    pendingFlags_ = 0;
    for (CMultiColorDraw* c : charts_)
        c->update();
    channelsButton_->setText(
        state_.text(channelsShown_ ? Msg::DebugChannelsNone : Msg::DebugChannelsAll));
}

void CDebug::onHeaderToggled(int channel, int image) {
    for (CMultiColorDraw* c : charts_) {
        c->setChannelVisible(channel, image == CMListCtrl::Checked);
        c->update();
    }
}

void CDebug::onRangeEdited() {
    for (int k = 0; k < 3; ++k) {
        bool okLow = false;
        bool okHigh = false;
        const int low = rangeEdits_[2 * k]->text().toInt(&okLow);
        const int high = rangeEdits_[2 * k + 1]->text().toInt(&okHigh);
        if (okLow)
            charts_[k]->setLowerEnd(low);
        if (okHigh)
            charts_[k]->setUpperEnd(high);
        charts_[k]->update();
    }
}

void CDebug::onSaveSettings() {
    settings_ = settingsFromControls();
    settings_.save(profile_);
}

void CDebug::onModify() {
    modifyLocked_ = true;
    modifyButton_->setEnabled(false);
    resultPicture_->setVisible(false);
    session_.writeParameters(profile_);
}

void CDebug::onParametersWritten(bool ok) {
    resultPicture_->setPixmap(ok ? artwork::okPicture() : artwork::ngPicture());
    resultPicture_->setProperty("result", ok ? 183 : 182);
    resultPicture_->setVisible(true);
    if (!ok)
        return;
    modifyLocked_ = false;
    onStartClicked();
}

void CDebug::onCsvStarted(qint64 records) {
    csvProgress_->setRange(0, int(std::min<qint64>(records, 1 << 30)));
    csvProgress_->setValue(0);
    csvProgress_->setVisible(true);
    refreshControls();
}

void CDebug::onCsvProgress(qint64 done, qint64) {
    csvProgress_->setValue(int(std::min<qint64>(done, csvProgress_->maximum())));
}

void CDebug::onCsvFinished(bool ok, const QString& path) {
    csvProgress_->setVisible(false);
    // The file goes to the profile's directory, which the user may not know: say where.
    if (ok) {
        const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        csvPathLabel_->setText(state_.text(Msg::DebugDataSaved, qUtf8Printable(shown)));
        csvPathLabel_->setToolTip(csvPathLabel_->text());
    }
    refreshControls();
}

}  // namespace tessel
