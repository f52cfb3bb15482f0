// The engine instance: precision, number bases, error state, routine trace,
// current modulus, curve and GF(2^m) basis, scratch memory and I/O buffer.
//
// One instance is current per thread (engine_current/engine_set_current): each
// thread that computes opens its own instance with engine_open and tears it down
// with engine_teardown, so threads never share modulus, curve or error state.
//
// Errors are numbered 1..28 with fixed messages. With error_control on an error
// only records its number; the number is sticky and every traced routine returns
// at once while it is non-zero. With error_control off an error prints a report
// with the routine trace to standard output and ends the process.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

struct big_rec;
using big = big_rec*;

namespace engine_detail {
struct FftTables;  // transform tables of the polynomial product (value classes)
struct MontParams;  // limb form of the current modulus (mont_kernels.h)
}

/// Routine identifiers recorded on the trace; names in routine_name().
enum RoutineId : int {
    ID_YOUR_PROGRAM = 0, ID_INNUM = 1, ID_OTNUM = 2, ID_JACK = 3, ID_NORMALISE = 4,
    ID_MULTIPLY = 5, ID_DIVIDE = 6, ID_INCR = 7, ID_DECR = 8, ID_PREMULT = 9, ID_SUBDIV = 10,
    ID_FDSIZE = 11, ID_EGCD = 12, ID_CBASE = 13, ID_CINNUM = 14, ID_COTNUM = 15, ID_NROOT = 16,
    ID_POWER = 17, ID_POWMOD = 18, ID_BIGDIG = 19, ID_BIGRAND = 20, ID_NXPRIME = 21,
    ID_ISPRIME = 22, ID_BIG_ALLOC = 23, ID_MAD = 24, ID_MULTI_INVERSE = 25, ID_PUTDIG = 26,
    ID_ADD = 27, ID_SUBTRACT = 28, ID_ENGINE_OPEN = 29, ID_XGCD = 30, ID_FPACK = 31,
    ID_WORD_SHIFT = 33, ID_LOGB2 = 49, ID_EXPINT = 50, ID_GPRIME = 70, ID_POWLTR = 71,
    ID_FFT_MULT = 72, ID_CRT_INIT = 73, ID_CRT = 74, ID_OTSTR = 75, ID_INSTR = 76,
    ID_COTSTR = 77, ID_CINSTR = 78, ID_POWMOD2 = 79, ID_PREPARE_MONTY = 80, ID_NRES = 81,
    ID_REDC = 82, ID_NRES_MODMULT = 83, ID_NRES_POWMOD = 84, ID_NRES_MODDIV = 85,
    ID_NRES_POWLTR = 86, ID_DIVISIBLE = 87, ID_REMAIN = 88, ID_NRES_MODADD = 90,
    ID_NRES_MODSUB = 91, ID_NRES_NEGATE = 92, ID_ECURVE_INIT = 93, ID_ECURVE_ADD = 94,
    ID_ECURVE_MULT = 95, ID_EPOINT_INIT = 96, ID_EPOINT_SET = 97, ID_EPOINT_GET = 98,
    ID_NRES_POWMOD2 = 99, ID_NRES_SQROOT = 100, ID_SQROOT = 101, ID_NRES_PREMULT = 102,
    ID_ECURVE_MULT2 = 103, ID_ECURVE_SUB = 104, ID_TRIAL_DIVISION = 105, ID_NXSAFEPRIME = 106,
    ID_NRES_LUCAS = 107, ID_LUCAS = 108, ID_SET_USER_FUNCTION = 111, ID_EPOINT_NORM = 117,
    ID_NRES_MULTI_INVERSE = 118, ID_NRES_DOTPROD = 120, ID_EPOINT_NEGATE = 121,
    ID_ECURVE_MULTI_ADD = 122, ID_ECURVE2_INIT = 123, ID_EPOINT2_SET = 125,
    ID_EPOINT2_NORM = 126, ID_EPOINT2_GET = 127, ID_EPOINT2_COMP = 128, ID_ECURVE2_ADD = 129,
    ID_EPOINT2_NEGATE = 130, ID_ECURVE2_SUB = 131, ID_ECURVE2_MULTI_ADD = 132,
    ID_ECURVE2_MULT = 133, ID_ECURVE2_MULTN = 134, ID_ECURVE2_MULT2 = 135,
    ID_PREPARE_BASIS = 138, ID_STRONG_BIGRAND = 139, ID_BYTES_TO_BIG = 140,
    ID_BIG_TO_BYTES = 141, ID_SET_IO_BUFFER_SIZE = 142, ID_EPOINT_GETXYZ = 143,
    ID_EXPB2 = 149, ID_BIGBITS = 150,
};

