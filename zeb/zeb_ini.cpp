#include "zeb_ini.h"

#include "zeb_guard.h"
#include "zeb_method_trace.h"

#define ZEB_INI_SOURCE ZEB_W(".\\zeb_ini.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBIni");

// One value is read into 1024 units; a result of 1023 may have been cut short.
const DWORD s_cchValue = 1024;
// Lists start at 32767 units and grow while they come back cut short, up to 16M units.
const DWORD s_cchList = 0x7FFF;
const DWORD s_cchListLimit = 0x1000000;

// The profile functions add a section only with a key in it: a missing section is made with
// this key, deleted again at once. A double-NUL-terminated list of one "name=value" string.
const WCHAR s_szPlaceholderName[] = ZEB_W("CZEBIni");
const WCHAR s_szPlaceholderList[] = ZEB_W("CZEBIni=\0");

// The blanks the profile functions trim from names.
bool isProfileBlank(WCHAR ch)
{
    return ch == ZEB_W(' ') || ch == ZEB_W('\t') || ch == ZEB_W('\r') || ch == ZEB_W('\n') ||
           ch == ZEB_W('\v') || ch == ZEB_W('\f') || ch == 0x1A;
}

WCHAR upperAscii(WCHAR ch)
{
    return ch >= ZEB_W('a') && ch <= ZEB_W('z') ? static_cast<WCHAR>(ch - 0x20) : ch;
}

// Whether a listed section name is the section szWanted names, as the profile functions
// match them: szWanted trimmed, without regard to ASCII case.
bool isSameSection(const CZEBWCharString& listed, const CZEBWCharString& szWanted)
{
    LPCWSTR szStart = szWanted.getBuffer();
    LPCWSTR szEnd = szStart + szWanted.getLength();
    while (szStart < szEnd && isProfileBlank(*szStart))
        ++szStart;
    while (szEnd > szStart && isProfileBlank(szEnd[-1]))
        --szEnd;
    const DWORD ulLength = static_cast<DWORD>(szEnd - szStart);
    if (listed.getLength() != ulLength)
        return false;
    LPCWSTR szListed = listed.getBuffer();
    for (DWORD ul = 0; ul < ulLength; ++ul)
    {
        if (upperAscii(szListed[ul]) != upperAscii(szStart[ul]))
            return false;
    }
    return true;
}
} // namespace

CZEBIni::CZEBIni(const CZEBWCharString& szFileName)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBIni"), ZEB_INI_SOURCE, __LINE__);
    // A name that cannot be copied leaves the object without one: every call is refused.
    zebGuardedVoid(zesLastError, ZEB_INI_SOURCE, __LINE__, [&] { m_fileName = szFileName; });
    trace.passFail(true);
}

CZEBIni::~CZEBIni()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBIni"), ZEB_INI_SOURCE, __LINE__);
    zebGuardedVoid(zesLastError, ZEB_INI_SOURCE, __LINE__, [&] { m_fileName.destroy(); });
    trace.passFail(true);
}

bool CZEBIni::checkNames(const CZEBWCharString* pszSection, const CZEBWCharString* pszKeyName) const
{
    LPCWSTR szArgument = nullptr;
    if (m_fileName.getLength() == 0)
        szArgument = ZEB_W("m_fileName");
    else if (pszSection && pszSection->getLength() == 0)
        szArgument = ZEB_W("szSection");
    else if (pszKeyName && pszKeyName->getLength() == 0)
        szArgument = ZEB_W("szKeyName");
    if (!szArgument)
        return true;
    // Written when built.
    CZEBBadArgException refused(szArgument, ZEB_W("the name must not be empty"), ZEB_INI_SOURCE,
                                __LINE__, OUTPUT_TEXT, true, false);
    return false;
}

