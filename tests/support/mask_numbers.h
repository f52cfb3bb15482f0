// Report texts with their measured figures masked, for layout comparisons.
#pragma once

#include <cctype>
#include <string>

namespace testsupport {

/// The text with every number (digits, with a minus sign after ":", "/" or ",")
/// replaced by "#".
inline std::string mask_numbers(const std::string& s) {
    auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(s[i])) != 0; };
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const bool minus = s[i] == '-' && i > 0 && (s[i - 1] == ':' || s[i - 1] == '/' || s[i - 1] == ',') &&
                           i + 1 < s.size() && digit(i + 1);
        if (digit(i) || minus) {
            out += '#';
            ++i;
            while (i < s.size() && digit(i)) ++i;
        } else {
            out += s[i++];
        }
    }
    return out;
}

}  // namespace testsupport
