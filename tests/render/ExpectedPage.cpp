#include "tests/render/ExpectedPage.h"

#include "shell/startup/PageHead.h"
#include "tests/render/PageLayout.h"

namespace kestrova::testing {

namespace {

class PageBuilder {
public:
    explicit PageBuilder(const ExpectedOutline& outline) : outline_(outline) {}

    std::string Build() {
        text_ = kCustomerLayout.at("F1").Text();
        Lines(kCustomerLayout, {"F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11"});
        Headings(kCustomerLayout, outline_.customerHeadings);
        Lines(kCustomerLayout, {"F12", "F13", "F14", "F15"});
        int customer = 0;
        int order = 0;
        for (const auto& c : outline_.customers) {
            ++customer;
            Lines(kCustomerLayout, {"R1", "R2"});
            Line(kCustomerLayout, "R3", std::to_string(customer) + "\"");
            Line(
                kCustomerLayout, "R4",
                outline_.applicationDirectory + "\\plus.gif\" ALT=\"View this customer's orders\"");
            Lines(kCustomerLayout, {"R5", "R6", "R7"});
            Values(kCustomerLayout, c.values);
            Lines(kCustomerLayout, {"R8"});
            Orders(customer, c.orders, order);
        }
        Lines(kCustomerLayout, {"F16", "F17", "F18"});
        return text_;
    }

private:
    using Layout = std::map<std::string, LayoutLine>;

    void Line(const Layout& layout, const std::string& key, const std::string& tail = "") {
        text_ += "\r\n" + layout.at(key).Text() + tail;
    }
    void Lines(const Layout& layout, std::initializer_list<const char*> keys) {
        for (const char* key : keys) {
            Line(layout, key);
        }
    }
    void Headings(const Layout& layout, const std::vector<std::string>& names) {
        for (const auto& name : names) {
            Lines(layout, {"H1", "H2"});
            Line(layout, "H3", name + "</b>");
            Lines(layout, {"H4", "H5"});
        }
    }
    void Values(const Layout& layout, const std::vector<std::string>& values) {
        for (const auto& value : values) {
            Lines(layout, {"V1", "V2"});
            Line(layout, "V3", value);
            Lines(layout, {"V4", "V5"});
        }
    }

    void Orders(int customer, const std::vector<ExpectedOrder>& orders, int& order) {
        Lines(kOrderLayout, {"O1", "O2", "O3", "O4"});
        Line(kOrderLayout, "O5", std::to_string(outline_.customerFieldCount + 1) + "\">");
        Line(kOrderLayout, "O6", std::to_string(customer) + "\" style=\"display:none\">");
        if (orders.empty()) {
            Lines(kOrderLayout, {"E1"});
        } else {
            Lines(kOrderLayout, {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8"});
            Headings(kOrderLayout, outline_.orderHeadings);
            Lines(kOrderLayout, {"T9", "T10", "T11", "T12"});
            for (const auto& o : orders) {
                ++order;
                Lines(kOrderLayout, {"R1", "R2", "R3", "R4"});
                Line(kOrderLayout, "R5", std::to_string(order) + "\"");
                Line(kOrderLayout, "R6",
                     outline_.applicationDirectory +
                         "\\plus.gif\" ALT=\"View this order's line items\"");
                Lines(kOrderLayout, {"R7", "R8", "R9"});
                Values(kOrderLayout, o.values);
                Lines(kOrderLayout, {"R10"});
                LineItems(order, o.lineItems);
            }
            Lines(kOrderLayout, {"T13"});
        }
        Lines(kOrderLayout, {"X1", "X2", "X3"});
    }

    void LineItems(int order, const std::vector<std::vector<std::string>>& items) {
        Lines(kLineItemLayout, {"L1", "L2", "L3", "L4"});
        Line(kLineItemLayout, "L5", std::to_string(outline_.orderFieldCount + 2) + "\" > ");
        Line(kLineItemLayout, "L6", std::to_string(order) + "\" style=\"display:none\">");
        if (items.empty()) {
            Lines(kLineItemLayout, {"E1", "E2", "E3"});
        } else {
            Lines(kLineItemLayout,
                  {"T1", "T2", "T3", "T4", "T5", "T6", "T7", "T8", "T9", "T10", "T11"});
            Headings(kLineItemLayout, outline_.lineItemHeadings);
            Lines(kLineItemLayout, {"T12", "T13", "T14", "T15"});
            for (const auto& item : items) {
                Lines(kLineItemLayout, {"R1", "R2", "R3", "R4", "R5", "R6", "R7"});
                Values(kLineItemLayout, item);
                Lines(kLineItemLayout, {"R8"});
            }
            Lines(kLineItemLayout, {"T16"});
        }
        Lines(kLineItemLayout, {"X1", "X2", "X3"});
    }

    const ExpectedOutline& outline_;
    std::string text_;
};

}  // namespace

std::string ExpectedBody(const ExpectedOutline& outline) {
    return PageBuilder(outline).Build();
}

ExpectedOutline CustomerOrderOutline(const std::string& applicationDirectory) {
    ExpectedOutline outline;
    outline.applicationDirectory = applicationDirectory;
    outline.customerHeadings = {"Cust #", "Customer", "Total Amount Owed"};
    outline.orderHeadings = {"Order #", "Order Date",     "PO #",
                             "Cust #",  "Items On Order", "Order Total"};
    outline.lineItemHeadings = {"Order #",  "Product",    "Manufacturer",
                                "Quantity", "Unit Price", "Extended Price"};
    outline.customerFieldCount = 4;
    outline.orderFieldCount = 7;
    return outline;
}

std::string ExpectedHead() {
    std::string head(kPageHead[0]);
    for (std::size_t i = 1; i < kPageHead.size(); ++i) {
        head.append("\r\n").append(kPageHead[i]);
    }
    return head;
}

}  // namespace kestrova::testing
