// Byte dumps of CZEBWCharString: getAsciiCodeString must write every storage byte as two
// upper-case hexadecimal digits separated by single spaces, and getBufferFromAsciiCodeString
// must give those bytes back; for arbitrary text it converts the leading pairs of
// hexadecimal digits and never invents a byte.
#include "fuzz_support.h"

using namespace zebfuzz;

namespace
{
typedef CZEBWCharString S;

int hexValue(unsigned short usUnit)
{
    if (usUnit >= '0' && usUnit <= '9')
        return usUnit - '0';
    if (usUnit >= 'a' && usUnit <= 'f')
        return usUnit - 'a' + 10;
    if (usUnit >= 'A' && usUnit <= 'F')
        return usUnit - 'A' + 10;
    return -1;
}

std::vector<unsigned char> bytesOf(const CZEBBuffer<unsigned char>& buffer)
{
    if (!buffer.isValid())
        return std::vector<unsigned char>();
    return std::vector<unsigned char>(buffer.getBuffer(),
                                      buffer.getBuffer() + buffer.getNumElems());
}

void fuzzRoundTrip(Input& input)
{
    // Any units, NULs included, in any terminated shape.
    Units units;
    const size_t ulCount = input.byte() % 33;
    for (size_t i = 0; i < ulCount && !input.empty(); ++i)
        units.push_back(input.flag() ? input.unit() : input.byte());
    const CZEBWCharString string = makeString(units, terminatedShape(input), input);
    checkString(string);

    const CZEBWCharString dump = string.getAsciiCodeString();
    checkString(dump);
    const CZEBBuffer<unsigned char> back = dump.getBufferFromAsciiCodeString();
    if (!string.isValid())
    {
        ZEB_FUZZ_CHECK(!dump.isValid());
        ZEB_FUZZ_CHECK(back.getNumElems() == 0);
        return;
    }
    const std::vector<unsigned char> bytes = bytesOf(string.toByteBuffer());
    static const char szDigits[] = "0123456789ABCDEF";
    Units expected;
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        if (i)
            expected.push_back(' ');
        expected.push_back(static_cast<unsigned short>(szDigits[bytes[i] >> 4]));
        expected.push_back(static_cast<unsigned short>(szDigits[bytes[i] & 0xF]));
    }
    ZEB_FUZZ_CHECK(sameText(dump, expected));
    ZEB_FUZZ_CHECK(bytesOf(back) == bytes);
    ZEB_FUZZ_CHECK(back == string.toByteBuffer());
}

void fuzzParse(Input& input)
{
    static const Units alphabet = {'0', '1', '9', 'a', 'f', 'A', 'F',  'B',    ' ',   ' ',
                                   'x', 'h', 'g', 'G', '-', '+', '\t', 0x0661, 0xFF10};
    const Units units = input.units(48, alphabet);
    const CZEBWCharString text = makeString(units, terminatedShape(input), input);
    checkString(text);
    const Units t = textOf(text);
    const std::vector<unsigned char> bytes = bytesOf(text.getBufferFromAsciiCodeString());
    ZEB_FUZZ_CHECK(sameText(text, t));

    // Pairs sit at 3k, 3k + 1; the unit after each is skipped as the separator.
    const size_t ulPairs = t.size() >= 2 ? (t.size() + 1) / 3 : 0;
    ZEB_FUZZ_CHECK(bytes.size() <= ulPairs);
    size_t ulStrict = 0;
    while (ulStrict < ulPairs && hexValue(t[3 * ulStrict]) >= 0 &&
           hexValue(t[3 * ulStrict + 1]) >= 0)
        ++ulStrict;
    ZEB_FUZZ_CHECK(bytes.size() >= ulStrict);
    for (size_t k = 0; k < bytes.size(); ++k)
    {
        const unsigned short usHigh = t[3 * k];
        const unsigned short usLow = t[3 * k + 1];
        if (k < ulStrict)
        {
            ZEB_FUZZ_CHECK(bytes[k] == hexValue(usHigh) * 16 + hexValue(usLow));
            continue;
        }
        // Beyond the plain pairs a byte must still be the hexadecimal value of its pair.
        const WCHAR szPair[] = {static_cast<WCHAR>(usHigh), static_cast<WCHAR>(usLow), 0};
        DWORD ulValue = 0;
        ZEB_FUZZ_CHECK(CZEBWCharString(szPair).toNumber(ulValue, S::nsHex));
        ZEB_FUZZ_CHECK(bytes[k] == (ulValue & 0xFF));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    Input input(pData, cbData);
    if (input.flag())
        fuzzRoundTrip(input);
    else
        fuzzParse(input);
    return 0;
}
