// The Montgomery limb kernels: the Karatsuba-Comba path gives the same residues
// as the word-size path, and both match a naive 32-bit word-by-word Montgomery
// reduction written here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/mont_kernels.h"
#include "engine/big.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"

namespace {

using engine_detail::MontParams;
using engine_detail::u64;
__extension__ typedef unsigned __int128 u128;

// Naive word-by-word Montgomery product on 32-bit words (R = 2^(32k)).
std::vector<uint32_t> naive_mont(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                                 const std::vector<uint32_t>& n) {
    const size_t k = n.size();
    uint32_t ninv = n[0];
    for (int i = 0; i < 5; ++i) ninv *= 2u - n[0] * ninv;
    ninv = 0u - ninv;
    std::vector<uint64_t> t(2 * k + 2, 0);
    std::vector<uint32_t> tw(2 * k + 2, 0);
    for (size_t i = 0; i < k; ++i) {  // t = a*b
        uint64_t c = 0;
        for (size_t j = 0; j < k; ++j) {
            const uint64_t s = static_cast<uint64_t>(a[i]) * b[j] + tw[i + j] + c;
            tw[i + j] = static_cast<uint32_t>(s);
            c = s >> 32;
        }
        tw[i + k] = static_cast<uint32_t>(c);
    }
    for (size_t i = 0; i < k; ++i) {  // word-by-word reduction
        const uint32_t m = tw[i] * ninv;
        uint64_t c = 0;
        for (size_t j = 0; j < k; ++j) {
            const uint64_t s = static_cast<uint64_t>(m) * n[j] + tw[i + j] + c;
            tw[i + j] = static_cast<uint32_t>(s);
            c = s >> 32;
        }
        for (size_t j = i + k; c != 0; ++j) {
            const uint64_t s = static_cast<uint64_t>(tw[j]) + c;
            tw[j] = static_cast<uint32_t>(s);
            c = s >> 32;
        }
    }
    std::vector<uint32_t> r(tw.begin() + static_cast<long>(k), tw.begin() + static_cast<long>(2 * k + 1));
    // r -= n while r >= n
    auto ge = [&]() {
        if (r[k] != 0) return true;
        for (size_t i = k; i-- > 0;)
            if (r[i] != n[i]) return r[i] > n[i];
        return true;
    };
    while (ge()) {
        int64_t borrow = 0;
        for (size_t i = 0; i <= k; ++i) {
            const int64_t s = static_cast<int64_t>(r[i]) - (i < k ? n[i] : 0) - borrow;
            r[i] = static_cast<uint32_t>(s);
            borrow = s < 0;
        }
    }
    r.resize(k);
    return r;
}

std::vector<uint32_t> to_words(const u64* v, int k) {
    std::vector<uint32_t> w(static_cast<size_t>(k));
    std::memcpy(w.data(), v, 4 * static_cast<size_t>(k));
    return w;
}

TEST(MontKernels, KaratsubaPathEqualsWordPathAndNaiveReduction) {
    auto rng = testsupport::TestRng::for_test(31);
    SCOPED_TRACE(testsupport::test_seed_note());
    const int iters = testsupport::test_iters(40);
    for (int k : {1, 2, 3, 5, 8, 15, 16, 17, 31, 32, 33, 64, 69}) {
        for (int it = 0; it < iters; ++it) {
            std::vector<uint32_t> n = rng.words_with_bits(32 * k - static_cast<int>(rng.below(it % 2 ? 32 : 2)));
            n.resize(static_cast<size_t>(k));
            n[0] |= 1u;
            if (k == 1 && n[0] < 3) n[0] = 3;
            if (it == 0) std::fill(n.begin(), n.end(), 0xFFFFFFFFu);  // largest modulus
            MontParams p;
            engine_detail::mont_params_set(&p, n.data(), k, engine_detail::mont_ndash32_raw(n[0]), nullptr);
            ASSERT_EQ(p.kara, engine_detail::mont_is_kara_size(k));
            // a, b below n: n - 1, n - 2, or random values one bit shorter
            u64 a[engine_detail::kMontMaxLimbs] = {}, b[engine_detail::kMontMaxLimbs] = {};
            std::vector<uint32_t> aw = n, bw = rng.words_with_bits(32 * k - 1);
            aw[0] -= 1 + static_cast<uint32_t>(it % 2);
            if (it % 3 == 2) aw = rng.words_with_bits(32 * k - 1);
            if (it % 5 == 4) std::fill(aw.begin(), aw.end(), 0u);
            aw.resize(static_cast<size_t>(k));
            bw.resize(static_cast<size_t>(k));
            if (bw.back() >= n.back()) bw.back() = n.back() >> 1;
            if (aw.back() > n.back() || (aw.back() == n.back() && it % 3 == 2)) aw.back() = n.back() >> 1;
            engine_detail::mont_load_raw(a, aw.data(), k, p.limbs);
            engine_detail::mont_load_raw(b, bw.data(), k, p.limbs);
            u64 r1[engine_detail::kMontMaxLimbs], r2[engine_detail::kMontMaxLimbs];
            engine_detail::mont_mul_raw(p, r1, a, b);
            engine_detail::mont_mul_basic_raw(p, r2, a, b);
            const auto expect = naive_mont(aw, bw, n);
            ASSERT_EQ(to_words(r1, k), expect) << "k=" << k << " it=" << it;
            ASSERT_EQ(to_words(r2, k), expect) << "k=" << k << " it=" << it;
            engine_detail::mont_sqr_raw(p, r1, a);
            engine_detail::mont_sqr_basic_raw(p, r2, a);
            const auto sq = naive_mont(aw, aw, n);
            ASSERT_EQ(to_words(r1, k), sq) << "k=" << k << " it=" << it;
            ASSERT_EQ(to_words(r2, k), sq) << "k=" << k << " it=" << it;
            // in place
            engine_detail::mont_mul_raw(p, a, a, b);
            ASSERT_EQ(to_words(a, k), expect);
        }
    }
}

TEST(MontKernels, KaratsubaProductsAgainstSchoolbook) {
    auto rng = testsupport::TestRng::for_test(32);
    for (int n : {8, 16, 32}) {
        for (int it = 0; it < testsupport::test_iters(20); ++it) {
            std::vector<u64> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
            for (auto& v : a) v = it == 0 ? ~u64{0} : rng.next64();
            for (auto& v : b) v = it == 0 ? ~u64{0} : (it == 1 ? 0 : rng.next64());
            std::vector<u64> r(2 * static_cast<size_t>(n)), s(2 * static_cast<size_t>(n), 0), q(2 * static_cast<size_t>(n));
            engine_detail::kara_mul_raw(r.data(), a.data(), b.data(), n);
            for (int i = 0; i < n; ++i) {  // schoolbook on 64-bit limbs
                u128 c = 0;
                for (int j = 0; j < n; ++j) {
                    c += static_cast<u128>(a[static_cast<size_t>(i)]) * b[static_cast<size_t>(j)] +
                         s[static_cast<size_t>(i + j)];
                    s[static_cast<size_t>(i + j)] = static_cast<u64>(c);
                    c >>= 64;
                }
                s[static_cast<size_t>(i + n)] = static_cast<u64>(c);
            }
            ASSERT_EQ(r, s) << n;
            engine_detail::kara_sqr_raw(q.data(), a.data(), n);
            engine_detail::kara_mul_raw(r.data(), a.data(), a.data(), n);
            ASSERT_EQ(q, r) << n;
        }
    }
}

}  // namespace

