#include "platform/datashape/ShapeParser.h"
#include "platform/runtime/TextCompare.h"

#include <array>
#include <cctype>

#include "platform/datashape/ShapeLexer.h"
#include "platform/runtime/Failure.h"

namespace kestrova::platform::shape {

namespace {

constexpr std::array<std::pair<std::string_view, AggregateFunction>, 7> kAggregates = {{
    {"SUM", AggregateFunction::Sum},
    {"AVG", AggregateFunction::Avg},
    {"MIN", AggregateFunction::Min},
    {"MAX", AggregateFunction::Max},
    {"COUNT", AggregateFunction::Count},
    {"STDEV", AggregateFunction::Stdev},
    {"ANY", AggregateFunction::Any},
}};

class Parser {
public:
    explicit Parser(std::string_view command) : tokens_(Lex(command)) {}

    ShapeCommand Command() {
        ShapeCommand command = Shape();
        if (Peek().kind != TokenKind::End) {
            Fail("the end of the command");
        }
        return command;
    }

private:
    const Token& Peek(std::size_t ahead = 0) const {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    bool IsKeyword(const Token& token, std::string_view keyword) const {
        return token.kind == TokenKind::Name && !token.bracketed &&
               runtime::EqualsIgnoringCase(token.text, keyword);
    }
    bool IsReserved(const Token& token) const {
        for (const auto keyword : {"SHAPE", "APPEND", "RELATE", "TO", "AS"}) {
            if (IsKeyword(token, keyword)) {
                return true;
            }
        }
        return false;
    }
    [[noreturn]] void Fail(const std::string& expected) const {
        throw runtime::Failure("shape command, at position " + std::to_string(Peek().position) +
                               ": expected " + expected + ", found " + Describe(Peek()));
    }
    void Expect(TokenKind kind, const char* what) {
        if (Peek().kind != kind) {
            Fail(what);
        }
        ++pos_;
    }
    void ExpectKeyword(std::string_view keyword) {
        if (!IsKeyword(Peek(), keyword)) {
            Fail(std::string(keyword));
        }
        ++pos_;
    }
    std::string Name(const char* what) {
        if (Peek().kind != TokenKind::Name || IsReserved(Peek())) {
            Fail(what);
        }
        return tokens_[pos_++].text;
    }
    // [[AS] alias]
    std::string OptionalAlias() {
        if (IsKeyword(Peek(), "AS")) {
            ++pos_;
            return Name("a name after AS");
        }
        if (Peek().kind == TokenKind::Name && !IsReserved(Peek())) {
            return tokens_[pos_++].text;
        }
        return {};
    }

    ShapeCommand Shape() {
        ExpectKeyword("SHAPE");
        ShapeCommand command;
        command.source = ParentSource();
        command.alias = OptionalAlias();
        if (IsKeyword(Peek(), "APPEND")) {
            ++pos_;
            command.items.push_back(Item());
            while (Peek().kind == TokenKind::Comma) {
                ++pos_;
                command.items.push_back(Item());
            }
        }
        return command;
    }

    Source ParentSource() {
        Source source;
        if (Peek().kind == TokenKind::ProviderCommand) {
            source.providerCommand = tokens_[pos_++].text;
        } else if (Peek().kind == TokenKind::LeftParen) {
            ++pos_;
            source.shape = std::make_unique<ShapeCommand>(Shape());
            Expect(TokenKind::RightParen, "\")\"");
        } else {
            Fail("a provider command in braces or a parenthesised SHAPE");
        }
        return source;
    }

    Source ChildSource() {
        if (IsKeyword(Peek(), "SHAPE")) {
            Source source;
            source.shape = std::make_unique<ShapeCommand>(Shape());
            return source;
        }
        return ParentSource();
    }

    shape::Item Item() {
        if (Peek().kind == TokenKind::LeftParen) {
            return Relate();
        }
        for (const auto& [name, function] : kAggregates) {
            if (IsKeyword(Peek(), name) && Peek(1).kind == TokenKind::LeftParen) {
                pos_ += 2;
                return AggregateItem(function);
            }
        }
        Fail("a relation in parentheses or an aggregate (SUM, AVG, MIN, MAX, COUNT, STDEV, ANY)");
    }

    Relation Relate() {
        Expect(TokenKind::LeftParen, "\"(\"");
        Relation relation;
        relation.child = ChildSource();
        relation.childAlias = OptionalAlias();
        ExpectKeyword("RELATE");
        do {
            if (!relation.columnPairs.empty()) {
                ++pos_;  // the comma
            }
            std::string parent = Name("a parent column name");
            ExpectKeyword("TO");
            relation.columnPairs.emplace_back(std::move(parent), Name("a child column name"));
        } while (Peek().kind == TokenKind::Comma);
        Expect(TokenKind::RightParen, "\")\"");
        relation.chapterName = OptionalAlias();
        return relation;
    }

    Aggregate AggregateItem(AggregateFunction function) {
        Aggregate aggregate;
        aggregate.function = function;
        aggregate.chapter = Name("a chapter name");
        if (Peek().kind == TokenKind::Dot) {
            ++pos_;
            aggregate.column = Name("a column name after \".\"");
        } else if (function != AggregateFunction::Count) {
            Fail("\".\" and a column name");
        }
        Expect(TokenKind::RightParen, "\")\"");
        aggregate.name = OptionalAlias();
        return aggregate;
    }

    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
};

}  // namespace

bool IsShapeCommand(std::string_view command) {
    const auto start = command.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && command.size() - start >= 5 &&
           runtime::EqualsIgnoringCase(command.substr(start, 5), "SHAPE") &&
           (command.size() - start == 5 ||
            !std::isalnum(static_cast<unsigned char>(command[start + 5])));
}

ShapeCommand Parse(std::string_view command) {
    return Parser(command).Command();
}

}  // namespace kestrova::platform::shape
