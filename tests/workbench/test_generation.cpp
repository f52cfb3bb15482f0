// Curve generation: the seed-derived value, primes = 3 (mod 4), random numbers
// of exact size and the seed/hash check boxes; then &GENERATE and GET &NP on both
// kinds of curve. References: tests/vectors/workbench/generation.txt (hashlib and
// sympy), an independent byte-level derivation of H (seed_reference.h), a
// deterministic Miller-Rabin on 64-bit numbers, naive point counts.
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "engine/modular.h"
#include "engine/values.h"
#include "tests/support/vectors.h"
#include "tests/workbench/actions_fixture.h"
#include "tests/workbench/seed_reference.h"
#include "workbench/generation.h"

namespace {

using testsupport::ActionsTest;
using testsupport::reference_derive;
using testsupport::StandardCurve;

BigInt num(const std::string& hex) {
    BigInt x;
    cinstr(x.get(), hex.c_str());
    return x;
}

__extension__ typedef unsigned __int128 u128;

uint64_t mulmod64(uint64_t a, uint64_t b, uint64_t n) { return static_cast<uint64_t>(static_cast<u128>(a) * b % n); }

// Deterministic Miller-Rabin for n < 2^64 (the first 12 primes as bases).
bool prime64(uint64_t n) {
    if (n < 2) return false;
    for (uint64_t p : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        if (n % p == 0) return n == p;
    }
    uint64_t d = n - 1;
    int s = 0;
    for (; d % 2 == 0; d /= 2) ++s;
    for (uint64_t a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        uint64_t x = 1, base = a, e = d;
        for (; e != 0; e >>= 1, base = mulmod64(base, base, n))
            if (e & 1) x = mulmod64(x, base, n);
        if (x == 1 || x == n - 1) continue;
        bool composite = true;
        for (int r = 1; r < s && composite; ++r) {
            x = mulmod64(x, x, n);
            if (x == n - 1) composite = false;
        }
        if (composite) return false;
    }
    return true;
}

// ---- naive arithmetic modulo a prime below 2^64 -------------------------------------------

uint64_t powmod64(uint64_t b, uint64_t e, uint64_t n) {
    uint64_t x = 1;
    for (b %= n; e != 0; e >>= 1, b = mulmod64(b, b, n))
        if (e & 1) x = mulmod64(x, b, n);
    return x;
}

// -27 mod p.
uint64_t minus27(uint64_t p) { return (p - 27 % p) % p; }

uint64_t hex64(const std::string& hex) { return std::stoull(hex, nullptr, 16); }

// y^2 = x^3 + a x + b over GF(p), p < 2^63, affine points (nullopt = infinity).
struct NaiveCurve {
    uint64_t p, a, b;
    using Pt = std::optional<std::pair<uint64_t, uint64_t>>;
    uint64_t add(uint64_t x, uint64_t y) const { return static_cast<uint64_t>((static_cast<u128>(x) + y) % p); }
    uint64_t sub(uint64_t x, uint64_t y) const { return static_cast<uint64_t>((static_cast<u128>(x) + p - y) % p); }
    uint64_t mul(uint64_t x, uint64_t y) const { return mulmod64(x, y, p); }
    uint64_t inv(uint64_t x) const { return powmod64(x, p - 2, p); }
    uint64_t rhs(uint64_t x) const { return add(add(mul(mul(x, x), x), mul(a, x)), b); }
    Pt plus(Pt P, Pt Q) const {
        if (!P) return Q;
        if (!Q) return P;
        uint64_t l;
        if (P->first == Q->first) {
            if (add(P->second, Q->second) == 0) return std::nullopt;
            l = mul(add(mul(3, mul(P->first, P->first)), a), inv(mul(2, P->second)));
        } else {
            l = mul(sub(Q->second, P->second), inv(sub(Q->first, P->first)));
        }
        const uint64_t x = sub(sub(mul(l, l), P->first), Q->first);
        return std::make_pair(x, sub(mul(l, sub(P->first, x)), P->second));
    }
    Pt times(uint64_t k, Pt P) const {
        Pt R;
        for (int i = 63; i >= 0; --i) {
            R = plus(R, R);
            if ((k >> i) & 1) R = plus(R, P);
        }
        return R;
    }
    /// The point with abscissa x, if any (p = 3 mod 4: y = rhs^((p+1)/4)).
    Pt point(uint64_t x) const {
        const uint64_t r = rhs(x), y = powmod64(r, (p + 1) / 4, p);
        if (mul(y, y) != r) return std::nullopt;
        return std::make_pair(x, y);
    }
    /// Points counted one abscissa at a time (Euler's criterion), infinity included.
    uint64_t count() const {
        uint64_t n = 1;
        for (uint64_t x = 0; x < p; ++x) {
            const uint64_t r = rhs(x);
            n += r == 0 ? 1 : powmod64(r, (p - 1) / 2, p) == 1 ? 2 : 0;
        }
        return n;
    }
};

using Generation = ActionsTest;

TEST_F(Generation, DeriveFromSeedAgainstHashlib) {
    for (const auto& v : testsupport::load_vectors("workbench/generation.txt")) {
        if (v.section != "derive") continue;
        SCOPED_TRACE(v.where);
        const int bits = std::stoi(v.get("Bits")), type = std::stoi(v.get("Type"));
        EXPECT_EQ(derive_from_seed(num(v.get("S")), bits, type).text(), v.get("W"));
        // The byte-level derivation agrees (it is used where no vector exists).
        if (v.get("S").size() <= 40) {
            EXPECT_EQ(reference_derive(v.get("S"), bits, type), v.get("W"));
        }
    }
    EXPECT_EQ(derive_from_seed(num("5"), 0, 0).text(), "0");
    // seed_hash of 20 zero bytes is the SHA-1 of those bytes.
    EXPECT_EQ(seed_hash(BigInt(0)).text(), "6768033E216468247BD031A0A2D9876D79818F8F");
}

TEST_F(Generation, NextPrime3Mod4AgainstSympy) {
    for (const auto& v : testsupport::load_vectors("workbench/generation.txt")) {
        if (v.section != "next_prime_3mod4") continue;
        SCOPED_TRACE(v.where);
        EXPECT_EQ(next_prime_3mod4(num(v.get("X"))).text(), v.get("P"));
    }
    EXPECT_EQ(next_prime_3mod4(BigInt(-100)).text(), "17");  // below 0 counts as 0: 23
}

TEST_F(Generation, RandomNumbersOfExactSize) {
    for (int n : {-1, 0, 1}) EXPECT_TRUE(random_exact_bits(n).is_zero());
    for (int n : {2, 3, 31, 32, 33, 64, 160, 1024}) {
        const BigInt a = random_exact_bits(n), b = random_exact_bits(n);
        EXPECT_EQ(bits(a), n);
        EXPECT_EQ(bits(b), n);
        if (n >= 31) {
            EXPECT_NE(a, b);
        }
    }
}

TEST_F(Generation, PrimeModuli) {
    for (int bits_wanted : {3, 5, 17, 32, 63, 64}) {
        SCOPED_TRACE(bits_wanted);
        const PrimeModulus pm = make_prime_modulus(bits_wanted);
        EXPECT_EQ(pm.tries, 1);
        ASSERT_LE(bits(pm.P), 64);
        const uint64_t p = big_to_u64(pm.P.get());
        EXPECT_TRUE(prime64(p));
        EXPECT_EQ(p % 4, 3u);
        EXPECT_GE(bits(pm.P), bits_wanted);
        // The search starts at least 12 above the random number: tiny sizes grow.
        EXPECT_LE(bits(pm.P), bits_wanted <= 5 ? 6 : bits_wanted + 1);
    }
    for (int bits_wanted : {65, 100, 160}) {
        SCOPED_TRACE(bits_wanted);
        const PrimeModulus pm = make_prime_modulus(bits_wanted);
        EXPECT_GE(pm.tries, 1);
        EXPECT_TRUE(isprime(pm.P.get()));
        EXPECT_EQ(pm.P % 4, 3);
        EXPECT_GE(bits(pm.P), bits_wanted - 1);
        EXPECT_LE(bits(pm.P), bits_wanted + 1);
        // P = k*q - 1 with k in 48, 52, ..., 76 and q prime.
        bool shaped = false;
        for (int k = 48; k <= 76; k += 4) {
            const BigInt q1 = pm.P + 1;
            if (q1 % k == 0 && isprime((q1 / k).get())) shaped = true;
        }
        EXPECT_TRUE(shaped);
    }
}

// "S160/L" and "Hash/H": both clear keeps S and H fresh and consistent; a
// ticked box keeps the user's value.
TEST_F(Generation, SeedAndHashCheckBoxes) {
    // Ticking S (H clear): S is kept, H derived from it with CurveBits = 64.
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_EQ(text(ctl::H), reference_derive("0", 64, 0));
    ASSERT_TRUE(type(ctl::S, "3045AE6FC8422F64ED579528D38120EAE12196D5"));
    ASSERT_TRUE(box(ctl::curve_bits, 192));
    // Ticking H: nothing new, H editable.
    const std::string h = text(ctl::H);
    ASSERT_TRUE(win->click(ctl::check_h));
    EXPECT_EQ(text(ctl::H), h);
    EXPECT_FALSE(win->read_only(ctl::field_edit(ctl::H)));
    // Unticking H: H derived from the typed S.
    ASSERT_TRUE(win->click(ctl::check_h));
    EXPECT_EQ(text(ctl::H), reference_derive("3045AE6FC8422F64ED579528D38120EAE12196D5", 192, 0));
    EXPECT_EQ(text(ctl::S), "3045AE6FC8422F64ED579528D38120EAE12196D5");
    // Unticking S: a fresh 160-bit S and its H; GF(2^m) derives with m and type 1.
    ASSERT_TRUE(win->choose(ctl::curve_type, 1));
    ASSERT_TRUE(box(ctl::m_box, 233));
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_EQ(counter(ctl::S), "160");
    EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), 233, 1));
    EXPECT_TRUE(win->read_only(ctl::field_edit(ctl::S)));
    // m out of range is clamped to 3..1024.
    ASSERT_TRUE(box(ctl::m_box, 2000));
    ASSERT_TRUE(win->click(ctl::check_s));
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), 1024, 1));
}