template <class Read> bool CZEBIni::readList(CZEBDblList<CZEBWCharString>& list, Read&& read)
{
    for (DWORD cchBuffer = s_cchList;; cchBuffer *= 2)
    {
        CZEBBuffer<unsigned short> buffer(cchBuffer);
        const DWORD cchList = read(reinterpret_cast<LPWSTR>(buffer.getBuffer()), cchBuffer);
        if (cchList == 0)
            return false;
        // A list cut short answers size - 2 (a whole list of that length is read again).
        if (cchList >= cchBuffer - 2)
        {
            if (cchBuffer > s_cchListLimit / 2)
                return false;
            continue;
        }
        // Every NUL ends an entry; the entries are gathered apart, so that a failure leaves
        // list as it was.
        CZEBDblList<CZEBWCharString> entries;
        DWORD ulStart = 0;
        for (DWORD ul = 0; ul < cchList; ++ul)
        {
            if (buffer[ul] != 0)
                continue;
            DWORD ulCount = ul - ulStart + 1;
            CZEBBuffer<unsigned short> units;
            if (!buffer.read(units, ulStart, ulCount))
                return false;
            ulStart = ul + 1;
            const CZEBWCharString entry(units);
            if (entry.isValid() && !entries.add(entry, 0))
                return false;
        }
        if (entries.getCount() == 0)
            return false;
        list = entries;
        return list.getCount() == entries.getCount();
    }
}

bool CZEBIni::createProfileSection(const CZEBWCharString& szSection)
{
    ZebTrace trace(s_szClass, ZEB_W("createProfileSection"), ZEB_INI_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_INI_SOURCE, __LINE__,
        [&]
        {
            if (!checkNames(&szSection, nullptr))
                return false;
            // An existing section is left as it is: the profile functions, given no entries
            // for it, would delete it or empty it.
            CZEBDblList<CZEBWCharString> names;
            if (getProfileSectionNames(names) && names.moveFirst())
            {
                CZEBWCharString name;
                do
                {
                    if (names.getCurrent(name) && isSameSection(name, szSection))
                        return true;
                } while (names.moveNext());
            }
            if (!WritePrivateProfileSectionW(szSection.getBuffer(), s_szPlaceholderList,
                                             m_fileName.getBuffer()) ||
                !WritePrivateProfileStringW(szSection.getBuffer(), s_szPlaceholderName, nullptr,
                                            m_fileName.getBuffer()))
            {
                const int nError = static_cast<int>(GetLastError());
                CZEBWritePrivateProfileSectionException failed(
                    szSection.getBuffer(), nError, ZEB_INI_SOURCE, __LINE__, OUTPUT_TEXT, true);
                return false;
            }
            return true;
        }));
}

bool CZEBIni::getProfileInt(const CZEBWCharString& szSection, const CZEBWCharString& szKeyName,
                            LONG& lValue)
{
    ZebTrace trace(s_szClass, ZEB_W("getProfileInt"), ZEB_INI_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_INI_SOURCE, __LINE__,
        [&]
        {
            if (!checkNames(&szSection, &szKeyName))
                return false;
            // Asked with two defaults: a key without a number answers each default, a stored
            // number (-1 too) the same both times.
            const UINT ulFirst = GetPrivateProfileIntW(szSection.getBuffer(), szKeyName.getBuffer(),
                                                       -1, m_fileName.getBuffer());
            const UINT ulSecond = GetPrivateProfileIntW(
                szSection.getBuffer(), szKeyName.getBuffer(), 0, m_fileName.getBuffer());
            if (ulFirst != ulSecond)
            {
                CZEBLogException1 failed(ZEB_W("GetPrivateProfileInt( ) failed."),
                                         static_cast<int>(GetLastError()), ZEB_INI_SOURCE,
                                         __LINE__);
                return false;
            }
            lValue = static_cast<LONG>(ulFirst);
            return true;
        }));
}

bool CZEBIni::getProfileSection(const CZEBWCharString& szSection,
                                CZEBDblList<CZEBWCharString>& list)
{
    ZebTrace trace(s_szClass, ZEB_W("getProfileSection"), ZEB_INI_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_INI_SOURCE, __LINE__,
                                     [&]
                                     {
                                         if (!checkNames(&szSection, nullptr))
                                             return false;
                                         return readList(list,
                                                         [&](LPWSTR szBuffer, DWORD cchBuffer)
                                                         {
                                                             return GetPrivateProfileSectionW(
                                                                 szSection.getBuffer(), szBuffer,
                                                                 cchBuffer, m_fileName.getBuffer());
                                                         });
                                     }));
}

