#pragma once

#include "sim/simboard.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace tessel {

// The simulated board behind a USB HID gadget: it serves the firmware side of a board made by
// the kernel's HID gadget function (/dev/hidgN), so that the program reaches it through a real
// USB stack (hidraw, usbhid, udev). Each read of the descriptor is one output report of the
// program: 64 bytes, without the report ID, which the host's HID driver takes off. Each answer
// and debug frame segment of the board is written as one 64-byte input report.
//
// The board's behaviour and faults are those of SimBoard (the same options as --simulate);
// the timing is the real link's, so the latency option does nothing here, and pull-after
// cannot pull a gadget out (unbinding its UDC does).
class GadgetBoard {
public:
    struct Counts {
        int reports = 0;      // reports received
        int wrongLength = 0;  // of these, reports that were not 64 bytes long
        int answers = 0;      // input reports written (answers and debug frame segments)
        int dropped = 0;      // input reports the host did not take within a second
    };

    // fd: a descriptor that keeps report boundaries (/dev/hidgN, a SOCK_SEQPACKET socket),
    // opened non-blocking. trace: where every report received goes as one line of hex bytes,
    // the report ID 00 first (65 bytes for a whole report, as --trace writes them); may be null.
    GadgetBoard(int fd, const SimOptions& options, std::FILE* trace);
    ~GadgetBoard();

    // Serves reports until stop() or the peer closes the descriptor (a socket). Returns
    // false when reading failed for good.
    bool serve();
    // Asks serve() to return (within 100 ms); safe from a signal handler.
    void stop() { stopping_ = true; }

    // The cable was pulled out: the board starts afresh (no programming mode, no stream,
    // fault counters from 1), as after a power cycle.
    void replug();

    Counts counts() const;
    SimBoard& board() { return board_; }

private:
    void received(const uint8_t* data, int length);
    bool send(const Report& report);
    void streamLoop();
    void kickStream();

    const int fd_;
    std::FILE* trace_;
    SimBoard board_;
    std::atomic<bool> stopping_{false};

    mutable std::mutex countsMutex_;
    Counts counts_;

    std::mutex writeMutex_;  // one input report at a time: answers and the debug stream
    std::mutex streamMutex_;
    std::condition_variable streamCv_;
    bool kicked_ = false;
    std::thread streamer_;
};

}  // namespace tessel
