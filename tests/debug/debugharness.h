#pragma once

#include "debug/debugsession.h"
#include "link/cmusbhid.h"
#include "sim/simboard.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimeZone>

#include <initializer_list>
#include <memory>

namespace tessel::test {

// A debug session on the simulated board. With `silent` the board records what it receives
// but answers nothing, and the test plays the board's replies itself.
struct DebugHarness {
    SharedState state;
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    std::unique_ptr<SimBackend> backend;
    std::unique_ptr<CMUSBHid> transport;
    std::unique_ptr<DebugSession> session;

    DebugHarness(int chip, SimOptions options, bool silent = false) {
        state.chipIndex = uint32_t(chip);
        state.profilePath = dir.filePath(QStringLiteral("Parameters.ini"));
        options.latencyMs = 0;
        if (silent)
            options.silentAfter = 1;
        backend = std::make_unique<SimBackend>(options);
        transport = std::make_unique<CMUSBHid>(state, *backend);
        session = std::make_unique<DebugSession>(state, *transport, prompts);
        session->setCsvDirectory(dir.path());
        session->setClock(
            [] { return QDateTime(QDate(2019, 8, 20), QTime(1, 5, 7), QTimeZone::utc()); });
        transport->open();
        QCoreApplication::processEvents();
        backend->board().clearTrace();
    }

    ~DebugHarness() {
        session.reset();
        transport.reset();
    }

    // A reply as the transport hands it on.
    void reply(DebugCode code, std::initializer_list<int> bytes) {
        DebugNotification n;
        n.code = code;
        int i = 0;
        for (int b : bytes)
            n.report[i++] = uint8_t(b);
        session->handle(n);
    }
    // Plays start, supply accepted and the target's channel count.
    void playStartup(int channels) {
        reply(DebugCode::Started, {0, 0xB0});
        reply(DebugCode::SupplyReply, {0, 0xB1, 1, 1});
        reply(DebugCode::StartupContinued, {0, 0xB2, 1, channels, 0x25, 0x80});
    }
    void sample(std::initializer_list<int> raw, std::initializer_list<int> baseline,
                uint32_t flags = 0) {
        DebugNotification n;
        n.code = DebugCode::Sample;
        int i = 0;
        for (int v : raw)
            n.sample.raw[i++] = uint16_t(v);
        i = 0;
        for (int v : baseline)
            n.sample.baseline[i++] = uint16_t(v);
        n.sample.keyFlags = flags;
        session->handle(n);
    }

    // The command codes and first payload bytes the board received, "B0 05 01" a line.
    QStringList commands(int bytes = 2) const {
        QStringList out;
        for (const Report& r : backend->board().trace()) {
            QString line = QStringLiteral("%1").arg(r[1], 2, 16, QLatin1Char('0')).toUpper();
            for (int k = 0; k < bytes && (r[1] == 0xB0 || r[1] == 0xB1 || r[1] == 0xB3); ++k) {
                if (r[1] != 0xB0 && k > 0)
                    break;
                line += QStringLiteral(" %1").arg(r[2 + k], 2, 16, QLatin1Char('0')).toUpper();
            }
            out << line;
        }
        return out;
    }
};

}  // namespace tessel::test
