// gf2_poly_mul: products of polynomials over GF(2^m) against a schoolbook
// product of naive (small m) or independently tested (large m) field products.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/gf2m.h"
#include "tests/engine/gf2_naive.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"

using testsupport::Big;
using testsupport::EngineTest;
using testsupport::TestRng;

namespace {

// An array of count owned bigs.
class Bigs {
   public:
    explicit Bigs(int count) {
        for (int i = 0; i < count; ++i) m_v.push_back(big_alloc(0));
    }
    ~Bigs() {
        for (big b : m_v) big_free(b);
    }
    Bigs(const Bigs&) = delete;
    Bigs& operator=(const Bigs&) = delete;
    big* data() { return m_v.data(); }
    big operator[](int i) const { return m_v[i]; }
    int size() const { return static_cast<int>(m_v.size()); }

   private:
    std::vector<big> m_v;
};

class Gf2PolyMul : public EngineTest {};

TEST_F(Gf2PolyMul, MatchesSchoolbookAcrossSizes) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(21);
    struct Field {
        int m, a, b, c;
    };
    for (const Field fd : {Field{7, 1, 0, 0}, Field{63, 1, 0, 0}, Field{163, 7, 6, 3}, Field{571, 10, 5, 2}}) {
        ASSERT_TRUE(prepare_basis(fd.m, fd.a, fd.b, fd.c, true));
        const naive::Poly f = naive::basis(fd.m, fd.a, fd.b, fd.c);
        const bool small = fd.m < 100;
        for (int n : {1, 2, 7, 8, 9, 16, 17, 31, 45, 64}) {
            if (!small && n > 45) continue;
            SCOPED_TRACE(testing::Message() << "m=" << fd.m << " n=" << n);
            Bigs x(n), y(n), w(2 * n - 1), work(gf2_poly_mul_work_size(n) + 1);
            std::vector<naive::Poly> px(n), py(n);
            for (int i = 0; i < n; ++i) {
                px[i] = rng.below(5) == 0 ? naive::Poly{} : naive::random(rng, fd.m);
                py[i] = naive::random(rng, fd.m);
                naive::to_big(px[i], x[i]);
                naive::to_big(py[i], y[i]);
            }
            for (int k = 0; k < w.size(); ++k) big_from_int(-7, w[k]);  // junk to overwrite
            gf2_poly_mul(n, work.data(), x.data(), y.data(), w.data());
            ASSERT_EQ(engine_error(), 0);
            Big t;
            for (int k = 0; k < 2 * n - 1; ++k) {
                naive::Poly expect;
                for (int i = 0; i < n; ++i) {
                    if (k - i < 0 || k - i >= n) continue;
                    if (small) {
                        expect = naive::add(expect, naive::mulmod(px[i], py[k - i], f));
                    } else {
                        gf2_mul(x[i], y[k - i], t);
                        expect = naive::add(expect, naive::from_big(t));
                    }
                }
                ASSERT_EQ(naive::from_big(w[k]), expect) << "coefficient " << k;
                ASSERT_TRUE(testsupport::is_canonical(w[k]));
            }
            for (int i = 0; i < work.size(); ++i) ASSERT_TRUE(big_is_zero(work[i]));
            for (int i = 0; i < work.size(); ++i) ASSERT_TRUE(testsupport::is_canonical(work[i]));
        }
    }
}

TEST_F(Gf2PolyMul, UnreducedAndNullCoefficientsAndErrors) {
    ASSERT_TRUE(prepare_basis(163, 7, 6, 3, true));
    const naive::Poly f = naive::basis(163, 7, 6, 3);
    TestRng rng = TestRng::for_test(22);
    constexpr int n = 20;
    Bigs x(n), y(n), w(2 * n - 1), work(gf2_poly_mul_work_size(n));
    std::vector<naive::Poly> px(n), py(n);
    for (int i = 0; i < n; ++i) {
        px[i] = naive::random(rng, i == 5 ? 400 : 163);  // one coefficient unreduced
        py[i] = naive::random(rng, 163);
        naive::to_big(px[i], x[i]);
        naive::to_big(py[i], y[i]);
    }
    std::vector<big> xs(x.data(), x.data() + n);
    xs[2] = nullptr;  // counts as zero
    px[2].clear();
    gf2_poly_mul(n, work.data(), xs.data(), y.data(), w.data());
    for (int k = 0; k < 2 * n - 1; ++k) {
        naive::Poly expect;
        for (int i = 0; i < n; ++i)
            if (k - i >= 0 && k - i < n) expect = naive::add(expect, naive::mulmod(px[i], py[k - i], f));
        ASSERT_EQ(naive::from_big(w[k]), expect) << k;
    }
    EXPECT_LE(gf2_poly_mul_work_size(1000), 4 * 1000 + 8);
    gf2_poly_mul(n, work.data(), x.data(), y.data(), x.data());
    EXPECT_EQ(engine_error(), 7);
}

}  // namespace
