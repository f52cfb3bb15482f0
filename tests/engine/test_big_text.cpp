// Text and byte conversion: reference texts made with Python integers
// (tests/vectors/gen/gen_big.py) through instr/otstr (apparent base) and
// cinstr/cotstr (io_base); hand-checked parsing cases; buffer bounds; and
// garbage input that must never crash or write past a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/big.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

std::vector<uint8_t> from_hex(const std::string& h) {
    std::vector<uint8_t> out;
    if (h == "-") return out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoul(h.substr(i, 2), nullptr, 16)));
    return out;
}

std::string to_hex(const uint8_t* p, size_t n) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s.push_back(d[p[i] >> 4]);
        s.push_back(d[p[i] & 15]);
    }
    return s;
}

// Numerator and denominator of a fraction, read from the words directly.
std::string fraction_part(const big_rec* x, bool denominator) {
    const int nn = static_cast<int>(x->len & kBigLenMask);
    const int dn = static_cast<int>((x->len & kBigDenMask) >> 16);
    std::vector<uint32_t> w(x->w + (denominator ? nn : 0), x->w + (denominator ? nn + dn : nn));
    if (denominator && dn == 0) w = {1};
    std::string s;
    static const char* d = "0123456789ABCDEF";
    for (size_t i = w.size(); i-- > 0;)
        for (int k = 7; k >= 0; --k) s.push_back(d[(w[i] >> (4 * k)) & 15]);
    const auto first = s.find_first_not_of('0');
    s = first == std::string::npos ? "0" : s.substr(first);
    return (!denominator && (x->len & kBigSign)) ? "-" + s : s;
}

class BigText : public EngineTest {
   protected:
    char buf[4096];
    void set_base(uint32_t b) {
        E->apparent_base = b;
        E->io_base = static_cast<int>(b);
    }
};

TEST_F(BigText, ReferenceTextsInEveryBaseBothWays) {
    int seen = 0;
    for (const auto& c : load_vectors("engine/big_text.txt")) {
        if (c.section != "text") continue;
        ++seen;
        SCOPED_TRACE(c.where);
        const uint32_t b = static_cast<uint32_t>(std::stoul(c.get("Base")));
        set_base(b);
        const std::string value = c.get("Value");
        std::string text;
        if (c.has("Text")) {
            text = c.get("Text");
        } else {
            auto bytes = from_hex(c.get("Bytes"));
            text.assign(bytes.begin(), bytes.end());
        }
        // Output, apparent base and io_base, into a caller's buffer.
        Big x(value);
        std::memset(buf, 'Z', sizeof buf);
        EXPECT_EQ(otstr(x, buf), static_cast<int>(text.size()));
        EXPECT_EQ(std::string(buf, text.size()), text);
        EXPECT_EQ(buf[text.size()], '\0');
        EXPECT_EQ(cotstr(x, buf), static_cast<int>(text.size()));
        EXPECT_EQ(std::string(buf, text.size()), text);
        // Into the engine's own buffer (560 bytes): fits below 555 characters.
        const int n = cotstr(x, E->io_buffer);
        if (text.size() < 555) {
            EXPECT_EQ(n, static_cast<int>(text.size()));
            EXPECT_EQ(std::string(E->io_buffer), text.substr(0, text.find('\0')));
        } else {
            EXPECT_EQ(n, 0);
            EXPECT_EQ(engine_error(), 17);
            engine_clear_error();
        }
        // Input: the raw-byte bases carry zero bytes, so give the length.
        Big y("7"), z("7");
        E->input_length = b > 64 ? static_cast<int>(text.size()) : 0;
        EXPECT_EQ(instr(y, text.c_str()), static_cast<int>(text.size()));
        EXPECT_EQ(y.hex(), value);
        EXPECT_TRUE(is_canonical(y));
        EXPECT_EQ(E->input_length, 0);
        E->input_length = b > 64 ? static_cast<int>(text.size()) : 0;
        EXPECT_EQ(cinstr(z, text.c_str()), static_cast<int>(text.size()));
        EXPECT_EQ(z.hex(), value);
        EXPECT_EQ(engine_error(), 0);
        engine_clear_error();
    }
    EXPECT_GT(seen, 100);
}

