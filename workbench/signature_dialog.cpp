// The signature test dialog: opening, the three message views, hashing, the
// number boxes and the per-action engine error report. The schemes are in
// signature_schemes.cpp.
#include <cctype>
#include <cstdio>
#include <utility>

#include "engine/hash.h"
#include "workbench/codecs.h"
#include "workbench/commands.h"
#include "workbench/number_text.h"
#include "workbench/signature_internal.h"
#include "workbench/workbench.h"

namespace {

using namespace sigctl;

// Typing limits, set when the dialog opens.
constexpr int kAsciiLimit = 2048;
constexpr int kHexLimit = 4096;
constexpr int kBase64Limit = 2731;
constexpr int kNumberLimit = 256;

// The ASCII view converts at most this many bytes: the HEX view holds two
// digits per byte within its 4,096 characters, so that hashing always covers
// the whole message. Typed ASCII stays below it; only multi-byte characters
// can reach it.
constexpr size_t kMessageBytes = 2048;

const char* const kCaptionK = "random k(k<Q)   parameter: d:pvt,P:pub,G:base,h:hash,Q:PrimeOrder";
const char* const kCaptionR = "Sign(r) ECDSA:k*G (mod Q)      ECNR:k*G+h(mod Q) ECR:R=k*G";
const char* const kCaptionS = "Sign(s) ECDSA:(h+r*d)/k(mod Q) ECNR:k-r*d(mod Q) ECR:s=(h*k)*P(mod Q)";
const char* const kCaptionVx = "Verify ECDSA: u=h/s(mod Q) w =r/s(mod Q) v=u*G+w*P(mod Q)  v==r";
const char* const kCaptionV = "Verify ECNR: v=r-(s*G+r*P)mod Q, v==h  ECR:h=s/(d*R(mod Q)) (mod Q)";

bool is_hex_digit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The bytes as the ASCII view shows them: up to the first zero byte.
std::string bytes_as_text(const Bytes& bytes) {
    std::string s;
    for (uint8_t b : bytes) {
        if (b == 0) break;
        s += static_cast<char>(b);
    }
    return s;
}

Bytes digest_of(ControlId button, const Bytes& msg) {
    const uint8_t* data = msg.data();
    const size_t len = msg.size();
    Bytes out;
    switch (button) {
        case hash_md5:
            out.resize(kMd5Bytes);
            md5_digest(data, len, out.data());
            break;
        case hash_sha1: {
            sha1_ctx c;
            sha1_init(&c);
            sha1_process_bytes(&c, data, len);
            out.resize(kSha1Bytes);
            sha1_hash(&c, out.data());
            break;
        }
        case hash_sha256: {
            sha256_ctx c;
            sha256_init(&c);
            sha256_process_bytes(&c, data, len);
            out.resize(kSha256Bytes);
            sha256_hash(&c, out.data());
            break;
        }
        case hash_sha384: {
            sha512_ctx c;
            sha384_init(&c);
            sha384_process_bytes(&c, data, len);
            out.resize(kSha384Bytes);
            sha384_hash(&c, out.data());
            break;
        }
        case hash_sha512: {
            sha512_ctx c;
            sha512_init(&c);
            sha512_process_bytes(&c, data, len);
            out.resize(kSha512Bytes);
            sha512_hash(&c, out.data());
            break;
        }
        default:
            break;
    }
    return out;
}

}  // namespace

std::string hex_number(const big_rec* x) {
    const int n = big_len(x);
    if (n == 0) return "0";
    std::string s = big_is_negative(x) ? "-" : "";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", x->w[n - 1]);
    s += buf;
    for (int i = n - 2; i >= 0; --i) {
        std::snprintf(buf, sizeof buf, "%08X", x->w[i]);
        s += buf;
    }
    return s;
}

// ---- opening and closing ---------------------------------------------------------------------

SignatureKeys read_signature_keys(Workbench& wb) {
    SignatureKeys k;
    k.curve_type = wb.curve_type();
    Fields& f = wb.fields();
    f.read_field(ctl::GX, k.gx.get());
    f.read_field(ctl::GY, k.gy.get());
    f.read_field(ctl::RX, k.rx.get());
    f.read_field(ctl::RY, k.ry.get());
    f.read_field(ctl::Q, k.q.get());
    f.read_field(ctl::K, k.d.get());
    return k;
}

