#include <gtk/gtk.h>

#include <cstdio>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "shell/window/MainWindow.h"
#include "shell/window/NoDiskCaches.h"

int main(int argc, char* argv[]) {
    kestrova::DisableDiskCaches();
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "kestrova: cannot open the display\n");
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
