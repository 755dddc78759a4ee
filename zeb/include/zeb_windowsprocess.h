// CZEBWindowsProcess: switches one privilege of an access token on or off, by default the
// current process's own token. The change is made in the token, so it outlives the object;
// nothing is remembered between calls and nothing is restored.
//
// The constructor, the destructor and setPrivilege are traced. setPrivilege answers false
// after its failure has been written to the log; nothing is thrown to the caller.
#pragma once

#include "zeb_wchar_string.h"

class CZEBWindowsProcess
{
public:
    CZEBWindowsProcess();
    ~CZEBWindowsProcess();
    CZEBWindowsProcess(const CZEBWindowsProcess&) = delete;
    CZEBWindowsProcess& operator=(const CZEBWindowsProcess&) = delete;

    // Enables (bEnable true) or disables the privilege named szPrivilegeName, such as
    // "SeBackupPrivilege". A non-null handle in *phToken (it must carry
    // TOKEN_ADJUST_PRIVILEGES) is used and left open; a null handle, or a null phToken, makes
    // the call open the current process's token and close it before returning. Nothing is
    // written through phToken. Enabling a privilege the token does not hold answers false
    // (the adjust record carries ERROR_NOT_ALL_ASSIGNED); disabling one answers true, since
    // the privilege is not enabled afterwards.
    bool setPrivilege(const CZEBWCharString& szPrivilegeName, bool bEnable, HANDLE* phToken);
};
