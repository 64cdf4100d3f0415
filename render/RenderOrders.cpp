#include <string>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/Require.h"
#include "render/HtmlText.h"
#include "render/OutlineLines.h"
#include "render/RenderSteps.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;

// The hidden row after customer `lngCustomer`: its orders table, or a note
// that it has none. Order numbers run on across the whole page.
void Form1::RenderOrders(std::int32_t lngCustomer, std::int32_t& lngOrder) {
    using namespace outline::orders;
    for (const auto line : {kO1, kO2, kO3, kO4}) {
        AppendLine({line});
    }
    Attempt("rendering the orders: the hidden row's span", [&] {
        const auto span = runtime::Require(mrsCustomers, "customers").Fields().Count() + 1;
        AppendLine({kO5, std::to_string(span), outline::kOrdersSpanTail});
    });
    AppendLine({kO6, std::to_string(lngCustomer), outline::kHiddenDivisionTail});
    if (!Attempt("rendering the orders: taking the customer's orders",
                 [&] { mrsOrders = render::ChildRecordset(mrsCustomers.get(), "rsOrders"); })) {
        mrsOrders.reset();
    }

    if (render::AtEndOfData(mrsOrders.get(), "orders")) {
        AppendLine({kE1});
    } else {
        for (const auto line : {kT1, kT2, kT3, kT4, kT5, kT6, kT7, kT8}) {
            AppendLine({line});
        }
        AppendHeadingCells(mrsOrders.get(), outline::kOrderCells);
        for (const auto line : {kT9, kT10, kT11, kT12}) {
            AppendLine({line});
        }
        while (!render::AtEndOfData(mrsOrders.get(), "orders")) {
            Attempt("rendering the orders: numbering an order",
                    [&] { lngOrder = render::NextNumber(lngOrder); });
            for (const auto line : {kR1, kR2, kR3, kR4}) {
                AppendLine({line});
            }
            AppendLine({kR5, std::to_string(lngOrder), outline::kNumberTail});
            Attempt("rendering the orders: the picture's address", [&] {
                AppendLine({kR6, HtmlAttribute(runtime::AppAddress()), outline::kOrderImageTail});
            });
            for (const auto line : {kR7, kR8, kR9}) {
                AppendLine({line});
            }
            AppendValueCells(mrsOrders.get(), outline::kOrderCells);
            AppendLine({kR10});
            RenderLineItems(lngOrder);
            if (!Attempt("rendering the orders: moving to the next order",
                         [&] { mrsOrders->MoveNext(); })) {
                break;
            }
        }
        AppendLine({kT13});
    }
    for (const auto line : {kX1, kX2, kX3}) {
        AppendLine({line});
    }
}

}  // namespace kestrova
