#include "platform/webkit/PageContext.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "platform/runtime/Diagnostics.h"

namespace kestrova::platform {

namespace {

// Where WebKitGTK's builds look for bubblewrap and the proxy that filters
// the sandboxed process's D-Bus traffic.
constexpr const char* kBubblewrap = "/usr/bin/bwrap";
constexpr const char* kBusProxy = "/usr/bin/xdg-dbus-proxy";

// WebKit's sandbox leaves a folder of its own for each process it starts in
// the runtime folder ($XDG_RUNTIME_DIR/.flatpak/webkit-PID-N, PID this
// process's), telling portals which sandbox is whose, and the folder of its
// proxies' sockets ($XDG_RUNTIME_DIR/webkitgtk). Ours go when the program
// ends, and the folders that held them too where nothing else is in them.
void RemoveTheSandboxesNotes() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) {
        return;
    }
    const std::filesystem::path notes = std::filesystem::path(runtime) / ".flatpak";
    const std::string ours = "webkit-" + std::to_string(getpid()) + "-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(notes, error)) {
        if (entry.path().filename().string().rfind(ours, 0) == 0) {
            std::filesystem::remove_all(entry.path(), error);
        }
    }
    // Only where they are empty.
    std::filesystem::remove(notes, error);
    std::filesystem::remove(std::filesystem::path(runtime) / "webkitgtk", error);
}

}  // namespace

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

std::optional<std::string> SandboxUnavailable() {
    // WebKit runs the sandbox's programs from where its build was told they
    // are; without them it cannot start the web process at all.
    for (const char* program : {kBubblewrap, kBusProxy}) {
        if (!g_file_test(program, G_FILE_TEST_IS_EXECUTABLE)) {
            return std::string(program) + " is not installed";
        }
    }
    // What the sandbox needs of the system: namespaces of its own.
    const gchar* probe[] = {
        kBubblewrap, "--unshare-all", "--die-with-parent", "--ro-bind", "/", "/", "true", nullptr};
    gchar* errors = nullptr;
    gint status = 0;
    GError* failure = nullptr;
    const bool ran =
        g_spawn_sync(nullptr, const_cast<gchar**>(probe), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL,
                     nullptr, nullptr, nullptr, &errors, &status, &failure);
    const GCharPtr said(errors);
    const GErrorPtr error(failure);
    if (!ran) {
        return std::string("bubblewrap cannot be run: ") + error->message;
    }
    if (!g_spawn_check_wait_status(status, nullptr)) {
        std::string why = said && *said.get() ? said.get() : "it failed";
        why = why.substr(0, why.find('\n'));
        return "bubblewrap cannot make the sandbox's namespaces here (" + why + ")";
    }
    return std::nullopt;
}

GObjectPtr<WebKitWebContext> NewPageContext(const std::string& applicationDirectory) {
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
    // Whether the sandbox can start is found once a run, and said once.
    static const std::optional<std::string> unavailable = [] {
        auto why = SandboxUnavailable();
        if (why) {
            runtime::ReportFailure("browser view: the page's process runs without WebKit's sandbox",
                                   *why);
        }
        return why;
    }();
    if (!unavailable) {
        static const bool removedAtExit = std::atexit(&RemoveTheSandboxesNotes) == 0;
        static_cast<void>(removedAtExit);
        webkit_web_context_set_sandbox_enabled(context.get(), TRUE);
        webkit_web_context_add_path_to_sandbox(context.get(), applicationDirectory.c_str(), TRUE);
    }
    return context;
}

}  // namespace kestrova::platform
