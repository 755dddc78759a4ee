// CZEBWindowsOSInfo: the running Windows. The version, the service pack and the three flags
// are read once, at construction; the version predicates look only at the stored version,
// while getPlatform, performOSQueryFunction and performPECheck ask the system at every call.
// Every method answers its failure value (false, or 1 for getPlatform) after logging; only
// the constructor throws, CZEBWindowsOSInfoInitNeededException when the version cannot be
// read with either size of the version structure.
#pragma once

#include "zeb_platform.h"

class CZEBWindowsOSInfo
{
public:
    CZEBWindowsOSInfo();
    ~CZEBWindowsOSInfo();

    // 2 when the native processor is 64-bit (IA64, AMD64, IA32 on Win64), else 1.
    DWORD getPlatform();
    // 5.1 <= version < 6.0
    bool isXP();
    // 6.0 <= version < 7.0, so 6.2 (every Windows after 7 without a manifest entry) counts.
    bool isVista();
    // version == 6.1
    bool isWin7();
    // Asks the shell query ulQuery (IsOS) of the system directory's shlwapi.dll. False, with
    // bAnswer untouched, when the library or its export cannot be had.
    bool performOSQueryFunction(DWORD ulQuery, bool& bAnswer);
    // True when the environment variable "ZEBDrive" has a non-empty value.
    bool performPECheck();
    // The version read at construction: major + minor / 10.
    double getVersion() const;

    bool m_bXPOrGreater;
    bool m_bOSQuery37;
    bool m_bWinPE;
    DWORD m_ulServicePack;
    double m_dVersion;
};
