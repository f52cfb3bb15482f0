// The schemes of the signature test dialog on the current curve: ECDSA,
// Nyberg-Rueppel (ECNR) and the hash encryption ECR.
//
// All arithmetic is modulo the prime order Q with the engine's remainder (its
// sign follows the dividend). The hash integer h is used whole, neither
// truncated to the size of Q nor reduced first; signing and encrypting write
// h mod Q back. Products are reduced factor by factor where the full product
// could exceed the engine's precision: (a mod Q)(b mod Q) mod Q equals
// (a b) mod Q, both lying in the same half-open range (0..Q-1 or -(Q-1)..0)
// by the sign of a b.
//
// Engine errors do not stop a scheme: the engine records them and later
// routines return at once, and the dialog reports the error on its status line.
#include <optional>
#include <string_view>

#include "engine/ec2.h"
#include "engine/ecp.h"
#include "engine/modular.h"
#include "random/entropy.h"
#include "workbench/signature_internal.h"
#include "workbench/workbench.h"

namespace {

using namespace sigctl;

// One point of the current curve, GF(p) or GF(2^m), in a block of its own;
// starts at infinity. Without storage (no memory) it stays at infinity and its
// operations do nothing.
class CurvePt {
   public:
    explicit CurvePt(bool binary) : m_binary(binary), m_p(epoint_init()) {}
    ~CurvePt() { epoint_free(m_p); }
    CurvePt(const CurvePt&) = delete;
    CurvePt& operator=(const CurvePt&) = delete;

    /// (x, y) when it lies on the curve; otherwise false and infinity.
    bool set(const BigInt& x, const BigInt& y) {
        if (m_p == nullptr) return false;
        const bool ok = m_binary ? epoint2_set(x.get(), y.get(), 0, m_p) : epoint_set(x.get(), y.get(), 0, m_p);
        if (!ok) clear();
        return ok;
    }
    /// The point with abscissa x and y-bit `bit` (the engine's compressed form).
    bool set_compressed(const BigInt& x, int bit) {
        if (m_p == nullptr) return false;
        const bool ok = m_binary ? epoint2_set(x.get(), x.get(), bit, m_p) : epoint_set(x.get(), x.get(), bit, m_p);
        if (!ok) clear();
        return ok;
    }
    /// Affine x and y (0, 0 at infinity); returns the y-bit that the x-only
    /// point read gives back: the least significant bit of y over GF(p), the
    /// compression bit (bit 0 of y/x) over GF(2^m).
    int get(BigInt& x, BigInt& y) {
        if (m_p == nullptr) {
            x = 0;
            y = 0;
            return 0;
        }
        return m_binary ? epoint2_get(m_p, x.get(), y.get()) : epoint_get(m_p, x.get(), y.get());
    }
    /// r = e * this.
    void mul(const BigInt& e, CurvePt& r) {
        if (m_p == nullptr || r.m_p == nullptr) return;
        if (m_binary)
            ecurve2_mult(e.get(), m_p, r.m_p);
        else
            ecurve_mult(e.get(), m_p, r.m_p);
    }
    /// r = e * p + f * q.
    static void mul2(const BigInt& e, CurvePt& p, const BigInt& f, CurvePt& q, CurvePt& r) {
        if (p.m_p == nullptr || q.m_p == nullptr || r.m_p == nullptr) return;
        if (p.m_binary)
            ecurve2_mult2(e.get(), p.m_p, f.get(), q.m_p, r.m_p);
        else
            ecurve_mult2(e.get(), p.m_p, f.get(), q.m_p, r.m_p);
    }
    bool operator==(CurvePt& o) {
        if (m_p == nullptr || o.m_p == nullptr) return m_p == o.m_p;
        return m_binary ? epoint2_comp(m_p, o.m_p) : epoint_equal(m_p, o.m_p);
    }

