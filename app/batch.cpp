#include "app/batch.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/headless_window.h"
#include "workbench/config_file.h"
#include "workbench/controls.h"
#include "workbench/workbench.h"

namespace {

using namespace std::chrono_literals;

const char* const kFieldNames[ctl::kFieldCount] = {"NP",       "A/a2",     "B/a6",     "P",
                                                   "Q[Order]", "k[Priv]",  "Gx[Base]", "Gy[Base]",
                                                   "Rx[Pub]",  "Ry[Pub]",  "Hash/H",   "S160/L"};

const char* const kUsage =
    "usage: korvath-batch [--load FILE] [--save FILE] [--set NAME=VALUE] [--press CAPTION]\n"
    "                     [--close-dialog] [--timeout SECONDS] ...   (applied in order)\n";

std::string plain_lines(std::string s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        out += s[i];
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

class Batch {
   public:
    Batch(std::ostream& out, std::ostream& err) : m_out(out), m_err(err), m_wb(m_win) {}

    int run(const std::vector<std::string>& args) {
        m_wb.start();
        m_win.pump_until([&] { return m_wb.ready(); }, 10s);
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& opt = args[i];
            if (opt == "--help" || opt == "-h") {
                m_out << kUsage;
                return 0;
            }
            if (opt == "--close-dialog") {
                if (m_win.dialog() == nullptr) return usage("--close-dialog: no dialog is open");
                m_win.close_dialog(m_win.dialog());
                continue;
            }
            if (opt != "--load" && opt != "--save" && opt != "--set" && opt != "--press" && opt != "--timeout")
                return usage("unknown option \"" + opt + "\"");
            if (i + 1 >= args.size()) return usage(opt + ": missing value");
            const std::string& value = args[++i];
            int code = 0;
            if (opt == "--load") code = load(value);
            else if (opt == "--save") code = save(value);
            else if (opt == "--set") code = set(value);
            else if (opt == "--press") code = press(value);
            else code = timeout(value);
            if (code == 3) {
                // A worker was stopped at the timeout: the later options may
                // rely on its result, so they are skipped, but the fields as
                // they stand are still printed.
                dump_fields();
                return code;
            }
            if (code != 0) return code;
            if (m_wb.exit_requested()) break;
        }
        dump_fields();
        return 0;
    }

   private:
    int usage(const std::string& message) {
        m_err << "korvath-batch: " << message << "\n";
        return 2;
    }

    int load(const std::string& path) {
        if (load_configuration(m_wb, path) != 0) return usage("cannot read \"" + path + "\": " + last_line());
        settle();
        return 0;
    }

    int save(const std::string& path) {
        if (save_configuration(m_wb, path) != 0) return usage("cannot write \"" + path + "\": " + last_line());
        return 0;
    }

    // The reason the workbench wrote into the large pane.
    std::string last_line() {
        std::string t = m_win.text(ctl::large_pane);
        while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
        const size_t nl = t.rfind('\n');
        t = nl == std::string::npos ? t : t.substr(nl + 1);
        const size_t colon = t.rfind(": ");
        return colon == std::string::npos ? t : t.substr(colon + 2);
    }

    HeadlessWindow* target_of(const std::string& name, ControlId& id) {
        if (HeadlessWindow* d = m_win.dialog()) {
            id = d->find(name);
            if (id != kNoControl) return d;
        }
        id = m_win.find(name);
        return id == kNoControl ? nullptr : &m_win;
    }

    int set(const std::string& assignment) {
        const size_t eq = assignment.find('=');
        if (eq == std::string::npos) return usage("--set " + assignment + ": missing \"=VALUE\"");
        const std::string name = assignment.substr(0, eq);
        const std::string value = assignment.substr(eq + 1);
        ControlId id;
        HeadlessWindow* w = target_of(name, id);
        if (w == nullptr) return usage("--set: unknown control \"" + name + "\"");
        const ControlKind kind = w->form().find(id)->kind;
        bool ok = false;
        if (kind == ControlKind::list) {
            const std::vector<std::string> entries = w->list_entries(id);
            int index = -1;
            for (size_t k = 0; k < entries.size(); ++k)
                if (entries[k] == value) index = static_cast<int>(k);
            if (index < 0) return usage("--set " + name + ": no entry \"" + value + "\"");
            ok = w->choose(id, index);
        } else if (kind == ControlKind::check_box || kind == ControlKind::radio_button) {
            if (value != "0" && value != "1") return usage("--set " + name + ": value must be 0 or 1");
            ok = w->checked(id) == (value == "1") || w->click(id);
        } else if (kind == ControlKind::edit || kind == ControlKind::multi_edit) {
            ok = w->type_text(id, value);
        }
        if (!ok) return usage("--set " + name + ": the control does not take input now");
        settle();
        return 0;
    }

    int press(const std::string& caption) {
        ControlId id;
        HeadlessWindow* w = target_of(caption, id);
        if (w == nullptr || w->form().find(id)->kind != ControlKind::button)
            return usage("--press: unknown button \"" + caption + "\"");
        if (!w->click(id)) return usage("--press " + caption + ": the button is not enabled now");
        const int code = wait_for_workers();
        print_panes(caption);
        return code;
    }

    int timeout(const std::string& value) {
        char* end = nullptr;
        const double s = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != '\0' || !(s >= 0)) return usage("--timeout: not a number of seconds");
        m_timeout = std::chrono::milliseconds(static_cast<long long>(s * 1000));
        return 0;
    }

