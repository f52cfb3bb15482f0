#include "engine/instance.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/mont_kernels.h"

namespace {

thread_local engine_instance* t_current = nullptr;

static const char* const kRoutineNames[kRoutineCount] = {
    "your program", "innum", "otnum", "jack", "normalise", "multiply", "divide", "incr", "decr",
    "premult", "subdiv", "fdsize", "egcd", "cbase", "cinnum", "cotnum", "nroot", "power",
    "powmod", "bigdig", "bigrand", "nxprime", "isprime", "big_alloc", "mad", "multi_inverse",
    "putdig", "add", "subtract", "engine_open", "xgcd", "fpack", "dconv", "word_shift",
    "mround", "fmul", "fdiv", "fadd", "fsub", "fcomp", "fconv", "frecip", "fpmul", "fincr", "",
    "ftrunc", "frand", "sftbit", "build", "logb2", "expint", "fpower", "froot", "fpi", "fexp",
    "flog", "fpowf", "ftan", "fatan", "fsin", "fasin", "fcos", "facos", "ftanh", "fatanh",
    "fsinh", "fasinh", "fcosh", "facosh", "flop", "gprime", "powltr", "fft_mult", "crt_init",
    "crt", "otstr", "instr", "cotstr", "cinstr", "powmod2", "prepare_monty", "nres", "redc",
    "nres_modmult", "nres_powmod", "nres_moddiv", "nres_powltr", "divisible", "remain",
    "fmodulo", "nres_modadd", "nres_modsub", "nres_negate", "ecurve_init", "ecurve_add",
    "ecurve_mult", "epoint_init", "epoint_set", "epoint_get", "nres_powmod2", "nres_sqroot",
    "sqroot", "nres_premult", "ecurve_mult2", "ecurve_sub", "trial_division", "nxsafeprime",
    "nres_lucas", "lucas", "brick_init", "pow_brick", "set_user_function", "nres_powmodn",
    "powmodn", "ecurve_multn", "ebrick_init", "mul_brick", "epoint_norm", "nres_multi_inverse",
    "", "nres_dotprod", "epoint_negate", "ecurve_multi_add", "ecurve2_init", "", "epoint2_set",
    "epoint2_norm", "epoint2_get", "epoint2_comp", "ecurve2_add", "epoint2_negate",
    "ecurve2_sub", "ecurve2_multi_add", "ecurve2_mult", "ecurve2_multn", "ecurve2_mult2",
    "ebrick2_init", "mul2_brick", "prepare_basis", "strong_bigrand", "bytes_to_big",
    "big_to_bytes", "set_io_buffer_size", "epoint_getxyz", "epoint_double_add",
    "nres_double_inverse", "double_inverse", "epoint_x", "hamming", "expb2", "bigbits",
    "nres_lazy", "fp2_imul", "nres_double_modadd", "nres_double_modsub", "fp2_isunity",
    "fp2_from_int", "fp2_negate", "fp2_conj", "fp2_add", "fp2_sub", "fp2_smul", "fp2_mul",
    "fp2_inv", "fp2_timesi", "fp2_powl", "fp2_from_bigs", "fp2_from_big", "fp2_from_ints",
    "fp2_sadd", "fp2_ssub", "fp2_times_irp", "fp2_div2",
};

static const char* const kErrorMessages[] = {
    "",
    "Number base too big for representation\n",
    "Division by zero attempted\n",
    "Overflow - Number too big\n",
    "Internal result is negative\n",
    "Input format error\n",
    "Illegal number base\n",
    "Illegal parameter usage\n",
    "Out of space\n",
    "Even root of a negative number\n",
    "Raising integer to negative power\n",
    "Attempt to take illegal root\n",
    "Integer operation attempted on Flash number\n",
    "Flash overflow\n",
    "Numbers too big\n",
    "Log of a non-positive number\n",
    "Flash to double conversion failure\n",
    "I/O buffer overflow\n",
    "Engine not initialised - no call to engine_open()\n",
    "Illegal modulus \n",
    "No modulus defined\n",
    "Exponent too big\n",
    "Unsupported Feature - check build configuration\n",
    "Specified double length type isn't double length\n",
    "Specified basis is NOT irreducible\n",
    "Unable to control Floating-point rounding\n",
    "Base must be binary\n",
    "No irreducible basis defined\n",
    "Composite modulus\n",
};

constexpr int kDefaultIoBuffer = 2559;
// Scratch arena: this many double-length numbers, enough for the deepest nesting
// of engine routines (window tables of powering and scalar multiplication
// included).
constexpr size_t kScratchDoubles = 256;

void push_trace(engine_instance* e, int id) {
    ++e->trace_depth;
    if (e->trace_depth < kTraceSlots) e->trace_stack[e->trace_depth] = id;
    if (e->trace_print) {
        for (int i = 0; i < e->trace_depth; ++i) std::fputc('-', stdout);
        std::printf(">%s\n", routine_name(id));
    }
}

// Picks the digit packing for base b as the engine's base chooser does and
// reports whether b is binary. The internal word base is always 2^32.
bool choose_base(engine_instance* e, uint32_t b) {
    e->base = 0;
    e->word_mask = 0xFFFFFFFFu;
    e->bits_per_word = 32;
    e->base_pow2 = 0;
    e->apparent_base = b;
    for (int ex = 16; ex >= 1; ex /= 2) {
        const uint64_t pw = 1ull << ex;
        if (pw < b) break;
        if (pw == b) {
            e->digits_per_word = 32 / ex;
            return true;
        }
    }
    // Not one of 2^16, 2^8, 2^4, 2^2, 2: binary only when the largest power of b
    // not above 2^31 is a power of two.
    uint64_t p = b;
    int k = 1;
    while (p * b <= (1ull << 31)) {
        p *= b;
        ++k;
    }
    if ((p & (p - 1)) != 0) return false;
    int log2b = 0;
    while ((1ull << (log2b + 1)) <= b) ++log2b;
    e->digits_per_word = 32 / log2b;
    (void)k;
    return true;
}

// Layout of the workspace block: the double-length number, the eight ordinary
// workspace numbers, then the numbers the instance owns (modulus, mont_ndash_full,
// curve_a, curve_b, and mont_r_shift of double width), each a record followed by
// its words.
constexpr size_t kRecordWords = sizeof(big_rec) / sizeof(uint32_t);

size_t workspace_total_words(const engine_instance* e) {
    const size_t single = big_block_words(e);
    const size_t dbl = 2 * single + 2;
    return (kRecordWords + dbl) + 12 * (kRecordWords + single) + (kRecordWords + 2 * single);
}

}  // namespace