TEST_F(BigText, OneBitPastThePrecisionIsError3) {
    for (const auto& c : load_vectors("engine/big_text.txt")) {
        if (c.section != "too_long") continue;
        SCOPED_TRACE(c.where);
        set_base(static_cast<uint32_t>(std::stoul(c.get("Base"))));
        Big x("ABC");
        EXPECT_EQ(cinstr(x, c.get("Text").c_str()), 0);
        EXPECT_EQ(engine_error(), 3);
        EXPECT_EQ(x.hex(), "ABC");  // untouched
        engine_clear_error();
        EXPECT_EQ(instr(x, c.get("Text").c_str()), 0);
        EXPECT_EQ(engine_error(), 3);
        engine_clear_error();
    }
}

TEST_F(BigText, FractionsReadReducedAndPrintBothWays) {
    for (const auto& c : load_vectors("engine/big_text.txt")) {
        if (c.section != "fraction") continue;
        SCOPED_TRACE(c.where);
        set_base(static_cast<uint32_t>(std::stoul(c.get("Base"))));
        Big x;
        EXPECT_GT(instr(x, c.get("Text").c_str()), 0);
        ASSERT_EQ(engine_error(), 0);
        EXPECT_EQ(fraction_part(x, false), c.get("Num"));
        EXPECT_EQ(fraction_part(x, true), c.get("Den"));
        E->radix_point = false;
        otstr(x, buf);
        EXPECT_EQ(std::string(buf), c.get("Plain"));
        E->radix_point = true;
        otstr(x, buf);
        EXPECT_EQ(std::string(buf), c.get("Radix"));
        if (big_is_fraction(x)) {  // integer routines refuse fractions
            Big y;
            add(x, x, y);
            EXPECT_EQ(engine_error(), 12);
            engine_clear_error();
        }
    }
}

TEST_F(BigText, CbaseAndBytesMatchPython) {
    for (const auto& c : load_vectors("engine/big_text.txt")) {
        SCOPED_TRACE(c.where);
        if (c.section == "cbase") {
            std::vector<uint32_t> words;
            const std::string list = c.get("Words");
            for (size_t p = 0; p < list.size();) {
                size_t q = list.find(',', p);
                if (q == std::string::npos) q = list.size();
                words.push_back(static_cast<uint32_t>(std::stoul(list.substr(p, q - p), nullptr, 16)));
                p = q + 1;
            }
            Big x, y("5");
            set_words(x, words);
            cbase(x, static_cast<uint32_t>(std::stoul(c.get("OldBase"))), y);
            if (c.has("Error")) {
                EXPECT_EQ(engine_error(), 3);
                EXPECT_EQ(y.hex(), "5");
                engine_clear_error();
            } else {
                EXPECT_EQ(y.hex(), c.get("R"));
                EXPECT_TRUE(is_canonical(y));
                cbase(x, static_cast<uint32_t>(std::stoul(c.get("OldBase"))), x);
                EXPECT_EQ(x.hex(), c.get("R"));
            }
        } else if (c.section == "bytes") {
            const auto bytes = from_hex(c.get("Bytes"));
            Big x("5");
            bytes_to_big(static_cast<int>(bytes.size()), bytes.data(), x);
            if (c.has("Error")) {
                EXPECT_EQ(engine_error(), 3);
                EXPECT_EQ(x.hex(), "5");
                engine_clear_error();
                continue;
            }
            EXPECT_EQ(x.hex(), c.get("Value"));
            EXPECT_TRUE(is_canonical(x));
            // Back out: the same bytes without the leading zeros.
            size_t lead = 0;
            while (lead < bytes.size() && bytes[lead] == 0) ++lead;
            uint8_t out[300];
            const int n = big_to_bytes(0, x, out, false);
            EXPECT_EQ(n, static_cast<int>(bytes.size() - lead));
            EXPECT_EQ(to_hex(out, static_cast<size_t>(n)), to_hex(bytes.data() + lead, bytes.size() - lead));
        }
    }
}

