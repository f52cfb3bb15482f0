#include "tests/support/test_rng.h"

#include <cstdlib>
#include <string>

namespace testsupport {

namespace {

uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

uint64_t test_seed() {
    static const uint64_t seed = [] {
        const char* s = std::getenv("TEST_SEED");
        return s ? std::strtoull(s, nullptr, 0) : 0x4B4F52564154480Aull;
    }();
    return seed;
}

std::string test_seed_note() { return "TEST_SEED=" + std::to_string(test_seed()); }

int test_iters(int n) {
    static const double scale = [] {
        const char* s = std::getenv("TEST_ITERS");
        double v = s ? std::strtod(s, nullptr) : 1.0;
        return v > 0 ? v : 1.0;
    }();
    int r = static_cast<int>(n * scale);
    return r < 1 ? 1 : r;
}

TestRng::TestRng(uint64_t seed) {
    for (auto& s : m_s) s = splitmix(seed);
}

TestRng TestRng::for_test(uint64_t stream) { return TestRng(test_seed() ^ (stream * 0xD1B54A32D192ED03ull)); }

uint64_t TestRng::next64() {
    const uint64_t result = rotl(m_s[1] * 5, 7) * 9;
    const uint64_t t = m_s[1] << 17;
    m_s[2] ^= m_s[0];
    m_s[3] ^= m_s[1];
    m_s[1] ^= m_s[2];
    m_s[0] ^= m_s[3];
    m_s[2] ^= t;
    m_s[3] = rotl(m_s[3], 45);
    return result;
}

uint64_t TestRng::below(uint64_t n) {
    const uint64_t limit = ~0ull - (~0ull % n);
    uint64_t v;
    do v = next64();
    while (v >= limit);
    return v % n;
}

std::vector<uint32_t> TestRng::words_with_bits(int bits) {
    if (bits <= 0) return {};
    const int n = (bits + 31) / 32;
    std::vector<uint32_t> w(n);
    switch (below(4)) {
        case 0:  // all ones
            for (auto& x : w) x = 0xFFFFFFFFu;
            break;
        case 1: {  // runs of equal bits
            int bit = 0;
            while (bit < n * 32) {
                const int run = 1 + static_cast<int>(below(70));
                const bool one = coin();
                for (int i = 0; i < run && bit < n * 32; ++i, ++bit)
                    if (one) w[bit / 32] |= 1u << (bit % 32);
            }
            break;
        }
        default:
            for (auto& x : w) x = next32();
    }
    const int top = (bits - 1) % 32;
    w[n - 1] &= (top == 31) ? 0xFFFFFFFFu : ((2u << top) - 1);
    w[n - 1] |= 1u << top;
    return w;
}

int TestRng::interesting_bits(int max_bits) {
    if (below(3) == 0) {
        // near a word boundary
        int words = 1 + static_cast<int>(below(static_cast<uint64_t>((max_bits + 31) / 32)));
        int b = words * 32 + static_cast<int>(below(3)) - 1;
        if (b < 1) b = 1;
        return b > max_bits ? max_bits : b;
    }
    return 1 + static_cast<int>(below(static_cast<uint64_t>(max_bits)));
}

}  // namespace testsupport
