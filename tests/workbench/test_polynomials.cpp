// GF(2^m) field polynomials: the validity rules and texts of C&HK POLY, Ben-Or's
// test against trial division, L&IST POLY and F&IND POLY through the headless
// window. References: trial division by every polynomial of degree <= m/2 (small
// m), sympy's irreducibility test (tests/vectors/workbench/polynomials.txt) and
// the published binary curves of tests/data/standard-curves.json.
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "engine/instance.h"
#include "tests/support/vectors.h"
#include "tests/workbench/actions_fixture.h"
#include "workbench/polynomial.h"

namespace {

using testsupport::ActionsTest;
using namespace std::chrono_literals;

// ---- independent oracles over GF(2)[t] ------------------------------------------------

int degree(uint64_t x) { return x == 0 ? -1 : 63 - __builtin_clzll(x); }

uint64_t poly_mod(uint64_t a, uint64_t b) {
    const int db = degree(b);
    for (int da = degree(a); da >= db; da = degree(a)) a ^= b << (da - db);
    return a;
}

uint64_t poly_gcd(uint64_t a, uint64_t b) {
    while (b != 0) {
        a = poly_mod(a, b);
        std::swap(a, b);
    }
    return a;
}

uint64_t pattern(int m, int a, int b, int c) {
    uint64_t f = (uint64_t{1} << m) | (uint64_t{1} << a) | 1;
    if (b != 0) f ^= (uint64_t{1} << b) | (uint64_t{1} << c);
    return f;
}

// Trial division by every polynomial of degree 1..m/2 (small m only).
bool trial_irreducible(int m, int a, int b, int c) {
    const uint64_t f = pattern(m, a, b, c);
    for (int d = 1; d <= m / 2; ++d)
        for (uint64_t g = uint64_t{1} << d; g < uint64_t{2} << d; ++g)
            if (poly_mod(f, g) == 0) return false;
    return true;
}

// Rabin's test (m <= 62): f is irreducible exactly when t^(2^m) = t (mod f) and
// gcd(t^(2^(m/q)) - t, f) = 1 for every prime q dividing m.
bool naive_irreducible(int m, int a, int b, int c) {
    const uint64_t f = pattern(m, a, b, c);
    auto mulmod = [&](uint64_t x, uint64_t y) {
        uint64_t r = 0;
        for (; y != 0; y >>= 1) {
            if (y & 1) r ^= x;
            x <<= 1;
            if (x >> m & 1) x ^= f;
        }
        return r;
    };
    auto frobenius = [&](int k) {  // t^(2^k) mod f
        uint64_t u = 2;
        for (int i = 0; i < k; ++i) u = mulmod(u, u);
        return u;
    };
    if (frobenius(m) != 2) return false;
    for (int q = 2; q <= m; ++q) {
        if (m % q != 0) continue;
        bool prime = true;
        for (int d = 2; d * d <= q; ++d) prime = prime && q % d != 0;
        if (prime && poly_gcd(f, frobenius(m / q) ^ 2) != 1) return false;
    }
    return true;
}

std::string poly_text(int m, int a, int b, int c) { return format_polynomial(m, a, b, c); }

// What L&IST POLY must log for degree m, from the oracle.
std::string expected_list(int m) {
    std::ostringstream s;
    auto pad = [](std::string t) {
        t.resize(8, ' ');
        return t;
    };
    int n = 0;
    for (int a = 1; a < m; ++a)
        if (naive_irreducible(m, a, 0, 0)) s << pad("T3[" + std::to_string(++n) + "]") << poly_text(m, a, 0, 0) << "\r\n";
    s << "Check All " << m - 1 << " Trinomial, " << n << " valid.\r\n";
    int valid = 0;
    long tried = 0;
    for (int a = 3; a < m; ++a)
        for (int b = 2; b < a; ++b)
            for (int c = 1; c < b; ++c) {
                ++tried;
                if (!naive_irreducible(m, a, b, c)) continue;
                s << pad("T5[" + std::to_string(++valid) + "]") << poly_text(m, a, b, c) << "\r\n";
                if (valid == 20) {
                    s << "Check " << tried << " Pentanomial, 20 valid, ingore left.\r\n";
                    return s.str();
                }
            }
    return s.str();
}

using Polynomials = ActionsTest;

TEST_F(Polynomials, CheckPolyMessages) {
    const struct {
        unsigned m, a, b, c;
        const char* pane;
    } cases[] = {
        {63, 1, 0, 0, "Trinomial: f(t) = t^63 + t + 1 is irreducible."},
        {63, 5, 0, 0, "Trinomial: f(t) = t^63 + t^5 + 1 is irreducible."},
        {63, 5, 0, 5, "Trinomial: f(t) = t^63 + t^5 + 1 is irreducible."},  // c ignored when b = 0
        {8, 4, 0, 0, "Trinomial: f(t) = t^8 + t^4 + 1 is NOT irreducible."},
        {4, 2, 0, 0, "Trinomial: f(t) = t^4 + t^2 + 1 is NOT irreducible."},
        {163, 7, 6, 3, "Pentanomial: f(t) = t^163 + t^7 + t^6 + t^3 + 1 is irreducible."},
        {163, 17, 6, 1, "Pentanomial: f(t) = t^163 + t^17 + t^6 + t + 1 is irreducible."},
        {163, 7, 6, 2, "Pentanomial: f(t) = t^163 + t^7 + t^6 + t^2 + 1 is NOT irreducible."},
        {571, 10, 5, 2, "Pentanomial: f(t) = t^571 + t^10 + t^5 + t^2 + 1 is irreducible."},
        {63, 63, 0, 0, "BAD POLY, make sure: m > a  > b >= 0"},
        {63, 0, 0, 0, "BAD POLY, make sure: m > a  > b >= 0"},
        {1, 1, 0, 0, "BAD POLY, make sure: m > a  > b >= 0"},
        {63, 5, 5, 1, "BAD POLY, make sure: m > a  > b >= 0"},
        {63, 5, 1, 0, "BAD POLY, when b != 0, make sure: b > c >= 1"},
        {63, 5, 3, 3, "BAD POLY, when b != 0, make sure: b > c >= 1"},
        {63, 5, 3, 0, "BAD POLY, when b != 0, make sure: b > c >= 1"},
        // The m box takes four digits and C&HK POLY has no 3..1024 limit: past the
        // instance's precision nothing counts as irreducible.
        {2300, 5, 0, 0, "Trinomial: f(t) = t^2300 + t^5 + 1 is NOT irreducible."},
    };
    binary_field(63, 5);
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.m) + "," + std::to_string(k.a) + "," + std::to_string(k.b) + "," +
                     std::to_string(k.c));
        ASSERT_TRUE(box(ctl::m_box, k.m) && box(ctl::a_box, k.a) && box(ctl::b_box, k.b) && box(ctl::c_box, k.c));
        ASSERT_TRUE(win->click(ctl::chk_poly));
        EXPECT_EQ(pane(), k.pane);
    }
}

