#include "pages/debug/cdebug.h"

#include "link/cmusbhid.h"

namespace tessel {

CDebug::CDebug(SharedState& state, CMUSBHid& transport, QWidget* parent)
    : QWidget(parent), state_(state), transport_(transport) {}

void CDebug::stopRun() {
    // Stop debugging (0xB5).
    transport_.send(makeReport(0xB5));
    running_ = false;
}

void CDebug::adaptToChip() {}

}  // namespace tessel