// Hand-checked parsing rules of the character bases and base 64.
TEST_F(BigText, ParsingRules) {
    const struct {
        uint32_t base;
        const char* text;
        const char* hex;  // nullptr: error 5 expected
        int count;
    } cases[] = {
        {16, "ff", "FF", 2},         {16, "FF", "FF", 2},       {16, "fF", "FF", 2},
        {36, "Z", "23", 1},          {36, "z", nullptr, 0},     {62, "a", "24", 1},
        {62, "z", "3D", 1},          {60, "x", "3B", 1},        {60, "y", nullptr, 0},
        {10, "  -12", "-C", 5},      {10, "12 ", nullptr, 0},   {10, "", "0", 0},
        {10, "-", "0", 1},           {10, "-+5", "-5", 3},      {10, "+5", "5", 2},
        {10, "+-5", nullptr, 0},     {10, "12\n34", "C", 2},    {10, "12/", "C", 3},
        {10, "1.2.3", nullptr, 0},   {10, "1//2", nullptr, 0},  {10, "--1", nullptr, 0},
        {10, "12a", nullptr, 0},     {2, "102", nullptr, 0},    {10, "\t7", "7", 2},
        {10, "-0", "0", 2},          {10, "1\xC3\xA9", nullptr, 0},
        {64, "/w==", "FF0", 4},       {64, "A B=C", "42", 5},    {64, "-A", nullptr, 0},
        {64, "AAB", "1", 3},         {64, "\n/w\r\n", "FF0", 5}, {64, "", "0", 0},
        {100, "\x01\x02", "66", 2},  {100, "e", nullptr, 0},    {256, "\x01\xFF", "1FF", 2},
        {256, "\n", "A", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("base ") + std::to_string(c.base) + " text '" + c.text + "'");
        E->apparent_base = c.base;
        Big x("77");
        const int n = instr(x, c.text);
        if (c.hex == nullptr) {
            EXPECT_EQ(engine_error(), 5);
            EXPECT_EQ(n, 0);
            engine_clear_error();
        } else {
            EXPECT_EQ(engine_error(), 0);
            EXPECT_EQ(x.hex(), c.hex);
            EXPECT_EQ(n, c.count);
            EXPECT_TRUE(is_canonical(x));
        }
    }
    // input_length reads exactly that many characters, then resets.
    E->apparent_base = 10;
    Big x;
    E->input_length = 3;
    EXPECT_EQ(instr(x, "12345"), 3);
    EXPECT_EQ(x.hex(), "7B");
    EXPECT_EQ(E->input_length, 0);
    // A zero denominator is refused.
    instr(x, "1/0");
    EXPECT_EQ(engine_error(), 7);
}

TEST_F(BigText, OutputRules) {
    Big zero(0), neg("-FF"), v255("FF");
    for (uint32_t b = 2; b <= 62; ++b) {
        E->apparent_base = b;
        EXPECT_EQ(otstr(zero, buf), 1);
        EXPECT_STREQ(buf, "0") << b;
    }
    E->apparent_base = 64;
    EXPECT_EQ(otstr(v255, buf), 3);
    EXPECT_STREQ(buf, "D/=");  // 255 = 3*64 + 63, filled to a multiple of 3
    EXPECT_EQ(otstr(neg, buf), 3);
    EXPECT_STREQ(buf, "D/=");  // no sign in base 64
    Big b64("40000");          // 64^3: four digits, filled with two "="
    EXPECT_EQ(otstr(b64, buf), 6);
    EXPECT_STREQ(buf, "BAAA==");
    EXPECT_EQ(otstr(zero, buf), 3);  // digit 0 and fill: reads back as zero
    EXPECT_STREQ(buf, "A==");
    E->apparent_base = 256;
    EXPECT_EQ(otstr(zero, buf), 1);  // a single zero byte
    EXPECT_EQ(buf[0], '\0');
    E->apparent_base = 16;
    EXPECT_EQ(otstr(neg, buf), 3);
    EXPECT_STREQ(buf, "-FF");
    E->apparent_base = 36;
    Big v("5F5E0FF");  // 99999999 = "1NJCHR" in base 36
    otstr(v, buf);
    EXPECT_STREQ(buf, "1NJCHR");

    // Fractions have no form in the alphabet and raw-byte bases.
    E->apparent_base = 10;
    Big half;
    instr(half, "1/2");
    E->apparent_base = 64;
    EXPECT_EQ(otstr(half, buf), 0);
    EXPECT_EQ(engine_error(), 12);
}

TEST_F(BigText, BaseAndInstanceErrors) {
    Big x("12");
    for (uint32_t b : {0u, 1u, 257u, 65536u}) {
        E->apparent_base = b;
        EXPECT_EQ(instr(x, "1"), 0);
        EXPECT_EQ(engine_error(), 1) << b;
        engine_clear_error();
        EXPECT_EQ(otstr(x, buf), 0);
        EXPECT_EQ(engine_error(), 1) << b;
        engine_clear_error();
    }
    E->io_base = -16;
    EXPECT_EQ(cinstr(x, "1"), 0);
    EXPECT_EQ(engine_error(), 1);
    engine_clear_error();
    E->io_base = 16;
    E->active = false;
    EXPECT_EQ(cinstr(x, "1"), 0);
    EXPECT_EQ(engine_error(), 18);
    E->active = true;
}

