#include "random/entropy.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "engine/hash.h"

namespace {

// The seed block's initial text: constant input to the hashes until start-up
// overwrites the front of the block. It has no meaning of its own.
constexpr char kSeedText[] =
    "KORVATH seed block: curves over GF(p) and GF(2^m), keys, nonces and points all start "
    "here; gathered entropy overwrites this text at start-up, once per run.";
static_assert(sizeof(kSeedText) - 1 == 155, "the seed block text has 155 characters");

void put_u64(uint8_t out[8], uint64_t v) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));  // low word first
}

void absorb(sha512_ctx* ctx, const void* p, size_t n) {
    sha512_process_bytes(ctx, static_cast<const uint8_t*>(p), n);
}

}  // namespace

EntropyState::EntropyState(Clock& clock, SystemInfo& info) : m_clock(clock), m_info(info) {
    std::memset(m_seed, 0, sizeof m_seed);
    std::memcpy(m_seed + 4, kSeedText, 155);
    build_mix_table(3);
}

uint32_t EntropyState::step_hash(uint32_t h, const uint8_t* buf, size_t n, int shift, int index_shift) const {
    for (size_t k = 0; k < n; ++k) {
        h ^= static_cast<uint32_t>(buf[k]) << shift;
        for (int r = 0; r < 4; ++r) h = (h << 1) ^ m_table[(h >> index_shift) & 0xFF];
    }
    return h;
}

uint32_t EntropyState::mix_hash(uint32_t h, const uint8_t* buf, size_t n) const {
    return step_hash(h, buf, n, 12, 11);
}

void EntropyState::build_mix_table(int rounds) {
    if (rounds < 1 || rounds > 15) rounds = 2;
    for (uint32_t x = 0; x < 256; ++x) m_table[x] = x * 0x01010101u;
    // Each word is XORed with a hash of the table's own bytes, so the table
    // mixes itself; the start value is the word's index.
    auto pass = [&](size_t bytes, int shift, int index_shift) {
        const uint8_t* own = reinterpret_cast<const uint8_t*>(m_table);
        for (uint32_t x = 0; x < 256; ++x) m_table[x] ^= step_hash(x, own, bytes, shift, index_shift);
    };
    for (int r = 0; r < rounds; ++r) {
        pass(1024, 12, 11);
        pass(1024, 13, 12);
    }
    pass(255, 12, 11);
}

void EntropyState::fill_b(uint8_t b[64]) {
    std::memset(b, 0, 64);
    for (size_t x = 0; x < 16; ++x) {
        const uint32_t w = mix_hash(static_cast<uint32_t>(tsc()), b, 64 - x);
        std::memcpy(b + 4 * x, &w, 4);
    }
}

void EntropyState::write_digest_hex(const uint8_t digest[64]) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int i = 0; i < 64; ++i) {
        m_seed[2 * i] = static_cast<uint8_t>(kHex[digest[i] >> 4]);
        m_seed[2 * i + 1] = static_cast<uint8_t>(kHex[digest[i] & 15]);
    }
    m_seed[128] = 0;
}

