// CZEBWCharString numbers: recognition of plain and marked numbers, stripping markers,
// toNumber in the four systems with its overflow records, the number constructors, and the
// byte dumps with their round trip over every byte value.
#include "string_cases.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zebtest;

namespace
{
std::function<Outcome(Str&)> number(Str::NumberSystem asNumberSystem)
{
    return toNumberResult([=](Str& s, DWORD& ulValue)
                          { return s.toNumber(ulValue, asNumberSystem); });
}

std::function<Outcome(Str&)> check(bool (Str::*pTest)() const)
{
    return [=](Str& s) { return Outcome{(s.*pTest)(), shown(s)}; };
}

std::function<Outcome(Str&)> numeric(bool bNegative, bool bDecimal)
{
    return [=](Str& s) { return Outcome{s.isNumeric(bNegative, bDecimal), shown(s)}; };
}

const Str::NumberSystem kHex = Str::nsHex, kBin = Str::nsBin, kOct = Str::nsOct, kDec = Str::nsDec;

std::vector<unsigned char> bytesOf(const CZEBBuffer<unsigned char>& buffer)
{
    return std::vector<unsigned char>(buffer.getBuffer(),
                                      buffer.getBuffer() + buffer.getNumElems());
}
} // namespace

TEST(StringNumbers, Recognition)
{
    runCases({
        {"negative decimal", text("-12.5"), numeric(true, true), true, "-12.5", {}},
        {"a minus alone", text("-"), numeric(true, true), true, "-", {}},
        {"leading point", text(".5"), numeric(true, true), false, ".5", {}},
        {"trailing point", text("5."), numeric(true, true), false, "5.", {}},
        {"two points", text("1.2.3"), numeric(true, true), false, "1.2.3", {}},
        {"minus not allowed", text("-12"), numeric(false, false), false, "-12", {}},
        {"point not allowed", text("1.5"), numeric(true, false), false, "1.5", {}},
        {"minus inside", text("1-2"), numeric(true, false), false, "1-2", {}},
        {"blank", text(" 12"), numeric(true, true), false, " 12", {}},
        {"digits", text("0123456789"), numeric(false, false), true, "0123456789", {}},
        {"numeric valid empty", validEmpty(), numeric(true, true), false, "", {}},
        {"numeric invalid", Str(), numeric(true, true), false, "<invalid>", {}},
        {"binary digits", text("0101"), check(&Str::isBinDigits), true, "0101", {}},
        {"not binary", text("012"), check(&Str::isBinDigits), false, "012", {}},
        {"binary valid empty", validEmpty(), check(&Str::isBinDigits), true, "", {}},
        {"binary invalid", Str(), check(&Str::isBinDigits), false, "<invalid>", {}},
        {"hex digits", text("09afAF"), check(&Str::isHexDigits), true, "09afAF", {}},
        {"not hex", text("0g"), check(&Str::isHexDigits), false, "0g", {}},
        {"octal digits", text("0717"), check(&Str::isOctDigits), true, "0717", {}},
        {"not octal", text("78"), check(&Str::isOctDigits), false, "78", {}},
        {"octal invalid", Str(), check(&Str::isOctDigits), false, "<invalid>", {}},
        {"0b101", text("0b101"), check(&Str::isBinNumber), true, "0b101", {}},
        {"101b", text("101b"), check(&Str::isBinNumber), true, "101b", {}},
        {"0B1", text("0B1"), check(&Str::isBinNumber), true, "0B1", {}},
        {"1b", text("1b"), check(&Str::isBinNumber), true, "1b", {}},
        {"b alone", text("b"), check(&Str::isBinNumber), false, "b", {}},
        {"b first", text("b1"), check(&Str::isBinNumber), false, "b1", {}},
        {"two b", text("1b1b"), check(&Str::isBinNumber), false, "1b1b", {}},
        {"b inside", text("10b1"), check(&Str::isBinNumber), false, "10b1", {}},
        {"binary with a 2", text("0b2"), check(&Str::isBinNumber), false, "0b2", {}},
        {"binary invalid", Str(), check(&Str::isBinNumber), false, "<invalid>", {}},
        {"0o17", text("0o17"), check(&Str::isOctNumber), true, "0o17", {}},
        {"17O", text("17O"), check(&Str::isOctNumber), true, "17O", {}},
        {"o alone", text("o"), check(&Str::isOctNumber), false, "o", {}},
        {"octal with an 8", text("0o8"), check(&Str::isOctNumber), false, "0o8", {}},
        {"0x1F", text("0x1F"), check(&Str::isHexNumber), true, "0x1F", {}},
        {"0X1f", text("0X1f"), check(&Str::isHexNumber), true, "0X1f", {}},
        {"1Fh", text("1Fh"), check(&Str::isHexNumber), true, "1Fh", {}},
        {"0x", text("0x"), check(&Str::isHexNumber), true, "0x", {}},
        {"plain hex", text("1F"), check(&Str::isHexNumber), false, "1F", {}},
        {"both markers", text("0x1Fh"), check(&Str::isHexNumber), false, "0x1Fh", {}},
        {"x third", text("10x"), check(&Str::isHexNumber), false, "10x", {}},
        {"x after a 1", text("1x1"), check(&Str::isHexNumber), false, "1x1", {}},
        {"two x", text("0xx1"), check(&Str::isHexNumber), false, "0xx1", {}},
        {"h inside", text("1h1"), check(&Str::isHexNumber), false, "1h1", {}},
        {"h alone", text("h"), check(&Str::isHexNumber), false, "h", {}},
        {"x with a g", text("0xg"), check(&Str::isHexNumber), false, "0xg", {}},
        {"hex invalid", Str(), check(&Str::isHexNumber), false, "<invalid>", {}},
    });
}

