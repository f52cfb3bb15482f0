// The short "KeyPairs" actions on the window thread: CHK ORDER, RAND G, NEW K,
// CALC R, CHK Gy, CHK Ry, L*G+H*R and TEST. Each reads its fields, sets the
// curve up, computes and reports one message in the large pane.
#include "engine/modular.h"
#include "random/entropy.h"
#include "workbench/action_support.h"
#include "workbench/commands.h"
#include "workbench/curve_checks.h"
#include "workbench/workbench.h"

namespace {

std::string field_text(int m) { return "GF(2^" + std::to_string(m) + ")"; }

void check_order(Workbench& wb) {
    CurveSetup s;
    const BigInt q = read_value(wb, ctl::Q), gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY);
    std::string message = curve_setup(wb, s);
    if (message.empty())
        message = s.binary ? test_point_order_gf2m(s.m, s.a, s.b, s.c, s.A, s.B, q, gx, gy, true, 0)
                           : test_point_order_gfp(s.A, s.B, s.P, q, gx, gy, true, 0);
    if (message.empty()) message = "G(x,y) is on Curve\r\n*** And Order = " + hex(q) + "\r\n";
    wb.set_large_pane(message);
}

void random_base_point(Workbench& wb) {
    CurveSetup s;
    std::string message = curve_setup(wb, s);
    if (message.empty() && !init_curve(s, true))
        message = "Illegal Curve Parameters over " + field_text(s.m) + "\r\n";
    if (!message.empty()) {
        wb.set_large_pane(message);
        return;
    }
    // Every valid curve has points; the draw ends at the first abscissa of one
    // (or when the engine has recorded an error and computes no more).
    CurvePoint g(s.binary);
    BigInt x, y;
    do {
        x = rand(s.P);
    } while (!g.set_compressed(x, 0) && engine_error() == 0);
    g.get(x, y);
    store_value(wb, ctl::GX, x);
    store_value(wb, ctl::GY, y);
    wb.fields().redisplay_changed_fields();
    wb.set_large_pane("Done rand Point G(x,y)\r\n");
}

void new_private_key(Workbench& wb) {
    const BigInt q = read_value(wb, ctl::Q);
    if (!isprime(q.get())) {
        wb.set_large_pane("Order Q is not Prime");
        return;
    }
    BigInt k;
    strong_random_below(q.get(), k.get());
    store_value(wb, ctl::K, k);
    wb.fields().redisplay_changed_fields();
}

void calculate_public_key(Workbench& wb) {
    CurveSetup s;
    const BigInt gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY), k = read_value(wb, ctl::K);
    std::string message = curve_setup(wb, s);
    if (message.empty() && !init_curve(s, true)) message = "Illegal GF(2^M) Curve Parameters";
    if (!message.empty()) {
        wb.set_large_pane(message);
        return;
    }
    CurvePoint g(s.binary), r(s.binary);
    if (!g.set(gx, gy)) {
        wb.set_large_pane("Point G(x,y) is not OK.");
        return;
    }
    g.mul(k, r);
    BigInt rx, ry;
    r.get(rx, ry);  // (0, 0) for the point at infinity
    store_value(wb, ctl::RX, rx);
    store_value(wb, ctl::RY, ry);
    wb.fields().redisplay_changed_fields();
    wb.set_large_pane("Done Pub: R(x,y) = k * G(x,y).\r\n");
}

// CHK Gy / CHK Ry: the points of the curve with the abscissa of field `fx`.
void find_y_for_x(Workbench& wb, int fx, int fy) {
    CurveSetup s;
    const BigInt x = read_value(wb, fx);
    BigInt y = read_value(wb, fy);
    std::string message = curve_setup(wb, s);
    if (message.empty() && !init_curve(s, true)) message = "Illegal GF(2^M) Curve Parameters";
    if (!message.empty()) {
        wb.set_large_pane(message);
        return;
    }
    CurvePoint point(s.binary);
    const bool already_ok = point.set(x, y);
    const BigInt given_y = y;
    BigInt px, y0, y1;
    int found = 0, last_bit = 0;
    if (point.set_compressed(x, 0)) {
        point.get(px, y0);
        y = y0;
        found = 1;
        last_bit = 0;
    }
    if (point.set_compressed(x, 1)) {
        point.get(px, y1);
        y = y1;
        ++found;
        last_bit = 1;
    }
    if (found == 2 && hex(y0) == hex(y1)) {
        found = 1;
        last_bit = y % 2 != 0 ? 1 : 0;
    }
    const std::string X = hex(x);
    if (found == 0) {
        message = "No Point(x,y) on the curve for this x-coordinate.\r\n";
        y = 0;
    } else if (found == 2) {
        message = "2 Point(x,y) on the curve for this x-coordinate.\r\nX= " + X + "\r\nY= " + hex(y0) + "\r\nY= " +
                  hex(y1) + "\r\n";
    } else {
        message = "1 Point(x,y) on the curve for this x-coordinate.\r\nX= " + X + "\r\nY= " +
                  hex(last_bit == 0 ? y0 : y1) + "\r\nY-LSB= " + (last_bit == 0 ? "0" : "1") + "\r\n";
    }
    if (already_ok) {
        y = given_y;
        message += "\r\n*** Point(x,y) is already OK. ***\r\n";
    }
    store_value(wb, fx, x);
    store_value(wb, fy, y);
    wb.fields().redisplay_changed_fields();
    wb.set_large_pane(message);
}

