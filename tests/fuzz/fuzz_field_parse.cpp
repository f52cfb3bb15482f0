// The input parse of a number field, differential: the record a typed text
// leaves must equal a ten-line reference conversion of the filtered text
// (digits accumulated into a byte vector, most significant first).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/headless_window.h"
#include "workbench/codecs.h"
#include "workbench/number_text.h"
#include "workbench/workbench.h"

namespace {

int digit_value(char c, int base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return base <= 16 ? c - 'a' + 10 : c - 'a' + 36;
    return -1;
}

// Reference: |value| of the filtered text in base 10, 16, 36 or 60 as hex.
std::string reference_hex(const std::string& text, int base, int* sign) {
    std::vector<uint8_t> v;  // big-endian
    size_t i = 0;
    *sign = 1;
    if (!text.empty() && text[0] == '-') {
        *sign = -1;
        i = 1;
    }
    for (; i < text.size(); ++i) {
        int carry = digit_value(text[i], base);
        for (size_t k = v.size(); k-- > 0;) {
            const int t = v[k] * base + carry;
            v[k] = static_cast<uint8_t>(t & 0xFF);
            carry = t >> 8;
        }
        while (carry) {
            v.insert(v.begin(), static_cast<uint8_t>(carry & 0xFF));
            carry >>= 8;
        }
    }
    std::string hex = hex_encode(v);
    size_t z = 0;
    while (z < hex.size() && hex[z] == '0') ++z;
    hex = hex.substr(z);
    if (hex.empty()) *sign = 1;
    return hex.empty() ? "0" : hex;
}

struct World {
    HeadlessWindow win;
    Workbench wb;
    World() : wb(win, options()) { wb.start(); }
    static WorkbenchOptions options() {
        WorkbenchOptions o;
        o.background_threads = false;
        o.display_loop = false;
        o.seed_entropy = false;
        return o;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World();
    if (size < 1) return 0;
    const int base_index = data[0] % 4;  // 10, 16, 36, 60 (64 has its own codec tests)
    const int base = kDisplayBases[base_index];
    std::string typed(reinterpret_cast<const char*>(data + 1), size - 1);
    if (typed.size() > 200) typed.resize(200);  // inside the engine's precision in every base
    world->win.choose(ctl::number_base, base_index);
    world->win.type_text(ctl::field_edit(ctl::NP), typed);
    const std::string filtered = filter_for_base(typed.substr(0, 256), base);
    if (world->win.text(ctl::field_edit(ctl::NP)) != filtered) std::abort();
    int sign = 1;
    const std::string expected = reference_hex(filtered, base, &sign);
    const FieldRecord r = world->wb.fields().record(ctl::NP);
    std::string got = r.magnitude.empty() ? "0" : r.magnitude;
    if (got != expected || (expected != "0" && r.sign != sign)) {
        std::fprintf(stderr, "base %d text \"%s\": got %c%s, expected %c%s\n", base, filtered.c_str(),
                     r.sign < 0 ? '-' : '+', got.c_str(), sign < 0 ? '-' : '+', expected.c_str());
        std::abort();
    }
    return 0;
}
