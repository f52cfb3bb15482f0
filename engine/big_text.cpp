// Text conversion: instr/otstr in the apparent base, cinstr/cotstr in io_base.
//
// The internal word base is always 2^32; the text base (2..256) is only the
// digit base of the text. Power-of-two bases convert by regrouping bits. Other
// bases work in chunks of k digits, where b^k is the largest power of b that
// fits a word (10^9 for base 10): input by Horner steps w = w*b^k + chunk,
// output by repeated division by b^k.
//
// Input never writes past a buffer: digits are accumulated into a scratch array
// of the block size, a value that needs more words is flagged (error 3, or the
// low words with overflow checking off), whatever the length of the text.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"

using engine_detail::big_set_words;
using engine_detail::divmod_words;
using engine_detail::fraction_pack;
using engine_detail::words_mul_add;

namespace {

// Bases up to kCharBaseMax are written with these digits, a sign and the
// fraction forms; base 64 with its alphabet; other bases as raw bytes. Bases 61
// and 62 use the character digits too ("y" = 60, "z" = 61), so that every
// character base reads back what it writes.
constexpr uint32_t kCharBaseMax = 62;
constexpr char kDigits62[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kNotDigit = -1;
constexpr int kSkipped = -2;  // base 64: "=" and characters below "!"

bool base_is_pow2(uint32_t b) { return (b & (b - 1)) == 0; }
int base_log2(uint32_t b) { return 31 - __builtin_clz(b); }

// k digits per chunk and bk = b^k, the largest power of b that fits a word.
void base_chunk(uint32_t b, int* k, uint32_t* bk) {
    uint64_t p = b;
    int n = 1;
    while (p * b <= 0xFFFFFFFFull) {
        p *= b;
        ++n;
    }
    *k = n;
    *bk = static_cast<uint32_t>(p);
}

// Value of character c as a digit of base b (2..256), kNotDigit or kSkipped.
int char_digit(unsigned char c, uint32_t b) {
    if (b <= kCharBaseMax) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'A' && c <= 'Z')
            v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'z')
            v = b > 16 ? c - 'a' + 36 : c - 'a' + 10;
        else
            return kNotDigit;
        return v < static_cast<int>(b) ? v : kNotDigit;
    }
    if (b == 64) {
        if (c == '=' || c < '!') return kSkipped;
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return kNotDigit;
    }
    return c < b ? c : kNotDigit;
}

// w[0..cap-1] = the number written by the digit characters of s[0..n-1] (most
// significant first) in base b; characters that are not digits are passed over
// (the caller has validated the text). Returns the normalised count; *overflow
// is set when the value needs more than cap words (w then holds it mod 2^(32 cap)).
int digits_to_words(const unsigned char* s, size_t n, uint32_t b, uint32_t* w, int cap,
                    bool* overflow) {
    std::memset(w, 0, sizeof(uint32_t) * static_cast<size_t>(cap));
    if (base_is_pow2(b)) {
        const int k = base_log2(b);
        uint64_t acc = 0;
        int acc_bits = 0, wi = 0;
        auto emit = [&](uint32_t word) {
            if (wi < cap)
                w[wi] = word;
            else if (word != 0)
                *overflow = true;
            ++wi;
        };
        for (size_t i = n; i-- > 0;) {
            const int v = char_digit(s[i], b);
            if (v < 0) continue;
            acc |= static_cast<uint64_t>(v) << acc_bits;
            acc_bits += k;
            if (acc_bits >= 32) {
                emit(static_cast<uint32_t>(acc));
                acc >>= 32;
                acc_bits -= 32;
            }
        }
        if (acc_bits > 0) emit(static_cast<uint32_t>(acc));
        return mp_norm_len_raw(w, cap);
    }
    int k;
    uint32_t bk;
    base_chunk(b, &k, &bk);
    int len = 0, count = 0;
    uint32_t chunk = 0, scale = 1;
    for (size_t i = 0; i < n; ++i) {
        const int v = char_digit(s[i], b);
        if (v < 0) continue;
        chunk = chunk * b + static_cast<uint32_t>(v);
        scale *= b;
        if (++count == k) {
            words_mul_add(w, &len, cap, scale, chunk, overflow);
            chunk = 0;
            scale = 1;
            count = 0;
        }
    }
    if (count > 0) words_mul_add(w, &len, cap, scale, chunk, overflow);
    return mp_norm_len_raw(w, cap);
}

