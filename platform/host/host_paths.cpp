#include "host_paths.h"
#include "host_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zebhost
{
namespace
{
// Error codes the file functions report that the library itself never names.
constexpr DWORD kErrorTooManyOpenFiles = 4;
constexpr DWORD kErrorGenFailure = 31;
constexpr DWORD kErrorBadDevType = 66;
constexpr DWORD kErrorDiskFull = 112;
constexpr DWORD kErrorFilenameExcedRange = 206;
// The longest name a directory entry can have, in UTF-16 code units.
constexpr size_t kMaxNameLength = 255;

bool isSeparator(WCHAR c)
{
    return c == u'\\' || c == u'/';
}

// Characters Win32 refuses in a file name.
bool isInvalidNameUnit(WCHAR c)
{
    return c < 0x20 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

bool isDriveLetter(WCHAR c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The host's current directory; false with errno set when it has none.
bool hostCurrentDirectory(std::string* out)
{
    std::vector<char> buffer(PATH_MAX);
    while (!getcwd(buffer.data(), buffer.size()))
    {
        if (errno != ERANGE)
            return false;
        buffer.resize(buffer.size() * 2);
    }
    *out = buffer.data();
    return true;
}

std::string currentDirectory()
{
    std::string path;
    return hostCurrentDirectory(&path) ? path : "/";
}

std::string stripTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string driveC()
{
    return hostPrefix() + "/drive_c";
}

// The text after `root` when `path` is `root` itself or lies below it.
bool below(const std::string& path, const std::string& root, std::string* rest)
{
    if (path.compare(0, root.size(), root) != 0)
        return false;
    if (path.size() == root.size())
    {
        rest->clear();
        return true;
    }
    if (path[root.size()] != '/')
        return false;
    *rest = path.substr(root.size() + 1);
    return true;
}

// Whether the directory `dir` ("" for the root) holds an entry called `name`, the same
// or differing only in case; *spelled receives the entry's own spelling, or the name as
// given when there is none.
bool findEntry(const std::string& dir, const std::u16string& name, std::string* spelled)
{
    *spelled = utf16ToUtf8(name);
    struct stat st;
    if (lstat((dir + "/" + *spelled).c_str(), &st) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    DIR* entries = opendir(dir.empty() ? "/" : dir.c_str());
    if (!entries)
        return false;
    bool found = false;
    while (const dirent* entry = readdir(entries))
    {
        if (equalsNoCase(utf8ToUtf16(entry->d_name), name))
        {
            *spelled = entry->d_name;
            found = true;
            break;
        }
    }
    closedir(entries);
    return found;
}

// Appends the names to the host path, each spelled as the existing entry it names.
bool appendNames(const std::vector<std::u16string>& names, std::string* path, DWORD* error)
{
    bool found = true; // every name so far exists
    for (size_t i = 0; i < names.size(); ++i)
    {
        std::string spelled;
        if (names[i].size() > kMaxNameLength)
        {
            const bool last = i + 1 == names.size();
            *error = last && found ? notFoundError(*path + "/x") : ERROR_PATH_NOT_FOUND;
            return false;
        }
        if (found)
            found = findEntry(*path, names[i], &spelled);
        else
            spelled = utf16ToUtf8(names[i]);
        *path += "/" + spelled;
    }
    return true;
}

std::u16string withBackslashes(const std::string& hostPart)
{
    std::u16string out = utf8ToUtf16(hostPart);
    for (auto& c : out)
        if (c == u'/')
            c = u'\\';
    return out;
}
} // namespace

std::string hostPrefix()
{
    std::string prefix = environment("ZEB_HOST_PREFIX");
    if (prefix.empty())
    {
        std::string home = environment("HOME");
        if (home.empty())
        {
            const passwd* entry = getpwuid(getuid());
            home = entry && entry->pw_dir ? entry->pw_dir : "/tmp";
        }
        prefix = stripTrailingSlashes(home) + "/.zeb-host";
    }
    if (prefix[0] != '/')
        prefix = currentDirectory() + "/" + prefix;
    return stripTrailingSlashes(prefix);
}

bool toHostPath(LPCWSTR windowsPath, HostPath* out, DWORD* error)
{
    if (!windowsPath || !windowsPath[0])
    {
        *error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    std::u16string s(windowsPath, wideLength(windowsPath));
    for (auto& c : s)
        if (c == u'/')
            c = u'\\';
    // The Win32 namespace prefixes "\\?\" and "\\.\" name the same files here.
    if (s.size() >= 4 && s[0] == u'\\' && s[1] == u'\\' && (s[2] == u'?' || s[2] == u'.') &&
        s[3] == u'\\')
        s.erase(0, 4);
    else if (s.size() >= 2 && s[0] == u'\\' && s[1] == u'\\')
    {
        *error = kErrorBadDevType;
        return false;
    }
    if (s.empty())
    {
        *error = ERROR_PATH_NOT_FOUND;
        return false;
    }

    // Make it absolute: drive letter plus a rest that starts with a backslash.
    const std::u16string cwd = toWindowsPath(currentDirectory());
    const WCHAR cwdDrive = cwd[0];
    const std::u16string cwdRest = cwd.substr(2);
    WCHAR drive = cwdDrive;
    std::u16string rest;
    if (s.size() >= 2 && s[1] == u':' && isDriveLetter(s[0]))
    {
        drive = upperUnit(s[0]);
        rest = s.substr(2);
        // Drive-relative: the current directory when it is on that drive, else its root.
        if (rest.empty() || rest[0] != u'\\')
            rest = (drive == cwdDrive ? cwdRest : std::u16string()) + u"\\" + rest;
    }
    else if (s[0] == u'\\')
        rest = s;
    else
        rest = cwdRest + u"\\" + s;

    for (WCHAR c : rest)
    {
        if (isInvalidNameUnit(c))
        {
            *error = ERROR_INVALID_NAME;
            return false;
        }
    }

    // Resolve "." and ".." by name and drop trailing dots and spaces, as Win32 does.
    std::vector<std::u16string> names;
    size_t start = 0;
    while (start <= rest.size())
    {
        size_t end = start;
        while (end < rest.size() && !isSeparator(rest[end]))
            ++end;
        std::u16string name = rest.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == u".")
            continue;
        if (name == u"..")
        {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        while (!name.empty() && (name.back() == u'.' || name.back() == u' '))
            name.pop_back();
        if (!name.empty())
            names.push_back(name);
    }

    std::string path;
    if (drive == u'C')
    {
        path = driveC();
        makeDirectories(path);
    }
    else if (drive != u'Z')
    {
        // An unknown drive behaves like an empty root that cannot be entered.
        *error = names.size() == 1 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return false;
    }
    if (!appendNames(names, &path, error))
        return false;
    if (path.empty())
        path = "/";
    out->path = path;
    out->trailingSeparator = !names.empty() && s.back() == u'\\';
    return true;
}

void makeDirectories(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i)
    {
        if (i == path.size() || path[i] == '/')
            mkdir(path.substr(0, i).c_str(), 0777);
    }
}

bool currentWindowsDirectory(std::u16string* out, DWORD* error)
{
    std::string path;
    if (!hostCurrentDirectory(&path))
    {
        *error = errnoToWin32(errno);
        return false;
    }
    *out = toWindowsPath(path);
    return true;
}

std::u16string toWindowsPath(const std::string& hostPath)
{
    std::string path = hostPath;
    if (path.empty() || path[0] != '/')
        path = currentDirectory() + "/" + path;
    path = stripTrailingSlashes(path);

    std::string rest;
    const std::string root = driveC();
    bool onC = below(path, root, &rest);
    if (!onC)
    {
        // The executable path and the current directory come with symbolic links resolved.
        char resolved[PATH_MAX];
        if (realpath(root.c_str(), resolved))
            onC = below(path, resolved, &rest);
    }
    if (onC)
        return u"C:\\" + withBackslashes(rest);
    if (path == "/")
        return u"Z:\\";
    return u"Z:" + withBackslashes(path);
}

DWORD errnoToWin32(int error)
{
    switch (error)
    {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    default:
        return kErrorGenFailure;
    }
}

DWORD notFoundError(const std::string& hostPath)
{
    const size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos || hostPath == "/")
        return ERROR_PATH_NOT_FOUND;
    const std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
    struct stat st;
    if (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return ERROR_FILE_NOT_FOUND;
    return ERROR_PATH_NOT_FOUND;
}
} // namespace zebhost
