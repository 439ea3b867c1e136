#include "image/imageformat.h"

#include "image/imagestate.h"

#include <algorithm>
#include <cstring>

namespace tessel {

uint32_t computeChecksum(const uint8_t* bytes, uint32_t length) {
    uint32_t s = 0;
    for (uint32_t i = 0; i < length; ++i)
        s += i * bytes[i];
    const uint32_t s1 = s + (s >> 16);
    const uint32_t s2 = s1 + (s1 >> 16);
    return ~s2;
}

QString formatHexDump(const uint8_t* bytes, uint32_t length) {
    static const char kDigits[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(int(length / 16 * 60 + 64));
    for (uint32_t j = 0; j < length; ++j) {
        if (j % 16 == 0) {
            out += "0x";
            out += kDigits[(j >> 16) & 0xF];
            out += kDigits[(j >> 12) & 0xF];
            out += kDigits[(j >> 8) & 0xF];
            out += kDigits[(j >> 4) & 0xF];
            out += "0: ";
        }
        out += kDigits[bytes[j] >> 4];
        out += kDigits[bytes[j] & 0xF];
        out += ' ';
        if (j % 16 == 15)
            out += "\r\n";
    }
    return QString::fromLatin1(out);
}

uint32_t trimErasedTail(const uint8_t* buffer, uint32_t bufferSize, uint32_t rawLength) {
    const uint32_t end = std::min(rawLength, bufferSize);
    for (uint32_t k = end; k > 1; --k) {
        if (buffer[k - 1] != 0xFF)
            return k;
    }
    return 0;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 87;
    if (c >= 'A' && c <= 'Z')
        return c - 55;
    return 0;
}

QByteArray crlfToLf(const QByteArray& text) {
    // One pass over raw pointers: appending byte by byte cost more than the parse itself.
    const char* in = text.constData();
    const qsizetype n = text.size();
    QByteArray out(n, Qt::Uninitialized);
    char* o = out.data();
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] == '\r' && i + 1 < n && in[i + 1] == '\n')
            continue;
        o[k++] = in[i];
    }
    out.truncate(k);
    return out;
}

namespace {

uint8_t pairAt(const QByteArray& text, qsizetype p) {
    return uint8_t(hexDigitValue(text[p]) * 16 + hexDigitValue(text[p + 1]));
}

HexParseResult failed(HexStatus status, uint8_t* buffer) {
    std::memset(buffer, 0xFF, kFlashBufferSize);
    return {status, 0};
}

}  // namespace

HexParseResult parseIntelHexText(const QByteArray& text, uint8_t* buffer) {
    if (!text.contains("00000001FF"))
        return failed(HexStatus::NotHex, buffer);

    const qsizetype size = text.size();
    const qsizetype endBound = size - 10;
    uint32_t highest = 0;
    qsizetype p = 0;
    while (p < endBound) {
        if (text[p] != ':') {
            ++p;
            continue;
        }
        const uint8_t count = pairAt(text, p + 1);
        const uint8_t addressHigh = pairAt(text, p + 3);
        const uint8_t addressLow = pairAt(text, p + 5);
        const uint8_t type = pairAt(text, p + 7);
        uint8_t sum = uint8_t(count + addressHigh + addressLow + type);
        p += 9;
        // The end-of-file record ends the scan here, before its type is looked at.
        if (p >= endBound)
            break;
        if (type != 0)
            return failed(HexStatus::Unsupported64K, buffer);

        uint32_t address = uint32_t(addressHigh) * 256 + addressLow;
        if (address + count > kFlashBufferSize)
            return failed(HexStatus::Unsupported64K, buffer);
        if (p + 2 * qsizetype(count) + 2 > size)
            return failed(HexStatus::ChecksumError, buffer);
        for (int i = 0; i < count; ++i, p += 2) {
            const uint8_t byte = pairAt(text, p);
            buffer[address] = byte;
            sum = uint8_t(sum + byte);
            ++address;
            highest = std::max(highest, address);
        }
        const uint8_t checksum = pairAt(text, p);
        p += 2;
        if (uint8_t(checksum + sum) != 0)
            return failed(HexStatus::ChecksumError, buffer);
    }
    return {HexStatus::Ok, highest};
}

QByteArray formatIntelHex(const uint8_t* bytes, uint32_t length) {
    static const char kDigits[] = "0123456789ABCDEF";
    length = std::min<uint32_t>(length, 0x10000);
    QByteArray out;
    out.reserve(int(length / 16 * 45 + 16));
    const auto put = [&out](uint8_t b, uint8_t& sum) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
        sum = uint8_t(sum + b);
    };
    for (uint32_t at = 0; at < length; at += 16) {
        const uint8_t count = uint8_t(std::min<uint32_t>(16, length - at));
        uint8_t sum = 0;
        out += ':';
        put(count, sum);
        put(uint8_t(at >> 8), sum);
        put(uint8_t(at & 0xFF), sum);
        put(0, sum);  // data record
        for (uint32_t k = 0; k < count; ++k)
            put(bytes[at + k], sum);
        uint8_t ignored = 0;
        put(uint8_t(0x100 - sum), ignored);
        out += "\r\n";
    }
    out += ":00000001FF\r\n";
    return out;
}

}  // namespace tessel
