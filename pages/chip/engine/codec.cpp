#include "pages/chip/engine/codec.h"

namespace tessel::chip {
namespace {

int fieldMask(int width) {
    return width >= 31 ? 0x7FFFFFFF : (1 << width) - 1;
}

int reverseBits(int value, int width) {
    int r = 0;
    for (int i = 0; i < width; ++i) {
        if (value & (1 << i))
            r |= 1 << (width - 1 - i);
    }
    return r;
}

}  // namespace

Codec tableCodec(std::initializer_list<uint8_t> codes) {
    Codec c;
    c.transform = Transform::Table;
    for (uint8_t code : codes) {
        if (c.codeCount < static_cast<int>(c.codes.size()))
            c.codes[c.codeCount++] = code;
    }
    return c;
}

int encodeIndex(const Codec& codec, int width, int index) {
    if (index < 0)
        return -1;
    const int mask = fieldMask(width);
    switch (codec.transform) {
        case Transform::Plain:
            return index;
        case Transform::Xor:
            return index ^ codec.param;
        case Transform::AddMod:
            return (index + codec.param) & mask;
        case Transform::SubFrom:
            return (codec.param - index) & mask;
        case Transform::Reverse:
            return reverseBits(index & mask, width) ^ codec.param;
        case Transform::Scale:
            return index * codec.param;
        case Transform::Table:
            return index < codec.codeCount ? codec.codes[index] : -1;
    }
    return -1;
}

int decodeCode(const Codec& codec, int width, int code) {
    if (code < 0)
        return -1;
    const int mask = fieldMask(width);
    switch (codec.transform) {
        case Transform::Plain:
            return code;
        case Transform::Xor:
            return code ^ codec.param;
        case Transform::AddMod:
            return (code - codec.param) & mask;
        case Transform::SubFrom:
            return (codec.param - code) & mask;
        case Transform::Reverse:
            return reverseBits((code ^ codec.param) & mask, width);
        case Transform::Scale:
            return codec.param > 0 ? code / codec.param : -1;
        case Transform::Table:
            for (int i = 0; i < codec.codeCount; ++i) {
                if (codec.codes[i] == code)
                    return i;
            }
            return -1;
    }
    return -1;
}

uint32_t parseHexText(const QString& text) {
    // The pages hand at most nine characters (ten bytes with the terminator) to "%x".
    const QByteArray bytes = text.toLocal8Bit().left(9);
    int i = 0;
    // The white space "%x" skips: blank, tabs, new line, carriage return, form feed.
    auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < bytes.size() && space(bytes[i]))
        ++i;
    bool negative = false;
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) {
        negative = bytes[i] == '-';
        ++i;
    }
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (i + 1 < bytes.size() && bytes[i] == '0' && (bytes[i + 1] == 'x' || bytes[i + 1] == 'X') &&
        i + 2 < bytes.size() && digit(bytes[i + 2]) >= 0) {
        i += 2;
    }
    uint32_t value = 0;
    for (; i < bytes.size() && digit(bytes[i]) >= 0; ++i)
        value = value * 16 + digit(bytes[i]);
    return negative ? 0u - value : value;
}

QString hexText(uint32_t value) {
    return QString::asprintf("%02x", value);
}

}  // namespace tessel::chip