// Writes the digit values of a[0..an-1] in base b, least significant first,
// into out; returns their count (0 for zero). a is consumed.
int words_to_digits(uint32_t* a, int an, uint32_t b, uint8_t* out) {
    an = mp_norm_len_raw(a, an);
    if (an == 0) return 0;
    int n = 0;
    if (base_is_pow2(b)) {
        const int k = base_log2(b);
        const int bits = mp_bits_raw(a, an);
        const uint32_t mask = (1u << k) - 1;
        for (int pos = 0; pos < bits; pos += k) {
            uint64_t pair = a[pos / 32];
            if (pos / 32 + 1 < an) pair |= static_cast<uint64_t>(a[pos / 32 + 1]) << 32;
            out[n++] = static_cast<uint8_t>((pair >> (pos % 32)) & mask);
        }
        return n;
    }
    int k;
    uint32_t bk;
    base_chunk(b, &k, &bk);
    while (an > 0) {
        uint32_t r = mp_divmod1_raw(a, a, an, bk);
        an = mp_norm_len_raw(a, an);
        for (int j = 0; j < k && (an > 0 || r != 0); ++j) {
            out[n++] = static_cast<uint8_t>(r % b);
            r /= b;
        }
    }
    return n;
}

char digit_char(uint32_t d, uint32_t b) {
    if (b <= kCharBaseMax) return kDigits62[d];
    if (b == 64) return kBase64[d];
    return static_cast<char>(static_cast<unsigned char>(d));
}

// Appends the digits of the magnitude a[0..an-1] to out, most significant first;
// returns the count. Zero writes nothing.
size_t put_number(engine_instance* e, const uint32_t* a, int an, uint32_t b, char* out) {
    ScratchFrame f(e);
    uint32_t* copy = f.words(static_cast<size_t>(an) + 1);
    std::memcpy(copy, a, sizeof(uint32_t) * static_cast<size_t>(an));
    auto* digits = reinterpret_cast<uint8_t*>(f.words(8 * static_cast<size_t>(an) + 1));
    const int n = words_to_digits(copy, an, b, digits);
    for (int i = 0; i < n; ++i) out[i] = digit_char(digits[n - 1 - i], b);
    return static_cast<size_t>(n);
}

// Digits of base b that 32 * precision_words bits hold: the length to which a
// radix-point expansion is carried.
int radix_digit_limit(const engine_instance* e, uint32_t b) {
    return static_cast<int>(32.0 * e->precision_words / std::log2(static_cast<double>(b)));
}

// Appends num/den (magnitudes, den >= 2) as an integer part, "." and the
// fraction digits, truncated so that at most radix_digit_limit - 1 digits are
// written in all. Returns the count of characters.
size_t put_radix(engine_instance* e, const uint32_t* num, int nn, const uint32_t* den, int dn,
                 uint32_t b, char* out) {
    ScratchFrame f(e);
    uint32_t* q = f.words(static_cast<size_t>(nn) + 1);
    uint32_t* r = f.words(static_cast<size_t>(dn) + 2);
    uint32_t* r2 = f.words(static_cast<size_t>(dn) + 2);
    uint32_t* digit = f.words(static_cast<size_t>(dn) + 3);
    int qn = 0, rn = 0;
    divmod_words(e, num, nn, den, dn, q, &qn, r, &rn);
    size_t n = put_number(e, q, qn, b, out);
    if (n == 0) out[n++] = '0';
    if (rn == 0) return n;
    out[n++] = '.';
    int left = radix_digit_limit(e, b) - 1 - static_cast<int>(n - 1);
    while (rn > 0 && left-- > 0) {
        // r < den, so r*b < den*b and the next digit r*b / den is below b.
        const uint32_t top = mp_mul1_raw(r, r, rn, b);
        if (top != 0) r[rn++] = top;
        int dgn = 0, r2n = 0;
        divmod_words(e, r, rn, den, dn, digit, &dgn, r2, &r2n);
        out[n++] = digit_char(dgn > 0 ? digit[0] : 0, b);
        std::swap(r, r2);
        rn = r2n;
    }
    return n;
}

// Room the text buffer has when s lies inside the instance's I/O buffer, else
// SIZE_MAX (a caller's buffer, which the caller sizes).
size_t buffer_room(const engine_instance* e, const char* s) {
    if (e->io_buffer == nullptr || s == nullptr) return SIZE_MAX;
    const auto lo = reinterpret_cast<uintptr_t>(e->io_buffer);
    const auto hi = lo + static_cast<uintptr_t>(e->io_buffer_size);
    const auto p = reinterpret_cast<uintptr_t>(s);
    if (p < lo || p > hi) return SIZE_MAX;
    return static_cast<size_t>(hi - p);
}

// One half of a fraction text: digits with at most one ".".
struct TextHalf {
    const unsigned char* s = nullptr;
    size_t n = 0;
    size_t fraction_digits = 0;
    bool has_point = false;
    bool ok = true;
};

