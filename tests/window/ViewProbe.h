#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <string>

namespace kestrova::testing {

// Runs the main loop until `done` holds or `seconds` pass; says which.
inline bool SpinUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        g_usleep(10000);
    }
    return true;
}

// Evaluates a script in the page and gives its result as text ("error: ..."
// when it threw).
inline std::string Evaluate(WebKitWebView* view, const std::string& script) {
    struct Outcome {
        bool done = false;
        std::string text;
    } outcome;
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* outcome = static_cast<Outcome*>(data);
            GError* error = nullptr;
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
            if (value) {
                gchar* text = jsc_value_to_string(value);
                outcome->text = text ? text : "";
                g_free(text);
                g_object_unref(value);
            } else {
                outcome->text = std::string("error: ") + (error ? error->message : "unknown");
                g_clear_error(&error);
            }
            outcome->done = true;
        },
        &outcome);
    SpinUntil([&] { return outcome.done; }, 30);
    return outcome.text;
}

}  // namespace kestrova::testing