/// Number of entries of the routine-name table.
constexpr int kRoutineCount = 173;
/// Depth of the stored routine trace; deeper levels are counted, not stored.
constexpr int kTraceSlots = 24;
/// Words of the engine's raw subtractive generator.
constexpr int kRawRandWords = 37;
/// Largest GF(2^m) element in 64-bit words (m <= 2304, past the 2,208 bits of
/// the workbench's precision).
constexpr int kGf2MaxWords = 36;

/// Name of routine `id` ("" for the empty table slots, "???" outside the table).
const char* routine_name(int id);
/// Message of error `code` exactly as the reports print it (ends with "\n").
const char* error_message(int code);

/// The instance record. Field order follows the engine's documented record;
/// fields after the documented ones are this implementation's own.
struct engine_instance {
    uint32_t base;             // internal number base; 0 = 2^32 (always, see engine_open)
    uint32_t word_mask;        // base - 1
    uint32_t apparent_base;    // digit base of instr/otstr
    int32_t digits_per_word;   // apparent_base digits per word
    int32_t bits_per_word;     // 32 for full words
    uint32_t base_pow2;        // 0 for full words
    bool (*user_hook)();       // optional callback; false stops searches (isprime, nxprime)
    int32_t precision_words;   // capacity of every big in words (69 for the workbench)
    int32_t trace_depth;
    int32_t trace_stack[kTraceSlots];
    bool overflow_check;
    bool active;
    uint32_t raw_rand_state[kRawRandWords];
    int32_t raw_rand_index;
    uint32_t raw_rand_borrow;

    // Montgomery arithmetic (modular.h)
    uint32_t mont_ndash;       // -n^-1 mod 2^32
    big modulus;               // current modulus; zero while none is set
    big mont_r_shift;          // n * 2^(32k)
    bool modulus_pow2_words;   // n has 16*2^j words: Karatsuba-Comba products
    big mont_ndash_full;       // -n^-1 mod R, kept when modulus_pow2_words
    bool montgomery;
    int32_t modulus_mod8;
    int32_t small_qnr;

    // Curves (ecp.h, gf2m.h)
    int32_t coord_mode;        // 0 projective, 1 affine
    int32_t curve_a_small;     // short form of A, or +-2^30 meaning "use curve_a"
    int32_t curve_b_small;
    big curve_a;               // residues (GF(p): Montgomery form) when no short form
    big curve_b;
    bool supersingular;
    bool koblitz;
    int32_t basis_m, basis_a, basis_b, basis_c;
    // Data prepare_basis derives from the basis (gf2m.h): whether it passed the
    // irreducibility test, sqrt(x) mod f, and the mask of the powers x^i whose
    // trace is 1, as 64-bit words.
    bool gf2_basis_checked;
    uint64_t gf2_sqrt_x[kGf2MaxWords];
    uint64_t gf2_trace_mask[kGf2MaxWords];

    // Workspace: scratch numbers for routines, in one zero-filled block.
    big workspace_double;      // 2 * precision_words + 1 words
    big workspace[8];
    void* workspace_block;

    // Transform tables for polynomial products (value classes).
    engine_detail::FftTables* fft_tables;

    int32_t io_buffer_size;
    bool error_control;
    int32_t error_number;
    int32_t prime_trials;
    int32_t input_length;
    int32_t io_base;
    bool exact;
    bool radix_point;
    bool trace_print;
    int32_t* small_primes;     // zero-terminated table built by gprime
    char* io_buffer;

    // ---- implementation fields ----
    // Scratch arena: a LIFO region of words that routines borrow through
    // ScratchFrame, so arithmetic never touches the heap.
    uint32_t* scratch_base;
    size_t scratch_words;
    size_t scratch_top;
    // Worker checkpoint: when *poll_flag is set, poll_handler runs at the entry of
    // the next traced routine (it may block while paused, or throw to end a worker).
    // The current modulus in the kernels' 64-bit limb form with its constants,
    // refreshed by prepare_monty.
    engine_detail::MontParams* mont_params;
    const std::atomic<bool>* poll_flag;
    void (*poll_handler)(engine_instance*, void* context);
    void* poll_context;
};

