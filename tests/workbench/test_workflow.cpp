// The whole key workflow through the headless window, on both kinds of curve:
// GENERATE and GET NP on a small curve (checked against a naive count), then on
// a published curve of prime order times its cofactor (standard-curves.json)
// NEW G, CHK ORDER, NEW K, CALC R and L*G+H*R, and a private key put in a 24-bit
// band recovered by GET ORD and by "Kangaroo k*G=R". STOP during GENERATE ends
// it at once; STOP during GET NP gives "thread exit ok".
#include <cstdint>
#include <string>

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

uint64_t hex64(const std::string& hex) { return std::stoull(hex, nullptr, 16); }

// Points of y^2 = x^3 + a x + b over GF(p), p < 2^31, counted one x at a time.
uint64_t naive_count_gfp(uint64_t p, uint64_t a, uint64_t b) {
    auto pw = [p](uint64_t x, uint64_t e) {
        uint64_t r = 1;
        for (x %= p; e != 0; e >>= 1, x = x * x % p)
            if (e & 1) r = r * x % p;
        return r;
    };
    uint64_t n = 1;
    for (uint64_t x = 0; x < p; ++x) {
        const uint64_t r = ((x * x % p) * x + a * x + b) % p;
        n += r == 0 ? 1 : pw(r, (p - 1) / 2) == 1 ? 2 : 0;
    }
    return n;
}

// Points of y^2 + xy = x^3 + a x^2 + b over GF(2^m) = GF(2)[t]/f, m < 32: for
// x = 0 one point, otherwise two when Tr((x^3 + a x^2 + b)/x^2) = 0.
uint64_t naive_count_gf2m(int m, uint32_t f, uint32_t a, uint32_t b) {
    auto mul = [&](uint32_t x, uint32_t y) {
        uint32_t r = 0;
        for (int i = m - 1; i >= 0; --i) {
            r <<= 1;
            if ((r >> m) & 1) r ^= (1u << m) | f;
            if ((y >> i) & 1) r ^= x;
        }
        return r;
    };
    auto inv = [&](uint32_t x) {  // x^(2^m - 2)
        uint32_t r = 1;
        for (int i = 1; i < m; ++i) {
            x = mul(x, x);
            r = mul(r, x);
        }
        return r;
    };
    auto trace = [&](uint32_t x) {
        uint32_t s = 0;
        for (int i = 0; i < m; ++i, x = mul(x, x)) s ^= x;
        return s;
    };
    uint64_t n = 2;  // infinity and (0, sqrt(b))
    for (uint32_t x = 1; x < (1u << m); ++x) {
        const uint32_t x2 = mul(x, x);
        if (trace(x ^ a ^ mul(b, inv(x2))) == 0) n += 2;
    }
    return n;
}

using Workflow = ActionsTest;

TEST_F(Workflow, GenerateThenCountSmallCurves) {
    // GF(p), 20 bits: GENERATE counts; GET NP, with NP emptied, finds it again.
    ASSERT_TRUE(box(ctl::curve_bits, 20));
    ASSERT_TRUE(run_worker(ctl::generate));
    const uint64_t p = hex64(value(ctl::P)), b = hex64(value(ctl::B));
    const uint64_t np = naive_count_gfp(p, p - 3, b);
    EXPECT_EQ(hex64(value(ctl::NP)), np);
    set(ctl::NP, "");
    ASSERT_TRUE(run_worker(ctl::get_np));
    EXPECT_EQ(hex64(value(ctl::NP)), np);

    // GF(2^13) over the pentanomial t^13 + t^4 + t^3 + t + 1.
    binary_field(13, 4, 3, 1);
    // a6 = H mod 2^13 is 0 once in 8192 runs: that curve is singular and not counted.
    for (int i = 0; i < 3 && (i == 0 || value(ctl::B) == "0"); ++i) ASSERT_TRUE(run_worker(ctl::generate));
    EXPECT_EQ(pane(), "Done GF(2^13) Curve, f(t) = t^13 + t^4 + t^3 + t + 1");
    EXPECT_EQ(counter(ctl::A), "13");
    const uint32_t a2 = static_cast<uint32_t>(hex64(value(ctl::A))), a6 = static_cast<uint32_t>(hex64(value(ctl::B)));
    const uint64_t np2 = naive_count_gf2m(13, 0x1B, a2, a6);
    EXPECT_EQ(hex64(value(ctl::NP)), np2);
    set(ctl::NP, "");
    ASSERT_TRUE(run_worker(ctl::get_np));
    EXPECT_EQ(hex64(value(ctl::NP)), np2);
}