TEST(StringNumbers, StripNumberSystemMarker)
{
    const auto strip = inPlace([](Str& s) { return s.stripNumberSystemMarker(); });
    runCases({
        {"binary prefix", text("0b101"), strip, true, "101", {}},
        {"binary suffix", text("101B"), strip, true, "101", {}},
        // Two units with the marker last: the digit stays.
        {"binary of two units", text("1b"), strip, true, "1", {}},
        {"octal prefix", text("0O17"), strip, true, "17", {}},
        {"octal suffix", text("17o"), strip, true, "17", {}},
        {"octal of two units", text("7o"), strip, true, "7", {}},
        {"hex prefix", text("0x1F"), strip, true, "1F", {}},
        {"hex suffix", text("1FH"), strip, true, "1F", {}},
        {"hex prefix alone", text("0x"), strip, true, "<invalid>", {}},
        // Binary is tested first: hexadecimal digits that look binary-marked lose the b.
        {"binary before hex", text("10b"), strip, true, "10", {}},
        {"no marker", text("123"), strip, false, "123", {}},
        {"invalid", Str(), strip, false, "<invalid>", {}},
    });
}

TEST(StringNumbers, ToNumber)
{
    const std::string kHexOverflow = badArg(
        "this string", "too many hex digits in string - will overflow unsigned long value", "");
    const std::string kOctOverflow = badArg(
        "this string", "too many octal digits in string - will overflow unsigned long value", "");
    const std::string kBinOverflow =
        badArg("this", "too many binary digits in string - will overflow unsigned long value", "");
    const std::string ones32(32, '1');
    const std::string ones33(33, '1');
    runCases({
        {"hex prefix trimmed", text(" 0x1F "), number(kHex), true, "31", {}},
        {"hex whitespace trimmed", text("\t1f\r\n"), number(kHex), true, "31", {}},
        {"hex suffix", text("1Fh"), number(kHex), true, "31", {}},
        {"hex largest", text("FFFFFFFF"), number(kHex), true, "4294967295", {}},
        {"hex overflow",
         text("1FFFFFFFF"),
         number(kHex),
         false,
         "777",
         {kHexOverflow, unhandled()}},
        {"hex leading zeros count",
         text("00000000F"),
         number(kHex),
         false,
         "777",
         {kHexOverflow, unhandled()}},
        {"hex prefixed overflow",
         text("0x1FFFFFFFF"),
         number(kHex),
         false,
         "777",
         {kHexOverflow, unhandled()}},
        // Only the hexadecimal marker is stripped in hexadecimal: a b is a digit.
        {"hex 1B", text("1B"), number(kHex), true, "27", {}},
        {"hex 0B", text("0B"), number(kHex), true, "11", {}},
        {"hex 10b", text("10b"), number(kHex), true, "267", {}},
        {"hex prefix without digits", text("0x"), number(kHex), false, "777", {}},
        {"hex not a number", text("xyz"), number(kHex), false, "777", {}},
        {"hex minus", text("-1"), number(kHex), false, "777", {}},
        {"hex blank", text("   "), number(kHex), false, "777", {}},
        {"binary suffix", text("101b"), number(kBin), true, "5", {}},
        {"binary prefix", text("0b101"), number(kBin), true, "5", {}},
        {"binary plain", text("101"), number(kBin), true, "5", {}},
        {"binary of two units", text("1b"), number(kBin), true, "1", {}},
        {"binary zero marked", text("0b"), number(kBin), true, "0", {}},
        {"binary largest", text(ones32.c_str()), number(kBin), true, "4294967295", {}},
        {"binary overflow",
         text(ones33.c_str()),
         number(kBin),
         false,
         "777",
         {kBinOverflow, unhandled()}},
        {"binary with a 2", text("102"), number(kBin), false, "777", {}},
        {"binary hex-marked", text("1h"), number(kBin), false, "777", {}},
        {"octal suffix", text("17o"), number(kOct), true, "15", {}},
        {"octal prefix", text("0o17"), number(kOct), true, "15", {}},
        // Twelve digits are read exactly and keep their low 32 bits.
        {"octal twelve sevens", text("777777777777"), number(kOct), true, "4294967295", {}},
        {"octal 8^11", text("100000000000"), number(kOct), true, "0", {}},
        {"octal 2^32 + 1", text("40000000001"), number(kOct), true, "1", {}},
        {"octal overflow",
         text("1777777777777"),
         number(kOct),
         false,
         "777",
         {kOctOverflow, unhandled()}},
        {"octal with an 8", text("8"), number(kOct), false, "777", {}},
        {"decimal negative", text("-5"), number(kDec), true, "4294967291", {}},
        {"decimal trimmed", text(" 42 "), number(kDec), true, "42", {}},
        {"decimal zero", text("0"), number(kDec), true, "0", {}},
        {"decimal saturates high", text("2147483648"), number(kDec), true, "2147483647", {}},
        {"decimal saturates low", text("-2147483649"), number(kDec), true, "2147483648", {}},
        {"decimal with a letter", text("12a"), number(kDec), false, "777", {}},
        {"decimal minus alone", text("-"), number(kDec), false, "777", {}},
        {"decimal plus", text("+5"), number(kDec), false, "777", {}},
        {"decimal blank", text(" "), number(kDec), false, "777", {}},
        {"decimal valid empty", validEmpty(4), number(kDec), false, "777", {}},
        {"decimal unterminated", unterminated(ZEB_W("123")), number(kDec), true, "123", {}},
        {"system 3", text("1"), number(static_cast<Str::NumberSystem>(3)), false, "777", {}},
        {"system 16", text("1"), number(static_cast<Str::NumberSystem>(16)), false, "777", {}},
        {"invalid", Str(), number(kHex), false, "777", {}},
    });
}

