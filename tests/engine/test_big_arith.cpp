// Integer routines against reference vectors made with Python integers
// (tests/vectors/gen/gen_big.py). Each vector goes through every aliasing form
// the routine allows, and every output is checked for canonical form; results
// past the 69-word capacity must record error 3 and leave the output as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/big.h"
#include "engine/modular.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

class BigArith : public EngineTest {
   protected:
    // Checks `out` against the case's R, or against error `Error` with `out`
    // unchanged from `before`; clears the error afterwards.
    void expect_result(const VectorCase& c, const big_rec* out, const std::string& before,
                       const char* form) {
        SCOPED_TRACE(form);
        if (c.has("Error")) {
            EXPECT_EQ(engine_error(), std::stoi(c.get("Error")));
            EXPECT_EQ(get_hex(out), before);
            engine_clear_error();
            return;
        }
        EXPECT_EQ(engine_error(), 0);
        EXPECT_EQ(get_hex(out), c.get("R"));
        EXPECT_TRUE(is_canonical(out));
        engine_clear_error();
    }
};

const std::string kSentinel = "-5EA1";

using BinOp = void (*)(const big_rec*, const big_rec*, big);

void run_binary(BigArith* t, const char* section, BinOp op,
                const std::function<void(const VectorCase&, const big_rec*, const std::string&,
                                         const char*)>& expect) {
    const auto cases = load_vectors("engine/big_arith.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section != section) continue;
        ++seen;
        SCOPED_TRACE(c.where);
        const std::string A = c.get("A"), B = c.get("B");
        {
            Big x(A), y(B), z(kSentinel);
            op(x, y, z);
            expect(c, z, kSentinel, "f(c,a,b)");
            EXPECT_EQ(x.hex(), A);
            EXPECT_EQ(y.hex(), B);
        }
        {
            Big x(A), y(B);
            op(x, y, x);
            expect(c, x, A, "f(a,a,b)");
        }
        {
            Big x(A), y(B);
            op(x, y, y);
            expect(c, y, B, "f(b,a,b)");
        }
        if (A == B) {
            Big x(A), z(kSentinel);
            op(x, x, z);
            expect(c, z, kSentinel, "f(c,a,a)");
            op(x, x, x);
            expect(c, x, A, "f(a,a,a)");
        }
    }
    EXPECT_GT(seen, 10) << section;
    (void)t;
}

TEST_F(BigArith, AddSubtractMultiplyMatchPython) {
    auto expect = [this](const VectorCase& c, const big_rec* out, const std::string& before,
                         const char* form) { expect_result(c, out, before, form); };
    run_binary(this, "add", add, expect);
    run_binary(this, "subtract", subtract, expect);
    run_binary(this, "multiply", multiply, expect);
}

TEST_F(BigArith, SmallIntOperandsMatchPython) {
    using IntOp = void (*)(const big_rec*, int, big);
    const struct {
        const char* section;
        IntOp op;
    } ops[] = {{"incr", incr}, {"decr", decr}, {"premult", premult}};
    const auto cases = load_vectors("engine/big_arith.txt");
    for (const auto& op : ops) {
        for (const auto& c : cases) {
            if (c.section != op.section) continue;
            SCOPED_TRACE(c.where);
            const std::string A = c.get("A");
            const int n = static_cast<int>(std::stoll(c.get("N")));
            Big x(A), z(kSentinel);
            op.op(x, n, z);
            expect_result(c, z, kSentinel, "f(c,a,n)");
            op.op(x, n, x);
            expect_result(c, x, A, "f(a,a,n)");
        }
    }
    for (const auto& c : cases) {
        if (c.section != "subdiv" && c.section != "remain") continue;
        SCOPED_TRACE(c.where);
        const std::string A = c.get("A");
        const int n = static_cast<int>(std::stoll(c.get("N")));
        const int rem = static_cast<int>(std::stoll(c.get("Rem")));
        Big x(A);
        if (c.section == "remain") {
            EXPECT_EQ(remain(x, n), rem);
            EXPECT_EQ(x.hex(), A);
            continue;
        }
        Big z(kSentinel);
        EXPECT_EQ(subdiv(x, n, z), rem);
        EXPECT_EQ(z.hex(), c.get("Q"));
        EXPECT_TRUE(is_canonical(z));
        EXPECT_EQ(subdiv(x, n, x), rem);
        EXPECT_EQ(x.hex(), c.get("Q"));
        EXPECT_EQ(engine_error(), 0);
    }
}

