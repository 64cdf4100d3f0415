#include "platform/localstore/TextCollations.h"

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/localstore/SqlTokens.h"
#include "platform/runtime/Diagnostics.h"
#include "platform/textorder/GeneralOrder.h"
#include "platform/textorder/KeyCache.h"
#include "platform/textorder/TextOrder.h"

namespace kestrova::platform {

namespace {

using textorder::Generation;
using textorder::SortOrder;
using textorder::TextOrder;

// A note about an order is said once in a run, however many connections
// use it.
void SayOnce(const std::string& note) {
    static std::mutex lock;
    static std::set<std::string> said;
    const std::lock_guard guard(lock);
    if (said.insert(note).second) {
        runtime::ReportFailure("sorting text", note);
    }
}

int CompareTexts(void* order, int aLength, const void* a, int bLength, const void* b) {
    return static_cast<TextOrder*>(order)->Compare(
        std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(aLength)),
        std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bLength)));
}

void MakeOrderNamed(void*, sqlite3* database, int, const char* name) {
    const auto order = textorder::FromCollationName(name);
    if (!order) {
        return;  // SQLite says "no such collation sequence"
    }
    std::string note;
    auto made = textorder::MakeTextOrder(*order, note);
    if (!note.empty()) {
        SayOnce(note);
    }
    sqlite3_create_collation_v2(database, name, SQLITE_UTF8, made.release(), &CompareTexts,
                                [](void* order) { delete static_cast<TextOrder*>(order); });
}

std::string KeyFunctionName(const SortOrder& order) {
    return textorder::CollationName(order) + "_key";
}

// The sort keys of one General order, each text's made once.
class SortKeys {
public:
    explicit SortKeys(Generation generation) : order_(generation) {}

    // Text sorts after numbers and before blobs, as in SQLite itself.
    const std::string& Of(std::string_view text) {
        return cache_.KeyOf(text, [this](std::string_view t) { return '\x01' + order_.Key(t); });
    }

private:
    textorder::GeneralOrder order_;
    textorder::KeyCache cache_;
};

// key(value): Null and numbers as they are; text as its sort key; a blob
// after every text, in its own order.
void SortKeyOf(sqlite3_context* context, int, sqlite3_value** arguments) {
    sqlite3_value* value = arguments[0];
    switch (sqlite3_value_type(value)) {
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
            const std::string& key =
                static_cast<SortKeys*>(sqlite3_user_data(context))
                    ->Of(std::string_view(text,
                                          static_cast<std::size_t>(sqlite3_value_bytes(value))));
            sqlite3_result_blob64(context, key.data(), key.size(), SQLITE_TRANSIENT);
            return;
        }
        case SQLITE_BLOB: {
            std::string marked = "\x02";
            marked.append(static_cast<const char*>(sqlite3_value_blob(value)),
                          static_cast<std::size_t>(sqlite3_value_bytes(value)));
            sqlite3_result_blob64(context, marked.data(), marked.size(), SQLITE_TRANSIENT);
            return;
        }
        default:
            sqlite3_result_value(context, value);
    }
}

void AddKeyFunction(sqlite3* database, Generation generation) {
    const SortOrder order{SortOrder::kGeneral, generation};
    sqlite3_create_function_v2(database, KeyFunctionName(order).c_str(), 1,
                               SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                               new SortKeys(generation), &SortKeyOf, nullptr, nullptr,
                               [](void* keys) { delete static_cast<SortKeys*>(keys); });
}

bool IsAnyKeyword(const sql::Token& token, std::initializer_list<std::string_view> keywords) {
    return std::any_of(keywords.begin(), keywords.end(),
                       [&](std::string_view keyword) { return sql::IsKeyword(token, keyword); });
}

bool IsSymbol(const sql::Token& token, std::string_view symbol) {
    return token.kind == sql::TokenKind::Symbol && token.text == symbol;
}

// One ORDER BY term's expression: where it starts and ends in the
// statement, and whether it names a collation or is a bare number.
struct Term {
    std::size_t start = 0;
    std::size_t end = 0;
    bool collated = false;
    bool number = false;
    int tokens = 0;
};

