#include "zeb_directory.h"

#include "zeb_guard.h"
#include "zeb_method_trace.h"

#define ZEB_DIRECTORY_SOURCE ZEB_W(".\\zeb_directory.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBDirectory");

// Holds a search handle until the end of the scope.
class CZEBFindHandle
{
public:
    explicit CZEBFindHandle(HANDLE hFind) : m_hFind(hFind) {}
    ~CZEBFindHandle()
    {
        if (m_hFind != INVALID_HANDLE_VALUE)
            FindClose(m_hFind);
    }
    CZEBFindHandle(const CZEBFindHandle&) = delete;
    CZEBFindHandle& operator=(const CZEBFindHandle&) = delete;

private:
    HANDLE m_hFind;
};
} // namespace

CZEBDirectory::CZEBDirectory(const CZEBWCharString& szName)
{
    ZebTrace trace(s_szClass, ZEB_W("Constructor"), ZEB_DIRECTORY_SOURCE, __LINE__);
    zebGuardedVoid(zesLastError, ZEB_DIRECTORY_SOURCE, __LINE__,
                   [&]
                   {
                       const bool bSet = setDirectoryName(szName);
                       trace.passFail(bSet);
                       // Written when built; construction completes all the same.
                       if (!bSet)
                       {
                           CZEBDirectoryInitException failed(ZEB_DIRECTORY_SOURCE, __LINE__);
                       }
                   });
}

CZEBDirectory::~CZEBDirectory()
{
    ZebTrace trace(s_szClass, ZEB_W("Destructor"), ZEB_DIRECTORY_SOURCE, __LINE__);
    zebGuardedVoid(zesLastError, ZEB_DIRECTORY_SOURCE, __LINE__, [&] { m_name.destroy(); });
    trace.passFail(true);
}

bool CZEBDirectory::setDirectoryName(const CZEBWCharString& szName)
{
    ZebTrace trace(s_szClass, ZEB_W("setDirectoryName"), ZEB_DIRECTORY_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_DIRECTORY_SOURCE, __LINE__,
                                     [&]
                                     {
                                         m_name = szName;
                                         return m_name == szName;
                                     }));
}

bool CZEBDirectory::isValidWindowsDirectory(const CZEBWCharString& szPath)
{
    ZebTrace trace(s_szClass, ZEB_W("isValidWindowsDirectory"), ZEB_DIRECTORY_SOURCE, __LINE__);
    return trace.passFail(
        zebGuarded(false, zesLastError, ZEB_DIRECTORY_SOURCE, __LINE__,
                   [&]
                   {
                       // The search pattern: a drive root (C:\) or a bare drive (C:) lists its
                       // entries, a path with a trailing backslash the folder's entries, any other
                       // path finds the folder's own entry. The element access refuses paths of
                       // fewer than two characters (an index error, written when raised).
                       CZEBWCharString pattern(szPath);
                       const DWORD ulLength = pattern.getLength();
                       const WCHAR chLast = static_cast<WCHAR>(pattern[ulLength - 1]);
                       const WCHAR chNextToLast = static_cast<WCHAR>(pattern[ulLength - 2]);
                       CZEBWCharString suffix;
                       if (chNextToLast == ZEB_W(':'))
                       {
                           if (chLast == ZEB_W('\\'))
                               suffix = ZEB_W("*");
                       }
                       else if (chLast == ZEB_W(':'))
                           suffix = ZEB_W("\\*");
                       else if (chLast == ZEB_W('\\'))
                           suffix = ZEB_W("*");
                       if (suffix.getLength() != 0)
                       {
                           pattern += suffix;
                           if (pattern.getLength() != ulLength + suffix.getLength())
                               return false;
                       }
                       WIN32_FIND_DATAW findData;
                       const CZEBFindHandle search(FindFirstFileW(pattern.getBuffer(), &findData));
                       // The listing does not decide: an empty drive root lists nothing and is
                       // still a folder. Its attributes do.
                       const DWORD ulAttributes = GetFileAttributesW(szPath.getBuffer());
                       return ulAttributes != INVALID_FILE_ATTRIBUTES &&
                              (ulAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                   }));
}

bool CZEBDirectory::isValidDirectory()
{
    ZebTrace trace(s_szClass, ZEB_W("isValidDirectory"), ZEB_DIRECTORY_SOURCE, __LINE__);
    return trace.passFail(isValidWindowsDirectory(m_name));
}

bool CZEBDirectory::createDirectory()
{
    return zebGuarded(
        false, zesLastError, ZEB_DIRECTORY_SOURCE, __LINE__,
        [&]
        {
            if (isValidDirectory() || m_name.getLength() == 0)
                return false;
            CZEBWCharString path(m_name);
            const CZEBWCharString backslash(ZEB_W("\\"));
            if (!path.endsWith(backslash))
            {
                path += backslash;
                if (path.getLength() != m_name.getLength() + 1)
                    return false;
            }
            // Each level is the path up to and including its n-th backslash.
            bool bCreated = false;
            CZEBWCharString level;
            for (DWORD ulLevel = 1; ulLevel <= path.countOccurrences(backslash); ++ulLevel)
            {
                if (!path.parse(level, backslash, ulLevel, CZEBWCharString::pmForward, true))
                    return false;
                CZEBDirectory directory(level);
                if (directory.isValidDirectory())
                    continue;
                if (!CreateDirectoryW(level.getBuffer(), nullptr))
                    return false;
                bCreated = true;
            }
            return bCreated;
        });
}
