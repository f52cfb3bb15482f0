// Runtime prime tables: sizes and last primes (pi(65537) = 6543 and
// pi(1048576) = 82025, as published), every entry against a plain sieve, the
// marker short cut, a wrong size, and concurrent first use.
#include "numtheory/prime_tables.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// A plain sieve of Eratosthenes over 0 .. limit (the oracle).
std::vector<bool> naive_sieve(uint32_t limit) {
    std::vector<bool> prime(limit + 1, true);
    prime[0] = prime[1] = false;
    for (uint64_t d = 2; d * d <= limit; ++d)
        if (prime[d])
            for (uint64_t k = d * d; k <= limit; k += d) prime[k] = false;
    return prime;
}

TEST(PrimeTables, CountsLastPrimesAndEveryEntry) {
    struct Case {
        int count;
        uint32_t last;
        uint32_t limit;
    };
    for (const Case c : {Case{kPrimes64K, 65537, kLimit64K}, Case{kPrimes1024K, 1048573, kLimit1024K}}) {
        SCOPED_TRACE(c.count);
        const uint32_t* t = select_prime_table(c.count);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t[0], kPrimeTableMarker);
        EXPECT_EQ(t[1], 2u);
        EXPECT_EQ(t[c.count], c.last);
        // Every odd number up to limit + 1 is in the table exactly when it is prime.
        const std::vector<bool> naive_prime = naive_sieve(c.limit + 1);
        int i = 2;
        for (uint32_t n = 3; n <= c.limit + 1; n += 2) {
            const bool listed = i <= c.count && t[i] == n;
            ASSERT_EQ(listed, static_cast<bool>(naive_prime[n])) << n;
            if (listed) ++i;
        }
        EXPECT_EQ(i, c.count + 1);
    }
}

TEST(PrimeTables, SelectionByCount) {
    const uint32_t* small = select_prime_table(kPrimes64K);
    EXPECT_EQ(select_prime_table(0), small);
    EXPECT_EQ(select_prime_table(82024), small);
    EXPECT_NE(select_prime_table(kPrimes1024K), small);
    EXPECT_EQ(prepare_runtime_table(RuntimeTable::k64K), 0);
    EXPECT_EQ(prepare_runtime_table(RuntimeTable::k1024K), 0);
}

TEST(PrimeTables, BuiltTableIsLeftAloneAndWrongSizeRefused) {
    std::vector<uint32_t> t(kPrimes64K + 1, 7);
    t[0] = kPrimeTableMarker;
    EXPECT_EQ(build_prime_table(t.data(), kPrimes64K + 1, kLimit64K), 0);
    EXPECT_EQ(t[1], 7u);  // nothing written

    std::vector<uint32_t> wrong(kPrimes64K, 0);  // one word short
    EXPECT_EQ(build_prime_table(wrong.data(), kPrimes64K, kLimit64K), 1);
    EXPECT_EQ(wrong[0], 0u);
    EXPECT_EQ(wrong[1], 0u);

    // A small limit: 2, 3, 5, 7, 11 (the odd numbers up to 11).
    std::vector<uint32_t> tiny(6, 0);
    EXPECT_EQ(build_prime_table(tiny.data(), 6, 10), 0);
    EXPECT_EQ(tiny, (std::vector<uint32_t>{kPrimeTableMarker, 2, 3, 5, 7, 11}));
}

TEST(PrimeTables, ConcurrentFirstUseSeesWholeTables) {
    // Whichever thread comes first builds; the others wait and see the marker
    // and the last prime (the tables may already be built by earlier tests).
    std::vector<std::thread> threads;
    std::vector<int> ok(4, 0);
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([i, &ok] {
            const int count = i % 2 ? kPrimes1024K : kPrimes64K;
            const uint32_t* t = select_prime_table(count);
            ok[static_cast<size_t>(i)] =
                t != nullptr && t[0] == kPrimeTableMarker && t[count] == (i % 2 ? 1048573u : 65537u);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(ok, (std::vector<int>{1, 1, 1, 1}));
}

}  // namespace
