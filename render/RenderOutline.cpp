#include <string>

#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "render/HtmlText.h"
#include "render/OutlineLines.h"
#include "render/RenderSteps.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;

// The page body in one forward pass: the customers table with, after each
// customer row, its hidden orders section. Appends to the page buffer after
// what it holds, then takes the buffer's whole text and empties it.
platform::PageText Form1::RenderOutline() {
    using namespace outline::customers;
    std::int32_t lngCustomer = 0;
    std::int32_t lngOrder = 0;

    AppendText(kF1);
    for (const auto line : {kF2, kF3, kF4, kF5, kF6, kF7, kF8, kF9, kF10, kF11}) {
        AppendLine({line});
    }
    AppendHeadingCells(mrsCustomers.get(), outline::kCustomerCells);
    for (const auto line : {kF12, kF13, kF14, kF15}) {
        AppendLine({line});
    }

    while (!render::AtEndOfData(mrsCustomers.get(), "customers")) {
        Attempt("rendering the customers: numbering a customer",
                [&] { lngCustomer = render::NextNumber(lngCustomer); });
        const std::string number = std::to_string(lngCustomer);
        AppendLine({kR1});
        AppendLine({kR2});
        AppendLine({kR3, number, outline::kNumberTail});
        Attempt("rendering the customers: the picture's address", [&] {
            AppendLine({kR4, HtmlAttribute(runtime::AppAddress()), outline::kCustomerImageTail});
        });
        AppendLine({kR5});
        AppendLine({kR6});
        AppendLine({kR7});
        AppendValueCells(mrsCustomers.get(), outline::kCustomerCells);
        AppendLine({kR8});
        RenderOrders(lngCustomer, lngOrder);
        HandOnThePageSoFar();
        // A recordset that cannot move on would never reach its end.
        if (!Attempt("rendering the customers: moving to the next customer",
                     [&] { mrsCustomers->MoveNext(); })) {
            break;
        }
        if (AssemblyStopped()) {
            break;  // the window is going
        }
    }

    for (const auto line : {kF16, kF17, kF18}) {
        AppendLine({line});
    }
    platform::PageText result;
    Attempt("rendering: taking the page text", [&] { result = GetText(); });
    Attempt("rendering: emptying the page buffer", [&] { ResetText(); });
    return result;
}

}  // namespace kestrova
