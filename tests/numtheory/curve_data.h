// Reference data for the point-counting and kangaroo tests: the published
// curves of tests/data/standard-curves.json (read, never typed in), and naive
// point counts over small fields written out here, independent of the engine.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/vectors.h"

namespace curvedata {

/// One curve of standard-curves.json: its string fields ("p", "a", "b", "Gx",
/// "Gy", "n", ...) plus "h", "m" and the reduction polynomial's exponents.
struct StandardCurve {
    std::map<std::string, std::string> fields;
    std::vector<int> poly;  // highest first, GF(2^m) only
    const std::string& operator[](const std::string& key) const { return fields.at(key); }
};

inline StandardCurve standard_curve(const std::string& name) {
    std::ifstream in(testsupport::data_path("standard-curves.json"));
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string all = ss.str();
    StandardCurve c;
    const std::string key = "\"name\": \"" + name + "\"";
    const size_t at = all.find(key);
    if (at == std::string::npos) {
        ADD_FAILURE() << "no curve " << name << " in standard-curves.json";
        return c;
    }
    const std::string obj = all.substr(at, all.find('}', at) - at);
    // Lines of the form "key": "text" or "key": number.
    std::stringstream lines(obj);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t k0 = line.find('"');
        const size_t k1 = k0 == std::string::npos ? k0 : line.find('"', k0 + 1);
        const size_t colon = k1 == std::string::npos ? k1 : line.find(": ", k1);
        if (colon == std::string::npos) continue;
        std::string value = line.substr(colon + 2);
        while (!value.empty() && (value.back() == ',' || value.back() == ' ')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
        c.fields[line.substr(k0 + 1, k1 - k0 - 1)] = value;
    }
    const size_t pe = obj.find("\"poly_exponents\"");
    if (pe != std::string::npos) {
        const size_t open = obj.find('[', pe), close = obj.find(']', pe);
        std::stringstream list(obj.substr(open + 1, close - open - 1));
        std::string item;
        while (std::getline(list, item, ',')) c.poly.push_back(std::stoi(item));
    }
    return c;
}

/// The log's lines, split at "\r\n"; a text after the last line end is the
/// last element (empty when the log ends with a line end).
inline std::vector<std::string> split_lines(const std::string& log) {
    std::vector<std::string> out;
    size_t at = 0;
    for (;;) {
        const size_t end = log.find("\r\n", at);
        if (end == std::string::npos) {
            out.push_back(log.substr(at));
            return out;
        }
        out.push_back(log.substr(at, end - at));
        at = end + 2;
    }
}

/// True when every character of s is one of `chars`.
inline bool only_of(const std::string& s, const std::string& chars) {
    return s.find_first_not_of(chars) == std::string::npos;
}

// ---- naive arithmetic on machine words ------------------------------------------------

__extension__ typedef unsigned __int128 u128;

inline uint64_t mulmod(uint64_t a, uint64_t b, uint64_t m) {
    return static_cast<uint64_t>(static_cast<u128>(a) * b % m);
}

inline uint64_t powmod64(uint64_t a, uint64_t e, uint64_t m) {
    uint64_t r = 1 % m;
    a %= m;
    while (e) {
        if (e & 1) r = mulmod(r, a, m);
        a = mulmod(a, a, m);
        e >>= 1;
    }
    return r;
}

/// Deterministic primality for 64-bit n (Miller-Rabin with the first 12 prime bases).
inline bool is_prime64(uint64_t n) {
    if (n < 2) return false;
    for (uint64_t p : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        if (n % p == 0) return n == p;
    }
    uint64_t d = n - 1;
    int s = 0;
    while ((d & 1) == 0) {
        d >>= 1;
        ++s;
    }
    for (uint64_t a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        uint64_t x = powmod64(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool ok = false;
        for (int i = 1; i < s && !ok; ++i) {
            x = mulmod(x, x, n);
            ok = x == n - 1;
        }
        if (!ok) return false;
    }
    return true;
}

/// Number of points of y^2 = x^3 + a*x + b over GF(p), p an odd prime below
/// about 2^24, the point at infinity included: for each x, the number of y with
/// y^2 = x^3 + a*x + b, read from a table of squares.
inline uint64_t naive_count_gfp(uint64_t a, uint64_t b, uint64_t p) {
    std::vector<uint8_t> roots(p, 0);
    for (uint64_t y = 0; y < p; ++y) ++roots[y * y % p];
    uint64_t n = 1;
    for (uint64_t x = 0; x < p; ++x) n += roots[((x * x % p) * x + a % p * x + b) % p];
    return n;
}

/// GF(2^m) with the reduction polynomial given by its bit pattern (m <= 24).
struct BinaryField {
    int m;
    uint64_t poly;  // includes the x^m bit
    uint64_t mul(uint64_t x, uint64_t y) const {
        uint64_t r = 0;
        for (int i = 0; i < m; ++i)
            if ((y >> i) & 1) r ^= x << i;
        for (int i = 2 * m - 2; i >= m; --i)
            if ((r >> i) & 1) r ^= poly << (i - m);
        return r;
    }
};

/// Product of two polynomials over GF(2) (degrees below 32) modulo f.
inline uint64_t gf2_polymulmod(uint64_t x, uint64_t y, uint64_t f) {
    const int n = 63 - __builtin_clzll(f);
    uint64_t r = 0;
    for (int i = 0; i < n; ++i)
        if ((y >> i) & 1) r ^= x << i;
    for (int i = 2 * n - 2; i >= n; --i)
        if ((r >> i) & 1) r ^= f << (i - n);
    return r;
}

inline uint64_t gf2_polygcd(uint64_t a, uint64_t b) {
    while (b) {
        while (a && 63 - __builtin_clzll(a) >= 63 - __builtin_clzll(b))
            a ^= b << ((63 - __builtin_clzll(a)) - (63 - __builtin_clzll(b)));
        std::swap(a, b);
    }
    return a;
}

/// Irreducibility over GF(2) (Ben-Or): gcd(x^(2^i) - x, f) = 1 for i <= deg/2.
/// Degrees up to 32 (the products above).
inline bool gf2_irreducible(uint64_t f) {
    const int n = 63 - __builtin_clzll(f);
    uint64_t u = 2;
    for (int i = 1; i <= n / 2; ++i) {
        u = gf2_polymulmod(u, u, f);
        if (gf2_polygcd(f, u ^ 2) != 1) return false;
    }
    return true;
}

/// The classification line of a count, made from NP by the rule: divide out
/// the primes below 65520 in turn, as often as they divide, until a prime is
/// not below the remaining cofactor (while that fits in 31 bits); then name
/// the cofactor: 1, prime or composite.
inline std::string classification_line(uint64_t np) {
    auto hex = [](uint64_t v) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
        return std::string(buf);
    };
    uint64_t cof = np;
    int nf = 0;
    for (uint64_t q = 2; q < 65520; ++q) {
        if (!is_prime64(q)) continue;
        if (cof < (uint64_t{1} << 31) && q >= cof) break;
        while (cof % q == 0) {
            cof /= q;
            ++nf;
        }
    }
    if (cof == 1) return "NP (nf#" + std::to_string(nf) + " small factored) = " + hex(np) + "\r\n";
    const std::string tail = hex(np / cof) + " * " + hex(cof) + "\r\n";
    if (is_prime64(cof)) return "NP(nf#" + std::to_string(nf) + " * Prime) = " + tail;
    if (nf > 0) return "NP(nf#" + std::to_string(nf) + " * Composite) = " + tail;
    return "NP(Composite) = " + hex(np) + "\r\n";
}

/// For m <= 32: the first irreducible trinomial x^m + x^a + 1 (a ascending), else the first
/// pentanomial x^m + x^a + x^b + x^c + 1 (a > b > c >= 1), as {a, b, c} with
/// b = c = 0 for a trinomial.
inline std::vector<int> low_weight_basis(int m) {
    for (int a = 1; a < m; ++a)
        if (gf2_irreducible((uint64_t{1} << m) | (uint64_t{1} << a) | 1)) return {a, 0, 0};
    for (int a = 3; a < m; ++a)
        for (int b = 2; b < a; ++b)
            for (int c = 1; c < b; ++c)
                if (gf2_irreducible((uint64_t{1} << m) | (uint64_t{1} << a) | (uint64_t{1} << b) |
                                    (uint64_t{1} << c) | 1))
                    return {a, b, c};
    return {};
}

/// Number of points of y^2 + x*y = x^3 + a*x^2 + b over GF(2^m) (b != 0),
/// infinity included. x = 0 gives the one point (0, sqrt(b)); for x != 0,
/// z = y/x turns the equation into z^2 + z = c with c = (x^3 + a*x^2 + b)/x^2,
/// which has two solutions when Tr(c) = 0 and none otherwise. Division by
/// discrete-logarithm tables of a primitive element; the trace is linear, so it
/// is the parity of c masked by the traces of the basis monomials.
inline uint64_t naive_count_gf2m(const BinaryField& f, uint64_t a, uint64_t b) {
    const uint64_t q = uint64_t{1} << f.m;
    std::vector<uint32_t> exp_t(q), log_t(q);
    for (uint64_t g = 2;; ++g) {  // the first primitive element
        uint64_t v = 1, k = 0;
        do {
            exp_t[k] = static_cast<uint32_t>(v);
            log_t[v] = static_cast<uint32_t>(k);
            v = f.mul(v, g);
            ++k;
        } while (v != 1 && k < q);
        if (k == q - 1) break;
    }
    auto trace = [&](uint64_t c) {
        uint64_t t = c, tr = c;
        for (int i = 1; i < f.m; ++i) {
            t = f.mul(t, t);
            tr ^= t;
        }
        return tr;
    };
    uint64_t trmask = 0;
    for (int i = 0; i < f.m; ++i) trmask |= trace(uint64_t{1} << i) << i;
    uint64_t n = 2;  // infinity and (0, sqrt(b))
    for (uint64_t x = 1; x < q; ++x) {
        const uint64_t x2 = f.mul(x, x);
        const uint64_t rhs = f.mul(x2, x) ^ f.mul(a, x2) ^ b;
        if (rhs == 0) {  // z^2 + z = 0: z = 0 or 1
            n += 2;
            continue;
        }
        const uint64_t lc = (log_t[rhs] + 2 * (q - 1) - 2 * uint64_t{log_t[x]}) % (q - 1);
        const uint64_t c = exp_t[lc];
        if (__builtin_parityll(c & trmask) == 0) n += 2;
    }
    return n;
}

}  // namespace curvedata
