// The workbench fixture with helpers for the curve actions: curve set-up from
// the standard curves, typing into fields and boxes, running a worker to its end
// and reading the progress log.
#pragma once

#include <string>

#include "engine/values.h"
#include "numtheory/progress_log.h"
#include "tests/support/standard_curves.h"
#include "tests/workbench/fixture.h"

namespace testsupport {

class ActionsTest : public WorkbenchTest {
   protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        set_run_state(RunState::idle);
        log_clear();
    }

    /// Types `v` into a small box (m, a, b, c, CurveBits).
    bool box(ControlId id, unsigned v) { return win->type_text(id, std::to_string(v)); }
    /// GF(2^m) with the polynomial (m, a, b, c).
    void binary_field(unsigned m, unsigned a, unsigned b = 0, unsigned c = 0) {
        ASSERT_TRUE(win->choose(ctl::curve_type, 1));
        ASSERT_TRUE(box(ctl::m_box, m) && box(ctl::a_box, a) && box(ctl::b_box, b) && box(ctl::c_box, c));
    }
    /// Types hex text into a field; S and H are made editable first.
    void set(int field, const std::string& hex) {
        if (field == ctl::S && !win->checked(ctl::check_s)) {
            ASSERT_TRUE(win->click(ctl::check_s));
        }
        if (field == ctl::H && !win->checked(ctl::check_h)) {
            ASSERT_TRUE(win->click(ctl::check_h));
        }
        ASSERT_TRUE(type(field, hex)) << field;
    }
    /// The curve `name` of the data file in the fields and boxes: A, B, P (GF(p))
    /// or the polynomial (GF(2^m)), G and Q = n, NP = n*h.
    void use_curve(const std::string& name) {
        const StandardCurve& c = standard_curve(name);
        if (c.binary) {
            const auto& e = c.poly_exponents;
            binary_field(static_cast<unsigned>(e[0]), static_cast<unsigned>(e[1]),
                         e.size() > 3 ? static_cast<unsigned>(e[2]) : 0, e.size() > 3 ? static_cast<unsigned>(e[3]) : 0);
        } else {
            ASSERT_TRUE(win->choose(ctl::curve_type, 0));
            set(ctl::P, c.p);
        }
        set(ctl::A, c.a);
        set(ctl::B, c.b);
        set(ctl::GX, c.gx);
        set(ctl::GY, c.gy);
        set(ctl::Q, c.n);
        set(ctl::NP, times(c.n, c.h));
    }
    /// n*h for a hex n and small h, as hex (through the engine's own text conversion).
    static std::string times(const std::string& n, int h);

    /// Clicks a worker button and pumps until the worker has ended.
    bool run_worker(ControlId button, int timeout_ms = 20000) {
        if (!win->click(button)) return false;
        return pump_until([&] { return !wb->workers().worker_alive(); }, timeout_ms);
    }
    /// Waits until slot `slot` is running.
    bool wait_running(int slot) {
        return pump_until([&] { return wb->workers().state(slot) == SlotState::running; });
    }
    static std::string log() { return progress_log().text(); }
    std::string cost() { return win->text(ctl::cost); }
};

inline std::string ActionsTest::times(const std::string& n, int h) {
    BigInt x;
    cinstr(x.get(), n.c_str());
    x *= h;
    return x.text();
}

}  // namespace testsupport
