#include <webkit2/webkit-web-extension.h>

#include "platform/webkit/Messages.h"
#include "shell/webprocess/WebProcessHost.h"

// WebKit calls this when it loads the extension into a web process. The
// start data is the application directory, and whether long outlines are
// windowed.
extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant* startData) {
    const gchar* applicationDirectory = "";
    gboolean windowed = TRUE;
    auto* data = const_cast<GVariant*>(startData);
    if (data && g_variant_is_of_type(
                    data, G_VARIANT_TYPE(kestrova::platform::messages::kExtensionStartDataType))) {
        g_variant_get(data, "(&sb)", &applicationDirectory, &windowed);
    }
    kestrova::webprocess::Initialize(extension, applicationDirectory,
                                     windowed ? kestrova::platform::LongOutlines::Windowed
                                              : kestrova::platform::LongOutlines::EveryRow);
}
