#pragma once

#include <string>
#include <string_view>

#include "platform/memorydoc/MemoryBrowser.h"
#include "shell/form/Form1.h"

namespace kestrova {

using platform::MemoryBrowser;

// Reaches the window's private procedures and members for the tests.
struct Form1TestAccess {
    static void AppendText(Form1& form, std::string_view text) { form.AppendText(text); }
    static std::string GetText(Form1& form) { return form.GetText().ToString(); }
    static platform::PageText SharedText(Form1& form) { return form.GetText(); }
    static void AppendLine(Form1& form, std::string_view text) { form.AppendLine({text}); }
    static void ResetText(Form1& form) { form.ResetText(); }
    static std::string RenderOutline(Form1& form) { return form.RenderOutline().ToString(); }
    static platform::Variant FormatValue(Form1& form, platform::Field& field) {
        return form.FormatValue(field);
    }

    static std::int64_t Length(const Form1& form) { return form.mlngLength; }
    static std::int64_t Capacity(const Form1& form) { return form.mlngCapacity; }
    static std::string Storage(const Form1& form) { return form.mstrBuffer.ToString(); }
    static PageStorage::Keeping KeptIn(const Form1& form) { return form.mstrBuffer.KeptIn(); }
    static void SetLength(Form1& form, std::int64_t length) { form.mlngLength = length; }

    static std::shared_ptr<platform::Recordset>& Customers(Form1& form) {
        return form.mrsCustomers;
    }
    static std::shared_ptr<platform::Recordset>& Orders(Form1& form) { return form.mrsOrders; }
    static std::shared_ptr<platform::Recordset>& LineItems(Form1& form) {
        return form.mrsLineItems;
    }
    static std::optional<platform::Field>& Field(Form1& form) { return form.mobjField; }
    static platform::IHTMLElement* Element(Form1& form) { return form.mElement.get(); }
};

}  // namespace kestrova
