// expression.h - the symbol table and the evaluator of the small expressions that stand for
// every number in the text data files: decimal numbers and symbol names joined by "+", "-"
// and "*", no parentheses, no division. All arithmetic is 32-bit float; every product, sum
// and difference is rounded to float before it is used further.
//
// Globals (one table per run, filled by the declaration file's symbol section and read by
// every later expression):
//   SymbolNames[0..MaxSymbols-1], SymbolValues[...]  entries 0..SymbolCount-1 are valid.
//   SymbolCount                                       entries in use, 0..MaxSymbols.
// Names are not unique: a lookup takes the lowest index, so a name's first declaration counts.
// Names compare exactly (case and inner blanks matter).
//
// resetExpressionState(): empties the table (the initial state).
// declareSymbol(line): "name = expression"; both sides trimmed of blanks, the expression
//   evaluated with the symbols declared so far and appended. A line without "=" shows
//   "Error in symbol declaration!" (detail: the line) and adds nothing; a full table shows
//   "Too many symbols!" (detail: "Line: " DataLineNumber) and adds nothing.
// splitExpression(text): operands and operators. The first and the last character are
//   never split points, so a leading sign stays with its number (-5, 2*-3) and a trailing
//   operator stays with the last operand. Pieces cut off are trimmed; the final rest is
//   kept as it is. More than MaxOperands operands: "Expression too long!" (detail:
//   "Line: " DataLineNumber), the operands past the last slot are ignored.
// evaluateExpression(expression): products first, from the left, each written back into
//   the lists as its decimal text (zero as "0"); then "+" and "-" from the left. Reduces
//   the lists in place and returns the value.
// operandValue(operand): trimmed; "0" is 0; a text starting with a non-zero decimal number
//   is that number; otherwise the symbol of that name. Anything else (an unknown name, a
//   zero written as "0.0" or "00", "-name") shows "Expression not existing!" (detail:
//   "Line: " DataLineNumber "   " operand) and counts as 0.
// leadingNumber(text): the decimal number at the start of text (optional sign, digits,
//   optional point and fraction; no exponent), as float; 0 when text does not start with
//   one. A number too large for a float is an infinity.
// trimBlanks(text): text without leading and trailing blanks (' ' only).
//
// Failures are reported in the message window and evaluation goes on; nothing is thrown.
#pragma once

#include <cstdint>
#include <string>

constexpr int16_t MaxSymbols = 101;
constexpr int16_t MaxOperands = 11;

extern std::string SymbolNames[MaxSymbols];
extern float SymbolValues[MaxSymbols];
extern int16_t SymbolCount;

struct SplitExpression {
    std::string operands[MaxOperands];
    char operators[MaxOperands] = {};  // operators[i] stands between operands[i] and [i + 1]
    int16_t count = 0;                 // operands in use; count - 1 operators
};

void resetExpressionState();
void declareSymbol(const std::string& line);
SplitExpression splitExpression(const std::string& text);
float evaluateExpression(SplitExpression& expression);
float operandValue(const std::string& operand);
float leadingNumber(const std::string& text);
std::string trimBlanks(const std::string& text);
