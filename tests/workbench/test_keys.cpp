// The window-thread key actions (CHK ORDER, RAND G, NEW K, CALC R, CHK Gy, CHK
// Ry, L*G+H*R, TEST) through the headless window, on secp112r1 and sect113r1.
// Point values come from tests/vectors/workbench/keys.txt (plain Python
// integers); random points are checked against the curve equation computed
// here, with a schoolbook GF(2^m) for the binary curve.
#include <string>

#include "engine/values.h"
#include "tests/support/vectors.h"
#include "tests/workbench/actions_fixture.h"

namespace {

using testsupport::ActionsTest;
using testsupport::standard_curve;
using testsupport::StandardCurve;
using testsupport::VectorCase;

const VectorCase& keys(const std::string& curve) {
    static const std::vector<VectorCase> all = testsupport::load_vectors("workbench/keys.txt");
    for (const VectorCase& v : all)
        if (v.section == curve) return v;
    throw std::runtime_error("no vectors for " + curve);
}

BigInt num(const std::string& hex) {
    BigInt x;
    cinstr(x.get(), hex.c_str());
    return x;
}

// ---- schoolbook GF(2^m) for m < 128 -------------------------------------------------------

__extension__ typedef unsigned __int128 u128;

u128 to_u128(const std::string& hex) {
    u128 x = 0;
    for (char c : hex) x = x << 4 | static_cast<u128>(std::stoi(std::string(1, c), nullptr, 16));
    return x;
}

struct Gf2Naive {
    int m;
    u128 f;  // without the t^m term
    u128 mul(u128 a, u128 b) const {
        u128 r = 0;
        for (int i = m - 1; i >= 0; --i) {
            const bool top = (r >> (m - 1)) & 1;
            r = (r << 1) & ((u128{1} << m) - 1);
            if (top) r ^= f;
            if ((b >> i) & 1) r ^= a;
        }
        return r;
    }
    bool on_curve(u128 a, u128 b, u128 x, u128 y) const {
        return (mul(y, y) ^ mul(x, y)) == (mul(mul(x, x), x) ^ mul(a, mul(x, x)) ^ b);
    }
};

const Gf2Naive sect113{113, (u128{1} << 9) | 1};

using Keys = ActionsTest;

TEST_F(Keys, CheckOrder) {
    const struct {
        const char* curve;
        int dq;       // Q := n + dq
        bool off;     // Gy := Gy + 1
        const char* a;  // A override, or null
        const char* pane;  // "%Q" stands for Q
    } cases[] = {
        {"secp112r1", 0, false, nullptr, "G(x,y) is on Curve\r\n*** And Order = %Q\r\n"},
        {"secp112r1", 2, false, nullptr, "G(x,y) is on Curve\r\n*** But Order != %Q\r\n"},
        {"secp112r1", 0, true, nullptr, "G(x,y) is not on the Curve over GF(p)\r\n"},
        {"sect113r1", 0, false, nullptr, "G(x,y) is on Curve\r\n*** And Order = %Q\r\n"},
        {"sect113r1", 2, false, nullptr, "G(x,y) is on Curve over GF(2^113)\r\n*** But Order != %Q\r\n"},
        {"sect113r1", 0, true, nullptr, "G(x,y) is not on the Curve over GF(2^113)\r\n"},
        {"sect113r1", 0, false, "-1", "Illegal Curve Parameters over GF(2^113)\r\n"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.curve) + " dq=" + std::to_string(k.dq));
        use_curve(k.curve);
        const std::string q = (num(standard_curve(k.curve).n) + k.dq).text();
        set(ctl::Q, q);
        if (k.off) set(ctl::GY, (num(standard_curve(k.curve).gy) + 1).text());
        if (k.a) set(ctl::A, k.a);
        ASSERT_TRUE(win->click(ctl::chk_order));
        std::string want = k.pane;
        if (const size_t at = want.find("%Q"); at != std::string::npos) want.replace(at, 2, q);
        EXPECT_EQ(pane(), want);
    }
}