// A GF(p) curve of GENERATE: A = -3, P prime = 3 (mod 4), H derived from S
// (independent SHA-1 derivation), H*B^2 = -27 (mod P), and the NP it counted is
// right: equal to a naive count for 16 bits; inside the Hasse bound and killing
// random points for 64 bits.
TEST_F(Generation, GenerateGfpCurve) {
    for (unsigned curve_bits : {16u, 64u}) {
        SCOPED_TRACE(curve_bits);
        ASSERT_TRUE(box(ctl::curve_bits, curve_bits));
        // An abort request left over from an earlier search must not cut the
        // count short: GENERATE is no slot STOP asks that way.
        set_run_state(RunState::abort_requested);
        ASSERT_TRUE(run_worker(ctl::generate));
        EXPECT_EQ(wb->workers().state(0), SlotState::finished);
        ASSERT_LE(value(ctl::P).size(), 16u);
        const uint64_t p = hex64(value(ctl::P)), b = hex64(value(ctl::B)), np = hex64(value(ctl::NP));
        const int pbits = 64 - __builtin_clzll(p);
        // Each pass takes a fresh seed; about half of them give a square.
        const std::string head = "Done GF(P) Curve, Prime Modulus P is " + std::to_string(pbits) + " bits.\r\nseedtries ";
        ASSERT_EQ(pane().substr(0, head.size()), head);
        const std::string tail = pane().substr(head.size());
        EXPECT_GE(std::stoi(tail), 1);
        EXPECT_EQ(tail.substr(tail.find(',')), ", prime tries 1.");
        EXPECT_EQ(pbits == 64, curve_bits == 64);
        EXPECT_TRUE(prime64(p));
        // From 32 bits P is built as a prime = 3 (mod 4); below, a random P that is
        // prime already is kept whatever its residue.
        if (curve_bits >= 32) {
            EXPECT_EQ(p % 4, 3u);
        }
        EXPECT_EQ(text(ctl::A), "-3");
        EXPECT_EQ(counter(ctl::S), "160");
        EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), static_cast<int>(curve_bits), 0));
        const BigInt h_mod_p = num(value(ctl::H)) % num(value(ctl::P));
        const uint64_t h = big_to_u64(h_mod_p.get());
        EXPECT_EQ(mulmod64(h, mulmod64(b, b, p), p), minus27(p));
        const NaiveCurve e{p, p - 3, b};
        if (curve_bits == 16) {
            EXPECT_EQ(np, e.count());
        } else {
            const double bound = 2 * std::sqrt(static_cast<double>(p));
            EXPECT_LE(std::fabs(static_cast<double>(np) - static_cast<double>(p) - 1), bound);
            int tested = 0;
            for (uint64_t x = 1; tested < 5; ++x) {
                const auto pt = e.point(x);
                if (!pt) continue;
                ++tested;
                EXPECT_FALSE(e.times(np, pt).has_value()) << x;
            }
        }
    }
}

