// A fresh engine instance per test, set up as the workbench sets up its own
// (2,176 binary digits, error control on, I/O base 16), plus hex helpers that
// read and write a big's words directly, independent of the engine's text code.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/big.h"

namespace testsupport {

class EngineTest : public ::testing::Test {
   protected:
    void SetUp() override;
    void TearDown() override;
    engine_instance* E = nullptr;
};

/// Owns one big of the current instance.
class Big {
   public:
    Big() : m_x(big_alloc(0)) {}
    explicit Big(int v) : m_x(big_alloc(v)) {}
    /// Signed hexadecimal, e.g. "-1F" (written into the words directly).
    explicit Big(const std::string& hex);
    ~Big() { big_free(m_x); }
    Big(const Big&) = delete;
    Big& operator=(const Big&) = delete;
    operator big() const { return m_x; }
    big get() const { return m_x; }
    std::string hex() const;

   private:
    big m_x;
};

/// Stores signed hex text into x's words without the engine's text conversion.
void set_hex(big x, const std::string& hex);
/// Signed upper-case hex of x ("0" for zero) read from its words.
std::string get_hex(const big_rec* x);
/// Sets x from little-endian words and a sign.
void set_words(big x, const std::vector<uint32_t>& words, bool negative = false);
/// True when x satisfies the representation invariants (normalised, no negative
/// zero, zero words above the length).
::testing::AssertionResult is_canonical(const big_rec* x);

}  // namespace testsupport
