#include "tests/support/engine_fixture.h"

#include <cctype>
#include <stdexcept>

namespace testsupport {

void EngineTest::SetUp() {
    E = engine_open(2176, 2);
    ASSERT_NE(E, nullptr);
    E->error_control = true;
    E->io_base = 16;
    E->radix_point = true;
    set_io_buffer_size(560);
}

void EngineTest::TearDown() { engine_teardown(); }

Big::Big(const std::string& hex) : m_x(big_alloc(0)) { set_hex(m_x, hex); }

std::string Big::hex() const { return get_hex(m_x); }

void set_words(big x, const std::vector<uint32_t>& words, bool negative) {
    const engine_instance* e = engine_current();
    const size_t cap = static_cast<size_t>(e->precision_words);
    if (words.size() > cap) throw std::runtime_error("set_words: too many words");
    for (size_t i = 0; i < cap; ++i) x->w[i] = i < words.size() ? words[i] : 0;
    size_t n = words.size();
    while (n > 0 && words[n - 1] == 0) --n;
    x->len = static_cast<uint32_t>(n);
    if (n > 0 && negative) x->len |= kBigSign;
}

void set_hex(big x, const std::string& text) {
    bool neg = false;
    size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        neg = true;
        ++i;
    }
    std::vector<uint32_t> words;
    int nib = 0;
    for (size_t k = text.size(); k > i; --k) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[k - 1])));
        uint32_t v;
        if (c >= '0' && c <= '9') v = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F') v = static_cast<uint32_t>(c - 'A' + 10);
        else throw std::runtime_error("set_hex: bad digit in " + text);
        if (nib % 8 == 0) words.push_back(0);
        words.back() |= v << (4 * (nib % 8));
        ++nib;
    }
    set_words(x, words, neg);
}

std::string get_hex(const big_rec* x) {
    const int n = static_cast<int>(x->len & kBigLenMask);
    if (n == 0) return "0";
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (int i = n - 1; i >= 0; --i)
        for (int k = 7; k >= 0; --k) s.push_back(digits[(x->w[i] >> (4 * k)) & 15]);
    const auto first = s.find_first_not_of('0');
    s = first == std::string::npos ? "0" : s.substr(first);
    return (x->len & kBigSign) ? "-" + s : s;
}

::testing::AssertionResult is_canonical(const big_rec* x) {
    const engine_instance* e = engine_current();
    const int n = static_cast<int>(x->len & kBigLenMask);
    if ((x->len & kBigDenMask) != 0) return ::testing::AssertionFailure() << "has a denominator";
    if (n > e->precision_words) return ::testing::AssertionFailure() << "length " << n << " past capacity";
    if (n == 0 && (x->len & kBigSign)) return ::testing::AssertionFailure() << "negative zero";
    if (n > 0 && x->w[n - 1] == 0) return ::testing::AssertionFailure() << "top word is zero";
    for (int i = n; i < e->precision_words; ++i)
        if (x->w[i] != 0) return ::testing::AssertionFailure() << "word " << i << " above the length is non-zero";
    return ::testing::AssertionSuccess();
}

}  // namespace testsupport
