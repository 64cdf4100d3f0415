#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>

namespace kestrova::platform {

// Each wrapper owns exactly one full reference and drops it when it goes.
// Objects and variants that start out floating (GInitiallyUnowned objects
// such as widgets and user messages, and new GVariants) must be sunk with
// g_object_ref_sink or g_variant_ref_sink before a wrapper takes them: a
// wrapper never holds a floating reference.

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) {
            g_object_unref(object);
        }
    }
};

// Owns one full reference of a GObject (WebKit and JavaScriptCore objects
// too).
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

// Hands a call's GError** out parameter to a GErrorPtr: pass
// `GErrorSlot(error)` where the call wants the address; the error, if any,
// is owned by `error` once the full expression ends.
class GErrorSlot {
public:
    explicit GErrorSlot(GErrorPtr& owner) : owner_(owner) {}
    ~GErrorSlot() { owner_.reset(raw_); }
    GErrorSlot(const GErrorSlot&) = delete;
    GErrorSlot& operator=(const GErrorSlot&) = delete;
    operator GError**() { return &raw_; }

private:
    GErrorPtr& owner_;
    GError* raw_ = nullptr;
};

struct GBytesUnref {
    void operator()(GBytes* bytes) const {
        if (bytes) {
            g_bytes_unref(bytes);
        }
    }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;

}  // namespace kestrova::platform
