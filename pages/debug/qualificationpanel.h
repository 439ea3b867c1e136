#pragma once

#include "app/sharedstate.h"
#include "debug/qualification.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace tessel {

// The touch qualification tab of the debug page: the guided measurement ("采集噪声" with
// hands off, then "采集信号" per key, N samples each), the result table per channel (noise,
// signal, SNR, sensitivity, PASS in green / FAIL in red against the minimum SNR) and the
// coupling matrix (rows: the touched key, columns: the channels; cells over 20 % marked).
// The page feeds it every saved sample of the run; it can also show the figures of recorded
// data ("由数据计算", a replayed file).
class QualificationPanel : public QWidget {
    Q_OBJECT
public:
    static const QColor kPassColour;
    static const QColor kFailColour;
    static const QColor kMarkColour;

    explicit QualificationPanel(SharedState& state, QWidget* parent = nullptr);

    // The run streams `channels` channels (or a file holds them): the measurement starts
    // afresh.
    void setChannels(int channels);
    int channels() const { return channels_; }
    // Whether samples come in (the acquire buttons work only then).
    void setLive(bool live);
    // Where the data say whether a key is touched. With key flags a phase takes only the
    // samples that agree with it: "采集噪声" those with no key flagged, "采集信号" those with
    // the key alone flagged (a hand that strays is not measured). With the Differ level the
    // phase alone decides.
    void setTouchSource(qualification::TouchSource source) { source_ = source; }
    // A saved sample of the run and the channels the outlier filter zeroed in it.
    void addSample(const SampleRecord& saved, uint32_t zeroed);
    // The figures of recorded data; `source` says where they came from.
    void showResult(const qualification::Result& result, const QString& source);

    bool hasResult() const { return hasResult_; }
    const qualification::Result& result() const { return result_; }
    QString resultSource() const { return resultFrom_; }
    const qualification::Measurement& measurement() const { return measurement_; }
    int minSnr() const;
    void setMinSnr(int minSnr);
    int samplesPerPhase() const;

    void applyLanguage();

    QPushButton& noiseButton() { return *noiseButton_; }
    QPushButton& signalButton() { return *signalButton_; }
    QPushButton& fromDataButton() { return *fromDataButton_; }
    QPushButton& reportButton() { return *reportButton_; }
    QComboBox& keyCombo() { return *keyCombo_; }
    QSpinBox& samplesSpin() { return *samplesSpin_; }
    QSpinBox& minSnrSpin() { return *minSnrSpin_; }
    QLabel& promptLabel() { return *prompt_; }
    QProgressBar& progress() { return *progress_; }
    QTableWidget& resultTable() { return *resultTable_; }
    QTableWidget& couplingTable() { return *couplingTable_; }

Q_SIGNALS:
    void computeFromDataRequested();
    void reportRequested();
    void minSnrChanged(int minSnr);

private:
    void build();
    void beginNoise();
    void beginSignal();
    void refreshButtons();
    void refreshPrompt();
    void refreshTables();
    void onMinSnrChanged(int value);

    SharedState& state_;
    int channels_ = 0;
    bool live_ = false;
    qualification::Measurement measurement_;
    qualification::Result result_;
    bool hasResult_ = false;
    bool fromMeasurement_ = false;
    QString resultFrom_;
    qualification::TouchSource source_ = qualification::TouchSource::DifferLevel;
    std::vector<std::pair<QWidget*, Msg>> captions_;

    QPushButton* noiseButton_ = nullptr;
    QPushButton* signalButton_ = nullptr;
    QPushButton* fromDataButton_ = nullptr;
    QPushButton* reportButton_ = nullptr;
    QComboBox* keyCombo_ = nullptr;
    QSpinBox* samplesSpin_ = nullptr;
    QSpinBox* minSnrSpin_ = nullptr;
    QLabel* prompt_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTableWidget* resultTable_ = nullptr;
    QTableWidget* couplingTable_ = nullptr;
};

}  // namespace tessel
