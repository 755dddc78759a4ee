// CZEBIni: typed access to one INI file through the Windows private-profile functions, which
// decide the file's format and encoding (UTF-16LE with a byte-order mark stays so; a new
// file is ANSI). Nothing is cached: every call goes to the file.
//
// Every operation answers false, and leaves its out arguments untouched, after its failure
// has been written to the log; nothing is thrown to the caller. An empty file, section or
// key name is refused with a bad-argument record and no profile call: the profile
// functions would take it as a null pointer, which deletes a whole section (or, for the
// file, means win.ini). The constructor, the destructor and every operation are traced.
#pragma once

#include "zeb_dbllist.h"
#include "zeb_wchar_string.h"

class CZEBIni
{
public:
    // Copies the file name; the file is not opened or examined.
    explicit CZEBIni(const CZEBWCharString& szFileName);
    virtual ~CZEBIni();
    CZEBIni(const CZEBIni&) = delete;
    CZEBIni& operator=(const CZEBIni&) = delete;

    // Makes sure the section exists. An existing section is left exactly as it is; a
    // missing one is added, empty, at the end of the file. A failed write gives a
    // CZEBWritePrivateProfileSectionException record.
    virtual bool createProfileSection(const CZEBWCharString& szSection);

    // The key's value as a number (a stored -1 included). False with a "GetPrivateProfileInt(
    // ) failed." record when the key is missing or holds no text.
    virtual bool getProfileInt(const CZEBWCharString& szSection, const CZEBWCharString& szKeyName,
                               LONG& lValue);

    // The lines of a section ("name=value", comments left out), keyed 0, replacing the list's
    // contents. False, the list untouched, for a missing or empty section. A section longer
    // than one read is read again with a larger buffer, never cut.
    virtual bool getProfileSection(const CZEBWCharString& szSection,
                                   CZEBDblList<CZEBWCharString>& list);

    // The names of all sections, keyed 0, as getProfileSection; false for a file without any.
    virtual bool getProfileSectionNames(CZEBDblList<CZEBWCharString>& list);

    // The key's text (without enclosing quotes). False, without a record, for a missing key,
    // an empty value and a value of 1023 characters or more (it may have been cut short).
    virtual bool getProfileString(const CZEBWCharString& szSection,
                                  const CZEBWCharString& szKeyName, CZEBWCharString& szResult);

    // Writes the decimal text of lValue, as setProfileString does; a failed write is also
    // reported as an unhandled exception.
    virtual bool setProfileInt(const CZEBWCharString& szSection, const CZEBWCharString& szKeyName,
                               LONG lValue);

    // Writes the key (the section is added when missing); an empty value deletes the key. A
    // failed write gives a CZEBWritePrivateProfileStringException record.
    virtual bool setProfileString(const CZEBWCharString& szSection,
                                  const CZEBWCharString& szKeyName, const CZEBWCharString& szValue);

    CZEBWCharString m_fileName;

private:
    // Reads a double-NUL-terminated list with `read` (section lines or section names) into
    // list, growing the buffer while the list comes back cut short.
    template <class Read> bool readList(CZEBDblList<CZEBWCharString>& list, Read&& read);
    // Whether the names are usable; writes a bad-argument record for the first that is not.
    bool checkNames(const CZEBWCharString* pszSection, const CZEBWCharString* pszKeyName) const;
};