    // Pumps until no worker runs and every display has shown its output.
    int wait_for_workers() {
        auto idle = [&] { return !m_wb.busy(); };
        const auto limit = m_timeout.value_or(std::chrono::hours(24 * 365));
        if (!m_win.pump_until(idle, limit)) {
            m_wb.press(ctl::stop);
            m_win.pump_until(idle, 30s);
            settle();
            return 3;
        }
        settle();
        return 0;
    }

    // Lets queued window work (display loops, nested notifications) run.
    void settle() { m_win.pump_for(20ms); }

    void print_panes(const std::string& caption) {
        if (HeadlessWindow* d = m_win.dialog()) {
            std::string status_line;
            bool has_status = false;
            for (const ControlSpec& c : d->form().controls) {
                if (c.name.empty() || (c.kind != ControlKind::edit && c.kind != ControlKind::multi_edit)) continue;
                if (c.name == "status") {
                    status_line = d->text(c.id);
                    has_status = true;
                    continue;
                }
                m_out << c.name << " = " << d->text(c.id) << "\n";
            }
            if (has_status) m_out << "status = " << status_line << "\n";
            return;
        }
        m_out << "== " << caption << " ==\n";
        m_out << plain_lines(m_win.text(ctl::large_pane));
        m_out << "-- status --\n";
        m_out << plain_lines(m_win.text(ctl::status_pane));
    }

    void dump_fields() {
        for (int i = 0; i < ctl::kFieldCount; ++i)
            m_out << kFieldNames[i] << " = " << m_win.text(ctl::field_edit(i)) << "\n";
        m_out << "Cost = " << m_win.text(ctl::cost) << "\n";
    }

    std::ostream& m_out;
    std::ostream& m_err;
    HeadlessWindow m_win;
    Workbench m_wb;
    std::optional<std::chrono::milliseconds> m_timeout;
};

}  // namespace

int run_batch(int argc, char** argv, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // No start-up self test here: its timings in the status pane would make every
    // run's output differ. The prime tables it builds are built on first use.
    std::vector<std::string> keep;
    for (const BackgroundSpec& b : command_registry().backgrounds())
        if (b.name != "self test") keep.push_back(b.name);
    command_registry().keep_backgrounds(keep);
    Batch batch(out, err);
    return batch.run(args);
}
