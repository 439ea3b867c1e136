// tessel-gadget-board: the simulated board as the firmware side of a USB HID gadget.
//
//   tessel-gadget-board [--simulate=OPTIONS] [--trace FILE] /dev/hidgN
//
// Serves /dev/hidgN until SIGTERM or SIGINT, then prints what it counted on standard output.
#include "sim/gadgetboard.h"

#include <QString>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

tessel::GadgetBoard* g_board = nullptr;

void onSignal(int) {
    if (g_board)
        g_board->stop();
}

int usage() {
    std::fputs(
        "Usage: tessel-gadget-board [--simulate=OPTIONS] [--trace FILE] /dev/hidgN\n"
        "\n"
        "Serves the simulated programmer board on a USB HID gadget node until SIGTERM or\n"
        "SIGINT, then prints: reports= wrong-length= answers= dropped=\n"
        "  --simulate=OPTIONS  the simulated board's settings, as for tessel --simulate\n"
        "                      (latency and pull-after do nothing here)\n"
        "  --trace FILE        every report received, one line of hex bytes each\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QString simText;
    const char* tracePath = nullptr;
    const char* node = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--simulate=", 11) == 0) {
            simText = QString::fromLocal8Bit(a + 11);
        } else if (std::strcmp(a, "--simulate") == 0) {
            simText.clear();
        } else if (std::strcmp(a, "--trace") == 0 && i + 1 < argc) {
            tracePath = argv[++i];
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
        if (!board.serve()) {
            std::fprintf(stderr, "reading %s failed: %s\n", node, std::strerror(errno));
            status = 1;
        }
        g_board = nullptr;
        const tessel::GadgetBoard::Counts c = board.counts();
        std::printf("reports=%d wrong-length=%d answers=%d dropped=%d\n", c.reports, c.wrongLength,
                    c.answers, c.dropped);
    }
    ::close(fd);
    if (trace)
        std::fclose(trace);
    return status;
}
