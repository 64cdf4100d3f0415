#include "shell/window/NoDiskCaches.h"

#include <glib.h>

namespace kestrova {

void DisableDiskCaches() {
    g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
}

}  // namespace kestrova
