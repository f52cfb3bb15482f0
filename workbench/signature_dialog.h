// The signature test dialog: a modal dialog over the main window in which the
// key set of the "KeyPairs" group is put to use.
//
// A message is typed in one of three views (ASCII, HEX, BASE64; one editable at
// a time, chosen by radio button) and converted into the other two; the bytes
// of the HEX view are hashed (MD5, SHA-1, SHA-256, SHA-384, SHA-512) into h; h
// is then signed and verified with ECDSA and with Nyberg-Rueppel, or encrypted
// to the public key and decrypted with the private key. Verification also
// derives the nonce (from d) or the private key (from the nonce).
//
// The schemes compute on the curve that "T&EST" left current in the window
// thread's engine instance and never set a curve up themselves. At each press
// they re-read G, R, Q and d from the main window's fields. Numbers in the
// dialog's boxes are hexadecimal; every box the batch front end addresses has
// a name: "ASCII", "HEX", "BASE64", "h", "k", "r", "s", "Vx", "Vy", "v",
// "derived" and "status".
//
// Threads: the window thread only (the dialog's notifications arrive there).
#pragma once

#include <functional>

#include "engine/values.h"
#include "platform/form.h"

class Workbench;

namespace sigctl {

enum : ControlId {
    message_label = 1,
    radio_ascii, radio_hex, radio_base64,
    ascii_view, hex_view, base64_view,
    hash_md5, hash_sha1, hash_sha256, hash_sha384, hash_sha512,
    h_label, h_box,
    k_caption, k_label, k_box,
    r_caption, r_label, r_box,
    s_caption, s_label, s_box,
    vx_caption, vx_label, vx_box, vy_label, vy_box,
    v_caption, v_label, v_box,
    ecdsa_sign, ecdsa_verify, nr_sign, nr_verify, encrypt, decrypt,
    derived_label, derived_box,
    status_label, status_box,
};

}  // namespace sigctl

/// The dialog's form: title, views, buttons, number boxes and captions. Caption
/// lines and typing limits are set when the dialog opens.
const FormSpec& signature_dialog_form();

/// What the schemes read from the main window at each press: the CurveType and
/// G, R (the public key), Q (the prime order) and d (the private key, field
/// "k[Priv]").
struct SignatureKeys {
    int curve_type = 0;
    BigInt gx, gy, rx, ry, q, d;
};

/// The key set from the main window's fields (read_field) and its CurveType.
SignatureKeys read_signature_keys(Workbench& wb);

/// Opens the dialog over the main window and runs its opening steps (captions,
/// limits, "+test+" in the ASCII view, ASCII view selected and converted). The
/// curve must already be current (TEST makes it so). `keys` replaces the
/// reading of the key set; tests give it a CurveType the window cannot select.
void open_signature_test_dialog(Workbench& wb,
                                std::function<SignatureKeys(Workbench&)> keys = read_signature_keys);