void open_signature_test_dialog(Workbench& wb, std::function<SignatureKeys(Workbench&)> keys) {
    wb.extension<SignatureDialog>().open(std::move(keys));
}

void SignatureDialog::open(std::function<SignatureKeys(Workbench&)> keys) {
    m_keys = std::move(keys);
    m_view = View::none;
    m_busy = false;
    m_dialog = m_wb.window().open_dialog(signature_dialog_form(), this);
    if (m_dialog == nullptr) return;
    Window& d = *m_dialog;
    d.set_caption(k_caption, kCaptionK);
    d.set_caption(r_caption, kCaptionR);
    d.set_caption(s_caption, kCaptionS);
    d.set_caption(vx_caption, kCaptionVx);
    d.set_caption(v_caption, kCaptionV);
    d.set_limit(ascii_view, kAsciiLimit);
    d.set_limit(hex_view, kHexLimit);
    d.set_limit(base64_view, kBase64Limit);
    for (ControlId box : {h_box, k_box, r_box, s_box, vx_box, vy_box, v_box}) d.set_limit(box, kNumberLimit);
    set_text(ascii_view, "+test+");
    select_view(View::ascii);
    m_busy = true;
    convert(View::ascii);
    m_busy = false;
}

void SignatureDialog::close() {
    Window* d = m_dialog;
    m_dialog = nullptr;
    m_view = View::none;
    if (d != nullptr) m_wb.window().close_dialog(d);
}

// ---- notifications ---------------------------------------------------------------------------

void SignatureDialog::on_event(const Event& e) {
    // Each press starts with the window instance's error cleared; one that ends
    // with an error recorded adds the engine's message to the status line. A
    // notification raised inside another action (a box it rewrote) keeps that
    // action's error for it.
    const int outer = engine_error();
    const bool outer_written = m_status_written;
    engine_clear_error();
    m_status_written = false;
    dispatch(e);
    if (engine_current() != nullptr) {
        const int code = engine_error();
        if (code != 0 && m_dialog != nullptr) {
            std::string msg = error_message(code);
            while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' ')) msg.pop_back();
            char head[32];
            std::snprintf(head, sizeof head, "Engine error %d: ", code);
            const std::string line = std::string(head) + msg;
            set_status(m_status_written ? text(status_box) + " " + line : line);
        }
        engine_current()->error_number = outer;
    }
    m_status_written = outer_written || m_status_written;
}

void SignatureDialog::dispatch(const Event& e) {
    if (m_dialog == nullptr) return;
    switch (e.kind) {
        case EventKind::close_requested:
            close();
            return;
        case EventKind::selection_changed:
            return;
        case EventKind::text_changed: {
            // Only the editable view converts, and never while a switch or a
            // conversion is writing the views.
            if (m_busy) return;
            const View v = e.id == ascii_view ? View::ascii
                           : e.id == hex_view ? View::hex
                           : e.id == base64_view ? View::base64
                                                 : View::none;
            if (v == View::none || v != m_view) return;
            m_busy = true;
            convert(v);
            m_busy = false;
            return;
        }
        case EventKind::clicked:
            break;
    }
    switch (e.id) {
        case radio_ascii: select_view(View::ascii); break;
        case radio_hex: select_view(View::hex); break;
        case radio_base64: select_view(View::base64); break;
        case hash_md5:
        case hash_sha1:
        case hash_sha256:
        case hash_sha384:
        case hash_sha512: hash_message(e.id); break;
        case sigctl::ecdsa_sign: ecdsa_sign(); break;
        case sigctl::ecdsa_verify: ecdsa_verify(); break;
        case sigctl::nr_sign: nr_sign(); break;
        case sigctl::nr_verify: nr_verify(); break;
        case sigctl::encrypt: encrypt(); break;
        case sigctl::decrypt: decrypt(); break;
        default: break;
    }
}

// ---- views ---------------------------------------------------------------------------------------

