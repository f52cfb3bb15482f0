// The standard curves of tests/data/standard-curves.json (from OpenSSL, checked
// with PARI/GP), read once by a small JSON reader. Numbers stay hexadecimal text.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct StandardCurve {
    std::string name;                 // "sect163k1"
    std::string fips;                 // "K-163" or empty
    bool binary = false;              // GF(2^m) rather than GF(p)
    int m = 0;                        // GF(2^m): degree
    std::vector<int> poly_exponents;  // GF(2^m): exponents of the basis, highest first
    std::string p;                    // GF(p): the prime
    std::string a, b, gx, gy, n;      // upper-case hex
    int h = 0;                        // cofactor
};

/// All curves of the data file (fails the current test when it cannot be read).
const std::vector<StandardCurve>& standard_curves();
/// The curve called `name` (by name or FIPS name); throws when absent.
const StandardCurve& standard_curve(const std::string& name);

}  // namespace testsupport