TEST_F(Polynomials, BenOrAgreesWithTrialDivisionAndRabin) {
    for (int m = 2; m <= 13; ++m) {
        for (int a = 1; a < m; ++a) {
            EXPECT_EQ(is_irreducible(m, a, 0, 0), trial_irreducible(m, a, 0, 0)) << m << "," << a;
            EXPECT_EQ(naive_irreducible(m, a, 0, 0), trial_irreducible(m, a, 0, 0)) << m << "," << a;
            for (int b = 2; b < a; ++b)
                for (int c = 1; c < b; ++c) {
                    EXPECT_EQ(is_irreducible(m, a, b, c), trial_irreducible(m, a, b, c))
                        << m << "," << a << "," << b << "," << c;
                    EXPECT_EQ(naive_irreducible(m, a, b, c), trial_irreducible(m, a, b, c))
                        << m << "," << a << "," << b << "," << c;
                }
        }
    }
    // The polynomial tested stays the instance's basis.
    EXPECT_TRUE(is_irreducible(113, 9, 0, 0));
    const engine_instance* e = engine_current();
    EXPECT_EQ(e->basis_m, 113);
    EXPECT_EQ(e->basis_a, 9);
    EXPECT_EQ(engine_error(), 0);
}

TEST_F(Polynomials, ListPolyAgainstTrialDivision) {
    // m = 4 written out: two trinomials, the one pentanomial, no closing line.
    binary_field(4, 1);
    ASSERT_TRUE(run_worker(ctl::list_poly));
    EXPECT_EQ(log(),
              "T3[1]   f(t) = t^4 + t + 1\r\n"
              "T3[2]   f(t) = t^4 + t^3 + 1\r\n"
              "Check All 3 Trinomial, 2 valid.\r\n"
              "T5[1]   f(t) = t^4 + t^3 + t^2 + t + 1\r\n");
    EXPECT_EQ(run_state(), RunState::finished);
    EXPECT_EQ(wb->workers().state(2), SlotState::finished);
    for (int m : {5, 8, 11, 13, 17}) {
        SCOPED_TRACE(m);
        ASSERT_TRUE(box(ctl::m_box, static_cast<unsigned>(m)));
        ASSERT_TRUE(run_worker(ctl::list_poly));
        EXPECT_EQ(log(), expected_list(m));
    }
}

