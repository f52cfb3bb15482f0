// The worker actions of the key pairs: NE&W G (slot 5), GET AB (slot 7), GET ORD
// (slot 6) and "Kangaroo k*G=R" (slot 8), through the headless window, with
// their refusals and slot protocol. Curves and orders come from
// tests/data/standard-curves.json; small curves were found and counted by brute
// force (tests/vectors/gen/gen_workbench.py's formulas, run by hand).
#include <string>

#include "engine/modular.h"
#include "engine/values.h"
#include "tests/workbench/actions_fixture.h"

namespace {

using testsupport::ActionsTest;
using testsupport::standard_curve;
using testsupport::StandardCurve;
using namespace std::chrono_literals;

BigInt num(const std::string& hex) {
    BigInt x;
    cinstr(x.get(), hex.c_str());
    return x;
}

// A second point of secp112r1 (X2, Y0 of tests/vectors/workbench/keys.txt,
// computed with Python from y^2 = x^3 + ax + b).
const char* const second_point_x = "9823E6BA3AD74DE45321AD915A36";
const char* const second_point_y = "9563B634B3E433EF9B92DB2FB20E";

using Orders = ActionsTest;

// GET AB gives back the coefficients of the curve through G and 2G.
TEST_F(Orders, CoefficientsFromTwoPoints) {
    const StandardCurve& c = standard_curve("secp112r1");
    use_curve("secp112r1");
    set(ctl::RX, second_point_x);
    set(ctl::RY, second_point_y);
    set(ctl::A, "1");
    set(ctl::B, "2");
    win->set_text(ctl::cost, "none");
    ASSERT_TRUE(run_worker(ctl::get_ab));
    EXPECT_EQ(pane(), "A=\r\n" + c.a + "\r\nB=\r\n" + c.b + "\r\n");
    EXPECT_EQ(value(ctl::A), "1");  // the fields keep their values
    EXPECT_EQ(value(ctl::B), "2");
    EXPECT_NE(cost(), "none");
    EXPECT_EQ(wb->workers().state(7), SlotState::finished);
}

TEST_F(Orders, CoefficientsRefusals) {
    use_curve("secp112r1");
    // An abscissa typed negative but equal to the other modulo P.
    const std::string same_x = (num(second_point_x) - num(standard_curve("secp112r1").p)).text();
    const struct {
        int field;
        std::string value;
        const char* pane;
    } cases[] = {
        {ctl::GX, "DB7C2ABF62E35E668076BEAD208B", "Error, G(x,y), R(x,y), both x,y-coordinate must < P."},
        {ctl::RY, "DB7C2ABF62E35E668076BEAD208C", "Error, G(x,y), R(x,y), both x,y-coordinate must < P."},
        {ctl::RX, "", "Error, G(x,y), R(x,y), x-coordinate must be different."},  // Rx := Gx
        {ctl::GX, same_x, "Error, G(x,y), R(x,y), x-coordinate must be different."},
        {ctl::P, "DB7C2ABF62E35E668076BEAD208D", "Error, P is not Prime."},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.pane);
        use_curve("secp112r1");
        set(ctl::RX, second_point_x);
        set(ctl::RY, second_point_y);
        set(k.field, !k.value.empty() ? k.value : value(ctl::GX));
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(run_worker(ctl::get_ab));
        EXPECT_EQ(pane(), k.pane);
        EXPECT_EQ(cost(), "none");
        EXPECT_EQ(wb->workers().state(7), SlotState::idle);
        EXPECT_FALSE(win->enabled(ctl::stop));
        EXPECT_TRUE(win->enabled(ctl::get_ab));
    }
}

// NEW G on curves of prime order (secp112r1) and with cofactor 2 (sect113r1,
// also with NP given without its factor 2): G lies on the curve and Q*G = O.
TEST_F(Orders, NewBasePoint) {
    const struct {
        const char* curve;
        bool halve_np;
    } cases[] = {{"secp112r1", false}, {"sect113r1", false}, {"sect113r1", true}};
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.curve) + (k.halve_np ? " NP/2" : ""));
        const StandardCurve& c = standard_curve(k.curve);
        use_curve(k.curve);
        if (k.halve_np) set(ctl::NP, c.n);
        const std::string np_text = text(ctl::NP);
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(run_worker(ctl::new_g));
        EXPECT_EQ(pane(), "Done New G(x,y),its Order Q\r\n" + c.n + "\r\n");
        EXPECT_NE(value(ctl::GX), c.gx);
        EXPECT_EQ(text(ctl::NP), np_text);
        EXPECT_NE(cost(), "none");
        EXPECT_EQ(wb->workers().state(5), SlotState::finished);
        if (!c.binary) {
            const BigInt p = num(c.p), x = num(value(ctl::GX)), y = num(value(ctl::GY));
            EXPECT_EQ((y * y - (x * x * x + num(c.a) * x + num(c.b))) % p, BigInt(0));
        }
        ASSERT_TRUE(win->click(ctl::chk_order));
        EXPECT_EQ(pane(), "G(x,y) is on Curve\r\n*** And Order = " + c.n + "\r\n");
    }
}

