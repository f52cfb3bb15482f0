#include "workbench/codecs.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The decoding table, built once.
const std::array<int8_t, 256>& decode_table() {
    static const std::array<int8_t, 256> table = [] {
        std::array<int8_t, 256> t{};
        t.fill(-1);
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
        return t;
    }();
    return table;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int base64_value(char c) { return decode_table()[static_cast<unsigned char>(c)]; }

std::string base64_encode(const Bytes& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest == 1) {
        const uint32_t v = uint32_t{bytes[i]} << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
    } else if (rest == 2) {
        const uint32_t v = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
    }
    return out;
}

Bytes base64_decode(std::string_view text) {
    size_t n = 0;
    while (n < text.size() && base64_value(text[n]) >= 0) ++n;
    Bytes out;
    out.reserve(n / 4 * 3 + 2);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint32_t v = (static_cast<uint32_t>(base64_value(text[i])) << 18) |
                           (static_cast<uint32_t>(base64_value(text[i + 1])) << 12) |
                           (static_cast<uint32_t>(base64_value(text[i + 2])) << 6) |
                           static_cast<uint32_t>(base64_value(text[i + 3]));
        out.push_back(static_cast<uint8_t>(v >> 16));
        out.push_back(static_cast<uint8_t>(v >> 8));
        out.push_back(static_cast<uint8_t>(v));
    }
    const size_t rest = n - i;
    if (rest >= 2) {
        uint32_t v = (static_cast<uint32_t>(base64_value(text[i])) << 18) |
                     (static_cast<uint32_t>(base64_value(text[i + 1])) << 12);
        if (rest == 3) v |= static_cast<uint32_t>(base64_value(text[i + 2])) << 6;
        out.push_back(static_cast<uint8_t>(v >> 16));
        if (rest == 3) out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

std::string hex_encode(const Bytes& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

Bytes hex_decode(std::string_view text) {
    Bytes out;
    size_t i = 0;
    if (text.size() % 2 == 1) {
        const int d = hex_digit(text[0]);
        if (d < 0) return out;
        out.push_back(static_cast<uint8_t>(d));
        i = 1;
    }
    for (; i + 2 <= text.size(); i += 2) {
        const int hi = hex_digit(text[i]);
        const int lo = hex_digit(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}
