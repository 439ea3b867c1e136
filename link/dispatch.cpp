#include "link/dispatch.h"

#include "link/commandcode.h"

#include <optional>

namespace tessel {
namespace {

using C = CommandCode;

// The notification a reply of the programming commands raises.
std::optional<LinkCode> linkCodeOf(CommandCode code) {
    switch (code) {
        case C::SelectChip:
            return LinkCode::ChipSelected;
        case C::EnterProgramming:
            return LinkCode::ProgrammingEntered;
        case C::ReadConfig:
        case C::WriteConfig:
            return LinkCode::ConfigReadBack;
        case C::EraseMainBlock:
            return LinkCode::MainBlockErased;
        case C::WriteWord0:
            return LinkCode::Cfg0Written;
        case C::LeaveProgramming:
            return LinkCode::ProgrammingLeft;
        case C::EraseInfoBlock:
            return LinkCode::InfoBlockErased;
        case C::Supply3V:
            return LinkCode::Supply3V;
        case C::Supply5V:
            return LinkCode::Supply5V;
        case C::SupplyOff:
            return LinkCode::SupplyOff;
        case C::WriteTrim:
            return LinkCode::TrimWritten;
        case C::EraseEeprom:
            return LinkCode::EepromErased;
        default:
            return std::nullopt;
    }
}

}  // namespace

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
    const auto code = static_cast<CommandCode>(reply[1]);
    if (const std::optional<LinkCode> link = linkCodeOf(code)) {
        out.target = T::Link;
        out.link = *link;
        return out;
    }
    switch (code) {
        case C::BoardVersion:
            out.target = T::Link;
            out.link =
                versionAccepted(reply) ? LinkCode::VersionAccepted : LinkCode::VersionRefused;
            break;
        case C::FlashWrite:
            out.target = T::FlashWrite;
            break;
        case C::EepromWrite:
            out.target = T::EepromWrite;
            break;
        default:
            routeDebug(reply, chipIndex, debugChannels, out);
            break;
    }
    return out;
}

void ReceiveDispatch::routeDebug(const Report& reply, int chipIndex, int debugChannels,
                                 Routing& out) {
    auto debug = [&out](DebugCode c) {
        out.target = Routing::Target::Debug;
        out.debug = c;
    };
    switch (static_cast<CommandCode>(reply[1])) {
        case C::StartDebugging:
            frames_.reset();  // a new debug run: no half frame of the last one survives
            debug(DebugCode::Started);
            break;
        case C::DebugSupply:
            debug(DebugCode::SupplyReply);
            break;
        case C::ContinueDebugStartup:
            debug(DebugCode::StartupContinued);
            break;
        case C::DebugData:
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
        case C::WriteDebugParameters:
            debug(DebugCode::ParametersWritten);
            break;
        default:
            break;  // unknown replies are dropped
    }
}

}  // namespace tessel
