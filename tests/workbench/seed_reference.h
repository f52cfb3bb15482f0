// An independent derivation of the generation value H from a seed S, on bytes
// and hex text only (no engine integers): SHA-1 (checked against its published
// vectors in tests/engine/test_hash.cpp) of S mod 2^160 as 20 big-endian bytes,
// the first digest cut to ((bits - 1) mod 160) bits (plus one for GF(2^m)),
// then the digests of S + 1, S + 2, ... appended as 160-bit blocks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/hash.h"

namespace testsupport {

/// Upper-case hex of S's low 160 bits as 20 bytes (S given as hex text).
inline std::array<uint8_t, 20> seed_bytes(const std::string& s_hex) {
    std::array<uint8_t, 20> b{};
    int byte = 19, half = 0;
    for (auto it = s_hex.rbegin(); it != s_hex.rend() && byte >= 0; ++it) {
        const int v = std::stoi(std::string(1, *it), nullptr, 16);
        b[static_cast<size_t>(byte)] = static_cast<uint8_t>(b[static_cast<size_t>(byte)] | (v << (4 * half)));
        if (++half == 2) {
            half = 0;
            --byte;
        }
    }
    return b;
}

inline std::array<uint8_t, 20> sha1_of(const std::array<uint8_t, 20>& in) {
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_process_bytes(&ctx, in.data(), in.size());
    std::array<uint8_t, 20> out{};
    sha1_hash(&ctx, out.data());
    return out;
}

/// H for seed S (hex), `bits` and type 0 (GF(p)) or 1 (GF(2^m)), as upper-case
/// hex without leading zeros ("0" for zero).
inline std::string reference_derive(const std::string& s_hex, int bits, int type) {
    if (bits < 1) return "0";
    std::array<uint8_t, 20> s = seed_bytes(s_hex);
    std::string bin;  // bit string, most significant first
    auto append_bits = [&](const std::array<uint8_t, 20>& d, int keep) {
        std::string all;
        for (uint8_t v : d)
            for (int i = 7; i >= 0; --i) all += ((v >> i) & 1) ? '1' : '0';
        bin += all.substr(static_cast<size_t>(160 - keep));
    };
    const int c = (bits - 1) % 160 + (type == 1 ? 1 : 0);
    append_bits(sha1_of(s), c < 1 ? 0 : c);
    for (int i = 1; i <= (bits - 1) / 160; ++i) {
        std::array<uint8_t, 20> t = s;
        int carry = i;
        for (int k = 19; k >= 0 && carry != 0; --k) {
            const int v = t[static_cast<size_t>(k)] + carry;
            t[static_cast<size_t>(k)] = static_cast<uint8_t>(v & 0xFF);
            carry = v >> 8;
        }
        append_bits(sha1_of(t), 160);
    }
    while (bin.size() % 4 != 0) bin.insert(bin.begin(), '0');
    std::string hex;
    for (size_t i = 0; i < bin.size(); i += 4) hex += "0123456789ABCDEF"[std::stoi(bin.substr(i, 4), nullptr, 2)];
    const size_t nz = hex.find_first_not_of('0');
    return nz == std::string::npos ? "0" : hex.substr(nz);
}

}  // namespace testsupport