TEST_F(BigArith, DivideMatchesPythonInEveryAliasingForm) {
    int seen = 0;
    for (const auto& c : load_vectors("engine/big_arith.txt")) {
        if (c.section != "divide") continue;
        ++seen;
        SCOPED_TRACE(c.where);
        const std::string A = c.get("A"), B = c.get("B");
        {
            Big x(A), y(B), z(kSentinel);
            divide(x, y, z);
            EXPECT_EQ(z.hex(), c.get("Q"));
            EXPECT_EQ(x.hex(), c.get("Rem"));
            EXPECT_EQ(y.hex(), B);
            EXPECT_TRUE(is_canonical(x));
            EXPECT_TRUE(is_canonical(z));
        }
        {
            Big x(A), y(B);
            divide(x, y, x);  // quotient only
            EXPECT_EQ(x.hex(), c.get("Q"));
            EXPECT_TRUE(is_canonical(x));
        }
        {
            Big x(A), y(B);
            divide(x, y, y);  // remainder only
            EXPECT_EQ(x.hex(), c.get("Rem"));
            EXPECT_EQ(y.hex(), B);
        }
        {
            Big x(A), z(kSentinel);
            divide(x, x, z);
            EXPECT_EQ(engine_error(), 7);
            EXPECT_EQ(x.hex(), A);
            EXPECT_EQ(z.hex(), kSentinel);
            engine_clear_error();
        }
        EXPECT_EQ(engine_error(), 0);
    }
    EXPECT_GT(seen, 10);
}

TEST_F(BigArith, MadMatchesPythonInEveryAliasingForm) {
    int seen = 0;
    for (const auto& c : load_vectors("engine/big_arith.txt")) {
        if (c.section != "mad") continue;
        ++seen;
        SCOPED_TRACE(c.where);
        const std::string X = c.get("X"), Y = c.get("Y"), Z = c.get("Z"), W = c.get("W");
        if (c.has("Error")) {
            Big x(X), y(Y), z(Z), w(W), q(kSentinel), r(kSentinel);
            mad(x, y, z, w, q, r);
            EXPECT_EQ(engine_error(), 3);
            EXPECT_EQ(q.hex(), kSentinel);
            engine_clear_error();
            continue;
        }
        {
            Big x(X), y(Y), z(Z), w(W), q(kSentinel), r(kSentinel);
            mad(x, y, z, w, q, r);
            EXPECT_EQ(q.hex(), c.get("Q"));
            EXPECT_EQ(r.hex(), c.get("Rem"));
            EXPECT_TRUE(is_canonical(q));
            EXPECT_TRUE(is_canonical(r));
        }
        {  // q and r the same: the quotient
            Big x(X), y(Y), z(Z), w(W), q(kSentinel);
            mad(x, y, z, w, q, q);
            EXPECT_EQ(q.hex(), c.get("Q"));
        }
        {  // z the same as x or y: not added
            Big x(X), y(Y), w(W), q(kSentinel), r(kSentinel);
            mad(x, y, x, w, q, r);
            EXPECT_EQ(q.hex(), c.get("QNoZ"));
            EXPECT_EQ(r.hex(), c.get("RemNoZ"));
            mad(x, y, y, w, q, r);
            EXPECT_EQ(q.hex(), c.get("QNoZ"));
            EXPECT_EQ(r.hex(), c.get("RemNoZ"));
        }
        {  // outputs over inputs
            Big x(X), y(Y), z(Z), w(W);
            mad(x, y, z, w, x, y);
            EXPECT_EQ(x.hex(), c.get("Q"));
            EXPECT_EQ(y.hex(), c.get("Rem"));
            Big x2(X), y2(Y), z2(Z), w2(W);
            mad(x2, y2, z2, w2, w2, z2);
            EXPECT_EQ(w2.hex(), c.get("Q"));
            EXPECT_EQ(z2.hex(), c.get("Rem"));
        }
        {  // w and r the same big is refused
            Big x(X), y(Y), z(Z), w(W), q(kSentinel);
            mad(x, y, z, w, q, w);
            EXPECT_EQ(engine_error(), 7);
            EXPECT_EQ(q.hex(), kSentinel);
            EXPECT_EQ(w.hex(), W);
            engine_clear_error();
        }
        EXPECT_EQ(engine_error(), 0);
    }
    EXPECT_GT(seen, 10);
}

