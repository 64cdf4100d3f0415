#include "platform/webkit/PageContext.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace kestrova::platform {

unsigned WebProcessMemoryLimitMiB() {
    constexpr std::uint64_t kMinimum = 1024;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) {
        return kMinimum;
    }
    const std::uint64_t half =
        static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2 / (1 << 20);
    return static_cast<unsigned>(std::clamp<std::uint64_t>(half, kMinimum, 1u << 30));
}

GObjectPtr<WebKitWebContext> NewPageContext() {
    GObjectPtr<WebKitWebsiteDataManager> data(webkit_website_data_manager_new_ephemeral());
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(memory, WebProcessMemoryLimitMiB());
    // Past the limit the process is ended; below it the engine frees its
    // caches at the usual fractions of it.
    webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
    GObjectPtr<WebKitWebContext> context(
        WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data.get(),
                                        "memory-pressure-settings", memory, nullptr)));
    webkit_memory_pressure_settings_free(memory);
    return context;
}

}  // namespace kestrova::platform
