// Codecs and the text rules of the number fields.
#include <gtest/gtest.h>

#include <string>

#include "workbench/codecs.h"
#include "workbench/number_text.h"

namespace {

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string string_of(const Bytes& b) { return std::string(b.begin(), b.end()); }

// RFC 4648 section 10 test vectors, without the "=" fill this codec never writes.
TEST(Codecs, Base64Rfc4648Vectors) {
    const struct {
        const char* plain;
        const char* encoded;
    } cases[] = {{"", ""},           {"f", "Zg"},           {"fo", "Zm8"},        {"foo", "Zm9v"},
                 {"foob", "Zm9vYg"}, {"fooba", "Zm9vYmE"}, {"foobar", "Zm9vYmFy"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plain);
        EXPECT_EQ(base64_encode(bytes_of(c.plain)), c.encoded);
        EXPECT_EQ(string_of(base64_decode(c.encoded)), c.plain);
    }
}

TEST(Codecs, Base64DecodeStopsAtFirstForeignCharacter) {
    EXPECT_EQ(string_of(base64_decode("Zm9vYg==")), "foob");
    EXPECT_EQ(string_of(base64_decode("Zm9v=YmFy")), "foo");  // "=" ends the text
    EXPECT_EQ(string_of(base64_decode("Zm9vY")), "foo");      // a lone last character gives nothing
    EXPECT_EQ(base64_decode("/w"), (Bytes{0xFF}));
    EXPECT_EQ(base64_decode("-w"), Bytes{});
    EXPECT_EQ(base64_encode(Bytes{0xFB, 0xFF}), "+/8");
}

TEST(Codecs, HexEncodeAndDecode) {
    EXPECT_EQ(hex_encode(Bytes{0x00, 0xAB, 0x0F}), "00AB0F");
    EXPECT_EQ(hex_decode("00ab0F"), (Bytes{0x00, 0xAB, 0x0F}));
    EXPECT_EQ(hex_decode("ABC"), (Bytes{0x0A, 0xBC}));      // odd: first digit alone
    EXPECT_EQ(hex_decode("12G4"), (Bytes{0x12}));           // stops before the bad pair
    EXPECT_EQ(hex_decode("G12"), Bytes{});                  // bad single first digit
    EXPECT_EQ(hex_decode("1G2"), (Bytes{0x01}));
    EXPECT_EQ(hex_decode(""), Bytes{});
}

TEST(NumberText, FilterOfEveryBase) {
    const struct {
        int base;
        const char* typed;
        const char* kept;
    } cases[] = {
        {10, "12xz", "12"},         {10, "-1-2", "-12"},       {10, " 7", "7"},
        {16, "fFgG9-", "fF9"},      {36, "AzZ9a", "AZ9"},      {60, "axyzX", "axX"},
        {64, "/w==", "/w"},         {64, "-a+b/=", "-a+b/"},   {64, "a b\tc", "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.base) + " " + c.typed);
        EXPECT_EQ(filter_for_base(c.typed, c.base), c.kept);
    }
}

TEST(NumberText, ReverseHexBytes) {
    EXPECT_EQ(reverse_hex_bytes("0102030"), "30201000");
    EXPECT_EQ(reverse_hex_bytes("ABCDE"), "DEBC0A");
    EXPECT_EQ(reverse_hex_bytes("AB"), "AB");
    EXPECT_EQ(reverse_hex_bytes("A"), "A");
    EXPECT_EQ(reverse_hex_bytes(""), "");
    EXPECT_EQ(reverse_hex_bytes("11223344"), "44332211");
}

TEST(NumberText, FormatElapsed) {
    const struct {
        uint32_t ms;
        const char* text;
    } cases[] = {
        {0, " 0s 0ms"},
        {59999, " 59s 999ms"},
        {60000, "1m 0s 0ms"},
        {3599999, "59m 59s 999ms"},
        {3600000, "1h 0m 0s 0ms"},
        {4294967295u, "1193h 2m 47s 295ms"},
    };
    for (const auto& c : cases) EXPECT_EQ(format_elapsed(c.ms), c.text) << c.ms;
}

}  // namespace
