#include "platform/webkit/WebKitBrowser.h"

#include <gio/gunixfdlist.h>

#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/PageContext.h"

namespace kestrova::platform {

namespace {

// The page is loaded with a file: address in the application directory so
// that it may show the program's pictures, which an about:blank page may not.
std::string PageAddressFor(const std::string& directory) {
    GErrorPtr error;
    GCharPtr uri(g_filename_to_uri((directory == "/" ? directory : directory + "/").c_str(),
                                   nullptr, GErrorSlot(error)));
    if (!uri) {
        throw runtime::Failure("cannot make an address of " + directory + ": " +
                               (error ? error->message : "unknown error"));
    }
    return uri.get();
}

}  // namespace

WebKitBrowser::WebKitBrowser(std::string applicationDirectory, PageLoading loading)
    : applicationDirectory_(std::move(applicationDirectory)),
      pageAddress_(PageAddressFor(applicationDirectory_)),
      loading_(loading),
      // The program keeps nothing between runs.
      context_(NewPageContext(applicationDirectory_)) {
    g_signal_connect(context_.get(), "initialize-web-extensions",
                     G_CALLBACK(OnInitializeWebExtensions), this);
    GObjectPtr<WebKitSettings> settings(webkit_settings_new());
    webkit_settings_set_enable_javascript_markup(settings.get(), FALSE);
    webkit_settings_set_enable_developer_extras(settings.get(), FALSE);
    webkit_settings_set_hardware_acceleration_policy(settings.get(),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    view_.reset(WEBKIT_WEB_VIEW(
        g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_.get(),
                                       "settings", settings.get(), nullptr))));
    g_signal_connect(view_.get(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view_.get(), "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view_.get(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view_.get(), "context-menu", G_CALLBACK(OnContextMenu), this);
    g_signal_connect(view_.get(), "user-message-received", G_CALLBACK(OnUserMessage), this);
    g_signal_connect(view_.get(), "web-process-terminated", G_CALLBACK(OnWebProcessTerminated),
                     this);
    // The view's web process starts now, so that it gets ready while the
    // window builds the page.
    webkit_web_view_load_uri(view_.get(), "about:blank");
}

WebKitBrowser::~WebKitBrowser() {
    if (giveUpSource_) {
        g_source_remove(giveUpSource_);
    }
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    g_signal_handlers_disconnect_by_data(context_.get(), this);
}

void WebKitBrowser::OnInitializeWebExtensions(WebKitWebContext* context, gpointer self) {
    auto* browser = static_cast<WebKitBrowser*>(self);
    webkit_web_context_set_web_extensions_directory(context,
                                                    browser->applicationDirectory_.c_str());
    webkit_web_context_set_web_extensions_initialization_user_data(
        context,
        g_variant_new(messages::kExtensionStartDataType, browser->applicationDirectory_.c_str(),
                      browser->loading_ == PageLoading::DeferHiddenDivisions));
}

void WebKitBrowser::Navigate(const std::string& address) {
    if (address != "about:blank") {
        throw runtime::Failure("the browser control only opens about:blank, not " + address);
    }
    pageLoaded_ = nullptr;
    document_ = std::make_shared<RemoteDocument>(static_cast<PageChannel&>(*this), loading_);
    webkit_web_view_load_uri(view_.get(), "about:blank");
}

std::shared_ptr<BrowserDocument> WebKitBrowser::Document() {
    if (!document_) {
        throw runtime::Failure("the browser control has no document before it navigates");
    }
    return document_;
}

void WebKitBrowser::LoadPage(std::shared_ptr<const std::string> text,
                             std::function<void()> loaded) {
    pageLoaded_ = std::move(loaded);
    if (!text || text->empty()) {
        webkit_web_view_load_html(view_.get(), "", pageAddress_.c_str());
        return;
    }
    // The view shares the page text without a copy of its own.
    auto* shared = new std::shared_ptr<const std::string>(std::move(text));
    const GBytesPtr bytes(g_bytes_new_with_free_func(
        (*shared)->data(), (*shared)->size(),
        [](gpointer page) { delete static_cast<std::shared_ptr<const std::string>*>(page); },
        shared));
    webkit_web_view_load_bytes(view_.get(), bytes.get(), "text/html", "UTF-8",
                               pageAddress_.c_str());
}

void WebKitBrowser::Send(const char* name, GVariantPtr payload, const runtime::FileDescriptor& file,
                         const runtime::FileDescriptor& secondFile) {
    // The message takes its own reference of the payload and its own copies
    // of the files. The message itself starts floating, and sending it sinks
    // and keeps it.
    WebKitUserMessage* message = nullptr;
    if (file) {
        GObjectPtr<GUnixFDList> files(g_unix_fd_list_new());
        for (const runtime::FileDescriptor* each : {&file, &secondFile}) {
            GErrorPtr error;
            if (*each && g_unix_fd_list_append(files.get(), each->Get(), GErrorSlot(error)) < 0) {
                throw runtime::Failure(std::string("cannot pass the page text on: ") +
                                       (error ? error->message : "unknown error"));
            }
        }
        message = webkit_user_message_new_with_fd_list(name, payload.get(), files.get());
    } else {
        message = webkit_user_message_new(name, payload.get());
    }
    webkit_web_view_send_message_to_page(view_.get(), message, nullptr, nullptr, nullptr);
}

void WebKitBrowser::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
    auto* browser = static_cast<WebKitBrowser*>(self);
    // The page's messages can go as soon as its document exists; the web
    // process applies each at once, or, when its element is not parsed
    // yet, once the whole document is.
    if (event != WEBKIT_LOAD_COMMITTED || !browser->pageLoaded_) {
        return;
    }
    const gchar* uri = webkit_web_view_get_uri(view);
    if (!uri || browser->pageAddress_ != uri) {
        return;
    }
    auto loaded = std::move(browser->pageLoaded_);
    browser->pageLoaded_ = nullptr;
    loaded();
}

// The view never leaves the page: only the program's own two loads (the
// blank document and the written page) may navigate it. Links, forms,
// reloads, history, dropped files and new windows are refused.
gboolean WebKitBrowser::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                       WebKitPolicyDecisionType type, gpointer self) {
    auto* browser = static_cast<WebKitBrowser*>(self);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;
    }
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const bool ours =
        type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_OTHER &&
        !webkit_navigation_action_is_user_gesture(action) && uri &&
        (std::string_view(uri) == "about:blank" ||
         (browser->pageLoaded_ && browser->pageAddress_ == uri));
    if (ours) {
        webkit_policy_decision_use(decision);
    } else {
        runtime::ReportFailure("browser view: leaving the page was refused",
                               std::string(uri ? uri : "").substr(0, 200));
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

void WebKitBrowser::KeepOnlyPageItems(WebKitContextMenu* menu) {
    GList* items = g_list_copy(webkit_context_menu_get_items(menu));
    for (GList* item = items; item; item = item->next) {
        auto* menuItem = WEBKIT_CONTEXT_MENU_ITEM(item->data);
        switch (webkit_context_menu_item_get_stock_action(menuItem)) {
            case WEBKIT_CONTEXT_MENU_ACTION_COPY:
            case WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL:
            case WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD:
            case WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD:
                break;
            default:
                webkit_context_menu_remove(menu, menuItem);
        }
    }
    g_list_free(items);
}

gboolean WebKitBrowser::OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                      WebKitHitTestResult*, gpointer) {
    KeepOnlyPageItems(menu);
    return webkit_context_menu_get_n_items(menu) == 0;  // nothing left: no menu
}

