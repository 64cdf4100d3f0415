#include "platform/datashape/Aggregate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "platform/recordset/TypeCodes.h"
#include "platform/runtime/Diagnostics.h"

namespace kestrova::platform::shape {

namespace {

using Int128 = __int128;

bool IsIntegerType(std::int32_t type) {
    return type == adInteger || type == adSmallInt || type == adUnsignedTinyInt ||
           type == adBigInt || type == adBoolean;
}

bool IsMissing(const Variant& value) {
    return std::holds_alternative<Null>(value) || std::holds_alternative<Empty>(value);
}

// A value as a number: exactly, in whole units of its kind (ten-thousandths
// for money), where it is an integer or money; and as a double.
struct Number {
    std::optional<Int128> exact;
    double value = 0;
};

std::optional<Number> NumberOf(const Variant& value, bool money) {
    if (const auto* c = std::get_if<Currency>(&value)) {
        return Number{money ? std::optional<Int128>(c->tenThousandths) : std::nullopt,
                      static_cast<double>(c->tenThousandths) / 10000.0};
    }
    std::optional<std::int64_t> integer = IntegerOf(value);
    if (const auto* v = std::get_if<bool>(&value)) {
        integer = *v ? -1 : 0;  // True counts as -1
    }
    if (integer) {
        return Number{money ? Int128(*integer) * 10000 : Int128(*integer),
                      static_cast<double>(*integer)};
    }
    try {
        return Number{std::nullopt, ToDouble(value)};
    } catch (const std::exception& error) {
        runtime::ReportFailure("data shaping",
                               std::string("an aggregate passes over a value: ") + error.what());
        return std::nullopt;
    }
}

struct Totals {
    std::size_t count = 0;
    Int128 exactSum = 0;
    bool exact = true;
    double sum = 0;
    double sumOfSquares = 0;
    bool noAmount = false;  // a value summed was no amount of money
};

// Whether a value of a column shown as money is no amount: text (a value
// that was no number when it was read) or a number that is not finite.
bool IsNoAmount(const Variant& value) {
    if (const auto* real = std::get_if<double>(&value)) {
        return !std::isfinite(*real);
    }
    if (const auto* single = std::get_if<float>(&value)) {
        return !std::isfinite(*single);
    }
    return std::holds_alternative<std::string>(value);
}

Totals Accumulate(const Chapter& chapter, std::size_t column, std::size_t parentRow, bool money) {
    Totals totals;
    const Table& child = *chapter.child;
    const bool shownAsMoney = IsShownAsMoney(child.columns[column].type);
    for (auto i = chapter.offsets[parentRow]; i < chapter.offsets[parentRow + 1]; ++i) {
        if (child.columns[column].values.IsMissing(chapter.rows[i])) {
            continue;
        }
        const Variant value = child.Cell(chapter.rows[i], column);
        if (shownAsMoney && IsNoAmount(value)) {
            totals.noAmount = true;
            continue;
        }
        const auto number = NumberOf(value, money);
        if (!number) {
            continue;
        }
        ++totals.count;
        totals.exact = totals.exact && number->exact.has_value();
        if (number->exact) {
            totals.exactSum += *number->exact;
        }
        totals.sum += number->value;
        totals.sumOfSquares += number->value * number->value;
    }
    return totals;
}

int Rank(const Variant& value) {
    if (std::holds_alternative<Date>(value))
        return 2;
    if (std::holds_alternative<std::string>(value))
        return 3;
    if (std::holds_alternative<Binary>(value))
        return 4;
    return 1;
}

bool Less(const Variant& a, const Variant& b) {
    const int rankA = Rank(a);
    const int rankB = Rank(b);
    if (rankA != rankB) {
        return rankA < rankB;
    }
    switch (rankA) {
        case 2: {
            const auto& x = std::get<Date>(a);
            const auto& y = std::get<Date>(b);
            return std::tie(x.year, x.month, x.day, x.hour, x.minute, x.second, x.ticks) <
                   std::tie(y.year, y.month, y.day, y.hour, y.minute, y.second, y.ticks);
        }
        case 3:
            return std::get<std::string>(a) < std::get<std::string>(b);
        case 4:
            return std::get<Binary>(a).bytes < std::get<Binary>(b).bytes;
        default: {
            const auto x = NumberOf(a, true);
            const auto y = NumberOf(b, true);
            if (x && y && x->exact && y->exact) {
                return *x->exact < *y->exact;
            }
            return x && y && x->value < y->value;
        }
    }
}

Column Extreme(const Chapter& chapter, std::size_t column, std::size_t parentRows, bool wantMax) {
    Column result;
    result.type = chapter.child->columns[column].type;
    for (std::size_t row = 0; row < parentRows; ++row) {
        std::optional<Variant> best;
        for (auto i = chapter.offsets[row]; i < chapter.offsets[row + 1]; ++i) {
            Variant value = chapter.child->Cell(chapter.rows[i], column);
            if (!IsMissing(value) &&
                (!best || (wantMax ? Less(*best, value) : Less(value, *best)))) {
                best = std::move(value);
            }
        }
        result.values.push_back(best ? *best : Variant(Null{}));
    }
    return result;
}

// SUM keeps the column's type; integers that outgrow 32 bits make the whole
// column 64-bit, and beyond that a double.
// A total that counts a value that is no amount is no amount either: its
// cell holds this text, and the page shows it empty.
constexpr const char* kNoAmount = "no amount";

// What a parent row's sum needs once the column's type is known: 17 bytes a
// row, not a whole Totals, for a level of a million orders sums while every
// line item is held.
struct RowSums {
    enum class State : std::uint8_t { Counted, NothingCounted, NoAmount };
    std::vector<State> states;
    std::vector<std::int64_t> exact;  // meaningful only where every sum fits
    std::vector<double> sums;
};

Column Sum(const Chapter& chapter, std::size_t column, std::size_t parentRows,
           const std::string& name) {
    const std::int32_t type = chapter.child->columns[column].type;
    const bool money = type == adCurrency;
    bool allExact = IsIntegerType(type) || money;
    Int128 largest = 0;
    RowSums rows;
    rows.states.reserve(parentRows);
    rows.exact.reserve(parentRows);
    rows.sums.reserve(parentRows);
    for (std::size_t row = 0; row < parentRows; ++row) {
        const Totals t = Accumulate(chapter, column, row, money);
        const Int128 magnitude = t.exactSum < 0 ? -t.exactSum : t.exactSum;
        const bool fits = magnitude <= std::numeric_limits<std::int64_t>::max();
        rows.exact.push_back(fits ? static_cast<std::int64_t>(t.exactSum) : 0);
        rows.sums.push_back(t.sum);
        if (t.noAmount) {
            rows.states.push_back(RowSums::State::NoAmount);
            continue;
        }
        rows.states.push_back(t.count == 0 ? RowSums::State::NothingCounted
                                           : RowSums::State::Counted);
        allExact = allExact && t.exact;
        largest = std::max(largest, magnitude);
    }
    Column result;
    const bool fits64 = largest <= std::numeric_limits<std::int64_t>::max();
    if (allExact && fits64) {
        result.type = money                                                 ? adCurrency
                      : largest <= std::numeric_limits<std::int32_t>::max() ? adInteger
                                                                            : adBigInt;
    } else {
        result.type =
            (type == adSingle || type == adNumeric || type == adDecimal) ? type : adDouble;
    }
    result.values.reserve(parentRows);
    for (std::size_t row = 0; row < parentRows; ++row) {
        const double sum = rows.sums[row];
        const std::int64_t exact = rows.exact[row];
        if (rows.states[row] == RowSums::State::NoAmount) {
            runtime::ReportFailure("data shaping",
                                   name + " of row " + std::to_string(row + 1) +
                                       " counts a value of " + chapter.child->columns[column].name +
                                       " that is no amount; its cell is left empty");
            result.values.push_back(std::string(kNoAmount));
        } else if (rows.states[row] == RowSums::State::NothingCounted) {
            result.values.push_back(Null{});
        } else if (result.type == adCurrency) {
            result.values.push_back(Currency{exact});
        } else if (result.type == adInteger) {
            result.values.push_back(static_cast<std::int32_t>(exact));
        } else if (result.type == adBigInt) {
            result.values.push_back(exact);
        } else if (result.type == adSingle) {
            result.values.push_back(static_cast<float>(sum));
        } else if (result.type == adNumeric || result.type == adDecimal) {
            char buffer[64];
            const auto end = std::to_chars(buffer, buffer + sizeof buffer, sum).ptr;
            result.values.push_back(Decimal{std::string(buffer, end)});
        } else {
            result.values.push_back(sum);
        }
    }
    return result;
}

Column Statistic(AggregateFunction function, const Chapter& chapter, std::size_t column,
                 std::size_t parentRows) {
    const bool money = chapter.child->columns[column].type == adCurrency;
    Column result;
    result.type = function == AggregateFunction::Avg && money ? adCurrency : adDouble;
    for (std::size_t row = 0; row < parentRows; ++row) {
        const Totals t = Accumulate(chapter, column, row, money);
        if (function == AggregateFunction::Avg) {
            if (t.count == 0) {
                result.values.push_back(Null{});
            } else if (money && t.exact) {
                const long double mean = static_cast<long double>(t.exactSum) / t.count;
                result.values.push_back(Currency{static_cast<std::int64_t>(std::llround(mean))});
            } else {
                result.values.push_back(t.sum / static_cast<double>(t.count));
            }
        } else if (t.count < 2) {
            result.values.push_back(Null{});
        } else {
            const double n = static_cast<double>(t.count);
            const double variance = (t.sumOfSquares - t.sum * t.sum / n) / (n - 1);
            result.values.push_back(std::sqrt(std::max(0.0, variance)));
        }
    }
    return result;
}

Column Count(const Chapter& chapter, std::optional<std::size_t> column, std::size_t parentRows) {
    Column result;
    result.type = adInteger;
    for (std::size_t row = 0; row < parentRows; ++row) {
        std::int32_t count = 0;
        for (auto i = chapter.offsets[row]; i < chapter.offsets[row + 1]; ++i) {
            if (!column || !chapter.child->columns[*column].values.IsMissing(chapter.rows[i])) {
                ++count;
            }
        }
        result.values.push_back(count);
    }
    return result;
}

Column AnyValue(const Chapter& chapter, std::size_t column, std::size_t parentRows) {
    Column result;
    result.type = chapter.child->columns[column].type;
    for (std::size_t row = 0; row < parentRows; ++row) {
        const bool none = chapter.offsets[row] == chapter.offsets[row + 1];
        result.values.push_back(
            none ? Variant(Null{})
                 : chapter.child->Cell(chapter.rows[chapter.offsets[row]], column));
    }
    return result;
}

}  // namespace

Column ComputeAggregate(AggregateFunction function, const Chapter& chapter,
                        std::optional<std::size_t> childColumn, std::size_t parentRowCount,
                        std::string name) {
    Column result;
    switch (function) {
        case AggregateFunction::Count:
            result = Count(chapter, childColumn, parentRowCount);
            break;
        case AggregateFunction::Sum:
            result = Sum(chapter, *childColumn, parentRowCount, name);
            break;
        case AggregateFunction::Min:
        case AggregateFunction::Max:
            result =
                Extreme(chapter, *childColumn, parentRowCount, function == AggregateFunction::Max);
            break;
        case AggregateFunction::Any:
            result = AnyValue(chapter, *childColumn, parentRowCount);
            break;
        default:
            result = Statistic(function, chapter, *childColumn, parentRowCount);
            break;
    }
    result.name = std::move(name);
    return result;
}

}  // namespace kestrova::platform::shape
