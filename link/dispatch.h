#pragma once

#include "link/debugframe.h"
#include "link/notifications.h"
#include "link/report.h"

#include <QString>

namespace tessel {

// Where one input report goes.
struct Routing {
    enum class Target { Drop, FlashWrite, FlashRead, EepromWrite, EepromRead, Link, Debug };
    Target target = Target::Drop;
    LinkCode link = LinkCode::NoDevice;
    DebugCode debug = DebugCode::Started;
    DebugSample sample;
    // Debug frames the reassembly gave up on while taking this report (reported before it).
    int ignoredFrames = 0;
};

// The receive dispatch: while a bulk read runs every report belongs to it; otherwise the
// reply code decides. Runs on the reader thread; keeps the debug-frame reassembly state.
class ReceiveDispatch {
public:
    Routing route(const Report& reply, int transferMode, int chipIndex, int debugChannels);
    void resetDebugFrames() { frames_.reset(); }

    // The version reply formatted with "%c%d.%d.%d.%d%c" from bytes 2 to 7.
    static QString formatVersion(const Report& reply);
    // Only "V1.0.1.1a" (0x56 1 0 1 1 0x61) is accepted.
    static bool versionAccepted(const Report& reply);

private:
    // The replies of the debugging commands (and anything unknown, which is dropped).
    void routeDebug(const Report& reply, int chipIndex, int debugChannels, Routing& out);

    DebugFrameAssembler frames_;
};

}  // namespace tessel
