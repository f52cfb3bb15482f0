// The form of the signature test dialog. Typing limits and the five caption
// lines are left empty here: the dialog sets them when it opens.
#include <string>

#include "workbench/signature_dialog.h"

namespace {

using namespace sigctl;

constexpr int kEditH = 22;
constexpr int kLeft = 12;
constexpr int kBoxX = 96;
constexpr int kBoxW = 600;
constexpr int kWinW = kBoxX + kBoxW + 12;

struct FormBuilder {
    FormSpec f;
    ControlSpec& add(ControlId id, ControlKind kind, std::string caption, Rect r) {
        ControlSpec c;
        c.id = id;
        c.kind = kind;
        c.caption = std::move(caption);
        c.rect = r;
        f.controls.push_back(c);
        return f.controls.back();
    }
    void label(ControlId id, std::string caption, Rect r) { add(id, ControlKind::label, std::move(caption), r); }
    void edit(ControlId id, std::string name, Rect r, bool read_only = false) {
        ControlSpec& c = add(id, ControlKind::edit, "", r);
        c.name = std::move(name);
        c.read_only = read_only;
    }
    void button(ControlId id, std::string caption, Rect r) { add(id, ControlKind::button, std::move(caption), r); }
    // A labelled number box on one row.
    void number_row(ControlId label_id, const char* name, ControlId box, int y) {
        label(label_id, name, Rect{kLeft, y + 3, kBoxX - kLeft - 4, 16});
        edit(box, name, Rect{kBoxX, y, kBoxW, kEditH});
    }
    void caption_line(ControlId id, int y) { label(id, "", Rect{kBoxX, y, kBoxW, 16}); }
};

FormSpec build() {
    FormBuilder b;
    b.f.title = "ECDSA / ECNR(Nyberg-Rueppel) / ECCrypt Key Test";
    b.f.width = kWinW;

    // Message views, each with the radio button that makes it editable. The
    // views start read-only; opening selects the ASCII view.
    b.label(message_label, "Original Message Input, always Hashing HEX", Rect{kBoxX, 8, kBoxW, 16});
    const struct {
        ControlId radio, view;
        const char* caption;
        const char* name;
    } views[] = {{radio_ascii, ascii_view, "&ASCII", "ASCII"},
                 {radio_hex, hex_view, "&HEX", "HEX"},
                 {radio_base64, base64_view, "&BASE64", "BASE64"}};
    int y = 28;
    for (const auto& v : views) {
        b.add(v.radio, ControlKind::radio_button, v.caption, Rect{kLeft, y, kBoxX - kLeft - 4, kEditH});
        b.edit(v.view, v.name, Rect{kBoxX, y, kBoxW, kEditH}, true);
        y += 26;
    }

    // Hash buttons.
    y += 4;
    const struct {
        ControlId id;
        const char* caption;
    } hashes[] = {{hash_md5, "&MD5"}, {hash_sha1, "&SHA160"}, {hash_sha256, "SHA256"}, {hash_sha384, "SHA384"},
                  {hash_sha512, "SHA512"}};
    int x = kBoxX;
    for (const auto& h : hashes) {
        b.button(h.id, h.caption, Rect{x, y, 112, 24});
        x += 122;
    }
    y += 34;

    // Number boxes with their caption lines.
    b.number_row(h_label, "h", h_box, y);
    y += 30;
    b.caption_line(k_caption, y);
    b.number_row(k_label, "k", k_box, y + 18);
    y += 48;
    b.caption_line(r_caption, y);
    b.number_row(r_label, "r", r_box, y + 18);
    y += 48;
    b.caption_line(s_caption, y);
    b.number_row(s_label, "s", s_box, y + 18);
    y += 48;
    b.caption_line(vx_caption, y);
    b.number_row(vx_label, "Vx", vx_box, y + 18);
    b.number_row(vy_label, "Vy", vy_box, y + 44);
    y += 74;
    b.caption_line(v_caption, y);
    b.number_row(v_label, "v", v_box, y + 18);
    y += 52;

    // Scheme buttons.
    const struct {
        ControlId id;
        const char* caption;
    } schemes[] = {{ecdsa_sign, "E&CDSA Sign"}, {ecdsa_verify, "ECDSA &Verify"}, {nr_sign, "&NR Sign"},
                   {nr_verify, "N&R Verfiy"},   {encrypt, "&Encrypt"},          {decrypt, "&Decrypt"}};
    x = kLeft;
    for (const auto& s : schemes) {
        b.button(s.id, s.caption, Rect{x, y, 108, 26});
        x += 116;
    }
    y += 38;

    // Results: the key a verification derived, and the one-line status.
    b.label(derived_label, "Derived d", Rect{kLeft, y + 3, kBoxX - kLeft - 4, 16});
    b.edit(derived_box, "derived", Rect{kBoxX, y, kBoxW, kEditH}, true);
    y += 28;
    b.label(status_label, "Status", Rect{kLeft, y + 3, kBoxX - kLeft - 4, 16});
    b.edit(status_box, "status", Rect{kBoxX, y, kBoxW, kEditH}, true);
    y += 34;

    b.f.height = y;
    return b.f;
}

}  // namespace

const FormSpec& signature_dialog_form() {
    static const FormSpec form = build();
    return form;
}
