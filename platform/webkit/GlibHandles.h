#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>

namespace kestrova::platform {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) {
            g_object_unref(object);
        }
    }
};

// Owns one reference of a GObject (WebKit and JavaScriptCore objects too).
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

template <class T>
GObjectPtr<T> Adopt(T* object) {
    return GObjectPtr<T>(object);
}

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GVariantUnref {
    void operator()(GVariant* value) const {
        if (value) {
            g_variant_unref(value);
        }
    }
};
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;

struct GErrorFree {
    void operator()(GError* error) const {
        if (error) {
            g_error_free(error);
        }
    }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

}  // namespace kestrova::platform
