// The signature test dialog on the headless window: its opening state, the
// view conversions, the digests of the HEX view, the six schemes on GF(p) and
// GF(2^m) curves, every refusal, junk in every box, and agreement with OpenSSL,
// with fixed-nonce values computed by Python and with a naive verifier.
//
// Reference data: tests/vectors/workbench/dialog_digests.txt (hashlib) and
// dialog_signatures.txt (openssl and Python integers), both made by
// tests/vectors/gen/gen_dialog.py; the naive arithmetic of naive_ec.h.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ec2.h"
#include "engine/ecp.h"
#include "engine/epoint.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/standard_curves.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"
#include "tests/workbench/fixture.h"
#include "tests/workbench/naive_ec.h"
#include "workbench/signature_dialog.h"

namespace {

namespace sc = sigctl;
using testsupport::Big;
using testsupport::StandardCurve;
using testsupport::standard_curve;

struct KeySet {
    std::string d, rx, ry;
};

const ControlId kHashButtons[] = {sc::hash_md5, sc::hash_sha1, sc::hash_sha256, sc::hash_sha384, sc::hash_sha512};
const ControlId kSchemeButtons[] = {sc::ecdsa_sign, sc::ecdsa_verify, sc::nr_sign,
                                    sc::nr_verify,  sc::encrypt,      sc::decrypt};
const ControlId kNumberBoxes[] = {sc::h_box, sc::k_box, sc::r_box, sc::s_box, sc::vx_box, sc::vy_box, sc::v_box};

ControlId hash_button(const std::string& caption) {
    if (caption == "MD5") return sc::hash_md5;
    if (caption == "SHA160") return sc::hash_sha1;
    if (caption == "SHA256") return sc::hash_sha256;
    if (caption == "SHA384") return sc::hash_sha384;
    return sc::hash_sha512;
}

naive::Curve naive_curve(const StandardCurve& c) {
    naive::Curve n;
    n.p = naive::from_hex(c.p);
    n.a = naive::from_hex(c.a);
    n.b = naive::from_hex(c.b);
    n.n = naive::from_hex(c.n);
    n.g.inf = false;
    n.g.x = naive::from_hex(c.gx);
    n.g.y = naive::from_hex(c.gy);
    return n;
}

naive2::Curve naive_curve2(const StandardCurve& c) {
    naive2::Curve n;
    n.m = c.m;
    for (int e : c.poly_exponents) n.f.w[e / 64] |= uint64_t{1} << (e % 64);
    n.a = naive2::from_hex(c.a);
    n.b = naive2::from_hex(c.b);
    n.n = naive::from_hex(c.n);
    n.gx = naive2::from_hex(c.gx);
    n.gy = naive2::from_hex(c.gy);
    return n;
}

class SignatureDialog : public testsupport::WorkbenchTest {
   protected:
    HeadlessWindow* dlg() { return win->dialog(); }
    std::string box(ControlId id) { return dlg() != nullptr ? dlg()->text(id) : std::string("<closed>"); }
    std::string dstatus() { return box(sc::status_box); }
    void put(ControlId id, const std::string& text) {
        ASSERT_NE(dlg(), nullptr);
        ASSERT_TRUE(dlg()->type_text(id, text)) << "box " << id;
    }
    void click(ControlId id) {
        ASSERT_NE(dlg(), nullptr);
        ASSERT_TRUE(dlg()->click(id)) << "control " << id;
    }
    /// Selects the HEX view and types the message into it.
    void type_hex(const std::string& hex) {
        click(sc::radio_hex);
        put(sc::hex_view, hex);
    }

    /// Makes the standard curve current in the window thread's instance, as
    /// TEST leaves it (affine, basis checked).
    void make_current(const StandardCurve& c) {
        Big a(c.a), b(c.b);
        if (c.binary) {
            const auto& e = c.poly_exponents;
            const bool ok = e.size() == 3 ? ecurve2_init(e[0], e[1], 0, 0, a, b, true, 1)
                                          : ecurve2_init(e[0], e[1], e[2], e[3], a, b, true, 1);
            ASSERT_TRUE(ok) << c.name;
        } else {
            Big p(c.p);
            ecurve_init(a, b, p, 1);
        }
        ASSERT_EQ(engine_error(), 0);
    }

    /// A key pair on the curve: d drawn by the test generator below n, R = d*G.
    KeySet make_keys(const StandardCurve& c, uint64_t stream) {
        make_current(c);
        testsupport::TestRng rng = testsupport::TestRng::for_test(stream);
        Big n(c.n), d, gx(c.gx), gy(c.gy), rx, ry;
        testsupport::set_words(d, rng.words_with_bits(logb2(n) - 1));
        if (big_is_zero(d)) big_from_int(1, d);
        epoint* g = epoint_init();
        epoint* r = epoint_init();
        if (c.binary) {
            EXPECT_TRUE(epoint2_set(gx, gy, 0, g));
            ecurve2_mult(d, g, r);
            epoint2_get(r, rx, ry);
        } else {
            EXPECT_TRUE(epoint_set(gx, gy, 0, g));
            ecurve_mult(d, g, r);
            epoint_get(r, rx, ry);
        }
        epoint_free(g);
        epoint_free(r);
        return KeySet{d.hex(), rx.hex(), ry.hex()};
    }

