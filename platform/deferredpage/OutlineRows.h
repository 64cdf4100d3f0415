#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::platform::deferred {

// Where a piece of text stands in text that comes in parts: the part, and
// the offset in it.
struct PartPlace {
    std::size_t part = 0;
    std::size_t offset = 0;
    auto operator<=>(const PartPlace&) const = default;
};

// The outline's rows in the text the view builds first, read part after
// part as that text comes: the table that holds the customers' pictures,
// and in it each customer's block of rows (the customer's row, and what
// follows it up to the next customer's row or the table's end tag). Before
// the first block and from the table's end tag on lies the page's frame.
//
// A customer's row is a row of that table holding a picture named
// "imgCustomer..." in one of its own cells. For each column of those rows
// it keeps the blocks whose cell there likely holds the widest text.
class OutlineRows {
public:
    // How many blocks' cells are kept as the widest of each column.
    static constexpr std::size_t kWidest = 24;
    static constexpr std::size_t kColumns = 8;

    // Reads the next part of the text. `text` must stay where it is while
    // this lives: blocks are given back as views of it.
    void Read(std::string_view text);

    // Blocks begun so far, and those whose end has come.
    std::size_t Begun() const { return starts_.size(); }
    std::size_t Blocks() const;
    PartPlace Start(std::size_t block) const { return starts_.at(block); }
    // Where a block whose end has come ends.
    PartPlace End(std::size_t block) const;
    // Where the frame after the blocks starts: the table's end tag.
    std::optional<PartPlace> TableEnd() const { return tableEnd_; }
    // Up to where the text read is known to be frame or rows of a known
    // kind: before a row of the table that may still turn out to be a
    // customer's, else the end of the text read.
    PartPlace Settled() const;
    // The end of the text read so far.
    PartPlace ReadEnd() const;

    // The text between two places, whole parts between them included.
    std::string Text(PartPlace from, PartPlace to) const;
    // The text of blocks [from, to), every one of them ended.
    std::string Markup(std::size_t from, std::size_t to) const;

    // For each column of the customers' rows, up to kWidest blocks whose
    // cell there holds the widest text by a rough measure of its
    // characters, widest first. Says whether it changed since last asked.
    std::vector<std::vector<std::size_t>> Widest() const;
    bool WidestChanged();

private:
    struct Cell {
        double width = 0;
        bool inText = false;  // within a run of characters, not blanks
    };
    void OnTag(bool end, const std::string& name, std::string_view inside, PartPlace begin);
    void OnText(std::string_view text);
    void EndCustomerRow();
    void Keep(std::size_t column, double width, std::size_t block);

    std::vector<std::string_view> parts_;
    // What a part left cut at its end, read again with the next.
    std::string carried_;
    PartPlace carriedFrom_;

    int tableDepth_ = 0;
    int customersDepth_ = 0;  // 0 until the first customer's picture
    // The last row begun at each table depth, and whether it is a
    // customer's (claimed).
    struct Row {
        PartPlace begin;
        bool open = false;
        bool claimed = false;
    };
    std::vector<Row> rows_;
    std::vector<PartPlace> starts_;
    std::optional<PartPlace> tableEnd_;

    // The cells of the row being read at the customers' depth.
    std::vector<Cell> cells_;
    bool inCell_ = false;
    // Per column: (width, block), widest first.
    std::array<std::vector<std::pair<double, std::size_t>>, kColumns> widest_;
    bool widestChanged_ = false;
};

}  // namespace kestrova::platform::deferred