TextHalf scan_half(const unsigned char* s, size_t n, uint32_t b) {
    TextHalf h;
    h.s = s;
    h.n = n;
    for (size_t i = 0; i < n; ++i) {
        if (s[i] == '.' && !h.has_point) {
            h.has_point = true;
            continue;
        }
        if (char_digit(s[i], b) < 0) {
            h.ok = false;
            return h;
        }
        if (h.has_point) ++h.fraction_digits;
    }
    return h;
}

// w (room 2*cap words) = b^k; false when it needs more than 2*cap words.
bool power_words(uint32_t b, size_t k, uint32_t* w, int cap2, int* wn) {
    std::memset(w, 0, sizeof(uint32_t) * static_cast<size_t>(cap2));
    w[0] = 1;
    int len = 1;
    bool overflow = false;
    for (size_t i = 0; i < k && !overflow; ++i) words_mul_add(w, &len, cap2, b, 0, &overflow);
    *wn = mp_norm_len_raw(w, cap2);
    return !overflow;
}

// x = num_half / den_half (den_half null: 1), each a digit string with an
// optional radix point, as a reduced fraction. *too_long when a part exceeds
// the block size; errors 7 (zero denominator) and 13 come from fraction_pack.
bool read_fraction(engine_instance* e, big x, const TextHalf& num, const TextHalf* den,
                   uint32_t b, bool negative, bool* too_long) {
    const int cap = static_cast<int>(big_block_words(e));
    const int cap2 = 2 * cap;
    ScratchFrame f(e);
    uint32_t* nw = f.words(static_cast<size_t>(cap));
    uint32_t* dw = f.words(static_cast<size_t>(cap));
    uint32_t* np = f.words(static_cast<size_t>(cap2));
    uint32_t* dp = f.words(static_cast<size_t>(cap2));
    uint32_t* top = f.words(static_cast<size_t>(cap + cap2));
    uint32_t* bottom = f.words(static_cast<size_t>(cap + cap2));
    bool over = false;
    const int nn = digits_to_words(num.s, num.n, b, nw, cap, &over);
    int dn = 1;
    dw[0] = 1;
    if (den != nullptr) dn = digits_to_words(den->s, den->n, b, dw, cap, &over);
    if (over) {
        *too_long = true;
        return false;
    }
    // value = (N / b^fn) / (D / b^fd) = (N * b^fd) / (D * b^fn)
    int npn = 0, dpn = 0;
    if (!power_words(b, den ? den->fraction_digits : 0, np, cap2, &npn) ||
        !power_words(b, num.fraction_digits, dp, cap2, &dpn)) {
        report_error(13);
        return false;
    }
    int tn = 0, bn = 0;
    if (nn > 0) {
        mp_mul_raw(top, nw, nn, np, npn);
        tn = mp_norm_len_raw(top, nn + npn);
    }
    if (dn > 0) {
        mp_mul_raw(bottom, dw, dn, dp, dpn);
        bn = mp_norm_len_raw(bottom, dn + dpn);
    }
    return fraction_pack(x, top, tn, bottom, bn, negative);
}

// Reads s in base b into x (traced as instr). When too_long is given, a value
// longer than the precision is reported there instead of raising error 3.
int read_text(big x, const char* s, uint32_t b, bool* too_long) {
    TraceScope t(ID_INSTR);
    if (!t.ok()) return 0;
    engine_instance* e = t.instance();
    if (b < 2 || b > 256) {
        report_error(1);
        return 0;
    }
    if (!e->active) {
        report_error(18);
        return 0;
    }
    big_zero(x);
    const int want = e->input_length;
    e->input_length = 0;

    // The end of the text.
    const size_t room = buffer_room(e, s);
    size_t len = 0;
    if (s != nullptr && want > 0) {
        len = static_cast<size_t>(want);
        if (len > room) {
            report_error(17);
            return 0;
        }
    } else if (s != nullptr) {
        for (;; ++len) {
            if (len >= room) {
                report_error(17);
                return 0;
            }
            const char c = s[len];
            if (c == '\0' || (b <= kCharBaseMax && c == '\n')) break;
        }
    }
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    const int count = static_cast<int>(len);

    bool negative = false;
    size_t p = 0, end = len;
    TextHalf num, den;
    bool has_den = false;
    if (b > kCharBaseMax) {
        for (size_t i = 0; i < len; ++i)
            if (char_digit(u[i], b) == kNotDigit) {
                report_error(5);
                return 0;
            }
        num.s = u;
        num.n = len;
    } else {
        while (p < len && (u[p] == ' ' || u[p] == '\t')) ++p;
        if (p < len && u[p] == '-') {
            negative = true;
            ++p;
        }
        if (p < len && u[p] == '+') ++p;
        if (end > p && u[end - 1] == '/') --end;
        size_t slash = p;
        while (slash < end && u[slash] != '/') ++slash;
        num = scan_half(u + p, slash - p, b);
        if (slash < end) {
            has_den = true;
            den = scan_half(u + slash + 1, end - slash - 1, b);
        }
        if (!num.ok || (has_den && !den.ok)) {
            report_error(5);
            return 0;
        }
    }

    bool over = false;
    if (has_den || num.has_point) {
        if (!read_fraction(e, x, num, has_den ? &den : nullptr, b, negative, &over)) {
            if (!over) return 0;  // error recorded
            if (too_long != nullptr) {
                *too_long = true;
                return count;
            }
            report_error(3);
            return 0;
        }
        return count;
    }

    const int cap = static_cast<int>(big_block_words(e));
    ScratchFrame f(e);
    uint32_t* w = f.words(static_cast<size_t>(cap));
    const int n = digits_to_words(num.s, num.n, b, w, cap, &over);
    if (over || n > e->precision_words) {
        if (too_long != nullptr) {
            *too_long = true;
            return count;
        }
        if (e->overflow_check) {
            report_error(3);
            return 0;
        }
    }
    big_set_words(x, w, n, negative);
    return count;
}

