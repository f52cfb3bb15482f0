// Text rules of the number fields: the character filter of each display base,
// the byte reversal of "Rev." and the elapsed-time text of "Cost".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// The display bases, in list order.
constexpr int kDisplayBases[5] = {10, 16, 36, 60, 64};

/// True when `c` is a digit of display base `base` (10, 16, 36, 60 or 64).
bool base_allows(int base, char c);
/// Keeps an optional leading "-" and every later character allowed in `base`.
std::string filter_for_base(std::string_view text, int base);
/// Byte order reversed, two characters per byte taken from the end; an odd
/// length makes the last group "0" and the first character. Texts of at most two
/// characters come back unchanged.
std::string reverse_hex_bytes(std::string_view hex);
/// Elapsed time for "Cost": "%ih %im %is %ims", "%im %is %ims" or " %is %ims".
std::string format_elapsed(uint32_t ms);
