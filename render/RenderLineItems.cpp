#include <string>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/Require.h"
#include "render/OutlineLines.h"
#include "render/RenderSteps.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;

// The hidden row after order `lngOrder`: its line items table, or a note
// that it has none.
void Form1::RenderLineItems(std::int32_t lngOrder) {
    using namespace outline::lineItems;
    for (const auto line : {kL1, kL2, kL3, kL4}) {
        AppendLine({line});
    }
    Attempt("rendering the line items: the hidden row's span", [&] {
        const auto span = runtime::Require(mrsOrders, "orders").Fields().Count() + 2;
        AppendLine({kL5, std::to_string(span), outline::kLineItemsSpanTail});
    });
    AppendLine({kL6, std::to_string(lngOrder), outline::kHiddenDivisionTail});
    if (!Attempt("rendering the line items: taking the order's line items",
                 [&] { mrsLineItems = render::ChildRecordset(mrsOrders.get(), "rsLineItems"); })) {
        mrsLineItems.reset();
    }

    if (render::AtEndOfData(mrsLineItems.get(), "line items")) {
        for (const auto line : {kE1, kE2, kE3}) {
            AppendLine({line});
        }
    } else {
        for (const auto line : {kT1, kT2, kT3, kT4, kT5, kT6, kT7, kT8, kT9, kT10, kT11}) {
            AppendLine({line});
        }
        AppendHeadingCells(mrsLineItems.get(), outline::kLineItemCells);
        for (const auto line : {kT12, kT13, kT14, kT15}) {
            AppendLine({line});
        }
        while (!render::AtEndOfData(mrsLineItems.get(), "line items")) {
            for (const auto line : {kR1, kR2, kR3, kR4, kR5, kR6, kR7}) {
                AppendLine({line});
            }
            AppendValueCells(mrsLineItems.get(), outline::kLineItemCells);
            AppendLine({kR8});
            if (!Attempt("rendering the line items: moving to the next line item",
                         [&] { mrsLineItems->MoveNext(); })) {
                break;
            }
        }
        AppendLine({kT16});
    }
    for (const auto line : {kX1, kX2, kX3}) {
        AppendLine({line});
    }
}

}  // namespace kestrova