// The first lines of large degrees, against sympy.
TEST_F(Polynomials, ListPolyLargeDegrees) {
    for (const auto& v : testsupport::load_vectors("workbench/polynomials.txt")) {
        SCOPED_TRACE(v.where);
        const int m = std::stoi(v.get("M"));
        std::string want;
        int n = 0;
        std::istringstream tri(v.get("Trinomials"));
        for (std::string a; tri >> a && a != "none";) {
            std::string head = "T3[" + std::to_string(++n) + "]";
            head.resize(8, ' ');
            want += head + poly_text(m, std::stoi(a), 0, 0) + "\r\n";
        }
        want += "Check All " + std::to_string(m - 1) + " Trinomial, " + std::to_string(n) + " valid.\r\n";
        std::istringstream penta(v.get("Pentanomials"));
        int valid = 0;
        for (std::string abc; penta >> abc;) {
            int a, b, c;
            ASSERT_EQ(std::sscanf(abc.c_str(), "%d,%d,%d", &a, &b, &c), 3);
            std::string head = "T5[" + std::to_string(++valid) + "]";
            head.resize(8, ' ');
            want += head + poly_text(m, a, b, c) + "\r\n";
        }
        want += "Check " + v.get("Tried") + " Pentanomial, 20 valid, ingore left.\r\n";
        binary_field(static_cast<unsigned>(m), 1);
        ASSERT_TRUE(run_worker(ctl::list_poly));
        EXPECT_EQ(log(), want);
    }
}

TEST_F(Polynomials, ListPolyShownWithClosingLine) {
    start(/*display_loop=*/true);
    ASSERT_TRUE(pump_until([&] { return wb->ready(); }));
    binary_field(4, 1);
    ASSERT_TRUE(win->click(ctl::list_poly));
    EXPECT_EQ(status(), "Listing Irreducible Polynomial, please be patient...");
    ASSERT_TRUE(pump_until([&] { return !wb->busy(); }));
    EXPECT_EQ(pane(),
              "T3[1]   f(t) = t^4 + t + 1\r\nT3[2]   f(t) = t^4 + t^3 + 1\r\nCheck All 3 Trinomial, 2 valid.\r\n"
              "T5[1]   f(t) = t^4 + t^3 + t^2 + t + 1\r\n\r\n*** Done, Thread EXIT ***\r\n");
    EXPECT_EQ(status(), "");
}

// F&IND POLY finds the field of published curves from their base point.
TEST_F(Polynomials, FindPolyOfStandardCurves) {
    auto pad = [](std::string t) {
        t.resize(15, ' ');
        return t;
    };
    use_curve("sect113r1");  // t^113 + t^9 + 1, the first irreducible trinomial
    ASSERT_TRUE(box(ctl::a_box, 1));  // the boxes need not hold the field
    ASSERT_TRUE(run_worker(ctl::find_poly));
    EXPECT_EQ(log(), pad("T3[1]") + "f(t) = t^113 + t^9 + 1\r\n*** Find this poly for G(x,y) ***\r\n"
                                     "Check 9 Trinomial, the 1 is OK.\r\n");
    EXPECT_EQ(win->text(ctl::a_box), "1");  // reported only

    // t^163 + t^7 + t^6 + t^3 + 1: no trinomial of degree 163 is irreducible and
    // this is the first pentanomial (33rd tried).
    use_curve("sect163r2");
    ASSERT_TRUE(run_worker(ctl::find_poly));
    EXPECT_EQ(log(), "Check All 162 Trinomial, 0 valid, No Curve for this G(x,y).\r\n" + pad("T5[1]") +
                         "f(t) = t^163 + t^7 + t^6 + t^3 + 1\r\n"
                         "\r\n*** Find this poly for G(x,y) ***\r\nCheck 33 Pentanomial, the 1 is OK.\r\n" +
                         pad("T5[1]") + "f(t) = t^163 + t^7 + t^6 + t^3 + 1\r\n");
    EXPECT_EQ(wb->workers().state(3), SlotState::finished);
}

