// The tests' own seeded generator, kept apart from the engine's generators.
//
// The seed is printed by every randomised failure (SCOPED_TRACE(test_seed_note()))
// and can be overridden with TEST_SEED; TEST_ITERS scales loop counts (a float,
// default 1). Draws favour the values that find carry and boundary faults: 0, 1,
// all-ones words, long runs of equal bits and sizes on word boundaries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TestRng {
   public:
    explicit TestRng(uint64_t seed);
    /// A generator seeded from TEST_SEED (or the fixed default) mixed with `stream`,
    /// so that each test gets its own repeatable stream.
    static TestRng for_test(uint64_t stream = 0);

    uint64_t next64();
    uint32_t next32() { return static_cast<uint32_t>(next64() >> 32); }
    /// Uniform in 0..n-1 (n > 0).
    uint64_t below(uint64_t n);
    bool coin() { return (next64() >> 63) != 0; }

    /// A magnitude of exactly `bits` bits as little-endian 32-bit words, with a
    /// bias towards runs of zero and one bits.
    std::vector<uint32_t> words_with_bits(int bits);
    /// A size in bits from 1 to max_bits, biased towards word boundaries.
    int interesting_bits(int max_bits);

   private:
    uint64_t m_s[4];
};

/// The seed in force (TEST_SEED or the default).
uint64_t test_seed();
/// "TEST_SEED=<seed>" for failure messages.
std::string test_seed_note();
/// Scales an iteration count by TEST_ITERS (at least 1).
int test_iters(int n);

}  // namespace testsupport
