// Receive dispatch with debug-frame reassembly: a stream of replies under changing transfer
// modes never routes a bulk read elsewhere, and a sample always holds exactly the channels
// that were asked for, taken from a frame whose layout fits them.
#include "fuzzcheck.h"
#include "link/dispatch.h"

using namespace tessel;

// Input: chip, channel count, then records of one control byte and 64 report bytes. The
// control byte's low two bits give the transfer mode (3 counts as 0); bit 2 switches to the
// next chip.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    int chip = data[0] % 14;
    const int channels = data[1];
    ReceiveDispatch dispatch;
    using T = Routing::Target;
    for (size_t at = 2; at + 65 <= size; at += 65) {
        const uint8_t control = data[at];
        if (control & 4)
            chip = (chip + 1) % 14;
        const int mode = (control & 3) == 3 ? 0 : control & 3;
        Report reply{};
        for (int i = 1; i <= 64; ++i)
            reply[i] = data[at + size_t(i)];
        const Routing r = dispatch.route(reply, mode, chip, channels);
        if (mode == 1) {
            FUZZ_CHECK(r.target == T::FlashRead);
            continue;
        }
        if (mode == 2) {
            FUZZ_CHECK(r.target == T::EepromRead);
            continue;
        }
        if (reply[1] == 0x85)
            FUZZ_CHECK(r.target == T::FlashWrite);
        if (reply[1] == 0x8F)
            FUZZ_CHECK(r.target == T::EepromWrite);
        if (r.target != T::Debug || r.debug != DebugCode::Sample)
            continue;
        FUZZ_CHECK(reply[1] == 0xB3);
        FUZZ_CHECK(channels <= kMaxDebugChannels);
        FUZZ_CHECK(r.sample.channelCount == channels);
        for (int i = channels; i < kMaxDebugChannels; ++i)
            FUZZ_CHECK(r.sample.raw[size_t(i)] == 0 && r.sample.baseline[size_t(i)] == 0);
        const int length = reply[3] << 8 | reply[4];
        FUZZ_CHECK(length >= DebugFrameAssembler::layoutLength(chip, channels));
        FUZZ_CHECK(length <= (chip >= 3 && chip <= 9 ? 120 : 180));
        if (length <= 60) {
            // A frame of one report: its first raw count follows the marker(s).
            const int first = chip <= 2 ? 7 : 6;
            if (channels > 0)
                FUZZ_CHECK(r.sample.raw[0] ==
                           (reply[size_t(first)] << 8 | reply[size_t(first + 1)]));
            FUZZ_CHECK(reply[5] == 0xAE);
        }
    }
    return 0;
}
