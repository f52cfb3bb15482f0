// Message digests: SHA-1, SHA-256, SHA-384 and SHA-512 (FIPS 180-4) and MD5
// (RFC 1321), as published.
//
// The SHA contexts take one byte at a time (`sha*_process`, only the low 8 bits
// of the int are used) or a buffer (`sha*_process_bytes`); a block is compressed
// as soon as its last byte arrives. `sha*_hash` pads, writes the digest
// big-endian and re-initialises the context, so it can be reused at once.
// Lengths count bits. MD5 has a one-shot interface and the block-buffered
// update/final pair it is built on (digest little-endian).
#pragma once

#include <cstddef>
#include <cstdint>

/// SHA-1: bit length (low, high), chaining words (five used), message schedule
/// whose first 16 words collect the current block big-endian.
struct sha1_ctx {
    uint32_t length[2];
    uint32_t h[8];
    uint32_t w[80];
};

/// SHA-256: bit length (low, high), chaining words, message schedule.
struct sha256_ctx {
    uint32_t length[2];
    uint32_t h[8];
    uint32_t w[64];
};

/// SHA-384 and SHA-512: 128-bit bit length as four words (least significant
/// first), 64-bit chaining words, message schedule.
struct sha512_ctx {
    uint32_t length[4];
    uint64_t h[8];
    uint64_t w[80];
};

/// MD5: bit count (low, high), chaining words, 64-byte input buffer.
struct md5_ctx {
    uint32_t count[2];
    uint32_t state[4];
    uint8_t buffer[64];
};

constexpr int kSha1Bytes = 20;
constexpr int kSha256Bytes = 32;
constexpr int kSha384Bytes = 48;
constexpr int kSha512Bytes = 64;
constexpr int kMd5Bytes = 16;

void sha1_init(sha1_ctx* ctx);
void sha1_process(sha1_ctx* ctx, int byte);
void sha1_process_bytes(sha1_ctx* ctx, const uint8_t* data, size_t len);
/// Writes 20 bytes and re-initialises ctx.
void sha1_hash(sha1_ctx* ctx, uint8_t* out);

void sha256_init(sha256_ctx* ctx);
void sha256_process(sha256_ctx* ctx, int byte);
void sha256_process_bytes(sha256_ctx* ctx, const uint8_t* data, size_t len);
/// Writes 32 bytes and re-initialises ctx.
void sha256_hash(sha256_ctx* ctx, uint8_t* out);

/// SHA-384 uses the SHA-512 context with its own initial values.
void sha384_init(sha512_ctx* ctx);
void sha384_process(sha512_ctx* ctx, int byte);
void sha384_process_bytes(sha512_ctx* ctx, const uint8_t* data, size_t len);
/// Writes 48 bytes and re-initialises ctx for SHA-384.
void sha384_hash(sha512_ctx* ctx, uint8_t* out);

void sha512_init(sha512_ctx* ctx);
void sha512_process(sha512_ctx* ctx, int byte);
void sha512_process_bytes(sha512_ctx* ctx, const uint8_t* data, size_t len);
/// Writes 64 bytes and re-initialises ctx.
void sha512_hash(sha512_ctx* ctx, uint8_t* out);

void md5_init(md5_ctx* ctx);
void md5_update(md5_ctx* ctx, const uint8_t* data, size_t len);
/// Pads, writes 16 bytes (RFC 1321 byte order) and wipes ctx.
void md5_final(md5_ctx* ctx, uint8_t* out);
/// One-shot MD5 of len bytes.
void md5_digest(const uint8_t* data, size_t len, uint8_t* out);
