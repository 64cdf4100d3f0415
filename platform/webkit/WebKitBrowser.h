#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/document/WebBrowser.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/RemoteDocument.h"
#include "platform/webkit/RestartBudget.h"

namespace kestrova::platform {

// The browser control: a WebKit view whose web process runs the program's
// extension from the application directory. Scripts inside pages never
// run; the extension reaches the document directly. When the web process
// ends, the page is put back in a fresh one, as it stood, unless that
// happened too often (see RestartBudget): then the view calls what was
// given to OnGivingUp, once.
class WebKitBrowser final : public WebBrowser, private PageChannel {
public:
    explicit WebKitBrowser(std::string applicationDirectory,
                           PageLoading loading = PageLoading::DeferHiddenDivisions);
    ~WebKitBrowser() override;
    WebKitBrowser(const WebKitBrowser&) = delete;
    WebKitBrowser& operator=(const WebKitBrowser&) = delete;

    void Navigate(const std::string& address) override;
    std::shared_ptr<BrowserDocument> Document() override;

    WebKitWebView* View() const { return view_.get(); }

    // What the ends of the page's web process are reported as, and giving
    // the page up: kinds of their own, so that one is never held back
    // because the other was said often.
    static constexpr std::string_view kPageProcessEnded = "browser view: the page's process";
    static constexpr std::string_view kPageGivenUp = "browser view: the page is given up";

    // What to do, instead of putting the page back, when its web process
    // ended too often.
    void OnGivingUp(std::function<void()> giveUp) { giveUp_ = std::move(giveUp); }

    // Takes out of a context menu every item that would leave the page,
    // open something else or look into the page's insides.
    static void KeepOnlyPageItems(WebKitContextMenu* menu);

private:
    void LoadPage(std::shared_ptr<const std::string> text, std::function<void()> loaded) override;
    void Send(const char* name, GVariantPtr payload, const runtime::FileDescriptor& file,
              const runtime::FileDescriptor& secondFile) override;

    static void OnInitializeWebExtensions(WebKitWebContext* context, gpointer self);
    static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self);
    static gboolean OnDecidePolicy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer self);
    static gboolean OnContextMenu(WebKitWebView* view, WebKitContextMenu* menu, GdkEvent* event,
                                  WebKitHitTestResult* hit, gpointer self);
    static gboolean OnUserMessage(WebKitWebView* view, WebKitUserMessage* message, gpointer self);
    static void OnWebProcessTerminated(WebKitWebView* view,
                                       WebKitWebProcessTerminationReason reason, gpointer self);
    static gboolean OnLoadFailed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri,
                                 GError* error, gpointer self);

    std::string applicationDirectory_;
    std::string pageAddress_;
    PageLoading loading_;
    GObjectPtr<WebKitWebContext> context_;
    GObjectPtr<WebKitWebView> view_;
    std::shared_ptr<RemoteDocument> document_;
    std::function<void()> pageLoaded_;
    RestartBudget restarts_;
    bool gaveUp_ = false;
    guint giveUpSource_ = 0;
    std::function<void()> giveUp_;
};

}  // namespace kestrova::platform