// The terms of the ORDER BY clause whose first term starts at token
// `from`. It ends before a token at its own depth that ends it (LIMIT, a
// window's frame, a closing parenthesis, the statement's end); each term's
// expression ends before ASC, DESC and NULLS FIRST or LAST.
std::vector<Term> TermsFrom(const std::vector<sql::Token>& tokens, std::size_t from) {
    std::vector<Term> terms;
    Term term;
    int depth = 0;
    bool inSuffix = false;
    const auto close = [&] {
        if (term.tokens > 0) {
            terms.push_back(term);
        }
        term = Term();
        inSuffix = false;
    };
    for (std::size_t i = from; i < tokens.size(); ++i) {
        const auto& token = tokens[i];
        if (token.kind == sql::TokenKind::End) {
            break;
        }
        if (depth == 0) {
            if (IsSymbol(token, ")") || IsSymbol(token, ";") ||
                IsAnyKeyword(token, {"LIMIT", "ROWS", "RANGE", "GROUPS", "WINDOW"})) {
                break;
            }
            if (IsSymbol(token, ",")) {
                close();
                continue;
            }
            if (IsAnyKeyword(token, {"ASC", "DESC", "NULLS"})) {
                inSuffix = true;
            }
            term.collated |= sql::IsKeyword(token, "COLLATE");
        }
        depth += IsSymbol(token, "(") ? 1 : IsSymbol(token, ")") ? -1 : 0;
        if (inSuffix) {
            continue;
        }
        if (term.tokens++ == 0) {
            term.start = token.offset;
        }
        term.end = token.offset + token.text.size();
        term.number = term.tokens == 1 && token.kind == sql::TokenKind::Number;
    }
    close();
    return terms;
}

// Whether the select whose ORDER BY starts at token `orderAt` is compound:
// a UNION, INTERSECT or EXCEPT at the same depth before it.
bool IsCompound(const std::vector<sql::Token>& tokens, std::size_t orderAt) {
    int depth = 0;
    for (std::size_t i = orderAt; i-- > 0;) {
        depth += IsSymbol(tokens[i], ")") ? 1 : IsSymbol(tokens[i], "(") ? -1 : 0;
        if (depth < 0) {
            return false;
        }
        if (depth == 0 && IsAnyKeyword(tokens[i], {"UNION", "INTERSECT", "EXCEPT"})) {
            return true;
        }
    }
    return false;
}

}  // namespace

void SortTextAsTheFormatDoes(sqlite3* database) {
    sqlite3_collation_needed(database, nullptr, &MakeOrderNamed);
    for (const auto generation :
         {Generation::General1997, Generation::GeneralLegacy, Generation::General2010}) {
        AddKeyFunction(database, generation);
    }
}

std::string WithTextSortedBy(std::string_view statement, const SortOrder& order) {
    struct Edit {
        std::size_t at;
        std::string text;
    };
    std::vector<Edit> edits;
    const auto tokens = sql::Tokenize(statement);
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (!sql::IsKeyword(tokens[i], "ORDER") || !sql::IsKeyword(tokens[i + 1], "BY")) {
            continue;
        }
        const bool compound = IsCompound(tokens, i);
        for (const Term& term : TermsFrom(tokens, i + 2)) {
            if (term.collated) {
                continue;
            }
            if (compound || term.number) {
                edits.push_back({term.end, " COLLATE " + textorder::CollationName(order)});
            } else {
                edits.push_back({term.start, KeyFunctionName(order) + "("});
                edits.push_back({term.end, ")"});
            }
        }
    }
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit& a, const Edit& b) { return a.at < b.at; });
    std::string rewritten;
    std::size_t copied = 0;
    for (const auto& edit : edits) {
        rewritten.append(statement, copied, edit.at - copied);
        rewritten += edit.text;
        copied = edit.at;
    }
    rewritten.append(statement, copied);
    return rewritten;
}

std::optional<SortOrder> OneGeneralOrderOf(sqlite3* database) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database, "SELECT sql FROM main.sqlite_master WHERE type = 'table'", -1,
                           &raw, nullptr) != SQLITE_OK) {
        return std::nullopt;
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw,
                                                                               &sqlite3_finalize);
    std::set<std::string> named;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(raw, 0);
        const auto tokens = sql::Tokenize(text ? reinterpret_cast<const char*>(text) : "");
        for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
            if (sql::IsKeyword(tokens[i], "COLLATE")) {
                named.insert(tokens[i + 1].text);
            }
        }
    }
    if (named.size() != 1) {
        return std::nullopt;
    }
    const auto order = textorder::FromCollationName(*named.begin());
    return order && order->IsGeneral() ? order : std::nullopt;
}

}  // namespace kestrova::platform