// The curve set-up every action begins with, on CHK ORDER and CALC R.
TEST_F(Keys, CurveSetupRefusals) {
    const struct {
        const char *p, *a, *b;
        const char* pane;
    } cases[] = {
        {"3", "1", "1", "bits(P) is too small."},
        {"-3", "1", "1", "bits(P) is too small."},
        {"9", "1", "1", "P is not prime."},
        {"DB7C2ABF62E35E668076BEAD208B", "0", "0", "Not Allowed! delta = 4A^3+27B^2 = 0\r\n"},
        // y^2 = x^3 - 3x + 2 = (x - 1)^2 (x + 2)
        {"DB7C2ABF62E35E668076BEAD208B", "-3", "2", "Not Allowed! delta = 4A^3+27B^2 = 0\r\n"},
    };
    use_curve("secp112r1");
    for (ControlId button : {ctl::chk_order, ctl::calc_r, ctl::rand_g, ctl::chk_gy, ctl::lg_hr}) {
        for (const auto& k : cases) {
            SCOPED_TRACE(std::string(k.p) + " button " + std::to_string(button));
            set(ctl::P, k.p);
            set(ctl::A, k.a);
            set(ctl::B, k.b);
            const std::string gx = text(ctl::GX), gy = text(ctl::GY);
            ASSERT_TRUE(win->click(button));
            EXPECT_EQ(pane(), k.pane);
            EXPECT_EQ(text(ctl::GX), gx);
            EXPECT_EQ(text(ctl::GY), gy);
        }
    }
    // P = 5 has three bits and passes: y^2 = x^3 + x + 1 has 9 points.
    set(ctl::P, "5");
    set(ctl::A, "1");
    set(ctl::B, "1");
    set(ctl::GX, "0");
    set(ctl::GY, "1");
    set(ctl::Q, "9");
    ASSERT_TRUE(win->click(ctl::chk_order));
    EXPECT_EQ(pane(), "G(x,y) is on Curve\r\n*** And Order = 9\r\n");

    use_curve("sect113r1");
    ASSERT_TRUE(box(ctl::m_box, 8) && box(ctl::a_box, 4));
    for (ControlId button : {ctl::chk_order, ctl::calc_r, ctl::rand_g, ctl::chk_ry, ctl::lg_hr, ctl::test}) {
        ASSERT_TRUE(win->click(button));
        EXPECT_EQ(pane(), "Trinomial: f(t) = t^8 + t^4 + 1 is NOT irreducible.") << button;
    }
}

TEST_F(Keys, RandomBasePoint) {
    use_curve("secp112r1");
    const StandardCurve& c = standard_curve("secp112r1");
    const BigInt p = num(c.p), a = num(c.a), b = num(c.b);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(win->click(ctl::rand_g));
        EXPECT_EQ(pane(), "Done rand Point G(x,y)\r\n");
        const BigInt x = num(value(ctl::GX)), y = num(value(ctl::GY));
        EXPECT_EQ((y * y - (x * x * x + a * x + b)) % p, BigInt(0));
        EXPECT_EQ(y % 2, 0);  // y-bit 0
        EXPECT_EQ(text(ctl::GX), value(ctl::GX));
    }
    use_curve("sect113r1");
    const StandardCurve& d = standard_curve("sect113r1");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(win->click(ctl::rand_g));
        EXPECT_EQ(pane(), "Done rand Point G(x,y)\r\n");
        EXPECT_TRUE(sect113.on_curve(to_u128(d.a), to_u128(d.b), to_u128(value(ctl::GX)), to_u128(value(ctl::GY))));
    }
    set(ctl::B, "-1");
    ASSERT_TRUE(win->click(ctl::rand_g));
    EXPECT_EQ(pane(), "Illegal Curve Parameters over GF(2^113)\r\n");
}

TEST_F(Keys, NewPrivateKey) {
    win->set_text(ctl::large_pane, "before");
    set(ctl::Q, "2");
    ASSERT_TRUE(win->click(ctl::new_k));
    EXPECT_EQ(value(ctl::K), "1");
    EXPECT_EQ(pane(), "before");  // success writes no message
    const BigInt n = num(standard_curve("secp112r1").n);
    set(ctl::Q, n.text());
    for (int i = 0; i < 3; ++i) {
        const std::string old = value(ctl::K);
        ASSERT_TRUE(win->click(ctl::new_k));
        const BigInt k = num(value(ctl::K));
        EXPECT_TRUE(k > 0 && k < n);
        EXPECT_NE(value(ctl::K), old);
    }
    for (const char* q : {"F", "1", "0", "-7"}) {
        set(ctl::Q, q);
        const std::string old = value(ctl::K);
        ASSERT_TRUE(win->click(ctl::new_k));
        EXPECT_EQ(pane(), "Order Q is not Prime") << q;
        EXPECT_EQ(value(ctl::K), old);
    }
}