TEST_F(Workflow, KeysOnPublishedCurves) {
    // Private keys in the band [L, L + 2^24].
    const struct {
        const char* curve;
        const char* low;
        const char* key;
    } cases[] = {
        {"secp112r1", "123400000000", "1234009A5C3F"},
        {"sect113r1", "5A5A00000000", "5A5A00E1C3A7"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.curve);
        const StandardCurve& c = standard_curve(k.curve);
        use_curve(k.curve);
        // NEW G: a base point of order Q = n, checked by CHK ORDER.
        ASSERT_TRUE(run_worker(ctl::new_g));
        EXPECT_EQ(pane(), "Done New G(x,y),its Order Q\r\n" + c.n + "\r\n");
        const std::string gx = value(ctl::GX), gy = value(ctl::GY);
        EXPECT_NE(gx, c.gx);
        ASSERT_TRUE(win->click(ctl::chk_order));
        EXPECT_EQ(pane(), "G(x,y) is on Curve\r\n*** And Order = " + c.n + "\r\n");
        // NEW K, CALC R; then (Q - k) G + 1 R = Q G is the point at infinity and
        // 0 G + 1 R = R.
        ASSERT_TRUE(win->click(ctl::new_k));
        const BigInt key = num(value(ctl::K));
        EXPECT_TRUE(key > 0 && key < num(c.n));
        ASSERT_TRUE(win->click(ctl::calc_r));
        EXPECT_EQ(pane(), "Done Pub: R(x,y) = k * G(x,y).\r\n");
        const std::string rx = value(ctl::RX), ry = value(ctl::RY);
        set(ctl::S, (num(c.n) - key).text());
        set(ctl::H, "1");
        ASSERT_TRUE(win->click(ctl::lg_hr));
        const std::string infinity = "Done W(x,y) = L*G(x,y) + H*R(x,y).\r\nW(x,y)=\r\n0\r\n0\r\n";
        EXPECT_EQ(pane().substr(0, infinity.size()), infinity);
        set(ctl::S, "0");
        ASSERT_TRUE(win->click(ctl::lg_hr));
        const std::string w_is_r = "Done W(x,y) = L*G(x,y) + H*R(x,y).\r\nW(x,y)=\r\n" + rx + "\r\n" + ry + "\r\n";
        EXPECT_EQ(pane().substr(0, w_is_r.size()), w_is_r);

        // A key in a 24-bit band: GET ORD stores it into k.
        set(ctl::K, k.key);
        ASSERT_TRUE(win->click(ctl::calc_r));
        set(ctl::K, "0");
        set(ctl::S, k.low);
        set(ctl::H, (num(k.low) + num("1000000")).text());
        ASSERT_TRUE(run_worker(ctl::get_ord, 60000));
        EXPECT_EQ(value(ctl::K), k.key);
        EXPECT_NE(log().find("Check OK, k * G = R.\r\n"), std::string::npos);
        // "Kangaroo k*G=R" reports it in the log only.
        set(ctl::K, "0");
        ASSERT_TRUE(run_worker(ctl::kangaroo, 60000));
        const std::string text = log();
        EXPECT_EQ(text.find("Kangaroo k*G(x,y)=R(x,y)\r\nG(x), R(x), Order,klow=\r\n" + gx + "\r\n" + value(ctl::RX) +
                            "\r\n" + c.n + "\r\n" + k.low + "\r\n"),
                  0u);
        EXPECT_NE(text.find("Discrete log:\r\n" + std::string(k.key) + "\r\n"), std::string::npos) << text;
        EXPECT_EQ(value(ctl::K), "0");
        EXPECT_EQ(run_state(), RunState::finished);
    }
}

// STOP during GENERATE ends it at once and writes nothing (the worker is
// stopped while it reads the window or searches its 1024-bit prime: it cannot
// pass a window call before the test pumps again); STOP during GET NP (a
// 160-bit count) ends with "thread exit ok" and NP as it was.
TEST_F(Workflow, StopDuringGenerateAndCount) {
    ASSERT_TRUE(box(ctl::curve_bits, 1024));
    set(ctl::P, "17");
    win->set_text(ctl::cost, "none");
    win->set_text(ctl::large_pane, "before");
    ASSERT_TRUE(win->click(ctl::generate));
    EXPECT_EQ(status(), "Generating Elliptic Curve, please be patient...");
    ASSERT_TRUE(wait_running(0));
    ASSERT_TRUE(win->click(ctl::stop));
    EXPECT_EQ(status(), "Thread stopped. CPU is Idle .");
    ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }, 2000));
    win->pump_for(50ms);
    EXPECT_EQ(value(ctl::P), "17");
    EXPECT_EQ(value(ctl::S), "0");
    EXPECT_EQ(pane(), "before");
    EXPECT_EQ(cost(), "none");
    EXPECT_EQ(wb->workers().state(0), SlotState::finished);

    use_curve("secp160r1");
    set(ctl::NP, "5");
    ASSERT_TRUE(win->click(ctl::get_np));
    ASSERT_TRUE(pump_until([] { return run_state() == RunState::running; }));
    win->pump_for(100ms);
    ASSERT_TRUE(win->click(ctl::stop));
    EXPECT_EQ(status(), "Wait for get_np thread exiting...");
    EXPECT_TRUE(pump_until([&] { return status() == "thread exit ok"; }, 20000));
    ASSERT_TRUE(pump_until([&] { return !wb->workers().worker_alive(); }));
    EXPECT_EQ(value(ctl::NP), "5");
    EXPECT_EQ(run_state(), RunState::finished);
    EXPECT_NE(cost(), "none");
}

}  // namespace
