#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::platform::shape {

enum class TokenKind { LeftParen, RightParen, Comma, Dot, Name, ProviderCommand, End };

struct Token {
    TokenKind kind;
    std::string text;  // a name without its brackets; a provider command without braces
    bool bracketed = false;
    std::size_t position;  // 1-based character position in the command
};

// Splits a shape command into tokens. Fails (runtime::Failure) on an
// unterminated bracket or brace and on characters the language does not use.
std::vector<Token> Lex(std::string_view command);

// How a token is named in an error message.
std::string Describe(const Token& token);

}  // namespace kestrova::platform::shape
