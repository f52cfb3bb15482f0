#include "platform/window.h"

#include <cctype>
#include <cstdint>

std::optional<unsigned> Window::value(ControlId id) {
    const std::string t = text(id);
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    if (i == t.size() || !std::isdigit(static_cast<unsigned char>(t[i]))) return std::nullopt;
    uint64_t v = 0;
    for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) {
        v = v * 10 + static_cast<unsigned>(t[i] - '0');
        if (v > UINT32_MAX) return std::nullopt;
    }
    return static_cast<unsigned>(v);
}

void Window::set_value(ControlId id, unsigned v) { set_text(id, std::to_string(v)); }
