// Trimming and fields of CZEBWCharString: trim and trimWhitespace must agree with a
// reference of their documented rules, getToken and tokenize must keep every string sound,
// number the list's keys 0, 1, 2 ... and, for a one-unit separator without trimming,
// give exactly the fields a plain split gives.
#include "fuzz_support.h"

using namespace zebfuzz;

namespace
{
typedef CZEBWCharString S;
typedef CZEBDblList<CZEBWCharString> StringList;

const unsigned short aWhitespace[] = {0x20, 0x09, 0x0C, 0x07, 0x0A, 0x08, 0x0D, 0x0B};

bool selected(unsigned short usUnit, DWORD ulWhitespace)
{
    for (int i = 0; i < 8; ++i)
        if ((ulWhitespace & (1u << i)) && usUnit == aWhitespace[i])
            return true;
    return false;
}

// trimWhitespace by its description: the leading and trailing runs of selected units go
// at their sides; with both sides the selected units inside go too. A text made only of
// selected units keeps its first unit with one side, nothing with both.
Units referenceTrimWhitespace(const Units& text, DWORD ulSides, DWORD ulWhitespace)
{
    const bool bStart = (ulSides & S::tsStart) != 0;
    const bool bEnd = (ulSides & S::tsEnd) != 0;
    if (ulSides == 0 || ulWhitespace == 0 || text.empty())
        return text;
    size_t ulFirst = 0;
    while (ulFirst < text.size() && selected(text[ulFirst], ulWhitespace))
        ++ulFirst;
    const bool bFound = ulFirst < text.size();
    size_t ulLast = text.size() - 1;
    while (bFound && selected(text[ulLast], ulWhitespace))
        --ulLast;
    if (!bFound)
        ulFirst = ulLast = 0;
    Units leading(text.begin(), text.begin() + (bFound ? ulFirst : 0));
    Units middle(text.begin() + ulFirst, text.begin() + ulLast + 1);
    Units trailing;
    if (bFound)
        trailing.assign(text.begin() + ulLast + 1, text.end());
    if (bStart)
        leading.clear();
    if (bEnd)
        trailing.clear();
    if (bStart && bEnd)
    {
        Units kept;
        for (unsigned short usUnit : middle)
            if (!selected(usUnit, ulWhitespace))
                kept.push_back(usUnit);
        middle = kept;
    }
    Units result = leading;
    result.insert(result.end(), middle.begin(), middle.end());
    result.insert(result.end(), trailing.begin(), trailing.end());
    return result;
}

// trim by its description: the runs of units equal to the character or selected, at the
// chosen ends.
Units referenceTrim(const Units& text, unsigned short usTrim, DWORD ulSides, DWORD ulWhitespace)
{
    size_t ulStart = 0;
    size_t ulEnd = text.size();
    auto strippable = [&](unsigned short usUnit)
    { return usUnit == usTrim || selected(usUnit, ulWhitespace); };
    if (ulSides & S::tsEnd)
        while (ulEnd > ulStart && strippable(text[ulEnd - 1]))
            --ulEnd;
    if (ulSides & S::tsStart)
        while (ulStart < ulEnd && strippable(text[ulStart]))
            ++ulStart;
    return Units(text.begin() + ulStart, text.begin() + ulEnd);
}

std::vector<Units> split(const Units& text, unsigned short usSeparator)
{
    std::vector<Units> fields(1);
    for (unsigned short usUnit : text)
        if (usUnit == usSeparator)
            fields.emplace_back();
        else
            fields.back().push_back(usUnit);
    return fields;
}

void fuzzTrim(const CZEBWCharString& original, Input& input)
{
    const Units before = textOf(original);
    const DWORD ulSides = input.mode({S::tsStart, S::tsEnd, S::tsBoth, 0});
    const DWORD ulWhitespace = input.mode({S::wsAll, S::wsSpace, S::wsSpace | S::wsTab, 0});

    CZEBWCharString trimmed(original);
    const DWORD ulNumElems = trimmed.getNumElems();
    const Units copied = textOf(trimmed);
    const unsigned short usTrim = input.flag() ? ' ' : static_cast<unsigned short>(input.byte());
    const bool bTrimmed = trimmed.trim(static_cast<WCHAR>(usTrim), ulSides, ulWhitespace);
    checkString(trimmed);
    ZEB_FUZZ_CHECK(bTrimmed == original.isValid());
    if (usTrim != 0)
        ZEB_FUZZ_CHECK(sameText(trimmed, referenceTrim(copied, usTrim, ulSides, ulWhitespace)));
    if ((ulSides & S::tsBoth) == S::tsEnd)
        ZEB_FUZZ_CHECK(trimmed.getNumElems() == ulNumElems);

    CZEBWCharString stripped(original);
    ZEB_FUZZ_CHECK(stripped.trimWhitespace(ulSides, ulWhitespace));
    checkString(stripped);
    ZEB_FUZZ_CHECK(sameText(stripped, referenceTrimWhitespace(copied, ulSides, ulWhitespace)));

    DWORD ulPos = 0;
    const DWORD mode = input.mode({S::pmForward, S::pmBackward});
    if (original.findNonWhitespace(ulWhitespace, static_cast<S::ParseMode>(mode), ulPos))
    {
        ZEB_FUZZ_CHECK(mode == S::pmForward || mode == S::pmBackward);
        ZEB_FUZZ_CHECK(ulPos < before.size());
        ZEB_FUZZ_CHECK(!selected(before[ulPos], ulWhitespace));
        // The first (last) such unit: everything before (after) it is selected.
        const size_t ulFrom = mode == S::pmForward ? 0 : ulPos + 1;
        const size_t ulTo = mode == S::pmForward ? ulPos : before.size();
        for (size_t i = ulFrom; i < ulTo; ++i)
            ZEB_FUZZ_CHECK(selected(before[i], ulWhitespace));
    }
    ZEB_FUZZ_CHECK(sameText(original, before));
}

void fuzzFields(const CZEBWCharString& text, const CZEBWCharString& separator, Input& input)
{
    const Units before = textOf(text);
    const DWORD ulMode = input.mode({S::tmSeparated, S::tmEnclosed});
    const bool bPlain = input.flag();
    const DWORD ulSides = bPlain ? 0 : input.mode({S::tsStart, S::tsEnd, S::tsBoth, 0});
    const DWORD ulWhitespace = bPlain ? 0 : input.mode({S::wsAll, S::wsSpace, 0});

    CZEBWCharString token(ZEB_W("untouched"));
    const DWORD ulOccurrance = input.number(static_cast<DWORD>(before.size()));
    const bool bToken = text.getToken(token, separator, ulOccurrance,
                                      static_cast<S::TokenMode>(ulMode), ulSides, ulWhitespace);
    checkString(token);
    if (!bToken)
        ZEB_FUZZ_CHECK(sameText(token, textOf(CZEBWCharString(ZEB_W("untouched")))));
    if (!text.isValid() || !separator.isValid() || ulOccurrance == 0)
        ZEB_FUZZ_CHECK(!bToken);

    StringList list;
    list.add(CZEBWCharString(ZEB_W("stale")), 99);
    const bool bListed =
        text.tokenize(list, separator, static_cast<S::TokenMode>(ulMode), ulSides, ulWhitespace);
    const bool bArguments = text.isValid() && separator.isValid();
    if (!bArguments)
        ZEB_FUZZ_CHECK(!bListed);
    else
        ZEB_FUZZ_CHECK(bListed == (list.getCount() != 0));
    std::vector<Units> fields;
    if (bArguments && list.moveFirst())
    {
        LONG lExpectedKey = 0;
        do
        {
            CZEBWCharString field;
            LONG lKey = -1;
            ZEB_FUZZ_CHECK(list.getCurrent(field));
            ZEB_FUZZ_CHECK(list.getCurrentKey(lKey));
            ZEB_FUZZ_CHECK(lKey == lExpectedKey++);
            checkString(field);
            fields.push_back(textOf(field));
        } while (list.moveNext());
    }
    ZEB_FUZZ_CHECK(sameText(text, before));

    // A one-unit separator, no trimming, no empty field at either end: a plain split.
    const Units sep = textOf(separator);
    if (bPlain && ulMode == S::tmSeparated && sep.size() == 1 && separator.getLength() == 1 &&
        text.isValid() && !before.empty() && before.front() != sep[0] && before.back() != sep[0])
    {
        const std::vector<Units> expected = split(before, sep[0]);
        ZEB_FUZZ_CHECK(bListed);
        ZEB_FUZZ_CHECK(fields == expected);
        if (ulOccurrance >= 1 && ulOccurrance <= expected.size())
        {
            ZEB_FUZZ_CHECK(bToken);
            ZEB_FUZZ_CHECK(sameText(token, expected[ulOccurrance - 1]));
        }
        else if (ulOccurrance > expected.size())
            ZEB_FUZZ_CHECK(!bToken);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    Input input(pData, cbData);
    static const Units alphabet = {'a',  'b',  '8',  '.',  ',',  '\'', ' ', ' ',   '\t',
                                   '\n', '\r', 0x0B, 0x0C, 0x07, 0x08, '=', 0x3000};
    const Units textUnits = input.units(40, alphabet);
    const CZEBWCharString text = makeString(textUnits, terminatedShape(input), input);
    const Units separatorUnits = input.units(2, alphabet);
    const CZEBWCharString separator = makeString(separatorUnits, terminatedShape(input), input);
    checkString(text);
    checkString(separator);
    for (int i = 0; i < 4 && !input.empty(); ++i)
    {
        if (input.flag())
            fuzzTrim(text, input);
        else
            fuzzFields(text, separator, input);
    }
    return 0;
}