namespace {

// Whether a message from the web process carries a payload of its type;
// says so on stderr when not.
bool HasPayload(WebKitUserMessage* message, const char* type) {
    GVariant* payload = webkit_user_message_get_parameters(message);
    if (payload && g_variant_is_of_type(payload, G_VARIANT_TYPE(type))) {
        return true;
    }
    runtime::ReportFailure("browser view", std::string("the message ") +
                                               webkit_user_message_get_name(message) +
                                               " came without its payload");
    return false;
}

}  // namespace

gboolean WebKitBrowser::OnUserMessage(WebKitWebView*, WebKitUserMessage* message, gpointer self) {
    auto* browser = static_cast<WebKitBrowser*>(self);
    const std::string_view name = webkit_user_message_get_name(message);
    if (name == messages::kElementChanged) {
        if (!HasPayload(message, messages::kElementPropertyType)) {
            return TRUE;
        }
        const gchar* element = nullptr;
        const gchar* property = nullptr;
        const gchar* value = nullptr;
        gint64 block = -1;
        g_variant_get(webkit_user_message_get_parameters(message), "(&s&s&sx)", &element, &property,
                      &value, &block);
        if (browser->document_) {
            browser->document_->Remember({element, property, value, block});
        }
        return TRUE;
    }
    if (name == messages::kPlace) {
        if (!HasPayload(message, messages::kPlaceType)) {
            return TRUE;
        }
        RemoteDocument::Place place;
        g_variant_get(webkit_user_message_get_parameters(message), messages::kPlaceType,
                      &place.block, &place.offset);
        if (browser->document_) {
            browser->document_->Remember(place);
        }
        return TRUE;
    }
    return FALSE;
}

void WebKitBrowser::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                           gpointer self) {
    auto* browser = static_cast<WebKitBrowser*>(self);
    const std::string ended =
        reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
            ? "used more than " + std::to_string(WebProcessMemoryLimitMiB()) + " MiB and was ended"
            : "ended unexpectedly";
    if (browser->gaveUp_) {
        runtime::ReportFailure(kPageProcessEnded, ended + "; the page is gone");
        return;
    }
    if (!browser->restarts_.AllowsAfterEndAt(RestartBudget::Clock::now())) {
        browser->gaveUp_ = true;
        runtime::ReportFailure(kPageGivenUp, "its process " + ended +
                                                 ", the third time within a minute; the window "
                                                 "shows the empty customers table instead");
        // Not from inside the view's signal: the new page loads into it.
        browser->giveUpSource_ = g_idle_add(
            [](gpointer data) -> gboolean {
                auto* view = static_cast<WebKitBrowser*>(data);
                view->giveUpSource_ = 0;
                if (view->giveUp_) {
                    view->giveUp_();
                }
                return G_SOURCE_REMOVE;
            },
            browser);
        return;
    }
    const bool putBack = browser->document_ && browser->document_->PutBack();
    runtime::ReportFailure(kPageProcessEnded,
                           ended + (putBack ? "; the page is put back in a new one"
                                            : "; the page loads in a new one"));
}

gboolean WebKitBrowser::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                     gpointer) {
    if (!g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
        runtime::ReportFailure("browser view", std::string("loading ") + (uri ? uri : "") +
                                                   " failed: " + error->message);
    }
    return FALSE;
}

}  // namespace kestrova::platform
