// The twelve number fields: their records, the input parse of typed text and the
// redisplay of stored values in the display base.
//
// A FieldRecord is the value actions read; the field's text is only its view.
// The magnitude is upper-case hexadecimal text of at most 559 characters (empty
// means 0), with the sign beside it. Records are guarded by the field lock (a
// mutex held only briefly, never across a window call); the redisplay guard is
// an atomic flag set and cleared under that lock, so the window thread's input
// parse can test it while a worker redraws fields.
//
// Threads: read_field, store_field and redisplay_changed_fields may run on any
// thread with a current engine instance (the window thread or a worker); the
// input parse, show_field and the base change run where the window sends them.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/big.h"
#include "workbench/controls.h"

class Window;

constexpr size_t kMagnitudeMax = 559;

struct FieldRecord {
    bool changed = false;
    int sign = 1;
    std::string magnitude;  // upper-case hex, no sign; empty = 0
};

class Fields {
   public:
    explicit Fields(Window& window) : m_window(window) {}

    /// Clears every record (changed off, sign +1, empty).
    void reset();

    /// out := the record's magnitude read in base 16, with its sign.
    void read_field(int index, big out);
    /// Stores value: sign (0 counts as +1), hex magnitude of |value|, changed set.
    void store_field(int index, const big_rec* value);
    /// Draws every changed record in the display base and clears its mark;
    /// nothing while the redisplay guard is set.
    void redisplay_changed_fields();
    /// Draws record `index` in new_base (see the number-base rules); writes
    /// "BASE Changed OK." to the large pane when new_base differs from old_base.
    void show_field(int index, int new_base, int old_base);

    /// The input parse of field `index` after its text changed (window thread).
    void parse_input(int index);
    /// Number base change to `new_base`; refused (false) while `worker_running`.
    bool change_base(int new_base, bool worker_running);
    /// Empties field `index` as CLEAR ECC / CLEAR KEY do.
    void clear_field(int index);

    int display_base() const { return m_base.load(); }
    bool guard_set() const { return m_guard.load(); }
    /// Sets the guard under the field lock; false if it was already set.
    bool set_guard();
    void clear_guard();

    FieldRecord record(int index) const;
    /// Overwrites a record (tests and the configuration loader's own use).
    void set_record(int index, const FieldRecord& r);

   private:
    void set_counter(int index, int bits);
    void large_pane(std::string_view text);

    Window& m_window;
    mutable std::mutex m_lock;  // the field lock
    std::array<FieldRecord, ctl::kFieldCount> m_records;
    std::atomic<bool> m_guard{false};
    std::atomic<int> m_base{16};
};

/// Signed upper-case hex of value in base 16 without a sign ("" is never
/// returned: zero gives "0"), through the engine's text conversion.
std::string big_to_hex_magnitude(const big_rec* value);
/// Bits of the hex magnitude text (0 for empty or zero).
int hex_magnitude_bits(const std::string& hex);
