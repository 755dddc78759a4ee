// CZEBWCharString: the library's one string type, NUL-terminated UTF-16 text stored in a
// CZEBBuffer<unsigned short>. A string without storage is "invalid", the normal value of an
// absent or empty text. Operations answer false (or leave the string as far as they got)
// after logging a failure; constructors throw CZEBBufferInitException when they cannot
// complete, and operator[] throws CZEBIndexOutOfBoundsException past the storage.
//
// Positions are 0-based code-unit indices. Occurrences are numbered from 1, from the start
// (pmForward) or from the end (pmBackward); overlapping occurrences count separately and
// matching is exact, unit by unit. A substring of length 0 never occurs. Every operation
// reads only the units before the first NUL (or the storage's end), whatever the input.
#pragma once

#include "zeb_buffer.h"
#include "zeb_dbllist.h"
#include "zeb_flags.h"

#include <initializer_list>

class CZEBWCharString : public CZEBBuffer<unsigned short>
{
public:
    // Every enumeration has a fixed underlying type, so any DWORD cast to it is a value the
    // operations can reject.
    enum NumberSystem : DWORD
    {
        nsHex = 1,
        nsBin = 2,
        nsOct = 4,
        nsDec = 8
    };

    enum ParseMode : DWORD
    {
        pmForward = 1, // count occurrences from the start
        pmBackward = 2 // count occurrences from the end
    };

    enum SubStringMode : DWORD
    {
        ssmAll = 1,   // every occurrence
        ssmOccur = 2, // only occurrence ulOccurrance
        ssmNum = 4    // the first ulOccurrance occurrences
    };

    enum TokenMode : DWORD
    {
        tmSeparated = 1, // a,b,c
        tmEnclosed = 2   // 'a' 'b': ask for fields 1, 3, 5 ...
    };

    // Trim sides (a CZEBFlags set).
    enum TrimSide : DWORD
    {
        tsStart = 1,
        tsEnd = 2,
        tsBoth = 3
    };

    // Whitespace sets (a CZEBFlags set): bit k selects the k-th unit of the whitespace table.
    enum Whitespace : DWORD
    {
        wsSpace = 1,
        wsTab = 2,
        wsFormFeed = 4,
        wsBell = 8,
        wsNewLine = 16,
        wsBackspace = 32,
        wsCarriageReturn = 64,
        wsVerticalTab = 128,
        wsAll = 255
    };

    CZEBWCharString();
    CZEBWCharString(LPCWSTR szText);
    CZEBWCharString(const CZEBWCharString& other);
    CZEBWCharString(const CZEBBuffer<unsigned short>& buffer);
    explicit CZEBWCharString(WCHAR chCharacter);
    // Decimal text of a signed 32-bit number.
    explicit CZEBWCharString(int nNumber);
    // Text of an unsigned 32-bit number in the given system: hexadecimal (upper case),
    // binary or octal, padded with "0" to (or cut to the lowest digits of) a non-zero width,
    // with "0x", "0b" or "0o" in front when bPrefix is set; nsDec writes it as signed decimal.
    CZEBWCharString(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth, bool bPrefix);

    CZEBWCharString& operator=(const CZEBWCharString& other);
    CZEBWCharString& operator=(LPCWSTR szText);
    CZEBWCharString& operator=(const CZEBBuffer<unsigned short>& buffer);
    CZEBWCharString& operator=(WCHAR chCharacter);

    CZEBWCharString& operator+=(const CZEBWCharString& rhs);
    // Never throws: a failed copy is logged and leaves the result as far as it got.
    CZEBWCharString operator+(const CZEBWCharString& rhs) const;

    // Both invalid: equal; exactly one invalid: different; otherwise equal lengths and units.
    bool operator==(const CZEBWCharString& other) const;
    bool operator!=(const CZEBWCharString& other) const;
    // Ordering is defined only between valid strings of equal length.
    bool operator<=(const CZEBWCharString& other) const;
    bool operator>=(const CZEBWCharString& other) const;
    bool operator<(const CZEBWCharString& other) const;
    bool operator>(const CZEBWCharString& other) const;

