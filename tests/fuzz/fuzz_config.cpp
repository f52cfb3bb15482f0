// The configuration loader on arbitrary file bytes: it must never crash, and a
// file without any key must leave every saved control as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/headless_window.h"
#include "workbench/config_file.h"
#include "workbench/workbench.h"

namespace {

struct World {
    HeadlessWindow win;
    Workbench wb;
    std::string path;
    World() : wb(win, options()) {
        wb.start();
        path = "/tmp/korvath_fuzz_config_" + std::to_string(::getpid()) + ".txt";
    }
    static WorkbenchOptions options() {
        WorkbenchOptions o;
        o.background_threads = false;
        o.display_loop = false;
        o.seed_entropy = false;
        return o;
    }
};

bool has_key(const std::string& bytes) { return bytes.find('[') != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (file_write(world->path, bytes) != 0) return 0;
    const std::string before = configuration_text(world->wb);
    if (load_configuration(world->wb, world->path) != 0) std::abort();
    if (!has_key(bytes) && configuration_text(world->wb) != before) std::abort();
    return 0;
}
