#include "platform/deferredpage/OutlineRows.h"

#include <algorithm>

#include "platform/deferredpage/StartTags.h"

namespace kestrova::platform::deferred {

namespace {

constexpr std::string_view kCustomerPicture = "imgCustomer";

// A rough width of a character of the page's sans-serif font, in
// thousandths of its size: enough to tell which cells may be widest.
double CharacterWidth(unsigned char c) {
    if (c >= 0x80) {
        return 600;
    }
    switch (c) {
        case 'i':
        case 'j':
        case 'l':
            return 222;
        case 'I':
        case 'f':
        case 't':
        case ' ':
        case '.':
        case ',':
        case ':':
        case ';':
        case '\'':
        case '!':
        case '|':
            return 278;
        case 'r':
        case '(':
        case ')':
        case '-':
            return 333;
        case 'm':
        case 'M':
            return 833;
        case 'w':
            return 722;
        case 'W':
            return 944;
        default:
            break;
    }
    if (c >= 'A' && c <= 'Z') {
        return 700;
    }
    return 556;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Where the construct that a part leaves cut at its end begins: the last
// "<" after `from` that no ">" closes, or a comment left open; npos when
// the part ends clean.
std::size_t CutAt(std::string_view text, std::size_t from) {
    const std::size_t last = text.rfind('<');
    if (last == std::string_view::npos || last < from) {
        return std::string_view::npos;
    }
    const std::size_t comment = text.rfind("<!--");
    if (comment != std::string_view::npos && comment >= from &&
        text.find("-->", comment + 4) == std::string_view::npos) {
        return comment;
    }
    return text.find('>', last) == std::string_view::npos ? last : std::string_view::npos;
}

}  // namespace

void OutlineRows::Read(std::string_view text) {
    const std::size_t part = parts_.size();
    parts_.push_back(text);
    // Text cut at the end of the part before is read again, joined with
    // this one; places in it still name where it stands.
    std::string joined;
    std::string_view scanned = text;
    const std::size_t carried = carried_.size();
    if (carried > 0) {
        joined = carried_ + std::string(text);
        scanned = joined;
    }
    const PartPlace carriedFrom = carriedFrom_;
    const auto placeOf = [&](std::size_t at) {
        return at < carried ? PartPlace{carriedFrom.part, carriedFrom.offset + at}
                            : PartPlace{part, at - carried};
    };
    TagWalker walker(scanned);
    std::size_t after = 0;
    while (auto tag = walker.Next()) {
        if (tag->begin > after) {
            OnText(scanned.substr(after, tag->begin - after));
        }
        OnTag(tag->end, tag->name, tag->inside, placeOf(tag->begin));
        after = walker.Position();
    }
    const std::size_t cut = CutAt(scanned, after);
    const std::size_t textEnd = cut == std::string_view::npos ? scanned.size() : cut;
    if (textEnd > after) {
        OnText(scanned.substr(after, textEnd - after));
    }
    carried_.clear();
    if (cut != std::string_view::npos) {
        carried_ = std::string(scanned.substr(cut));
        carriedFrom_ = placeOf(cut);
    }
}

void OutlineRows::OnTag(bool end, const std::string& name, std::string_view inside,
                        PartPlace begin) {
    if (tableEnd_) {
        return;
    }
    if (name == "table") {
        if (end) {
            if (customersDepth_ > 0 && tableDepth_ == customersDepth_) {
                EndCustomerRow();
                tableEnd_ = begin;
            }
            tableDepth_ = std::max(0, tableDepth_ - 1);
            return;
        }
        ++tableDepth_;
        rows_.resize(std::max(rows_.size(), static_cast<std::size_t>(tableDepth_) + 1));
        rows_[static_cast<std::size_t>(tableDepth_)] = Row{};
        return;
    }
    rows_.resize(std::max(rows_.size(), static_cast<std::size_t>(tableDepth_) + 1));
    auto& row = rows_[static_cast<std::size_t>(tableDepth_)];
    const bool atCustomers = customersDepth_ == 0 || tableDepth_ == customersDepth_;
    if (name == "tr") {
        if (atCustomers) {
            EndCustomerRow();
        }
        row = end ? Row{} : Row{begin, true, false};
        cells_.clear();
        inCell_ = false;
        return;
    }
    if (name == "td" || name == "th") {
        inCell_ = !end && row.open && atCustomers;
        if (inCell_) {
            cells_.emplace_back();
        }
        return;
    }
    if (name != "img" || end || tableDepth_ == 0 || !row.open || row.claimed) {
        return;
    }
    const auto picture = AttributeOf(inside, "name");
    if (!picture || picture->compare(0, kCustomerPicture.size(), kCustomerPicture) != 0 ||
        !atCustomers) {
        return;
    }
    customersDepth_ = tableDepth_;
    row.claimed = true;
    starts_.push_back(row.begin);
}

// Text within a cell of the row being read adds to the cell's width, its
// blanks counting as one space between words.
void OutlineRows::OnText(std::string_view text) {
    if (!inCell_ || cells_.empty()) {
        return;
    }
    Cell& cell = cells_.back();
    bool blank = !cell.inText;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsBlank(static_cast<char>(c))) {
            blank = true;
            continue;
        }
        if (blank && cell.width > 0) {
            cell.width += CharacterWidth(' ');
        }
        blank = false;
        if ((c & 0xC0) == 0x80) {
            continue;  // the rest of a character beyond ASCII
        }
        if (c == '&') {
            // A character reference stands for one character.
            const std::size_t semicolon = text.find(';', i);
            if (semicolon != std::string_view::npos && semicolon - i <= 10) {
                i = semicolon;
            }
            cell.width += CharacterWidth('n');
            continue;
        }
        cell.width += CharacterWidth(c);
    }
    cell.inText = !blank;
}

