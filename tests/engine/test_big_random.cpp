// Randomised differential tests of products and division against a naive
// schoolbook oracle written here (64-bit limb arithmetic, nothing shared with
// the engine), and text round trips in every base 2..256. Operands are drawn
// to find carries: all-ones words, runs of equal bits, sizes on word boundaries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/big.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"

using namespace testsupport;

namespace {

using Words = std::vector<uint32_t>;

Words trim(Words w) {
    while (!w.empty() && w.back() == 0) w.pop_back();
    return w;
}

Words naive_mul(const Words& a, const Words& b) {
    Words r(a.size() + b.size(), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.size(); ++j) {
            const uint64_t t = static_cast<uint64_t>(a[i]) * b[j] + r[i + j] + carry;
            r[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        for (size_t k = i + b.size(); carry != 0; ++k) {
            const uint64_t t = static_cast<uint64_t>(r[k]) + carry;
            r[k] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
    }
    return trim(r);
}

Words naive_add(const Words& a, const Words& b) {
    Words r(std::max(a.size(), b.size()) + 1, 0);
    uint64_t c = 0;
    for (size_t i = 0; i < r.size(); ++i) {
        c += (i < a.size() ? a[i] : 0) + static_cast<uint64_t>(i < b.size() ? b[i] : 0);
        r[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    return trim(r);
}

int naive_cmp(const Words& a, const Words& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

Words words_of(const big_rec* x) {
    return Words(x->w, x->w + (x->len & kBigLenMask));
}

class BigRandom : public EngineTest {};

TEST_F(BigRandom, ProductsAndDivisionAgreeWithSchoolbook) {
    TestRng rng = TestRng::for_test(21);
    SCOPED_TRACE(test_seed_note());
    const int iters = test_iters(1500);
    for (int it = 0; it < iters; ++it) {
        const int abits = rng.interesting_bits(2208);
        const int bbits = rng.interesting_bits(rng.coin() ? 2208 : 96);
        const Words a = rng.words_with_bits(abits), b = rng.words_with_bits(bbits);
        const bool aneg = rng.coin(), bneg = rng.coin();
        Big x, y, z, q;
        set_words(x, a, aneg);
        set_words(y, b, bneg);

        // multiply: the schoolbook product, or error 3 when it is too long
        multiply(x, y, z);
        const Words p = naive_mul(a, b);
        if (p.size() > 69) {
            ASSERT_EQ(engine_error(), 3) << it;
            engine_clear_error();
        } else {
            ASSERT_EQ(engine_error(), 0) << it;
            ASSERT_EQ(words_of(z), p) << it;
            ASSERT_EQ(big_is_negative(z), aneg != bneg) << it;
            ASSERT_TRUE(is_canonical(z));
        }

        // divide: |a| = |q| |b| + |r| with |r| < |b|, q's sign the product of
        // the signs, r's sign that of a
        set_words(z, a, aneg);
        divide(z, y, q);
        ASSERT_EQ(engine_error(), 0) << it;
        const Words qw = words_of(q), rw = words_of(z);
        ASSERT_LT(naive_cmp(rw, b), 0) << it;
        ASSERT_EQ(naive_add(naive_mul(qw, b), rw), trim(a)) << it;
        if (!qw.empty()) {
            ASSERT_EQ(big_is_negative(q), aneg != bneg) << it;
        }
        if (!rw.empty()) {
            ASSERT_EQ(big_is_negative(z), aneg) << it;
        }
        ASSERT_TRUE(is_canonical(q));
        ASSERT_TRUE(is_canonical(z));
    }
}

// instr(otstr(x)) == x in every base, and the digit count agrees with the
// length of the text.
TEST_F(BigRandom, TextRoundTripsInEveryBase) {
    TestRng rng = TestRng::for_test(22);
    SCOPED_TRACE(test_seed_note());
    static char buf[2400];
    const int iters = test_iters(3);
    for (int round = 0; round < iters; ++round) {
        for (uint32_t base = 2; base <= 256; ++base) {
            SCOPED_TRACE(base);
            const int bits = rng.interesting_bits(2208);
            const bool neg = base <= 62 && rng.coin();
            Big x, y;
            set_words(x, rng.words_with_bits(bits), neg);
            E->apparent_base = base;
            const int n = otstr(x, buf);
            ASSERT_EQ(engine_error(), 0);
            if (base != 64) {
                ASSERT_EQ(n - (neg ? 1 : 0), big_num_digits(x));
            }
            E->input_length = n;
            ASSERT_EQ(instr(y, buf), n);
            ASSERT_EQ(y.hex(), x.hex());
        }
    }
}

}  // namespace
