// MD5 as published in RFC 1321 (The MD5 Message-Digest Algorithm). The sine
// table T[i] = floor(2^32 * |sin(i + 1)|) is the RFC's section 3.4 table.
#include <cstring>

#include "engine/hash.h"
#include "engine/instance.h"

namespace {

const uint32_t kT[64] = {
    0xD76AA478u, 0xE8C7B756u, 0x242070DBu, 0xC1BDCEEEu, 0xF57C0FAFu, 0x4787C62Au,
    0xA8304613u, 0xFD469501u, 0x698098D8u, 0x8B44F7AFu, 0xFFFF5BB1u, 0x895CD7BEu,
    0x6B901122u, 0xFD987193u, 0xA679438Eu, 0x49B40821u, 0xF61E2562u, 0xC040B340u,
    0x265E5A51u, 0xE9B6C7AAu, 0xD62F105Du, 0x02441453u, 0xD8A1E681u, 0xE7D3FBC8u,
    0x21E1CDE6u, 0xC33707D6u, 0xF4D50D87u, 0x455A14EDu, 0xA9E3E905u, 0xFCEFA3F8u,
    0x676F02D9u, 0x8D2A4C8Au, 0xFFFA3942u, 0x8771F681u, 0x6D9D6122u, 0xFDE5380Cu,
    0xA4BEEA44u, 0x4BDECFA9u, 0xF6BB4B60u, 0xBEBFBC70u, 0x289B7EC6u, 0xEAA127FAu,
    0xD4EF3085u, 0x04881D05u, 0xD9D4D039u, 0xE6DB99E5u, 0x1FA27CF8u, 0xC4AC5665u,
    0xF4292244u, 0x432AFF97u, 0xAB9423A7u, 0xFC93A039u, 0x655B59C3u, 0x8F0CCC92u,
    0xFFEFF47Du, 0x85845DD1u, 0x6FA87E4Fu, 0xFE2CE6E0u, 0xA3014314u, 0x4E0811A1u,
    0xF7537E82u, 0xBD3AF235u, 0x2AD7D2BBu, 0xEB86D391u,
};

const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

inline uint32_t rotl32(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void md5_transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<uint32_t>(block[4 * i]) | (static_cast<uint32_t>(block[4 * i + 1]) << 8) |
               (static_cast<uint32_t>(block[4 * i + 2]) << 16) |
               (static_cast<uint32_t>(block[4 * i + 3]) << 24);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t next = b + rotl32(a + f + kT[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    engine_wipe(x, sizeof x);
}

}  // namespace

void md5_init(md5_ctx* ctx) {
    std::memset(ctx, 0, sizeof *ctx);
    ctx->state[0] = 0x67452301u;
    ctx->state[1] = 0xEFCDAB89u;
    ctx->state[2] = 0x98BADCFEu;
    ctx->state[3] = 0x10325476u;
}

void md5_update(md5_ctx* ctx, const uint8_t* data, size_t len) {
    size_t index = (ctx->count[0] >> 3) & 63;
    const uint64_t bits = ((static_cast<uint64_t>(ctx->count[1]) << 32) | ctx->count[0]) +
                          (static_cast<uint64_t>(len) << 3);
    ctx->count[0] = static_cast<uint32_t>(bits);
    ctx->count[1] = static_cast<uint32_t>(bits >> 32);
    const size_t part = 64 - index;
    size_t i = 0;
    if (len >= part) {
        std::memcpy(ctx->buffer + index, data, part);
        md5_transform(ctx->state, ctx->buffer);
        for (i = part; i + 63 < len; i += 64) md5_transform(ctx->state, data + i);
        index = 0;
    }
    if (len > i) std::memcpy(ctx->buffer + index, data + i, len - i);
}

void md5_final(md5_ctx* ctx, uint8_t* out) {
    uint8_t bits[8];
    for (int i = 0; i < 4; ++i) {
        bits[i] = static_cast<uint8_t>(ctx->count[0] >> (8 * i));
        bits[i + 4] = static_cast<uint8_t>(ctx->count[1] >> (8 * i));
    }
    static const uint8_t kPadding[64] = {0x80};
    const size_t index = (ctx->count[0] >> 3) & 63;
    md5_update(ctx, kPadding, index < 56 ? 56 - index : 120 - index);
    md5_update(ctx, bits, 8);
    for (int i = 0; i < 16; ++i) out[i] = static_cast<uint8_t>(ctx->state[i / 4] >> (8 * (i % 4)));
    engine_wipe(ctx, sizeof *ctx);
}

void md5_digest(const uint8_t* data, size_t len, uint8_t* out) {
    md5_ctx ctx;
    md5_init(&ctx);
    md5_update(&ctx, data, len);
    md5_final(&ctx, out);
}