namespace {

class MontInverse : public testsupport::EngineTest {};

// Lehmer's inverse against the identity a*inv = 1 (mod m) and the gcd against
// egcd (Euclid by long division), over sizes, shapes and even moduli.
TEST_F(MontInverse, LehmerInverseSatisfiesTheIdentity) {
    auto rng = testsupport::TestRng::for_test(33);
    SCOPED_TRACE(testsupport::test_seed_note());
    const int iters = testsupport::test_iters(400);
    for (int it = 0; it < iters; ++it) {
        const int bits = 2 + rng.interesting_bits(32 * 69 - 2);
        std::vector<uint32_t> mw = rng.words_with_bits(bits);
        if (it % 4 == 0) mw[0] |= 1u;
        const int k = static_cast<int>(mw.size());
        const int L = (k + 1) / 2;
        std::vector<uint32_t> aw = rng.words_with_bits(1 + static_cast<int>(rng.below(static_cast<uint64_t>(bits))));
        if (it % 7 == 3) aw = {1};
        if (it % 7 == 5) aw = {0};
        aw.resize(static_cast<size_t>(k), 0);
        // keep a below m
        if (std::lexicographical_compare(mw.rbegin(), mw.rend(), aw.rbegin(), aw.rend()) ||
            aw == mw)
            aw.back() = mw.back() >> 1;
        u64 a[engine_detail::kMontMaxLimbs], m[engine_detail::kMontMaxLimbs], inv[engine_detail::kMontMaxLimbs],
            g[engine_detail::kMontMaxLimbs];
        engine_detail::mont_load_raw(a, aw.data(), k, L);
        engine_detail::mont_load_raw(m, mw.data(), k, L);
        const bool ok = engine_detail::mont_inverse_raw(a, m, L, inv, g);
        testsupport::Big A, M, I, G, G2, q, r, zero;
        testsupport::set_words(A, aw);
        testsupport::set_words(M, mw);
        testsupport::set_words(I, to_words(inv, k));
        testsupport::set_words(G, to_words(g, k));
        egcd(A, M, G2);
        ASSERT_EQ(G.hex(), G2.hex()) << "it " << it;
        ASSERT_EQ(ok, G2.hex() == "1") << "it " << it;
        if (ok) {
            ASSERT_LT(big_compare(I, M), 0);
            mad(A, I, zero, M, q, r);  // zero is not x or y: it is added (as 0)
            ASSERT_EQ(r.hex(), big_compare(M, testsupport::Big(1)) == 0 ? "0" : "1") << "it " << it;
        } else {
            ASSERT_EQ(I.hex(), "0");
        }
    }
}

}  // namespace