TEST_F(BigText, EngineBufferBounds) {
    // Output: error 17 as soon as 555 characters would be written into the
    // 560-byte buffer; 554 fit.
    E->apparent_base = 2;
    Big x;
    expb2(553, x);  // 554 binary digits
    EXPECT_EQ(otstr(x, E->io_buffer), 554);
    expb2(554, x);  // 555
    EXPECT_EQ(otstr(x, E->io_buffer), 0);
    EXPECT_EQ(engine_error(), 17);
    engine_clear_error();
    // A 2,048-bit number in base 10 (617 digits) does not fit; every number of
    // the precision fits in base 16.
    E->io_base = 10;
    expb2(2047, x);
    EXPECT_EQ(cotstr(x, E->io_buffer), 0);
    EXPECT_EQ(engine_error(), 17);
    engine_clear_error();
    E->io_base = 16;
    set_hex(x, "-" + std::string(552, 'F'));
    EXPECT_EQ(cotstr(x, E->io_buffer), 553);
    // Writing at an offset inside the buffer has less room.
    EXPECT_EQ(cotstr(x, E->io_buffer + 100), 0);
    EXPECT_EQ(engine_error(), 17);
    engine_clear_error();

    // Input from the engine's buffer never reads past its end.
    std::memset(E->io_buffer, '1', static_cast<size_t>(E->io_buffer_size) + 1);
    E->apparent_base = 2;
    EXPECT_EQ(instr(x, E->io_buffer), 0);
    EXPECT_EQ(engine_error(), 17);
    engine_clear_error();
    E->input_length = E->io_buffer_size + 1;
    EXPECT_EQ(instr(x, E->io_buffer), 0);
    EXPECT_EQ(engine_error(), 17);
    engine_clear_error();
    E->input_length = 10;
    EXPECT_EQ(instr(x, E->io_buffer), 10);
    EXPECT_EQ(x.hex(), "3FF");
}

TEST_F(BigText, DigitAccessInTheApparentBase) {
    Big x;
    E->apparent_base = 10;
    big_from_int(12345, x);
    EXPECT_EQ(big_num_digits(x), 5);
    EXPECT_EQ(big_get_digit(x, 1), 5);
    EXPECT_EQ(big_get_digit(x, 5), 1);
    EXPECT_EQ(big_get_digit(x, 6), 0);
    putdig(9, x, 3);
    EXPECT_EQ(big_int_size(x), 12945);
    putdig(7, x, 8);
    EXPECT_EQ(big_int_size(x), 70012945);
    putdig(0, x, 8);
    EXPECT_EQ(big_int_size(x), 12945);
    EXPECT_TRUE(is_canonical(x));

    E->apparent_base = 16;
    set_hex(x, "-ABCDEF0123");
    EXPECT_EQ(big_num_digits(x), 10);
    EXPECT_EQ(big_get_digit(x, 3), 1);
    EXPECT_EQ(big_get_digit(x, 10), 10);
    putdig(5, x, 12);
    EXPECT_EQ(x.hex(), "-50ABCDEF0123");
    putdig(0, x, 12);
    EXPECT_EQ(x.hex(), "-ABCDEF0123");

    E->apparent_base = 2;
    big_zero(x);
    putdig(1, x, 2208);  // the top bit of the capacity
    EXPECT_EQ(logb2(x), 2208);
    putdig(1, x, 2209);
    EXPECT_EQ(engine_error(), 3);
    engine_clear_error();
    EXPECT_EQ(logb2(x), 2208);
    putdig(2, x, 1);
    EXPECT_EQ(engine_error(), 7);
}