    // Code units before the first NUL; 0 when invalid.
    DWORD getLength() const;
    // The text; null when invalid.
    LPCWSTR getBuffer() const;
    // Shrinks the storage to length + 1; an empty text becomes invalid.
    bool compact();
    bool reverse();
    // Adds 0x20 to every unit in 'A'..'Z'; nothing else changes.
    bool toLower();

    // ---- Search ----

    // Start of occurrence ulOccurrance of subString counted in parseMode. An occurrence
    // number of 0 or above this length is a logged argument error.
    bool find(const CZEBWCharString& subString, DWORD ulOccurrance, ParseMode parseMode,
              DWORD& ulPos) const;
    DWORD countOccurrences(const CZEBWCharString& subString) const;
    // Occurrence 1 forward exists.
    bool contains(const CZEBWCharString& subString) const;
    // The number, counted in parseMode, of the occurrence that starts at ulPos.
    bool getOccurrenceAtPosition(const CZEBWCharString& subString, DWORD ulPos, ParseMode parseMode,
                                 DWORD& ulOccurrance) const;
    // The number the same occurrence has when counted in the other direction.
    bool getOppositeOccurrence(const CZEBWCharString& subString, DWORD ulOccurrance,
                               ParseMode parseMode, DWORD& ulResult) const;
    bool beginsWith(const CZEBWCharString& subString) const;
    bool endsWith(const CZEBWCharString& subString) const;

    // ---- Cutting ----

    // A copy without the last (first) ulCount units; invalid when that leaves nothing.
    CZEBWCharString withoutRight(DWORD ulCount) const;
    CZEBWCharString withoutLeft(DWORD ulCount) const;
    CZEBWCharString& removeRight(DWORD ulCount);
    CZEBWCharString& removeLeft(DWORD ulCount);
    // pmForward drops everything before the occurrence, pmBackward everything after it; the
    // occurrence itself too with bRemoveSubString.
    bool cutAtOccurrence(const CZEBWCharString& subString, DWORD ulOccurrance, ParseMode parseMode,
                         bool bRemoveSubString);
    // pmForward: the text before the occurrence (counted from the start); pmBackward: the
    // text after it (counted from the end); bIncludeSubString keeps the occurrence. result
    // is written only on success.
    bool parse(CZEBWCharString& result, const CZEBWCharString& subString, DWORD ulOccurrance,
               ParseMode parseMode, bool bIncludeSubString) const;

    // ---- Ranges ----

    // Deletes the units strictly between the positions, walking forward from ulStartPos
    // and wrapping around the end; the flags delete the end units too.
    bool deleteRange(DWORD ulStartPos, DWORD ulEndPos, bool bDeleteStart, bool bDeleteEnd);
    // The units from ulStartPos to ulEndPos, each end only when included.
    bool extractInside(CZEBWCharString& result, DWORD ulStartPos, DWORD ulEndPos,
                       bool bIncludeStart, bool bIncludeEnd) const;
    // The text from occurrence ulStartOccurrance of startString (counted forward) to
    // occurrence ulEndOccurrance of endString (counted backward), each delimiter only when
    // included.
    bool extractBetween(CZEBWCharString& result, const CZEBWCharString& startString,
                        DWORD ulStartOccurrance, const CZEBWCharString& endString,
                        DWORD ulEndOccurrance, bool bIncludeStart, bool bIncludeEnd) const;

    // ---- Editing ----

    bool insert(const CZEBWCharString& string, DWORD ulPos);
    bool deleteSubString(const CZEBWCharString& subString, DWORD ulOccurrance,
                         SubStringMode subStringMode);
    // Occurrences that the inserted text brings along are skipped; every mode runs at most
    // its number of passes, and a pass whose occurrence an earlier pass consumed is skipped.
    bool replace(const CZEBWCharString& oldString, const CZEBWCharString& newString,
                 DWORD ulOccurrance, SubStringMode subStringMode);

    // ---- Trimming and fields ----

