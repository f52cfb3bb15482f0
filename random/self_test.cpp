// Start-up self test and binary-curve benchmark.
#include "random/self_test.h"

#include <cstdio>
#include <cstring>

#include "engine/big.h"
#include "engine/ec2.h"
#include "engine/epoint.h"
#include "engine/hash.h"
#include "engine/modular.h"

namespace {

// FIPS 186-2 binary curves y^2 + xy = x^3 + x^2 + b (a = 1): basis exponents,
// repetitions of the start-up benchmark, b, G and the prime order n, as
// hexadecimal texts (SEC 2 sect163r2, sect233r1, sect283r1, sect409r1, sect571r1).
struct BinaryCurve {
    int m, a, b, c;
    int repetitions;
    const char* coeff_b;
    const char* gx;
    const char* gy;
    const char* order;
};

const BinaryCurve kCurves[5] = {
    {163, 7, 6, 3, 3,
     "20A601907B8C953CA1481EB10512F78744A3205FD",
     "3F0EBA16286A2D57EA0991168D4994637E8343E36",
     "D51FBC6C71A0094FA2CDD545B11C5C0C797324F1",
     "40000000000000000000292FE77E70C12A4234C33"},
    {233, 74, 0, 0, 3,
     "66647EDE6C332C7F8C0923BB58213B333B20E9CE4281FE115F7D8F90AD",
     "FAC9DFCBAC8313BB2139F1BB755FEF65BC391F8B36F8F8EB7371FD558B",
     "1006A08A41903350678E58528BEBF8A0BEFF867A7CA36716F7E01F81052",
     "1000000000000000000000000000013E974E72F8A6922031D2603CFE0D7"},
    {283, 12, 7, 5, 2,
     "27B680AC8B8596DA5A4AF8A19A0303FCA97FD7645309FA2A581485AF6263E313B79A2F5",
     "5F939258DB7DD90E1934F8C70B0DFEC2EED25B8557EAC9C80E2E198F8CDBECD86B12053",
     "3676854FE24141CB98FE6D4B20D02B4516FF702350EDDB0826779C813F0DF45BE8112F4",
     "3FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEF90399660FC938A90165B042A7CEFADB307"},
    {409, 87, 0, 0, 1,
     "21A5C2C8EE9FEB5C4B9A753B7B476B7FD6422EF1F3DD674761FA99D6AC27C8A9A197B272822F6CD57A55AA4F50AE317B13545F",
     "15D4860D088DDB3496B0C6064756260441CDE4AF1771D4DB01FFE5B34E59703DC255A868A1180515603AEAB60794E54BB7996A7",
     "61B1CFAB6BE5F32BBFA78324ED106A7636B9C5A7BD198D0158AA4F5488D08F38514F1FDF4B4F40D2181B3681C364BA0273C706",
     "10000000000000000000000000000000000000000000000000001E2AAD6A612F33307BE5FA47C3C9E052F838164CD37D9A21173"},
    {571, 10, 5, 2, 1,
     "2F40E7E2221F295DE297117B7F3D62F5C6A97FFCB8CEFF1CD6BA8CE4A9A18AD84FFABBD8EFA59332BE7AD6756A66E294AFD185A78FF12AA520E4DE739BACA0C7FFEFF7F2955727A",
     "303001D34B856296C16C0D40D3CD7750A93D1D2955FA80AA5F40FC8DB7B2ABDBDE53950F4C0D293CDD711A35B67FB1499AE60038614F1394ABFA3B4C850D927E1E7769C8EEC2D19",
     "37BF27342DA639B6DCCFFFEB73D69D78C6C27A6009CBBCA1980F8533921E8A684423E43BAB08A576291AF8F461BB2A8B3531D2F0485C19B16E2F1516E23DD3C1A4827AF1B8AC15B",
     "3FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE661CE18FF55987308059B186823851EC7DD9CA1161DE93D5174D66E8382E9BB2FE84E47"},};

const BinaryCurve& curve_for(int m) {
    for (const BinaryCurve& c : kCurves)
        if (c.m == m) return c;
    return kCurves[4];
}

std::string format_line(const char* fmt, int m) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, m);
    return buf;
}

// Numbers of the benchmark, released on every return.
class Nums {
   public:
    Nums() {
        for (big& x : m_v) x = big_alloc(0);
    }
    ~Nums() {
        for (big x : m_v) big_free(x);
    }
    Nums(const Nums&) = delete;
    Nums& operator=(const Nums&) = delete;
    big operator[](int i) const { return m_v[i]; }
    bool ok() const {
        for (big x : m_v)
            if (x == nullptr) return false;
        return true;
    }

   private:
    big m_v[16] = {};
};

class Points {
   public:
    explicit Points(int n) : m_n(n), m_block(point_block_alloc(n)) {}
    ~Points() { point_block_free(m_block, m_n); }
    Points(const Points&) = delete;
    Points& operator=(const Points&) = delete;
    bool ok() const { return m_block != nullptr; }
    epoint* operator[](int i) const { return point_block_item(m_block, i); }

   private:
    int m_n;
    void* m_block;
};

// r = x mod n, non-negative.
void reduce(big x, const big_rec* n, big scratch) {
    divide(x, n, scratch);
    if (big_is_negative(x)) add(x, n, x);
}

}  // namespace

