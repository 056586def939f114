// Tests of the expression evaluator and the symbol table: precedence, signs, splitting,
// float32 arithmetic, unknown operands and the limits of the tables.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fake_platform.h"
#include "shared/datafile/datafile.h"
#include "shared/datafile/expression.h"

namespace {

class ExpressionTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakePlatform();
        DataLineNumber = 17;
    }
};

float evaluate(const std::string& text) {
    SplitExpression expression = splitExpression(text);
    return evaluateExpression(expression);
}

std::string notExisting(const std::string& operand) {
    return "message|Expression not existing!|Line: 17   " + operand;
}

TEST_F(ExpressionTest, ProductsFirstThenSumsFromTheLeft) {
    EXPECT_EQ(evaluate("2+3*4"), 14.0f);
    EXPECT_EQ(evaluate("2*3+4"), 10.0f);
    EXPECT_EQ(evaluate("8-2*3"), 2.0f);
    EXPECT_EQ(evaluate("2*3*4"), 24.0f);
    EXPECT_EQ(evaluate("10-2-3"), 5.0f);
    EXPECT_EQ(evaluate("1 - 2*3 + 4*5 - 6"), 9.0f);
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(ExpressionTest, SignsStayWithTheirNumbers) {
    EXPECT_EQ(evaluate("-5"), -5.0f);
    EXPECT_EQ(evaluate("+5"), 5.0f);
    EXPECT_EQ(evaluate("2*-3"), -6.0f);
    EXPECT_EQ(evaluate("3 - -2"), 5.0f);
    EXPECT_EQ(evaluate("-2*-3"), 6.0f);
    // The last character is never a split point: "5-" is one operand, read as 5.
    EXPECT_EQ(evaluate("5-"), 5.0f);
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(ExpressionTest, SplitTrimsPiecesButNotTheFinalRest) {
    SplitExpression expression = splitExpression(" a + b *c ");
    ASSERT_EQ(expression.count, 3);
    EXPECT_EQ(expression.operands[0], "a");
    EXPECT_EQ(expression.operands[1], "b");
    EXPECT_EQ(expression.operands[2], "c");
    EXPECT_EQ(expression.operators[0], '+');
    EXPECT_EQ(expression.operators[1], '*');

    expression = splitExpression(" 7 ");
    ASSERT_EQ(expression.count, 1);
    EXPECT_EQ(expression.operands[0], " 7 ");

    // Blanks before a leading minus: the minus is no longer the first character.
    expression = splitExpression("  -5");
    ASSERT_EQ(expression.count, 2);
    EXPECT_EQ(expression.operands[0], "");
    EXPECT_EQ(expression.operators[0], '-');
    EXPECT_EQ(expression.operands[1], "5");
}

TEST_F(ExpressionTest, NegativeExponentIsSplitAtItsMinus) {
    SplitExpression expression = splitExpression("1.5e-3");
    ASSERT_EQ(expression.count, 2);
    EXPECT_EQ(expression.operands[0], "1.5e");
    EXPECT_EQ(expression.operands[1], "3");
    EXPECT_EQ(evaluateExpression(expression), -1.5f);
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(ExpressionTest, ProductsAreWrittenBackAsTextThatReadsTheSame) {
    SplitExpression expression = splitExpression("2*3+4");
    EXPECT_EQ(evaluateExpression(expression), 10.0f);
    ASSERT_EQ(expression.count, 2);
    EXPECT_EQ(expression.operands[0], "6");
    EXPECT_EQ(expression.operands[1], "4");

    float tenth = 0.1f, tiny = 0.0000001f, big = 123456.789f;
    struct Case { const char* text; float product; };
    const Case cases[] = {{"0.1*3", tenth * 3.0f},
                          {"0.0000001*0.0000001", tiny * tiny},
                          {"123456.789*-123456.789", big * -big},
                          {"-0.1*-0.1*-0.1", -tenth * -tenth * -tenth}};
    for (const Case& c : cases) {
        expression = splitExpression(c.text);
        EXPECT_EQ(evaluateExpression(expression), c.product) << c.text;
        ASSERT_EQ(expression.count, 1);
        EXPECT_EQ(operandValue(expression.operands[0]), c.product) << expression.operands[0];
    }
    // A negative zero is written as "0": "-0" would read as an unknown operand.
    expression = splitExpression("0*-5+2");
    EXPECT_EQ(evaluateExpression(expression), 2.0f);
    EXPECT_EQ(expression.operands[0], "0");
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(ExpressionTest, ArithmeticIsThirtyTwoBitFloat) {
    EXPECT_EQ(evaluate("16777217"), 16777216.0f);
    // Each sum is rounded to float before the next: wider arithmetic would give 16777218.
    EXPECT_EQ(evaluate("16777216+1+1"), 16777216.0f);
    EXPECT_EQ(evaluate("4097*4097"), 16785408.0f);  // 16785409 exactly, not a float
    EXPECT_EQ(evaluate("4097*4097-16785408"), 0.0f);
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(ExpressionTest, OverflowingProductIsInfiniteNotUnknown) {
    std::string twenty(20, '9');
    float value = evaluate(twenty + "*" + twenty + "*" + twenty);
    EXPECT_TRUE(std::isinf(value) && value > 0);
    EXPECT_TRUE(std::isinf(evaluate("-" + std::string(45, '9'))));
    EXPECT_TRUE(FakeMessages.empty());
}

TEST_F(ExpressionTest, OnlyThePlainZeroIsZero) {
    EXPECT_EQ(operandValue("0"), 0.0f);
    EXPECT_EQ(operandValue("  0 "), 0.0f);
    EXPECT_TRUE(FakeMessages.empty());
    EXPECT_EQ(operandValue("0.0"), 0.0f);
    EXPECT_EQ(operandValue("00"), 0.0f);
    EXPECT_EQ(operandValue(" -0 "), 0.0f);
    ASSERT_EQ(FakeMessages.size(), 3u);
    EXPECT_EQ(FakeMessages[0], notExisting("0.0"));
    EXPECT_EQ(FakeMessages[1], notExisting("00"));
    EXPECT_EQ(FakeMessages[2], notExisting("-0"));
}

TEST_F(ExpressionTest, OperandsReadTheirLeadingDecimalNumber) {
    EXPECT_EQ(operandValue("12abc"), 12.0f);
    EXPECT_EQ(operandValue(".5"), 0.5f);
    EXPECT_EQ(operandValue("-.25"), -0.25f);
    EXPECT_EQ(operandValue("7."), 7.0f);
    EXPECT_EQ(operandValue("0012.50"), 12.5f);
    EXPECT_EQ(operandValue("1e5"), 1.0f);  // no exponents
    EXPECT_TRUE(FakeMessages.empty());
    EXPECT_EQ(leadingNumber("x12"), 0.0f);
    EXPECT_EQ(leadingNumber("- 3"), 0.0f);
    EXPECT_EQ(leadingNumber("."), 0.0f);
}

TEST_F(ExpressionTest, UnknownOperandsAreReportedAndCountAsZero) {
    declareSymbol("name = 4");
    FakeMessages.clear();
    EXPECT_EQ(evaluate("10+nmae"), 10.0f);
    EXPECT_EQ(evaluate("1-name"), -3.0f);
    // A sign works on numbers only.
    EXPECT_EQ(evaluate("-name"), 0.0f);
    EXPECT_EQ(evaluate("NAME*2"), 0.0f);
    ASSERT_EQ(FakeMessages.size(), 3u);
    EXPECT_EQ(FakeMessages[0], notExisting("nmae"));
    EXPECT_EQ(FakeMessages[1], notExisting("-name"));
    EXPECT_EQ(FakeMessages[2], notExisting("NAME"));
}

TEST_F(ExpressionTest, FirstDeclarationWinsAndLaterOnesTakeASlot) {
    declareSymbol("a = 1");
    declareSymbol("a=2");
    declareSymbol("my sym = a*3");
    EXPECT_EQ(SymbolCount, 3);
    EXPECT_EQ(SymbolNames[1], "a");
    EXPECT_EQ(SymbolValues[1], 2.0f);
    EXPECT_EQ(evaluate("a"), 1.0f);
    EXPECT_EQ(evaluate("my sym+1"), 4.0f);
    EXPECT_TRUE(FakeMessages.empty());
    EXPECT_EQ(evaluate("mysym"), 0.0f);
    EXPECT_EQ(FakeMessages.size(), 1u);
}

TEST_F(ExpressionTest, SymbolsSeeOnlyEarlierSymbols) {
    declareSymbol("b = c + 1");
    declareSymbol("c = 5");
    declareSymbol("d = c*b");
    EXPECT_EQ(SymbolValues[0], 1.0f);
    EXPECT_EQ(SymbolValues[2], 5.0f);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], notExisting("c"));
}

TEST_F(ExpressionTest, SymbolWithoutExpressionIsZeroWithOneMessage) {
    declareSymbol("x=");
    ASSERT_EQ(SymbolCount, 1);
    EXPECT_EQ(SymbolNames[0], "x");
    EXPECT_EQ(SymbolValues[0], 0.0f);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], notExisting(""));
}

TEST_F(ExpressionTest, SymbolLineWithoutEqualsAddsNothing) {
    declareSymbol("first = 1");
    declareSymbol("  second 2 ");
    EXPECT_EQ(SymbolCount, 1);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|Error in symbol declaration!|  second 2 ");
    // Nothing with an empty name appeared that an empty operand could find.
    evaluate("  -1");
    EXPECT_EQ(FakeMessages.size(), 2u);
}

TEST_F(ExpressionTest, TableFullRejectsFurtherSymbols) {
    for (int i = 0; i < MaxSymbols; ++i) declareSymbol("s" + std::to_string(i) + " = " + std::to_string(i + 1));
    EXPECT_EQ(SymbolCount, MaxSymbols);
    EXPECT_TRUE(FakeMessages.empty());
    declareSymbol("extra = 5");
    declareSymbol("more = unknown");
    EXPECT_EQ(SymbolCount, MaxSymbols);
    ASSERT_EQ(FakeMessages.size(), 2u);
    EXPECT_EQ(FakeMessages[0], "message|Too many symbols!|Line: 17");
    EXPECT_EQ(evaluate("s100"), 101.0f);
    resetExpressionState();
    EXPECT_EQ(SymbolCount, 0);
    EXPECT_EQ(evaluate("s0"), 0.0f);
}

TEST_F(ExpressionTest, OperandsPastTheEleventhAreDroppedWithOneMessage) {
    std::string eleven = "1";
    for (int i = 1; i < MaxOperands; ++i) eleven += "+1";
    EXPECT_EQ(evaluate(eleven), 11.0f);
    EXPECT_TRUE(FakeMessages.empty());

    SplitExpression expression = splitExpression(eleven + "+1+1+unknown");
    EXPECT_EQ(expression.count, MaxOperands);
    EXPECT_EQ(evaluateExpression(expression), 11.0f);
    ASSERT_EQ(FakeMessages.size(), 1u);
    EXPECT_EQ(FakeMessages[0], "message|Expression too long!|Line: 17");

    std::string products = "2";
    for (int i = 1; i < 20; ++i) products += "*2";
    EXPECT_EQ(evaluate(products), 2048.0f);
    EXPECT_EQ(FakeMessages.size(), 2u);
}

}  // namespace