TEST_F(BigArith, PowerMatchesPython) {
    for (const auto& c : load_vectors("engine/big_arith.txt")) {
        if (c.section != "power") continue;
        SCOPED_TRACE(c.where);
        const std::string A = c.get("A");
        const int n = std::stoi(c.get("N"));
        if (c.has("M")) {
            const std::string M = c.get("M");
            Big x(A), m(M), w(kSentinel);
            power(x, n, m, w);
            expect_result(c, w, kSentinel, "power(x,n,m,w)");
            power(x, n, m, x);
            expect_result(c, x, A, "power(x,n,m,x)");
            EXPECT_EQ(m.hex(), M);
        } else {
            Big x(A), w(kSentinel);
            power(x, n, w, w);  // z the same as w: no reduction
            expect_result(c, w, kSentinel, "power(x,n,w,w)");
            power(x, n, x, x);
            expect_result(c, x, A, "power(x,n,x,x)");
        }
    }
}

TEST_F(BigArith, RootsGcdJacobiShiftsAndBitsMatchPython) {
    for (const auto& c : load_vectors("engine/big_arith.txt")) {
        SCOPED_TRACE(c.where);
        if (c.section == "nroot") {
            const std::string A = c.get("A");
            const int n = std::stoi(c.get("N"));
            const bool exact = c.get("Exact") == "1";
            Big x(A), w(kSentinel);
            EXPECT_EQ(nroot(x, n, w), exact);
            EXPECT_EQ(w.hex(), c.get("R"));
            EXPECT_TRUE(is_canonical(w));
            EXPECT_EQ(nroot(x, n, x), exact);
            EXPECT_EQ(x.hex(), c.get("R"));
        } else if (c.section == "egcd") {
            const std::string A = c.get("A"), B = c.get("B");
            Big x(A), y(B), z(kSentinel);
            egcd(x, y, z);
            EXPECT_EQ(z.hex(), c.get("G"));
            EXPECT_TRUE(is_canonical(z));
            egcd(x, y, x);
            EXPECT_EQ(x.hex(), c.get("G"));
            Big x2(A);
            egcd(x2, y, y);
            EXPECT_EQ(y.hex(), c.get("G"));
        } else if (c.section == "jack") {
            Big a(c.get("A")), n(c.get("N"));
            EXPECT_EQ(jack(a, n), std::stoi(c.get("J")));
        } else if (c.section == "word_shift") {
            const std::string A = c.get("A");
            const int n = std::stoi(c.get("N"));
            Big x(A), w(kSentinel);
            word_shift(x, n, w);
            expect_result(c, w, kSentinel, "word_shift(x,n,w)");
            word_shift(x, n, x);
            expect_result(c, x, A, "word_shift(x,n,x)");
        } else if (c.section == "expb2") {
            Big x(kSentinel);
            expb2(std::stoi(c.get("N")), x);
            expect_result(c, x, kSentinel, "expb2");
        } else if (c.section == "logb2") {
            Big x(c.get("A"));
            EXPECT_EQ(logb2(x), std::stoi(c.get("Bits")));
        }
        EXPECT_EQ(engine_error(), 0);
    }
}

