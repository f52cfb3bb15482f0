#include "workbench/number_text.h"

#include <cstdio>

bool base_allows(int base, char c) {
    const bool digit = c >= '0' && c <= '9';
    const bool upper = c >= 'A' && c <= 'Z';
    const bool lower = c >= 'a' && c <= 'z';
    switch (base) {
        case 10: return digit;
        case 16: return digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        case 36: return digit || upper;
        case 60: return digit || upper || (c >= 'a' && c <= 'x');
        case 64: return digit || upper || lower || c == '+' || c == '/';
        default: return false;
    }
}

std::string filter_for_base(std::string_view text, int base) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((i == 0 && c == '-') || base_allows(base, c)) out += c;
    }
    return out;
}

std::string reverse_hex_bytes(std::string_view t) {
    const size_t n = t.size();
    if (n <= 2) return std::string(t);
    std::string out;
    out.reserve(n + 1);
    size_t end = n;
    while (end >= 2) {
        out.append(t.substr(end - 2, 2));
        end -= 2;
    }
    if (end == 1) {
        out += '0';
        out += t[0];
    }
    return out;
}

std::string format_elapsed(uint32_t ms) {
    const uint32_t h = ms / 3600000u;
    const uint32_t m = (ms / 60000u) % 60u;
    const uint32_t s = (ms / 1000u) % 60u;
    const uint32_t r = ms % 1000u;
    char buf[64];
    if (h != 0)
        std::snprintf(buf, sizeof buf, "%uh %um %us %ums", h, m, s, r);
    else if (m != 0)
        std::snprintf(buf, sizeof buf, "%um %us %ums", m, s, r);
    else
        std::snprintf(buf, sizeof buf, " %us %ums", s, r);
    return buf;
}