    /// Puts the curve and the key set into the main window as a user types them.
    void type_key_set(const StandardCurve& c, const KeySet& k) {
        if (c.binary) {
            ASSERT_TRUE(win->choose(ctl::curve_type, 1));
            const auto& e = c.poly_exponents;
            const bool penta = e.size() > 3;
            ASSERT_TRUE(win->type_text(ctl::m_box, std::to_string(e[0])));
            ASSERT_TRUE(win->type_text(ctl::a_box, std::to_string(e[1])));
            ASSERT_TRUE(win->type_text(ctl::b_box, std::to_string(penta ? e[2] : 0)));
            ASSERT_TRUE(win->type_text(ctl::c_box, std::to_string(penta ? e[3] : 0)));
        } else {
            ASSERT_TRUE(type(ctl::P, c.p));
        }
        ASSERT_TRUE(type(ctl::A, c.a));
        ASSERT_TRUE(type(ctl::B, c.b));
        ASSERT_TRUE(type(ctl::Q, c.n));
        ASSERT_TRUE(type(ctl::K, k.d));
        ASSERT_TRUE(type(ctl::GX, c.gx));
        ASSERT_TRUE(type(ctl::GY, c.gy));
        ASSERT_TRUE(type(ctl::RX, k.rx));
        ASSERT_TRUE(type(ctl::RY, k.ry));
    }

    /// Types the key set and presses T&EST, which checks it, makes the curve
    /// current and opens the dialog.
    void open_on(const StandardCurve& c, const KeySet& k) {
        type_key_set(c, k);
        ASSERT_TRUE(win->click(ctl::test));
        ASSERT_NE(dlg(), nullptr) << pane();
    }

    /// The same with the key set read by `keys` (the curve made current here).
    void open_on(const StandardCurve& c, const KeySet& k, std::function<SignatureKeys(Workbench&)> keys) {
        type_key_set(c, k);
        make_current(c);
        open_signature_test_dialog(*wb, std::move(keys));
        ASSERT_NE(dlg(), nullptr);
    }

    /// The number boxes and the derived-key box, for "nothing else changed".
    std::vector<std::string> boxes() {
        std::vector<std::string> v;
        for (ControlId id : kNumberBoxes) v.push_back(box(id));
        v.push_back(box(sc::derived_box));
        return v;
    }
};

// ---- opening and views ---------------------------------------------------------------------------

TEST_F(SignatureDialog, OpensWithTheTestMessageConverted) {
    open_signature_test_dialog(*wb);
    ASSERT_NE(dlg(), nullptr);
    EXPECT_EQ(dlg()->form().title, "ECDSA / ECNR(Nyberg-Rueppel) / ECCrypt Key Test");
    EXPECT_EQ(box(sc::ascii_view), "+test+");
    EXPECT_EQ(box(sc::hex_view), "2B746573742B");
    EXPECT_EQ(box(sc::base64_view), "K3Rlc3Qr");
    EXPECT_EQ(dstatus(), "ASCII Updated.");
    EXPECT_TRUE(dlg()->checked(sc::radio_ascii));
    EXPECT_FALSE(dlg()->checked(sc::radio_hex));
    EXPECT_FALSE(dlg()->read_only(sc::ascii_view));
    EXPECT_TRUE(dlg()->read_only(sc::hex_view));
    EXPECT_TRUE(dlg()->read_only(sc::base64_view));
    EXPECT_EQ(dlg()->caption(sc::message_label), "Original Message Input, always Hashing HEX");
    EXPECT_EQ(dlg()->caption(sc::k_caption), "random k(k<Q)   parameter: d:pvt,P:pub,G:base,h:hash,Q:PrimeOrder");
    EXPECT_EQ(dlg()->caption(sc::r_caption), "Sign(r) ECDSA:k*G (mod Q)      ECNR:k*G+h(mod Q) ECR:R=k*G");
    EXPECT_EQ(dlg()->caption(sc::s_caption),
              "Sign(s) ECDSA:(h+r*d)/k(mod Q) ECNR:k-r*d(mod Q) ECR:s=(h*k)*P(mod Q)");
    EXPECT_EQ(dlg()->caption(sc::vx_caption),
              "Verify ECDSA: u=h/s(mod Q) w =r/s(mod Q) v=u*G+w*P(mod Q)  v==r");
    EXPECT_EQ(dlg()->caption(sc::v_caption),
              "Verify ECNR: v=r-(s*G+r*P)mod Q, v==h  ECR:h=s/(d*R(mod Q)) (mod Q)");
    EXPECT_EQ(dlg()->limit(sc::ascii_view), 2048);
    EXPECT_EQ(dlg()->limit(sc::hex_view), 4096);
    EXPECT_EQ(dlg()->limit(sc::base64_view), 2731);
    for (ControlId id : kNumberBoxes) EXPECT_EQ(dlg()->limit(id), 256) << id;
    // The main window takes no input while the dialog is open.
    EXPECT_FALSE(win->click(ctl::about));
}

TEST_F(SignatureDialog, ViewConversions) {
    struct Case {
        ControlId radio, view;
        std::string typed;
        std::string ascii, hex, base64, status;
    };
    const Case cases[] = {
        // Odd digit count: the first digit alone makes the first byte.
        {sc::radio_hex, sc::hex_view, "ABC", "\n\xBC", "ABC", "Crw", "HEX bytes lenth must be even."},
        // Cut at the first character that is not a hex digit.
        {sc::radio_hex, sc::hex_view, "12G4", "\x12", "12", "Eg", "HEX Updated."},
        {sc::radio_hex, sc::hex_view, "", "", "", "", "HEX INPUT ERROR"},
        {sc::radio_hex, sc::hex_view, "zz", "", "", "", "HEX INPUT ERROR"},
        // The ASCII view ends at the first zero byte; either case of digits.
        {sc::radio_hex, sc::hex_view, "41004243", "A", "41004243", "QQBCQw", "HEX Updated."},
        {sc::radio_hex, sc::hex_view, "6a6B", "jk", "6a6B", "ams", "HEX Updated."},
        {sc::radio_ascii, sc::ascii_view, "abc", "abc", "616263", "YWJj", "ASCII Updated."},
        {sc::radio_ascii, sc::ascii_view, "", "", "", "", "HEX INPUT ERROR"},
        {sc::radio_base64, sc::base64_view, "YWJj", "abc", "616263", "YWJj", "BASE64 Updated."},
        // Decoding stops at the first character outside the alphabet ("=").
        {sc::radio_base64, sc::base64_view, "YWJjZA==", "abcd", "61626364", "YWJjZA==", "BASE64 Updated."},
        {sc::radio_base64, sc::base64_view, "QQ", "A", "41", "QQ", "BASE64 Updated."},
        {sc::radio_base64, sc::base64_view, "AEE", "", "0041", "AEE", "BASE64 Updated."},
        {sc::radio_base64, sc::base64_view, "Y", "", "", "Y", "HEX INPUT ERROR"},
        {sc::radio_base64, sc::base64_view, "*YWJj", "", "", "*YWJj", "HEX INPUT ERROR"},
    };
    open_signature_test_dialog(*wb);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        click(c.radio);
        put(c.view, c.typed);
        EXPECT_EQ(box(sc::ascii_view), c.ascii);
        EXPECT_EQ(box(sc::hex_view), c.hex);
        EXPECT_EQ(box(sc::base64_view), c.base64);
        EXPECT_EQ(dstatus(), c.status);
    }
}