   private:
    void clear() {
        m_p->marker = EPOINT_INFINITY;
        big_zero(m_p->x);
        big_zero(m_p->y);
    }
    bool m_binary;
    epoint* m_p;
};

bool known_curve_type(int type) { return type == kCurveGFp || type == kCurveGF2m; }

// (a b) mod q, through the reduced factors.
BigInt mul_mod(const BigInt& a, const BigInt& b, const BigInt& q) { return ((a % q) * (b % q)) % q; }

// gcd(a, q) (non-negative).
BigInt gcd(const BigInt& a, const BigInt& q) {
    BigInt g;
    egcd(a.get(), q.get(), g.get());
    return g;
}

// The curve points of the key set: G and R, on the current curve.
struct KeyPoints {
    explicit KeyPoints(const SignatureKeys& k) : g(k.curve_type == kCurveGF2m), r(k.curve_type == kCurveGF2m) {
        g.set(k.gx, k.gy);
        r.set(k.rx, k.ry);
    }
    CurvePt g, r;
};

// Whether d*G = R.
bool private_key_matches(const SignatureKeys& keys, KeyPoints& kp) {
    CurvePt t(keys.curve_type == kCurveGF2m);
    kp.g.mul(keys.d, t);
    return t == kp.r;
}

// A nonce in 1..Q-1 from a freshly seeded strong generator (0 when Q < 2).
BigInt nonce_below(const BigInt& q) {
    BigInt k;
    strong_random_below(q.get(), k.get());
    return k;
}

// a mod q in 0..q-1 (for q > 0).
BigInt mod_nonnegative(const BigInt& a, const BigInt& q) {
    BigInt m = a % q;
    if (m < 0) m += q;
    return m;
}

}  // namespace

// ---- ECDSA and Nyberg-Rueppel ----------------------------------------------------------------------

// A signature scheme in the steps where ECDSA and Nyberg-Rueppel differ. Both
// sign with a nonce k and the abscissa x of k*G, and verify through
// V = a*G + b*R, where the nonce is k = a + b*d.
struct SignatureScheme {
    // ECDSA divides by k when signing and by s when verifying: both must be
    // prime to Q (the nonce is stepped up until it is).
    bool inverts_k_and_s;
    // r and s from the hash, the key set, the nonce and the abscissa of k*G.
    void (*sign)(const BigInt& h, const SignatureKeys& keys, const BigInt& k, const BigInt& x,
                 BigInt& r, BigInt& s);
    std::string_view signed_status;
    // The factors a and b of V = a*G + b*R.
    void (*factors)(const BigInt& h, const BigInt& r, const BigInt& s, const BigInt& q, BigInt& a,
                    BigInt& b);
    // v from the abscissa of V, and whether it confirms the signature.
    BigInt (*v_of)(const BigInt& vx, const BigInt& r, const BigInt& q);
    bool (*confirms)(const BigInt& v, const BigInt& h, const BigInt& r);
    std::string_view wrong_status, ok_status;
    // With the nonce, the private key.
    BigInt (*private_key)(const BigInt& h, const BigInt& r, const BigInt& s, const BigInt& k,
                          const BigInt& q);
};

