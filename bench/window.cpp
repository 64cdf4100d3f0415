// kestrova-bench-window app APPDIR [clicks | firstshow | showall | customers | spread | jumps]
// kestrova-bench-window app-whole APPDIR [...]: the same with the whole page
//         built at once.
// kestrova-bench-window app-every-row APPDIR [...]: the same with every row
//         of a long outline in the document, as a plain view holds them.
// kestrova-bench-window bare APPDIR PAGEFILE
//   app:  starts the real window on APPDIR (as the program does) and prints
//         the seconds from process start until the page stands: the
//         document complete, every picture shown and a click answered.
//         With "clicks", then times 200 clicks on pictures spread over the
//         page inside the page's own event dispatch and prints their median
//         and maximum in milliseconds. With "firstshow", the first show of
//         100 customers' orders spread over the page (scrolled to each
//         first), each click and the layout it causes, median and maximum
//         in milliseconds. With "showall", the seconds to show every
//         customer's orders, one after another, each laid out. With
//         "customers", the number of customers the page holds (scrolled
//         to its end, the number of the last one's picture). With
//         "spread", at 25 places spread over the page, a click on the
//         plus of the first customer in sight and one on the plus of its
//         first order, each from the window until the page has answered
//         with its layout done: median and maximum milliseconds of the 50.
//         With "jumps", 20 jumps to places spread over the page, each from
//         the window until the customer rows of that place are in the
//         document and laid out: median and maximum milliseconds.
//   app APPDIR timeline: every second until the page stands, the seconds
//         since the start, the customers the page holds so far and its
//         ready state; then the seconds until the page stood, and the
//         processor seconds of this process (the window: reading the data,
//         writing the page, splitting it) and of its web process (WebKit
//         parsing and laying out the page, and the program's part that
//         writes it in parts).
//   app APPDIR building: once the first customer rows are there and while
//         the rest of the page is still written, clicks the first
//         customer's picture ten times, each time until the page has
//         answered with its layout done, and prints the median and maximum
//         milliseconds of these clicks, and how many of them came while the
//         page was still being written.
//   bare: a plain WebKit view of the same size and settings loads PAGEFILE
//         (its base pointed at APPDIR so that the pictures load) and prints
//         the seconds until the same moment.

#include <gtk/gtk.h>
#include <time.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/runtime/App.h"
#include "shell/window/MainWindow.h"
#include "shell/window/NoDiskCaches.h"
#include "tests/window/ViewProbe.h"

