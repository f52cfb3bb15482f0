// Text codecs of the window and the signature dialog.
//
// Base64 uses the standard alphabet A-Z a-z 0-9 + / and writes no "=" fill: a
// final one or two bytes give two or three characters. Decoding stops at the
// first character outside the alphabet ("=" included); a final group of two or
// three valid characters gives one or two bytes (a single one gives none).
//
// Hex output is upper case, two characters per byte. Hex input of odd length
// makes its first character a byte by itself; then pairs (either case) follow
// until the first pair that is not two hex digits. An invalid single first
// character gives no bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<uint8_t>;

std::string base64_encode(const Bytes& bytes);
Bytes base64_decode(std::string_view text);
std::string hex_encode(const Bytes& bytes);
Bytes hex_decode(std::string_view text);

/// The value of a Base64 character, or -1 outside the alphabet.
int base64_value(char c);
