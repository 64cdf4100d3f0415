#include "platform/localstore/TextCollations.h"

#include <algorithm>
#include <cctype>
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

    const std::string& Of(std::string_view text) {
        return cache_.KeyOf(text, [this](std::string_view t) { return AsText(order_.Key(t)); });
    }

private:
    // The key's bytes as characters U+0000 to U+00FF, in UTF-8: a text that
    // compares bytewise as the key does, in UTF-8 and in both UTF-16s
    // alike, so that SQLite may keep it in the database's own encoding.
    static std::string AsText(const std::string& key) {
        std::string text;
        text.reserve(key.size());
        for (const char c : key) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                text += c;
            } else {
                text += static_cast<char>(0xC0 | (byte >> 6));
                text += static_cast<char>(0x80 | (byte & 0x3F));
            }
        }
        return text;
    }

    textorder::GeneralOrder order_;
    textorder::KeyCache cache_;
};

// key(value): text as its sort key, itself a text that compares bytewise
// as the text does in the order; Null, numbers and blobs as they are. Text
// still sorts after numbers and before blobs, and SQLite compares the keys
// as quickly as any text.
void SortKeyOf(sqlite3_context* context, int, sqlite3_value** arguments) {
    sqlite3_value* value = arguments[0];
    if (sqlite3_value_type(value) != SQLITE_TEXT) {
        sqlite3_result_value(context, value);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    auto& keys = *static_cast<SortKeys*>(sqlite3_user_data(context));
    const std::string& key =
        keys.Of(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(value))));
    sqlite3_result_text64(context, key.data(), key.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
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

// One ORDER BY term's expression: where it starts and ends in the
// statement, whether it names a collation or is a bare number, and the
// column it names when it is no more than that (lower case).
struct Term {
    std::size_t start = 0;
    std::size_t end = 0;
    bool collated = false;
    bool number = false;
    int tokens = 0;
    std::string column;
};

bool IsName(const sql::Token& token) {
    return token.kind == sql::TokenKind::Word || token.kind == sql::TokenKind::QuotedName;
}

// A name as written, its quotes or brackets taken off, in lower case.
std::string LowerCaseName(const sql::Token& token) {
    std::string name = sql::Unquoted(token);
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

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
            if (sql::IsSymbol(token, ")") || sql::IsSymbol(token, ";") ||
                IsAnyKeyword(token, {"LIMIT", "ROWS", "RANGE", "GROUPS", "WINDOW"})) {
                break;
            }
            if (sql::IsSymbol(token, ",")) {
                close();
                continue;
            }
            if (IsAnyKeyword(token, {"ASC", "DESC", "NULLS"})) {
                inSuffix = true;
            }
            term.collated |= sql::IsKeyword(token, "COLLATE");
        }
        depth += sql::IsSymbol(token, "(") ? 1 : sql::IsSymbol(token, ")") ? -1 : 0;
        if (inSuffix) {
            continue;
        }
        if (term.tokens++ == 0) {
            term.start = token.offset;
        }
        term.end = token.offset + token.text.size();
        term.number = term.tokens == 1 && token.kind == sql::TokenKind::Number;
        // A column, or a table's column: a name, or name.name.
        const bool name = IsName(token) && (term.tokens == 1 || term.tokens == 3);
        const bool dot = term.tokens == 2 && sql::IsSymbol(token, ".");
        term.column = name ? LowerCaseName(token) : dot ? term.column : "";
        if (!name && !dot) {
            term.tokens += 100;  // no longer a column alone
        }
    }
    close();
    return terms;
}

// Whether the select whose ORDER BY starts at token `orderAt` is compound:
// a UNION, INTERSECT or EXCEPT at the same depth before it.
bool IsCompound(const std::vector<sql::Token>& tokens, std::size_t orderAt) {
    int depth = 0;
    for (std::size_t i = orderAt; i-- > 0;) {
        depth += sql::IsSymbol(tokens[i], ")") ? 1 : sql::IsSymbol(tokens[i], "(") ? -1 : 0;
        if (depth < 0) {
            return false;
        }
        if (depth == 0 && IsAnyKeyword(tokens[i], {"UNION", "INTERSECT", "EXCEPT"})) {
            return true;
        }
    }
    return false;
}

// Declared as a number, a date or a Boolean: SQLite's affinity for it is
// no text (it names no CHAR, CLOB or TEXT, or it names INT), and it is
// not left undeclared (which holds anything).
bool HoldsNoText(std::string declared) {
    for (char& c : declared) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (declared.empty() || declared.find("BLOB") != std::string::npos) {
        return false;
    }
    return declared.find("INT") != std::string::npos ||
           (declared.find("CHAR") == std::string::npos &&
            declared.find("CLOB") == std::string::npos &&
            declared.find("TEXT") == std::string::npos);
}

// Calls `row` with each row of `query` on the database's own tables; a
// query that cannot be prepared gives no rows.
template <class Row>
void ForEachRow(sqlite3* database, const char* query, Row row) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(database, query, -1, &raw, nullptr) != SQLITE_OK) {
        return;
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw,
                                                                               &sqlite3_finalize);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        row(raw);
    }
}

}  // namespace

void SortTextAsTheFormatDoes(sqlite3* database) {
    sqlite3_collation_needed(database, nullptr, &MakeOrderNamed);
    for (const auto generation :
         {Generation::General1997, Generation::GeneralLegacy, Generation::General2010}) {
        AddKeyFunction(database, generation);
    }
}

std::string WithTextSortedBy(std::string_view statement, const SortOrder& order,
                             const std::set<std::string>& columnsWithoutText) {
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
            if (term.collated || (term.tokens <= 3 && columnsWithoutText.count(term.column) > 0)) {
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
    std::set<std::string> named;
    ForEachRow(database, "SELECT sql FROM main.sqlite_master WHERE type = 'table'",
               [&](sqlite3_stmt* row) {
                   const auto* text = sqlite3_column_text(row, 0);
                   const auto tokens =
                       sql::Tokenize(text ? reinterpret_cast<const char*>(text) : "");
                   for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
                       if (sql::IsKeyword(tokens[i], "COLLATE")) {
                           named.insert(tokens[i + 1].text);
                       }
                   }
               });
    if (named.size() != 1) {
        return std::nullopt;
    }
    const auto order = textorder::FromCollationName(*named.begin());
    return order && order->IsGeneral() ? order : std::nullopt;
}

std::set<std::string> ColumnsWithoutText(sqlite3* database) {
    std::set<std::string> withText;
    std::set<std::string> without;
    ForEachRow(database,
               "SELECT lower(c.name), c.type FROM main.sqlite_master t,"
               " pragma_table_info(t.name, 'main') c WHERE t.type = 'table'",
               [&](sqlite3_stmt* row) {
                   const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
                   const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(row, 1));
                   if (name) {
                       (HoldsNoText(type ? type : "") ? without : withText).insert(name);
                   }
               });
    for (const auto& name : withText) {
        without.erase(name);
    }
    return without;
}

}  // namespace kestrova::platform
