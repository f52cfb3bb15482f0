// Random numbers from the engine's raw generator: below a bound, and with a
// given number of digits.
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"

using engine_detail::big_set_words;
using engine_detail::divmod_words;
using engine_detail::refuse_fraction;

void bigrand(const big_rec* w, big x) {
    TraceScope t(ID_BIGRAND);
    if (!t.ok() || refuse_fraction(w)) return;
    const int wn = big_len(w);
    if (wn == 0 || big_is_negative(w)) {  // empty range
        big_zero(x);
        return;
    }
    engine_instance* e = t.instance();
    ScratchFrame f(e);
    // Fill a number word by word, least significant first, until it is not
    // below w; the answer is that number mod w. (The bound of wn + 1 words is
    // only reached if the generator gave a zero top word.)
    uint32_t* r = f.words(static_cast<size_t>(wn) + 2);
    int rn = 0;
    for (int i = 0; i <= wn; ++i) {
        r[i] = raw_rand_next();
        rn = mp_norm_len_raw(r, i + 1);
        if (mp_cmp_raw(r, rn, w->w, wn) >= 0) break;
    }
    uint32_t* rem = f.words(static_cast<size_t>(wn) + 1);
    int remn = 0, qn = 0;
    divmod_words(e, r, rn, w->w, wn, nullptr, &qn, rem, &remn);
    big_set_words(x, rem, remn, false);
}

void bigdig(int n, int b, big x) {
    TraceScope t(ID_BIGDIG);
    if (!t.ok()) return;
    if (b < 2 || b > 256) {
        report_error(1);
        return;
    }
    if (n < 1) {
        big_zero(x);
        return;
    }
    // x = b^(n-1) + a random number below (b-1) * b^(n-1).
    ScratchFrame f(t.instance());
    big lo = f.number();
    big range = f.number();
    big r = f.number();
    expint(b, n - 1, lo);
    premult(lo, b - 1, range);
    bigrand(range, r);
    add(lo, r, r);
    if (engine_error() == 0) big_copy(r, x);
}
