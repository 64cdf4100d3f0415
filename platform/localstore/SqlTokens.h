#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::platform::sql {

enum class TokenKind { Word, QuotedName, String, Number, Symbol, End };

struct Token {
    TokenKind kind;
    std::string text;    // as written, quotes and brackets included
    std::size_t offset;  // where it starts in the statement
};

// Splits a SQL statement into tokens, passing over blanks and comments.
// An unterminated quote runs to the end of the text.
std::vector<Token> Tokenize(std::string_view statement);

// Whether a word token is `keyword`, in any letter case.
bool IsKeyword(const Token& token, std::string_view keyword);

// Whether a token is the symbol `symbol` ("(", ",", ".").
bool IsSymbol(const Token& token, std::string_view symbol);

// A name as written, its quotes or brackets taken off.
std::string Unquoted(const Token& token);

}  // namespace kestrova::platform::sql