// A point on no curve: every candidate is tried, the progress condenses after 20
// and 100 found, and the totals match trial division.
TEST_F(Polynomials, FindPolyNoCurveCondensesProgress) {
    const int m = 40;
    binary_field(m, 3);
    set(ctl::A, "0");
    set(ctl::B, "3");  // 1 + 1 = 0 on the left, 1 + 3 = t on the right: (1, 1) lies on no curve
    set(ctl::GX, "1");
    set(ctl::GY, "1");
    ASSERT_TRUE(run_worker(ctl::find_poly, 60000));
    auto pad = [](std::string t) {
        t.resize(15, ' ');
        return t;
    };
    std::string want;
    int n = 0, valid = 0;
    long tried = 0;
    for (int a = 1; a < m; ++a)
        if (naive_irreducible(m, a, 0, 0)) want += pad("T3[" + std::to_string(++n) + "]") + poly_text(m, a, 0, 0) + "\r\n";
    want += "Check All 39 Trinomial, " + std::to_string(n) + " valid, No Curve for this G(x,y).\r\n";
    for (int a = 3; a < m; ++a)
        for (int b = 2; b < a; ++b)
            for (int c = 1; c < b; ++c) {
                ++tried;
                if (!naive_irreducible(m, a, b, c)) continue;
                if (++valid <= 20) want += pad("T5[" + std::to_string(valid) + "]") + poly_text(m, a, b, c) + "\r\n";
            }
    ASSERT_GT(valid, 101);
    // After 20 lines in full come 80 dots, of which the running count replaced 15.
    char counter[32];
    std::snprintf(counter, sizeof counter, "\r\nT5[%08d] ", valid);
    want += std::string(65, '.') + counter + "\r\n*** Checked All " + std::to_string(tried) + " Pentanomial, valid " +
            std::to_string(valid) + ", No Curve for this G(x,y) ***\r\n";
    EXPECT_EQ(log(), want);
}

TEST_F(Polynomials, FindPolyRefusals) {
    binary_field(113, 9);
    win->set_text(ctl::cost, "none");
    const struct {
        const char *b, *gx, *gy, *pane;
    } cases[] = {
        {"0", "5", "6", "Not Allowed! B = 0\r\n"},
        {"1", "0", "6", "Not Allowed! G(x,y) = 0\r\n"},
        {"1", "5", "0", "Not Allowed! G(x,y) = 0\r\n"},
    };
    for (const auto& k : cases) {
        set(ctl::B, k.b);
        set(ctl::GX, k.gx);
        set(ctl::GY, k.gy);
        ASSERT_TRUE(run_worker(ctl::find_poly));
        EXPECT_EQ(pane(), k.pane);
        EXPECT_EQ(wb->workers().state(3), SlotState::idle);
        EXPECT_EQ(cost(), "none");
        EXPECT_TRUE(win->enabled(ctl::find_poly));
        EXPECT_FALSE(win->enabled(ctl::stop));
    }
}

// STOP ends the listing and the search at once; nothing is written afterwards.
TEST_F(Polynomials, StopEndsListAndFindAtOnce) {
    for (ControlId button : {ctl::list_poly, ctl::find_poly}) {
        SCOPED_TRACE(button);
        binary_field(1024, 3);  // thousands of pentanomials of degree 1024 to test
        set(ctl::A, "0");
        set(ctl::B, "3");
        set(ctl::GX, "1");
        set(ctl::GY, "1");
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(win->click(button));
        ASSERT_TRUE(wait_running(button == ctl::list_poly ? 2 : 3));
        win->pump_for(50ms);
        ASSERT_TRUE(win->click(ctl::stop));
        EXPECT_EQ(status(), "Thread stopped. CPU is Idle .");
        ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }, 2000));
        const std::string before = log();
        win->pump_for(100ms);
        EXPECT_EQ(log(), before);
        EXPECT_EQ(cost(), "none");
        EXPECT_EQ(run_state(), RunState::running);  // no closing line will follow
        EXPECT_EQ(status(), "Thread stopped. CPU is Idle .");
    }
}

}  // namespace
