#include "utf8_text.h"

namespace tallyglass {
namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the sequence starting at bytes[0], or 0 when it is not valid.
std::size_t sequenceLength(const unsigned char* bytes, std::size_t available) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        else if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        else if (lead == 0xF4)
            high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!isContinuation(bytes[i]))
            return 0;
    return length;
}

// A surrogate as the engine stores it: ED A0..BF xx. Returns 0 when bytes do not hold one.
unsigned surrogateAt(const unsigned char* bytes, std::size_t available) {
    if (available < 3 || bytes[0] != 0xED || bytes[1] < 0xA0 || bytes[1] > 0xBF ||
        !isContinuation(bytes[2]))
        return 0;
    return 0xD000u | ((bytes[1] & 0x3Fu) << 6) | (bytes[2] & 0x3Fu);
}

} // namespace

bool isValidUtf8(const unsigned char* bytes, std::size_t length) {
    std::size_t i = 0;
    while (i < length) {
        const std::size_t step = sequenceLength(bytes + i, length - i);
        if (step == 0)
            return false;
        i += step;
    }
    return true;
}

std::size_t internalToUtf8(const unsigned char* in, std::size_t length, unsigned char* out) {
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < length) {
        const unsigned high = surrogateAt(in + i, length - i);
        if (high == 0) {
            out[written++] = in[i++];
            continue;
        }
        const unsigned low = high < 0xDC00 ? surrogateAt(in + i + 3, length - i - 3) : 0;
        if (low >= 0xDC00) {
            const unsigned code = 0x10000u + ((high - 0xD800u) << 10) + (low - 0xDC00u);
            out[written++] = static_cast<unsigned char>(0xF0 | (code >> 18));
            out[written++] = static_cast<unsigned char>(0x80 | ((code >> 12) & 0x3F));
            out[written++] = static_cast<unsigned char>(0x80 | ((code >> 6) & 0x3F));
            out[written++] = static_cast<unsigned char>(0x80 | (code & 0x3F));
            i += 6;
        } else {
            out[written++] = 0xEF;
            out[written++] = 0xBF;
            out[written++] = 0xBD;
            i += 3;
        }
    }
    return written;
}

} // namespace tallyglass
