// Small helpers the action files share: printf-style message text, and field
// values read into and stored from value-class numbers.
//
// Threads: the field helpers run on any thread with a current engine instance
// (the window thread or a worker), as the field operations do.
#pragma once

#include <string>

#include "engine/values.h"

class Workbench;

/// printf-style formatting into a string.
std::string printf_text(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

/// The signed value of field `index` (read_field).
BigInt read_value(Workbench& wb, int index);
/// store_field of `value` into field `index` (redisplay separately).
void store_value(Workbench& wb, int index, const BigInt& value);
/// Upper-case hexadecimal text of x, as numbers inside messages are printed.
inline std::string hex(const BigInt& x) { return x.text(); }

/// The curve of the fields, as every point and key action sets it up: A, B and P
/// read, and for GF(2^m) the polynomial boxes (c = 0 when b = 0).
struct CurveSetup {
    bool binary = false;
    int m = 0, a = 0, b = 0, c = 0;
    BigInt A, B, P;
};
/// Reads A, B and P (and the polynomial) and checks them: validate_gfp_curve for
/// GF(p) (which reduces A and B modulo P), check_polynomial for GF(2^m). Returns
/// the refusal message, empty when the curve is usable.
std::string curve_setup(Workbench& wb, CurveSetup& s);
/// Makes the curve current. GF(2^m): P := 2^m, A and B reduced modulo 2^m first
/// when `reduce` is set; false when the engine refuses the curve. GF(p): (A, B, P).
bool init_curve(CurveSetup& s, bool reduce);
/// Empties field `index` as CLEAR ECC does (a stopped worker empties nothing).
void empty_field(Workbench& wb, int index);
