#include "pages/debug/qualificationpanel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tessel {

namespace q = qualification;

const QColor QualificationPanel::kPassColour(0x90, 0xEE, 0x90);
const QColor QualificationPanel::kFailColour(0xF0, 0x80, 0x80);
const QColor QualificationPanel::kMarkColour(0xF6, 0xC3, 0x6B);

namespace {

QTableWidgetItem* cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    }
    return item;
}

}  // namespace

QualificationPanel::QualificationPanel(SharedState& state, QWidget* parent)
    : QWidget(parent), state_(state) {
    build();
    measurement_.start(0);
    applyLanguage();
    refreshButtons();
}

void QualificationPanel::build() {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto addLabel = [&](Msg text) {
        auto* label = new QLabel(this);
        captions_.emplace_back(label, text);
        row->addWidget(label);
    };
    auto addButton = [&](Msg text) {
        auto* button = new QPushButton(this);
        captions_.emplace_back(button, text);
        row->addWidget(button);
        return button;
    };
    addLabel(Msg::QualSamples);
    samplesSpin_ = new QSpinBox(this);
    samplesSpin_->setRange(10, 100000);
    samplesSpin_->setValue(q::kDefaultSamples);
    row->addWidget(samplesSpin_);
    addLabel(Msg::QualMinSnrLabel);
    minSnrSpin_ = new QSpinBox(this);
    minSnrSpin_->setRange(0, 1000);
    minSnrSpin_->setValue(int(q::kDefaultMinSnr));
    row->addWidget(minSnrSpin_);
    noiseButton_ = addButton(Msg::QualNoiseStep);
    addLabel(Msg::QualKey);
    keyCombo_ = new QComboBox(this);
    row->addWidget(keyCombo_);
    signalButton_ = addButton(Msg::QualSignalStep);
    fromDataButton_ = addButton(Msg::QualFromData);
    reportButton_ = addButton(Msg::QualExportReport);
    row->addStretch(1);
    layout->addLayout(row);

    auto* progressRow = new QHBoxLayout;
    prompt_ = new QLabel(this);
    prompt_->setObjectName(QStringLiteral("qualificationPrompt"));
    progress_ = new QProgressBar(this);
    progress_->setRange(0, q::kDefaultSamples);
    progress_->setValue(0);
    progressRow->addWidget(prompt_, 1);
    progressRow->addWidget(progress_, 1);
    layout->addLayout(progressRow);

    auto* tables = new QHBoxLayout;
    resultTable_ = new QTableWidget(0, 6, this);
    resultTable_->setObjectName(QStringLiteral("qualificationTable"));
    couplingTable_ = new QTableWidget(0, 0, this);
    couplingTable_->setObjectName(QStringLiteral("couplingTable"));
    for (QTableWidget* t : {resultTable_, couplingTable_}) {
        t->verticalHeader()->setVisible(t == couplingTable_);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->horizontalHeader()->setDefaultSectionSize(64);
        t->verticalHeader()->setDefaultSectionSize(20);
        tables->addWidget(t, 1);
    }
    resultTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    layout->addLayout(tables, 1);

    connect(noiseButton_, &QPushButton::clicked, this, &QualificationPanel::beginNoise);
    connect(signalButton_, &QPushButton::clicked, this, &QualificationPanel::beginSignal);
    connect(fromDataButton_, &QPushButton::clicked, this,
            &QualificationPanel::computeFromDataRequested);
    connect(reportButton_, &QPushButton::clicked, this, &QualificationPanel::reportRequested);
    connect(minSnrSpin_, qOverload<int>(&QSpinBox::valueChanged), this,
            &QualificationPanel::onMinSnrChanged);
}

void QualificationPanel::setChannels(int channels) {
    channels_ = channels;
    measurement_.start(channels, samplesPerPhase());
    keyCombo_->clear();
    for (int i = 0; i < channels; ++i)
        keyCombo_->addItem(QStringLiteral("Ch%1").arg(i));
    hasResult_ = false;
    fromMeasurement_ = false;
    resultFrom_.clear();
    result_ = q::Result{};
    progress_->setValue(0);
    refreshTables();
    refreshPrompt();
    refreshButtons();
}

void QualificationPanel::setLive(bool live) {
    live_ = live;
    if (!live && measurement_.phase() != q::Measurement::Phase::Idle)
        measurement_.cancelPhase();  // the stream stopped: the phase cannot finish
    refreshPrompt();
    refreshButtons();
}

void QualificationPanel::beginNoise() {
    if (!live_ || channels_ == 0)
        return;
    // A new noise measurement starts the whole measurement again, with the count chosen now.
    measurement_.start(channels_, samplesPerPhase());
    measurement_.beginNoise();
    progress_->setRange(0, measurement_.samplesPerPhase());
    progress_->setValue(0);
    refreshPrompt();
    refreshButtons();
}