int64_t bench_binary_curve(int count, int m, int mode, Clock& clock, SelfTestView& view) {
    if (count < 1 || count > 10 || m < 163 || m > 571) return 0;
    const BinaryCurve& cv = curve_for(m);
    engine_instance* e = engine_current();
    if (e == nullptr) return -count;
    const int saved_base = e->io_base;
    e->io_base = 16;

    Nums v;
    big b = v[0], gx = v[1], gy = v[2], n = v[3], a = v[4], d = v[5], h = v[6], k = v[7];
    big r = v[8], s = v[9], w = v[10], u1 = v[11], u2 = v[12], q = v[13], x = v[14];
    auto fail = [&](const std::string& text, int64_t result) {
        view.report_failure(text);
        return result;
    };
    if (!v.ok()) {
        e->io_base = saved_base;
        return fail(format_line("Init ECurve Error: GF(2^%d)\r\n", m), -count);
    }
    cinstr(b, cv.coeff_b);
    cinstr(gx, cv.gx);
    cinstr(gy, cv.gy);
    cinstr(n, cv.order);
    e->io_base = saved_base;
    big_from_int(1, a);
    // d = floor(6n / 7).
    premult(n, 6, d);
    subdiv(d, 7, d);
    if (!ecurve2_init(cv.m, cv.a, cv.b, cv.c, a, b, true, 0))
        return fail(format_line("Init ECurve Error: GF(2^%d)\r\n", m), -count);
    Points pts(3);
    if (!pts.ok()) return fail(format_line("Init ECurve Error: GF(2^%d)\r\n", m), -count);
    epoint* g = pts[0];
    epoint* pub = pts[1];
    epoint* p = pts[2];
    if (!epoint2_set(gx, gy, 0, g)) return fail(format_line("Set G(x,y) Error: GF(2^%d)\r\n", m), -count);
    ecurve2_mult(d, g, pub);

    // h = SHA-1("test ecdsa"), big-endian.
    sha1_ctx ctx;
    sha1_init(&ctx);
    for (const char* c = "test ecdsa"; *c != '\0'; ++c) sha1_process(&ctx, static_cast<unsigned char>(*c));
    uint8_t digest[20];
    sha1_hash(&ctx, digest);
    bytes_to_big(20, digest, h);

    const uint64_t f = clock.perf_frequency();
    const uint64_t t0 = clock.perf_counter();
    for (int round = 0; round < count; ++round) {
        if (mode == kBenchEcdsa) {
            // Sign: k from the plain generator seeded by the time-stamp counter.
            raw_rand_seed(static_cast<uint32_t>(clock.tsc()));
            do {
                bigrand(n, k);
            } while (big_is_zero(k) && engine_error() == 0);
            ecurve2_mult(k, g, p);
            epoint2_get(p, r, r);
            reduce(r, n, q);
            xgcd(k, n, k, k, k);  // k^-1 mod n
            multiply(d, r, s);
            add(s, h, s);
            reduce(s, n, q);
            mad(s, k, s, n, q, s);  // s = (h + d r) k^-1 mod n
            // Verify.
            xgcd(s, n, w, w, w);
            mad(h, w, h, n, q, u1);
            mad(r, w, r, n, q, u2);
            ecurve2_mult2(u1, g, u2, pub, p);
            epoint2_get(p, x, x);
            reduce(x, n, q);
            if (engine_error() != 0 || big_compare(x, r) != 0)
                return fail(format_line("Verify Sign Error: GF(2^%d)\r\n", m), ~static_cast<int64_t>(count - 1 - round));
        } else {
            ecurve2_mult(d, g, p);
        }
    }
    const uint64_t t1 = clock.perf_counter();
    if (f == 0) return 0;
    return static_cast<int64_t>((t1 - t0) * 100000ull / f);
}

std::string self_test_report(int e1, int64_t t1, int e2, int64_t t2, const int64_t ecdsa[5], const int64_t mul[5]) {
    char buf[512];
    int len = std::snprintf(buf, sizeof buf, "Init Prime Table\r\n64K:%d Err,%d us\r\n1024K:%d Er,%d us\r\nBenchmark ECDSA/MUL",
                            e1, static_cast<int>(t1), e2, static_cast<int>(t2));
    for (int i = 0; i < 5; ++i) {
        const BinaryCurve& c = kCurves[i];
        len += std::snprintf(buf + len, sizeof buf - static_cast<size_t>(len), "\r\nB-%d:%d/%d us", c.m,
                             static_cast<int>(ecdsa[i] / c.repetitions), static_cast<int>(mul[i] / c.repetitions));
    }
    return buf;
}

void run_self_test(SelfTestView& view, Clock& clock, StopToken& stop) {
    if (!stop.sleep_ms(10)) return;
    const uint64_t f = clock.perf_frequency();
    auto timed_build = [&](bool large, int64_t* ticks) {
        const uint64_t c0 = clock.perf_counter();
        const int err = view.build_prime_table(large);
        const uint64_t c1 = clock.perf_counter();
        *ticks = f == 0 ? 0 : static_cast<int64_t>((c1 - c0) * 100000ull / f);
        return err;
    };
    int64_t t1 = 0, t2 = 0;
    const int e1 = timed_build(false, &t1);
    const int e2 = timed_build(true, &t2);
    if (!stop.sleep_ms(10)) return;
    view.clear_log();
    int64_t ecdsa[5], mul[5];
    for (int i = 0; i < 5; ++i) {
        if (stop.stop_requested()) return;
        ecdsa[i] = bench_binary_curve(kCurves[i].repetitions, kCurves[i].m, kBenchEcdsa, clock, view);
        mul[i] = bench_binary_curve(kCurves[i].repetitions, kCurves[i].m, kBenchMultiply, clock, view);
    }
    view.show_status(self_test_report(e1, t1, e2, t2, ecdsa, mul));
    if (e1 != 0 || e2 != 0) view.message_box("Oh, bug found...", "Init Prime Table Error,\r\nReport this to tovrel.\r\n");
    stop.sleep_ms(10000);
}
