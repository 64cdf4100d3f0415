#include "shell/window/MainWindow.h"

#include "platform/webkit/GlibHandles.h"
#include "shell/window/WindowIcon.h"

namespace kestrova {

MainWindow::MainWindow(const std::string& applicationDirectory, platform::PageLoading loading)
    : browser_(applicationDirectory, loading),
      window_(GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL))) {
    gtk_window_set_title(window_, "Kestrova");
    platform::GObjectPtr<GdkPixbuf> icon(NewWindowIcon());
    gtk_window_set_icon(window_, icon.get());
    gtk_window_set_default_size(window_, kClientWidth, kClientHeight);
    gtk_window_set_position(window_, GTK_WIN_POS_NONE);
    g_signal_connect(window_, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                         static_cast<MainWindow*>(self)->window_ = nullptr;
                     }),
                     this);

    // A layout, unlike a fixed container, does not ask for its children's
    // size: the window keeps its own size and clips the larger view.
    GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
    GtkWidget* view = GTK_WIDGET(browser_.View());
    gtk_widget_set_size_request(view, kBrowserWidth, kBrowserHeight);
    gtk_layout_put(GTK_LAYOUT(layout), view, kBrowserLeft, kBrowserTop);
    gtk_container_add(GTK_CONTAINER(window_), layout);

    form_ = std::make_unique<Form1>(browser_);
    // A page whose process keeps ending gives way to the empty customers
    // table, as for a database that cannot be read.
    browser_.OnGivingUp([this] { form_->ShowOutlinePage(PageData::NoRows); });
    // The page is assembled while the window shows its start.
    form_->ShowOutlinePage(PageData::Database, Assembly::WhileShown);
}

MainWindow::~MainWindow() {
    form_.reset();  // stops a page still being assembled
    if (window_) {
        gtk_widget_destroy(GTK_WIDGET(window_));
    }
}

void MainWindow::Show() {
    gtk_widget_show_all(GTK_WIDGET(window_));
    // Keys go to the page from the start: Tab reaches its pictures, the
    // arrows scroll it.
    gtk_widget_grab_focus(GTK_WIDGET(browser_.View()));
}

}  // namespace kestrova