TEST(StringNumbers, Constructors)
{
    struct Case
    {
        DWORD ulNumber;
        Str::NumberSystem asNumberSystem;
        WORD usWidth;
        bool bPrefix;
        const char* szExpected;
    };
    const Case cases[] = {
        {255, kHex, 4, true, "0x00FF"},
        {0x1234, kHex, 2, false, "34"},
        {0xABCDEF01, kHex, 0, false, "ABCDEF01"},
        {0xAB, kHex, 1, false, "B"},
        {5, kBin, 0, false, "101"},
        {5, kBin, 0, true, "0b101"},
        {8, kOct, 0, true, "0o10"},
        {0xFFFFFFFF, kOct, 0, false, "37777777777"},
        {0, kHex, 0, false, "0"},
        {0, kBin, 3, true, "0b000"},
        {0xFFFFFFFF, kDec, 9, true, "-1"},
        {0x80000000, kDec, 0, false, "-2147483648"},
        {42, kDec, 0, false, "42"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.szExpected, shown(Str(c.ulNumber, c.asNumberSystem, c.usWidth, c.bPrefix)))
            << c.szExpected;
    EXPECT_EQ("-7", shown(Str(-7)));
    EXPECT_EQ("2147483647", shown(Str(2147483647)));

    const std::vector<std::string> logged = recordsOf(
        [] {
            EXPECT_THROW(Str(1u, static_cast<Str::NumberSystem>(3), 0, false),
                         CZEBBufferInitException);
        });
    const std::vector<std::string> expected = {
        badArg("asNumberSystem", "mode isn't supported, must be hex,bin,or oct"),
        record("Unable to initialize CZEBBuffer")};
    EXPECT_EQ(expected, logged);
}

TEST(StringBytes, AsciiCodeString)
{
    Str ab = withStorage(ZEB_W("AB"), 3);
    EXPECT_EQ("41 00 42 00 00 00", shown(ab.getAsciiCodeString()));
    EXPECT_EQ("41 00 00 00 00 00", shown(withStorage(ZEB_W("A"), 3).getAsciiCodeString()))
        << "the zero tail is dumped too";
    const WCHAR szWide[] = {0x20AC, 0x00FF, 0};
    EXPECT_EQ("AC 20 FF 00 00 00", shown(Str(szWide).getAsciiCodeString()));
    EXPECT_FALSE(Str().getAsciiCodeString().isValid());
    EXPECT_EQ("42 00 41 00", shown(unterminated(ZEB_W("BA")).getAsciiCodeString()))
        << "the storage is dumped, NUL or not";

    const std::vector<unsigned char> six = {0x41, 0, 0x42, 0, 0, 0};
    EXPECT_EQ(six, bytesOf(text("41 00 42 00 00 00").getBufferFromAsciiCodeString()));
}

TEST(StringBytes, BufferFromAsciiCodeString)
{
    struct Case
    {
        const char* szText;
        std::vector<unsigned char> expected;
    };
    const Case cases[] = {
        {"41 00 42", {0x41, 0x00, 0x42}},
        {"ab cd", {0xAB, 0xCD}},
        {"41-42", {0x41, 0x42}},
        // A pair that is not two hexadecimal digits ends the conversion.
        {"41 zz 42", {0x41}},
        {"41 4", {0x41}},
        {"4", {}},
        {"0x 41", {}},
        {" 41", {}},
        {"41 1h", {0x41}},
        {nullptr, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, bytesOf(text(c.szText).getBufferFromAsciiCodeString()))
            << (c.szText ? c.szText : "invalid");
    EXPECT_TRUE(recordsOf([] { text("41 zz 4").getBufferFromAsciiCodeString(); }).empty());
}

// Every byte value survives the dump and the way back, and each code reads as its value.
TEST(StringBytes, AllByteValuesRoundTrip)
{
    Str all;
    ASSERT_TRUE(all.create(129));
    for (DWORD k = 0; k < 128; ++k)
        all[k] = static_cast<unsigned short>((2 * k) | ((2 * k + 1) << 8));
    ASSERT_EQ(128u, all.getLength());
    const Str dump = all.getAsciiCodeString();
    ASSERT_EQ(258u * 3 - 1, dump.getLength());
    EXPECT_EQ("00 01 02 03", shown(dump).substr(0, 11));
    EXPECT_EQ(bytesOf(all.toByteBuffer()), bytesOf(dump.getBufferFromAsciiCodeString()));

    for (DWORD ulByte = 0; ulByte < 256; ++ulByte)
    {
        const Str code(ulByte, kHex, 2, false);
        const std::vector<unsigned char> one = {static_cast<unsigned char>(ulByte)};
        EXPECT_EQ(one, bytesOf(code.getBufferFromAsciiCodeString())) << shown(code);
        DWORD ulValue = 999;
        EXPECT_TRUE(code.toNumber(ulValue, kHex)) << shown(code);
        EXPECT_EQ(ulByte, ulValue) << shown(code);
    }
}
