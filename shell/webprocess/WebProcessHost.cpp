#include "shell/webprocess/WebProcessHost.h"

#include <gio/gunixfdlist.h>

#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/FileDescriptor.h"
#include "platform/runtime/Require.h"
#include "platform/webkit/GlibHandles.h"
#include "platform/webkit/Messages.h"
#include "platform/webkit/extension/JscDocument.h"
#include "platform/webkit/extension/JscValues.h"
#include "platform/webkit/extension/MappedText.h"
#include "platform/webkit/extension/OutlineFeed.h"
#include "shell/form/Form1.h"
#include "shell/webprocess/PictureButtons.h"

namespace kestrova::webprocess {

namespace {

using platform::GCharPtr;
using platform::GObjectPtr;

// A message about an element the parser has not reached yet.
struct NotParsedYet {};

struct PendingMessage {
    std::string name;
    platform::GVariantPtr payload;
    GObjectPtr<GUnixFDList> files;
};

struct Host {
    // The window's handlers; the browser control is the window process's.
    Form1 form;
    GObjectPtr<WebKitFrame> mainFrame;
    // The hidden divisions of the page shown whose content waits.
    std::shared_ptr<platform::DeferredDivisions> deferred =
        std::make_shared<platform::DeferredDivisions>();
    // Messages about elements the parser has not reached yet wait until the
    // page's document is parsed.
    bool documentParsed = false;
    std::vector<PendingMessage> pending;
    // Writes the page into the document, a piece at each turn, or a window
    // over its rows.
    std::unique_ptr<platform::OutlineFeed> feed;
    // Where the view stands goes to the window a moment after it moved.
    guint placeSource = 0;
    // What the handlers set before the rows became a window, for their
    // blocks to keep once they are.
    std::vector<platform::ElementChange> earlyChanges;
    platform::LongOutlines longOutlines = platform::LongOutlines::Windowed;
    // The page of this web process, for messages to the window.
    WebKitWebPage* page = nullptr;
    // Whether Enter and Space click the document's pictures yet.
    bool picturesAreButtons = false;
};

Host& TheHost() {
    static Host host;
    return host;
}

JSCContext* MainFrameContext() {
    auto& frame = runtime::Require(TheHost().mainFrame, "page shown in the web process");
    return webkit_frame_get_js_context(&frame);
}

// Sends a message to the window; `payload`, when given, may be floating.
void TellTheWindow(const char* name, GVariant* payload) {
    WebKitWebPage* shown = TheHost().page;
    if (!shown) {
        if (payload) {
            g_variant_unref(g_variant_ref_sink(payload));
        }
        return;
    }
    webkit_web_page_send_message_to_view(shown, webkit_user_message_new(name, payload), nullptr,
                                         nullptr, nullptr);
}

// A message's payload must have its message's type.
void RequirePayload(GVariant* payload, const char* type, const char* what) {
    if (!payload || !g_variant_is_of_type(payload, G_VARIANT_TYPE(type))) {
        throw runtime::Failure(std::string("the message has no ") + what);
    }
}

// The window keeps what its handlers set on the page, to set it again on a
// page put back after this process ended. A picture's expanded state
// follows its division.
// The window over the outline's rows, when the page has one.
platform::RowWindow* Window() {
    return TheHost().feed ? TheHost().feed->Window() : nullptr;
}

// The window keeps what its handlers set on the page, to set it again on a
// page put back after this process ended; a block of the outline's rows
// keeps it too, for when it comes back into the document. A picture's
// expanded state follows its division.
void OnElementChanged(const platform::ElementChange& change) {
    if (change.property == "display") {
        runtime::Attempt("web process: the picture's expanded state", [&] {
            GObjectPtr<JSCContext> context(MainFrameContext());
            FollowDivision(context.get(), change.element, change.value);
        });
    }
    std::int64_t block = -1;
    if (auto* window = Window()) {
        runtime::Attempt("web process: keeping a change of the rows",
                         [&] { block = window->Changed(change); });
    } else if (TheHost().feed) {
        TheHost().earlyChanges.push_back(change);
    }
    TellTheWindow(
        platform::messages::kElementChanged,
        g_variant_new(platform::messages::kElementPropertyType, change.element.c_str(),
                      change.property.c_str(), change.value.c_str(), static_cast<gint64>(block)));
}

// The rows became a window: the blocks keep what was set on them before,
// and the window process learns which block holds each element.
void OnWindowTaken(platform::RowWindow& window) {
    auto changes = std::move(TheHost().earlyChanges);
    TheHost().earlyChanges.clear();
    for (const auto& change : changes) {
        runtime::Attempt("web process: keeping a change of the rows", [&] {
            const std::int64_t block = window.Changed(change);
            if (block >= 0) {
                TellTheWindow(platform::messages::kElementChanged,
                              g_variant_new(platform::messages::kElementPropertyType,
                                            change.element.c_str(), change.property.c_str(),
                                            change.value.c_str(), static_cast<gint64>(block)));
            }
        });
    }
}

// A moment after the view of a long outline moved, the window hears where
// it stands, to bring it back there on a page put back.
void OnMoved() {
    Host& host = TheHost();
    if (host.placeSource) {
        return;
    }
    host.placeSource = g_timeout_add(
        250,
        [](gpointer) -> gboolean {
            TheHost().placeSource = 0;
            runtime::Attempt("web process: telling where the view stands", [] {
                auto* window = Window();
                const auto place = window ? window->Where() : std::nullopt;
                if (place) {
                    TellTheWindow(platform::messages::kPlace,
                                  g_variant_new(platform::messages::kPlaceType,
                                                static_cast<gint64>(place->block), place->offset));
                }
            });
            return G_SOURCE_REMOVE;
        },
        nullptr);
}

std::shared_ptr<platform::JscDocument> ShownDocument() {
    GObjectPtr<JSCContext> context(MainFrameContext());
    return std::make_shared<platform::JscDocument>(context.get(), TheHost().deferred,
                                                   &OnElementChanged);
}

void OnBindEvents(GVariant*, GUnixFDList*) {
    TheHost().form.BindDocument(ShownDocument());
}

void OnDocumentLoaded(WebKitWebPage*, gpointer);

// The file at `index` of those a message carries.
runtime::FileDescriptor FileOf(GUnixFDList* files, int index) {
    if (!files || g_unix_fd_list_get_length(files) <= index) {
        throw runtime::Failure("the message carries no file");
    }
    platform::GErrorPtr error;
    runtime::FileDescriptor file(g_unix_fd_list_get(files, index, platform::GErrorSlot(error)));
    if (!file) {
        throw runtime::Failure(std::string("cannot take the message's file: ") +
                               (error ? error->message : "unknown error"));
    }
    return file;
}

// A part of the page's text, as kWritePage and kMorePage carry it: the text
// to write, and the page text it covers, from `pageTextOffset` on.
struct PagePart {
    std::shared_ptr<const platform::MappedText> text;
    std::shared_ptr<const platform::MappedText> pageText;
    std::uint64_t pageTextOffset = 0;
    std::vector<platform::deferred::DeferredDivision> divisions;
    platform::messages::MoreText more = platform::messages::MoreText::Ends;
};

PagePart PagePartOf(GVariant* payload, GUnixFDList* files) {
    RequirePayload(payload, platform::messages::kPagePartType, "list of divisions");
    PagePart part;
    GVariantIter* entries = nullptr;
    gboolean more = FALSE;
    guint64 pageTextOffset = 0;
    guint64 pieceOffset = 0;
    guint64 pieceLength = 0;
    g_variant_get(payload, platform::messages::kPagePartType, &entries, &more, &pageTextOffset,
                  &pieceOffset, &pieceLength);
    const std::unique_ptr<GVariantIter, void (*)(GVariantIter*)> freeEntries(entries,
                                                                             g_variant_iter_free);
    part.text = platform::MappedText::Map(FileOf(files, 0).Get());
    part.pageText = platform::MappedText::Map(FileOf(files, 1).Get(), pieceOffset, pieceLength);
    const gchar* id = nullptr;
    guint64 offset = 0;
    guint64 length = 0;
    while (g_variant_iter_next(entries, "(&stt)", &id, &offset, &length)) {
        part.divisions.push_back(platform::deferred::DeferredDivision{id, offset, length});
    }
    part.more = more ? platform::messages::MoreText::Follows : platform::messages::MoreText::Ends;
    part.pageTextOffset = pageTextOffset;
    return part;
}

// The pictures written so far become buttons: the keyboard reaches them
// while the rest of the page is still written.
void MakeThePicturesButtons() {
    runtime::Attempt("web process: making the pictures buttons", [] {
        GObjectPtr<JSCContext> context(MainFrameContext());
        platform::jsc::ValuePtr document(jsc_context_get_value(context.get(), "document"));
        MakePictureButtons(document.get());
        if (!TheHost().picturesAreButtons) {
            TheHost().picturesAreButtons = true;
            BindPictureKeys(context.get());
        }
    });
}

// Rows that came into the window's part of the document: their pictures
// become buttons.
void OnRowsCameIn(JSCValue* row) {
    runtime::Attempt("web process: making the pictures buttons", [&] { MakePictureButtons(row); });
}

void OnWritePage(GVariant* payload, GUnixFDList* files) {
    PagePart start = PagePartOf(payload, files);
    Host& host = TheHost();
    GObjectPtr<JSCContext> context(MainFrameContext());
    // Messages about elements wait for the whole page to be written.
    host.documentParsed = false;
    host.picturesAreButtons = false;
    host.feed.reset();
    host.earlyChanges.clear();
    host.deferred->Expect(std::move(start.divisions), start.pageText, start.pageTextOffset);
    platform::OutlineFeed::Hooks hooks;
    hooks.done = [] { OnDocumentLoaded(nullptr, nullptr); };
    hooks.partWritten = &MakeThePicturesButtons;
    hooks.windowTaken = &OnWindowTaken;
    hooks.window.rowsCameIn = &OnRowsCameIn;
    hooks.window.moved = &OnMoved;
    host.feed = std::make_unique<platform::OutlineFeed>(context.get(), host.deferred,
                                                        host.longOutlines, hooks);
    host.feed->Read(start.text, start.text->Text(), start.more);
}

void OnMorePage(GVariant* payload, GUnixFDList* files) {
    PagePart part = PagePartOf(payload, files);
    Host& host = TheHost();
    auto& feed = runtime::Require(host.feed, "page being written");
    host.deferred->ExpectMore(std::move(part.divisions), part.pageText, part.pageTextOffset);
    feed.Read(part.text, part.text->Text(), part.more);
}

void OnPutElementProperty(GVariant* payload, GUnixFDList*) {
    RequirePayload(payload, platform::messages::kPutElementPropertyType, "element and property");
    const gchar* tagName = nullptr;
    guint16 index = 0;
    const gchar* property = nullptr;
    const gchar* value = nullptr;
    g_variant_get(payload, "(&sq&s&s)", &tagName, &index, &property, &value);
    if (std::string_view(property) != "href") {
        throw runtime::Failure(std::string("cannot store the property ") + property);
    }
    GObjectPtr<JSCContext> context(MainFrameContext());
    platform::JscDocument document(context.get());
    auto elements = document.getElementsByTagName(tagName);
    auto element =
        runtime::Require(elements, "collection of elements").Item(static_cast<std::int16_t>(index));
    if (!element && !TheHost().documentParsed) {
        throw NotParsedYet{};
    }
    runtime::Require(element, "element at that position").put_href(value);
}

// Sets again, once the page is written, what the window's handlers set on
// the page this one puts back, the same way they set it.
void OnRestoreProperty(GVariant* payload, GUnixFDList*) {
    RequirePayload(payload, platform::messages::kElementPropertyType, "element and property");
    if (!TheHost().documentParsed) {
        throw NotParsedYet{};
    }
    const gchar* key = nullptr;
    const gchar* property = nullptr;
    const gchar* value = nullptr;
    gint64 block = -1;
    g_variant_get(payload, "(&s&s&sx)", &key, &property, &value, &block);
    // A block of a long outline's rows keeps it, and shows it when in view.
    if (auto* window = Window(); window && block >= 0) {
        if (!window->Restore(block, {key, property, value})) {
            throw runtime::Failure("there is no block " + std::to_string(block) + " of rows");
        }
        return;
    }
    const auto document = ShownDocument();
    auto element = runtime::Require(document->all(), "collection of elements").item(key);
    auto& found = runtime::Require(element, std::string("element ") + key);
    const std::string_view name = property;
    if (name == "src") {
        found.put_src(value);
    } else if (name == "className") {
        found.put_className(value);
    } else if (name == "display") {
        runtime::Require(found.Style(), "style").put_display(value);
    } else {
        throw runtime::Failure(std::string("cannot set the property ") + property + " again");
    }
}

// The view of a page put back goes where it stood.
void OnRestorePlace(GVariant* payload, GUnixFDList*) {
    RequirePayload(payload, platform::messages::kPlaceType, "place");
    if (!TheHost().documentParsed) {
        throw NotParsedYet{};
    }
    platform::RowWindow::Place place;
    gint64 block = 0;
    g_variant_get(payload, platform::messages::kPlaceType, &block, &place.offset);
    place.block = block;
    auto* window = Window();
    if (!window || !window->GoTo(place)) {
        throw runtime::Failure("the page holds no block " + std::to_string(block) + " of rows");
    }
}

using Handler = void (*)(GVariant* payload, GUnixFDList* files);

const std::map<std::string_view, Handler>& Handlers() {
    static const std::map<std::string_view, Handler> handlers = {
        {platform::messages::kBindEvents, &OnBindEvents},
        {platform::messages::kPutElementProperty, &OnPutElementProperty},
        {platform::messages::kWritePage, &OnWritePage},
        {platform::messages::kMorePage, &OnMorePage},
        {platform::messages::kRestoreProperty, &OnRestoreProperty},
        {platform::messages::kRestorePlace, &OnRestorePlace},
    };
    return handlers;
}

// Applies a message at once where it can; one about an element that is not
// parsed yet is kept for when the document is.
void Handle(const std::string& name, GVariant* payload, GUnixFDList* files) {
    const auto handler = Handlers().find(name);
    runtime::Attempt("web process: " + name, [&] {
        try {
            handler->second(payload, files);
        } catch (const NotParsedYet&) {
            TheHost().pending.push_back(PendingMessage{
                name, platform::GVariantPtr(payload ? g_variant_ref(payload) : nullptr),
                GObjectPtr<GUnixFDList>(files ? G_UNIX_FD_LIST(g_object_ref(files)) : nullptr)});
        }
    });
}

gboolean OnUserMessage(WebKitWebPage*, WebKitUserMessage* message, gpointer) {
    const std::string name = webkit_user_message_get_name(message);
    if (Handlers().find(name) == Handlers().end()) {
        return FALSE;
    }
    Handle(name, webkit_user_message_get_parameters(message),
           webkit_user_message_get_fd_list(message));
    return TRUE;
}

void OnDocumentLoaded(WebKitWebPage*, gpointer) {
    Host& host = TheHost();
    if (host.feed && !host.feed->Done()) {
        return;  // the page is still being written
    }
    host.documentParsed = true;
    auto pending = std::move(host.pending);
    host.pending.clear();
    for (auto& message : pending) {
        Handle(message.name, message.payload.get(), message.files.get());
    }
    MakeThePicturesButtons();
}

void OnWindowObjectCleared(WebKitScriptWorld*, WebKitWebPage*, WebKitFrame* frame, gpointer) {
    if (webkit_frame_is_main_frame(frame)) {
        TheHost().mainFrame.reset(WEBKIT_FRAME(g_object_ref(frame)));
        TheHost().documentParsed = false;  // a new document is on its way
        TheHost().deferred->Forget();
        TheHost().feed.reset();
        TheHost().picturesAreButtons = false;
    }
}

// Whether a file lies inside the application directory.
bool InApplicationDirectory(const std::string& file) {
    const std::string& directory = runtime::AppPath();
    const std::string prefix = directory == "/" ? directory : directory + "/";
    return file == directory || file.rfind(prefix, 0) == 0;
}

// The page may load files of the application directory and nothing else:
// no other file, no network address. A missing picture is said once.
gboolean OnSendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const gchar* uri = webkit_uri_request_get_uri(request);
    if (!uri || std::string_view(uri) == "about:blank") {
        return FALSE;
    }
    GCharPtr file(g_filename_from_uri(uri, nullptr, nullptr));
    bool allowed = false;
    runtime::Attempt("web process: checking a request",
                     [&] { allowed = file && InApplicationDirectory(file.get()); });
    if (!allowed) {
        runtime::ReportFailure("web process: a request was refused",
                               std::string(uri).substr(0, 200));
        return TRUE;
    }
    if (!g_file_test(file.get(), G_FILE_TEST_EXISTS)) {
        runtime::ReportFailure("web process: a picture is missing", file.get());
    }
    return FALSE;
}

void OnPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    TheHost().page = page;
    g_signal_connect(page, "user-message-received", G_CALLBACK(OnUserMessage), nullptr);
    g_signal_connect(page, "document-loaded", G_CALLBACK(OnDocumentLoaded), nullptr);
    g_signal_connect(page, "send-request", G_CALLBACK(OnSendRequest), nullptr);
}

}  // namespace

void Initialize(WebKitWebExtension* extension, std::string applicationDirectory,
                platform::LongOutlines longOutlines) {
    runtime::SetAppPath(std::move(applicationDirectory));
    TheHost().longOutlines = longOutlines;
    TheHost().deferred->OnBuilt([](JSCValue* division) {
        runtime::Attempt("web process: making the pictures buttons",
                         [&] { MakePictureButtons(division); });
    });
    g_signal_connect(extension, "page-created", G_CALLBACK(OnPageCreated), nullptr);
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared",
                     G_CALLBACK(OnWindowObjectCleared), nullptr);
}

}  // namespace kestrova::webprocess
