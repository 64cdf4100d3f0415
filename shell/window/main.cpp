#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "shell/window/MainWindow.h"
#include "shell/window/NoDiskCaches.h"

namespace {

// The display the program was asked to open, for the message that it could
// not be opened.
const char* RequestedDisplay() {
    const char* display = gdk_get_display_arg_name();
    if (!display) {
        display = std::getenv("DISPLAY");
    }
    return display && *display ? display : "(none is set)";
}

}  // namespace

int main(int argc, char* argv[]) {
    kestrova::DisableDiskCaches();
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "kestrova: cannot open the display %s\n", RequestedDisplay());
        return 1;
    }
    std::string applicationDirectory;
    kestrova::runtime::Attempt("finding the application directory", [&] {
        applicationDirectory = kestrova::runtime::ExecutableDirectory();
        kestrova::runtime::SetAppPath(applicationDirectory);
    });

    kestrova::MainWindow window(applicationDirectory);
    g_signal_connect(window.Window(), "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    window.Show();
    gtk_main();
    return 0;
}
