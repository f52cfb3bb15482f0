#include "workbench/config_file.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "workbench/commands.h"
#include "workbench/number_text.h"
#include "workbench/workbench.h"

namespace {

struct Entry {
    const char* key;
    ControlId control;
};

// Entries 3 to 19: the small boxes, then the fields in file order.
const Entry kValueEntries[] = {
    {"[GF(P) Curver Bits]", ctl::curve_bits},
    {"[EC2_m]", ctl::m_box},
    {"[EC2_a]", ctl::a_box},
    {"[EC2_b]", ctl::b_box},
    {"[EC2_c]", ctl::c_box},
    {"[S/LOW]", ctl::field_edit(ctl::S)},
    {"[H/HIGH]", ctl::field_edit(ctl::H)},
    {"[N/Point Num]", ctl::field_edit(ctl::NP)},
    {"[A/a2]", ctl::field_edit(ctl::A)},
    {"[B/a6]", ctl::field_edit(ctl::B)},
    {"[P/Modules]", ctl::field_edit(ctl::P)},
    {"[Q/Order]", ctl::field_edit(ctl::Q)},
    {"[K/Privkey]", ctl::field_edit(ctl::K)},
    {"[Gx/Base]", ctl::field_edit(ctl::GX)},
    {"[Gy/Base]", ctl::field_edit(ctl::GY)},
    {"[Rx/Pub]", ctl::field_edit(ctl::RX)},
    {"[Ry/Pub]", ctl::field_edit(ctl::RY)},
};

const char* const kCurveNames[2] = {"GF(P)", "GF(2^M)"};
const char* const kBaseNames[4] = {"10", "16", "36", "60"};

void add_entry(std::string& out, std::string_view key, std::string_view value) {
    out.append(key);
    out.append("\r\n");
    out.append(value);
    out.append("\r\n");
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The value token of `key`, or false when the key is absent or no value follows.
bool find_token(std::string_view bytes, std::string_view key, std::string& token) {
    const size_t at = bytes.find(key);
    if (at == std::string_view::npos) return false;
    size_t i = at + key.size() + 2;  // the key's CR LF, whatever the two bytes are
    while (i < bytes.size() && is_blank(bytes[i])) ++i;
    size_t end = i;
    while (end < bytes.size() && !is_blank(bytes[end]) && bytes[end] != '\0' && end - i < kConfigTokenLimit) ++end;
    if (end == i) return false;
    token.assign(bytes.substr(i, end - i));
    return true;
}

// Position of a list token: the first of `n` names equal to it, else n; a token
// with a leading decimal number below n selects that position.
int list_position(const std::string& token, const char* const* names, int n) {
    int pos = n;
    for (int i = 0; i < n; ++i)
        if (token == names[i]) {
            pos = i;
            break;
        }
    if (!token.empty() && std::isdigit(static_cast<unsigned char>(token[0]))) {
        long v = 0;
        for (size_t i = 0; i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])); ++i) {
            v = v * 10 + (token[i] - '0');
            if (v >= n) break;  // only whether it is below n matters
        }
        if (v < n) pos = static_cast<int>(v);
    }
    return pos;
}

}  // namespace

std::string configuration_text(Workbench& wb) {
    Window& w = wb.window();
    std::string out;
    add_entry(out, "[CurveType]", wb.curve_type() == kCurveGF2m ? "GF(2^M)" : "GF(P)");
    add_entry(out, "[Base]", std::to_string(wb.display_base()));
    for (const Entry& e : kValueEntries) {
        std::string value = w.text(e.control);
        if (value.size() > kConfigValueLimit) value.resize(kConfigValueLimit);
        if (value.empty()) value = "0";
        add_entry(out, e.key, value);
    }
    return out;
}

int save_configuration(Workbench& wb, const std::string& path) {
    const int err = file_write(path, configuration_text(wb));
    if (err != 0) {
        wb.append_large_pane_line("Cannot save configuration \"" + path + "\": " + error_text(err));
        return 1;
    }
    return 0;
}

int load_configuration(Workbench& wb, const std::string& path) {
    std::string bytes;
    const int err = file_read_prefix(path, kConfigReadLimit, bytes);
    if (err != 0) {
        wb.append_large_pane_line("Cannot load configuration \"" + path + "\": " + error_text(err));
        return 1;
    }
    Window& w = wb.window();
    std::string token;
    if (find_token(bytes, "[CurveType]", token)) {
        const int pos = list_position(token, kCurveNames, 2);
        if (pos < 2) {
            w.list_select(ctl::curve_type, pos);
            wb.apply_curve_type(pos);
        }
    }
    if (find_token(bytes, "[Base]", token)) {
        const int pos = list_position(token, kBaseNames, 4);
        w.list_select(ctl::number_base, pos);
        wb.change_number_base(pos);
    }
    for (const Entry& e : kValueEntries)
        if (find_token(bytes, e.key, token)) w.set_text(e.control, token);
    return 0;
}

KORVATH_ACTIONS(register_configuration_actions) {
    static const std::vector<FileFilter> kFilters = {{"Txt(*.txt)", "*.txt"}, {"All Files", "*.*"}};
    registry.window_action(ctl::save_cfg, [](Workbench& wb) {
        if (auto path = wb.window().pick_save_file(kFilters)) save_configuration(wb, *path);
    });
    registry.window_action(ctl::load_cfg, [](Workbench& wb) {
        if (auto path = wb.window().pick_open_file(kFilters)) load_configuration(wb, *path);
    });
}
