#include "workbench/fields.h"

#include <vector>

#include "platform/window.h"
#include "workbench/codecs.h"
#include "workbench/number_text.h"

namespace {

// Room for any number of the workbench's precision in base 2 with sign and NUL.
constexpr size_t kTextRoom = 2304;

// Reads text in `base` through the engine's io_base conversion.
void text_to_big(const std::string& text, int base, big out) {
    engine_instance* e = engine_current();
    const int saved = e->io_base;
    e->io_base = base;
    cinstr(out, text.c_str());
    e->io_base = saved;
}

std::string big_to_text(const big_rec* value, int base) {
    engine_instance* e = engine_current();
    const int saved = e->io_base;
    e->io_base = base;
    std::vector<char> buf(kTextRoom, '\0');
    cotstr(value, buf.data());
    e->io_base = saved;
    return std::string(buf.data());
}

// A big that frees itself.
struct Temp {
    big x = big_alloc(0);
    ~Temp() { big_free(x); }
    Temp() = default;
    Temp(const Temp&) = delete;
    Temp& operator=(const Temp&) = delete;
};

}  // namespace

std::string big_to_hex_magnitude(const big_rec* value) {
    Temp abs;
    if (abs.x == nullptr) return "0";
    big_copy(value, abs.x);
    big_set_sign(1, abs.x);
    return big_to_text(abs.x, 16);
}

int hex_magnitude_bits(const std::string& hex) {
    size_t i = 0;
    while (i < hex.size() && hex[i] == '0') ++i;
    if (i == hex.size()) return 0;
    const char c = hex[i];
    const int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' ? c - 'a' + 10 : c - 'A' + 10);
    int top = 0;
    for (int v = d; v != 0; v >>= 1) ++top;
    return static_cast<int>((hex.size() - i - 1) * 4) + top;
}

void Fields::reset() {
    std::lock_guard<std::mutex> lock(m_lock);
    for (FieldRecord& r : m_records) r = FieldRecord{};
}

FieldRecord Fields::record(int index) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_records[static_cast<size_t>(index)];
}

void Fields::set_record(int index, const FieldRecord& r) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_records[static_cast<size_t>(index)] = r;
}

bool Fields::set_guard() {
    std::lock_guard<std::mutex> lock(m_lock);
    bool expected = false;
    return m_guard.compare_exchange_strong(expected, true);
}

void Fields::clear_guard() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_guard.store(false);
}

void Fields::read_field(int index, big out) {
    const FieldRecord r = record(index);
    text_to_big(r.magnitude, 16, out);
    if (r.sign < 0) big_negate(out, out);
}

void Fields::store_field(int index, const big_rec* value) {
    engine_checkpoint();  // a stopped worker writes nothing
    const std::string hex = big_to_hex_magnitude(value);
    const int sign = big_is_negative(value) ? -1 : 1;
    std::lock_guard<std::mutex> lock(m_lock);
    FieldRecord& r = m_records[static_cast<size_t>(index)];
    if (r.changed) r.magnitude.clear();
    r.sign = sign;
    r.magnitude = hex.substr(0, kMagnitudeMax);
    r.changed = true;
}

void Fields::redisplay_changed_fields() {
    engine_checkpoint();
    if (!set_guard()) return;
    const int base = display_base();
    for (int i = 0; i < ctl::kFieldCount; ++i) {
        bool changed;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            changed = m_records[static_cast<size_t>(i)].changed;
        }
        if (!changed) continue;
        show_field(i, base, base);
        std::lock_guard<std::mutex> lock(m_lock);
        m_records[static_cast<size_t>(i)].changed = false;
    }
    clear_guard();
}

void Fields::show_field(int index, int new_base, int old_base) {
    const FieldRecord r = record(index);
    std::string text;
    if (new_base == 64) {
        std::string m = r.magnitude;
        if (m.size() % 2 == 1) m.insert(m.begin(), '0');
        text = base64_encode(hex_decode(m));
        if (text.empty()) large_pane("HEX -> BASE64 ERROR! ");
    } else {
        Temp v;
        if (v.x != nullptr) {
            text_to_big(r.magnitude, 16, v.x);
            if (r.sign < 0) big_negate(v.x, v.x);
            text = big_to_text(v.x, new_base);
        }
    }
    m_window.set_text(ctl::field_edit(index), text);
    if (new_base != old_base) large_pane("BASE Changed OK.");
    set_counter(index, hex_magnitude_bits(r.magnitude));
}

void Fields::parse_input(int index) {
    if (guard_set()) return;
    const ControlId edit = ctl::field_edit(index);
    std::string text = m_window.text(edit);
    if (text.size() > kMagnitudeMax) text.resize(kMagnitudeMax);
    const int base = display_base();
    const std::string filtered = filter_for_base(text, base);
    if (filtered != text) m_window.set_text(edit, filtered);  // raises the same parse, nested

    int bits = 0;
    if (base == 64) {
        const Bytes bytes = (!filtered.empty() && filtered[0] == '-') ? Bytes{} : base64_decode(filtered);
        const std::string hex = hex_encode(bytes);
        std::lock_guard<std::mutex> lock(m_lock);
        FieldRecord& r = m_records[static_cast<size_t>(index)];
        if (hex.size() < kMagnitudeMax) {
            r.magnitude = hex;
            r.sign = 1;
            r.changed = true;
        }
        bits = hex_magnitude_bits(r.magnitude);
    } else {
        Temp v;
        if (v.x == nullptr) return;
        const int before = engine_error();
        text_to_big(filtered, base, v.x);
        if (engine_error() != 0 && before == 0) {
            // The text could not be read (too big for the engine's precision):
            // the record keeps its value and the field shows it again. The error
            // itself is reported by the action that typed or loaded the text.
            const int err = engine_error();
            engine_clear_error();
            if (set_guard()) {
                show_field(index, base, base);
                clear_guard();
            }
            engine_current()->error_number = err;
            return;
        }
        const std::string hex = big_to_hex_magnitude(v.x);
        std::lock_guard<std::mutex> lock(m_lock);
        FieldRecord& r = m_records[static_cast<size_t>(index)];
        r.sign = big_is_negative(v.x) ? -1 : 1;
        r.magnitude = hex.substr(0, kMagnitudeMax);
        r.changed = true;
        bits = hex_magnitude_bits(r.magnitude);
    }
    set_counter(index, bits);
}

bool Fields::change_base(int new_base, bool worker_running) {
    // The guard is held across the whole change, so that the fields' rewrites
    // raise no parse.
    const bool own_guard = set_guard();
    bool changed = false;
    const int old_base = display_base();
    if (new_base != old_base && !worker_running) {
        m_base.store(new_base);
        for (int i = 0; i < ctl::kFieldCount; ++i) show_field(i, new_base, old_base);
        changed = true;
    }
    if (own_guard) clear_guard();
    return changed;
}

void Fields::clear_field(int index) {
    m_window.set_text(ctl::field_edit(index), "");
    std::lock_guard<std::mutex> lock(m_lock);
    FieldRecord& r = m_records[static_cast<size_t>(index)];
    if (r.changed) {
        r.magnitude.clear();
        r.changed = false;
        r.sign = 1;
    }
}

void Fields::set_counter(int index, int bits) {
    m_window.set_text(ctl::field_counter(index), std::to_string(bits));
}

void Fields::large_pane(std::string_view text) { m_window.set_text(ctl::large_pane, text); }
