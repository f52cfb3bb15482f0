// The entropy side of the main window: seeding at start-up, the CPU meter thread
// with "Pau" and "Type", and the seed-typing worker of "Seed Padding".
#include "random/entropy.h"
#include "random/meter.h"
#include "workbench/commands.h"
#include "workbench/workbench.h"

namespace {

// The meter and the typing worker of one window, and their view of it.
class EntropyUi final : public EntropyView {
   public:
    explicit EntropyUi(Workbench& wb) : m_wb(wb), meter(entropy(), *this), typing(entropy(), *this) {}
    ~EntropyUi() override { typing.stop(); }

    std::string seed_padding() override { return m_wb.window().text(ctl::seed_padding); }
    void show_salt(const std::string& text) override { m_wb.window().set_text(ctl::rng_salt, text); }
    void show_cpu(const std::string& text) override { m_wb.window().set_text(ctl::cpu, text); }
    void large_pane(const std::string& text) override { m_wb.set_large_pane(text); }
    void enable_meter_buttons() override {
        m_wb.window().enable(ctl::pau, true);
        m_wb.window().enable(ctl::type, true);
    }

   private:
    Workbench& m_wb;

   public:
    CpuMeter meter;
    SeedTyping typing;
};

}  // namespace

KORVATH_ACTIONS(register_entropy_actions) {
    registry.seeding([](Workbench& wb) {
        entropy().gather_entropy();
        wb.window().set_text(ctl::rng_salt, entropy().seed_text());
    });
    registry.text_hook(ctl::seed_padding, [](Workbench& wb) { wb.extension<EntropyUi>().typing.start(); });
    registry.window_action(ctl::pau, [](Workbench& wb) { wb.extension<EntropyUi>().meter.toggle_suspend(); });
    registry.window_action(ctl::type, [](Workbench& wb) { wb.extension<EntropyUi>().meter.toggle_type(); });
    BackgroundSpec meter;
    meter.order = 0;
    meter.name = "cpu meter";
    meter.priority = ThreadPriority::normal;
    meter.run = [](Workbench& wb, StopToken& stop) { wb.extension<EntropyUi>().meter.run(stop); };
    registry.background(std::move(meter));
}
