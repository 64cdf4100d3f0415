#include "platform/localstore/ExpressionType.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/localstore/DeclaredType.h"
#include "platform/recordset/TypeCodes.h"

namespace kestrova::platform::sql {

namespace {

constexpr std::array<std::string_view, 24> kExpressionKeywords = {
    "NULL",  "NOT",     "AND",    "OR",   "IS",    "LIKE",   "IN",     "BETWEEN",
    "CASE",  "WHEN",    "THEN",   "ELSE", "END",   "CAST",   "AS",     "TRUE",
    "FALSE", "COLLATE", "ESCAPE", "GLOB", "MATCH", "REGEXP", "EXISTS", "DISTINCT"};

bool IsExpressionKeyword(const Token& token) {
    return std::any_of(kExpressionKeywords.begin(), kExpressionKeywords.end(),
                       [&](std::string_view keyword) { return IsKeyword(token, keyword); });
}

bool IsName(const Token& token) {
    return (token.kind == TokenKind::Word && !IsExpressionKeyword(token)) ||
           token.kind == TokenKind::QuotedName;
}

std::vector<Token> WithoutAlias(std::vector<Token> expression) {
    const std::size_t n = expression.size();
    if (n >= 3 && IsKeyword(expression[n - 2], "AS")) {
        expression.resize(n - 2);
    } else if (n >= 2 &&
               (IsName(expression[n - 1]) || expression[n - 1].kind == TokenKind::String) &&
               !IsSymbol(expression[n - 2], ".") &&
               (IsSymbol(expression[n - 2], ")") || IsName(expression[n - 2]) ||
                expression[n - 2].kind == TokenKind::Number ||
                expression[n - 2].kind == TokenKind::String)) {
        expression.resize(n - 1);
    }
    return expression;
}

// A type while it is worked out: known, the type of NULL (which takes the
// other operand's), or open.
struct Type {
    enum Kind { Known, OfNull, Open } kind;
    std::int32_t code = 0;
};

constexpr Type kOpen{Type::Open};
Type Known(std::int32_t code) {
    return Type{Type::Known, code};
}

bool IsIntegerCode(std::int32_t code) {
    return code == adInteger || code == adSmallInt || code == adUnsignedTinyInt ||
           code == adBigInt || code == adBoolean;
}

Type Arithmetic(Type a, Type b) {
    if (a.kind == Type::Open || b.kind == Type::Open) {
        return kOpen;
    }
    if (a.kind == Type::OfNull) {
        return b;
    }
    if (b.kind == Type::OfNull) {
        return a;
    }
    auto either = [&](std::int32_t code) { return a.code == code || b.code == code; };
    if (either(adDouble) || either(adSingle)) {
        return Known(adDouble);
    }
    if ((a.code == adCurrency || IsIntegerCode(a.code)) &&
        (b.code == adCurrency || IsIntegerCode(b.code))) {
        if (either(adCurrency)) {
            return Known(adCurrency);
        }
        return Known(either(adBigInt) ? adBigInt : adInteger);
    }
    if ((either(adNumeric) || either(adDecimal)) &&
        (a.code == adNumeric || a.code == adDecimal || IsIntegerCode(a.code)) &&
        (b.code == adNumeric || b.code == adDecimal || IsIntegerCode(b.code))) {
        return Known(adNumeric);
    }
    return kOpen;
}

class ExpressionTyper {
public:
    ExpressionTyper(const std::vector<Token>& tokens, const ColumnTypeLookup& columnType)
        : tokens_(tokens), columnType_(columnType) {}