TEST_F(SignatureDialog, RadioButtonsChooseTheEditableView) {
    open_signature_test_dialog(*wb);
    const struct {
        ControlId radio, view;
        const char* status;
    } views[] = {{sc::radio_hex, sc::hex_view, "CHECKED HEX View."},
                 {sc::radio_base64, sc::base64_view, "CHECKED Base64 View."},
                 {sc::radio_ascii, sc::ascii_view, "CHECKED ASCII View."}};
    for (const auto& v : views) {
        click(v.radio);
        EXPECT_EQ(dstatus(), v.status);
        for (const auto& other : views) {
            EXPECT_EQ(dlg()->read_only(other.view), other.view != v.view) << other.view;
            EXPECT_EQ(dlg()->checked(other.radio), other.radio == v.radio) << other.radio;
        }
        // A switch converts nothing.
        EXPECT_EQ(box(sc::hex_view), "2B746573742B");
        EXPECT_EQ(box(sc::ascii_view), "+test+");
    }
    // Only the editable view takes typing.
    EXPECT_FALSE(dlg()->type_text(sc::hex_view, "00"));
    EXPECT_TRUE(dlg()->type_text(sc::ascii_view, "x"));
    EXPECT_EQ(box(sc::hex_view), "78");
}

TEST_F(SignatureDialog, AsciiViewConvertsAtMostWhatTheHexViewHolds) {
    open_signature_test_dialog(*wb);
    // 1,500 two-byte characters: cut before the character that would pass
    // 2,048 bytes, and the view shows what was converted.
    std::string text;
    for (int i = 0; i < 1500; ++i) text += "\xC3\xA9";
    dlg()->set_text(sc::ascii_view, text);
    EXPECT_EQ(box(sc::ascii_view), text.substr(0, 2048));
    EXPECT_EQ(box(sc::hex_view).size(), 4096u);
    EXPECT_EQ(box(sc::hex_view).substr(0, 8), "C3A9C3A9");
    EXPECT_EQ(dstatus(), "ASCII Updated.");
    // Three-byte characters: 682 of them fit, the 683rd does not.
    text.clear();
    for (int i = 0; i < 700; ++i) text += "\xE2\x82\xAC";
    dlg()->set_text(sc::ascii_view, text);
    EXPECT_EQ(box(sc::ascii_view).size(), 682u * 3);
    EXPECT_EQ(box(sc::hex_view).size(), 682u * 6);
}

// ---- hashing -------------------------------------------------------------------------------------