// Larger curves are not counted: NP ends empty. P is built as k*q - 1.
TEST_F(Generation, GenerateGfpWithoutCount) {
    set(ctl::NP, "1234");
    ASSERT_TRUE(box(ctl::curve_bits, 100));
    ASSERT_TRUE(run_worker(ctl::generate));
    EXPECT_EQ(text(ctl::NP), "");
    EXPECT_EQ(value(ctl::NP), "0");
    const BigInt P = num(value(ctl::P));
    EXPECT_GE(bits(P), 99);
    EXPECT_LE(bits(P), 101);
    EXPECT_EQ(P % 4, 3);
    EXPECT_EQ(pane().find("Done GF(P) Curve, Prime Modulus P is " + std::to_string(bits(P)) + " bits.\r\nseedtries "), 0u);
    const BigInt H = num(value(ctl::H)) % P, B = num(value(ctl::B));
    EXPECT_EQ((H * B * B + 27) % P, BigInt(0));
}

// The "P", "S160/L" and "Hash/H" boxes: values taken from the fields, replaced
// where they cannot serve.
TEST_F(Generation, GenerateGfpFromTheFields) {
    const struct {
        const char *p, *s, *h;
        bool tick_s, tick_h;
        const char* p_after;  // "" = as typed
        int seed_tries;       // 0 = at least 2, -1 = any
    } cases[] = {
        {"64", nullptr, nullptr, false, false, "7F", -1},  // composite: next prime = 3 (mod 4)
        {"1F", nullptr, nullptr, false, false, "", -1},    // prime: kept
        {"3", nullptr, nullptr, false, false, "17", -1},   // 3 divides every discriminant: replaced
        {"1F", "5", "2", true, true, "", 1},              // -27/2 = 2 = 8^2 (mod 31): the user's S and H
        {"1F", "5", "3E", true, true, "", 0},             // H = 0 (mod 31): fresh S and H from pass 2
    };
    ASSERT_TRUE(win->click(ctl::check_p));
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.p) + (k.h ? std::string(" H=") + k.h : ""));
        for (ControlId box_id : {ctl::check_s, ctl::check_h})
            if (win->checked(box_id)) win->click(box_id);
        set(ctl::P, k.p);
        if (k.tick_s) set(ctl::S, k.s);
        if (k.tick_h) set(ctl::H, k.h);
        ASSERT_TRUE(run_worker(ctl::generate));
        const std::string P = value(ctl::P);
        EXPECT_EQ(P, *k.p_after ? k.p_after : k.p);
        const int tries = std::stoi(pane().substr(pane().find("seedtries ") + 10));
        if (k.seed_tries > 0) {
            EXPECT_EQ(tries, k.seed_tries);
        } else if (k.seed_tries == 0) {
            EXPECT_GE(tries, 2);
        }
        if (k.tick_s && k.seed_tries == 1) {
            EXPECT_EQ(value(ctl::S), k.s);
            EXPECT_EQ(value(ctl::H), k.h);
        } else {
            EXPECT_EQ(counter(ctl::S), "160");
            EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), 64, 0));
        }
        const uint64_t p = hex64(P), b = hex64(value(ctl::B));
        const uint64_t h = big_to_u64((num(value(ctl::H)) % num(P)).get());
        EXPECT_EQ(mulmod64(h, mulmod64(b, b, p), p), minus27(p));
        EXPECT_EQ(hex64(value(ctl::NP)), (NaiveCurve{p, p - 3, b}.count()));
    }
}

