#include "workbench/action_support.h"

#include <cstdarg>

#include "numtheory/nt_support.h"
#include "workbench/curve_checks.h"
#include "workbench/polynomial.h"
#include "workbench/workbench.h"

std::string printf_text(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = nt::vformat(fmt, ap);
    va_end(ap);
    return s;
}

BigInt read_value(Workbench& wb, int index) {
    BigInt x;
    wb.fields().read_field(index, x.get());
    return x;
}

void store_value(Workbench& wb, int index, const BigInt& value) { wb.fields().store_field(index, value.get()); }

std::string curve_setup(Workbench& wb, CurveSetup& s) {
    s.binary = wb.curve_type() == kCurveGF2m;
    s.A = read_value(wb, ctl::A);
    s.B = read_value(wb, ctl::B);
    s.P = read_value(wb, ctl::P);
    if (!s.binary) return validate_gfp_curve(s.A, s.B, s.P);
    const Workbench::Poly p = wb.polynomial();
    s.m = p.m;
    s.a = p.a;
    s.b = p.b;
    s.c = p.c;
    return check_polynomial(s.m, s.a, s.b, s.c);
}

bool init_curve(CurveSetup& s, bool reduce) {
    if (!s.binary) {
        init_gfp_curve(s.A, s.B, s.P);
        return true;
    }
    expb2(s.m, s.P.get());
    if (reduce) {
        s.A %= s.P;
        s.B %= s.P;
    }
    return init_gf2m_curve(s.m, s.a, s.b, s.c, s.A, s.B);
}

void empty_field(Workbench& wb, int index) {
    engine_checkpoint();
    wb.fields().clear_field(index);
}