    std::optional<std::int32_t> Run() {
        const Type type = Or();
        if (pos_ != tokens_.size() || type.kind != Type::Known) {
            return std::nullopt;
        }
        return type.code;
    }

private:
    const Token& Peek() const {
        static const Token kEnd{TokenKind::End, "", 0};
        return pos_ < tokens_.size() ? tokens_[pos_] : kEnd;
    }
    bool TakeKeyword(std::string_view keyword) {
        if (IsKeyword(Peek(), keyword)) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool TakeSymbol(std::initializer_list<std::string_view> symbols) {
        for (const auto symbol : symbols) {
            if (IsSymbol(Peek(), symbol)) {
                ++pos_;
                return true;
            }
        }
        return false;
    }

    Type Or() {
        Type type = And();
        while (TakeKeyword("OR")) {
            And();
            type = Known(adBoolean);
        }
        return type;
    }
    Type And() {
        Type type = Not();
        while (TakeKeyword("AND")) {
            Not();
            type = Known(adBoolean);
        }
        return type;
    }
    Type Not() {
        if (TakeKeyword("NOT")) {
            Not();
            return Known(adBoolean);
        }
        return Comparison();
    }
    Type Comparison() {
        Type type = Sum();
        while (true) {
            if (TakeSymbol({"=", "==", "!=", "<>", "<", "<=", ">", ">="}) || TakeKeyword("LIKE") ||
                TakeKeyword("GLOB")) {
                Sum();
            } else if (TakeKeyword("IS")) {
                TakeKeyword("NOT");
                Sum();
            } else {
                return type;
            }
            type = Known(adBoolean);
        }
    }
    Type Sum() {
        Type type = Product();
        while (TakeSymbol({"+", "-"})) {
            type = Arithmetic(type, Product());
        }
        return type;
    }
    Type Product() {
        Type type = Concatenation();
        while (TakeSymbol({"*", "/", "%"})) {
            type = Arithmetic(type, Concatenation());
        }
        return type;
    }
    Type Concatenation() {
        Type type = Unary();
        while (TakeSymbol({"||"})) {
            Unary();
            type = Known(adVarWChar);
        }
        return type;
    }
    Type Unary() {
        if (TakeSymbol({"-", "+"})) {
            return Unary();
        }
        return Primary();
    }
    Type Primary() {
        const Token& token = Peek();
        if (TakeSymbol({"("})) {
            const Type inner = Or();
            return TakeSymbol({")"}) ? inner : kOpen;
        }
        if (token.kind == TokenKind::Number) {
            ++pos_;
            const bool real = token.text.find_first_of(".eE") != std::string::npos &&
                              token.text.rfind("0x", 0) != 0 && token.text.rfind("0X", 0) != 0;
            return Known(real ? adDouble : adInteger);
        }
        if (token.kind == TokenKind::String) {
            ++pos_;
            return Known(adVarWChar);
        }
        if (TakeKeyword("NULL")) {
            return Type{Type::OfNull};
        }
        if (TakeKeyword("CAST")) {
            return Cast();
        }
        if (IsName(token)) {
            return ColumnReference();
        }
        pos_ = tokens_.size() + 1;  // anything else leaves the type open
        return kOpen;
    }
    Type Cast() {
        if (!TakeSymbol({"("})) {
            return kOpen;
        }
        Or();
        if (!TakeKeyword("AS")) {
            return kOpen;
        }
        std::string typeName;
        while (pos_ < tokens_.size() && !IsSymbol(Peek(), ")")) {
            typeName += tokens_[pos_++].text + " ";
        }
        if (!TakeSymbol({")"})) {
            return kOpen;
        }
        const auto code = TypeOfDeclaration(typeName);
        return code ? Known(*code) : kOpen;
    }
    Type ColumnReference() {
        std::string reference = tokens_[pos_++].text;
        while (IsSymbol(Peek(), ".") && pos_ + 1 < tokens_.size() && IsName(tokens_[pos_ + 1])) {
            reference += "." + tokens_[pos_ + 1].text;
            pos_ += 2;
        }
        if (IsSymbol(Peek(), "(")) {  // a function call
            pos_ = tokens_.size() + 1;
            return kOpen;
        }
        const auto code = columnType_(reference);
        return code ? Known(*code) : kOpen;
    }

    const std::vector<Token>& tokens_;
    const ColumnTypeLookup& columnType_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<SelectList> ReadSelectList(const std::vector<Token>& statement) {
    if (statement.empty() || !IsKeyword(statement[0], "SELECT")) {
        return std::nullopt;
    }
    std::size_t pos = 1;
    if (IsKeyword(statement[pos], "DISTINCT") || IsKeyword(statement[pos], "ALL")) {
        ++pos;
    }
    SelectList list;
    std::vector<Token> current;
    int depth = 0;
    for (; statement[pos].kind != TokenKind::End; ++pos) {
        const Token& token = statement[pos];
        if (depth == 0 && (IsKeyword(token, "FROM") || IsKeyword(token, "UNION") ||
                           IsKeyword(token, "WHERE") || IsKeyword(token, "ORDER"))) {
            break;
        }
        if (IsSymbol(token, "(")) {
            ++depth;
        } else if (IsSymbol(token, ")")) {
            --depth;
        }
        if (depth == 0 && IsSymbol(token, ",")) {
            list.expressions.push_back(WithoutAlias(std::move(current)));
            current.clear();
        } else {
            current.push_back(token);
        }
    }
    if (!IsKeyword(statement[pos], "FROM") && statement[pos].kind != TokenKind::End) {
        return std::nullopt;
    }
    list.expressions.push_back(WithoutAlias(std::move(current)));
    list.fromOffset = statement[pos].offset;
    return list;
}

std::vector<std::string> ColumnReferences(const std::vector<Token>& expression) {
    std::vector<std::string> references;
    for (std::size_t i = 0; i < expression.size(); ++i) {
        if (!IsName(expression[i]) || (i > 0 && IsSymbol(expression[i - 1], "."))) {
            continue;
        }
        std::string reference = expression[i].text;
        std::size_t end = i + 1;
        while (end + 1 < expression.size() && IsSymbol(expression[end], ".") &&
               IsName(expression[end + 1])) {
            reference += "." + expression[end + 1].text;
            end += 2;
        }
        const bool call = end < expression.size() && IsSymbol(expression[end], "(");
        const bool castType = i > 0 && IsKeyword(expression[i - 1], "AS");
        if (!call && !castType) {
            references.push_back(std::move(reference));
        }
    }
    return references;
}

std::optional<std::int32_t> TypeOfExpression(const std::vector<Token>& expression,
                                             const ColumnTypeLookup& columnType) {
    if (expression.empty()) {
        return std::nullopt;
    }
    return ExpressionTyper(expression, columnType).Run();
}

}  // namespace kestrova::platform::sql
