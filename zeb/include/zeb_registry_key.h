// CZEBRegistryKey: one registry key, named by a predefined root, a path below it (without a
// leading backslash), the access mask every open and create uses, and whether a missing key
// is created when it is opened. The object holds the key open only while an operation runs:
// an operation opens the key when it is closed and closes it again when it finishes.
//
// Every operation answers false after its failure has been written to the log (once); out
// arguments are left untouched on failure unless said otherwise. Only the constructor lets
// an exception reach the caller (CZEBRegKeyInitException). Nothing here is traced.
#pragma once

#include "zeb_dbllist.h"
#include "zeb_wchar_string.h"

// Assigns source to target; throws CZEBMemAllocException when the copy is not complete
// (the assignments of strings, buffers and lists log a failure and go on). List records use
// it so that reading a record from a list fails rather than deliver a partial one.
template <class T> void zebAssignWhole(T& target, const T& source)
{
    target = source;
    if (!(target == source))
        throw CZEBMemAllocException(ZEB_W("record"), ZEB_W(".\\zeb_registry_key.h"), __LINE__,
                                    OUTPUT_TEXT, true, false);
}

// One value of a key as the bulk read delivers it: its name, its raw bytes and its type.
class CZEBRegistryValent
{
public:
    // An invalid name, no data and type 0 (CZEBBufferInitException when the data buffer
    // cannot be set up).
    CZEBRegistryValent();
    // A copy of one filled VALENTW entry: ve_valuelen bytes at ve_valueptr.
    explicit CZEBRegistryValent(const VALENTW& valent);
    CZEBRegistryValent(const CZEBRegistryValent& other) = default;
    // Throws when a field cannot be copied (see zebAssignWhole).
    CZEBRegistryValent& operator=(const CZEBRegistryValent& other);

    // Equal types, names and bytes.
    bool operator==(const CZEBRegistryValent& other) const;
    bool operator!=(const CZEBRegistryValent& other) const;

    CZEBWCharString m_szValueName;
    CZEBBuffer<unsigned char> m_data;
    DWORD m_dwType;
};

class CZEBRegistryKey
{
public:
    // Stores everything; the key is closed with a null handle. When the path cannot be
    // copied the failure is written and CZEBRegKeyInitException is thrown to the caller.
    CZEBRegistryKey(HKEY hRootKey, LPCWSTR szKeyPath, REGSAM samDesired, bool bCreate,
                    DWORD dwOptions);
    CZEBRegistryKey(HKEY hRootKey, const CZEBWCharString& szKeyPath, REGSAM samDesired,
                    bool bCreate, DWORD dwOptions);
    // Closes the key when it is open. Virtual: a value object deleted through a key pointer
    // releases its cache too.
    virtual ~CZEBRegistryKey();

    // Closes this key when open, then copies root, access mask, options, create flag and path;
    // the copy is closed with a null handle.
    CZEBRegistryKey& operator=(const CZEBRegistryKey& other);

    // Closes the key when open and keeps the mask for the next open.
    void setAccess(REGSAM samDesired);

    // Opens the key (creating it first when it is missing and the create flag is set). An
    // open that is refused with ERROR_ACCESS_DENIED counts as success: the key exists, its
    // handle is null, and the operations that follow fail on it.
    bool open();
    // Creates the key (or opens an existing one) and closes it again.
    bool create();
    // Closes the key; a closed key only gives a warning (and true).
    bool close();

    // Whether the key opens (created when missing with the create flag set).
    virtual bool exists();
    // Saving a key to a file and restoring it: not available yet, both answer false.
    virtual bool exportKey(const CZEBWCharString& szExportFileName, DWORD ulFormat,
                           bool bDeleteFile);
    virtual bool importKey(const CZEBWCharString& szImportFileName, DWORD ulFlags);

    // Longest subkey name and longest value name in characters without terminator, longest
    // value data in bytes. Each closes the key at its end.
    bool getMaxSubKeyLength(DWORD& ulLength);
    bool getMaxValueLength(DWORD& ulLength);
    bool getMaxValueNameLength(DWORD& ulLength);

    // The subkey at ulIndex as a key object (this key's root, access mask and options; no
    // creation). This key is left open. False at the end of the subkeys.
    bool enumSubKeys(CZEBRegistryKey& subKey, DWORD ulIndex);
    // The names of all subkeys, keyed 1, 2, 3, ... The names gathered stay in the list; the
    // answer is false when an error other than the end of the subkeys ended the walk.
    bool enumSubKeys(CZEBDblList<CZEBWCharString>& names);
    // The names of the named values, keyed 0; true exactly when there is at least one.
    bool enumValueNames(CZEBDblList<CZEBWCharString>& names);
    // The key path (bFullPath) or its last component; false without a backslash.
    bool getName(CZEBWCharString& name, bool bFullPath) const;
    // Every named value with its type and data, keyed 0, 1, 2, ...; false for a key without
    // named values.
    bool queryMultipleValues(CZEBDblList<CZEBRegistryValent>& values);

    HKEY getRootKey() const { return m_hRootKey; }
    const CZEBWCharString& getKeyPath() const { return m_szKeyPath; }
    REGSAM getAccess() const { return m_samDesired; }
    DWORD getOptions() const { return m_dwOptions; }
    bool getCreate() const { return m_bCreate; }
    bool isOpen() const { return m_bOpen; }
    HKEY getHandle() const { return m_hKey; }

protected:
    // Opens the key for one operation when it is closed; closes it at the end of the scope
    // when it is open then, whoever opened it.
    class CZEBOpenScope
    {
    public:
        explicit CZEBOpenScope(CZEBRegistryKey& key) : m_key(key)
        {
            if (!m_key.m_bOpen)
                m_key.open();
        }
        ~CZEBOpenScope()
        {
            if (m_key.m_bOpen)
                m_key.close();
        }
        CZEBOpenScope(const CZEBOpenScope&) = delete;
        CZEBOpenScope& operator=(const CZEBOpenScope&) = delete;
        bool isOpen() const { return m_key.m_bOpen; }

    private:
        CZEBRegistryKey& m_key;
    };

    CZEBWCharString m_szKeyPath;
    REGSAM m_samDesired;
    DWORD m_dwOptions;
    HKEY m_hKey;
    bool m_bCreate;
    bool m_bOpen;
    HKEY m_hRootKey;

private:
    // RegQueryInfoKeyW for one number (the output it names is written).
    bool queryInfo(DWORD* pulMaxSubKeyLen, DWORD* pulMaxValueNameLen, DWORD* pulMaxValueLen,
                   DWORD& ulLength);
    // The name of the subkey at ulIndex of the open key; the Win32 result (errors other than
    // the end of the subkeys are raised and written).
    LONG enumSubKeyName(DWORD ulIndex, DWORD cchMaxName, CZEBWCharString& name);
};

// Copies szSource into target; false when the copy is not complete (an empty source gives an
// invalid string and true).
bool zebCopyText(CZEBWCharString& target, LPCWSTR szSource);
