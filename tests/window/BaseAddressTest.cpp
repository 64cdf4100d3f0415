#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>

#include "platform/runtime/App.h"
#include "platform/webkit/WebKitBrowser.h"
#include "tests/HangGuard.h"
#include "tests/window/AppDirectoryCopy.h"
#include "tests/window/ViewProbe.h"

namespace kestrova {
namespace {

// A page whose base element stands behind megabytes of hidden elements: the
// window's message setting its address arrives while the parser is still
// far from it.
std::string PageWithALateBase() {
    std::string page = "<html><body><div style=\"display: none\">";
    for (int element = 0; element < 400000; ++element) {
        page += "<i>x</i>";
    }
    page += "</div><base href=\"D:\\0\\4.htm\"></body>";
    return page;
}

TEST(BaseAddress, IsSetWhenTheMessageComesBeforeTheParserReachesTheBaseElement) {
    testing::AppDirectoryCopy copy;
    runtime::SetAppPath(copy.Path());
    platform::WebKitBrowser browser(copy.Path());
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(browser.View()));
    gtk_widget_show_all(window);

    browser.Navigate("about:blank");
    const auto document = browser.Document();
    document->write(PageWithALateBase());
    document->getElementsByTagName("base")->Item(0)->put_href(copy.Path());

    const auto page = [&](const std::string& script) {
        return testing::Evaluate(browser.View(), script);
    };
    ASSERT_TRUE(testing::SpinUntil(
        [&] {
            return page("document.readyState + document.body.childElementCount") == "complete2";
        },
        testing::HangGuard(60)));
    EXPECT_EQ(page("document.getElementsByTagName('base')[0].getAttribute('href')"), copy.Path());
    gtk_widget_destroy(window);
}

}  // namespace
}  // namespace kestrova
