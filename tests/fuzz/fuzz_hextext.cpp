// The hexadecimal entry fields read their text the way C's "%x" does; glibc's sscanf is
// the reference. The fields hand at most nine characters to the conversion.
#include "fuzzcheck.h"
#include "pages/chip/engine/codec.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16)
        return 0;
    char text[17] = {};
    for (size_t i = 0; i < size; ++i) {
        if (data[i] >= 0x80)
            return 0;  // 8-bit text of the ANSI code page: ASCII is where both agree
        text[i] = char(data[i]);
    }
    const QString typed = QString::fromLatin1(text, int(size));
    char nine[10] = {};
    std::memcpy(nine, text, std::min<size_t>(size, 9));
    unsigned int expected = 0;
    if (std::sscanf(nine, "%x", &expected) != 1)
        expected = 0;
    const uint32_t got = tessel::chip::parseHexText(typed);
    if (got != expected) {
        std::fprintf(stderr, "\"%s\": %%x gives 0x%x, the field 0x%x\n", nine, expected, got);
        std::abort();
    }
    return 0;
}
