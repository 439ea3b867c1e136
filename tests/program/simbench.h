#pragma once

#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/sequencer.h"
#include "recordingview.h"
#include "sim/simboard.h"

#include <QCoreApplication>

#include <memory>

namespace tessel::test {

// The operation sequences wired to a simulated board the way the programming page wires them,
// with short time-outs; the board is connected and its trace cleared.
struct SimBench {
    std::unique_ptr<SimBackend> backend;
    std::unique_ptr<CMUSBHid> transport;
    std::unique_ptr<ImageState> image = std::make_unique<ImageState>();
    std::unique_ptr<RecordingView> view = std::make_unique<RecordingView>();
    std::unique_ptr<OperationSequencer> seq;

    // The board answers at once unless the test asks for the link's frame timing.
    SimBench(SharedState& state, SimOptions options, ConfigSource* config = nullptr,
             Prompts* prompts = nullptr, bool linkTiming = false) {
        if (!linkTiming)
            options.latencyMs = 0;
        backend = std::make_unique<SimBackend>(options);
        transport = std::make_unique<CMUSBHid>(state, *backend);
        transport->setAnswerTimeoutMs(100);
        seq = std::make_unique<OperationSequencer>(state, *transport, *image, *view);
        seq->setReplyTimeoutMs(400);
        seq->setConfigSource(config);
        seq->setPrompts(prompts);
        QObject::connect(transport.get(), &CMUSBHid::linkNotification, seq.get(),
                         &OperationSequencer::handle);
        QObject::connect(transport.get(), &CMUSBHid::disconnected, seq.get(),
                         &OperationSequencer::onDisconnected);
        transport->open();
        QCoreApplication::processEvents();
        seq->refreshControls();
        backend->board().clearTrace();
    }

    ~SimBench() {
        seq.reset();
        transport.reset();
    }

    bool connected() const { return transport->isConnected(); }
    std::vector<Report> trace() const { return backend->board().trace(); }
};

}  // namespace tessel::test