bool CZEBIni::getProfileSectionNames(CZEBDblList<CZEBWCharString>& list)
{
    ZebTrace trace(s_szClass, ZEB_W("getProfileSectionNames"), ZEB_INI_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_INI_SOURCE, __LINE__,
                                     [&]
                                     {
                                         if (!checkNames(nullptr, nullptr))
                                             return false;
                                         return readList(list,
                                                         [&](LPWSTR szBuffer, DWORD cchBuffer) {
                                                             return GetPrivateProfileSectionNamesW(
                                                                 szBuffer, cchBuffer,
                                                                 m_fileName.getBuffer());
                                                         });
                                     }));
}

bool CZEBIni::getProfileString(const CZEBWCharString& szSection, const CZEBWCharString& szKeyName,
                               CZEBWCharString& szResult)
{
    ZebTrace trace(s_szClass, ZEB_W("getProfileString"), ZEB_INI_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_INI_SOURCE, __LINE__,
                                     [&]
                                     {
                                         if (!checkNames(&szSection, &szKeyName))
                                             return false;
                                         // Without a default text a missing key and an empty value
                                         // both answer 0.
                                         CZEBBuffer<unsigned short> buffer(s_cchValue);
                                         const DWORD cchValue = GetPrivateProfileStringW(
                                             szSection.getBuffer(), szKeyName.getBuffer(),
                                             ZEB_W(""),
                                             reinterpret_cast<LPWSTR>(buffer.getBuffer()),
                                             s_cchValue, m_fileName.getBuffer());
                                         if (cchValue == 0 || cchValue >= s_cchValue - 1)
                                             return false;
                                         const CZEBWCharString text(buffer);
                                         if (text.getLength() != cchValue)
                                             return false;
                                         szResult = text;
                                         return szResult == text;
                                     }));
}

bool CZEBIni::setProfileInt(const CZEBWCharString& szSection, const CZEBWCharString& szKeyName,
                            LONG lValue)
{
    ZebTrace trace(s_szClass, ZEB_W("setProfileInt"), ZEB_INI_SOURCE, __LINE__);
    // Its only handler is the catch-all: a failed write is reported as an unhandled
    // exception too.
    return trace.passFail(zebGuardedCatchAll(
        false, zesLastError, ZEB_INI_SOURCE, __LINE__,
        [&]
        {
            if (!checkNames(&szSection, &szKeyName))
                return false;
            const CZEBWCharString text(static_cast<int>(lValue));
            if (!WritePrivateProfileStringW(szSection.getBuffer(), szKeyName.getBuffer(),
                                            text.getBuffer(), m_fileName.getBuffer()))
                throw CZEBWritePrivateProfileStringException(
                    szSection.getBuffer(), szKeyName.getBuffer(), static_cast<int>(GetLastError()),
                    ZEB_INI_SOURCE, __LINE__, OUTPUT_TEXT, true);
            return true;
        }));
}

bool CZEBIni::setProfileString(const CZEBWCharString& szSection, const CZEBWCharString& szKeyName,
                               const CZEBWCharString& szValue)
{
    ZebTrace trace(s_szClass, ZEB_W("setProfileString"), ZEB_INI_SOURCE, __LINE__);
    return trace.passFail(
        zebGuarded(false, zesLastError, ZEB_INI_SOURCE, __LINE__,
                   [&]
                   {
                       if (!checkNames(&szSection, &szKeyName))
                           return false;
                       // An empty value reaches the call as a null pointer, which deletes the key.
                       if (!WritePrivateProfileStringW(szSection.getBuffer(), szKeyName.getBuffer(),
                                                       szValue.getBuffer(), m_fileName.getBuffer()))
                       {
                           const int nError = static_cast<int>(GetLastError());
                           CZEBWritePrivateProfileStringException failed(
                               szSection.getBuffer(), szKeyName.getBuffer(), nError, ZEB_INI_SOURCE,
                               __LINE__, OUTPUT_TEXT, true);
                           return false;
                       }
                       return true;
                   }));
}