TEST_F(Keys, CalculatePublicKey) {
    for (const char* curve : {"secp112r1", "sect113r1"}) {
        SCOPED_TRACE(curve);
        const VectorCase& v = keys(curve);
        use_curve(curve);
        set(ctl::K, v.get("K"));
        ASSERT_TRUE(win->click(ctl::calc_r));
        EXPECT_EQ(pane(), "Done Pub: R(x,y) = k * G(x,y).\r\n");
        EXPECT_EQ(text(ctl::RX), v.get("Rx"));
        EXPECT_EQ(text(ctl::RY), v.get("Ry"));
        // k = Q: the point at infinity, shown as (0, 0).
        set(ctl::K, standard_curve(curve).n);
        ASSERT_TRUE(win->click(ctl::calc_r));
        EXPECT_EQ(value(ctl::RX), "0");
        EXPECT_EQ(value(ctl::RY), "0");
        set(ctl::GY, "5");
        set(ctl::RX, "7");
        ASSERT_TRUE(win->click(ctl::calc_r));
        EXPECT_EQ(pane(), "Point G(x,y) is not OK.");
        EXPECT_EQ(value(ctl::RX), "7");
    }
    set(ctl::A, "-1");
    ASSERT_TRUE(win->click(ctl::calc_r));
    EXPECT_EQ(pane(), "Illegal GF(2^M) Curve Parameters");
}

TEST_F(Keys, FindYForX) {
    for (const char* curve : {"secp112r1", "sect113r1"}) {
        SCOPED_TRACE(curve);
        const VectorCase& v = keys(curve);
        use_curve(curve);
        const std::string gx = standard_curve(curve).gx, gy = standard_curve(curve).gy;
        for (auto [bx, by] : {std::pair{ctl::chk_gy, 0}, std::pair{ctl::chk_ry, 1}}) {
            const int fx = by == 0 ? ctl::GX : ctl::RX, fy = by == 0 ? ctl::GY : ctl::RY;
            // Two points; the field receives the one with y-bit 1.
            set(fx, v.get("X2"));
            set(fy, "1234");
            ASSERT_TRUE(win->click(bx));
            EXPECT_EQ(pane(), "2 Point(x,y) on the curve for this x-coordinate.\r\nX= " + v.get("X2") + "\r\nY= " +
                                  v.get("Y0") + "\r\nY= " + v.get("Y1") + "\r\n");
            EXPECT_EQ(text(fy), v.get("Y1"));
            // No point: y becomes 0.
            set(fx, v.get("X0"));
            ASSERT_TRUE(win->click(bx));
            EXPECT_EQ(pane(), "No Point(x,y) on the curve for this x-coordinate.\r\n");
            EXPECT_EQ(value(fy), "0");
            EXPECT_EQ(text(fx), v.get("X0"));
        }
        // A point already on the curve keeps its y.
        set(ctl::GX, v.get("X2"));
        set(ctl::GY, v.get("Y0"));
        ASSERT_TRUE(win->click(ctl::chk_gy));
        EXPECT_EQ(pane(), "2 Point(x,y) on the curve for this x-coordinate.\r\nX= " + v.get("X2") + "\r\nY= " +
                              v.get("Y0") + "\r\nY= " + v.get("Y1") + "\r\n\r\n*** Point(x,y) is already OK. ***\r\n");
        EXPECT_EQ(text(ctl::GY), v.get("Y0"));
    }
    // One point: x = 0 over GF(2^m) gives sqrt(B) whatever the bit.
    const std::string sqrt_b = keys("sect113r1").get("SqrtB");
    set(ctl::GX, "0");
    ASSERT_TRUE(win->click(ctl::chk_gy));
    EXPECT_EQ(pane(), "1 Point(x,y) on the curve for this x-coordinate.\r\nX= 0\r\nY= " + sqrt_b + "\r\nY-LSB= 1\r\n");
    EXPECT_EQ(text(ctl::GY), sqrt_b);
    set(ctl::A, "-1");
    ASSERT_TRUE(win->click(ctl::chk_gy));
    EXPECT_EQ(pane(), "Illegal GF(2^M) Curve Parameters");
    // One point over GF(p): y = 0 on y^2 = x^3 + x mod 31.
    ASSERT_TRUE(win->choose(ctl::curve_type, 0));
    set(ctl::P, "1F");
    set(ctl::A, "1");
    set(ctl::B, "0");
    set(ctl::GX, "0");
    set(ctl::GY, "0");
    ASSERT_TRUE(win->click(ctl::chk_gy));
    EXPECT_EQ(pane(),
              "1 Point(x,y) on the curve for this x-coordinate.\r\nX= 0\r\nY= 0\r\nY-LSB= 0\r\n"
              "\r\n*** Point(x,y) is already OK. ***\r\n");
}

