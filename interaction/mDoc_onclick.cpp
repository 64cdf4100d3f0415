#include <string>

#include "interaction/ImageNumber.h"
#include "platform/runtime/App.h"
#include "platform/runtime/Attempt.h"
#include "platform/runtime/Failure.h"
#include "platform/runtime/Require.h"
#include "shell/form/Form1.h"

namespace kestrova {

using runtime::Attempt;
using runtime::Require;

namespace {

constexpr std::string_view kCustomerImagePrefix = "imgCusto";
constexpr std::size_t kCustomerPrefixLength = 11;  // "imgCustomer"
constexpr std::size_t kOrderPrefixLength = 8;      // "imgOrder"

bool IsCustomerImage(const std::string& name) {
    return name.rfind(kCustomerImagePrefix, 0) == 0;
}

// The number of a customer or order picture. Any picture whose name does not
// begin with "imgCusto" is taken for an order's, its first eight characters
// skipped unread.
std::int32_t NumberOfImage(const std::string& name) {
    const std::size_t skip = IsCustomerImage(name) ? kCustomerPrefixLength : kOrderPrefixLength;
    if (name.size() < skip) {
        throw runtime::Failure("the picture's name \"" + name + "\" is too short for a number");
    }
    const auto number = ImageNumber(std::string_view(name).substr(skip));
    if (!number) {
        throw runtime::Failure("the picture's name \"" + name + "\" does not end in a number");
    }
    return *number;
}

}  // namespace

// A click on a customer's or an order's picture shows or hides the division
// with the same number and swaps the picture between minus and plus. The
// shown or hidden state lives in the document alone. Always answers False,
// which cancels the click's default action.
bool Form1::mDoc_onclick() {
    std::int32_t lngNumber = 0;
    std::string strImageName;
    std::string strDivision;
    std::string strDisplay;
    std::string strNewDisplay;

    if (!Attempt("click: taking the clicked element", [&] {
            mElement =
                Require(Require(mDoc->parentWindow(), "window").event(), "event").srcElement();
        })) {
        return false;
    }
    bool isImage = false;
    Attempt("click: reading the element's tag",
            [&] { isImage = Require(mElement, "clicked element").tagName() == "IMG"; });
    if (!isImage) {
        return false;
    }
    Attempt("click: reading the picture's number",
            [&] { lngNumber = NumberOfImage(mElement->Name()); });
    Attempt("click: reading the picture's name", [&] { strImageName = mElement->Name(); });
    Attempt("click: naming the division", [&] {
        strDivision = (IsCustomerImage(mElement->Name()) ? "divCustomer" : "divOrder") +
                      std::to_string(lngNumber);
    });
    Attempt("click: reading the division's display", [&] {
        auto division = Require(mDoc->all(), "collection of elements").item(strDivision);
        strDisplay =
            Require(Require(division, "division " + strDivision).Style(), "style").display();
    });
    const bool hidden = strDisplay == "none";
    strNewDisplay = hidden ? "" : "none";
    Attempt("click: changing the picture", [&] {
        const std::string source = runtime::AppAddress() + (hidden ? "\\Minus.gif" : "\\Plus.gif");
        auto picture = Require(mDoc->all(), "collection of elements").item(strImageName);
        Require(picture, "picture " + strImageName).put_src(source);
    });
    Attempt("click: showing or hiding the division", [&] {
        auto division = Require(mDoc->all(), "collection of elements").item(strDivision);
        Require(Require(division, "division " + strDivision).Style(), "style")
            .put_display(strNewDisplay);
    });
    return false;
}

}  // namespace kestrova