namespace {

using kestrova::testing::Evaluate;

// A benchmark waits as long as it takes; only a hang of an hour ends it.
constexpr double kNoHurry = 3600;

// Seconds since this process started, from the kernel's own record.
double SecondsSinceStart() {
    std::ifstream stat("/proc/self/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(content.substr(content.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i) {
        fields >> field;
    }
    const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - started;
}

void Wait(double seconds) {
    const gint64 until = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
    while (g_get_monotonic_time() < until) {
        g_main_context_iteration(nullptr, FALSE);
        g_usleep(1000);
    }
}

// The page stands with its pictures once it is completely loaded and the
// last and then every picture has loaded.
constexpr const char* kPicturesShown =
    "(() => { if (document.readyState != 'complete') return false;"
    " const all = document.images; if (!all.length) return false;"
    " const last = all[all.length - 1]; if (!(last.complete && last.naturalWidth > 0)) return "
    "false;"
    " for (const i of all) if (!(i.complete && i.naturalWidth > 0)) return false; return true; "
    "})()";

void WaitForPictures(WebKitWebView* view) {
    while (Evaluate(view, kPicturesShown, kNoHurry) != "true") {
        Wait(0.02);
    }
}

// The page's clock is coarse, so each of the 200 pictures is clicked an even
// number of times (leaving it as it was) and the mean of its clicks is taken.
constexpr const char* kTimeClicks =
    "(() => { const imgs = Array.from(document.images); const n = 200, reps = 40; const times = [];"
    " for (let k = 0; k < n; ++k) { const img = imgs[Math.floor(k * imgs.length / n)];"
    "   const t0 = performance.now(); for (let r = 0; r < reps; ++r) img.click();"
    "   times.push((performance.now() - t0) / reps); }"
    " times.sort((a, b) => a - b);"
    " return times[n / 2].toFixed(4) + ' ' + times[n - 1].toFixed(4); })()";

// The first show of a customer's orders: the click, and the layout of what
// it shows, at 100 places spread over the page. Each customer is hidden
// again afterwards, untimed.
constexpr const char* kTimeFirstShows =
    "(() => { const n = 100; const times = [];"
    " for (let k = 0; k < n; ++k) {"
    "   window.scrollTo(0, k * document.documentElement.scrollHeight / n);"
    "   window.dispatchEvent(new Event('scroll'));"
    "   const img = Array.from(document.images).find(i => i.name.startsWith('imgCustomer') &&"
    "     i.getBoundingClientRect().top >= 0); if (!img) continue;"
    "   const t0 = performance.now(); img.click(); void document.body.offsetHeight;"
    "   times.push(performance.now() - t0); img.click(); }"
    " times.sort((a, b) => a - b);"
    " return times[Math.floor(times.length / 2)].toFixed(3) + ' ' +"
    " times[times.length - 1].toFixed(3); })()";

// Every customer shown, one after another, then laid out.
constexpr const char* kTimeShowAll =
    "(() => { const imgs = Array.from(document.images).filter(i => "
    "i.name.startsWith('imgCustomer'));"
    " const t0 = performance.now();"
    " for (const img of imgs) img.click(); void document.body.offsetHeight;"
    " return ((performance.now() - t0) / 1000).toFixed(4); })()";

// How many customers the page holds: its last customer's number, at the
// page's end.
constexpr const char* kScrollToTheEnd =
    "window.scrollTo(0, document.documentElement.scrollHeight); 'end'";
constexpr const char* kLastCustomer =
    "(() => { const imgs = Array.from(document.images).filter(i => "
    "i.name.startsWith('imgCustomer'));"
    " return imgs.length ? imgs[imgs.length - 1].name.substring(11) + ' ' +"
    " imgs[imgs.length - 1].name : '0'; })()";

// The first customer wholly in sight, or none.
constexpr const char* kCustomerInSight =
    "(() => { for (const i of document.images) { const r = i.getBoundingClientRect();"
    " if (i.name.startsWith('imgCustomer') && r.top >= 0 && r.bottom <= innerHeight) return "
    "i.name; } return ''; })()";

// A click on the first picture, shown and hidden again, is answered.
constexpr const char* kClickAnswered =
    "(() => { const i = document.images[0]; i.click(); i.click();"
    " return document.all.item('divCustomer1') !== null; })()";

// One click on the first customer's picture, answered with the layout it
// causes; gives whether the page was still being written.
constexpr const char* kClickWhileBuilt =
    "(() => { document.all.item('imgCustomer1').click(); void document.body.offsetHeight;"
    " return String(document.readyState != 'complete'); })()";

void PrintMedianAndMax(std::vector<double> times, const char* extra = "") {
    if (times.empty()) {
        std::printf("0 0%s\n", extra);
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("%.1f %.1f%s\n", times[times.size() / 2], times.back(), extra);
}

// Milliseconds from the window until `script` has run in the page.
double Timed(WebKitWebView* view, const std::string& script) {
    const gint64 start = g_get_monotonic_time();
    Evaluate(view, script, kNoHurry);
    return static_cast<double>(g_get_monotonic_time() - start) / 1000.0;
}

// Scrolls to `fraction` of the page and waits until the rows of that place
// are in the document; gives the milliseconds it took.
double JumpTo(WebKitWebView* view, double fraction) {
    const gint64 start = g_get_monotonic_time();
    Evaluate(view,
             "window.scrollTo(0, " + std::to_string(fraction) +
                 " * (document.documentElement.scrollHeight - innerHeight)); 0",
             kNoHurry);
    while (Evaluate(view, kCustomerInSight, kNoHurry).empty()) {
        Wait(0.001);
    }
    return static_cast<double>(g_get_monotonic_time() - start) / 1000.0;
}

// A click on a picture, from the window until the page has answered with
// its layout done.
double Click(WebKitWebView* view, const std::string& name) {
    return Timed(view,
                 "document.all.item('" + name + "').click(); void document.body.offsetHeight; 0");
}

int SpreadClicks(kestrova::MainWindow& window) {
    std::vector<double> times;
    for (int place = 0; place < 25; ++place) {
        JumpTo(window.View(), (place + 0.5) / 25);
        Wait(0.05);
        const std::string customer = Evaluate(window.View(), kCustomerInSight, kNoHurry);
        if (customer.empty()) {
            continue;
        }
        times.push_back(Click(window.View(), customer));
        const std::string order =
            Evaluate(window.View(),
                     "(document.getElementById('div" + customer.substr(3) +
                         "').querySelector('img[name^=\"imgOrder\"]') || {name: ''}).name",
                     kNoHurry);
        if (!order.empty()) {
            times.push_back(Click(window.View(), order));
        }
        Wait(0.05);
    }
    PrintMedianAndMax(times);
    return 0;
}

int Jumps(kestrova::MainWindow& window) {
    std::vector<double> times;
    // Places spread over the page, never next to the last.
    for (int jump = 0; jump < 20; ++jump) {
        times.push_back(JumpTo(window.View(), ((jump * 7) % 20 + 0.5) / 20));
        Wait(0.1);
    }
    PrintMedianAndMax(times);
    return 0;
}

int ClicksWhileBuilt(kestrova::MainWindow& window) {
    while (Evaluate(window.View(), "String(document.getElementsByName('imgCustomer1').length)",
                    kNoHurry) != "1") {
        Wait(0.005);
    }
    std::vector<double> times;
    int building = 0;
    for (int click = 0; click < 10; ++click) {
        const gint64 start = g_get_monotonic_time();
        building += Evaluate(window.View(), kClickWhileBuilt, kNoHurry) == "true";
        times.push_back(static_cast<double>(g_get_monotonic_time() - start) / 1000.0);
        Wait(0.05);
    }
    std::string count = " ";
    count += std::to_string(building);
    PrintMedianAndMax(times, count.c_str());
    return 0;
}

// A process's name, parent and processor ticks, from /proc/PID/stat.
struct ProcessStat {
    std::string name;
    long parent = 0;
    long ticks = 0;
};

std::map<long, ProcessStat> AllProcesses() {
    std::map<long, ProcessStat> all;
    GDir* proc = g_dir_open("/proc", 0, nullptr);
    while (const char* name = proc ? g_dir_read_name(proc) : nullptr) {
        if (std::string(name).find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(std::string("/proc/") + name + "/stat");
        std::string content((std::istreambuf_iterator<char>(stat)),
                            std::istreambuf_iterator<char>());
        const auto open = content.find('(');
        const auto close = content.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        ProcessStat process;
        process.name = content.substr(open + 1, close - open - 1);
        std::istringstream fields(content.substr(close + 2));
        std::string field;
        for (int i = 3; i <= 15; ++i) {
            fields >> field;
            if (i == 4)
                process.parent = std::stol(field);
            if (i == 14 || i == 15)
                process.ticks += std::stol(field);
        }
        all[std::stol(name)] = process;
    }
    if (proc) {
        g_dir_close(proc);
    }
    return all;
}

// Processor seconds of the processes below this one whose name begins so,
// however deep: in WebKit's sandbox the web process is bubblewrap's child.
double ChildSeconds(const std::string& prefix) {
    const auto all = AllProcesses();
    long ticks = 0;
    for (const auto& [pid, process] : all) {
        if (process.name.rfind(prefix, 0) != 0) {
            continue;
        }
        long up = process.parent;
        while (up > 1 && up != getpid() && all.count(up)) {
            up = all.at(up).parent;
        }
        if (up == getpid()) {
            ticks += process.ticks;
        }
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double OwnSeconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + used.tv_nsec / 1e9;
}

int Timeline(kestrova::MainWindow& window) {
    // The customers the table knows of so far.
    constexpr const char* kProgress =
        "(() => { const t = document.querySelector('table[aria-rowcount]');"
        " const n = t ? (Number(t.getAttribute('aria-rowcount')) - 1) / 2 :"
        " Array.from(document.images).filter(i => i.name.startsWith('imgCustomer')).length;"
        " return n + ' ' + document.readyState; })()";
    for (;;) {
        const std::string progress = Evaluate(window.View(), kProgress, kNoHurry);
        std::printf("%.1f %s\n", SecondsSinceStart(), progress.c_str());
        std::fflush(stdout);
        if (progress.ends_with("complete") && !progress.starts_with("0 ") &&
            Evaluate(window.View(), kPicturesShown, kNoHurry) == "true") {
            break;
        }
        Wait(1);
    }
    Evaluate(window.View(), kClickAnswered, kNoHurry);
    std::printf("%.4f %.2f %.2f\n", SecondsSinceStart(), OwnSeconds(),
                ChildSeconds("WebKitWebProces"));
    return 0;
}

int RunApp(const std::string& directory, const std::string& what,
           kestrova::platform::PageLoading loading) {
    kestrova::runtime::SetAppPath(directory);
    kestrova::MainWindow window(directory, loading);
    window.Show();
    if (what == "building") {
        return ClicksWhileBuilt(window);
    }
    if (what == "timeline") {
        return Timeline(window);
    }
    WaitForPictures(window.View());
    Evaluate(window.View(), kClickAnswered, kNoHurry);
    std::printf("%.4f\n", SecondsSinceStart());
    if (what == "clicks") {
        std::printf("%s\n", Evaluate(window.View(), kTimeClicks, kNoHurry).c_str());
    } else if (what == "firstshow") {
        std::printf("%s\n", Evaluate(window.View(), kTimeFirstShows, kNoHurry).c_str());
    } else if (what == "customers") {
        Evaluate(window.View(), kScrollToTheEnd, kNoHurry);
        Wait(0.5);
        std::printf("%s\n", Evaluate(window.View(), kLastCustomer, kNoHurry).c_str());
    } else if (what.rfind("eval:", 0) == 0) {
        std::printf("%s\n", Evaluate(window.View(), what.substr(5), kNoHurry).c_str());
    } else if (what == "spread") {
        return SpreadClicks(window);
    } else if (what == "jumps") {
        return Jumps(window);
    } else if (what == "showall") {
        std::printf("%s\n", Evaluate(window.View(), kTimeShowAll, kNoHurry).c_str());
    }
    return 0;
}

int RunBare(const std::string& directory, const std::string& pageFile) {
    std::ifstream file(pageFile, std::ios::binary);
    std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string placeholder = "<base href=\"D:\\0\\4.htm\">";
    const auto at = page.find(placeholder);
    if (at != std::string::npos) {
        page.replace(at, placeholder.size(), "<base href=\"" + directory + "\">");
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), kestrova::MainWindow::kClientWidth,
                                kestrova::MainWindow::kClientHeight);
    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_javascript_markup(settings, FALSE);
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    // An ephemeral context, as the program's own view has: the default
    // context would keep a cache and storage in the home folder.
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    GtkWidget* view = GTK_WIDGET(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "settings", settings, nullptr));
    gtk_widget_set_size_request(view, kestrova::MainWindow::kBrowserWidth,
                                kestrova::MainWindow::kBrowserHeight);
    GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
    gtk_layout_put(GTK_LAYOUT(layout), view, kestrova::MainWindow::kBrowserLeft,
                   kestrova::MainWindow::kBrowserTop);
    gtk_container_add(GTK_CONTAINER(window), layout);
    gchar* uri = g_filename_to_uri((directory + "/").c_str(), nullptr, nullptr);
    auto* owned = new std::string(std::move(page));
    GBytes* bytes = g_bytes_new_with_free_func(
        owned->data(), owned->size(), [](gpointer p) { delete static_cast<std::string*>(p); },
        owned);
    webkit_web_view_load_bytes(WEBKIT_WEB_VIEW(view), bytes, "text/html", "UTF-8", uri);
    g_bytes_unref(bytes);
    g_free(uri);
    gtk_widget_show_all(window);
    WaitForPictures(WEBKIT_WEB_VIEW(view));
    std::printf("%.4f\n", SecondsSinceStart());
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    kestrova::DisableDiskCaches();
    gtk_init(&argc, &argv);
    if (argc >= 3 && std::strcmp(argv[1], "app") == 0) {
        return RunApp(argv[2], argc == 4 ? argv[3] : "",
                      kestrova::platform::PageLoading::DeferHiddenDivisions);
    }
    // The window as it was before it deferred hidden divisions: the whole
    // page built at once, for comparison.
    if (argc >= 3 && std::strcmp(argv[1], "app-whole") == 0) {
        return RunApp(argv[2], argc == 4 ? argv[3] : "", kestrova::platform::PageLoading::Whole);
    }
    // Every row of a long outline in the document, as before the window.
    if (argc >= 3 && std::strcmp(argv[1], "app-every-row") == 0) {
        return RunApp(argv[2], argc == 4 ? argv[3] : "",
                      kestrova::platform::PageLoading::DeferHiddenDivisionsEveryRow);
    }
    if (argc == 4 && std::strcmp(argv[1], "bare") == 0) {
        return RunBare(argv[2], argv[3]);
    }
    std::fprintf(stderr,
                 "usage: kestrova-bench-window app|app-whole|app-every-row APPDIR"
                 " [clicks | firstshow | showall | customers | spread | jumps | building |"
                 " timeline] |"
                 " bare APPDIR PAGEFILE\n");
    return 2;
}