// GF(2^m) generation above 64 bits (no count): a6 = H mod 2^m, a2 of 31 bits.
TEST_F(Generation, GenerateGf2mCurve) {
    binary_field(113, 9);
    set(ctl::NP, "1234");
    ASSERT_TRUE(run_worker(ctl::generate));
    EXPECT_EQ(pane(), "Done GF(2^113) Curve, f(t) = t^113 + t^9 + 1");
    EXPECT_EQ(counter(ctl::A), "31");
    EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), 113, 1));
    EXPECT_EQ(value(ctl::B), (num(value(ctl::H)) % BigInt(pow(BigInt(2), 113))).text());
    EXPECT_EQ(text(ctl::NP), "");
    EXPECT_EQ(text(ctl::P), "");  // P is a working value 2^m, never written
    // The user's S and H with both boxes ticked.
    set(ctl::S, "5");
    set(ctl::H, "123456789ABCDEF");
    ASSERT_TRUE(run_worker(ctl::generate));
    EXPECT_EQ(value(ctl::S), "5");
    EXPECT_EQ(value(ctl::B), "123456789ABCDEF");
    // A negative H gives its residue modulo 2^m: a6 is never negative.
    set(ctl::H, "-5");
    ASSERT_TRUE(run_worker(ctl::generate));
    EXPECT_EQ(pane(), "Done GF(2^113) Curve, f(t) = t^113 + t^9 + 1");
    EXPECT_EQ(value(ctl::B), (pow(BigInt(2), 113) - 5).text());
    // A reducible polynomial is refused before the slot runs.
    win->set_text(ctl::cost, "none");
    ASSERT_TRUE(box(ctl::m_box, 8) && box(ctl::a_box, 4));
    ASSERT_TRUE(run_worker(ctl::generate));
    EXPECT_EQ(pane(), "Trinomial: f(t) = t^8 + t^4 + 1 is NOT irreducible.");
    EXPECT_EQ(cost(), "none");
    EXPECT_EQ(wb->workers().state(0), SlotState::idle);
}

