// Entropy gathering and seeding with a manual clock and fixed system
// information: the seed block's form, the use of the system generator, strong
// draws, the salt characters, RC4 against published vectors, and the two
// background threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>
#include <thread>

#include "random/entropy.h"
#include "random/meter.h"
#include "tests/support/engine_fixture.h"

namespace {

using testsupport::Big;
using testsupport::EngineTest;

std::string hex(const uint8_t* p, size_t n) {
    static const char* k = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += k[p[i] >> 4];
        s += k[p[i] & 15];
    }
    return s;
}

// Published RC4 test vectors (key, plaintext, ciphertext).
TEST(Rc4, PublishedVectors) {
    const struct {
        const char *key, *plain, *cipher;
    } cases[] = {
        {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
        {"Wiki", "pedia", "1021BF0420"},
        {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
    };
    for (const auto& c : cases) {
        Rc4 rc4;
        rc4_key(rc4, reinterpret_cast<const uint8_t*>(c.key), std::strlen(c.key));
        std::string buf = c.plain;
        // The keystream continues across calls: encrypt in two pieces.
        rc4_xor(rc4, reinterpret_cast<uint8_t*>(buf.data()), 2);
        rc4_xor(rc4, reinterpret_cast<uint8_t*>(buf.data()) + 2, buf.size() - 2);
        EXPECT_EQ(hex(reinterpret_cast<const uint8_t*>(buf.data()), buf.size()), c.cipher) << c.key;
    }
}

class Entropy : public EngineTest {
   protected:
    ManualClock clock;
    FixedSystemInfo info;
};

bool is_upper_hex(const std::string& s) {
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'F')) return false;
    return true;
}

TEST_F(Entropy, GatherWritesHexDigestAndUsesTheSystemGenerator) {
    clock.set_tsc(0x123456789ull, 977);
    EntropyState state(clock, info);
    uint8_t before[kSeedBlockBytes], pool[kPoolBytes];
    state.snapshot(before, pool);
    state.gather_entropy();
    EXPECT_EQ(info.random_bytes_given(), 64u);
    const std::string text = state.seed_text();
    EXPECT_EQ(text.size(), 128u);
    EXPECT_TRUE(is_upper_hex(text)) << text;
    uint8_t after[kSeedBlockBytes];
    state.snapshot(after, pool);
    EXPECT_EQ(after[128], 0);
    EXPECT_EQ(std::memcmp(after + 129, before + 129, 31), 0);  // the tail is left as it was

    state.stir_seed(reinterpret_cast<const uint8_t*>("typed"), 5, nullptr, 0);
    EXPECT_NE(state.seed_text(), text);
    EXPECT_TRUE(is_upper_hex(state.seed_text()));
}

TEST_F(Entropy, MixTableRoundsOutsideRangeBecomeTwo) {
    EntropyState a(clock, info), b(clock, info);
    const uint8_t data[] = {1, 2, 3, 250};
    a.build_mix_table(2);
    b.build_mix_table(0);
    EXPECT_EQ(a.mix_hash(7, data, 4), b.mix_hash(7, data, 4));
    b.build_mix_table(16);
    EXPECT_EQ(a.mix_hash(7, data, 4), b.mix_hash(7, data, 4));
    b.build_mix_table(3);
    EXPECT_NE(a.mix_hash(7, data, 4), b.mix_hash(7, data, 4));
}

TEST_F(Entropy, StrongDrawsDifferAndFreshBytesEnterEverySeeding) {
    clock.set_tsc(1000, 0);  // the same TSC for every reading
    EntropyState state(clock, info);
    state.gather_entropy();
    const size_t used = info.random_bytes_given();
    Big n("FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831");
    Big x1, x2;
    strong_random_below(n, x1, state);
    EXPECT_EQ(info.random_bytes_given(), used + 32);
    strong_random_below(n, x2, state);
    EXPECT_NE(x1.hex(), x2.hex());
    EXPECT_GT(big_compare(n, x1), 0);
    EXPECT_FALSE(big_is_zero(x1));
}

