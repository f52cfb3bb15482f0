// The number fields on the headless window: input parse and filters of every
// display base, base change, "Rev.", CLEAR ECC/KEY, the curve-type switch and the
// start-up state. Expected values are worked out by hand in the comments.
#include <thread>

#include "tests/workbench/fixture.h"
#include "workbench/number_text.h"

namespace {

using testsupport::WorkbenchTest;
using Fields = WorkbenchTest;

TEST_F(Fields, StartUpState) {
    EXPECT_EQ(win->caption(ctl::curve_group), "Curve over GF(P) Y^2 = X^3 + A*X + B (mod P)");
    EXPECT_EQ(win->text(ctl::curve_bits), "64");
    EXPECT_EQ(win->limit(ctl::curve_bits), 4);
    EXPECT_EQ(win->text(ctl::m_box) + win->text(ctl::a_box) + win->text(ctl::b_box) + win->text(ctl::c_box), "63500");
    EXPECT_EQ(win->limit(ctl::m_box), 4);
    EXPECT_EQ(win->limit(ctl::a_box), 3);
    EXPECT_EQ(win->text(ctl::ecm_n), "50");
    EXPECT_EQ(win->text(ctl::ecm_k), "101");
    EXPECT_EQ(win->text(ctl::number_base), "16");
    EXPECT_EQ(win->text(ctl::thread_priority), "Normal/8");
    EXPECT_EQ(win->text(ctl::curve_type), "GF(P)");
    EXPECT_EQ(win->list_entries(ctl::number_base), (std::vector<std::string>{"10", "16", "36", "60", "64"}));
    EXPECT_EQ(win->list_entries(ctl::thread_priority),
              (std::vector<std::string>{"Idle/4", "Bellow Normal/6", "Normal/8", "Above Normal/10", "High/13"}));
    EXPECT_EQ(win->text(ctl::seed_padding), "Type any chars here into rng seed hashing as you like :) ...");
    EXPECT_EQ(win->limit(ctl::seed_padding), 256);
    EXPECT_EQ(win->limit(ctl::rng_salt), 256);
    for (ControlId id : {ctl::pau, ctl::type, ctl::stop, ctl::pause}) EXPECT_FALSE(win->enabled(id)) << id;
    EXPECT_TRUE(win->read_only(ctl::field_edit(ctl::S)));
    EXPECT_TRUE(win->read_only(ctl::field_edit(ctl::H)));
    EXPECT_FALSE(win->read_only(ctl::field_edit(ctl::NP)));
    for (int i = 0; i < ctl::kFieldCount; ++i) EXPECT_EQ(win->limit(ctl::field_edit(i)), 256);
    EXPECT_EQ(pane(), Workbench::about_text());
    EXPECT_EQ(win->text(ctl::cost), " 0s 0ms");  // manual clock: no time passed
    EXPECT_EQ(wb->display_base(), 16);
    EXPECT_TRUE(win->enabled(ctl::rev_np));
    EXPECT_FALSE(win->shown(ctl::m_box));
    EXPECT_TRUE(win->shown(ctl::field_edit(ctl::P)));
}

TEST_F(Fields, CheckBoxesMakeSeedAndHashEditable) {
    EXPECT_FALSE(type(ctl::S, "12"));
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_TRUE(type(ctl::S, "12"));
    EXPECT_EQ(value(ctl::S), "12");
    ASSERT_TRUE(win->click(ctl::check_h));
    EXPECT_FALSE(win->read_only(ctl::field_edit(ctl::H)));
    win->click(ctl::check_h);
    EXPECT_TRUE(win->read_only(ctl::field_edit(ctl::H)));
    // "P" changes nothing at once.
    win->click(ctl::check_p);
    EXPECT_FALSE(win->read_only(ctl::field_edit(ctl::P)));
}

TEST_F(Fields, InputParseOfEveryBase) {
    const struct {
        int base;
        const char* typed;
        const char* shown;  // the field keeps the filtered text, not redrawn
        const char* value;  // record, signed hex
        const char* bits;
    } cases[] = {
        {10, "12xz", "12", "C", "4"},
        {10, "-255", "-255", "-FF", "8"},
        {10, "", "", "0", "0"},
        {10, "-", "-", "0", "0"},
        {16, "fFz", "fF", "FF", "8"},
        {16, "-0001", "-0001", "-1", "1"},
        {36, "AzZ", "AZ", "18B", "9"},       // 10*36 + 35 = 395
        {36, "zz", "", "0", "0"},            // lower case is no base-36 digit
        {60, "axyz", "ax", "8AB", "12"},     // 36*60 + 59 = 2219
        {60, "-10", "-10", "-3C", "6"},
        {64, "/w==", "/w", "FF", "8"},
        {64, "AQAB", "AQAB", "10001", "17"},
        {64, "-AQAB", "-AQAB", "0", "0"},    // a sign makes the Base64 value empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.base) + " " + c.typed);
        ASSERT_TRUE(choose_base(c.base) || wb->display_base() == c.base);
        ASSERT_TRUE(type(ctl::NP, c.typed));
        EXPECT_EQ(text(ctl::NP), c.shown);
        EXPECT_EQ(value(ctl::NP), c.value);
        EXPECT_EQ(counter(ctl::NP), c.bits);
    }
}

TEST_F(Fields, Base64Display) {
    ASSERT_TRUE(type(ctl::NP, "FF"));
    ASSERT_TRUE(type(ctl::A, "-5"));
    ASSERT_TRUE(choose_base(64));
    EXPECT_EQ(text(ctl::NP), "/w");  // no fill characters
    EXPECT_EQ(text(ctl::A), "BQ");   // the sign is not shown ...
    EXPECT_EQ(value(ctl::A), "-5");  // ... but the record keeps it
    EXPECT_EQ(text(ctl::B), "");     // empty record: empty field
    ASSERT_TRUE(choose_base(16));
    EXPECT_EQ(text(ctl::A), "-5");
    // An empty record drawn in base 64 reports the failed conversion.
    wb->fields().show_field(ctl::Q, 64, 64);
    EXPECT_EQ(pane(), "HEX -> BASE64 ERROR! ");
    EXPECT_EQ(text(ctl::Q), "");
    // A Base64 text whose bytes need 559 or more hex digits leaves the record.
    ASSERT_TRUE(choose_base(64));
    win->set_text(ctl::field_edit(ctl::NP), std::string(376, 'A'));  // 282 bytes: 564 hex digits
    EXPECT_EQ(value(ctl::NP), "FF");
}

TEST_F(Fields, BaseChangeRoundTripAndSameBase) {
    ASSERT_TRUE(type(ctl::NP, "FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831"));
    ASSERT_TRUE(type(ctl::A, "-3"));
    ASSERT_TRUE(type(ctl::Q, "123456789ABCDEF0"));
    win->set_text(ctl::large_pane, "");
    ASSERT_TRUE(choose_base(10));
    EXPECT_EQ(pane(), "BASE Changed OK.");
    EXPECT_EQ(text(ctl::NP), "6277101735386680763835789423176059013767194773182842284081");
    EXPECT_EQ(text(ctl::A), "-3");
    EXPECT_EQ(text(ctl::Q), "1311768467463790320");
    EXPECT_EQ(counter(ctl::NP), "192");
    for (int base : {36, 60, 64, 16}) ASSERT_TRUE(choose_base(base));
    EXPECT_EQ(text(ctl::NP), "FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831");
    EXPECT_EQ(text(ctl::A), "-3");
    EXPECT_EQ(value(ctl::Q), "123456789ABCDEF0");
    // The same base again changes and writes nothing.
    win->set_text(ctl::large_pane, "");
    win->choose(ctl::number_base, 1);
    EXPECT_EQ(pane(), "");
}

TEST_F(Fields, ReverseButtons) {
    ASSERT_TRUE(type(ctl::NP, "1020304"));
    ASSERT_TRUE(win->click(ctl::rev_np));
    EXPECT_EQ(text(ctl::NP), "04030201");
    EXPECT_EQ(value(ctl::NP), "4030201");
    ASSERT_TRUE(type(ctl::P, "AB"));
    ASSERT_TRUE(win->click(ctl::rev_p));
    EXPECT_EQ(text(ctl::P), "AB");
    ASSERT_TRUE(type(ctl::P, "-10203"));  // the sign is dropped
    ASSERT_TRUE(win->click(ctl::rev_p));
    EXPECT_EQ(value(ctl::P), "30201");
    ASSERT_TRUE(choose_base(10));
    EXPECT_FALSE(win->enabled(ctl::rev_np));
    EXPECT_FALSE(win->click(ctl::rev_p));
    ASSERT_TRUE(choose_base(16));
    EXPECT_TRUE(win->enabled(ctl::rev_p));
}

TEST_F(Fields, ClearEccAndClearKey) {
    for (int i = 0; i < ctl::kFieldCount; ++i) {
        if (i == ctl::S || i == ctl::H) {
            win->set_text(ctl::field_edit(i), "77");
        } else {
            ASSERT_TRUE(type(i, "1" + std::to_string(i)));
        }
    }
    ASSERT_TRUE(win->click(ctl::clear_ecc));
    for (int i : {ctl::NP, ctl::A, ctl::B, ctl::P, ctl::H, ctl::S}) {
        EXPECT_EQ(text(i), "") << i;
        EXPECT_EQ(counter(i), "0") << i;
        EXPECT_EQ(value(i), "0") << i;
    }
    for (int i : {ctl::Q, ctl::K, ctl::GX, ctl::GY, ctl::RX, ctl::RY}) EXPECT_EQ(value(i), "1" + std::to_string(i));
    ASSERT_TRUE(win->click(ctl::clear_key));
    for (int i : {ctl::Q, ctl::K, ctl::GX, ctl::GY, ctl::RX, ctl::RY}) {
        EXPECT_EQ(text(i), "");
        EXPECT_EQ(value(i), "0");
        EXPECT_EQ(wb->fields().record(i).magnitude, "");
    }
}

TEST_F(Fields, CurveTypeSwitchKeepsValues) {
    ASSERT_TRUE(type(ctl::P, "17"));
    ASSERT_TRUE(type(ctl::NP, "-1234"));
    ASSERT_TRUE(win->choose(ctl::curve_type, 1));
    EXPECT_EQ(pane(), "Curve over GF(2^M)");
    EXPECT_EQ(win->caption(ctl::curve_group), "Curve over GF(2^m) Y^2 + X*Y = X^3 + a2*X^2 + a6 (mod 2^m)");
    EXPECT_EQ(win->caption(ctl::poly_text),
              "Trinomial: f(t)=t^m + t^a + 1 (b=0)\r\nPentanomial: t^m + t^a + t^b + t^c + 1");
    for (ControlId id : std::initializer_list<ControlId>{ctl::list_poly, ctl::chk_poly, ctl::find_poly, ctl::poly_title, ctl::m_label, ctl::m_box,
                         ctl::c_box})
        EXPECT_TRUE(win->shown(id)) << id;
    for (ControlId id : std::initializer_list<ControlId>{ctl::get_ab, ctl::curve_bits, ctl::curve_bits_label, ctl::field_edit(ctl::P),
                         ctl::field_counter(ctl::P), ctl::check_p, ctl::rev_p})
        EXPECT_FALSE(win->shown(id)) << id;
    EXPECT_EQ(wb->curve_type(), kCurveGF2m);
    EXPECT_EQ(value(ctl::P), "17");
    EXPECT_EQ(value(ctl::NP), "-1234");
    ASSERT_TRUE(win->choose(ctl::curve_type, 0));
    EXPECT_EQ(pane(), "Curve over GF(P)");
    EXPECT_EQ(win->caption(ctl::poly_text), "");
    EXPECT_TRUE(win->shown(ctl::field_edit(ctl::P)));
    EXPECT_FALSE(win->shown(ctl::m_box));
    wb->apply_curve_type(2);  // an unknown type does nothing
    EXPECT_EQ(wb->curve_type(), kCurveGFp);
}

TEST_F(Fields, AboutText) {
    win->set_text(ctl::large_pane, "");
    ASSERT_TRUE(win->click(ctl::about));
    EXPECT_EQ(pane().substr(0, 26), "KORVATH\r\nCreated by tovrel");
    EXPECT_EQ(pane().substr(pane().size() - 20), "\r\nHave a good day :)");
}

// A store and redisplay made on another thread (as a worker does) is drawn by
// the window thread in the display base, without a parse of its own text.
TEST_F(Fields, StoreAndRedisplayFromAnotherThread) {
    ASSERT_TRUE(choose_base(10));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        open_workbench_engine();
        big v = big_alloc(-1000);
        wb->fields().store_field(ctl::GX, v);
        wb->fields().redisplay_changed_fields();
        big_free(v);
        engine_teardown();
        done = true;
    });
    ASSERT_TRUE(pump_until([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(text(ctl::GX), "-1000");
    EXPECT_EQ(value(ctl::GX), "-3E8");
    EXPECT_EQ(counter(ctl::GX), "10");
    EXPECT_FALSE(wb->fields().record(ctl::GX).changed);
}

// An engine error met by an action is reported once, and the next action starts
// clean (the window's instance lives long).
TEST_F(Fields, EngineErrorIsReportedPerAction) {
    ASSERT_TRUE(choose_base(60));
    win->set_text(ctl::large_pane, "");
    ASSERT_TRUE(type(ctl::NP, "Zz"));  // z is no base-60 digit; Z = 35 = 0x23
    EXPECT_EQ(value(ctl::NP), "23");
    win->set_text(ctl::field_edit(ctl::NP), std::string(559, 'x'));  // 3,300 bits: too big
    EXPECT_NE(pane().find("Engine error 3: Overflow - Number too big"), std::string::npos) << pane();
    // The record keeps its value and the field shows it again.
    EXPECT_EQ(value(ctl::NP), "23");
    EXPECT_EQ(text(ctl::NP), "Z");
    win->set_text(ctl::large_pane, "");
    ASSERT_TRUE(type(ctl::NP, "10"));
    EXPECT_EQ(pane(), "");
    EXPECT_EQ(value(ctl::NP), "3C");
}

}  // namespace