// Writes x in base b into s (traced as otstr).
int write_text(const big_rec* x, char* s, uint32_t b) {
    TraceScope t(ID_OTSTR);
    if (!t.ok()) return 0;
    engine_instance* e = t.instance();
    if (b < 2 || b > 256) {
        report_error(1);
        return 0;
    }
    if (!e->active) {
        report_error(18);
        return 0;
    }
    if (s == nullptr) return 0;
    const int nn = big_len(x);
    const int dn = static_cast<int>((x->len & kBigDenMask) >> 16);
    if (dn != 0 && b > kCharBaseMax) {  // no fraction syntax in the alphabet bases
        report_error(12);
        return 0;
    }
    ScratchFrame f(e);
    // Worst case: base 2, 32 digits per word, plus sign, "/" or "." and NUL.
    const size_t worst = 32 * static_cast<size_t>(nn + dn) +
                         static_cast<size_t>(radix_digit_limit(e, 2)) + 8;
    char* out = reinterpret_cast<char*>(f.words(worst / 4 + 1));
    size_t n = 0;
    if (nn == 0) {
        // Zero: "0" in the character bases; digit 0 ("A", then the fill) in base 64; a
        // single zero byte in the raw-byte bases, so that each reads back as 0.
        out[n++] = b <= kCharBaseMax ? '0' : digit_char(0, b);
    } else {
        if (big_is_negative(x) && b <= kCharBaseMax) out[n++] = '-';
        if (dn == 0) {
            n += put_number(e, x->w, nn, b, out + n);
        } else if (!e->radix_point) {
            n += put_number(e, x->w, nn, b, out + n);
            out[n++] = '/';
            n += put_number(e, x->w + nn, dn, b, out + n);
        } else {
            n += put_radix(e, x->w, nn, x->w + nn, dn, b, out + n);
        }
    }
    if (b == 64)
        while (n % 3 != 0) out[n++] = '=';

    const size_t room = buffer_room(e, s);
    if (room != SIZE_MAX && (room < 5 || n >= room - 5)) {
        if (room > 0) s[0] = '\0';
        report_error(17);
        return 0;
    }
    std::memcpy(s, out, n);
    s[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace

int instr(big x, const char* s) {
    engine_instance* e = engine_current();
    if (e == nullptr) return 0;
    return read_text(x, s, e->apparent_base, nullptr);
}

int otstr(const big_rec* x, char* s) {
    engine_instance* e = engine_current();
    if (e == nullptr) return 0;
    return write_text(x, s, e->apparent_base);
}

int cinstr(big x, const char* s) {
    TraceScope t(ID_CINSTR);
    if (!t.ok()) return 0;
    engine_instance* e = t.instance();
    // Read into a scratch number with overflow checking off, then check the
    // length: x is only written when the whole text was a valid number.
    const bool check = e->overflow_check;
    e->overflow_check = false;
    ScratchFrame f(e);
    big w = f.number();
    bool too_long = false;
    const int n = read_text(w, s, static_cast<uint32_t>(e->io_base), &too_long);
    e->overflow_check = check;
    if (e->error_number != 0) return 0;
    if (too_long) {
        report_error(3);
        return 0;
    }
    big_copy(w, x);
    return n;
}

int cotstr(const big_rec* x, char* s) {
    TraceScope t(ID_COTSTR);
    if (!t.ok()) return 0;
    return write_text(x, s, static_cast<uint32_t>(t.instance()->io_base));
}
