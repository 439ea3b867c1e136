#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace tessel::chip {

// How the item index of a control becomes the bits of its field, and back. Every transform
// works on the field's own bits (width bits, shifted to bit 0); the engine does the masking.
enum class Transform : uint8_t {
    Plain,    // code = index
    Xor,      // code = index XOR param
    AddMod,   // code = (index + param) mod 2^width
    SubFrom,  // code = (param - index) mod 2^width
    Reverse,  // code = (index with its width bits in reverse order) XOR param
    Scale,    // code = index * param (the code is stored, the index is code / param)
    Table,    // code = codes[index]; codes not in the table decode to no selection
};

struct Codec {
    Transform transform = Transform::Plain;
    int param = 0;
    std::array<uint8_t, 4> codes{};
    int codeCount = 0;
};

inline Codec plainCodec() {
    return {};
}
inline Codec xorCodec(int k) {
    return {Transform::Xor, k, {}, 0};
}
inline Codec addModCodec(int k) {
    return {Transform::AddMod, k, {}, 0};
}
inline Codec subFromCodec(int k) {
    return {Transform::SubFrom, k, {}, 0};
}
inline Codec reverseCodec(int xorWith = 0) {
    return {Transform::Reverse, xorWith, {}, 0};
}
inline Codec scaleCodec(int k) {
    return {Transform::Scale, k, {}, 0};
}
Codec tableCodec(std::initializer_list<uint8_t> codes);

// The code of an item index for a field of `width` bits, or -1 when the index has no code.
int encodeIndex(const Codec& codec, int width, int index);

// The item index whose code is `code` (the field's bits shifted down to bit 0), or -1 when
// no index gives that code.
int decodeCode(const Codec& codec, int width, int code);

// Parses the text of a hexadecimal entry field the way the C "%x" conversion does on the
// first nine characters: blanks, an optional sign and "0x", then hexadecimal digits up to
// the first other character. Text without a digit gives 0.
uint32_t parseHexText(const QString& text);

// "%02x" of a value, as the pages put bytes and field values into their entry fields.
QString hexText(uint32_t value);

}  // namespace tessel::chip