TEST_F(Keys, LinearCombination) {
    for (const char* curve : {"secp112r1", "sect113r1"}) {
        SCOPED_TRACE(curve);
        const VectorCase& v = keys(curve);
        const StandardCurve& c = standard_curve(curve);
        use_curve(curve);
        set(ctl::RX, v.get("Rx"));
        set(ctl::RY, v.get("Ry"));
        set(ctl::S, v.get("L"));
        set(ctl::H, v.get("H"));
        ASSERT_TRUE(win->click(ctl::lg_hr));
        EXPECT_EQ(pane(), "Done W(x,y) = L*G(x,y) + H*R(x,y).\r\nW(x,y)=\r\n" + v.get("Wx") + "\r\n" + v.get("Wy") +
                              "\r\nL=" + v.get("L") + "\r\nH=" + v.get("H") + "\r\nG(x,y)=\r\n" + c.gx + "\r\n" + c.gy +
                              "\r\nR(x,y)=\r\n" + v.get("Rx") + "\r\n" + v.get("Ry") + "\r\n");
        EXPECT_EQ(value(ctl::RX), v.get("Rx"));  // W is stored nowhere
        // (n - k) G + 1 R = n G: the point at infinity.
        set(ctl::S, (num(c.n) - num(v.get("K"))).text());
        set(ctl::H, "1");
        ASSERT_TRUE(win->click(ctl::lg_hr));
        const std::string infinity = "Done W(x,y) = L*G(x,y) + H*R(x,y).\r\nW(x,y)=\r\n0\r\n0\r\nL=";
        EXPECT_EQ(pane().substr(0, infinity.size()), infinity);
        set(ctl::RY, "3");
        ASSERT_TRUE(win->click(ctl::lg_hr));
        EXPECT_EQ(pane(), "Point R(x,y) is not OK.");
        set(ctl::GY, "3");
        ASSERT_TRUE(win->click(ctl::lg_hr));
        EXPECT_EQ(pane(), "Point G(x,y) is not OK.");
    }
    set(ctl::A, "-1");
    ASSERT_TRUE(win->click(ctl::lg_hr));
    EXPECT_EQ(pane(), "Illegal GF(2^M) Curve Parameters");
}

// TEST's checks in their order, and the dialog hook on success.
TEST_F(Keys, TestChecksThenOpensTheDialog) {
    int opened = 0;
    CommandRegistry registry = command_registry();
    registry.signature_dialog([&](Workbench&) { ++opened; });
    start(false, &registry);
    const struct {
        const char* curve;
        int field;  // field to spoil, -1 none
        const char* value;
        const char* pane;  // null: success
    } cases[] = {
        {"secp112r1", -1, "", nullptr},
        {"secp112r1", ctl::Q, "F", "Order Q is NOT Prime!"},
        {"secp112r1", ctl::K, "0", "Privkey is Zero!"},
        {"secp112r1", ctl::GY, "3", "G(x,y) is not curve"},
        {"secp112r1", ctl::RY, "3", "R(x,y) is not curve"},
        {"secp112r1", ctl::P, "9", "P is not prime."},
        {"sect113r1", -1, "", nullptr},
        {"sect113r1", ctl::Q, "F", "Order Q is NOT Prime!"},
        {"sect113r1", ctl::K, "0", "Privkey is Zero!"},
        {"sect113r1", ctl::A, "-1", "Init Curve(2^m) Error"},
        {"sect113r1", ctl::GY, "3", "G(x,y) is not curve"},
        {"sect113r1", ctl::RY, "3", "R(x,y) is not curve"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.curve) + " " + k.value);
        const VectorCase& v = keys(k.curve);
        use_curve(k.curve);
        set(ctl::K, v.get("K"));
        set(ctl::RX, v.get("Rx"));
        set(ctl::RY, v.get("Ry"));
        if (k.field >= 0) set(k.field, k.value);
        win->set_text(ctl::large_pane, "before");
        const int was = opened;
        ASSERT_TRUE(win->click(ctl::test));
        EXPECT_EQ(pane(), k.pane ? k.pane : "before");
        EXPECT_EQ(opened, was + (k.pane ? 0 : 1));
    }
    // Without a dialog registered, success writes nothing and opens nothing.
    CommandRegistry no_dialog = command_registry();
    no_dialog.signature_dialog({});
    start(false, &no_dialog);
    use_curve("secp112r1");
    set(ctl::K, keys("secp112r1").get("K"));
    set(ctl::RX, keys("secp112r1").get("Rx"));
    set(ctl::RY, keys("secp112r1").get("Ry"));
    win->set_text(ctl::large_pane, "before");
    ASSERT_TRUE(win->click(ctl::test));
    EXPECT_EQ(pane(), "before");
}

}  // namespace