TEST_F(Orders, NewBasePointRefusals) {
    const StandardCurve& c = standard_curve("secp112r1");
    BigInt next;
    nxprime(num(c.n).get(), next.get());  // a prime inside the Hasse band, not the order
    const BigInt p = num(c.p);
    // The first primes past either end of the band [p + 1 - d - 3, p + 1 + d + 3].
    BigInt above, below;
    nxprime((p + 1 + 2 * sqrt(p) + 3).get(), above.get());
    nxprime((p + 1 - 2 * sqrt(p) - 3 - 300).get(), below.get());
    ASSERT_TRUE(below < p + 1 - 2 * sqrt(p) - 3);
    const struct {
        const char* curve;
        int field;
        std::string value;
        int field2;
        std::string value2;
        std::string pane;
    } cases[] = {
        {"secp112r1", ctl::Q, "F", -1, "", "Order Q is not Prime!"},
        {"secp112r1", ctl::Q, "3", -1, "", "Order Q is not a Factor of NP!"},
        {"secp112r1", ctl::NP, above.text(), ctl::Q, above.text(), "NP is not correct in (p-delta, p+delta).\r\n"},
        {"secp112r1", ctl::NP, below.text(), ctl::Q, below.text(), "NP is not correct in (p-delta, p+delta).\r\n"},
        {"secp112r1", ctl::NP, (2 * next).text(), ctl::Q, next.text(), "NP is not correct in (p-delta, p+delta).\r\n"},
        {"secp112r1", ctl::NP, next.text(), ctl::Q, next.text(),
         "Test 1 of 10 Tries, this Point\r\n*** Order != " + next.text() + "\r\n"},
        {"secp112r1", ctl::P, "9", -1, "", "P is not prime."},
        {"sect113r1", ctl::B, "0", -1, "", "Not Allowed in GF(2^M), B=0\r\n"},
        {"sect113r1", ctl::A, "-1", -1, "", "Illegal Curve Parameters over GF(2^113)\r\n"},
        {"sect113r1", ctl::NP, "0", -1, "", "NP is not correct in (p-delta, p+delta).\r\n"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.pane);
        use_curve(k.curve);
        set(k.field, k.value);
        if (k.field2 >= 0) set(k.field2, k.value2);
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(run_worker(ctl::new_g));
        EXPECT_EQ(pane(), k.pane);
        EXPECT_EQ(value(ctl::GX), standard_curve(k.curve).gx);
        // NEW G marks its slot running before any check: "Cost" is written.
        EXPECT_NE(cost(), "none");
        EXPECT_EQ(wb->workers().state(5), SlotState::finished);
    }
}

// y^2 = x^3 + 6 over GF(37) has 28 points and group exponent 14 (found by brute
// force). NP = 42 = 3*14 lies in the Hasse band and kills every point, so the
// checks pass with Q = 3; but 3 does not divide 28, 14*P is always the point at
// infinity and the search never ends. STOP ends it at once.
TEST_F(Orders, StopEndsEndlessNewG) {
    set(ctl::P, "25");
    set(ctl::A, "0");
    set(ctl::B, "6");
    set(ctl::NP, "2A");
    set(ctl::Q, "3");
    set(ctl::GX, "1");
    win->set_text(ctl::cost, "none");
    win->set_text(ctl::large_pane, "before");
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_running(5));
    EXPECT_EQ(status(), "Generating G(x,y) with Order Q, pease be patient...");
    win->pump_for(100ms);
    ASSERT_TRUE(win->click(ctl::stop));
    ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }, 2000));
    win->pump_for(50ms);
    EXPECT_EQ(status(), "Thread stopped. CPU is Idle .");
    EXPECT_EQ(pane(), "before");
    EXPECT_EQ(value(ctl::GX), "1");
    EXPECT_EQ(cost(), "none");
    EXPECT_EQ(wb->workers().state(5), SlotState::finished);
    EXPECT_TRUE(win->enabled(ctl::new_g));
}

}  // namespace

