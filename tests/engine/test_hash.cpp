// Message digests against published values and padding-edge vectors.
//
// Published values: FIPS 180-2 appendices A-C and the FIPS 180-4 example
// documents (the one-block "abc", the two-block 448-bit and 896-bit messages and
// one million "a"); RFC 1321 section A.5 (the MD5 test suite). The MD5 of one
// million "a" and the padding-edge digests come from Python's hashlib.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/hash.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

std::string hex(const uint8_t* p, size_t n) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s.push_back(d[p[i] >> 4]);
        s.push_back(d[p[i] & 15]);
    }
    return s;
}

std::vector<uint8_t> bytes_of(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// One SHA variant behind a common face: digest through the byte interface,
// through the bulk interface, or split between the two at `split`.
struct Sha {
    const char* name;
    size_t size;
    std::string (*digest)(const std::vector<uint8_t>& m, size_t split, bool reuse);
};

template <typename Ctx, void (*Init)(Ctx*), void (*Proc)(Ctx*, int),
          void (*Bulk)(Ctx*, const uint8_t*, size_t), void (*Hash)(Ctx*, uint8_t*), size_t N>
std::string sha_digest(const std::vector<uint8_t>& m, size_t split, bool reuse) {
    Ctx ctx;
    Init(&ctx);
    uint8_t out[N];
    if (reuse) {  // a context that already produced a digest starts afresh
        for (int b : {1, 2, 3, 4, 5, 6, 7, 8, 9}) Proc(&ctx, b);
        Hash(&ctx, out);
    }
    if (split > m.size()) split = m.size();
    for (size_t i = 0; i < split; ++i) Proc(&ctx, m[i] | 0x1200);  // high bits ignored
    Bulk(&ctx, m.data() + split, m.size() - split);
    Hash(&ctx, out);
    return hex(out, N);
}

const Sha kShas[] = {
    {"sha1", 20, sha_digest<sha1_ctx, sha1_init, sha1_process, sha1_process_bytes, sha1_hash, 20>},
    {"sha256", 32,
     sha_digest<sha256_ctx, sha256_init, sha256_process, sha256_process_bytes, sha256_hash, 32>},
    {"sha384", 48,
     sha_digest<sha512_ctx, sha384_init, sha384_process, sha384_process_bytes, sha384_hash, 48>},
    {"sha512", 64,
     sha_digest<sha512_ctx, sha512_init, sha512_process, sha512_process_bytes, sha512_hash, 64>},
};

std::string md5_hex(const std::vector<uint8_t>& m) {
    uint8_t out[16];
    md5_digest(m.data(), m.size(), out);
    return hex(out, 16);
}

const std::string kM448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kM896 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopq"
    "rsmnopqrstnopqrstu";

TEST(Hash, PublishedShaExamples) {
    const struct {
        const char* name;
        std::string message;
        const char* digest;
    } cases[] = {
        {"sha1", "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"sha1", kM448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"sha256", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"sha256", kM448, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"sha384", "abc",
         "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
        {"sha384", kM896,
         "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039"},
        {"sha512", "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
         "454d4423643ce80e2a9ac94fa54ca49f"},
        {"sha512", kM896,
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433a"
         "c7d329eeb6dd26545e96e55b874be909"},
    };
    for (const auto& c : cases) {
        for (const auto& sha : kShas) {
            if (std::string(sha.name) != c.name) continue;
            SCOPED_TRACE(std::string(c.name) + " of " + c.message);
            const auto m = bytes_of(c.message);
            EXPECT_EQ(sha.digest(m, m.size(), false), c.digest);  // byte at a time
            EXPECT_EQ(sha.digest(m, 0, false), c.digest);         // bulk
            EXPECT_EQ(sha.digest(m, 0, true), c.digest);          // reused context
        }
    }
}

TEST(Hash, OneMillionA) {
    const std::vector<uint8_t> m(1000000, 'a');
    const char* expected[] = {
        "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
        "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
        "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985",
        "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31b"
        "eb009c5c2c49aa2e4eadb217ad8cc09b",
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(kShas[i].name);
        EXPECT_EQ(kShas[i].digest(m, 333, false), expected[i]);
    }
    EXPECT_EQ(md5_hex(m), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Hash, Rfc1321Md5Suite) {
    const struct {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto m = bytes_of(c.message);
        EXPECT_EQ(md5_hex(m), c.digest);
        // The update/final pair, fed in uneven pieces.
        md5_ctx ctx;
        md5_init(&ctx);
        for (size_t i = 0; i < m.size(); i += 7)
            md5_update(&ctx, m.data() + i, std::min<size_t>(7, m.size() - i));
        uint8_t out[16];
        md5_final(&ctx, out);
        EXPECT_EQ(hex(out, 16), c.digest);
    }
}

// Lengths around the padding edges, each split at a random point between the
// byte and bulk interfaces and also hashed in a reused context.
TEST(Hash, PaddingEdgesAndRandomSplits) {
    TestRng rng = TestRng::for_test(11);
    SCOPED_TRACE(test_seed_note());
    int seen = 0;
    for (const auto& c : load_vectors("engine/hash_lengths.txt")) {
        SCOPED_TRACE(c.where);
        const size_t n = std::stoul(c.get("Length"));
        std::vector<uint8_t> m(n);
        for (size_t i = 0; i < n; ++i) m[i] = static_cast<uint8_t>((7 * i + 3) % 256);
        ++seen;
        if (c.section == "md5") {
            EXPECT_EQ(md5_hex(m), c.get("Digest"));
            continue;
        }
        for (const auto& sha : kShas) {
            if (c.section != sha.name) continue;
            EXPECT_EQ(sha.digest(m, n, false), c.get("Digest"));
            EXPECT_EQ(sha.digest(m, 0, false), c.get("Digest"));
            EXPECT_EQ(sha.digest(m, rng.below(n + 1), true), c.get("Digest"));
        }
    }
    EXPECT_EQ(seen, 5 * 21);
}

}  // namespace
