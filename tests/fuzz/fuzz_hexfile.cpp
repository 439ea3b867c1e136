// Intel HEX text and binary images: whatever the text, the buffer holds the image and
// nothing past its length; on an error it is all erased and the length is 0.
#include "fuzzcheck.h"
#include "image/imageformat.h"
#include "image/imagestate.h"

#include <QByteArray>

#include <algorithm>
#include <vector>

using namespace tessel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text = crlfToLf(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    std::vector<uint8_t> buffer(kFlashBufferSize, 0xFF);
    const HexParseResult r = parseIntelHexText(text, buffer.data());
    FUZZ_CHECK(r.length <= kFlashBufferSize);
    const auto erased = [](uint8_t b) { return b == 0xFF; };
    if (r.status != HexStatus::Ok) {
        FUZZ_CHECK(r.length == 0);
        FUZZ_CHECK(std::all_of(buffer.begin(), buffer.end(), erased));
        return 0;
    }
    FUZZ_CHECK(text.contains("00000001FF"));
    FUZZ_CHECK(std::all_of(buffer.begin() + r.length, buffer.end(), erased));
    // Trimming never grows the image and ends on a programmed byte.
    const uint32_t trimmed = trimErasedTail(buffer.data(), kFlashBufferSize, r.length);
    FUZZ_CHECK(trimmed <= r.length);
    FUZZ_CHECK(trimmed == 0 || buffer[trimmed - 1] != 0xFF);
    return 0;
}