void linear_combination(Workbench& wb) {
    CurveSetup s;
    const BigInt gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY);
    const BigInt rx = read_value(wb, ctl::RX), ry = read_value(wb, ctl::RY);
    const BigInt l = read_value(wb, ctl::S), h = read_value(wb, ctl::H);
    std::string message = curve_setup(wb, s);
    if (message.empty() && !init_curve(s, false)) message = "Illegal GF(2^M) Curve Parameters";
    if (!message.empty()) {
        wb.set_large_pane(message);
        return;
    }
    CurvePoint g(s.binary), r(s.binary), w(s.binary);
    if (!g.set(gx, gy)) {
        wb.set_large_pane("Point G(x,y) is not OK.");
        return;
    }
    if (!r.set(rx, ry)) {
        wb.set_large_pane("Point R(x,y) is not OK.");
        return;
    }
    CurvePoint::mul2(l, g, h, r, w);
    BigInt wx, wy;
    w.get(wx, wy);
    wb.set_large_pane("Done W(x,y) = L*G(x,y) + H*R(x,y).\r\nW(x,y)=\r\n" + hex(wx) + "\r\n" + hex(wy) + "\r\nL=" +
                      hex(l) + "\r\nH=" + hex(h) + "\r\nG(x,y)=\r\n" + hex(gx) + "\r\n" + hex(gy) +
                      "\r\nR(x,y)=\r\n" + hex(rx) + "\r\n" + hex(ry) + "\r\n");
}

// TEST: the checks before the signature test dialog opens. It does not check
// that R = k*G or that Q*G is the point at infinity.
std::string test_key_pair(Workbench& wb) {
    const int type = wb.curve_type();
    if (type != kCurveGFp && type != kCurveGF2m) return "Invalid Curve Type";
    CurveSetup s;
    const BigInt gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY);
    const BigInt rx = read_value(wb, ctl::RX), ry = read_value(wb, ctl::RY);
    const BigInt q = read_value(wb, ctl::Q), k = read_value(wb, ctl::K);
    std::string message = curve_setup(wb, s);
    if (!message.empty()) return message;
    if (!s.binary) init_curve(s, false);
    if (!isprime(q.get())) return "Order Q is NOT Prime!";
    if (k.is_zero()) return "Privkey is Zero!";
    if (s.binary && !init_curve(s, false)) return "Init Curve(2^m) Error";
    CurvePoint g(s.binary), r(s.binary);
    if (!g.set(gx, gy)) return "G(x,y) is not curve";
    if (!r.set(rx, ry)) return "R(x,y) is not curve";
    return "";
}

void test_command(Workbench& wb) {
    const std::string message = test_key_pair(wb);
    if (!message.empty()) {
        wb.set_large_pane(message);
        return;
    }
    if (const WindowAction* open = wb.registry().find_signature_dialog()) (*open)(wb);
}

}  // namespace

KORVATH_ACTIONS(register_key_actions) {
    registry.window_action(ctl::chk_order, check_order);
    registry.window_action(ctl::rand_g, random_base_point);
    registry.window_action(ctl::new_k, new_private_key);
    registry.window_action(ctl::calc_r, calculate_public_key);
    registry.window_action(ctl::chk_gy, [](Workbench& wb) { find_y_for_x(wb, ctl::GX, ctl::GY); });
    registry.window_action(ctl::chk_ry, [](Workbench& wb) { find_y_for_x(wb, ctl::RX, ctl::RY); });
    registry.window_action(ctl::lg_hr, linear_combination);
    registry.window_action(ctl::test, test_command);
}