// A customer's row ended: its cells' widths are weighed against the
// widest so far.
void OutlineRows::EndCustomerRow() {
    const auto depth = static_cast<std::size_t>(tableDepth_);
    if (depth >= rows_.size() || !rows_[depth].open || !rows_[depth].claimed) {
        return;
    }
    const std::size_t block = starts_.size() - 1;
    for (std::size_t column = 0; column < cells_.size() && column < kColumns; ++column) {
        Keep(column, cells_[column].width, block);
    }
    rows_[depth].open = false;
    cells_.clear();
    inCell_ = false;
}

void OutlineRows::Keep(std::size_t column, double width, std::size_t block) {
    auto& widest = widest_[column];
    if (widest.size() == kWidest && width <= widest.back().first) {
        return;
    }
    const auto at = std::upper_bound(
        widest.begin(), widest.end(), width,
        [](double w, const std::pair<double, std::size_t>& kept) { return w > kept.first; });
    widest.insert(at, {width, block});
    if (widest.size() > kWidest) {
        widest.pop_back();
    }
    widestChanged_ = true;
}

std::size_t OutlineRows::Blocks() const {
    if (starts_.empty()) {
        return 0;
    }
    return tableEnd_ ? starts_.size() : starts_.size() - 1;
}

PartPlace OutlineRows::End(std::size_t block) const {
    if (block + 1 < starts_.size()) {
        return starts_[block + 1];
    }
    return tableEnd_.value_or(ReadEnd());
}

PartPlace OutlineRows::ReadEnd() const {
    if (parts_.empty()) {
        return {};
    }
    if (!carried_.empty()) {
        return carriedFrom_;
    }
    return {parts_.size() - 1, parts_.back().size()};
}

PartPlace OutlineRows::Settled() const {
    const auto depth = static_cast<std::size_t>(tableDepth_);
    if (!tableEnd_ && tableDepth_ > 0 && depth < rows_.size() && rows_[depth].open &&
        !rows_[depth].claimed) {
        return std::min(rows_[depth].begin, ReadEnd());
    }
    return ReadEnd();
}

std::string OutlineRows::Text(PartPlace from, PartPlace to) const {
    std::string text;
    for (std::size_t part = from.part; part <= to.part && part < parts_.size(); ++part) {
        const std::string_view whole = parts_[part];
        const std::size_t begin = part == from.part ? std::min(from.offset, whole.size()) : 0;
        const std::size_t end = part == to.part ? std::min(to.offset, whole.size()) : whole.size();
        if (end > begin) {
            text.append(whole.substr(begin, end - begin));
        }
    }
    return text;
}

std::string OutlineRows::Markup(std::size_t from, std::size_t to) const {
    if (from >= to || to > Blocks()) {
        return {};
    }
    return Text(Start(from), End(to - 1));
}

std::vector<std::vector<std::size_t>> OutlineRows::Widest() const {
    std::vector<std::vector<std::size_t>> columns;
    for (const auto& widest : widest_) {
        if (widest.empty()) {
            break;
        }
        auto& blocks = columns.emplace_back();
        for (const auto& [width, block] : widest) {
            blocks.push_back(block);
        }
    }
    return columns;
}

bool OutlineRows::WidestChanged() {
    const bool changed = widestChanged_;
    widestChanged_ = false;
    return changed;
}

}  // namespace kestrova::platform::deferred