TEST_F(SignatureDialog, DigestsOfTheHexViewAtFullWidth) {
    open_signature_test_dialog(*wb);
    const auto cases = testsupport::load_vectors("workbench/dialog_digests.txt");
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        type_hex(c.get("Message"));
        click(hash_button(c.section));
        EXPECT_EQ(box(sc::h_box), c.get("Digest"));
    }
    // The bytes hashed are the HEX view's whichever view was edited: "abc"
    // typed as text gives the published SHA-256 example (FIPS 180-2, B.1).
    click(sc::radio_ascii);
    put(sc::ascii_view, "abc");
    click(sc::hash_sha256);
    EXPECT_EQ(box(sc::h_box), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
}

TEST_F(SignatureDialog, HashingAnOddHexViewDropsTheLastDigit) {
    open_signature_test_dialog(*wb);
    type_hex("616263A");
    EXPECT_EQ(dstatus(), "HEX bytes lenth must be even.");
    click(sc::hash_sha1);
    // SHA-1("abc"), FIPS 180-2 A.1; the view is shortened and converted again.
    EXPECT_EQ(box(sc::h_box), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(box(sc::hex_view), "616263");
    EXPECT_EQ(box(sc::ascii_view), "abc");
    EXPECT_EQ(dstatus(), "HEX Updated.");
    // An empty view hashes the empty message (RFC 1321 A.5).
    type_hex("");
    EXPECT_EQ(dstatus(), "HEX INPUT ERROR");
    click(sc::hash_md5);
    EXPECT_EQ(box(sc::h_box), "D41D8CD98F00B204E9800998ECF8427E");
}

// ---- the schemes ---------------------------------------------------------------------------------

struct SchemeCase {
    const char* curve;
    ControlId hash;
};

class SchemeRoundTrip : public SignatureDialog, public ::testing::WithParamInterface<SchemeCase> {};

// Sign then verify (and encrypt then decrypt) report success, reveal the nonce
// and the private key, and fail with the schemes' texts once a signature, the
// hash or r is tampered with.
TEST_P(SchemeRoundTrip, SignVerifyEncryptDecrypt) {
    const StandardCurve& c = standard_curve(GetParam().curve);
    SCOPED_TRACE(c.name + " " + testsupport::test_seed_note());
    const KeySet keys = make_keys(c, 7);
    open_on(c, keys);
    const naive::U n = naive::from_hex(c.n);
    click(GetParam().hash);
    const std::string digest = box(sc::h_box);
    const std::string h_mod_q = naive::to_hex(naive::mod_hex(digest, n));
    const std::string other_hash = GetParam().hash == sc::hash_md5 ? "SHA160" : "MD5";

    // ECDSA.
    click(sc::ecdsa_sign);
    EXPECT_EQ(dstatus(), "ECDSA signature is r, s.");
    EXPECT_EQ(box(sc::h_box), h_mod_q);
    const std::string k = box(sc::k_box), r = box(sc::r_box), s = box(sc::s_box);
    EXPECT_NE(k, "0");
    EXPECT_LT(naive::cmp(naive::from_hex(k), n), 0);
    EXPECT_EQ(box(sc::vx_box) + box(sc::vy_box) + box(sc::v_box), "");
    click(sc::ecdsa_verify);
    EXPECT_EQ(dstatus(), "Verification OK.");
    EXPECT_EQ(box(sc::k_box), k);
    EXPECT_EQ(box(sc::v_box), r);
    EXPECT_EQ(box(sc::derived_box), keys.d);
    EXPECT_FALSE(box(sc::vx_box).empty());
    EXPECT_FALSE(box(sc::vy_box).empty());
    // Without the nonce the private key still gives the nonce back.
    put(sc::k_box, "");
    click(sc::ecdsa_verify);
    EXPECT_EQ(dstatus(), "Verification OK.");
    EXPECT_EQ(box(sc::k_box), k);
    // Tampered s, r and h.
    put(sc::s_box, naive::to_hex(naive::addmod(naive::from_hex(s), naive::from_hex("1"), n)));
    click(sc::ecdsa_verify);
    EXPECT_EQ(dstatus(), "Verification wrong,signature not match.");
    put(sc::s_box, s);
    put(sc::r_box, naive::to_hex(naive::addmod(naive::from_hex(r), naive::from_hex("1"), n)));
    click(sc::ecdsa_verify);
    EXPECT_EQ(dstatus(), "Verification wrong,signature not match.");
    put(sc::r_box, r);
    click(hash_button(other_hash));
    click(sc::ecdsa_verify);
    EXPECT_EQ(dstatus(), "Verification wrong,signature not match.");

    // Nyberg-Rueppel.
    click(GetParam().hash);
    click(sc::nr_sign);
    EXPECT_EQ(dstatus(), "Nyberg-Rueppel signature is r, s.");
    EXPECT_EQ(box(sc::h_box), h_mod_q);
    const std::string nk = box(sc::k_box), nr = box(sc::r_box), ns = box(sc::s_box);
    dlg()->set_text(sc::derived_box, "");
    click(sc::nr_verify);
    EXPECT_EQ(dstatus(), "NR Verification OK, vx = h");
    EXPECT_EQ(box(sc::k_box), nk);
    EXPECT_EQ(box(sc::v_box), h_mod_q);
    EXPECT_EQ(box(sc::derived_box), keys.d);
    put(sc::s_box, naive::to_hex(naive::addmod(naive::from_hex(ns), naive::from_hex("1"), n)));
    click(sc::nr_verify);
    EXPECT_EQ(dstatus(), "NR Verification wrong, vx != h");
    put(sc::s_box, ns);
    put(sc::r_box, naive::to_hex(naive::addmod(naive::from_hex(nr), naive::from_hex("1"), n)));
    click(sc::nr_verify);
    EXPECT_EQ(dstatus(), "NR Verification wrong, vx != h");
    put(sc::r_box, nr);
    click(hash_button(other_hash));
    click(sc::nr_verify);
    EXPECT_EQ(dstatus(), "NR Verification wrong, vx != h");

    // Encryption of the hash to the public key.
    click(GetParam().hash);
    click(sc::encrypt);
    EXPECT_EQ(dstatus(), "Hash Encrypted to r(LSB[y] || x), s.");
    EXPECT_EQ(box(sc::h_box), h_mod_q);
    const std::string er = box(sc::r_box), es = box(sc::s_box);
    ASSERT_GE(er.size(), 3u);
    EXPECT_EQ(er[0], '0');
    EXPECT_TRUE(er[1] == '0' || er[1] == '1');
    EXPECT_EQ(box(sc::vx_box) + box(sc::vy_box) + box(sc::v_box), "");
    click(sc::decrypt);
    EXPECT_EQ(dstatus(), "Decrypt OK, v = h");
    EXPECT_EQ(box(sc::v_box), h_mod_q);
    EXPECT_FALSE(box(sc::vx_box).empty());
    EXPECT_EQ(box(sc::vy_box), "");
    put(sc::s_box, naive::to_hex(naive::addmod(naive::from_hex(es), naive::from_hex("1"), n)));
    click(sc::decrypt);
    EXPECT_EQ(dstatus(), "Decrypt wrong, v != h");
    put(sc::s_box, es);
    put(sc::r_box, "1" + er.substr(1));
    click(sc::decrypt);
    EXPECT_EQ(dstatus(), "r(LSB[y] || x) not correct.");
}

INSTANTIATE_TEST_SUITE_P(Curves, SchemeRoundTrip,
                         ::testing::Values(SchemeCase{"prime256v1", sc::hash_sha256},
                                           SchemeCase{"secp160r1", sc::hash_sha1},
                                           SchemeCase{"secp384r1", sc::hash_md5},
                                           SchemeCase{"sect163r2", sc::hash_sha1},
                                           SchemeCase{"sect233k1", sc::hash_sha384},
                                           SchemeCase{"sect113r1", sc::hash_sha256}),
                         [](const ::testing::TestParamInfo<SchemeCase>& p) { return std::string(p.param.curve); });

// A digest wider than Q is used whole. Signing writes h mod Q back; hashing
// again puts the whole digest into h.
TEST_F(SignatureDialog, DigestsWiderThanTheOrder) {
    const StandardCurve& c = standard_curve("secp160r1");
    const KeySet keys = make_keys(c, 11);
    open_on(c, keys);
    const naive::U n = naive::from_hex(c.n);

    // NR: after re-hashing, the whole digest (>= Q) never equals v.
    click(sc::hash_sha512);
    click(sc::nr_sign);
    click(sc::nr_verify);
    EXPECT_EQ(dstatus(), "NR Verification OK, vx = h");
    click(sc::hash_sha512);
    click(sc::nr_verify);
    EXPECT_EQ(dstatus(), "NR Verification wrong, vx != h");

    // ECDSA: the whole digest verifies (u1 only needs h mod Q), and the derived
    // key s*k - h is then negative: printed with a minus sign, congruent to d.
    click(sc::hash_sha512);
    click(sc::ecdsa_sign);
    click(sc::hash_sha512);
    click(sc::ecdsa_verify);
    EXPECT_EQ(dstatus(), "Verification OK.");
    const std::string derived = box(sc::derived_box);
    ASSERT_FALSE(derived.empty());
    ASSERT_EQ(derived[0], '-');
    const naive::U magnitude = naive::from_hex(derived.substr(1));
    ASSERT_LT(naive::cmp(magnitude, n), 0);
    EXPECT_EQ(naive::to_hex(naive::sub(n, magnitude)), keys.d);
}

// ---- refusals --------------------------------------------------------------------------------------

TEST_F(SignatureDialog, RefusalsChangeNothingButTheStatus) {
    const StandardCurve& c = standard_curve("secp112r1");
    open_on(c, make_keys(c, 3));
    struct Case {
        std::string h, r, s;
        ControlId button;
        const char* status;
    };
    const Case cases[] = {
        {"", "12", "34", sc::ecdsa_sign, "No Hash to Sign."},
        {"", "12", "34", sc::ecdsa_verify, "No Hash to verify."},
        {"", "12", "34", sc::nr_sign, "No Hash to Sign."},
        {"", "12", "34", sc::nr_verify, "No Hash to verify."},
        {"", "12", "34", sc::encrypt, "No Hash to Sign."},
        {"", "0012", "34", sc::decrypt, "No Hash to verfiy."},
        {"xyz", "12", "34", sc::ecdsa_sign, "No Hash to Sign."},
        {"-", "12", "34", sc::nr_sign, "No Hash to Sign."},
        {"AB", "", "34", sc::ecdsa_verify, "No signature to verify."},
        {"AB", "12", "", sc::ecdsa_verify, "No signature to verify."},
        {"AB", "", "34", sc::nr_verify, "No signature to verify."},
        {"AB", "12", "", sc::nr_verify, "No signature to verify."},
        {"AB", "", "34", sc::decrypt, "No signature to verify."},
        {"AB", "0012", "", sc::decrypt, "No signature to verify."},
        {"AB", "12", "0", sc::ecdsa_verify, "Invalid s, make sure GCD(s,q) == 1."},
        {"AB", "12", c.n, sc::ecdsa_verify, "Invalid s, make sure GCD(s,q) == 1."},
        {"AB", "1012", "34", sc::decrypt, "r(LSB[y] || x) not correct."},
        {"AB", "-0012", "34", sc::decrypt, "r(LSB[y] || x) not correct."},
        // "0" and the y-bit without any digit of x.
        {"AB", "0", "34", sc::decrypt, "r(LSB[y] || x) not correct."},
        {"AB", "01", "34", sc::decrypt, "r(LSB[y] || x) not correct."},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(std::string(t.status) + " h=" + t.h + " r=" + t.r + " s=" + t.s);
        put(sc::h_box, t.h);
        put(sc::r_box, t.r);
        put(sc::s_box, t.s);
        put(sc::k_box, "77");
        dlg()->set_text(sc::derived_box, "D");
        const std::vector<std::string> before = boxes();
        click(t.button);
        EXPECT_EQ(dstatus(), t.status);
        std::vector<std::string> after = boxes();
        // Cleaning may rewrite the box it read ("xyz" -> "", the h box).
        if (t.h == "xyz") after[0] = before[0];
        EXPECT_EQ(after, before);
    }
}

TEST_F(SignatureDialog, NumberBoxesAreCleanedWhenRead) {
    const StandardCurve& c = standard_curve("secp112r1");
    open_on(c, make_keys(c, 5));
    put(sc::h_box, "12 34-zz");
    put(sc::r_box, "-x5 6");
    put(sc::s_box, "ab;c");
    put(sc::k_box, "k=9");
    click(sc::ecdsa_verify);
    EXPECT_EQ(box(sc::h_box), "1234");
    EXPECT_EQ(box(sc::r_box), "-56");
    EXPECT_EQ(box(sc::s_box), "abc");
    EXPECT_EQ(dstatus(), "Verification wrong,signature not match.");
    // A number is written back in upper case without leading zeros.
    put(sc::h_box, "000abc");
    click(sc::ecdsa_sign);
    EXPECT_EQ(box(sc::h_box), "ABC");
}

TEST_F(SignatureDialog, DecryptRefusesAnAbscissaOffTheCurve) {
    for (const auto& v : testsupport::load_vectors("workbench/dialog_signatures.txt")) {
        if (v.section != "offcurve") continue;
        SCOPED_TRACE(v.where);
        start();
        const StandardCurve& c = standard_curve(v.get("Curve"));
        open_on(c, make_keys(c, 13));
        put(sc::h_box, "AB");
        put(sc::s_box, "34");
        for (const char* bit : {"00", "01"}) {
            put(sc::r_box, bit + v.get("X"));
            click(sc::decrypt);
            EXPECT_EQ(dstatus(), c.binary ? "Sign r(lsb,x) is not on curve." : "Sign r(LSB[y],x) is not on curve.");
        }
    }
}

TEST_F(SignatureDialog, UnknownCurveTypeInEveryScheme) {
    const StandardCurve& c = standard_curve("secp112r1");
    open_on(c, make_keys(c, 17), [](Workbench& w) {
        SignatureKeys k = read_signature_keys(w);
        k.curve_type = 2;
        return k;
    });
    for (ControlId b : kSchemeButtons) {
        put(sc::h_box, "AB");
        put(sc::r_box, "0012");
        put(sc::s_box, "34");
        const std::vector<std::string> before = boxes();
        click(b);
        EXPECT_EQ(dstatus(), "Invalid GF Type.") << b;
        EXPECT_EQ(boxes(), before) << b;
    }
}

// ---- robustness -------------------------------------------------------------------------------------

// 4,096 characters of junk typed into each box, then every button pressed:
// nothing crashes, every press leaves a status line.
TEST_F(SignatureDialog, JunkInAnyBox) {
    const StandardCurve& c = standard_curve("secp112r1");
    open_on(c, make_keys(c, 19));
    testsupport::TestRng rng = testsupport::TestRng::for_test(23);
    std::vector<std::pair<const char*, std::string>> junk;
    junk.push_back({"all F", std::string(4096, 'F')});
    junk.push_back({"zeros", std::string(4096, '0')});
    junk.push_back({"minus signs", std::string(4096, '-')});
    std::string bytes, mixed, utf8;
    for (int i = 0; i < 4096; ++i) {
        bytes += static_cast<char>(1 + rng.below(255));
        mixed += "0123456789abcdefXYZ-=+/ \t"[rng.below(25)];
    }
    for (int i = 0; i < 1366; ++i) utf8 += "\xE2\x82\xAC";
    junk.push_back({"random bytes", bytes});
    junk.push_back({"hex and punctuation", mixed});
    junk.push_back({"multi-byte characters", utf8.substr(0, 4096)});
    const struct {
        ControlId radio, id;
    } targets[] = {{sc::radio_ascii, sc::ascii_view}, {sc::radio_hex, sc::hex_view},
                   {sc::radio_base64, sc::base64_view}, {kNoControl, sc::h_box},
                   {kNoControl, sc::k_box},           {kNoControl, sc::r_box},
                   {kNoControl, sc::s_box},           {kNoControl, sc::vx_box},
                   {kNoControl, sc::vy_box},          {kNoControl, sc::v_box}};
    std::vector<ControlId> buttons(std::begin(kSchemeButtons), std::end(kSchemeButtons));
    buttons.insert(buttons.end(), std::begin(kHashButtons), std::end(kHashButtons));
    put(sc::h_box, "1234");
    for (const auto& [kind, text] : junk) {
        for (const auto& t : targets) {
            // Typed text is cut at the box's limit; text the program sets is
            // not, so the whole junk is also set directly.
            for (bool typed : {true, false}) {
                SCOPED_TRACE(std::string(kind) + " in box " + std::to_string(t.id) + (typed ? " typed" : " set"));
                for (ControlId b : buttons) {
                    if (t.radio != kNoControl) click(t.radio);
                    if (typed)
                        put(t.id, text);
                    else
                        dlg()->set_text(t.id, text);
                    dlg()->set_text(sc::status_box, "");
                    click(b);
                    if (b >= sc::ecdsa_sign) {
                        EXPECT_FALSE(dstatus().empty()) << b;
                    }
                    EXPECT_EQ(engine_error(), 0);
                }
            }
        }
    }
}

// An engine error of one press is reported on the status line, and the next
// press starts clean.
TEST_F(SignatureDialog, EngineErrorsReachTheStatusLine) {
    const StandardCurve& c = standard_curve("secp112r1");
    bool zero_order = true;
    open_on(c, make_keys(c, 29), [&zero_order](Workbench& w) {
        SignatureKeys k = read_signature_keys(w);
        if (zero_order) k.q = 0;
        return k;
    });
    put(sc::h_box, "AB");
    click(sc::ecdsa_sign);
    EXPECT_EQ(dstatus(), "ECDSA signature is r, s. Engine error 2: Division by zero attempted");
    EXPECT_EQ(engine_error(), 0);
    zero_order = false;
    put(sc::h_box, "AB");
    click(sc::ecdsa_sign);
    EXPECT_EQ(dstatus(), "ECDSA signature is r, s.");
    // A box set past its typing limit: too long for the engine's numbers.
    dlg()->set_text(sc::h_box, std::string(600, 'F'));
    click(sc::nr_sign);
    EXPECT_EQ(dstatus(), "Nyberg-Rueppel signature is r, s. Engine error 3: Overflow - Number too big");
}

TEST_F(SignatureDialog, CloseBoxEndsTheDialog) {
    open_signature_test_dialog(*wb);
    ASSERT_NE(dlg(), nullptr);
    dlg()->request_close();
    EXPECT_EQ(dlg(), nullptr);
    EXPECT_EQ(win->active_dialog(), nullptr);
    EXPECT_TRUE(win->click(ctl::about));
    // It opens again in its opening state.
    open_signature_test_dialog(*wb);
    EXPECT_EQ(box(sc::hex_view), "2B746573742B");
    EXPECT_EQ(dstatus(), "ASCII Updated.");
}

// ---- agreement with independent implementations ---------------------------------------------------

// Signatures made by OpenSSL verify here; the private key then gives back
// OpenSSL's nonce, which the naive arithmetic confirms (x(kG) mod n = r), and
// with that nonce the private key is derived.
TEST_F(SignatureDialog, OpenSslSignaturesVerify) {
    const StandardCurve& c = standard_curve("prime256v1");
    const naive::Curve nc = naive_curve(c);
    int seen = 0;
    for (const auto& v : testsupport::load_vectors("workbench/dialog_signatures.txt")) {
        if (v.section != "openssl") continue;
        SCOPED_TRACE(v.where);
        ++seen;
        start();
        open_on(c, KeySet{v.get("D"), v.get("Qx"), v.get("Qy")});
        type_hex(v.get("Message"));
        click(hash_button(v.get("Hash")));
        put(sc::r_box, v.get("R"));
        put(sc::s_box, v.get("S"));
        put(sc::k_box, "");
        click(sc::ecdsa_verify);
        EXPECT_EQ(dstatus(), "Verification OK.");
        const naive::Point kg = naive::mul(nc, naive::from_hex(box(sc::k_box)), nc.g);
        EXPECT_EQ(naive::to_hex(naive::mod(kg.x, nc.n)), v.get("R"));
        click(sc::ecdsa_verify);
        EXPECT_EQ(box(sc::derived_box), v.get("D"));
    }
    EXPECT_EQ(seen, 3);
}

// Values computed with fixed nonces by Python integers verify and decrypt
// here, on GF(p) and GF(2^m), and reveal the private key.
TEST_F(SignatureDialog, FixedNonceValuesFromPython) {
    int seen = 0;
    for (const auto& v : testsupport::load_vectors("workbench/dialog_signatures.txt")) {
        if (v.section != "python") continue;
        SCOPED_TRACE(v.where + " " + v.get("Scheme"));
        ++seen;
        start();
        const StandardCurve& c = standard_curve(v.get("Curve"));
        open_on(c, KeySet{v.get("D"), v.get("Qx"), v.get("Qy")});
        type_hex(v.get("Message"));
        click(hash_button(v.get("Hash")));
        put(sc::r_box, v.get("R"));
        put(sc::s_box, v.get("S"));
        put(sc::k_box, v.get("K"));
        const std::string scheme = v.get("Scheme");
        if (scheme == "ECDSA") {
            click(sc::ecdsa_verify);
            EXPECT_EQ(dstatus(), "Verification OK.");
        } else if (scheme == "NR") {
            click(sc::nr_verify);
            EXPECT_EQ(dstatus(), "NR Verification OK, vx = h");
        } else {
            click(sc::decrypt);
            EXPECT_EQ(dstatus(), "Decrypt OK, v = h");
            continue;
        }
        EXPECT_EQ(box(sc::k_box), v.get("K"));
        EXPECT_EQ(box(sc::derived_box), v.get("D"));
    }
    EXPECT_EQ(seen, 18);
}

// What the dialog makes on prime256v1 passes a naive ECDSA verifier, and with
// the nonce it shows, r and s of all three schemes are exactly those of the
// naive arithmetic.
TEST_F(SignatureDialog, DialogValuesMatchTheNaiveArithmeticOverGFp) {
    const StandardCurve& c = standard_curve("prime256v1");
    const naive::Curve nc = naive_curve(c);
    const naive::U n = nc.n;
    const KeySet keys = make_keys(c, 31);
    open_on(c, keys);
    const naive::U d = naive::from_hex(keys.d);
    naive::Point pub;
    pub.inf = false;
    pub.x = naive::from_hex(keys.rx);
    pub.y = naive::from_hex(keys.ry);

    click(sc::hash_sha256);
    const naive::U h = naive::mod_hex(box(sc::h_box), n);
    click(sc::ecdsa_sign);
    naive::U k = naive::from_hex(box(sc::k_box));
    const naive::U r = naive::from_hex(box(sc::r_box)), s = naive::from_hex(box(sc::s_box));
    EXPECT_TRUE(naive::ecdsa_verify(nc, pub, h, r, s));
    const naive::Point kg = naive::mul(nc, k, nc.g);
    EXPECT_EQ(naive::cmp(naive::mod(kg.x, n), r), 0);
    EXPECT_EQ(naive::to_hex(naive::mulmod(naive::addmod(h, naive::mulmod(d, r, n), n), naive::invmod(k, n), n)),
              box(sc::s_box));

    click(sc::hash_sha256);
    click(sc::nr_sign);
    k = naive::from_hex(box(sc::k_box));
    const naive::Point nkg = naive::mul(nc, k, nc.g);
    const naive::U nr = naive::addmod(naive::mod(nkg.x, n), h, n);
    EXPECT_EQ(naive::to_hex(nr), box(sc::r_box));
    EXPECT_EQ(naive::to_hex(naive::submod(k, naive::mulmod(nr, d, n), n)), box(sc::s_box));

    click(sc::hash_sha256);
    click(sc::encrypt);
    k = naive::from_hex(box(sc::k_box));
    const naive::Point ekg = naive::mul(nc, k, nc.g);
    const naive::Point ekr = naive::mul(nc, k, pub);
    EXPECT_EQ(box(sc::r_box), std::string("0") + (naive::bit(ekg.y, 0) ? "1" : "0") + naive::to_hex(ekg.x));
    EXPECT_EQ(box(sc::s_box), naive::to_hex(naive::mulmod(h, naive::mod(ekr.x, n), n)));
}

// Over GF(2^m) the bit in r is the compression bit of the engine's point read,
// bit 0 of y/x, as the naive binary-field arithmetic computes it.
TEST_F(SignatureDialog, EncryptionBitOverGF2mIsTheCompressionBit) {
    const StandardCurve& c = standard_curve("sect163r2");
    const naive2::Curve nc = naive_curve2(c);
    open_on(c, make_keys(c, 37));
    naive2::Point g;
    g.inf = false;
    g.x = nc.gx;
    g.y = nc.gy;
    // Random nonces until both bit values have been seen (or eight tries).
    bool seen[2] = {false, false};
    for (int i = 0; i < 8 && !(seen[0] && seen[1]); ++i) {
        click(sc::hash_sha1);
        click(sc::encrypt);
        const naive2::Point kg = naive2::mul(nc, naive::from_hex(box(sc::k_box)), g);
        const int bit = naive2::ybit(nc, kg);
        seen[bit] = true;
        EXPECT_EQ(box(sc::r_box), std::string("0") + (bit ? "1" : "0") + naive2::to_hex(kg.x));
    }
}

}  // namespace