// ---- lifecycle -------------------------------------------------------------

/// Opens a new instance with `digits` digits of `base` precision, makes it current
/// for the calling thread and returns it (nullptr when it could not be set up; with
/// error control off that prints the error and exits).
/// The internal word base is always 2^32: `base` must be binary (2, 4, 16, 256,
/// 65536, or a base whose largest power below 2^31 is a power of two) and
/// becomes the apparent (text) base. Non-binary bases give error 26.
engine_instance* engine_open(int digits, uint32_t base);
/// The calling thread's current instance (nullptr if none).
engine_instance* engine_current();
/// Makes `e` current for the calling thread.
void engine_set_current(engine_instance* e);
/// Turns error control off, wipes and frees everything of the current instance
/// and clears the current-instance pointer.
void engine_teardown();
/// Resizes the I/O text buffer to n (+1) bytes; n < 0 is ignored, 0 frees it.
void set_io_buffer_size(int n);

// ---- allocation ------------------------------------------------------------

/// A new number of full precision holding `initial`. nullptr without allocating
/// when an error is recorded; error 18 when the instance is not active, 8 when
/// memory runs out.
big big_alloc(int initial);
/// Wipes and frees x (nullptr ignored).
void big_free(big x);
/// count*size zero-filled bytes (error 8 on failure; nullptr when an error is
/// recorded).
void* engine_alloc(size_t count, size_t size);
/// Frees memory from engine_alloc without wiping.
void engine_free(void* p);
/// Zeroes n bytes in a way the compiler cannot elide.
void engine_wipe(void* p, size_t n);

// ---- errors and trace --------------------------------------------------------

/// Records (error control on) or reports and exits (off) error `code`.
void report_error(int code);
/// Clears the recorded error of the current instance (start of a user action).
void engine_clear_error();
/// Current recorded error number of the current instance (0 when none).
int engine_error();

/// Entry guard of every traced routine.
///
///     TraceScope t(ID_ADD);
///     if (!t.ok()) return;
///
/// ok() is false (and nothing is recorded) when there is no current instance or
/// an error is already recorded. Otherwise the worker checkpoint runs (it may
/// block or throw), the depth is incremented and the identifier stored; the
/// destructor decrements the depth again.
class TraceScope {
   public:
    explicit TraceScope(int id);
    ~TraceScope() {
        if (m_entered) --m_e->trace_depth;
    }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;
    bool ok() const { return m_entered; }
    engine_instance* instance() const { return m_e; }

   private:
    engine_instance* m_e;
    bool m_entered = false;
};

/// Runs the worker checkpoint of the current instance if one is pending. Long
/// loops that call no traced routine use it to stay pausable and stoppable.
void engine_checkpoint();

// ---- scratch arena -----------------------------------------------------------

/// Borrows words from the instance's scratch arena for the lifetime of the frame
/// (LIFO). The words are not cleared on entry; they are zeroed when the frame ends.
class ScratchFrame {
   public:
    explicit ScratchFrame(engine_instance* e);
    ~ScratchFrame();
    ScratchFrame(const ScratchFrame&) = delete;
    ScratchFrame& operator=(const ScratchFrame&) = delete;
    /// n words (zero-filled), 8-byte aligned. Aborts the process if the arena is
    /// exhausted, which is a programming error (the arena is sized for the
    /// deepest nesting of engine routines).
    uint32_t* words(size_t n);
    /// A big record on the arena with room for `cap` words (zero value).
    big number(size_t cap = 0);

   private:
    engine_instance* m_e;
    size_t m_mark;
};

// ---- raw generator -------------------------------------------------------------

/// Seeds the engine's fast non-cryptographic generator.
void raw_rand_seed(uint32_t seed);
/// Next word of the engine's fast generator.
uint32_t raw_rand_next();

#ifdef ENGINE_VERIFY
#include <cstdio>
#include <cstdlib>
#define ENGINE_CHECK(cond)                                                                 \
    do {                                                                                   \
        if (!(cond)) {                                                                     \
            std::fprintf(stderr, "%s:%d: engine check failed: %s\n", __FILE__, __LINE__, \
                         #cond);                                                           \
            std::abort();                                                                  \
        }                                                                                  \
    } while (0)
#else
#define ENGINE_CHECK(cond) \
    do {                   \
    } while (0)
#endif
