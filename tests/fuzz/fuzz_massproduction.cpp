// Mass-production files: a decoded file names a chip 0 to 13 and keeps the image and the
// EEPROM copy inside the file; a file built from an image decodes to the same image.
#include "fuzzcheck.h"
#include "image/imagestate.h"
#include "image/massproduction.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

using namespace tessel;

namespace {

void checkDecoded(const uint8_t* data, uint32_t n) {
    const TkContents c = decodeMassProductionFile(data, n);
    if (c.status != TkStatus::Ok)
        return;
    FUZZ_CHECK(c.chip >= 0 && c.chip <= 13);
    FUZZ_CHECK(n >= 4 && data[n - 1] == c.chip);
    const uint32_t trailer = trailerLength(c.chip);
    FUZZ_CHECK(c.imageLength + trailer <= n);
    if (c.chip == 5 || c.chip == 7) {
        FUZZ_CHECK(c.imageLength > 0);
        FUZZ_CHECK(c.eepromOffset > c.imageLength && c.eepromOffset % 16 == 0);
        FUZZ_CHECK(c.eepromOffset + kFlashEepromImageSize <= n - trailer);
    }
}

// The first bytes choose chip, configuration and mode; the rest is the image.
void checkRoundTrip(const uint8_t* data, size_t size) {
    if (size < 5)
        return;  // an image of at least one byte: an empty one has no file to read back
    ImageState image;
    const int chip = data[0] % 14;
    const uint32_t length = uint32_t(std::min<size_t>(size - 4, kFlashBufferSize - 0x1000));
    std::memcpy(image.writeBuffer.data(), data + 4, length);
    image.imageLength = length;
    const TkBuild b = buildMassProductionFile(image, chip, data[1], data[2], data[3] % 3,
                                              QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
    if (!b.fits)
        return;
    const auto* file = reinterpret_cast<const uint8_t*>(b.content.constData());
    const TkContents c = decodeMassProductionFile(file, uint32_t(b.content.size()));
    FUZZ_CHECK(c.status == TkStatus::Ok);
    FUZZ_CHECK(c.chip == chip);
    FUZZ_CHECK(c.imageLength == length);
    FUZZ_CHECK(std::memcmp(file, data + 4, length) == 0);
    if (chip != 0 && (chip < 10 || chip > 12))
        FUZZ_CHECK(c.cfg0 == data[1]);
    if (chip == 0)
        FUZZ_CHECK(c.cfg0 == data[1] && c.cfg1 == data[2]);
    if (chip >= 10 && chip <= 12)
        FUZZ_CHECK(modeSelectionFromByte(c.modeByte) == data[3] % 3);
    if (chip == 5 || chip == 7) {
        FUZZ_CHECK(std::memcmp(file + c.eepromOffset,
                               image.writeBuffer.data() + kEepromOffsetInFlashBuffer,
                               kFlashEepromImageSize) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestReadableFile)
        return 0;  // the reader never sees more
    checkDecoded(data, uint32_t(size));
    checkRoundTrip(data, size);
    return 0;
}