TEST_F(Entropy, StrongRandomBelowEdges) {
    EntropyState state(clock, info);
    Big x(5);
    for (int n : {0, 1, -7}) {
        Big bound(n);
        strong_random_below(bound, x, state);
        EXPECT_EQ(x.hex(), "0") << n;
    }
    EXPECT_EQ(info.random_bytes_given(), 0u);  // no generator was seeded
    Big two(2);
    for (int i = 0; i < 20; ++i) {
        strong_random_below(two, x, state);
        EXPECT_EQ(x.hex(), "1");
    }
    Big ten(10);
    for (int i = 0; i < 50; ++i) {
        strong_random_below(ten, x, state);
        EXPECT_GE(big_compare(x, Big(1)), 0);
        EXPECT_LT(big_compare(x, ten), 0);
    }
}

TEST_F(Entropy, SaltCharactersArePrintable) {
    EntropyState state(clock, info);
    state.gather_entropy();
    for (int round = 0; round < 20; ++round) {
        const std::string salt = state.salt_characters();
        ASSERT_EQ(salt.size(), 127u);
        for (char c : salt) {
            EXPECT_GE(c, 33);
            EXPECT_LE(c, 126);
        }
    }
}

TEST(SidText, AuthorityForms) {
    UserSid sid;
    sid.authority[5] = 5;
    sid.sub_authorities = {21, 4000000000u, 1001};
    EXPECT_EQ(sid_text(sid), "S-1-5-21-4000000000-1001");
    sid.revision = 7;  // always written as 1
    sid.authority[2] = 1;
    EXPECT_EQ(sid_text(sid), "S-1-16777221-21-4000000000-1001");
    sid.authority[1] = 0xAB;
    sid.sub_authorities.clear();
    EXPECT_EQ(sid_text(sid), "S-1-0x00ab01000005");
}

// A view that records what the threads show.
struct RecordingView final : EntropyView {
    std::mutex m;
    std::string padding = "typed by the user";
    std::vector<std::string> salts, cpus, panes;
    bool enabled = false;
    std::string seed_padding() override { return padding; }
    void show_salt(const std::string& t) override {
        std::lock_guard<std::mutex> l(m);
        salts.push_back(t);
    }
    void show_cpu(const std::string& t) override {
        std::lock_guard<std::mutex> l(m);
        cpus.push_back(t);
    }
    void large_pane(const std::string& t) override {
        std::lock_guard<std::mutex> l(m);
        panes.push_back(t);
    }
    void enable_meter_buttons() override { enabled = true; }
};

TEST_F(Entropy, SeedTypingRunsTenToSeventeenRoundsOnce) {
    clock.set_tsc(0x5A5A5A5A5A5Aull, 0);  // (TSC >> 9) mod 8 = 5: 15 rounds
    EntropyState state(clock, info);
    RecordingView view;
    SeedTyping typing(state, view);
    ASSERT_TRUE(typing.start());
    EXPECT_FALSE(typing.start());  // a second edit starts no second thread
    for (int i = 0; i < 400 && typing.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(typing.running());
    EXPECT_EQ(view.panes.size(), 15u);
    for (const std::string& p : view.panes) EXPECT_EQ(p, "Rand Seed & Salt updated OK :)");
    ASSERT_EQ(view.salts.size(), 15u);
    for (size_t i = 1; i < view.salts.size(); ++i) EXPECT_NE(view.salts[i], view.salts[i - 1]);
    EXPECT_TRUE(typing.start());  // ended: a new edit starts it again
    typing.stop();
}

TEST_F(Entropy, CpuMeterShowsRateSaltAndHonoursPauAndType) {
    clock.set_frequency(1000000000ull);
    clock.set_tsc(1ull << 40, 3000000);  // each reading 3,000,000 cycles later
    EntropyState state(clock, info);
    state.gather_entropy();
    RecordingView view;
    CpuMeter meter(state, view);
    StopToken stop;
    std::thread t([&] { meter.run(stop); });
    while (meter.rounds() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    meter.toggle_type();
    const long r = meter.rounds();
    while (meter.rounds() < r + 2) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    meter.toggle_suspend();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const long frozen = meter.rounds();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(meter.rounds(), frozen);
    stop.request_stop();
    meter.toggle_suspend();
    t.join();
    EXPECT_TRUE(view.enabled);
    ASSERT_FALSE(view.cpus.empty());
    EXPECT_EQ(view.cpus.front(), "CPU Frequency");
    ASSERT_GE(view.salts.size(), 2u);
    EXPECT_EQ(view.salts.front().size(), 128u);
    EXPECT_TRUE(is_upper_hex(view.salts.front()));
    EXPECT_EQ(view.salts.back().size(), 127u);  // "Type" on
}

}  // namespace