void QualificationPanel::beginSignal() {
    if (!live_ || !measurement_.noiseDone() || keyCombo_->currentIndex() < 0)
        return;
    measurement_.beginSignal(keyCombo_->currentIndex());
    progress_->setValue(0);
    refreshPrompt();
    refreshButtons();
}

void QualificationPanel::addSample(const SampleRecord& saved, uint32_t zeroed) {
    if (measurement_.phase() == q::Measurement::Phase::Idle)
        return;
    if (source_ == q::TouchSource::KeyFlags) {
        const uint32_t flagged = q::touchedChannels(saved, channels_, source_);
        const uint32_t wanted =
            measurement_.phase() == q::Measurement::Phase::Noise ? 0u : 1u << measurement_.key();
        if (flagged != wanted)
            return;
    }
    const bool done = measurement_.add(saved, zeroed);
    progress_->setValue(done ? measurement_.samplesPerPhase() : measurement_.samplesIn());
    if (!done) {
        refreshPrompt();
        return;
    }
    result_ = measurement_.result(minSnr());
    hasResult_ = true;
    fromMeasurement_ = true;
    resultFrom_ = state_.text(Msg::QualReportGuided);
    // The next key is offered for its signal.
    const int key = keyCombo_->currentIndex();
    if (measurement_.key() >= 0 && measurement_.key() == key && key + 1 < keyCombo_->count())
        keyCombo_->setCurrentIndex(key + 1);
    refreshTables();
    refreshPrompt();
    refreshButtons();
}

void QualificationPanel::showResult(const q::Result& result, const QString& source) {
    result_ = result;
    hasResult_ = true;
    fromMeasurement_ = false;
    resultFrom_ = source;
    refreshTables();
}

int QualificationPanel::minSnr() const {
    return minSnrSpin_->value();
}

void QualificationPanel::setMinSnr(int minSnr) {
    minSnrSpin_->setValue(minSnr);
}

int QualificationPanel::samplesPerPhase() const {
    return samplesSpin_->value();
}

void QualificationPanel::onMinSnrChanged(int value) {
    // The same figures judged against the new minimum.
    for (q::ChannelQuality& c : result_.channel)
        c.pass = !std::isnan(c.snr) && c.snr >= value;
    result_.minSnr = value;
    refreshTables();
    Q_EMIT minSnrChanged(value);
}

void QualificationPanel::refreshButtons() {
    // A phase that cannot finish (the key is not held) is left by starting another: the
    // noise again (a new measurement) or the signal of a key.
    const bool measuring = measurement_.phase() != q::Measurement::Phase::Idle;
    noiseButton_->setEnabled(live_ && channels_ > 0);
    signalButton_->setEnabled(live_ && measurement_.noiseDone());
    samplesSpin_->setEnabled(!measuring);
}

void QualificationPanel::refreshPrompt() {
    if (measurement_.phase() != q::Measurement::Phase::Idle) {
        prompt_->setText(q::phasePrompt(measurement_, state_.language));
    } else if (!live_ && !measurement_.noiseDone()) {
        prompt_->setText(state_.text(Msg::QualNeedsRun));
    } else if (measurement_.noiseDone()) {
        prompt_->setText(state_.text(Msg::QualPhaseDone));
    } else {
        prompt_->setText(state_.text(Msg::QualReady));
    }
}

void QualificationPanel::refreshTables() {
    const int n = hasResult_ ? result_.channels : 0;
    resultTable_->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        const QStringList texts = q::rowTexts(result_, i, state_.language);
        for (int c = 0; c < texts.size() && c < resultTable_->columnCount(); ++c)
            cell(resultTable_, i, c)->setText(texts[c]);
        cell(resultTable_, i, 5)
            ->setBackground(result_.channel[i].pass ? kPassColour : kFailColour);
    }
    couplingTable_->setRowCount(n);
    couplingTable_->setColumnCount(n);
    QStringList names;
    for (int j = 0; j < n; ++j)
        names << QStringLiteral("Ch%1").arg(j);
    couplingTable_->setHorizontalHeaderLabels(names);
    couplingTable_->setVerticalHeaderLabels(names);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            bool marked = false;
            QTableWidgetItem* item = cell(couplingTable_, i, j);
            item->setText(q::couplingText(result_.coupling[i][j], &marked));
            item->setBackground(marked ? QBrush(kMarkColour) : QBrush());
            item->setData(Qt::UserRole, marked);
        }
    }
}

void QualificationPanel::applyLanguage() {
    for (const auto& [widget, text] : captions_) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(state_.text(text));
        else if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(state_.text(text));
    }
    resultTable_->setHorizontalHeaderLabels(q::columnTitles(state_.language));
    refreshTables();
    refreshPrompt();
}

}  // namespace tessel