void EntropyState::gather_entropy() {
    std::lock_guard<std::mutex> lock(m_seed_lock);
    // 1.
    build_mix_table(3);
    uint8_t t0[8];
    put_u64(t0, tsc());
    // 2., 3.
    uint8_t b[64];
    fill_b(b);
    rc4_key(m_rc4, b, sizeof b);
    for (uint64_t k = 0, n = tsc() % 256 + 100; k < n; ++k) {
        rc4_xor(m_rc4, m_pool, sizeof m_pool);
        rc4_xor(m_rc4, b, sizeof b);
    }
    // 4.
    sha512_ctx ctx;
    sha512_init(&ctx);
    absorb(&ctx, b, 64);
    absorb(&ctx, m_pool, sizeof m_pool);
    absorb(&ctx, t0, 8);
    sha512_hash(&ctx, b);
    // 5.
    rc4_key(m_rc4, b, sizeof b);
    for (uint64_t k = 0, n = tsc() % 256 + 100; k < n; ++k) {
        rc4_xor(m_rc4, m_pool, sizeof m_pool);
        rc4_xor(m_rc4, b, sizeof b);
    }
    // 6.
    sha512_init(&ctx);
    absorb(&ctx, b, 64);
    uint8_t t[8];
    put_u64(t, tsc());
    absorb(&ctx, t, 8);
    absorb(&ctx, m_seed, sizeof m_seed);
    absorb(&ctx, m_pool, sizeof m_pool);
    for (int letter = 0; letter < 24; ++letter) {  // drive letters C..Z
        VolumeInfo v;
        uint8_t space[24];
        if (m_info.volume(letter, v)) {
            std::memcpy(space, v.free_space, sizeof space);
        } else {
            std::memset(space, 0, sizeof space);
            for (size_t x = 0; x < 6; ++x) {
                const uint32_t w = mix_hash(static_cast<uint32_t>(tsc()), space, 24 - x);
                std::memcpy(space + 4 * x, &w, 4);
            }
        }
        absorb(&ctx, space, sizeof space);
        absorb(&ctx, &v.serial, 4);
        absorb(&ctx, v.name, sizeof v.name);
        absorb(&ctx, v.fs_name, sizeof v.fs_name);
    }
    auto query = [&](InfoKind kind, size_t n) {
        uint8_t buf[260] = {};
        m_info.query(kind, buf, n);
        absorb(&ctx, buf, n);
    };
    query(InfoKind::power_status, 12);
    query(InfoKind::startup_info, 68);
    const std::string cmd = m_info.command_line();
    absorb(&ctx, cmd.c_str(), cmd.size());
    const std::string env = m_info.first_environment_string();
    absorb(&ctx, env.c_str(), env.size());
    query(InfoKind::computer_name, 16);
    query(InfoKind::user_name, 257);
    {
        char sid[128] = {};
        UserSid user;
        std::string error;
        const std::string text = m_info.user_sid(user, error) ? sid_text(user) : error;
        std::memcpy(sid, text.data(), std::min(text.size(), sizeof sid - 1));
        absorb(&ctx, sid, sizeof sid);
    }
    query(InfoKind::memory_status, 32);
    query(InfoKind::system_info, 36);
    query(InfoKind::cursor_position, 8);
    query(InfoKind::system_time, 16);
    uint8_t counter[8];
    put_u64(counter, m_clock.perf_counter());
    absorb(&ctx, counter, 8);
    uint32_t ids[5] = {};
    m_info.ids(ids);
    absorb(&ctx, ids, sizeof ids);
    put_u64(t, tsc());
    absorb(&ctx, t, 8);
    // The operating system's generator, so that keys never rest on system
    // information alone.
    uint8_t os[64] = {};
    m_info.os_random(os, sizeof os);
    absorb(&ctx, os, sizeof os);
    // 7.
    uint8_t digest[64];
    sha512_hash(&ctx, digest);
    write_digest_hex(digest);
    std::memset(os, 0, sizeof os);
    std::memset(digest, 0, sizeof digest);
}

void EntropyState::stir_seed(const uint8_t* data, size_t n, const uint8_t* extra, size_t m) {
    std::lock_guard<std::mutex> lock(m_seed_lock);
    sha512_ctx ctx;
    sha512_init(&ctx);
    uint8_t b[64];
    fill_b(b);
    rc4_xor(m_rc4, m_pool, sizeof m_pool);
    rc4_xor(m_rc4, b, sizeof b);
    absorb(&ctx, m_seed, sizeof m_seed);
    absorb(&ctx, m_pool, sizeof m_pool);
    absorb(&ctx, b, sizeof b);
    if (n > 0) absorb(&ctx, data, n);
    if (m > 0) absorb(&ctx, extra, m);
    uint8_t digest[64];
    sha512_hash(&ctx, digest);
    write_digest_hex(digest);
}

