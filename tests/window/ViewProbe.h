#pragma once

#include <webkit2/webkit2.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/webkit/GlibHandles.h"

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

// What one evaluation gave. The caller and the evaluation's callback share
// it on the heap: a callback that comes after the caller stopped waiting
// still writes into live memory.
struct EvaluationOutcome {
    bool done = false;
    std::string text;
};

inline void OnEvaluated(GObject* source, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<std::shared_ptr<EvaluationOutcome>> outcome(
        static_cast<std::shared_ptr<EvaluationOutcome>*>(data));
    GError* raw = nullptr;
    const platform::GObjectPtr<JSCValue> value(
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &raw));
    const platform::GErrorPtr error(raw);
    if (value) {
        const platform::GCharPtr text(jsc_value_to_string(value.get()));
        (*outcome)->text = text ? text.get() : "";
    } else {
        (*outcome)->text = std::string("error: ") + (error ? error->message : "unknown");
    }
    (*outcome)->done = true;
}

// Evaluates a script in the page and gives its result as text ("error: ..."
// when it threw or gave no answer within `seconds`).
inline std::string Evaluate(WebKitWebView* view, const std::string& script, double seconds = 60) {
    auto outcome = std::make_shared<EvaluationOutcome>();
    const platform::GObjectPtr<GCancellable> cancellable(g_cancellable_new());
    webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr,
                                        cancellable.get(), &OnEvaluated,
                                        new std::shared_ptr<EvaluationOutcome>(outcome));
    if (!SpinUntil([&] { return outcome->done; }, seconds)) {
        // The callback still comes, with the cancellation, and frees its share.
        g_cancellable_cancel(cancellable.get());
        return "error: no answer within " + std::to_string(seconds) + " seconds";
    }
    return outcome->text;
}

}  // namespace kestrova::testing