// Behaviour fixed by the routines' contracts rather than by arithmetic.
TEST_F(BigArith, ContractEdges) {
    Big x(0), y(7), w(kSentinel);
    power(x, 0, w, w);  // zero to any power is zero
    EXPECT_EQ(w.hex(), "0");
    power(y, 0, w, w);
    EXPECT_EQ(w.hex(), "1");
    Big one(1);
    power(y, 0, one, w);  // 7^0 mod 1
    EXPECT_EQ(w.hex(), "0");

    EXPECT_EQ(jack(y, Big(8)), 0);   // even n
    EXPECT_EQ(jack(y, Big(-3)), 0);  // negative n
    EXPECT_EQ(egcd(Big(0), Big(0), w), 0);
    EXPECT_EQ(w.hex(), "0");

    // int_size marks
    Big big1("40000000"), big2("-3FFFFFFF");
    EXPECT_EQ(big_int_size(big1), 1 << 30);
    EXPECT_EQ(big_int_size(big2), -0x3FFFFFFF);

    // no negative zero from any route
    Big m5("-5");
    incr(m5, 5, w);
    EXPECT_TRUE(is_canonical(w));
    big_set_sign(-1, w);
    EXPECT_TRUE(is_canonical(w));
    premult(m5, 0, w);
    EXPECT_TRUE(is_canonical(w));
    EXPECT_EQ(engine_error(), 0);

    struct {
        std::function<void()> call;
        int code;
    } errors[] = {
        {[&] { power(y, -1, w, w); }, 10},
        {[&] { subdiv(y, 0, w); }, 2},
        {[&] { divide(y, x, w); }, 2},
        {[&] { expb2(-1, w); }, 10},
        {[&] { nroot(m5, 2, w); }, 9},
        {[&] { nroot(y, 0, w); }, 11},
        {[&] { expint(2, -1, w); }, 10},
    };
    for (auto& e : errors) {
        e.call();
        EXPECT_EQ(engine_error(), e.code);
        engine_clear_error();
    }
}

TEST_F(BigArith, ExpintAndBigdig) {
    // b^n against values written out by hand
    const struct {
        int b, n;
        const char* hex;
    } powers[] = {{2, 0, "1"}, {0, 0, "1"}, {0, 5, "0"}, {10, 9, "3B9ACA00"}, {-3, 3, "-1B"},
                  {-3, 4, "51"}, {16, 10, "10000000000"}, {2, 2207, nullptr}};
    for (const auto& p : powers) {
        Big x(kSentinel);
        expint(p.b, p.n, x);
        if (p.hex != nullptr) {
            EXPECT_EQ(x.hex(), p.hex) << p.b << "^" << p.n;
        } else {
            EXPECT_EQ(logb2(x), 2208);
        }
        EXPECT_TRUE(is_canonical(x));
    }
    Big x(kSentinel);
    expint(2, 2208, x);
    EXPECT_EQ(engine_error(), 3);
    EXPECT_EQ(x.hex(), kSentinel);
    engine_clear_error();

    // bigdig: exactly n digits of base b
    raw_rand_seed(12345);
    Big lo, hi;
    for (int b : {2, 3, 10, 16, 255, 256}) {
        for (int n : {1, 2, 5, 40}) {
            expint(b, n - 1, lo);
            expint(b, n, hi);
            for (int i = 0; i < 20; ++i) {
                bigdig(n, b, x);
                EXPECT_GE(big_compare(x, lo), 0) << b << " " << n;
                EXPECT_LT(big_compare(x, hi), 0) << b << " " << n;
                EXPECT_TRUE(is_canonical(x));
            }
        }
    }
    for (int b : {1, 257, 0, -2}) {
        bigdig(3, b, x);
        EXPECT_EQ(engine_error(), 1) << b;
        engine_clear_error();
    }
}

TEST_F(BigArith, BigrandIsBelowTheBoundAndCoversIt) {
    raw_rand_seed(99);
    Big w(6), x;
    int counts[6] = {};
    for (int i = 0; i < 600; ++i) {
        bigrand(w, x);
        ASSERT_GE(big_compare(x, Big(0)), 0);
        ASSERT_LT(big_compare(x, w), 0);
        ++counts[big_to_u64(x)];
    }
    for (int c : counts) EXPECT_GT(c, 60);  // about 100 each

    Big wide("FFFFFFFFFFFFFFFFFFFFFFFF00000000000000000000000000000001");
    for (int i = 0; i < 50; ++i) {
        bigrand(wide, x);
        EXPECT_LT(big_compare(x, wide), 0);
        EXPECT_TRUE(is_canonical(x));
    }
    Big one(1), zero(0);
    bigrand(one, x);
    EXPECT_EQ(x.hex(), "0");
    bigrand(zero, x);
    EXPECT_EQ(x.hex(), "0");
    EXPECT_EQ(engine_error(), 0);
}

}  // namespace
