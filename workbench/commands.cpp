#include "workbench/commands.h"

#include <algorithm>

std::vector<BackgroundSpec> CommandRegistry::backgrounds() const {
    std::vector<BackgroundSpec> v = m_background;
    std::stable_sort(v.begin(), v.end(),
                     [](const BackgroundSpec& a, const BackgroundSpec& b) { return a.order < b.order; });
    return v;
}

CommandRegistry& command_registry() {
    static CommandRegistry registry;
    return registry;
}
