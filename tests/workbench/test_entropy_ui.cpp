// The entropy side of the window: "RNG Salt" after start-up, the CPU meter with
// "Pau" and "Type", and the seed-typing rounds of "Seed Padding".
#include <cctype>

#include "tests/workbench/fixture.h"

namespace {

bool upper_hex(const std::string& s) {
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'F')) return false;
    return true;
}

class EntropyUi : public testsupport::WorkbenchTest {
   protected:
    void SetUp() override {
        registry = command_registry();
        registry.keep_backgrounds({"cpu meter"});
        start(false, &registry, true, true);
    }
    CommandRegistry registry;
};

TEST_F(EntropyUi, SaltMeterAndType) {
    const std::string salt = win->text(ctl::rng_salt);
    EXPECT_EQ(salt.size(), 128u);
    EXPECT_TRUE(upper_hex(salt)) << salt;
    ASSERT_TRUE(pump_until([&] { return win->enabled(ctl::pau) && win->enabled(ctl::type); }));
    ASSERT_TRUE(pump_until([&] { return !win->text(ctl::cpu).empty(); }));
    ASSERT_TRUE(win->click(ctl::type));
    ASSERT_TRUE(pump_until([&] { return win->text(ctl::rng_salt).size() == 127; }));
    for (char c : win->text(ctl::rng_salt)) {
        EXPECT_GE(c, 33);
        EXPECT_LE(c, 126);
    }
    ASSERT_TRUE(win->click(ctl::type));
    ASSERT_TRUE(pump_until([&] { return win->text(ctl::rng_salt).size() == 128; }));
}

TEST_F(EntropyUi, TypingIntoSeedPaddingStirsTheSeed) {
    const std::string before = win->text(ctl::rng_salt);
    win->set_text(ctl::large_pane, "");
    ASSERT_TRUE(win->type_text(ctl::seed_padding, "some keys"));
    ASSERT_TRUE(pump_until([&] { return pane() == "Rand Seed & Salt updated OK :)"; }));
    EXPECT_NE(win->text(ctl::rng_salt), before);
}

}  // namespace
