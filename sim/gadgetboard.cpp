#include "sim/gadgetboard.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tessel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPayload = kReportSize - 1;  // what travels on the wire: no report ID
constexpr int kPollMs = 100;               // how soon serve() notices stop()
constexpr int kWriteWaitMs = 1000;         // an input report the host does not take is dropped

// "00 xx xx ...": the report ID, then the bytes as received, as --trace writes a report.
void writeTraceLine(std::FILE* trace, const uint8_t* data, int length) {
    static const char digits[] = "0123456789abcdef";
    std::string line = "00";
    line.reserve(size_t(3 * (length + 1)));
    for (int i = 0; i < length; ++i) {
        line += ' ';
        line += digits[data[i] >> 4];
        line += digits[data[i] & 0x0F];
    }
    line += '\n';
    std::fputs(line.c_str(), trace);
    std::fflush(trace);
}

}  // namespace

GadgetBoard::GadgetBoard(int fd, const SimOptions& options, std::FILE* trace)
    : fd_(fd), trace_(trace), board_(options) {
    streamer_ = std::thread(&GadgetBoard::streamLoop, this);
}

GadgetBoard::~GadgetBoard() {
    stopping_ = true;
    kickStream();
    streamer_.join();
}

void GadgetBoard::replug() {
    board_.replug();
    kickStream();
}

GadgetBoard::Counts GadgetBoard::counts() const {
    std::lock_guard<std::mutex> lock(countsMutex_);
    return counts_;
}

bool GadgetBoard::serve() {
    uint8_t buf[512];
    while (!stopping_) {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMs);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            // A gadget whose UDC is being unbound or bound again: try again shortly.
            if (errno == ESHUTDOWN || errno == ENODEV || errno == EIO) {
                ::usleep(50 * 1000);
                continue;
            }
            return false;
        }
        if (n == 0) {
            if (p.revents & POLLHUP)
                return true;  // a socket whose peer went away
            continue;
        }
        received(buf, int(n));
    }
    return true;
}

void GadgetBoard::received(const uint8_t* data, int length) {
    {
        std::lock_guard<std::mutex> lock(countsMutex_);
        ++counts_.reports;
        if (length != kPayload)
            ++counts_.wrongLength;
    }
    if (trace_)
        writeTraceLine(trace_, data, length);
    Report report{};
    std::memcpy(&report[1], data, size_t(std::min(length, kPayload)));
    const bool streamed = board_.streaming();
    const std::vector<Report> answers = board_.handle(report);
    if (board_.streaming() != streamed)
        kickStream();
    for (const Report& a : answers)
        send(a);
}

bool GadgetBoard::send(const Report& report) {
    std::lock_guard<std::mutex> lock(writeMutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteWaitMs);
    for (;;) {
        const ssize_t n = ::write(fd_, &report[1], kPayload);
        if (n == kPayload) {
            std::lock_guard<std::mutex> c(countsMutex_);
            ++counts_.answers;
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (n >= 0 || (errno != EAGAIN && errno != EINTR) || left <= 0 || stopping_) {
            std::lock_guard<std::mutex> c(countsMutex_);
            ++counts_.dropped;
            return false;
        }
        // The previous input report has not been fetched by the host yet.
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, int(std::min<long long>(left, kPollMs)));
    }
}

void GadgetBoard::kickStream() {
    {
        std::lock_guard<std::mutex> lock(streamMutex_);
        kicked_ = true;
    }
    streamCv_.notify_all();
}

// A frame every period while the board streams; asleep otherwise.
void GadgetBoard::streamLoop() {
    auto next = Clock::now();
    std::unique_lock<std::mutex> lock(streamMutex_);
    while (!stopping_) {
        if (!board_.streaming()) {
            streamCv_.wait_for(lock, std::chrono::milliseconds(kPollMs),
                               [this] { return stopping_ || kicked_; });
            kicked_ = false;
            next = Clock::now();
            continue;
        }
        if (streamCv_.wait_until(lock, next, [this] { return stopping_.load(); }))
            break;
        lock.unlock();
        for (const Report& segment : board_.nextFrame())
            send(segment);
        next += std::chrono::milliseconds(board_.framePeriodMs());
        if (next < Clock::now())
            next = Clock::now();
        lock.lock();
    }
}

}  // namespace tessel
