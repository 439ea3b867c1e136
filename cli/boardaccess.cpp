#include "cli/boardaccess.h"

#include "cli/result.h"
#include "link/connection.h"
#include "link/hid/hidapibackend.h"
#include "link/report.h"
#include "sim/simboards.h"

#include <QFile>

namespace tessel::cli {

const std::vector<OptionSpec> kBoardOptions = {
    {"--chip", OptionSpec::Value},
    {"--lang", OptionSpec::Value},
    {"--simulate", OptionSpec::OptionalValue},
    {"--trace", OptionSpec::Value},
    {"--device", OptionSpec::Value},
    {"--profile", OptionSpec::Value},
    {"--json", OptionSpec::Flag},
    {"--log", OptionSpec::Value},
    {"--no-log", OptionSpec::Flag},
};

bool parseBoardOptions(const Arguments& args, BoardOptions* out, QString* error) {
    out->simulate = args.has(QStringLiteral("--simulate"));
    if (out->simulate &&
        !SimOptions::parse(args.value(QStringLiteral("--simulate")), &out->sim, error)) {
        return false;
    }
    out->device = args.value(QStringLiteral("--device"));
    if (args.has(QStringLiteral("--device")) && out->device.isEmpty()) {
        *error = QStringLiteral("--device needs a device path or serial number");
        return false;
    }
    if (args.has(QStringLiteral("--log")) && args.value(QStringLiteral("--log")).isEmpty()) {
        *error = cliText(Msg::CliLogEmpty);
        return false;
    }
    out->logFile = args.value(QStringLiteral("--log"));  // else the profile's, once known
    out->all = args.has(QStringLiteral("--all"));
    if (out->all && args.has(QStringLiteral("--device"))) {
        *error = cliText(Msg::CliAllWithDevice);
        return false;
    }
    if (out->all && args.has(QStringLiteral("--trace"))) {
        *error = cliText(Msg::CliAllWithTrace);
        return false;
    }
    out->traceFile = args.value(QStringLiteral("--trace"));
    if (!out->traceFile.isEmpty() && !out->simulate) {
        *error = QStringLiteral("--trace records the simulated board; add --simulate");
        return false;
    }
    return true;
}

QString describeBoard(const HidDeviceInfo& info) {
    if (info.serialNumber.isEmpty())
        return info.path;
    return QStringLiteral("%1 (serial %2)").arg(info.path, info.serialNumber);
}

QList<BoardEntry> findBoards(HidBackend& backend, bool probe, bool english) {
    QList<BoardEntry> out;
    for (const HidDeviceInfo& info : backend.enumerate()) {
        if (info.vendorId != kBoardVendorId || info.productId != kBoardProductId)
            continue;
        BoardEntry e;
        e.info = info;
        e.usable = info.releaseNumber == kBoardReleaseNumber;
        if (!e.usable) {
            e.problem = QStringLiteral("release 0x%1 is not the board's 0x0200")
                            .arg(info.releaseNumber, 4, 16, QLatin1Char('0'));
        } else if (probe) {
            OpenResult r = OpenResult::Failed;
            e.openable = backend.open(info.path, &r) != nullptr;
            if (r == OpenResult::PermissionDenied) {
                e.problem = boardAccessHint(english);
            } else if (r == OpenResult::Busy) {
                e.busy = true;
                e.problem = boardBusyMessage(backend.holderOf(info.path), english);
            } else if (!e.openable) {
                e.problem = QStringLiteral("it cannot be opened (it may have gone away)");
            }
        }
        out << e;
    }
    return out;
}

// The bus as the transport sees it: the chosen board and nothing else.
class BoardAccess::OneBoard : public HidBackend {
public:
    OneBoard(HidBackend& bus, QString path) : bus_(bus), path_(std::move(path)) {}
    QList<HidDeviceInfo> enumerate() override {
        QList<HidDeviceInfo> out;
        for (const HidDeviceInfo& info : bus_.enumerate()) {
            if (info.path == path_)
                out << info;
        }
        return out;
    }
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override {
        if (path != path_) {
            *result = OpenResult::NotFound;
            return nullptr;
        }
        return bus_.open(path, result);
    }
    qint64 holderOf(const QString& path) override { return bus_.holderOf(path); }
    HotplugWatcher* createWatcher(QObject* parent) override { return bus_.createWatcher(parent); }

private:
    HidBackend& bus_;
    QString path_;
};

BoardAccess::BoardAccess() = default;
BoardAccess::~BoardAccess() = default;

HidBackend& BoardAccess::bus(const BoardOptions& options) {
    if (!bus_) {
        if (options.simulate) {
            auto set = std::make_unique<SimBoardSet>(options.sim);
            sim_ = set.get();
            bus_ = std::move(set);
        } else {
            bus_ = std::make_unique<HidapiBackend>();
        }
    }
    return *bus_;
}

bool BoardAccess::select(const BoardOptions& options, CommandResult& result, bool english) {
    QList<BoardEntry> usable;
    QStringList names;
    for (const BoardEntry& e : findBoards(bus(options), false, english)) {
        if (!e.usable)
            continue;
        usable << e;
        names << describeBoard(e.info);
    }
    const BoardEntry* chosen = nullptr;
    if (!options.device.isEmpty()) {
        for (const BoardEntry& e : usable) {
            if (e.info.path == options.device ||
                (!e.info.serialNumber.isEmpty() &&
                 e.info.serialNumber.compare(options.device, Qt::CaseInsensitive) == 0)) {
                chosen = &e;
                break;
            }
        }
        if (!chosen) {
            const QString present = names.isEmpty()
                                        ? cliText(Msg::CliNoBoardConnected)
                                        : cliText(Msg::CliBoardsPresent,
                                                  qUtf8Printable(names.join(QStringLiteral(", "))));
            result.refuse(Reason::DeviceNotFound,
                          cliText(Msg::CliDeviceNotFound, qUtf8Printable(options.device),
                                  qUtf8Printable(present)));
            return false;
        }
    } else if (usable.isEmpty()) {
        result.refuse(Reason::NoBoard, cliText(Msg::CliNoBoardConnected));
        return false;
    } else if (usable.size() > 1) {
        result.refuse(Reason::SeveralBoards,
                      cliText(Msg::CliSeveralBoards, int(usable.size()),
                              qUtf8Printable(names.join(QStringLiteral(", ")))));
        return false;
    } else {
        chosen = &usable.first();
    }
    path_ = chosen->info.path;
    result.device = path_;
    result.serial = chosen->info.serialNumber;
    one_ = std::make_unique<OneBoard>(*bus_, path_);
    return true;
}

bool BoardAccess::selectAll(const BoardOptions& options, CommandResult& result, bool english) {
    all_.clear();
    for (const BoardEntry& e : findBoards(bus(options), false, english)) {
        if (e.usable)
            all_.emplace_back(e.info, std::make_unique<OneBoard>(*bus_, e.info.path));
    }
    if (all_.empty()) {
        result.refuse(Reason::NoBoard, cliText(Msg::CliNoBoardConnected));
        return false;
    }
    return true;
}

const HidDeviceInfo& BoardAccess::boardInfo(int index) const {
    return all_[size_t(index)].first;
}

HidBackend& BoardAccess::backendAt(int index) {
    return *all_[size_t(index)].second;
}

HidBackend& BoardAccess::backend() {
    return *one_;
}

SimBoard* BoardAccess::simBoard() {
    return sim_ ? sim_->boardAt(path_) : nullptr;
}

bool BoardAccess::writeTrace(const QString& path) {
    SimBoard* board = simBoard();
    QFile f(path);
    if (!board || !f.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    for (const Report& r : board->trace())
        f.write((reportToHex(r) + QLatin1Char('\n')).toLatin1());
    return true;
}

}  // namespace tessel::cli
