// A workbench on a headless window, started as the program starts it but with a
// manual clock, fixed system information and no background threads unless a
// test asks for them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/headless_window.h"
#include "platform/system_info.h"
#include "workbench/commands.h"
#include "workbench/controls.h"
#include "workbench/number_text.h"
#include "workbench/workbench.h"

namespace testsupport {

class WorkbenchTest : public ::testing::Test {
   protected:
    void SetUp() override { start(); }
    void TearDown() override { wb.reset(); }

    /// (Re)starts the workbench with `options` adjusted by the test.
    void start(bool display_loop = false, const CommandRegistry* registry = nullptr, bool seed = false,
               bool background = false) {
        wb.reset();
        win = std::make_unique<HeadlessWindow>();
        WorkbenchOptions o;
        o.clock = &clock;
        o.info = &info;
        o.background_threads = background;
        o.display_loop = display_loop;
        o.seed_entropy = seed;
        o.registry = registry;
        wb = std::make_unique<Workbench>(*win, o);
        wb->start();
    }

    bool type(int field, const std::string& text) { return win->type_text(ctl::field_edit(field), text); }
    std::string text(int field) { return win->text(ctl::field_edit(field)); }
    std::string counter(int field) { return win->text(ctl::field_counter(field)); }
    std::string pane() { return win->text(ctl::large_pane); }
    std::string status() { return win->text(ctl::status_pane); }
    /// Selects a display base as the user would.
    bool choose_base(int base) {
        for (int i = 0; i < 5; ++i)
            if (kDisplayBases[i] == base) return win->choose(ctl::number_base, i);
        return false;
    }
    /// The record of a field as signed hex ("-1F", "0").
    std::string value(int field) {
        const FieldRecord r = wb->fields().record(field);
        std::string m = r.magnitude;
        size_t i = 0;
        while (i + 1 < m.size() && m[i] == '0') ++i;
        m = m.substr(i);
        if (m.empty()) m = "0";
        return (r.sign < 0 && m != "0" ? "-" : "") + m;
    }
    bool pump_until(const std::function<bool()>& pred, int ms = 5000) {
        return win->pump_until(pred, std::chrono::milliseconds(ms));
    }

    ManualClock clock;
    FixedSystemInfo info;
    std::unique_ptr<HeadlessWindow> win;
    std::unique_ptr<Workbench> wb;
};

}  // namespace testsupport
