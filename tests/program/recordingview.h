#pragma once

#include "link/programview.h"

#include <QStringList>

#include <array>

namespace tessel::test {

// Records what the sequences show: log lines, controls, progress, result picture.
class RecordingView : public ProgramView {
public:
    QStringList lines;
    std::array<bool, kControlCount> enabled{};
    int progress = -1;  // -1 while hidden
    QList<int> progressSeen;
    Result result = Result::Hidden;
    int finished = 0;
    bool lastSuccess = false;
    QList<Outcome> outcomes;  // every end, in order
    uint32_t readShown = 0;
    int eepromShown = 0;

    RecordingView() { enabled.fill(true); }

    void appendLog(const QString& line) override { lines << line; }
    void setControlEnabled(Control c, bool on) override { enabled[static_cast<int>(c)] = on; }
    void showProgress(int percent) override {
        progress = percent;
        progressSeen << percent;
    }
    void hideProgress() override { progress = -1; }
    void setResult(Result r) override { result = r; }
    void readBufferChanged(uint32_t length) override { readShown = length; }
    void eepromReadBufferChanged() override { ++eepromShown; }
    void operationFinished(const Outcome& outcome) override {
        ++finished;
        lastSuccess = outcome.ok();
        outcomes << outcome;
    }

    bool isEnabled(Control c) const { return enabled[static_cast<int>(c)]; }
};

}  // namespace tessel::test
