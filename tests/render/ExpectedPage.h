#pragma once

#include <string>
#include <vector>

namespace kestrova::testing {

// What an outline should show, level by level, as value texts.
struct ExpectedOrder {
    std::vector<std::string> values;
    std::vector<std::vector<std::string>> lineItems;
};
struct ExpectedCustomer {
    std::vector<std::string> values;
    std::vector<ExpectedOrder> orders;
};
struct ExpectedOutline {
    std::string applicationDirectory;
    std::vector<std::string> customerHeadings, orderHeadings, lineItemHeadings;
    int customerFieldCount = 0;  // chapter fields included
    int orderFieldCount = 0;
    std::vector<ExpectedCustomer> customers;
};

// An outline with the customer order query's own headings and fields, in
// `applicationDirectory`; its customers are the caller's to add.
ExpectedOutline CustomerOrderOutline(const std::string& applicationDirectory);

// The page head as start-up writes it: its lines joined by line breaks.
std::string ExpectedHead();

// The page body for an outline, built line by line from the page layout.
std::string ExpectedBody(const ExpectedOutline& outline);

}  // namespace kestrova::testing
