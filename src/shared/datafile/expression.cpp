// expression.cpp - symbol table and expression evaluator. See expression.h.

#include "shared/datafile/expression.h"

#include <charconv>
#include <limits>

#include "shared/datafile/datafile.h"

std::string SymbolNames[MaxSymbols];
float SymbolValues[MaxSymbols];
int16_t SymbolCount = 0;

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string lineText() { return "Line: " + std::to_string(DataLineNumber); }

// 0-based index of the first "+", "-" or "*" that is neither the first nor the last
// character, or npos.
std::string::size_type findSplitPoint(const std::string& text) {
    for (std::string::size_type i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c == '+' || c == '-' || c == '*') return i;
    }
    return std::string::npos;
}

// The product as decimal text that reads back to the same float: zero (also -0) as "0",
// otherwise the shortest fixed notation.
std::string productText(float product) {
    if (product == 0.0f) return "0";
    char text[128];
    std::to_chars_result written = std::to_chars(text, text + sizeof text, product, std::chars_format::fixed);
    return std::string(text, written.ptr);
}

}  // namespace

std::string trimBlanks(const std::string& text) {
    std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    std::string::size_type last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

void resetExpressionState() {
    for (int i = 0; i < MaxSymbols; ++i) {
        SymbolNames[i].clear();
        SymbolValues[i] = 0.0f;
    }
    SymbolCount = 0;
}

void declareSymbol(const std::string& line) {
    std::string::size_type equals = line.find('=');
    if (equals == std::string::npos) {
        DataFileReader::reportProblem("Error in symbol declaration!", shownOperand(line));
        return;
    }
    if (SymbolCount >= MaxSymbols) {
        DataFileReader::reportProblem("Too many symbols!", lineText());
        return;
    }
    std::string name = trimBlanks(line.substr(0, equals));
    SplitExpression expression = splitExpression(trimBlanks(line.substr(equals + 1)));
    float value = evaluateExpression(expression);
    SymbolNames[SymbolCount] = name;
    SymbolValues[SymbolCount] = value;
    ++SymbolCount;
}

SplitExpression splitExpression(const std::string& text) {
    SplitExpression expression;
    std::string rest = text;
    for (;;) {
        std::string::size_type at = findSplitPoint(rest);
        if (at == std::string::npos) {
            expression.operands[expression.count++] = rest;
            return expression;
        }
        expression.operands[expression.count] = trimBlanks(rest.substr(0, at));
        if (expression.count == MaxOperands - 1) {
            // The last slot is taken and more follows: the rest is dropped.
            ++expression.count;
            DataFileReader::reportProblem("Expression too long!", lineText());
            return expression;
        }
        expression.operators[expression.count] = rest[at];
        ++expression.count;
        rest = trimBlanks(rest.substr(at + 1));
    }
}

float evaluateExpression(SplitExpression& expression) {
    int count = expression.count;
    if (count > MaxOperands) count = MaxOperands;
    if (count <= 0) return 0.0f;

    // A product's value is kept beside its text, so that a product that overflowed to an
    // infinity (whose text is no number) is not taken for an unknown name.
    bool known[MaxOperands] = {};
    float values[MaxOperands] = {};
    auto valueAt = [&](int i) { return known[i] ? values[i] : operandValue(expression.operands[i]); };

    for (;;) {
        int at = 0;
        while (at < count - 1 && expression.operators[at] != '*') ++at;
        if (at >= count - 1) break;
        float a = valueAt(at);
        float b = valueAt(at + 1);
        float product = a * b;
        expression.operands[at] = productText(product);
        values[at] = product == 0.0f ? 0.0f : product;
        known[at] = true;
        for (int k = at + 1; k < count - 1; ++k) {
            expression.operands[k] = std::move(expression.operands[k + 1]);
            values[k] = values[k + 1];
            known[k] = known[k + 1];
        }
        for (int k = at; k < count - 2; ++k) expression.operators[k] = expression.operators[k + 1];
        --count;
        expression.operands[count].clear();
        expression.operators[count - 1] = 0;
    }
    expression.count = static_cast<int16_t>(count);

    float sum = valueAt(0);
    for (int i = 0; i < count - 1; ++i) {
        if (expression.operators[i] == '+') sum = sum + valueAt(i + 1);
        else if (expression.operators[i] == '-') sum = sum - valueAt(i + 1);
    }
    return sum;
}

float operandValue(const std::string& operand) {
    std::string text = trimBlanks(operand);
    if (text == "0") return 0.0f;
    float number = leadingNumber(text);
    if (number != 0.0f) return number;
    for (int i = 0; i < SymbolCount; ++i) {
        if (SymbolNames[i] == text) return SymbolValues[i];
    }
    DataFileReader::reportProblem("Expression not existing!", lineText() + "   " + shownOperand(text));
    return 0.0f;
}

float leadingNumber(const std::string& text) {
    std::string::size_type i = 0, n = text.size();
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string::size_type integerStart = i;
    while (i < n && isDigit(text[i])) ++i;
    std::string::size_type integerEnd = i;
    std::string::size_type fractionStart = i, fractionEnd = i;
    if (i < n && text[i] == '.') {
        ++i;
        fractionStart = i;
        while (i < n && isDigit(text[i])) ++i;
        fractionEnd = i;
    }
    if (integerEnd == integerStart && fractionEnd == fractionStart) return 0.0f;

    // Rebuilt as "digits[.digits]" so the conversion sees no sign and no lone point.
    std::string digits = integerEnd > integerStart ? text.substr(integerStart, integerEnd - integerStart) : "0";
    if (fractionEnd > fractionStart) digits += "." + text.substr(fractionStart, fractionEnd - fractionStart);
    float value = 0.0f;
    std::from_chars_result read =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    if (read.ec == std::errc::result_out_of_range) {
        // Too large or too small for a float: a non-zero integer part means too large.
        bool large = false;
        for (std::string::size_type k = integerStart; k < integerEnd; ++k) large = large || text[k] != '0';
        value = large ? std::numeric_limits<float>::infinity() : 0.0f;
    }
    return negative ? -value : value;
}
