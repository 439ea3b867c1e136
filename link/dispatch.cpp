#include "link/dispatch.h"

namespace tessel {

QString ReceiveDispatch::formatVersion(const Report& r) {
    return QString::asprintf("%c%d.%d.%d.%d%c", r[2], r[3], r[4], r[5], r[6], r[7]);
}

bool ReceiveDispatch::versionAccepted(const Report& r) {
    return r[2] == 0x56 && r[3] == 1 && r[4] == 0 && r[5] == 1 && r[6] == 1 && r[7] == 0x61;
}

Routing ReceiveDispatch::route(const Report& reply, int transferMode, int chipIndex,
                               int debugChannels) {
    Routing out;
    using T = Routing::Target;
    if (transferMode == 1) {
        out.target = T::FlashRead;
        return out;
    }
    if (transferMode == 2) {
        out.target = T::EepromRead;
        return out;
    }
    auto link = [&out](LinkCode c) {
        out.target = T::Link;
        out.link = c;
    };
    auto debug = [&out](DebugCode c) {
        out.target = T::Debug;
        out.debug = c;
    };
    switch (reply[1]) {
        case 0x7F:
            link(versionAccepted(reply) ? LinkCode::VersionAccepted : LinkCode::VersionRefused);
            break;
        case 0x80:
            link(LinkCode::ChipSelected);
            break;
        case 0x81:
            link(LinkCode::ProgrammingEntered);
            break;
        case 0x82:
        case 0x89:
            link(LinkCode::ConfigReadBack);
            break;
        case 0x83:
            link(LinkCode::MainBlockErased);
            break;
        case 0x84:
            link(LinkCode::Cfg0Written);
            break;
        case 0x85:
            out.target = T::FlashWrite;
            break;
        case 0x87:
            link(LinkCode::ProgrammingLeft);
            break;
        case 0x88:
            link(LinkCode::InfoBlockErased);
            break;
        case 0x8A:
            link(LinkCode::Supply3V);
            break;
        case 0x8B:
            link(LinkCode::Supply5V);
            break;
        case 0x8C:
            link(LinkCode::SupplyOff);
            break;
        case 0x8D:
            link(LinkCode::TrimWritten);
            break;
        case 0x8E:
            link(LinkCode::EepromErased);
            break;
        case 0x8F:
            out.target = T::EepromWrite;
            break;
        case 0xB0:
            frames_.reset();  // a new debug run: no half frame of the last one survives
            debug(DebugCode::Started);
            break;
        case 0xB1:
            debug(DebugCode::SupplyReply);
            break;
        case 0xB2:
            debug(DebugCode::StartupContinued);
            break;
        case 0xB3:
            switch (frames_.feed(reply, chipIndex, debugChannels, &out.sample)) {
                case DebugFrameAssembler::Outcome::Accepted:
                    debug(DebugCode::Sample);
                    break;
                case DebugFrameAssembler::Outcome::Malformed:
                    debug(DebugCode::MalformedFrame);
                    break;
                case DebugFrameAssembler::Outcome::None:
                    break;
            }
            out.ignoredFrames = frames_.takeIgnored();
            break;
        case 0xB6:
            debug(DebugCode::ParametersWritten);
            break;
        default:
            break;  // unknown replies are dropped
    }
    return out;
}

}  // namespace tessel
