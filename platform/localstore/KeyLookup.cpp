#include "platform/localstore/KeyLookup.h"

#include <algorithm>
#include <array>

#include "platform/localstore/ExpressionType.h"
#include "platform/localstore/SqlTokens.h"

namespace kestrova::platform::sql {

namespace {

// Words that, at the statement's own depth, make it more than a plain
// SELECT whose rows a condition only thins out.
bool MakesItNoPlainSelect(const Token& token) {
    constexpr std::array<std::string_view, 10> kWords = {"UNION",  "INTERSECT", "EXCEPT", "GROUP",
                                                         "HAVING", "LIMIT",     "WINDOW", "WITH",
                                                         "VALUES", "DISTINCT"};
    return std::any_of(kWords.begin(), kWords.end(),
                       [&](std::string_view word) { return IsKeyword(token, word); });
}

std::string KeyList(const std::vector<LookupKey>& keys) {
    std::string list;
    for (const auto& key : keys) {
        if (!list.empty()) {
            list += ", ";
        }
        if (const auto* number = std::get_if<std::int64_t>(&key)) {
            list += std::to_string(*number);
            continue;
        }
        list += '\'';
        for (const char c : std::get<std::string>(key)) {
            list += c;
            if (c == '\'') {
                list += c;
            }
        }
        list += '\'';
    }
    return list;
}

}  // namespace

std::optional<std::string> WithKeysIn(std::string_view statement, std::size_t column,
                                      std::size_t columns, const std::vector<LookupKey>& keys) {
    for (const auto& key : keys) {
        const auto* text = std::get_if<std::string>(&key);
        if (text && text->find('\0') != std::string::npos) {
            return std::nullopt;
        }
    }
    const std::vector<Token> tokens = Tokenize(statement);
    const auto list = ReadSelectList(tokens);
    if (!list || list->expressions.size() != columns || column >= columns ||
        list->expressions[column].empty() || list->expressions[column].back().text == "*") {
        return std::nullopt;
    }
    // Where the WHERE clause stands, and where the clauses after it begin.
    std::optional<std::size_t> where;
    std::size_t end = statement.size();
    int depth = 0;
    for (const auto& token : tokens) {
        if (token.kind == TokenKind::End) {
            break;
        }
        depth += IsSymbol(token, "(") ? 1 : IsSymbol(token, ")") ? -1 : 0;
        if (depth != 0) {
            continue;
        }
        if (MakesItNoPlainSelect(token)) {
            return std::nullopt;
        }
        if (token.offset < list->fromOffset) {
            continue;
        }
        if (IsKeyword(token, "WHERE") && !where) {
            where = token.offset + token.text.size();
        } else if (IsKeyword(token, "ORDER") || IsSymbol(token, ";")) {
            end = token.offset;
            break;
        }
    }
    const auto& expression = list->expressions[column];
    const std::size_t from = expression.front().offset;
    const std::size_t to = expression.back().offset + expression.back().text.size();
    // Built by appending: GCC 12 wrongly warns of overlapping copies in
    // chains of "+" when it inlines them in optimised builds.
    std::string condition = where ? ") AND (" : " WHERE (";
    condition.append(statement.substr(from, to - from));
    condition += ") IN (";
    condition += KeyList(keys);
    condition += ") ";
    std::string cut(statement);
    cut.insert(end, condition);
    if (where) {
        cut.insert(*where, " (");
    }
    return cut;
}

bool SameOrderThroughAnIndex(const std::vector<std::string>& whole,
                             const std::vector<std::string>& lookedUp) {
    if (whole.size() != lookedUp.size()) {
        return false;
    }
    int searched = 0;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (whole[i] == lookedUp[i]) {
            continue;
        }
        // "SCAN t" keeps the table's own order; "SEARCH t USING INDEX i
        // (c=?)" gives each key's rows in that order too.
        const std::string table = whole[i].rfind("SCAN ", 0) == 0 ? whole[i].substr(5) : "";
        const bool plainScan = !table.empty() && table.find(' ') == std::string::npos;
        const std::string search = "SEARCH " + table + " USING INDEX ";
        if (!plainScan || lookedUp[i].rfind(search, 0) != 0 ||
            lookedUp[i].find("=?)") == std::string::npos || ++searched > 1) {
            return false;
        }
    }
    return searched == 1;
}

}  // namespace kestrova::platform::sql
