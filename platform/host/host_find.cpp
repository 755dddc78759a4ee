// Directory search of the host Win32 subset: FindFirstFileW, FindNextFileW and FindClose.
//
// A search takes a snapshot of the matching entries when it starts; FindNextFileW walks it.
// Names are matched like Windows matches them (without regard to case), although the host
// file system itself tells case apart.

#include "host_paths.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace
{
// Seconds between 1601-01-01 (the FILETIME origin) and 1970-01-01.
constexpr uint64_t kEpochDifference = 11644473600ull;

struct Search
{
    std::vector<WIN32_FIND_DATAW> matches;
    size_t next;
};

struct SearchTable
{
    std::mutex lock;
    std::map<ULONG_PTR, Search> searches;
    // Odd values: never equal to a file handle of host_files, whose values are multiples of 4.
    ULONG_PTR nextHandle = 0x40000001;
};

SearchTable& table()
{
    static SearchTable t;
    return t;
}

HANDLE failSearch(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

bool isSeparator(WCHAR c)
{
    return c == u'\\' || c == u'/';
}

// Characters that cannot stand in a name pattern (the wildcards * and ? can).
bool isInvalidPatternUnit(WCHAR c)
{
    return c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u':';
}

// Whether name matches pattern: * stands for any run of characters, ? for one.
bool matches(const std::u16string& pattern, const std::u16string& name)
{
    if (pattern == u"*.*")
        return true;
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::u16string::npos;
    size_t starN = 0;
    while (n < name.size())
    {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || zebhost::upperUnit(pattern[p]) == zebhost::upperUnit(name[n])))
        {
            ++p;
            ++n;
        }
        else if (p < pattern.size() && pattern[p] == u'*')
        {
            starP = p++;
            starN = n;
        }
        else if (starP != std::u16string::npos)
        {
            p = starP + 1;
            n = ++starN;
        }
        else
            return false;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

FILETIME toFileTime(const struct timespec& time)
{
    const uint64_t ticks = (static_cast<uint64_t>(time.tv_sec) + kEpochDifference) * 10000000ull +
                           static_cast<uint64_t>(time.tv_nsec) / 100;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

// The find data of one entry; false when the name does not fit the structure.
bool describe(const std::u16string& name, const std::string& hostPath, WIN32_FIND_DATAW* out)
{
    if (name.size() >= MAX_PATH)
        return false;
    struct stat st;
    if (stat(hostPath.c_str(), &st) != 0 && lstat(hostPath.c_str(), &st) != 0)
        return false;
    std::memset(out, 0, sizeof(*out));
    // The same attributes GetFileAttributesW reports.
    if (S_ISDIR(st.st_mode))
        out->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    else
    {
        out->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            out->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        out->nFileSizeHigh = static_cast<DWORD>(size >> 32);
        out->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
    }
    out->ftCreationTime = toFileTime(st.st_mtim);
    out->ftLastAccessTime = toFileTime(st.st_atim);
    out->ftLastWriteTime = toFileTime(st.st_mtim);
    std::copy(name.begin(), name.end(), out->cFileName);
    return true;
}

// Whether a host folder is the root of a drive (C: is the prefix's drive_c, Z: the host root).
bool isDriveRoot(const std::string& hostPath)
{
    if (hostPath == "/")
        return true;
    const std::string driveC = zebhost::hostPrefix() + "/drive_c";
    if (hostPath == driveC)
        return true;
    char resolvedRoot[PATH_MAX];
    char resolvedPath[PATH_MAX];
    return realpath(driveC.c_str(), resolvedRoot) && realpath(hostPath.c_str(), resolvedPath) &&
           std::strcmp(resolvedRoot, resolvedPath) == 0;
}

// The entries of a folder that match the pattern, in the order a search returns them.
std::vector<WIN32_FIND_DATAW> listMatches(const std::string& folder, const std::u16string& pattern)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (const dirent* entry = readdir(dir))
        {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<WIN32_FIND_DATAW> found;
    WIN32_FIND_DATAW data;
    if (!isDriveRoot(folder))
    {
        const std::string parent = folder.substr(0, folder.find_last_of('/'));
        if (matches(pattern, u".") && describe(u".", folder, &data))
            found.push_back(data);
        if (matches(pattern, u"..") && describe(u"..", parent.empty() ? "/" : parent, &data))
            found.push_back(data);
    }
    for (const std::string& name : names)
    {
        const std::u16string wideName = zebhost::utf8ToUtf16(name);
        const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        if (matches(pattern, wideName) && describe(wideName, path, &data))
            found.push_back(data);
    }
    return found;
}
} // namespace

HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("FindFirstFileW", &error))
        return failSearch(error);
    if (!lpFindFileData)
        return failSearch(ERROR_INVALID_PARAMETER);
    const std::u16string path(lpFileName ? lpFileName : u"", zebhost::wideLength(lpFileName));
    if (path.empty())
        return failSearch(ERROR_PATH_NOT_FOUND);
    // The folder (with its trailing separator) and the name pattern after it.
    size_t split = path.size();
    while (split > 0 && !isSeparator(path[split - 1]))
        --split;
    std::u16string folder = path.substr(0, split);
    std::u16string pattern = path.substr(split);
    if (folder.empty())
    {
        // "C:name" searches the current folder of the drive; a bare "C:" matches nothing.
        if (pattern.size() >= 2 && pattern[1] == u':')
        {
            folder = pattern.substr(0, 2);
            pattern.erase(0, 2);
        }
        else
            folder.assign(1, u'.'); // (assigning a literal trips a false -Wrestrict in GCC 12)
    }
    if (pattern.empty())
        return failSearch(ERROR_FILE_NOT_FOUND);
    for (WCHAR c : pattern)
    {
        if (isInvalidPatternUnit(c))
            return failSearch(ERROR_INVALID_NAME);
    }
    zebhost::HostPath target;
    if (!zebhost::toHostPath(folder.c_str(), &target, &error))
        return failSearch(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    struct stat st;
    if (stat(target.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return failSearch(ERROR_PATH_NOT_FOUND);

    Search search{listMatches(target.path, pattern), 1};
    if (search.matches.empty())
        return failSearch(ERROR_FILE_NOT_FOUND);
    *lpFindFileData = search.matches[0];
    SearchTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    const ULONG_PTR value = t.nextHandle;
    t.nextHandle += 2;
    t.searches.emplace(value, std::move(search));
    return reinterpret_cast<HANDLE>(value);
}

BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData)
{
    SearchTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.searches.find(reinterpret_cast<ULONG_PTR>(hFindFile));
    if (it == t.searches.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Search& search = it->second;
    if (search.next >= search.matches.size())
    {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    if (!lpFindFileData)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpFindFileData = search.matches[search.next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile)
{
    SearchTable& t = table();
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.searches.erase(reinterpret_cast<ULONG_PTR>(hFindFile)) == 0)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
