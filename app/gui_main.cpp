// korvath: the workbench's Qt GUI.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/qt/qt_window.h"
#include "workbench/workbench.h"

namespace {

bool has_display() {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') return true;
    }
    // An explicit platform (offscreen, vnc, ...) needs no display server.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return platform != nullptr && *platform != '\0';
}

}  // namespace

int main(int argc, char** argv) {
    if (!has_display()) {
        std::fprintf(stderr,
                     "korvath: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window "
                     "cannot open.\n"
                     "Use the headless front end instead, for example:\n"
                     "  korvath-batch --set \"NumberBase=10\" --set \"NP=255\" --press \"&CLEAR ECC\"\n"
                     "(korvath-batch --help lists its options.)\n");
        return 1;
    }
    QApplication app(argc, argv);
    QtWindow window;
    Workbench workbench(window);
    window.set_on_closed([] { QApplication::quit(); });
    workbench.start();
    window.show_window();
    app.exec();
    // EXIT ends the program without waiting for a running worker.
    std::fflush(stdout);
    std::_Exit(0);
}
