// SHA-1, SHA-256, SHA-384 and SHA-512 as published in FIPS 180-4 (Secure Hash
// Standard). The round constants and initial values are the fractional parts of
// the cube and square roots of the first primes (section 4.2, 5.3).
#include <cstring>

#include "engine/hash.h"
#include "engine/instance.h"

namespace {

const uint32_t kK256[64] = {
    0x428A2F98u, 0x71374491u, 0xB5C0FBCFu, 0xE9B5DBA5u, 0x3956C25Bu, 0x59F111F1u,
    0x923F82A4u, 0xAB1C5ED5u, 0xD807AA98u, 0x12835B01u, 0x243185BEu, 0x550C7DC3u,
    0x72BE5D74u, 0x80DEB1FEu, 0x9BDC06A7u, 0xC19BF174u, 0xE49B69C1u, 0xEFBE4786u,
    0x0FC19DC6u, 0x240CA1CCu, 0x2DE92C6Fu, 0x4A7484AAu, 0x5CB0A9DCu, 0x76F988DAu,
    0x983E5152u, 0xA831C66Du, 0xB00327C8u, 0xBF597FC7u, 0xC6E00BF3u, 0xD5A79147u,
    0x06CA6351u, 0x14292967u, 0x27B70A85u, 0x2E1B2138u, 0x4D2C6DFCu, 0x53380D13u,
    0x650A7354u, 0x766A0ABBu, 0x81C2C92Eu, 0x92722C85u, 0xA2BFE8A1u, 0xA81A664Bu,
    0xC24B8B70u, 0xC76C51A3u, 0xD192E819u, 0xD6990624u, 0xF40E3585u, 0x106AA070u,
    0x19A4C116u, 0x1E376C08u, 0x2748774Cu, 0x34B0BCB5u, 0x391C0CB3u, 0x4ED8AA4Au,
    0x5B9CCA4Fu, 0x682E6FF3u, 0x748F82EEu, 0x78A5636Fu, 0x84C87814u, 0x8CC70208u,
    0x90BEFFFAu, 0xA4506CEBu, 0xBEF9A3F7u, 0xC67178F2u,
};

const uint64_t kK512[80] = {
    0x428A2F98D728AE22ull, 0x7137449123EF65CDull, 0xB5C0FBCFEC4D3B2Full,
    0xE9B5DBA58189DBBCull, 0x3956C25BF348B538ull, 0x59F111F1B605D019ull,
    0x923F82A4AF194F9Bull, 0xAB1C5ED5DA6D8118ull, 0xD807AA98A3030242ull,
    0x12835B0145706FBEull, 0x243185BE4EE4B28Cull, 0x550C7DC3D5FFB4E2ull,
    0x72BE5D74F27B896Full, 0x80DEB1FE3B1696B1ull, 0x9BDC06A725C71235ull,
    0xC19BF174CF692694ull, 0xE49B69C19EF14AD2ull, 0xEFBE4786384F25E3ull,
    0x0FC19DC68B8CD5B5ull, 0x240CA1CC77AC9C65ull, 0x2DE92C6F592B0275ull,
    0x4A7484AA6EA6E483ull, 0x5CB0A9DCBD41FBD4ull, 0x76F988DA831153B5ull,
    0x983E5152EE66DFABull, 0xA831C66D2DB43210ull, 0xB00327C898FB213Full,
    0xBF597FC7BEEF0EE4ull, 0xC6E00BF33DA88FC2ull, 0xD5A79147930AA725ull,
    0x06CA6351E003826Full, 0x142929670A0E6E70ull, 0x27B70A8546D22FFCull,
    0x2E1B21385C26C926ull, 0x4D2C6DFC5AC42AEDull, 0x53380D139D95B3DFull,
    0x650A73548BAF63DEull, 0x766A0ABB3C77B2A8ull, 0x81C2C92E47EDAEE6ull,
    0x92722C851482353Bull, 0xA2BFE8A14CF10364ull, 0xA81A664BBC423001ull,
    0xC24B8B70D0F89791ull, 0xC76C51A30654BE30ull, 0xD192E819D6EF5218ull,
    0xD69906245565A910ull, 0xF40E35855771202Aull, 0x106AA07032BBD1B8ull,
    0x19A4C116B8D2D0C8ull, 0x1E376C085141AB53ull, 0x2748774CDF8EEB99ull,
    0x34B0BCB5E19B48A8ull, 0x391C0CB3C5C95A63ull, 0x4ED8AA4AE3418ACBull,
    0x5B9CCA4F7763E373ull, 0x682E6FF3D6B2B8A3ull, 0x748F82EE5DEFB2FCull,
    0x78A5636F43172F60ull, 0x84C87814A1F0AB72ull, 0x8CC702081A6439ECull,
    0x90BEFFFA23631E28ull, 0xA4506CEBDE82BDE9ull, 0xBEF9A3F7B2C67915ull,
    0xC67178F2E372532Bull, 0xCA273ECEEA26619Cull, 0xD186B8C721C0C207ull,
    0xEADA7DD6CDE0EB1Eull, 0xF57D4F7FEE6ED178ull, 0x06F067AA72176FBAull,
    0x0A637DC5A2C898A6ull, 0x113F9804BEF90DAEull, 0x1B710B35131C471Bull,
    0x28DB77F523047D84ull, 0x32CAAB7B40C72493ull, 0x3C9EBE0A15C9BEBCull,
    0x431D67C49C100D4Cull, 0x4CC5D4BECB3E42B6ull, 0x597F299CFC657E2Aull,
    0x5FCB6FAB3AD6FAECull, 0x6C44198C4A475817ull,
};

const uint32_t kH256[8] = {
    0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u, 0xA54FF53Au,
    0x510E527Fu, 0x9B05688Cu, 0x1F83D9ABu, 0x5BE0CD19u,
};

const uint64_t kH512[8] = {
    0x6A09E667F3BCC908ull, 0xBB67AE8584CAA73Bull, 0x3C6EF372FE94F82Bull,
    0xA54FF53A5F1D36F1ull, 0x510E527FADE682D1ull, 0x9B05688C2B3E6C1Full,
    0x1F83D9ABFB41BD6Bull, 0x5BE0CD19137E2179ull,
};

const uint64_t kH384[8] = {
    0xCBBB9D5DC1059ED8ull, 0x629A292A367CD507ull, 0x9159015A3070DD17ull,
    0x152FECD8F70E5939ull, 0x67332667FFC00B31ull, 0x8EB44A8768581511ull,
    0xDB0C2E0D64F98FA7ull, 0x47B5481DBEFA4FA4ull,
};

inline uint32_t rotl32(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t rotr32(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint64_t rotr64(uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

inline uint32_t load_be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

inline uint64_t load_be64(const uint8_t* p) {
    return (static_cast<uint64_t>(load_be32(p)) << 32) | load_be32(p + 4);
}

inline void store_be32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

inline void store_be64(uint8_t* p, uint64_t v) {
    store_be32(p, static_cast<uint32_t>(v >> 32));
    store_be32(p + 4, static_cast<uint32_t>(v));
}

// Adds `bits` to a bit length kept as `n` 32-bit words, least significant first.
void length_add(uint32_t* length, int n, uint32_t bits) {
    length[0] += bits;
    if (length[0] >= bits) return;
    for (int i = 1; i < n && ++length[i] == 0; ++i) {
    }
}

// ---- SHA-1 (FIPS 180-4, 6.1) -------------------------------------------------------

void sha1_compress(sha1_ctx* c) {
    uint32_t* w = c->w;
    for (int t = 16; t < 80; ++t) w[t] = rotl32(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = c->h[0], b = c->h[1], d3 = c->h[2], d = c->h[3], e = c->h[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) {
            f = (b & d3) | (~b & d);
            k = 0x5A827999u;
        } else if (t < 40) {
            f = b ^ d3 ^ d;
            k = 0x6ED9EBA1u;
        } else if (t < 60) {
            f = (b & d3) | (b & d) | (d3 & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ d3 ^ d;
            k = 0xCA62C1D6u;
        }
        const uint32_t temp = rotl32(a, 5) + f + e + k + w[t];
        e = d;
        d = d3;
        d3 = rotl32(b, 30);
        b = a;
        a = temp;
    }
    c->h[0] += a;
    c->h[1] += b;
    c->h[2] += d3;
    c->h[3] += d;
    c->h[4] += e;
    std::memset(w, 0, 16 * sizeof(uint32_t));
}

void sha1_put(sha1_ctx* c, uint8_t byte) {
    const unsigned pos = (c->length[0] >> 3) & 63;
    c->w[pos >> 2] |= static_cast<uint32_t>(byte) << (24 - 8 * (pos & 3));
    length_add(c->length, 2, 8);
    if (pos == 63) sha1_compress(c);
}

// ---- SHA-256 (FIPS 180-4, 6.2) -----------------------------------------------------------

void sha256_compress(sha256_ctx* c) {
    uint32_t* w = c->w;
    for (int t = 16; t < 64; ++t) {
        const uint32_t s0 = rotr32(w[t - 15], 7) ^ rotr32(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const uint32_t s1 = rotr32(w[t - 2], 17) ^ rotr32(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    uint32_t v[8];
    std::memcpy(v, c->h, sizeof v);
    for (int t = 0; t < 64; ++t) {
        const uint32_t S1 = rotr32(v[4], 6) ^ rotr32(v[4], 11) ^ rotr32(v[4], 25);
        const uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const uint32_t t1 = v[7] + S1 + ch + kK256[t] + w[t];
        const uint32_t S0 = rotr32(v[0], 2) ^ rotr32(v[0], 13) ^ rotr32(v[0], 22);
        const uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        const uint32_t t2 = S0 + maj;
        std::memmove(v + 1, v, 7 * sizeof(uint32_t));
        v[4] += t1;
        v[0] = t1 + t2;
    }
    for (int i = 0; i < 8; ++i) c->h[i] += v[i];
    std::memset(w, 0, 16 * sizeof(uint32_t));
}

void sha256_put(sha256_ctx* c, uint8_t byte) {
    const unsigned pos = (c->length[0] >> 3) & 63;
    c->w[pos >> 2] |= static_cast<uint32_t>(byte) << (24 - 8 * (pos & 3));
    length_add(c->length, 2, 8);
    if (pos == 63) sha256_compress(c);
}

// ---- SHA-384 / SHA-512 (FIPS 180-4, 6.4 and 6.5) -----------------------------------------------

void sha512_compress(sha512_ctx* c) {
    uint64_t* w = c->w;
    for (int t = 16; t < 80; ++t) {
        const uint64_t s0 = rotr64(w[t - 15], 1) ^ rotr64(w[t - 15], 8) ^ (w[t - 15] >> 7);
        const uint64_t s1 = rotr64(w[t - 2], 19) ^ rotr64(w[t - 2], 61) ^ (w[t - 2] >> 6);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    uint64_t v[8];
    std::memcpy(v, c->h, sizeof v);
    for (int t = 0; t < 80; ++t) {
        const uint64_t S1 = rotr64(v[4], 14) ^ rotr64(v[4], 18) ^ rotr64(v[4], 41);
        const uint64_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const uint64_t t1 = v[7] + S1 + ch + kK512[t] + w[t];
        const uint64_t S0 = rotr64(v[0], 28) ^ rotr64(v[0], 34) ^ rotr64(v[0], 39);
        const uint64_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        const uint64_t t2 = S0 + maj;
        std::memmove(v + 1, v, 7 * sizeof(uint64_t));
        v[4] += t1;
        v[0] = t1 + t2;
    }
    for (int i = 0; i < 8; ++i) c->h[i] += v[i];
    std::memset(w, 0, 16 * sizeof(uint64_t));
}

void sha512_put(sha512_ctx* c, uint8_t byte) {
    const unsigned pos = (c->length[0] >> 3) & 127;
    c->w[pos >> 3] |= static_cast<uint64_t>(byte) << (56 - 8 * (pos & 7));
    length_add(c->length, 4, 8);
    if (pos == 127) sha512_compress(c);
}

void sha512_init_with(sha512_ctx* c, const uint64_t* iv) {
    std::memset(c, 0, sizeof *c);
    std::memcpy(c->h, iv, sizeof c->h);
}

void sha512_finish(sha512_ctx* c, uint8_t* out, int words) {
    const uint64_t hi = (static_cast<uint64_t>(c->length[3]) << 32) | c->length[2];
    const uint64_t lo = (static_cast<uint64_t>(c->length[1]) << 32) | c->length[0];
    sha512_put(c, 0x80);
    while (((c->length[0] >> 3) & 127) != 112) sha512_put(c, 0);
    c->w[14] = hi;
    c->w[15] = lo;
    sha512_compress(c);
    for (int i = 0; i < words; ++i) store_be64(out + 8 * i, c->h[i]);
}

}  // namespace

// ---- SHA-1 ----------------------------------------------------------------------------

void sha1_init(sha1_ctx* ctx) {
    std::memset(ctx, 0, sizeof *ctx);
    ctx->h[0] = 0x67452301u;
    ctx->h[1] = 0xEFCDAB89u;
    ctx->h[2] = 0x98BADCFEu;
    ctx->h[3] = 0x10325476u;
    ctx->h[4] = 0xC3D2E1F0u;
}

void sha1_process(sha1_ctx* ctx, int byte) { sha1_put(ctx, static_cast<uint8_t>(byte)); }

void sha1_process_bytes(sha1_ctx* ctx, const uint8_t* data, size_t len) {
    while (len > 0 && ((ctx->length[0] >> 3) & 63) != 0) {
        sha1_put(ctx, *data++);
        --len;
    }
    for (; len >= 64; len -= 64, data += 64) {
        for (int i = 0; i < 16; ++i) ctx->w[i] = load_be32(data + 4 * i);
        length_add(ctx->length, 2, 512);
        sha1_compress(ctx);
    }
    while (len-- > 0) sha1_put(ctx, *data++);
}

void sha1_hash(sha1_ctx* ctx, uint8_t* out) {
    const uint32_t lo = ctx->length[0], hi = ctx->length[1];
    sha1_put(ctx, 0x80);
    while (((ctx->length[0] >> 3) & 63) != 56) sha1_put(ctx, 0);
    ctx->w[14] = hi;
    ctx->w[15] = lo;
    sha1_compress(ctx);
    for (int i = 0; i < 5; ++i) store_be32(out + 4 * i, ctx->h[i]);
    engine_wipe(ctx, sizeof *ctx);
    sha1_init(ctx);
}

// ---- SHA-256 ----------------------------------------------------------------------------

void sha256_init(sha256_ctx* ctx) {
    std::memset(ctx, 0, sizeof *ctx);
    std::memcpy(ctx->h, kH256, sizeof ctx->h);
}

void sha256_process(sha256_ctx* ctx, int byte) { sha256_put(ctx, static_cast<uint8_t>(byte)); }

void sha256_process_bytes(sha256_ctx* ctx, const uint8_t* data, size_t len) {
    while (len > 0 && ((ctx->length[0] >> 3) & 63) != 0) {
        sha256_put(ctx, *data++);
        --len;
    }
    for (; len >= 64; len -= 64, data += 64) {
        for (int i = 0; i < 16; ++i) ctx->w[i] = load_be32(data + 4 * i);
        length_add(ctx->length, 2, 512);
        sha256_compress(ctx);
    }
    while (len-- > 0) sha256_put(ctx, *data++);
}

void sha256_hash(sha256_ctx* ctx, uint8_t* out) {
    const uint32_t lo = ctx->length[0], hi = ctx->length[1];
    sha256_put(ctx, 0x80);
    while (((ctx->length[0] >> 3) & 63) != 56) sha256_put(ctx, 0);
    ctx->w[14] = hi;
    ctx->w[15] = lo;
    sha256_compress(ctx);
    for (int i = 0; i < 8; ++i) store_be32(out + 4 * i, ctx->h[i]);
    engine_wipe(ctx, sizeof *ctx);
    sha256_init(ctx);
}

// ---- SHA-384 / SHA-512 --------------------------------------------------------------------

void sha512_init(sha512_ctx* ctx) { sha512_init_with(ctx, kH512); }
void sha384_init(sha512_ctx* ctx) { sha512_init_with(ctx, kH384); }

void sha512_process(sha512_ctx* ctx, int byte) { sha512_put(ctx, static_cast<uint8_t>(byte)); }
void sha384_process(sha512_ctx* ctx, int byte) { sha512_put(ctx, static_cast<uint8_t>(byte)); }

void sha512_process_bytes(sha512_ctx* ctx, const uint8_t* data, size_t len) {
    while (len > 0 && ((ctx->length[0] >> 3) & 127) != 0) {
        sha512_put(ctx, *data++);
        --len;
    }
    for (; len >= 128; len -= 128, data += 128) {
        for (int i = 0; i < 16; ++i) ctx->w[i] = load_be64(data + 8 * i);
        length_add(ctx->length, 4, 1024);
        sha512_compress(ctx);
    }
    while (len-- > 0) sha512_put(ctx, *data++);
}

void sha384_process_bytes(sha512_ctx* ctx, const uint8_t* data, size_t len) {
    sha512_process_bytes(ctx, data, len);
}

void sha512_hash(sha512_ctx* ctx, uint8_t* out) {
    sha512_finish(ctx, out, 8);
    engine_wipe(ctx, sizeof *ctx);
    sha512_init(ctx);
}

void sha384_hash(sha512_ctx* ctx, uint8_t* out) {
    sha512_finish(ctx, out, 6);
    engine_wipe(ctx, sizeof *ctx);
    sha384_init(ctx);
}