namespace {

// The band of GET ORD: H - L from 2^16 to 2^65.
TEST_F(Orders, SearchBandLimits) {
    use_curve("secp112r1");
    const struct {
        const char* width;  // H - L, hex
        const char* refusal;
    } cases[] = {
        {"FFFF", "L/H BAND for Kangaroo Algorithm must >= 16 bits"},
        {"-10000", "L/H BAND for Kangaroo Algorithm must >= 16 bits"},
        {"20000000000000001", "L/H BAND for Kangaroo Algorithm must <= 65 bits"},
        {"10000", nullptr},
        {"20000000000000000", nullptr},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.width);
        set(ctl::S, "1000");
        set(ctl::H, (num("1000") + num(k.width)).text());
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(win->click(ctl::get_ord));
        if (k.refusal) {
            ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }));
            EXPECT_EQ(pane(), k.refusal);
            EXPECT_EQ(cost(), "none");
            EXPECT_EQ(wb->workers().state(6), SlotState::idle);
            continue;
        }
        ASSERT_TRUE(wait_running(6));
        EXPECT_EQ(status(), "Computering Order G / or K please be patient...");
        if (std::string(k.width) == "10000") {
            // No multiple of the order of G lies in [1000, 11000]: the search
            // ends at n = 0, which is no order and is not stored.
            ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }));
            EXPECT_NE(log().find("Pollard Lambda (kangaroo) algorithm, try 1\r\n"), std::string::npos);
        } else {
            // The widest band runs for long: STOP asks the search to end.
            ASSERT_TRUE(win->click(ctl::stop));
            EXPECT_EQ(status(), "Wait for get_ord thread exiting...");
            EXPECT_TRUE(pump_until([&] { return status() == "thread exit ok"; }));
            ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }));
        }
        EXPECT_NE(cost(), "none");
        EXPECT_EQ(run_state(), RunState::finished);  // no abort request outlives the run
        EXPECT_EQ(value(ctl::Q), standard_curve("secp112r1").n);
        set_run_state(RunState::idle);
    }
}

// G on the curve and R not: GET ORD finds the order of G in the band and
// stores it into Q.
TEST_F(Orders, SearchFindsTheOrderOfG) {
    for (const char* curve : {"secp112r1", "sect113r1"}) {
        SCOPED_TRACE(curve);
        const BigInt n = num(standard_curve(curve).n);
        use_curve(curve);
        set(ctl::Q, "");
        set(ctl::K, "7");
        set(ctl::RX, "0");
        set(ctl::S, (n - 0x8000).text());
        set(ctl::H, (n + 0x8000).text());
        ASSERT_TRUE(run_worker(ctl::get_ord));
        EXPECT_EQ(value(ctl::Q), n.text());
        EXPECT_EQ(value(ctl::K), "7");
        EXPECT_EQ(wb->workers().state(6), SlotState::finished);
    }
}

TEST_F(Orders, SearchRefusalsAfterTheSlotRuns) {
    const struct {
        const char* curve;
        int field;
        const char* value;
        const char* pane;
    } cases[] = {
        {"secp112r1", ctl::GX, "0", "Error G(x,y)"},
        {"secp112r1", ctl::GY, "5", "Error G(x,y)"},
        {"secp112r1", ctl::P, "9", "P is not prime."},
        {"sect113r1", ctl::B, "0", "Not Allowed in GF(2^M), B=0\r\n"},
        {"sect113r1", ctl::A, "-1", "Error G(x,y)"},  // a refused curve: G is not on it
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.pane);
        use_curve(k.curve);
        set(k.field, k.value);
        set(ctl::S, "0");
        set(ctl::H, "100000");
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(run_worker(ctl::get_ord));
        EXPECT_EQ(pane(), k.pane);
        EXPECT_NE(cost(), "none");
        EXPECT_EQ(wb->workers().state(6), SlotState::finished);
    }
}

TEST_F(Orders, KangarooRefusals) {
    const struct {
        const char* curve;
        int field;
        const char* value;
        std::string pane;
    } cases[] = {
        {"secp112r1", ctl::Q, "5", "G(x,y) is on Curve\r\n*** But Order != 5\r\n"},
        {"secp112r1", ctl::GY, "5", "G(x,y) is not on the Curve over GF(p)\r\n"},
        {"secp112r1", ctl::RY, "5", "Point R(x,y) is not OK."},
        {"secp112r1", ctl::B, "0", ""},  // A = B = 0 below
        {"sect113r1", ctl::A, "-1", "Illegal Curve Parameters over GF(2^113)\r\n"},
        {"sect113r1", ctl::GY, "5", "G(x,y) is not on the Curve over GF(2^113)\r\n"},
        {"sect113r1", ctl::RY, "5", "Point R(x,y) is not OK."},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.pane);
        use_curve(k.curve);
        set(ctl::RX, standard_curve(k.curve).gx);
        set(ctl::RY, standard_curve(k.curve).gy);
        set(k.field, k.value);
        if (k.pane.empty()) set(ctl::A, "0");
        set(ctl::S, "0");
        set(ctl::H, "100000");
        win->set_text(ctl::cost, "none");
        log_append("untouched");
        ASSERT_TRUE(run_worker(ctl::kangaroo));
        EXPECT_EQ(pane(), k.pane.empty() ? "Not Allowed! delta = 4A^3+27B^2 = 0\r\n" : k.pane);
        EXPECT_EQ(log(), "untouched");
        EXPECT_NE(cost(), "none");  // the slot is marked running first
        EXPECT_EQ(wb->workers().state(8), SlotState::finished);
        log_clear();
    }
}

}  // namespace
