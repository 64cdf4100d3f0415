#include <webkit2/webkit-web-extension.h>

#include "platform/webkit/Messages.h"
#include "shell/webprocess/WebProcessHost.h"

// WebKit calls this when it loads the extension into a web process. The
// start data is the application directory.
extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(
    WebKitWebExtension* extension, const GVariant* startData) {
    const gchar* applicationDirectory = "";
    if (startData && g_variant_is_of_type(
                         const_cast<GVariant*>(startData),
                         G_VARIANT_TYPE(kestrova::platform::messages::kExtensionStartDataType))) {
        applicationDirectory = g_variant_get_string(const_cast<GVariant*>(startData), nullptr);
    }
    kestrova::webprocess::Initialize(extension, applicationDirectory);
}
