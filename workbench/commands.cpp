#include "workbench/commands.h"

#include <algorithm>

std::vector<BackgroundSpec> CommandRegistry::backgrounds() const {
    std::vector<BackgroundSpec> v = m_background;
    std::stable_sort(v.begin(), v.end(),
                     [](const BackgroundSpec& a, const BackgroundSpec& b) { return a.order < b.order; });
    return v;
}

void CommandRegistry::keep_backgrounds(const std::vector<std::string>& names) {
    std::erase_if(m_background, [&](const BackgroundSpec& b) {
        return std::find(names.begin(), names.end(), b.name) == names.end();
    });
}

CommandRegistry& command_registry() {
    static CommandRegistry registry;
    return registry;
}
