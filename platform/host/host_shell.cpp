// Shell folders of the host Win32 subset: SHGetFolderPathW for the one folder the library
// asks for, the common application-data folder, where Wine places it.

#include "host_paths.h"
#include "host_test_hooks.h"

#include <sys/stat.h>

namespace
{
const WCHAR s_szCommonAppData[] = u"C:\\ProgramData";
}

HRESULT WINAPI SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD dwFlags, LPWSTR pszPath)
{
    DWORD error = 0;
    // A test may make the call answer any HRESULT, S_FALSE included.
    if (zebhost::injectedFailure("SHGetFolderPathW", &error))
        return static_cast<HRESULT>(error);
    if (!pszPath || (dwFlags != SHGFP_TYPE_CURRENT && dwFlags != SHGFP_TYPE_DEFAULT))
        return E_INVALIDARG;
    if ((csidl & ~CSIDL_FLAG_CREATE) != CSIDL_COMMON_APPDATA)
        return E_INVALIDARG;
    // Every prefix has the folder; a fresh host prefix gets it on first use.
    zebhost::HostPath target;
    struct stat st;
    if (!zebhost::toHostPath(s_szCommonAppData, &target, &error))
        return E_FAIL;
    mkdir(target.path.c_str(), 0777);
    if (stat(target.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return E_FAIL;
    size_t i = 0;
    for (; s_szCommonAppData[i]; ++i)
        pszPath[i] = s_szCommonAppData[i];
    pszPath[i] = 0;
    return S_OK;
}
