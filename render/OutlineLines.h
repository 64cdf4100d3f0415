#pragma once

#include <string_view>

// The lines of the page body, each with its leading blanks. Every line but
// the first of the body is appended after a CR LF; where a line is followed
// by a value in the page, the value is appended to the same line.

namespace kestrova::outline {

// The frame, the customers table and its rows.
namespace customers {
inline constexpr std::string_view kF1 =
    " <table border=\"1\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\">";
inline constexpr std::string_view kF2 = "   <tr>";
inline constexpr std::string_view kF3 = "     <td>";
inline constexpr std::string_view kF4 = "     <!-- Begin Customers table. -->";
inline constexpr std::string_view kF5 =
    "     <table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\">";
inline constexpr std::string_view kF6 = "     <!--------------------------------------------->";
inline constexpr std::string_view kF7 = "     <!-- Display the Customer's column headings. -->";
inline constexpr std::string_view kF8 = "     <!--------------------------------------------->";
inline constexpr std::string_view kF9 = "       <tr>";
inline constexpr std::string_view kF10 =
    "         <td width=\"5%\" bgcolor=\"#ffffff\">&nbsp;</td>";
inline constexpr std::string_view kF11 =
    "         <td width=\"1%\" bgcolor=\"#000080\">&nbsp;</td>";
inline constexpr std::string_view kF12 = "       </tr>";
inline constexpr std::string_view kF13 = "     <!--------------------------------------->";
inline constexpr std::string_view kF14 = "     <!-- Display the Customer's data rows. -->";
inline constexpr std::string_view kF15 = "     <!--------------------------------------->";
inline constexpr std::string_view kF16 = "   </table>";
inline constexpr std::string_view kF17 = "   </td></tr>";
inline constexpr std::string_view kF18 = " </table>";
inline constexpr std::string_view kH1 =
    "             <td align=\"right\" bgcolor=\"#000080\" nowrap>";
inline constexpr std::string_view kH2 = "             <font size=\"3\" color=\"#ffffff\">";
inline constexpr std::string_view kH3 = "             <b>";
inline constexpr std::string_view kH4 = "             </font>";
inline constexpr std::string_view kH5 = "             </td>";
inline constexpr std::string_view kR1 = "       <tr bgcolor=\"#ffffff\">";
inline constexpr std::string_view kR2 =
    "         <td bgcolor=\"#ffffff\" align=\"center\" valign=\"center\" width=\"5%\">";
inline constexpr std::string_view kR3 = "         <img name=\"imgCustomer";
inline constexpr std::string_view kR4 = "         SRC=\"";
inline constexpr std::string_view kR5 = "         WIDTH=\"16\" HEIGHT=\"16\">";
inline constexpr std::string_view kR6 = "         </td>";
inline constexpr std::string_view kR7 = "         <td width=\"1%\" bgcolor=\"#000080\">&nbsp;</td>";
inline constexpr std::string_view kR8 = "       </tr>";
inline constexpr std::string_view kV1 =
    "             <td align=\"right\" bgcolor=\"#ffffc0\" nowrap>";
inline constexpr std::string_view kV2 = "             <font size=\"3\" color=\"#000080\">";
inline constexpr std::string_view kV3 = "             ";
inline constexpr std::string_view kV4 = "             </font>";
inline constexpr std::string_view kV5 = "             </td>";
}  // namespace customers

// The hidden row of a customer with its orders table.
namespace orders {
inline constexpr std::string_view kO1 = "       <!------------------------->";
inline constexpr std::string_view kO2 = "       <!-- Begin Orders table. -->";
inline constexpr std::string_view kO3 = "       <!------------------------->";
inline constexpr std::string_view kO4 = "       <tr>";
inline constexpr std::string_view kO5 = "         <td align=\"center\" colspan=\"";
inline constexpr std::string_view kO6 = "         <div id=\"divCustomer";
inline constexpr std::string_view kE1 =
    "           <font size=\"2\" color=\"#ffffff\"><b>This customer has no orders.</b></font>";
inline constexpr std::string_view kT1 =
    "           <table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\">";
inline constexpr std::string_view kT2 = "           <!------------------------------------------>";
inline constexpr std::string_view kT3 = "           <!-- Display the Order's column headings. -->";
inline constexpr std::string_view kT4 = "           <!------------------------------------------>";
inline constexpr std::string_view kT5 = "             <tr>";
inline constexpr std::string_view kT6 =
    "               <td width=\"5%\" bgcolor=\"#ffffff\">&nbsp;</td>";
inline constexpr std::string_view kT7 =
    "               <td width=\"5%\" bgcolor=\"#ffffff\">&nbsp;</td>";
inline constexpr std::string_view kT8 =
    "               <td width=\"1%\" bgcolor=\"#000080\">&nbsp;</td>";
inline constexpr std::string_view kT9 = "             </tr>";
inline constexpr std::string_view kT10 = "             <!------------------------------------>";
inline constexpr std::string_view kT11 = "             <!-- Display the Order's data rows. -->";
inline constexpr std::string_view kT12 = "             <!------------------------------------>";
inline constexpr std::string_view kT13 = "           </table>";
inline constexpr std::string_view kH1 =
    "                   <td align=\"right\" bgcolor=\"#000080\" nowrap>";
inline constexpr std::string_view kH2 = "                   <font size=\"2\" color=\"#ffffff\">";
inline constexpr std::string_view kH3 = "                   <b>";
inline constexpr std::string_view kH4 = "                   </font>";
inline constexpr std::string_view kH5 = "                   </td>";
inline constexpr std::string_view kR1 = "               <tr>";
inline constexpr std::string_view kR2 =
    "                 <td bgcolor=\"#ffffff\" align=\"center\">&nbsp;</td>";
inline constexpr std::string_view kR3 = "                 <td bgcolor=\"#ffffff\" align=\"center\"";
inline constexpr std::string_view kR4 = "                 valign=\"center\" width=\"5%\">";
inline constexpr std::string_view kR5 = "                 <img name=\"imgOrder";
inline constexpr std::string_view kR6 = "                 SRC=\"";
inline constexpr std::string_view kR7 = "                 WIDTH=\"16\" HEIGHT=\"16\">";
inline constexpr std::string_view kR8 = "                 </td>";
inline constexpr std::string_view kR9 =
    "                 <td width=\"1%\" bgcolor=\"#000080\">&nbsp;</td>";
inline constexpr std::string_view kR10 = "               </tr>";
inline constexpr std::string_view kV1 =
    "                     <td align=\"right\" bgcolor=\"#ccccff\">";
inline constexpr std::string_view kV2 = "                     <font size=\"2\" color=\"#000080\">";
inline constexpr std::string_view kV3 = "                     ";
inline constexpr std::string_view kV4 = "                     </font>";
inline constexpr std::string_view kV5 = "                     </td>";
inline constexpr std::string_view kX1 = "         </div>";
inline constexpr std::string_view kX2 = "         </td>";
inline constexpr std::string_view kX3 = "       </tr>";
}  // namespace orders

// The hidden row of an order with its line items table.
namespace lineItems {
inline constexpr std::string_view kL1 = "               <!-------------------------------->";
inline constexpr std::string_view kL2 = "               <!-- Begin line items table. -->";
inline constexpr std::string_view kL3 = "               <!-------------------------------->";
inline constexpr std::string_view kL4 = "               <tr>";
inline constexpr std::string_view kL5 = "                 <td align=\"center\" colspan=\"";
inline constexpr std::string_view kL6 = "                 <div id=\"divOrder";
inline constexpr std::string_view kE1 = "                   <font size=\"2\" color=\"#ffffff\">";
inline constexpr std::string_view kE2 = "                   <b>No line items exist.</b>";
inline constexpr std::string_view kE3 = "                   </font>";
inline constexpr std::string_view kT1 =
    "                  <table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\">";
inline constexpr std::string_view kT2 =
    "                    <!------------------------------------------------->";
inline constexpr std::string_view kT3 =
    "                    <!-- Display the Line Item's column headings. -->";
inline constexpr std::string_view kT4 =
    "                    <!------------------------------------------------->";
inline constexpr std::string_view kT5 = "                    <tr>";
inline constexpr std::string_view kT6 =
    "                      <td width=\"10%\" bgcolor=\"#ffffff\"";
inline constexpr std::string_view kT7 =
    "                      valign=\"center\" align=\"center\">&nbsp;</td>";
inline constexpr std::string_view kT8 =
    "                      <td width=\"5%\" bgcolor=\"#ffffff\"";
inline constexpr std::string_view kT9 =
    "                      valign=\"center\" align=\"right\">&nbsp;</td>";
inline constexpr std::string_view kT10 =
    "                      <td width=\"1%\" bgcolor=\"#000080\"";
inline constexpr std::string_view kT11 =
    "                      valign=\"center\" align=\"center\">&nbsp;</td>";
inline constexpr std::string_view kT12 = "                    </tr>";
inline constexpr std::string_view kT13 =
    "                    <!------------------------------------------->";
inline constexpr std::string_view kT14 =
    "                    <!-- Display the Line Item's data rows. -->";
inline constexpr std::string_view kT15 =
    "                    <!------------------------------------------->";
inline constexpr std::string_view kT16 = "                  </table>";
inline constexpr std::string_view kH1 =
    "                          <td align=\"right\" bgcolor=\"#000080\" nowrap>";
inline constexpr std::string_view kH2 =
    "                          <font size=\"1\" color=\"#ffffff\">";
inline constexpr std::string_view kH3 = "                          <b>";
inline constexpr std::string_view kH4 = "                          </font>";
inline constexpr std::string_view kH5 = "                          </td>";
inline constexpr std::string_view kR1 = "                      <tr>";
inline constexpr std::string_view kR2 =
    "                        <td width=\"10%\" bgcolor=\"#ffffff\"";
inline constexpr std::string_view kR3 =
    "                        valign=\"center\" align=\"center\">&nbsp;</td>";
inline constexpr std::string_view kR4 =
    "                        <td width=\"5%\" bgcolor=\"#ffffff\"";
inline constexpr std::string_view kR5 =
    "                        valign=\"center\" align=\"right\">&nbsp;</td>";
inline constexpr std::string_view kR6 =
    "                        <td width=\"1%\" bgcolor=\"#000080\"";
inline constexpr std::string_view kR7 =
    "                        valign=\"center\" align=\"center\">&nbsp;</td>";
inline constexpr std::string_view kR8 = "                      </tr>";
inline constexpr std::string_view kV1 =
    "                            <td align=\"right\" bgcolor=#b6dd9a>";
inline constexpr std::string_view kV2 =
    "                            <font size=\"1\" color=\"#000080\">";
inline constexpr std::string_view kV3 = "                            ";
inline constexpr std::string_view kV4 = "                            </font>";
inline constexpr std::string_view kV5 = "                            </td>";
inline constexpr std::string_view kX1 = "                 </div>";
inline constexpr std::string_view kX2 = "                 </td>";
inline constexpr std::string_view kX3 = "               </tr>";
}  // namespace lineItems

}  // namespace kestrova::outline