// GET NP accepts an NP that random points confirm, without counting.
TEST_F(Generation, GetNpAcceptsConfirmedValues) {
    const StandardCurve& c = testsupport::standard_curve("sect113r1");
    use_curve("secp112r1");
    log_append("untouched");
    ASSERT_TRUE(run_worker(ctl::get_np));
    EXPECT_EQ(pane(), "CurveType GF(P), NP = " + testsupport::standard_curve("secp112r1").n + "\r\n");
    EXPECT_EQ(log(), "untouched");
    // Over GF(2^m) an NP without its factor 2 is doubled into the band.
    use_curve("sect113r1");
    set(ctl::NP, c.n);
    ASSERT_TRUE(run_worker(ctl::get_np));
    const std::string np2 = (num(c.n) * 2).text();
    EXPECT_EQ(pane(), "CurveType GF(2^113), NP = " + np2 + "\r\n");
    EXPECT_EQ(value(ctl::NP), np2);
    // y^2 = x^3 + x over p = 3 (mod 4) has p + 1 points: tried after NP = 2.
    ASSERT_TRUE(win->choose(ctl::curve_type, 0));
    set(ctl::P, "DB7C2ABF62E35E668076BEAD208B");
    set(ctl::A, "1");
    set(ctl::B, "0");
    set(ctl::NP, "");
    ASSERT_TRUE(run_worker(ctl::get_np));
    EXPECT_EQ(pane(), "CurveType GF(P), NP = DB7C2ABF62E35E668076BEAD208C\r\n");
    EXPECT_EQ(log(), "untouched");
}

TEST_F(Generation, GetNpRefusals) {
    const struct {
        bool binary;
        int field;
        const char* value;
        const char* pane;
    } cases[] = {
        {false, ctl::P, "9", "P is not prime."},
        {false, ctl::B, "0", nullptr},  // A = B = 0 below
        {true, ctl::B, "0", "Not Allowed in GF(2^M), B=0\r\n"},
        {true, ctl::a_box, "4", "Trinomial: f(t) = t^113 + t^4 + 1 is NOT irreducible."},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.value);
        use_curve(k.binary ? "sect113r1" : "secp112r1");
        set(ctl::NP, "-5");
        if (k.field == ctl::a_box) {
            ASSERT_TRUE(box(ctl::a_box, 4));
        } else {
            set(k.field, k.value);
        }
        if (!k.pane) set(ctl::A, "0");
        win->set_text(ctl::cost, "none");
        ASSERT_TRUE(run_worker(ctl::get_np));
        EXPECT_EQ(pane(), k.pane ? k.pane : "Not Allowed! delta = 4A^3+27B^2 = 0\r\n");
        EXPECT_EQ(text(ctl::NP), "-5");  // stored as read
        EXPECT_NE(cost(), "none");       // the slot ran
        EXPECT_EQ(wb->workers().state(1), SlotState::finished);
    }
}

// NP empty on a GF(p) curve: 2 and P + 1 are tried, then the count runs, with
// its narrative in the log and a closing line in the pane.
TEST_F(Generation, GetNpCounts) {
    start(/*display_loop=*/true);
    ASSERT_TRUE(pump_until([&] { return wb->ready(); }));
    // y^2 = x^3 - 3x + 5 over the prime FFF1 (= 3 mod 4).
    set(ctl::P, "FFF1");
    set(ctl::A, "-3");
    set(ctl::B, "5");
    ASSERT_TRUE(win->click(ctl::get_np));
    EXPECT_EQ(status(), "Computering Number of Points, please be patient...");
    ASSERT_TRUE(pump_until([&] { return !wb->busy(); }));
    const uint64_t p = 0xFFF1;
    EXPECT_EQ(hex64(value(ctl::NP)), (NaiveCurve{p, p - 3, 5}.count()));
    EXPECT_EQ(pane().find("Counting the number of points (NP) on the curve\r\n"), 0u);
    EXPECT_NE(pane().find("\r\n*** Done, Thread EXIT ***\r\n"), std::string::npos);
    EXPECT_EQ(status(), "");
}

}  // namespace
