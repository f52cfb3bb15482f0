// Helpers of the factoring tests: the recorded factors read back from the
// factor list, and the product check.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/big.h"
#include "numtheory/factor_report.h"
#include "tests/support/engine_fixture.h"

namespace factortest {

/// The hexadecimal values of the factor list's lines ("P-", "P(b)-", "N(b)-").
inline std::vector<std::string> recorded_values(const FactorReport& r) {
    std::vector<std::string> out;
    const std::string text = r.list_text();
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        const std::string line = text.substr(pos, end - pos);
        out.push_back(line.substr(line.find('-') + 1));
        pos = end + 2;
    }
    return out;
}

/// The lines themselves.
inline std::vector<std::string> lines(const FactorReport& r) {
    std::vector<std::string> out;
    const std::string text = r.list_text();
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

/// Upper-case hex, no leading zeros (values as the vectors write them).
inline std::string norm(std::string h) {
    for (char& c : h) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const size_t nz = h.find_first_not_of('0');
    return nz == std::string::npos ? "0" : h.substr(nz);
}

/// The recorded values together with the running cofactor (none when null: the
/// driver records it itself), sorted, against the expected prime factors
/// (sorted); and their product against n.
inline void expect_factors(const FactorReport& r, const big_rec* cofactor, std::vector<std::string> expected,
                           const std::string& n_hex) {
    std::vector<std::string> got = recorded_values(r);
    if (cofactor != nullptr && !(big_len(cofactor) == 1 && cofactor->w[0] == 1)) got.push_back(testsupport::get_hex(cofactor));
    testsupport::Big product(1);
    for (const std::string& g : got) {
        testsupport::Big f(g);
        multiply(product, f, product);
    }
    EXPECT_EQ(product.hex(), norm(n_hex));
    auto by_value = [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    };
    for (auto& e : expected) e = norm(e);
    std::sort(got.begin(), got.end(), by_value);
    std::sort(expected.begin(), expected.end(), by_value);
    EXPECT_EQ(got, expected);
}

}  // namespace factortest
