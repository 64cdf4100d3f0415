#include "platform/localstore/SourceColumn.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/localstore/SqlTokens.h"
#include "platform/runtime/TextCompare.h"

namespace kestrova::platform::sql {

namespace {

bool IsName(const Token& token) {
    return token.kind == TokenKind::Word || token.kind == TokenKind::QuotedName;
}

// Splits the tokens at the statement's own depth: the select list's items,
// and what follows FROM up to the clause after it.
struct Clauses {
    std::vector<std::vector<Token>> items;
    std::vector<Token> from;
};

std::optional<Clauses> Split(const std::vector<Token>& tokens) {
    if (tokens.empty() || !IsKeyword(tokens[0], "SELECT")) {
        return std::nullopt;
    }
    Clauses clauses;
    clauses.items.emplace_back();
    bool inFrom = false;
    int depth = 0;
    for (std::size_t i = 1; i < tokens.size() && tokens[i].kind != TokenKind::End; ++i) {
        const Token& token = tokens[i];
        if (depth == 0 && !inFrom && IsKeyword(token, "FROM")) {
            inFrom = true;
            continue;
        }
        if (depth == 0 &&
            (IsKeyword(token, "WHERE") || IsKeyword(token, "GROUP") || IsKeyword(token, "ORDER") ||
             IsKeyword(token, "UNION") || IsKeyword(token, "LIMIT") || IsSymbol(token, ";"))) {
            break;
        }
        depth += IsSymbol(token, "(") ? 1 : IsSymbol(token, ")") ? -1 : 0;
        if (inFrom) {
            clauses.from.push_back(token);
        } else if (depth == 0 && IsSymbol(token, ",")) {
            clauses.items.emplace_back();
        } else {
            clauses.items.back().push_back(token);
        }
    }
    return clauses;
}

// The tables of a FROM clause by the names they go by: their own, and
// their aliases. Only plain table names and joins of them are read.
std::optional<std::map<std::string, std::string>> TablesOf(const std::vector<Token>& from) {
    std::map<std::string, std::string> tables;
    std::size_t i = 0;
    while (i < from.size()) {
        if (!IsName(from[i]) || IsKeyword(from[i], "JOIN")) {
            return std::nullopt;
        }
        const std::string table = Unquoted(from[i++]);
        tables[table] = table;
        if (i < from.size() && IsKeyword(from[i], "AS")) {
            ++i;
        }
        if (i < from.size() && IsName(from[i]) && !IsKeyword(from[i], "INNER") &&
            !IsKeyword(from[i], "LEFT") && !IsKeyword(from[i], "JOIN") &&
            !IsKeyword(from[i], "CROSS") && !IsKeyword(from[i], "ON")) {
            tables[Unquoted(from[i++])] = table;
        }
        // Past an ON condition, to the next table after a join or a comma.
        int depth = 0;
        for (; i < from.size(); ++i) {
            depth += IsSymbol(from[i], "(") ? 1 : IsSymbol(from[i], ")") ? -1 : 0;
            if (depth == 0 && (IsKeyword(from[i], "JOIN") || IsSymbol(from[i], ","))) {
                ++i;
                break;
            }
        }
    }
    return tables;
}

}  // namespace

std::optional<std::pair<std::string, std::string>> SourceColumn(std::string_view statement,
                                                                std::string_view name) {
    const auto clauses = Split(Tokenize(statement));
    if (!clauses) {
        return std::nullopt;
    }
    const auto tables = TablesOf(clauses->from);
    if (!tables || tables->empty()) {
        return std::nullopt;
    }
    for (auto item : clauses->items) {
        // The item's name: its alias, or the column it reads.
        std::string itemName;
        if (item.size() >= 2 && IsName(item.back()) &&
            (IsKeyword(item[item.size() - 2], "AS") || IsName(item[item.size() - 2]))) {
            itemName = Unquoted(item.back());
            item.resize(item.size() - (IsKeyword(item[item.size() - 2], "AS") ? 2 : 1));
        }
        const bool qualified =
            item.size() == 3 && IsName(item[0]) && IsSymbol(item[1], ".") && IsName(item[2]);
        if (!qualified && !(item.size() == 1 && IsName(item[0]))) {
            continue;
        }
        const std::string column = Unquoted(item.back());
        if (!runtime::EqualsIgnoringCase(itemName.empty() ? column : itemName, name)) {
            continue;
        }
        if (!qualified) {
            // A column of the one table the clause reads, by whatever name.
            const std::string& only = tables->begin()->second;
            const bool one = std::all_of(tables->begin(), tables->end(),
                                         [&](const auto& known) { return known.second == only; });
            return one ? std::optional(std::pair(only, column)) : std::nullopt;
        }
        for (const auto& [known, table] : *tables) {
            if (runtime::EqualsIgnoringCase(known, Unquoted(item[0]))) {
                return std::pair(table, column);
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace kestrova::platform::sql
