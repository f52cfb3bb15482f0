// Entropy gathering and seeding: the shared seed block (160 bytes), pool (256
// bytes), RC4 state and mixing table from which every strong generator is
// seeded.
//
// After gather_entropy the seed block holds 128 upper-case hex characters (a
// SHA-512 digest) and a zero byte, followed by the last 31 bytes of its initial
// text; it is always hashed whole. Every routine that touches this state holds
// the seed lock for its whole run. Besides the system information the Linux
// substitutes give, gather_entropy absorbs 64 bytes of getrandom and every
// seed_strong_generator 32 fresh ones, so keys never depend on system
// information alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/big.h"
#include "engine/strong_rng.h"
#include "platform/clock.h"
#include "platform/system_info.h"
#include "random/rc4.h"

constexpr size_t kSeedBlockBytes = 160;
constexpr size_t kPoolBytes = 256;

class EntropyState {
   public:
    explicit EntropyState(Clock& clock = system_clock(), SystemInfo& info = system_info());

    /// Builds the mixing table with `rounds` rounds (outside 1..15: 2).
    void build_mix_table(int rounds);
    /// h through every byte: h ^= byte << 12, then four times
    /// h = (h << 1) ^ T[(h >> 11) mod 256].
    uint32_t mix_hash(uint32_t h, const uint8_t* buf, size_t n) const;

    void gather_entropy();
    void stir_seed(const uint8_t* data, size_t n, const uint8_t* extra, size_t m);
    void seed_strong_generator(strong_generator* g);

    /// The seed block as text (128 hex digits once gathered).
    std::string seed_text();
    /// 127 printable characters (codes 33..126) drawn from the seed block and the
    /// RC4 keystream: what "RNG Salt" shows with "Type" on.
    std::string salt_characters();

    Clock& clock() { return m_clock; }
    /// A copy of the state for tests: seed block, pool.
    void snapshot(uint8_t seed[kSeedBlockBytes], uint8_t pool[kPoolBytes]);

   private:
    uint32_t step_hash(uint32_t h, const uint8_t* buf, size_t n, int shift, int index_shift) const;
    void fill_b(uint8_t b[64]);
    uint64_t tsc() { return m_clock.tsc(); }
    void write_digest_hex(const uint8_t digest[64]);

    Clock& m_clock;
    SystemInfo& m_info;
    std::mutex m_seed_lock;
    uint8_t m_seed[kSeedBlockBytes];
    uint8_t m_pool[kPoolBytes] = {};
    Rc4 m_rc4;
    uint32_t m_table[256] = {};
};

/// The process-wide entropy state.
EntropyState& entropy();

/// "S-1-..." text of a user identifier (authority as hex when either of its two
/// high bytes is set, else decimal of the low four bytes).
std::string sid_text(const UserSid& sid);

/// x := a uniformly random integer in 1..n-1 from a freshly seeded strong
/// generator (seeded from `state`); 0 when n < 2.
void strong_random_below(const big_rec* n, big x, EntropyState& state = entropy());