    // Index of the first (pmForward) or last (pmBackward) unit outside the whitespace set.
    bool findNonWhitespace(const CZEBFlags& whitespace, ParseMode parseMode, DWORD& ulPos) const;
    // Drops the units equal to chTrim or in the whitespace set at the chosen ends. The end
    // is trimmed in place (the storage keeps its size); the start rebuilds the text.
    bool trim(WCHAR chTrim, const CZEBFlags& sides, const CZEBFlags& whitespace);
    // tsStart strips leading whitespace, tsEnd trailing whitespace, and tsBoth strips both
    // ends and removes the selected whitespace inside the text too.
    bool trimWhitespace(const CZEBFlags& sides, const CZEBFlags& whitespace);
    // Field ulOccurrance (from 1) cut at separator, trimmed with trimWhitespace. An empty
    // field gives an invalid result and true; result is written only on success.
    bool getToken(CZEBWCharString& result, const CZEBWCharString& separator, DWORD ulOccurrance,
                  TokenMode tokenMode, const CZEBFlags& sides, const CZEBFlags& whitespace) const;
    // Every field, with keys 0, 1, 2 ...; true when the list holds any.
    bool tokenize(CZEBDblList<CZEBWCharString>& list, const CZEBWCharString& separator,
                  TokenMode tokenMode, const CZEBFlags& sides, const CZEBFlags& whitespace) const;

    // ---- Numbers ----

    bool isNumeric(bool bAllowNegative, bool bAllowDecimal) const;
    bool isBinDigits() const;
    bool isHexDigits() const;
    bool isOctDigits() const;
    // Marked numbers: 0b101 or 101b, 0o17 or 17o, 0x1F or 1Fh (markers in any case).
    bool isBinNumber() const;
    bool isHexNumber() const;
    bool isOctNumber() const;
    // Removes a binary, else an octal, else a hexadecimal marker.
    bool stripNumberSystemMarker();
    // The value of the (trimmed) text in the given system; ulValue is written only on
    // success. Hexadecimal, binary and octal text may carry the marker of its own system.
    bool toNumber(DWORD& ulValue, NumberSystem asNumberSystem) const;

    // The storage's bytes (low byte of each unit first, NUL and zero tail included) as
    // upper-case two-digit hexadecimal codes separated by spaces, and back.
    CZEBWCharString getAsciiCodeString() const;
    CZEBBuffer<unsigned char> getBufferFromAsciiCodeString() const;

private:
    struct UnitRange
    {
        const unsigned short* pUnits;
        DWORD ulCount;
    };

    bool assignText(LPCWSTR szText);
    bool assignBuffer(const CZEBBuffer<unsigned short>& buffer);
    bool assignCharacter(WCHAR chCharacter);
    bool assignNumber(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth, bool bPrefix);
    // Runs an assignment for a constructor; throws CZEBBufferInitException when it failed.
    template <class Assign> void construct(Assign&& assign);

    // Replaces the text by the ranges joined, in new storage of exactly their length + 1
    // (invalid when they are empty). The ranges may lie in this string's own storage.
    bool assignUnits(std::initializer_list<UnitRange> ranges);
    void swapStorage(CZEBWCharString& other);
    bool matchesAt(const CZEBWCharString& subString, DWORD ulPos) const;
    // find without argument checks: false, never logged, for any occurrence not present.
    bool locate(const CZEBWCharString& subString, DWORD ulOccurrance, DWORD parseMode,
                DWORD& ulPos) const;
    // The range cutAtOccurrence keeps.
    bool occurrenceRange(const CZEBWCharString& subString, DWORD ulOccurrance, DWORD parseMode,
                         bool bRemoveSubString, DWORD& ulStart, DWORD& ulCount) const;
    bool dropLeft(DWORD ulCount);
    bool dropRight(DWORD ulCount);
    bool allDigits(DWORD ulBase) const;
    bool isMarkedNumber(unsigned short usMarker, DWORD ulBase) const;
    // Where the digits of a number marked for the system lie; false when it is not marked.
    bool markedDigits(NumberSystem asNumberSystem, DWORD& ulStart, DWORD& ulCount) const;
    bool parseDigits(DWORD& ulValue, NumberSystem asNumberSystem) const;
    void writeAsciiCodes(CZEBWCharString& result) const;
    void readAsciiCodes(CZEBBuffer<unsigned char>& bytes) const;
};
