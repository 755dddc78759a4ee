// Search and editing of CZEBWCharString with random occurrence numbers, positions and
// modes. Every result is compared with a naive reference of the documented behaviour, and
// every string must keep its terminator and length after every operation.
#include "fuzz_support.h"

using namespace zebfuzz;

namespace
{
typedef CZEBWCharString S;

const DWORD pmForward = S::pmForward;
const DWORD pmBackward = S::pmBackward;

Units slice(const Units& units, size_t ulStart, size_t ulEnd) // [ulStart, ulEnd)
{
    if (ulStart >= ulEnd || ulStart >= units.size())
        return Units();
    return Units(units.begin() + ulStart,
                 units.begin() + (ulEnd < units.size() ? ulEnd : units.size()));
}

Units join(const Units& a, const Units& b)
{
    Units joined(a);
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

// deleteSubString by its description: false, nothing changed, on any refusal.
bool naiveDeleteSubString(Units& text, bool bValid, const Units& sub, DWORD ulOccurrance,
                          DWORD mode)
{
    if (!bValid)
        return false;
    const DWORD ulCount = naiveCount(text, sub);
    if (ulCount == 0)
        return false;
    DWORD ulNumber = 1;
    DWORD ulPasses = 0;
    if (mode == S::ssmAll)
        ulPasses = ulCount;
    else if (mode == S::ssmOccur || mode == S::ssmNum)
    {
        if (ulOccurrance == 0 || ulCount < ulOccurrance)
            return false;
        ulNumber = mode == S::ssmOccur ? ulOccurrance : 1;
        ulPasses = mode == S::ssmOccur ? 1 : ulOccurrance;
    }
    else
        return false;
    for (DWORD i = 0; i < ulPasses; ++i)
    {
        DWORD ulPos = 0;
        if (naiveFind(text, sub, ulNumber, pmForward, ulPos))
            text.erase(text.begin() + ulPos, text.begin() + ulPos + sub.size());
    }
    return true;
}

// replace by its description, with the occurrence number advancing by the occurrences of
// the old text that the new text brings (0 when it brings none).
bool naiveReplace(Units& text, bool bValid, const Units& oldText, bool bOldValid,
                  const Units& newText, bool bNewValid, DWORD ulOccurrance, DWORD mode)
{
    if (!bValid || !bOldValid)
        return false;
    const DWORD ulCount = naiveCount(text, oldText);
    if (ulCount == 0)
        return false;
    DWORD ulNumber = 1;
    DWORD ulPasses = 0;
    if (mode == S::ssmAll)
        ulPasses = ulCount;
    else if (mode == S::ssmOccur || mode == S::ssmNum)
    {
        if (ulOccurrance == 0 || ulCount < ulOccurrance)
            return false;
        ulNumber = mode == S::ssmOccur ? ulOccurrance : 1;
        ulPasses = mode == S::ssmOccur ? 1 : ulOccurrance;
    }
    else
        return false;
    const DWORD ulStep = naiveCount(newText, oldText);
    for (DWORD i = 0; i < ulPasses; ++i)
    {
        DWORD ulPos = 0;
        if (!naiveFind(text, oldText, ulNumber, pmForward, ulPos))
            continue; // consumed by an earlier pass
        text.erase(text.begin() + ulPos, text.begin() + ulPos + oldText.size());
        if (bNewValid)
            text.insert(text.begin() + ulPos, newText.begin(), newText.end());
        ulNumber += ulStep;
    }
    return true;
}

// deleteRange by its description.
bool naiveDeleteRange(Units& text, bool bValid, DWORD ulStart, DWORD ulEnd, bool bDeleteStart,
                      bool bDeleteEnd)
{
    const size_t ulLength = text.size();
    if (!bValid || ulStart >= ulLength || ulEnd >= ulLength || ulStart == ulEnd)
        return false;
    if (ulStart < ulEnd)
        text = join(slice(text, 0, bDeleteStart ? ulStart : ulStart + 1),
                    slice(text, bDeleteEnd ? ulEnd + 1 : ulEnd, ulLength));
    else
        text = slice(text, bDeleteEnd ? ulEnd + 1 : ulEnd, bDeleteStart ? ulStart : ulStart + 1);
    return true;
}

struct Strings
{
    CZEBWCharString text;
    CZEBWCharString sub;
    CZEBWCharString other;
    bool bReadOnly; // the text has no terminator: only operations that read run on it
};

void checkAll(const Strings& strings)
{
    if (!strings.bReadOnly)
        checkString(strings.text);
    checkString(strings.sub);
    checkString(strings.other);
}

// Results cut from a text without a terminator may lack one too (a copy keeps the storage
// as it is); every other result must be sound.
void checkResult(const Strings& strings, const CZEBWCharString& result)
{
    if (!strings.bReadOnly)
        checkString(result);
}

// One operation chosen by the input, checked against the reference.
void runOperation(Strings& strings, Input& input)
{
    CZEBWCharString& text = strings.text;
    const Units t = textOf(text);
    const DWORD ulLength = static_cast<DWORD>(t.size());
    const bool bValid = text.isValid();
    const bool bSwap = input.flag();
    const CZEBWCharString& sub = bSwap ? strings.other : strings.sub;
    const CZEBWCharString& other = bSwap ? strings.sub : strings.other;
    const Units u = textOf(sub);
    const Units o = textOf(other);
    const DWORD ulSubLength = static_cast<DWORD>(u.size());

    const uint8_t uOperation = input.byte() % (strings.bReadOnly ? 8 : 14);
    switch (uOperation)
    {
    case 0: // find
    {
        const DWORD ulOccurrance = input.number(ulLength);
        const DWORD mode = input.mode({pmForward, pmBackward});
        DWORD ulPos = 0xDEADBEEF;
        DWORD ulExpected = 0;
        const bool bFound = text.find(sub, ulOccurrance, static_cast<S::ParseMode>(mode), ulPos);
        ZEB_FUZZ_CHECK(bFound == naiveFind(t, u, ulOccurrance, mode, ulExpected));
        if (bFound)
            ZEB_FUZZ_CHECK(ulPos == ulExpected);
        break;
    }
    case 1: // countOccurrences and contains
        ZEB_FUZZ_CHECK(text.countOccurrences(sub) == naiveCount(t, u));
        ZEB_FUZZ_CHECK(text.contains(sub) == !occurrences(t, u).empty());
        break;
    case 2: // getOccurrenceAtPosition
    {
        const DWORD ulPos = input.number(ulLength);
        const DWORD mode = input.mode({pmForward, pmBackward});
        DWORD ulOccurrance = 0xDEADBEEF;
        const bool bFound =
            text.getOccurrenceAtPosition(sub, ulPos, static_cast<S::ParseMode>(mode), ulOccurrance);
        bool bExpected = false;
        DWORD ulExpected = 0;
        const DWORD ulCount = naiveCount(t, u);
        for (DWORD n = 1; bValid && n <= ulCount && !bExpected; ++n)
        {
            DWORD ulAt = 0;
            if (naiveFind(t, u, n, mode, ulAt) && ulAt == ulPos)
            {
                bExpected = true;
                ulExpected = n;
            }
        }
        ZEB_FUZZ_CHECK(bFound == bExpected);
        if (bFound)
            ZEB_FUZZ_CHECK(ulOccurrance == ulExpected);
        break;
    }
    case 3: // getOppositeOccurrence
    {
        const DWORD ulOccurrance = input.number(ulLength);
        const DWORD mode = input.mode({pmForward, pmBackward});
        DWORD ulResult = 0xDEADBEEF;
        const bool bFound = text.getOppositeOccurrence(sub, ulOccurrance,
                                                       static_cast<S::ParseMode>(mode), ulResult);
        DWORD ulPos = 0;
        const bool bExpected = bValid && naiveFind(t, u, ulOccurrance, mode, ulPos);
        ZEB_FUZZ_CHECK(bFound == bExpected);
        if (bFound)
        {
            const DWORD ulAll = static_cast<DWORD>(occurrences(t, u).size());
            ZEB_FUZZ_CHECK(ulResult == ulAll + 1 - ulOccurrance);
        }
        break;
    }
    case 4: // beginsWith, endsWith
        ZEB_FUZZ_CHECK(text.beginsWith(sub) == (!u.empty() && matchesAt(t, u, 0)));
        ZEB_FUZZ_CHECK(text.endsWith(sub) == (!u.empty() && ulSubLength <= ulLength &&
                                              matchesAt(t, u, ulLength - ulSubLength)));
        break;
    case 5: // extractInside
    {
        const DWORD ulStart = input.number(ulLength);
        const DWORD ulEnd = input.number(ulLength);
        const bool bIncludeStart = input.flag();
        const bool bIncludeEnd = input.flag();
        CZEBWCharString result(ZEB_W("untouched"));
        const bool bDone = text.extractInside(result, ulStart, ulEnd, bIncludeStart, bIncludeEnd);
        checkResult(strings, result);
        if (ulStart < ulEnd && ulEnd < ulLength)
        {
            ZEB_FUZZ_CHECK(bDone);
            ZEB_FUZZ_CHECK(sameText(result, slice(t, bIncludeStart ? ulStart : ulStart + 1,
                                                  bIncludeEnd ? ulEnd + 1 : ulEnd)));
        }
        else if (ulStart == ulEnd && ulStart < ulLength)
        {
            ZEB_FUZZ_CHECK(bDone);
            ZEB_FUZZ_CHECK(sameText(
                result, (bIncludeStart || bIncludeEnd) ? slice(t, ulStart, ulStart + 1) : Units()));
        }
        else if (ulStart == ulEnd)
        {
            // Past the text: nothing, or the storage unit there (a unit of a tail after the
            // terminator); beyond the storage the unit cannot be read.
            if (bDone)
                ZEB_FUZZ_CHECK(sameText(result, Units()) ||
                               ((bIncludeStart || bIncludeEnd) && ulStart < text.getNumElems() &&
                                sameText(result, Units(1, storageOf(text)[ulStart]))));
            if ((bIncludeStart || bIncludeEnd) && ulStart >= text.getNumElems())
                ZEB_FUZZ_CHECK(!bDone);
        }
        else
            ZEB_FUZZ_CHECK(!bDone);
        break;
    }
    case 6: // extractBetween
    {
        const DWORD ulStartOccurrance = input.number(ulLength);
        const DWORD ulEndOccurrance = input.number(ulLength);
        const bool bIncludeStart = input.flag();
        const bool bIncludeEnd = input.flag();
        CZEBWCharString result(ZEB_W("untouched"));
        const bool bDone = text.extractBetween(result, sub, ulStartOccurrance, other,
                                               ulEndOccurrance, bIncludeStart, bIncludeEnd);
        checkResult(strings, result);
        DWORD ulStart = 0;
        DWORD ulEnd = 0;
        if (!naiveFind(t, u, ulStartOccurrance, pmForward, ulStart) ||
            !naiveFind(t, o, ulEndOccurrance, pmBackward, ulEnd))
            ZEB_FUZZ_CHECK(!bDone);
        break;
    }
    case 7: // parse
    {
        const DWORD ulOccurrance = input.number(ulLength);
        const DWORD mode = input.mode({pmForward, pmBackward});
        const bool bInclude = input.flag();
        CZEBWCharString result(ZEB_W("untouched"));
        const bool bDone =
            text.parse(result, sub, ulOccurrance, static_cast<S::ParseMode>(mode), bInclude);
        checkResult(strings, result);
        DWORD ulPos = 0;
        const bool bExpected = bValid && naiveFind(t, u, ulOccurrance, mode, ulPos);
        ZEB_FUZZ_CHECK(bDone == bExpected);
        if (!bDone)
            ZEB_FUZZ_CHECK(sameText(result, textOf(CZEBWCharString(ZEB_W("untouched")))));
        else if (mode == pmForward)
            ZEB_FUZZ_CHECK(sameText(result, join(slice(t, 0, ulPos), bInclude ? u : Units())));
        else
            ZEB_FUZZ_CHECK(sameText(
                result, join(bInclude ? u : Units(), slice(t, ulPos + ulSubLength, ulLength))));
        break;
    }
    case 8: // deleteRange
    {
        const DWORD ulStart = input.number(ulLength);
        const DWORD ulEnd = input.number(ulLength);
        const bool bDeleteStart = input.flag();
        const bool bDeleteEnd = input.flag();
        Units expected = t;
        const bool bExpected =
            naiveDeleteRange(expected, bValid, ulStart, ulEnd, bDeleteStart, bDeleteEnd);
        ZEB_FUZZ_CHECK(text.deleteRange(ulStart, ulEnd, bDeleteStart, bDeleteEnd) == bExpected);
        ZEB_FUZZ_CHECK(sameText(text, expected));
        break;
    }
    case 9: // cutAtOccurrence
    {
        const DWORD ulOccurrance = input.number(ulLength);
        const DWORD mode = input.mode({pmForward, pmBackward});
        const bool bRemove = input.flag();
        DWORD ulPos = 0;
        const bool bExpected = bValid && naiveFind(t, u, ulOccurrance, mode, ulPos);
        ZEB_FUZZ_CHECK(text.cutAtOccurrence(sub, ulOccurrance, static_cast<S::ParseMode>(mode),
                                            bRemove) == bExpected);
        if (!bExpected)
            ZEB_FUZZ_CHECK(sameText(text, t));
        else if (mode == pmForward)
            ZEB_FUZZ_CHECK(
                sameText(text, slice(t, bRemove ? ulPos + ulSubLength : ulPos, ulLength)));
        else
            ZEB_FUZZ_CHECK(sameText(text, slice(t, 0, bRemove ? ulPos : ulPos + ulSubLength)));
        break;
    }
    case 10: // insert
    {
        const DWORD ulPos = input.number(ulLength);
        const bool bExpected = (bValid || ulPos == 0) && other.isValid() && ulPos <= ulLength;
        ZEB_FUZZ_CHECK(text.insert(other, ulPos) == bExpected);
        ZEB_FUZZ_CHECK(sameText(
            text, bExpected ? join(join(slice(t, 0, ulPos), o), slice(t, ulPos, ulLength)) : t));
        break;
    }
    case 11: // deleteSubString
    {
        const DWORD ulOccurrance = input.number(ulLength);
        const DWORD mode = input.mode({S::ssmAll, S::ssmOccur, S::ssmNum});
        Units expected = t;
        const bool bExpected = naiveDeleteSubString(expected, bValid, u, ulOccurrance, mode);
        ZEB_FUZZ_CHECK(text.deleteSubString(sub, ulOccurrance,
                                            static_cast<S::SubStringMode>(mode)) == bExpected);
        ZEB_FUZZ_CHECK(sameText(text, expected));
        break;
    }
    case 12: // replace
    {
        const DWORD ulOccurrance = input.number(ulLength);
        const DWORD mode = input.mode({S::ssmAll, S::ssmOccur, S::ssmNum});
        Units expected = t;
        const bool bExpected = naiveReplace(expected, bValid, u, sub.isValid(), o, other.isValid(),
                                            ulOccurrance, mode);
        ZEB_FUZZ_CHECK(text.replace(sub, other, ulOccurrance,
                                    static_cast<S::SubStringMode>(mode)) == bExpected);
        ZEB_FUZZ_CHECK(sameText(text, expected));
        break;
    }
    default: // cutting at the ends
    {
        const DWORD ulCount = input.number(ulLength);
        const bool bRight = input.flag();
        Units expected;
        if (ulCount < ulLength)
            expected = bRight ? slice(t, 0, ulLength - ulCount) : slice(t, ulCount, ulLength);
        else if (ulCount == 0)
            expected = t;
        const CZEBWCharString cut = bRight ? text.withoutRight(ulCount) : text.withoutLeft(ulCount);
        checkString(cut);
        ZEB_FUZZ_CHECK(sameText(cut, expected));
        if (ulCount != 0 && ulCount >= ulLength)
            ZEB_FUZZ_CHECK(!cut.isValid());
        if (bRight)
            text.removeRight(ulCount);
        else
            text.removeLeft(ulCount);
        ZEB_FUZZ_CHECK(sameText(text, expected));
        break;
    }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    Input input(pData, cbData);
    static const Units alphabet = {'a', 'b', 'a', 'b', 'c', '\\', '%', 's', ' ', 0x00E9};
    Strings strings;
    const bool bUnterminated = input.byte() % 10 == 0;
    const Shape textShape = bUnterminated ? shUnterminated : terminatedShape(input);
    const Units textUnits = input.units(40, alphabet);
    strings.text = makeString(textUnits, textShape, input);
    strings.bReadOnly = bUnterminated && strings.text.isValid();
    const Units subUnits = input.units(4, alphabet);
    strings.sub = makeString(subUnits, terminatedShape(input), input);
    const Units otherUnits = input.units(4, alphabet);
    strings.other = makeString(otherUnits, terminatedShape(input), input);
    checkAll(strings);

    // Texts stay short: the searches are quadratic and replace repeats them per pass.
    for (int i = 0; i < 12 && !input.empty() && strings.text.getNumElems() <= 128; ++i)
    {
        runOperation(strings, input);
        checkAll(strings);
    }
    return 0;
}