TEST_F(BigText, BytesEdgeCases) {
    Big x;
    const uint8_t b256[] = {0, 0, 1, 0};
    bytes_to_big(4, b256, x);
    EXPECT_EQ(x.hex(), "100");
    bytes_to_big(0, nullptr, x);
    EXPECT_EQ(x.hex(), "0");

    uint8_t out[64];
    std::memset(out, 0xAA, sizeof out);
    Big one(1);
    EXPECT_EQ(big_to_bytes(32, one, out, true), 32);
    for (int i = 0; i < 31; ++i) EXPECT_EQ(out[i], 0) << i;
    EXPECT_EQ(out[31], 1);
    EXPECT_EQ(out[32], 0xAA);

    std::memset(out, 0xAA, sizeof out);
    Big zero(0);
    EXPECT_EQ(big_to_bytes(32, zero, out, true), 0);
    EXPECT_EQ(out[0], 0xAA);  // nothing written
    EXPECT_EQ(big_to_bytes(0, one, out, true), 0);

    // Too long: error 3 with checking on; with it off the low words are kept
    // and nothing is written past the number's block.
    for (size_t len : {277u, 280u, 288u, 289u, 10000u}) {
        std::vector<uint8_t> many(len, 0xFF);
        many.back() = 0x42;
        bytes_to_big(static_cast<int>(len), many.data(), x);
        EXPECT_EQ(engine_error(), 3) << len;
        engine_clear_error();
        E->overflow_check = false;
        bytes_to_big(static_cast<int>(len), many.data(), x);
        EXPECT_EQ(engine_error(), 0) << len;
        EXPECT_EQ(x.get()->w[0] & 0xFF, 0x42u);
        E->overflow_check = true;
    }

    Big v("-10203");  // sign ignored
    EXPECT_EQ(big_to_bytes(0, v, out, false), 3);
    EXPECT_EQ(to_hex(out, 3), "010203");
    EXPECT_EQ(big_to_bytes(3, v, out, false), 3);
    EXPECT_EQ(big_to_bytes(2, v, out, false), 0);
    EXPECT_EQ(engine_error(), 14);
}

// Any text, in any base, with checking on or off: no crash, no write past a
// buffer (the sanitizer run checks that), and a canonical result or an error.
TEST_F(BigText, GarbageInputNeverCrashes) {
    TestRng rng = TestRng::for_test(7);
    SCOPED_TRACE(test_seed_note());
    std::string text;
    const int iters = test_iters(400);
    for (int it = 0; it < iters; ++it) {
        const uint32_t base = 2 + static_cast<uint32_t>(rng.below(255));
        const size_t len = rng.coin() ? rng.below(40) : rng.below(10001);
        const int style = static_cast<int>(rng.below(3));
        text.assign(len, '0');
        for (auto& ch : text) {
            if (style == 0)
                ch = static_cast<char>(1 + rng.below(255));  // any byte
            else if (style == 1)
                ch = "0123456789abcdefXYZ+-/. =\n"[rng.below(27)];
            else
                ch = static_cast<char>('0' + rng.below(base < 10 ? base : 10));  // valid digits
        }
        E->apparent_base = base;
        E->io_base = static_cast<int>(base);
        E->overflow_check = rng.coin();
        if (rng.below(4) == 0) E->input_length = static_cast<int>(rng.below(len + 1));
        Big x("5");
        if (rng.coin())
            instr(x, text.c_str());
        else
            cinstr(x, text.c_str());
        if (engine_error() == 0 && !big_is_fraction(x)) {
            EXPECT_LE(big_len(x), E->precision_words + 3);  // the block of a big
            if (E->overflow_check) {
                EXPECT_TRUE(is_canonical(x));
            }
        }
        engine_clear_error();
        E->overflow_check = true;
        E->input_length = 0;
        if (big_is_fraction(x) || big_len(x) <= E->precision_words) otstr(x, buf);
        engine_clear_error();
    }
}

TEST_F(BigText, LongValidNumbersFailCleanly) {
    E->io_base = 10;
    const std::string digits(10000, '9');
    Big x("1");
    EXPECT_EQ(cinstr(x, digits.c_str()), 0);
    EXPECT_EQ(engine_error(), 3);
    EXPECT_EQ(x.hex(), "1");
    engine_clear_error();
    E->io_base = 2;
    EXPECT_EQ(cinstr(x, ("1" + std::string(2207, '0')).c_str()), 2208);  // 2^2207
    EXPECT_EQ(logb2(x), 2208);
    EXPECT_EQ(cinstr(x, ("1" + std::string(2208, '0')).c_str()), 0);  // 2^2208
    EXPECT_EQ(engine_error(), 3);
    engine_clear_error();
    // A fraction whose parts do not fit together: "Flash overflow".
    E->io_base = 16;
    const std::string frac = std::string(300, 'F') + "/1" + std::string(299, '0');
    EXPECT_EQ(cinstr(x, frac.c_str()), 0);
    EXPECT_EQ(engine_error(), 13);
}

}  // namespace
