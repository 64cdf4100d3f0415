#include "platform/localstore/SqlTokens.h"

#include <cctype>

namespace kestrova::platform::sql {

namespace {

bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) {
    return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

// The end of a quoted run starting at `start`, doubled closing quotes
// counting as part of it.
std::size_t QuotedEnd(std::string_view text, std::size_t start, char close) {
    std::size_t pos = start + 1;
    while (pos < text.size()) {
        if (text[pos] == close) {
            if (close != ']' && pos + 1 < text.size() && text[pos + 1] == close) {
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        ++pos;
    }
    return text.size();
}

std::size_t NumberEnd(std::string_view text, std::size_t pos) {
    while (pos < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[pos])) || text[pos] == '.')) {
        const bool exponent = (text[pos] == 'e' || text[pos] == 'E') && pos + 1 < text.size() &&
                              (text[pos + 1] == '+' || text[pos + 1] == '-');
        pos += exponent ? 2 : 1;
    }
    return pos;
}

}  // namespace

std::vector<Token> Tokenize(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos;
        } else if (text.substr(pos, 2) == "--") {
            const auto end = text.find('\n', pos);
            pos = end == std::string_view::npos ? text.size() : end;
        } else if (text.substr(pos, 2) == "/*") {
            const auto end = text.find("*/", pos + 2);
            pos = end == std::string_view::npos ? text.size() : end + 2;
        } else {
            TokenKind kind = TokenKind::Symbol;
            std::size_t end = pos + 1;
            if (c == '\'') {
                kind = TokenKind::String;
                end = QuotedEnd(text, pos, '\'');
            } else if (c == '"' || c == '`' || c == '[') {
                kind = TokenKind::QuotedName;
                end = QuotedEnd(text, pos, c == '[' ? ']' : c);
            } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                       (c == '.' && pos + 1 < text.size() &&
                        std::isdigit(static_cast<unsigned char>(text[pos + 1])))) {
                kind = TokenKind::Number;
                end = NumberEnd(text, pos);
            } else if (IsWordStart(c)) {
                kind = TokenKind::Word;
                while (end < text.size() && IsWordChar(text[end])) {
                    ++end;
                }
            } else {
                for (std::string_view pair : {"||", "<=", ">=", "<>", "!=", "==", "<<", ">>"}) {
                    if (text.substr(pos, 2) == pair) {
                        end = pos + 2;
                    }
                }
            }
            tokens.push_back(Token{kind, std::string(text.substr(pos, end - pos)), pos});
            pos = end;
        }
    }
    tokens.push_back(Token{TokenKind::End, "", text.size()});
    return tokens;
}

bool IsKeyword(const Token& token, std::string_view keyword) {
    if (token.kind != TokenKind::Word || token.text.size() != keyword.size()) {
        return false;
    }
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(token.text[i])) != keyword[i]) {
            return false;
        }
    }
    return true;
}

bool IsSymbol(const Token& token, std::string_view symbol) {
    return token.kind == TokenKind::Symbol && token.text == symbol;
}

std::string Unquoted(const Token& token) {
    if (token.kind != TokenKind::QuotedName || token.text.size() < 2) {
        return token.text;
    }
    return token.text.substr(1, token.text.size() - 2);
}

}  // namespace kestrova::platform::sql