namespace kestrova::outline {

// What follows the line of an image's address: the picture's name and its
// alternative text.
inline constexpr std::string_view kCustomerImageTail =
    "\\plus.gif\" ALT=\"View this customer's orders\"";
inline constexpr std::string_view kOrderImageTail =
    "\\plus.gif\" ALT=\"View this order's line items\"";
// What follows the number of a hidden division.
inline constexpr std::string_view kHiddenDivisionTail = "\" style=\"display:none\">";
// What follows the column span of a hidden row, at the orders and at the
// line items level.
inline constexpr std::string_view kOrdersSpanTail = "\">";
inline constexpr std::string_view kLineItemsSpanTail = "\" > ";
inline constexpr std::string_view kHeadingNameTail = "</b>";
inline constexpr std::string_view kNumberTail = "\"";

// The cells of one level: a heading cell per column, a value cell per
// column and row.
struct CellLines {
    std::string_view h1, h2, h3, h4, h5;
    std::string_view v1, v2, v3, v4, v5;
};

inline constexpr CellLines kCustomerCells{
    customers::kH1, customers::kH2, customers::kH3, customers::kH4, customers::kH5,
    customers::kV1, customers::kV2, customers::kV3, customers::kV4, customers::kV5};
inline constexpr CellLines kOrderCells{orders::kH1, orders::kH2, orders::kH3, orders::kH4,
                                       orders::kH5, orders::kV1, orders::kV2, orders::kV3,
                                       orders::kV4, orders::kV5};
inline constexpr CellLines kLineItemCells{
    lineItems::kH1, lineItems::kH2, lineItems::kH3, lineItems::kH4, lineItems::kH5,
    lineItems::kV1, lineItems::kV2, lineItems::kV3, lineItems::kV4, lineItems::kV5};

}  // namespace kestrova::outline
