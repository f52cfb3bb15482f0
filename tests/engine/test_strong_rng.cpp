// The strong generator against a separate Python implementation of its
// algorithm (tests/vectors/gen/gen_strong.py), and its consumption rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/modular.h"
#include "engine/strong_rng.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

std::vector<uint8_t> from_hex(const std::string& h) {
    std::vector<uint8_t> out;
    if (h == "-") return out;
    for (size_t i = 0; i + 1 < h.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoul(h.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> out;
    size_t p = 0;
    while (p <= s.size()) {
        size_t q = s.find(',', p);
        if (q == std::string::npos) q = s.size();
        out.push_back(s.substr(p, q - p));
        p = q + 1;
    }
    return out;
}

class StrongRng : public EngineTest {};

TEST_F(StrongRng, StreamsAndDrawsMatchTheReference) {
    int seen = 0;
    for (const auto& c : load_vectors("engine/strong_rng.txt")) {
        if (!c.section.empty()) continue;
        SCOPED_TRACE(c.where);
        ++seen;
        const auto raw = from_hex(c.get("Raw"));
        const uint32_t tod = static_cast<uint32_t>(std::stoul(c.get("Tod")));
        strong_generator g;
        strong_generator_init(&g, static_cast<int>(raw.size()), raw.data(), tod);
        const auto stream = from_hex(c.get("Stream"));
        for (size_t i = 0; i < stream.size(); ++i) EXPECT_EQ(strong_generator_byte(&g), stream[i]) << i;

        strong_generator_init(&g, static_cast<int>(raw.size()), raw.data(), tod);
        const auto bounds = split(c.get("Bounds"));
        const auto draws = split(c.get("Draws"));
        ASSERT_EQ(bounds.size(), draws.size());
        for (size_t i = 0; i < bounds.size(); ++i) {
            Big w(bounds[i]), x;
            strong_bigrand(&g, w, x);
            EXPECT_EQ(x.hex(), draws[i]) << "bound " << bounds[i];
            EXPECT_TRUE(is_canonical(x));
        }
    }
    EXPECT_EQ(seen, 5);
    EXPECT_EQ(engine_error(), 0);
}

// The engine's raw generator (fresh after engine_open, and seeded) and bigrand
// against the same Python reference.
TEST_F(StrongRng, RawGeneratorAndBigrandMatchTheReference) {
    int seen = 0;
    for (const auto& c : load_vectors("engine/strong_rng.txt")) {
        if (c.section != "raw") continue;
        SCOPED_TRACE(c.where);
        ++seen;
        engine_teardown();
        E = engine_open(2176, 2);
        E->error_control = true;
        if (c.get("Seed") != "-") raw_rand_seed(static_cast<uint32_t>(std::stoul(c.get("Seed"))));
        for (const auto& d : split(c.get("Draws")))
            EXPECT_EQ(raw_rand_next(), static_cast<uint32_t>(std::stoul(d, nullptr, 16)));
        if (!c.has("Bounds")) continue;
        const auto bounds = split(c.get("Bounds"));
        const auto rand = split(c.get("Rand"));
        ASSERT_EQ(bounds.size(), rand.size());
        for (size_t i = 0; i < bounds.size(); ++i) {
            Big w(bounds[i]), x;
            bigrand(w, x);
            EXPECT_EQ(x.hex(), rand[i]) << "bound " << bounds[i];
        }
    }
    EXPECT_EQ(seen, 5);
    EXPECT_EQ(engine_error(), 0);
}

TEST_F(StrongRng, BoundOneConsumesUpToTheFirstNonZeroByte) {
    const uint8_t raw[] = {1, 2, 3};
    strong_generator a, b;
    strong_generator_init(&a, 3, raw, 77);
    b = a;
    Big one(1), x("5");
    for (int round = 0; round < 30; ++round) {  // crosses several pool refills
        strong_bigrand(&a, one, x);
        EXPECT_EQ(x.hex(), "0");
        while (strong_generator_byte(&b) == 0) {
        }
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << round;
    }
}

TEST_F(StrongRng, Bound256GivesTheByteAfterTheFirstNonZeroOne) {
    strong_generator a, b;
    strong_generator_init(&a, 0, nullptr, 0xCAFE);
    b = a;
    Big w(256), x;
    for (int round = 0; round < 30; ++round) {
        strong_bigrand(&a, w, x);
        while (strong_generator_byte(&b) == 0) {
        }
        const uint8_t last = strong_generator_byte(&b);
        EXPECT_EQ(big_int_size(x), last);
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << round;
    }
}

TEST_F(StrongRng, SeedsDecideTheStream) {
    std::vector<uint8_t> raw(320);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>(i * 31);
    auto stream = [&](const std::vector<uint8_t>& r, uint32_t tod) {
        strong_generator g;
        std::memset(&g, 0xA5, sizeof g);  // whatever was there before is replaced
        strong_generator_init(&g, static_cast<int>(r.size()), r.data(), tod);
        std::vector<uint8_t> out(100);
        for (auto& b : out) b = strong_generator_byte(&g);
        return out;
    };
    const auto s1 = stream(raw, 5);
    EXPECT_EQ(stream(raw, 5), s1);
    EXPECT_NE(stream(raw, 6), s1);
    auto raw2 = raw;
    raw2[319] ^= 1;
    EXPECT_NE(stream(raw2, 5), s1);

    // Re-seeding an advanced generator gives the fresh stream again.
    strong_generator g;
    strong_generator_init(&g, static_cast<int>(raw.size()), raw.data(), 5);
    for (int i = 0; i < 1000; ++i) strong_generator_byte(&g);
    strong_generator_init(&g, static_cast<int>(raw.size()), raw.data(), 5);
    for (size_t i = 0; i < s1.size(); ++i) EXPECT_EQ(strong_generator_byte(&g), s1[i]);

    // Draws stay below the bound; a bound of zero or below gives zero.
    Big w("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEBAAEDCE6AF48A03BBFD25E8CD0364141"), x;
    for (int i = 0; i < 200; ++i) {
        strong_bigrand(&g, w, x);
        ASSERT_LT(big_compare(x, w), 0);
        ASSERT_GE(big_compare(x, Big(0)), 0);
    }
    Big zero(0), neg(-5);
    strong_bigrand(&g, zero, x);
    EXPECT_EQ(x.hex(), "0");
    strong_bigrand(&g, neg, x);
    EXPECT_EQ(x.hex(), "0");
    EXPECT_EQ(engine_error(), 0);
}

TEST_F(StrongRng, MixCountRange) {
    strong_generator g{};
    for (uint32_t w : {0u, 1u, 0xFFFFFFFFu, 0x80000000u, 12345u}) {
        const int c = strong_generator_mix(&g, w);
        EXPECT_GE(c, 263);
        EXPECT_LE(c, 525);
        EXPECT_EQ(g.index, 0);
        EXPECT_EQ(g.borrow, 0u);
    }
}

}  // namespace