namespace {

// s = (h + d r) / k, r = x mod Q; V = (h/s) G + (r/s) R, v = Vx mod Q = r;
// d = (s k - h) / r.
const SignatureScheme kEcdsa{
    .inverts_k_and_s = true,
    .sign =
        [](const BigInt& h, const SignatureKeys& keys, const BigInt& k, const BigInt& x, BigInt& r,
           BigInt& s) {
            r = x % keys.q;
            s = mul_mod(h + keys.d * r, inverse(k, keys.q), keys.q);
        },
    .signed_status = "ECDSA signature is r, s.",
    .factors =
        [](const BigInt& h, const BigInt& r, const BigInt& s, const BigInt& q, BigInt& a,
           BigInt& b) {
            const BigInt w = inverse(s, q);
            a = mul_mod(h, w, q);
            b = mul_mod(r, w, q);
        },
    .v_of = [](const BigInt& vx, const BigInt&, const BigInt& q) { return vx % q; },
    .confirms = [](const BigInt& v, const BigInt&, const BigInt& r) { return v == r; },
    .wrong_status = "Verification wrong,signature not match.",
    .ok_status = "Verification OK.",
    .private_key = [](const BigInt& h, const BigInt& r, const BigInt& s, const BigInt& k,
                      const BigInt& q) { return mul_mod((s * k - h) % q, inverse(r, q), q); },
};

// r = (x + h) mod Q, s = k - d r; V = s G + r R, v = r - Vx = h; d = (k - s) / r.
// The whole hash of the box is compared: a digest of Q or more never matches.
const SignatureScheme kNybergRueppel{
    .inverts_k_and_s = false,
    .sign =
        [](const BigInt& h, const SignatureKeys& keys, const BigInt& k, const BigInt& x, BigInt& r,
           BigInt& s) {
            r = (x + h) % keys.q;
            s = mod_nonnegative(k - mul_mod(r, keys.d, keys.q), keys.q);
        },
    .signed_status = "Nyberg-Rueppel signature is r, s.",
    .factors =
        [](const BigInt&, const BigInt& r, const BigInt& s, const BigInt&, BigInt& a, BigInt& b) {
            a = s;
            b = r;
        },
    .v_of = [](const BigInt& vx, const BigInt& r,
               const BigInt& q) { return mod_nonnegative(r - vx, q); },
    .confirms = [](const BigInt& v, const BigInt& h, const BigInt&) { return v == h; },
    .wrong_status = "NR Verification wrong, vx != h",
    .ok_status = "NR Verification OK, vx = h",
    .private_key =
        [](const BigInt&, const BigInt& r, const BigInt& s, const BigInt& k, const BigInt& q) {
            const BigInt t = mod_nonnegative(k - s, q);
            return mul_mod(t, inverse(r, q), q);
        },
};

}  // namespace

std::optional<BigInt> SignatureDialog::read_hash(std::string_view missing) {
    std::optional<BigInt> h = read_number(h_box);
    if (!h) set_status(missing);
    return h;
}

std::optional<SignatureKeys> SignatureDialog::read_curve_keys() {
    SignatureKeys keys = m_keys(m_wb);
    if (!known_curve_type(keys.curve_type)) {
        set_status("Invalid GF Type.");
        return std::nullopt;
    }
    return keys;
}

void SignatureDialog::sign_with(const SignatureScheme& scheme) {
    const std::optional<BigInt> h = read_hash("No Hash to Sign.");
    if (!h) return;
    const std::optional<SignatureKeys> keys = read_curve_keys();
    if (!keys) return;
    const BigInt& q = keys->q;
    KeyPoints kp(*keys);
    BigInt k = nonce_below(q);
    if (scheme.inverts_k_and_s)
        while (gcd(k, q) > 1 && engine_error() == 0) ++k;
    CurvePt kg(keys->curve_type == kCurveGF2m);
    kp.g.mul(k, kg);
    BigInt x, y;
    kg.get(x, y);
    BigInt r, s;
    scheme.sign(*h, *keys, k, x, r, s);
    write_number(h_box, *h % q);
    write_number(k_box, k);
    write_number(r_box, r);
    write_number(s_box, s);
    for (ControlId box : {vx_box, vy_box, v_box}) set_text(box, "");
    set_status(scheme.signed_status);
}

