// CZEBSystemInfo: the machine-wide data folder of one of the library's vendors, the common
// application-data folder of Windows followed by the vendor's folder, created on first use
// (for vendor 0 on Vista and later: C:\ProgramData\Kelbix with a trailing backslash).
//
// getStoragePath answers false after its failure has been written to the log, and leaves
// its out argument untouched then. Construction, destruction and getStoragePath are traced.
#pragma once

#include "zeb_wchar_string.h"

class CZEBSystemInfo
{
public:
    // The vendor: 0 "Kelbix", 1 "Copperfennel".
    explicit CZEBSystemInfo(DWORD ulVendor);
    ~CZEBSystemInfo();

    // The vendor's folder with its trailing backslash; the vendor folder itself (the last
    // level only) is created when it is missing. False when the shell does not answer S_OK
    // for the common application-data folder (a CZEBSIgetStoragePathException record), when
    // the vendor index is not 0 or 1 (a bad-argument record; nothing is asked or created),
    // or when the folder does not exist afterwards.
    virtual bool getStoragePath(CZEBWCharString& szPath);

    DWORD m_ulVendor;
};