const char* routine_name(int id) {
    if (id < 0 || id >= kRoutineCount) return "???";
    return kRoutineNames[id];
}

const char* error_message(int code) {
    if (code < 1 || code > 28) return "Undefined error\n";
    return kErrorMessages[code];
}

engine_instance* engine_current() { return t_current; }
void engine_set_current(engine_instance* e) { t_current = e; }

void engine_wipe(void* p, size_t n) {
    if (p == nullptr || n == 0) return;
    std::memset(p, 0, n);
    // The empty statement claims to read the memory, so the stores stay.
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

void report_error(int code) {
    engine_instance* e = t_current;
    if (e == nullptr) return;
    if (e->error_control) {
        e->error_number = code;
        return;
    }
    std::printf("\nEngine error from routine ");
    const int depth = e->trace_depth;
    std::printf("%s\n", depth < kTraceSlots ? routine_name(e->trace_stack[depth]) : "???");
    for (int i = depth - 1; i >= 0; --i)
        std::printf("              called from %s\n",
                    i < kTraceSlots ? routine_name(e->trace_stack[i]) : "???");
    std::printf("%s", error_message(code));
    std::fflush(stdout);
    std::exit(0);
}

void engine_clear_error() {
    if (t_current) t_current->error_number = 0;
}

int engine_error() { return t_current ? t_current->error_number : 0; }

TraceScope::TraceScope(int id) : m_e(t_current) {
    if (m_e == nullptr || m_e->error_number != 0) return;
    if (m_e->poll_flag != nullptr && m_e->poll_flag->load(std::memory_order_relaxed))
        m_e->poll_handler(m_e, m_e->poll_context);
    push_trace(m_e, id);
    m_entered = true;
}

void engine_checkpoint() {
    engine_instance* e = t_current;
    if (e != nullptr && e->poll_flag != nullptr && e->poll_flag->load(std::memory_order_relaxed))
        e->poll_handler(e, e->poll_context);
}

// ---- scratch arena ----------------------------------------------------------------

ScratchFrame::ScratchFrame(engine_instance* e) : m_e(e), m_mark(e->scratch_top) {}

ScratchFrame::~ScratchFrame() {
    std::memset(m_e->scratch_base + m_mark, 0, (m_e->scratch_top - m_mark) * sizeof(uint32_t));
    m_e->scratch_top = m_mark;
}

uint32_t* ScratchFrame::words(size_t n) {
    n = (n + 1) & ~static_cast<size_t>(1);  // keep 8-byte alignment
    if (m_e->scratch_top + n > m_e->scratch_words) {
        std::fprintf(stderr, "engine: scratch arena exhausted\n");
        std::abort();
    }
    uint32_t* p = m_e->scratch_base + m_e->scratch_top;
    m_e->scratch_top += n;
    return p;
}

big ScratchFrame::number(size_t cap) {
    if (cap == 0) cap = big_block_words(m_e);
    static_assert(sizeof(big_rec) % sizeof(uint32_t) == 0);
    big x = reinterpret_cast<big>(words(sizeof(big_rec) / sizeof(uint32_t)));
    x->len = 0;
    x->w = words(cap);
    return x;
}

// ---- lifecycle ----------------------------------------------------------------------

engine_instance* engine_open(int digits, uint32_t base) {
    auto* e = static_cast<engine_instance*>(std::calloc(1, sizeof(engine_instance)));
    if (e == nullptr) return nullptr;
    t_current = e;
    e->trace_depth = 0;
    e->trace_stack[0] = 0;
    push_trace(e, ID_ENGINE_OPEN);
    e->error_control = false;
    e->user_hook = nullptr;
    e->coord_mode = 0;
    e->basis_m = e->basis_a = e->basis_b = e->basis_c = 0;
    e->fft_tables = nullptr;

    if (base == 1 || base > (1u << 31)) {
        report_error(6);
        return nullptr;
    }
    if (!choose_base(e, base == 0 ? 0x100u : base)) {
        report_error(26);
        return nullptr;
    }
    if (base == 0) e->apparent_base = 0;

    int words;
    if (digits > 0) {
        words = (digits - 1) / e->digits_per_word + 1;
    } else {
        words = (e->bits_per_word - 8 * digits - 1) / e->bits_per_word;
    }
    if (words < 1) words = 1;
    e->precision_words = words + 1;

    e->overflow_check = true;
    e->io_base = 10;
    e->error_number = 0;
    e->prime_trials = 6;
    e->montgomery = true;
    e->exact = true;
    e->radix_point = false;
    e->trace_print = false;
    e->input_length = 0;
    e->small_primes = nullptr;

    e->raw_rand_state[0] = 0x55555555u;
    e->raw_rand_state[1] = 0x12345678u;
    for (int i = 2; i < kRawRandWords; ++i)
        e->raw_rand_state[i] = e->raw_rand_state[i - 1] + e->raw_rand_state[i - 2] + 0x1379BDF1u;
    e->raw_rand_index = kRawRandWords;
    e->raw_rand_borrow = 0;

    if (2 * e->precision_words + 1 > 0xFFFF) {
        report_error(14);
        return nullptr;
    }

    // Workspace block: the double-length number, the ordinary workspace numbers
    // and the curve/modulus numbers the instance owns, each a record followed by
    // its words.
    const size_t single = big_block_words(e);
    const size_t dbl = 2 * single + 2;
    auto* block = static_cast<uint32_t*>(std::calloc(workspace_total_words(e), sizeof(uint32_t)));
    e->scratch_words = kScratchDoubles * dbl;
    e->scratch_base = static_cast<uint32_t*>(std::calloc(e->scratch_words, sizeof(uint32_t)));
    e->io_buffer = static_cast<char*>(std::calloc(kDefaultIoBuffer + 1, 1));
    e->mont_params = new (std::nothrow) engine_detail::MontParams();
    if (block == nullptr || e->scratch_base == nullptr || e->io_buffer == nullptr ||
        e->mont_params == nullptr) {
        delete e->mont_params;
        e->mont_params = nullptr;
        std::free(block);
        std::free(e->scratch_base);
        std::free(e->io_buffer);
        e->scratch_base = nullptr;
        e->io_buffer = nullptr;
        report_error(8);
        return nullptr;
    }
    e->io_buffer_size = kDefaultIoBuffer;
    e->workspace_block = block;
    uint32_t* p = block;
    auto carve = [&](size_t words_) {
        big x = reinterpret_cast<big>(p);
        p += kRecordWords;
        x->w = p;
        p += words_;
        return x;
    };
    e->workspace_double = carve(dbl);
    for (auto& w : e->workspace) w = carve(single);
    e->modulus = carve(single);
    e->mont_r_shift = carve(2 * single);  // never wider than 2k words, see prepare_monty
    e->mont_ndash_full = carve(single);
    e->curve_a = carve(single);
    e->curve_b = carve(single);
    e->active = true;
    e->trace_depth = 0;
    return e;
}

void set_io_buffer_size(int n) {
    engine_instance* e = t_current;
    if (e == nullptr || n < 0) return;
    if (e->io_buffer != nullptr) {
        engine_wipe(e->io_buffer, static_cast<size_t>(e->io_buffer_size) + 1);
        std::free(e->io_buffer);
        e->io_buffer = nullptr;
    }
    e->io_buffer_size = 0;
    if (n > 0) {
        e->io_buffer = static_cast<char*>(std::calloc(static_cast<size_t>(n) + 1, 1));
        if (e->io_buffer == nullptr) {
            report_error(8);
            return;
        }
        e->io_buffer_size = n;
    }
}

void engine_teardown() {
    engine_instance* e = t_current;
    if (e == nullptr) return;
    e->error_control = false;
    e->active = false;
    engine_detail::release_instance_tables(e);
    if (e->workspace_block != nullptr) {
        engine_wipe(e->workspace_block, workspace_total_words(e) * sizeof(uint32_t));
        std::free(e->workspace_block);
    }
    if (e->scratch_base != nullptr) {
        engine_wipe(e->scratch_base, e->scratch_words * sizeof(uint32_t));
        std::free(e->scratch_base);
    }
    if (e->mont_params != nullptr) {
        engine_wipe(e->mont_params, sizeof(*e->mont_params));
        delete e->mont_params;
    }
    engine_wipe(e->raw_rand_state, sizeof(e->raw_rand_state));
    if (e->io_buffer != nullptr) {
        engine_wipe(e->io_buffer, static_cast<size_t>(e->io_buffer_size) + 1);
        std::free(e->io_buffer);
    }
    if (e->small_primes != nullptr) {
        int n = 0;
        while (e->small_primes[n] != 0) ++n;
        engine_wipe(e->small_primes, (static_cast<size_t>(n) + 1) * sizeof(int32_t));
        std::free(e->small_primes);
    }
    engine_wipe(e, sizeof(*e));
    std::free(e);
    t_current = nullptr;
}

// ---- allocation ---------------------------------------------------------------------

big big_alloc(int initial) {
    TraceScope t(ID_BIG_ALLOC);
    if (!t.ok()) return nullptr;
    engine_instance* e = t.instance();
    if (!e->active) {
        report_error(18);
        return nullptr;
    }
    const size_t words = big_block_words(e);
    const size_t head = (sizeof(big_rec) + 7) / 8 * 8;
    auto* mem = static_cast<unsigned char*>(std::calloc(1, head + words * sizeof(uint32_t)));
    if (mem == nullptr) {
        report_error(8);
        return nullptr;
    }
    big x = reinterpret_cast<big>(mem);
    x->w = reinterpret_cast<uint32_t*>(mem + head);
    big_from_int(initial, x);
    return x;
}

void big_free(big x) {
    if (x == nullptr) return;
    engine_instance* e = t_current;
    // Wipe the whole word block; without an instance wipe what the length says.
    const size_t words = e ? big_block_words(e) : static_cast<size_t>(big_len(x));
    engine_wipe(x->w, words * sizeof(uint32_t));
    x->len = 0;
    std::free(x);
}

// ---- storage of value objects ----------------------------------------------------------

namespace {

// The inert sink: one zero number with room for the largest precision an
// instance can have (2 * precision_words + 1 must fit 16 bits), plus the record.
constexpr size_t kSinkWords = 0x8000 + 8;
alignas(16) uint32_t g_sink_words[kSinkWords];
big_rec g_sink_rec{0, g_sink_words};

}  // namespace

namespace engine_detail {

big value_sink() { return &g_sink_rec; }

big big_alloc_value(int initial) {
    engine_instance* e = t_current;
    if (e == nullptr) return &g_sink_rec;
    if (!e->active) report_error(18);
    const size_t words = big_block_words(e);
    const size_t head = (sizeof(big_rec) + 7) / 8 * 8;
    auto* mem = static_cast<unsigned char*>(std::calloc(1, head + words * sizeof(uint32_t)));
    if (mem == nullptr) {
        report_error(8);
        return &g_sink_rec;
    }
    big x = reinterpret_cast<big>(mem);
    x->w = reinterpret_cast<uint32_t*>(mem + head);
    big_from_int(initial, x);
    return x;
}

void big_free_value(big x) {
    if (x == &g_sink_rec) return;
    big_free(x);
}

}  // namespace engine_detail

void* engine_alloc(size_t count, size_t size) {
    engine_instance* e = t_current;
    if (e == nullptr || e->error_number != 0) return nullptr;
    void* p = std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
    if (p == nullptr) report_error(8);
    return p;
}

void engine_free(void* p) { std::free(p); }

// ---- raw generator --------------------------------------------------------------------

uint32_t raw_rand_next() {
    engine_instance* e = t_current;
    if (e == nullptr) return 0;
    return engine_detail::subtractive_step(e->raw_rand_state, &e->raw_rand_index,
                                           &e->raw_rand_borrow);
}

void raw_rand_seed(uint32_t seed) {
    engine_instance* e = t_current;
    if (e == nullptr) return;
    e->raw_rand_index = 0;
    e->raw_rand_borrow = 0;
    e->raw_rand_state[0] ^= seed;
    uint32_t b = 1, a = seed;
    for (int k = 14; k < 518; k += 14) {
        e->raw_rand_state[k % kRawRandWords] = b;
        const uint32_t t = b;
        b = a - b;
        a = t;
    }
    for (int i = 0; i < 1000; ++i) raw_rand_next();
}