void EntropyState::seed_strong_generator(strong_generator* g) {
    std::lock_guard<std::mutex> lock(m_seed_lock);
    uint8_t t[8];
    put_u64(t, tsc());
    rc4_xor(m_rc4, m_pool, sizeof m_pool);
    rc4_xor(m_rc4, t, sizeof t);
    uint8_t os[32] = {};
    m_info.os_random(os, sizeof os);
    sha512_ctx ctx;
    sha512_init(&ctx);
    absorb(&ctx, t, 8);
    absorb(&ctx, m_seed, sizeof m_seed);
    absorb(&ctx, os, sizeof os);
    uint8_t raw[64 + kPoolBytes];
    sha512_hash(&ctx, raw);
    std::memcpy(raw + 64, m_pool, kPoolBytes);
    strong_generator_init(g, static_cast<int>(sizeof raw), raw, static_cast<uint32_t>(tsc()));
    std::memset(raw, 0, sizeof raw);
    std::memset(os, 0, sizeof os);
}

std::string EntropyState::seed_text() {
    std::lock_guard<std::mutex> lock(m_seed_lock);
    const size_t n = strnlen(reinterpret_cast<const char*>(m_seed), sizeof m_seed);
    return std::string(reinterpret_cast<const char*>(m_seed), n);
}

std::string EntropyState::salt_characters() {
    std::lock_guard<std::mutex> lock(m_seed_lock);
    uint8_t buf[128];
    std::memcpy(buf, m_seed, sizeof buf);
    rc4_xor(m_rc4, buf, sizeof buf);
    std::string out;
    for (size_t k = 0; k < 127; ++k) {  // the 128th character is cut
        int v = static_cast<int8_t>(buf[k]) % 127;
        while (v < 33) {
            uint8_t next = m_seed[0];
            rc4_xor(m_rc4, &next, 1);
            v = static_cast<int8_t>(next) % 127;
        }
        out += static_cast<char>(v);
    }
    return out;
}

void EntropyState::snapshot(uint8_t seed[kSeedBlockBytes], uint8_t pool[kPoolBytes]) {
    std::lock_guard<std::mutex> lock(m_seed_lock);
    std::memcpy(seed, m_seed, kSeedBlockBytes);
    std::memcpy(pool, m_pool, kPoolBytes);
}

EntropyState& entropy() {
    static EntropyState state;
    return state;
}

std::string sid_text(const UserSid& sid) {
    std::string out = "S-1-";  // the revision is always written as 1
    char buf[64];
    const uint8_t* a = sid.authority;
    if (a[0] != 0 || a[1] != 0) {
        std::snprintf(buf, sizeof buf, "0x%02hx%02hx%02hx%02hx%02hx%02hx", static_cast<unsigned short>(a[0]),
                      static_cast<unsigned short>(a[1]), static_cast<unsigned short>(a[2]),
                      static_cast<unsigned short>(a[3]), static_cast<unsigned short>(a[4]),
                      static_cast<unsigned short>(a[5]));
    } else {
        const unsigned long v = (static_cast<unsigned long>(a[2]) << 24) | (static_cast<unsigned long>(a[3]) << 16) |
                                (static_cast<unsigned long>(a[4]) << 8) | a[5];
        std::snprintf(buf, sizeof buf, "%lu", v);
    }
    out += buf;
    for (uint32_t s : sid.sub_authorities) {
        std::snprintf(buf, sizeof buf, "-%lu", static_cast<unsigned long>(s));
        out += buf;
    }
    return out;
}

void strong_random_below(const big_rec* n, big x, EntropyState& state) {
    big_zero(x);
    if (big_is_negative(n) || logb2(n) < 2) return;  // n < 2: nothing to draw
    strong_generator g;
    state.seed_strong_generator(&g);
    do {
        strong_bigrand(&g, n, x);
    } while (big_is_zero(x) && engine_error() == 0);
    strong_generator_wipe(&g);
}