void SignatureDialog::verify_with(const SignatureScheme& scheme) {
    const std::optional<BigInt> h = read_hash("No Hash to verify.");
    if (!h) return;
    const std::optional<BigInt> r = read_number(r_box);
    const std::optional<BigInt> s = read_number(s_box);
    const BigInt k = read_number(k_box).value_or(BigInt(0));
    if (!r || !s) {
        set_status("No signature to verify.");
        return;
    }
    const std::optional<SignatureKeys> keys = read_curve_keys();
    if (!keys) return;
    const BigInt& q = keys->q;
    if (scheme.inverts_k_and_s && gcd(*s, q) != 1) {
        set_status("Invalid s, make sure GCD(s,q) == 1.");
        return;
    }
    const bool binary = keys->curve_type == kCurveGF2m;
    KeyPoints kp(*keys);
    BigInt a, b;
    scheme.factors(*h, *r, *s, q, a, b);
    CurvePt v_point(binary), kg(binary);
    CurvePt::mul2(a, kp.g, b, kp.r, v_point);
    const bool d_ok = private_key_matches(*keys, kp);
    kp.g.mul(k, kg);
    const bool k_ok = kg == v_point;
    // With the private key, the nonce that produced V.
    if (d_ok) write_number(k_box, (a + mul_mod(b, keys->d, q)) % q);
    BigInt vx, vy;
    v_point.get(vx, vy);
    const BigInt v = scheme.v_of(vx, *r, q);
    write_number(vx_box, vx);
    write_number(vy_box, vy);
    write_number(v_box, v);
    if (!scheme.confirms(v, *h, *r)) {
        set_status(scheme.wrong_status);
        return;
    }
    if (k_ok) write_number(derived_box, scheme.private_key(*h, *r, *s, k, q));
    set_status(scheme.ok_status);
}

void SignatureDialog::ecdsa_sign() {
    sign_with(kEcdsa);
}
void SignatureDialog::ecdsa_verify() {
    verify_with(kEcdsa);
}
void SignatureDialog::nr_sign() {
    sign_with(kNybergRueppel);
}
void SignatureDialog::nr_verify() {
    verify_with(kNybergRueppel);
}

// ---- ECR: the hash encrypted to the public key ------------------------------------------------------

void SignatureDialog::encrypt() {
    const std::optional<BigInt> h = read_hash("No Hash to Sign.");
    if (!h) return;
    const std::optional<SignatureKeys> keys = read_curve_keys();
    if (!keys) return;
    const BigInt& q = keys->q;
    const bool binary = keys->curve_type == kCurveGF2m;
    KeyPoints kp(*keys);
    const BigInt k = nonce_below(q);
    CurvePt c(binary), kr(binary);
    kp.g.mul(k, c);
    BigInt x1, y1;
    const int bit = c.get(x1, y1);
    kp.r.mul(k, kr);
    BigInt x2, y2;
    kr.get(x2, y2);
    const BigInt s = mul_mod(*h, x2, q);
    write_number(k_box, k);
    write_number(h_box, *h % q);
    write_number(s_box, s);
    set_text(r_box, std::string(bit == 1 ? "01" : "00") + hex_number(x1.get()));
    for (ControlId box : {vx_box, vy_box, v_box}) set_text(box, "");
    set_status("Hash Encrypted to r(LSB[y] || x), s.");
}

void SignatureDialog::decrypt() {
    const std::optional<BigInt> h = read_hash("No Hash to verfiy.");
    if (!h) return;
    const std::optional<BigInt> r = read_number(r_box);
    const std::string r_text = text(r_box);
    const std::optional<BigInt> s = read_number(s_box);
    if (!r || !s) {
        set_status("No signature to verify.");
        return;
    }
    // "0", the y-bit, then x: at least one digit of x.
    if (r_text.size() < 3 || r_text[0] != '0') {
        set_status("r(LSB[y] || x) not correct.");
        return;
    }
    const std::optional<SignatureKeys> keys = read_curve_keys();
    if (!keys) return;
    const int bit = r_text[1] != '0' ? 1 : 0;
    BigInt x1;
    cinstr(x1.get(), r_text.c_str() + 2);
    const BigInt& q = keys->q;
    const bool binary = keys->curve_type == kCurveGF2m;
    CurvePt c(binary), dc(binary);
    if (!c.set_compressed(x1, bit)) {
        set_status(binary ? "Sign r(lsb,x) is not on curve." : "Sign r(LSB[y],x) is not on curve.");
        return;
    }
    c.mul(keys->d, dc);
    BigInt x2, y2;
    dc.get(x2, y2);
    x2 = x2 % q;
    const BigInt v = mul_mod(*s, inverse(x2, q), q);
    write_number(v_box, v);
    write_number(vx_box, x2);
    set_text(vy_box, "");
    set_status(v == *h ? "Decrypt OK, v = h" : "Decrypt wrong, v != h");
}
