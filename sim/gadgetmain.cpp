// tessel-gadget-board: the simulated board as the firmware side of a USB HID gadget.
//
//   tessel-gadget-board [--simulate=OPTIONS] [--trace FILE] [--gadget DIR] /dev/hidgN
//
// Serves /dev/hidgN until SIGTERM or SIGINT, then prints what it counted on standard output.
// With --gadget (the gadget's configfs folder) the board starts afresh whenever the gadget is
// unbound from its USB controller, as a real board does when its cable is pulled out.
#include "sim/gadgetboard.h"

#include <QString>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

tessel::GadgetBoard* g_board = nullptr;

void onSignal(int) {
    if (g_board)
        g_board->stop();
}

// True while the gadget is bound to a USB controller (its UDC file names one).
bool bound(const std::string& gadgetDir) {
    std::ifstream f(gadgetDir + "/UDC");
    std::string udc;
    std::getline(f, udc);
    return !udc.empty();
}

// Replugs the board each time the gadget goes from bound to unbound, until `stop` is set.
void watchCable(const std::string& gadgetDir, tessel::GadgetBoard& board,
                const std::atomic<bool>& stop) {
    bool was = bound(gadgetDir);
    while (!stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const bool is = bound(gadgetDir);
        if (was && !is)
            board.replug();
        was = is;
    }
}

int usage() {
    std::fputs(
        "Usage: tessel-gadget-board [--simulate=OPTIONS] [--trace FILE] [--gadget DIR]\n"
        "                           /dev/hidgN\n"
        "\n"
        "Serves the simulated programmer board on a USB HID gadget node until SIGTERM or\n"
        "SIGINT, then prints: reports= wrong-length= answers= dropped=\n"
        "  --simulate=OPTIONS  the simulated board's settings, as for tessel --simulate\n"
        "                      (latency and pull-after do nothing here)\n"
        "  --trace FILE        every report received, one line of hex bytes each\n"
        "  --gadget DIR        the gadget's configfs folder: the board starts afresh when\n"
        "                      the gadget is unbound (pulled out)\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QString simText;
    const char* tracePath = nullptr;
    const char* node = nullptr;
    std::string gadgetDir;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--simulate=", 11) == 0) {
            simText = QString::fromLocal8Bit(a + 11);
        } else if (std::strcmp(a, "--simulate") == 0) {
            simText.clear();
        } else if (std::strcmp(a, "--trace") == 0 && i + 1 < argc) {
            tracePath = argv[++i];
        } else if (std::strcmp(a, "--gadget") == 0 && i + 1 < argc) {
            gadgetDir = argv[++i];
        } else if (a[0] != '-' && !node) {
            node = a;
        } else {
            return usage();
        }
    }
    if (!node)
        return usage();
    tessel::SimOptions options;
    QString error;
    if (!tessel::SimOptions::parse(simText, &options, &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    std::FILE* trace = nullptr;
    if (tracePath && !(trace = std::fopen(tracePath, "w"))) {
        std::fprintf(stderr, "cannot write %s: %s\n", tracePath, std::strerror(errno));
        return 1;
    }
    const int fd = ::open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", node, std::strerror(errno));
        return 1;
    }
    int status = 0;
    {
        tessel::GadgetBoard board(fd, options, trace);
        g_board = &board;
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        std::atomic<bool> stopWatching{false};
        std::thread watcher;
        if (!gadgetDir.empty())
            watcher = std::thread(watchCable, gadgetDir, std::ref(board), std::cref(stopWatching));
        if (!board.serve()) {
            std::fprintf(stderr, "reading %s failed: %s\n", node, std::strerror(errno));
            status = 1;
        }
        g_board = nullptr;
        stopWatching = true;
        if (watcher.joinable())
            watcher.join();
        const tessel::GadgetBoard::Counts c = board.counts();
        std::printf("reports=%d wrong-length=%d answers=%d dropped=%d\n", c.reports, c.wrongLength,
                    c.answers, c.dropped);
    }
    ::close(fd);
    if (trace)
        std::fclose(trace);
    return status;
}