void SignatureDialog::select_view(View v) {
    m_busy = true;
    for (ControlId view : {ascii_view, hex_view, base64_view}) m_dialog->set_read_only(view, true);
    m_dialog->set_checked(radio_ascii, v == View::ascii);
    m_dialog->set_checked(radio_hex, v == View::hex);
    m_dialog->set_checked(radio_base64, v == View::base64);
    ControlId editable = ascii_view;
    switch (v) {
        case View::ascii:
            set_status("CHECKED ASCII View.");
            break;
        case View::hex:
            set_status("CHECKED HEX View.");
            editable = hex_view;
            break;
        case View::base64:
            set_status("CHECKED Base64 View.");
            editable = base64_view;
            break;
        case View::none:
            break;
    }
    m_dialog->set_read_only(editable, false);
    m_view = v;
    m_busy = false;
}

void SignatureDialog::convert(View v) {
    size_t digits = 0;
    const char* updated = "";
    switch (v) {
        case View::ascii: {
            std::string t = text(ascii_view);
            if (t.size() > kMessageBytes) {
                // Cut before a whole character and show what is converted.
                size_t n = kMessageBytes;
                while (n > 0 && (static_cast<unsigned char>(t[n]) & 0xC0) == 0x80) --n;
                t.resize(n);
                set_text(ascii_view, t);
            }
            const Bytes bytes(t.begin(), t.end());
            set_text(hex_view, hex_encode(bytes));
            set_text(base64_view, base64_encode(bytes));
            digits = 2 * bytes.size();
            updated = "ASCII Updated.";
            break;
        }
        case View::hex: {
            const std::string t = text(hex_view);
            size_t n = 0;
            while (n < t.size() && is_hex_digit(t[n])) ++n;
            const std::string cut = t.substr(0, n);
            if (cut != t) set_text(hex_view, cut);
            digits = cut.size();
            const Bytes bytes = hex_decode(cut);
            set_text(base64_view, base64_encode(bytes));
            set_text(ascii_view, bytes_as_text(bytes));
            updated = "HEX Updated.";
            break;
        }
        case View::base64: {
            const Bytes bytes = base64_decode(text(base64_view));
            const std::string hex = hex_encode(bytes);
            set_text(hex_view, hex);
            set_text(ascii_view, bytes_as_text(bytes));
            digits = hex.size();
            updated = "BASE64 Updated.";
            break;
        }
        case View::none:
            return;
    }
    if (digits == 0)
        set_status("HEX INPUT ERROR");
    else if (digits % 2 != 0)
        set_status("HEX bytes lenth must be even.");
    else
        set_status(updated);
}

void SignatureDialog::hash_message(ControlId button) {
    // Always the HEX view's bytes. An odd digit count drops the last digit,
    // and the shortened text goes back into the view (converting the other
    // views when HEX is the editable one).
    std::string hex = text(hex_view);
    if (hex.size() % 2 != 0) {
        hex.pop_back();
        set_text(hex_view, hex);
        if (m_dialog == nullptr) return;
    }
    const Bytes digest = digest_of(button, hex_decode(hex));
    set_text(h_box, hex_encode(digest));
}

// ---- boxes ---------------------------------------------------------------------------------------

std::string SignatureDialog::text(ControlId id) { return m_dialog != nullptr ? m_dialog->text(id) : std::string(); }

void SignatureDialog::set_text(ControlId id, std::string_view t) {
    if (m_dialog != nullptr) m_dialog->set_text(id, t);
}

void SignatureDialog::set_status(std::string_view t) {
    set_text(status_box, t);
    m_status_written = true;
}

std::string SignatureDialog::cleaned_text(ControlId box) {
    const std::string t = text(box);
    std::string c = filter_for_base(t, 16);
    if (c != t) set_text(box, c);
    return c;
}

std::optional<BigInt> SignatureDialog::read_number(ControlId box) {
    const std::string c = cleaned_text(box);
    if (c.empty() || c == "-") return std::nullopt;
    BigInt x;
    cinstr(x.get(), c.c_str());
    return x;
}

void SignatureDialog::write_number(ControlId box, const BigInt& x) { set_text(box, hex_number(x.get())); }

// T&EST opens the dialog once its checks pass.
KORVATH_ACTIONS(register_signature_dialog) {
    registry.signature_dialog([](Workbench& wb) { open_signature_test_dialog(wb); });
}
