#include "platform/datashape/ShapeLexer.h"

#include <cctype>

#include "platform/runtime/Failure.h"

namespace kestrova::platform::shape {

namespace {

[[noreturn]] void Fail(std::size_t position, const std::string& message) {
    throw runtime::Failure("shape command, at position " + std::to_string(position) + ": " +
                           message);
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// The end of a provider command: the first "}" outside quotes and brackets.
std::size_t ProviderCommandEnd(std::string_view text, std::size_t start) {
    char quote = 0;
    for (std::size_t pos = start; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (quote) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '}') {
            return pos;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::string Describe(const Token& token) {
    switch (token.kind) {
        case TokenKind::LeftParen:
            return "\"(\"";
        case TokenKind::RightParen:
            return "\")\"";
        case TokenKind::Comma:
            return "\",\"";
        case TokenKind::Dot:
            return "\".\"";
        case TokenKind::Name:
            return token.bracketed ? "[" + token.text + "]" : "\"" + token.text + "\"";
        case TokenKind::ProviderCommand:
            return "a provider command in braces";
        default:
            return "the end of the command";
    }
}

std::vector<Token> Lex(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        const std::size_t position = pos + 1;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos;
            continue;
        }
        static constexpr struct {
            char c;
            TokenKind kind;
        } kPunctuation[] = {{'(', TokenKind::LeftParen},
                            {')', TokenKind::RightParen},
                            {',', TokenKind::Comma},
                            {'.', TokenKind::Dot}};
        bool punctuation = false;
        for (const auto& p : kPunctuation) {
            if (c == p.c) {
                tokens.push_back(Token{p.kind, std::string(1, c), false, position});
                punctuation = true;
            }
        }
        if (punctuation) {
            ++pos;
        } else if (c == '{') {
            const auto end = ProviderCommandEnd(text, pos + 1);
            if (end == std::string_view::npos) {
                Fail(position, "the provider command has no closing \"}\"");
            }
            tokens.push_back(Token{TokenKind::ProviderCommand,
                                   std::string(text.substr(pos + 1, end - pos - 1)), false,
                                   position});
            pos = end + 1;
        } else if (c == '[') {
            const auto end = text.find(']', pos + 1);
            if (end == std::string_view::npos) {
                Fail(position, "the name has no closing \"]\"");
            }
            tokens.push_back(Token{
                TokenKind::Name, std::string(text.substr(pos + 1, end - pos - 1)), true, position});
            pos = end + 1;
        } else if (IsNameChar(c)) {
            const std::size_t start = pos;
            while (pos < text.size() && IsNameChar(text[pos])) {
                ++pos;
            }
            tokens.push_back(Token{TokenKind::Name, std::string(text.substr(start, pos - start)),
                                   false, position});
        } else {
            Fail(position, std::string("unexpected character \"") + c + "\"");
        }
    }
    tokens.push_back(Token{TokenKind::End, "", false, text.size() + 1});
    return tokens;
}

}  // namespace kestrova::platform::shape
