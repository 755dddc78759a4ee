// File functions, the handle table and the module file name of the host Win32 subset.
//
// Files are opened on the host file system through the path mapping of host_paths.
// Share modes are enforced between the open handles of this process (other processes
// are not consulted). A file is read-only when none of its write permission bits is
// set; a write open of such a file is refused even for root, as Windows refuses it.
// Deleting a file that still has handles open (all of them sharing delete) leaves the
// name in place until the last handle is closed, as on Windows.

#include "host_paths.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <cerrno>
#include <climits>
#include <map>
#include <memory>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
// Access bits beyond the generic ones that ask for reading or writing data.
constexpr DWORD kGenericAll = 0x10000000;
constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kErrorNoAccess = 998;

struct OpenFile
{
    int fd;
    dev_t device;
    ino_t inode;
    bool read;
    bool write;
    DWORD share;
    bool directory;
};

struct HandleEntry
{
    std::unique_ptr<OpenFile> file; // a file or directory handle
    std::function<void()> onClose;  // a handle registered by another host module
};

struct FileTable
{
    std::mutex lock;
    std::map<ULONG_PTR, HandleEntry> handles;
    // Handle values are never reused, so a stale handle stays invalid.
    ULONG_PTR nextHandle = 0x1000;
    // Files deleted while open: the name goes when the last handle closes.
    std::map<std::pair<dev_t, ino_t>, std::string> pendingDeletes;
};

FileTable& table()
{
    static FileTable t;
    return t;
}

HANDLE addHandle(HandleEntry entry)
{
    FileTable& t = table();
    const ULONG_PTR value = t.nextHandle;
    t.nextHandle += 4;
    t.handles.emplace(value, std::move(entry));
    return reinterpret_cast<HANDLE>(value);
}

// The open file behind a handle, or null (with ERROR_INVALID_HANDLE set). Caller holds the lock.
OpenFile* lookup(HANDLE h)
{
    FileTable& t = table();
    auto it = t.handles.find(reinterpret_cast<ULONG_PTR>(h));
    if (it == t.handles.end() || !it->second.file)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second.file.get();
}

bool wantsRead(DWORD access)
{
    return (access & (GENERIC_READ | kGenericAll | kFileReadData)) != 0;
}

bool wantsWrite(DWORD access)
{
    return (access & (GENERIC_WRITE | kGenericAll | kFileWriteData | kFileAppendData)) != 0;
}

bool isReadOnly(const struct stat& st)
{
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Whether a new open with this access and share mode collides with a handle already open
// on the same file. Handles without data access take no part. Caller holds the lock.
bool sharingConflict(dev_t device, ino_t inode, bool read, bool write, DWORD share)
{
    if (!read && !write)
        return false;
    for (const auto& item : table().handles)
    {
        const OpenFile* f = item.second.file.get();
        if (!f || f->directory || f->device != device || f->inode != inode)
            continue;
        if (!f->read && !f->write)
            continue;
        if ((read && !(f->share & FILE_SHARE_READ)) || (write && !(f->share & FILE_SHARE_WRITE)) ||
            (f->read && !(share & FILE_SHARE_READ)) || (f->write && !(share & FILE_SHARE_WRITE)))
            return true;
    }
    return false;
}

bool hasHandles(dev_t device, ino_t inode)
{
    for (const auto& item : table().handles)
    {
        const OpenFile* f = item.second.file.get();
        if (f && f->device == device && f->inode == inode)
            return true;
    }
    return false;
}

// Removes the name of a file deleted while open once its last handle is gone.
void finishPendingDelete(dev_t device, ino_t inode)
{
    FileTable& t = table();
    auto it = t.pendingDeletes.find({device, inode});
    if (it == t.pendingDeletes.end() || hasHandles(device, inode))
        return;
    struct stat st;
    if (stat(it->second.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode)
        unlink(it->second.c_str());
    t.pendingDeletes.erase(it);
}

HANDLE failOpen(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// The start the path functions share: an injected failure, then the Windows path mapped to
// the host. False, with the last error set, when the call cannot go on.
bool resolveTarget(const char* szFunction, LPCWSTR lpPath, zebhost::HostPath* pTarget)
{
    DWORD error = 0;
    if (zebhost::injectedFailure(szFunction, &error) ||
        !zebhost::toHostPath(lpPath, pTarget, &error))
    {
        SetLastError(error);
        return false;
    }
    return true;
}

DWORD failAttributes(DWORD error)
{
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
}

// The error for a path that stat() could not find.
DWORD lookupError(const std::string& path, int error)
{
    return error == ENOENT ? zebhost::notFoundError(path) : zebhost::errnoToWin32(error);
}

HANDLE registerFile(int fd, bool read, bool write, DWORD share, bool directory)
{
    struct stat st;
    fstat(fd, &st);
    HandleEntry entry;
    entry.file.reset(new OpenFile{fd, st.st_dev, st.st_ino, read, write, share, directory});
    return addHandle(std::move(entry));
}

std::string executablePath()
{
    std::vector<char> buffer(PATH_MAX);
    for (;;)
    {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return std::string();
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}
} // namespace

// The start of the program image, provided by the linker; it serves as the module handle.
extern "C" char __executable_start;

namespace zebhost
{
HANDLE registerHandle(std::function<void()> onClose)
{
    std::lock_guard<std::mutex> guard(table().lock);
    HandleEntry entry;
    entry.onClose = std::move(onClose);
    return addHandle(std::move(entry));
}
} // namespace zebhost

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("CreateFileW", &error))
        return failOpen(error);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        return failOpen(ERROR_INVALID_PARAMETER);
    zebhost::HostPath target;
    if (!zebhost::toHostPath(lpFileName, &target, &error))
        return failOpen(error);
    const char* path = target.path.c_str();
    const bool read = wantsRead(dwDesiredAccess);
    const bool write = wantsWrite(dwDesiredAccess);
    const bool truncate =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
    const bool reportsExisting =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    const int openMode = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;

    std::lock_guard<std::mutex> guard(table().lock);
    struct stat st;
    if (stat(path, &st) == 0)
    {
        if (dwCreationDisposition == CREATE_NEW)
            return failOpen(ERROR_FILE_EXISTS);
        if (S_ISDIR(st.st_mode))
        {
            // Directories open only for reading their attributes, with backup semantics.
            if (!(dwFlagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || write || truncate)
                return failOpen(ERROR_ACCESS_DENIED);
            const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                return failOpen(zebhost::errnoToWin32(errno));
            HANDLE h = registerFile(fd, false, false, dwShareMode, true);
            SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
            return h;
        }
        if (target.trailingSeparator)
            return failOpen(ERROR_INVALID_NAME);
        if (isReadOnly(st) && (write || truncate))
            return failOpen(ERROR_ACCESS_DENIED);
        if (sharingConflict(st.st_dev, st.st_ino, read, write, dwShareMode))
            return failOpen(ERROR_SHARING_VIOLATION);
        int fd = open(path, openMode | O_CLOEXEC);
        if (fd < 0 && !read && !write && errno == EACCES)
            fd = open(path, O_PATH | O_CLOEXEC);
        if (fd < 0)
            return failOpen(zebhost::errnoToWin32(errno));
        if (truncate && (write ? ftruncate(fd, 0) : ::truncate(path, 0)) != 0)
        {
            const DWORD truncateError = zebhost::errnoToWin32(errno);
            close(fd);
            return failOpen(truncateError);
        }
        HANDLE h = registerFile(fd, read, write, dwShareMode, false);
        SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return h;
    }
    if (errno != ENOENT)
        return failOpen(zebhost::errnoToWin32(errno));
    const DWORD missing = zebhost::notFoundError(target.path);
    if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING ||
        missing == ERROR_PATH_NOT_FOUND)
        return failOpen(missing);
    if (target.trailingSeparator)
        return failOpen(ERROR_INVALID_NAME);
    const mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int fd = open(path, openMode | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return failOpen(errno == EEXIST ? ERROR_FILE_EXISTS : zebhost::errnoToWin32(errno));
    HANDLE h = registerFile(fd, read, write, dwShareMode, false);
    SetLastError(ERROR_SUCCESS);
    return h;
}

namespace
{
// What ReadFile and WriteFile share: the checks, and a loop over read(2) or write(2) that
// carries on after interruptions. A read stops at the end of the file with fewer bytes.
BOOL transfer(const char* szFunction, HANDLE hFile, bool bWrite, void* pData, DWORD cbData,
              LPDWORD pcbDone, LPOVERLAPPED lpOverlapped)
{
    if (pcbDone)
        *pcbDone = 0;
    DWORD error = 0;
    if (zebhost::injectedFailure(szFunction, &error))
        return fail(error);
    std::lock_guard<std::mutex> guard(table().lock);
    const OpenFile* f = lookup(hFile);
    if (!f)
        return FALSE;
    if (!(bWrite ? f->write : f->read))
        return fail(ERROR_ACCESS_DENIED);
    if (lpOverlapped)
        return fail(ERROR_INVALID_PARAMETER);
    if (!pData && cbData)
        return fail(kErrorNoAccess);
    char* data = static_cast<char*>(pData);
    DWORD done = 0;
    while (done < cbData)
    {
        const ssize_t n = bWrite ? write(f->fd, data + done, cbData - done)
                                 : read(f->fd, data + done, cbData - done);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            if (pcbDone)
                *pcbDone = done;
            return fail(zebhost::errnoToWin32(errno));
        }
        if (n == 0)
            break;
        done += static_cast<DWORD>(n);
    }
    if (pcbDone)
        *pcbDone = done;
    return TRUE;
}
} // namespace

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped)
{
    return transfer("WriteFile", hFile, true, const_cast<void*>(lpBuffer), nNumberOfBytesToWrite,
                    lpNumberOfBytesWritten, lpOverlapped);
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    return transfer("ReadFile", hFile, false, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                    lpOverlapped);
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("SetFilePointer", &error))
    {
        SetLastError(error);
        return INVALID_SET_FILE_POINTER;
    }
    std::lock_guard<std::mutex> guard(table().lock);
    const OpenFile* f = lookup(hFile);
    if (!f)
        return INVALID_SET_FILE_POINTER;
    // Without a high part the distance is a signed 32-bit value.
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh)
        distance = static_cast<int64_t>(
            (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
            static_cast<uint32_t>(lDistanceToMove));
    int64_t origin = 0;
    if (dwMoveMethod == FILE_CURRENT)
        origin = lseek(f->fd, 0, SEEK_CUR);
    else if (dwMoveMethod == FILE_END)
    {
        struct stat st;
        origin = fstat(f->fd, &st) == 0 ? st.st_size : -1;
    }
    else if (dwMoveMethod != FILE_BEGIN)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (origin < 0)
    {
        SetLastError(zebhost::errnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
    }
    const int64_t position = origin + distance;
    if (position < 0)
    {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!lpDistanceToMoveHigh && position > 0xFFFFFFFE)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(f->fd, position, SEEK_SET) < 0)
    {
        SetLastError(zebhost::errnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    return static_cast<DWORD>(position & 0xFFFFFFFF);
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("GetFileSize", &error))
    {
        SetLastError(error);
        return INVALID_FILE_SIZE;
    }
    std::lock_guard<std::mutex> guard(table().lock);
    const OpenFile* f = lookup(hFile);
    if (!f)
        return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(f->fd, &st) != 0)
    {
        SetLastError(zebhost::errnoToWin32(errno));
        return INVALID_FILE_SIZE;
    }
    const uint64_t size = f->directory ? 0 : static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh)
        *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size & 0xFFFFFFFF);
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("CloseHandle", &error))
        return fail(error);
    // The pseudo handle of the current process: closing it does nothing.
    if (hObject == INVALID_HANDLE_VALUE)
        return TRUE;
    std::function<void()> onClose;
    {
        std::lock_guard<std::mutex> guard(table().lock);
        FileTable& t = table();
        auto it = t.handles.find(reinterpret_cast<ULONG_PTR>(hObject));
        if (it == t.handles.end())
            return fail(ERROR_INVALID_HANDLE);
        std::unique_ptr<OpenFile> file = std::move(it->second.file);
        onClose = std::move(it->second.onClose);
        t.handles.erase(it);
        if (file)
        {
            close(file->fd);
            finishPendingDelete(file->device, file->inode);
        }
    }
    if (onClose)
        onClose();
    return TRUE;
}

BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES)
{
    zebhost::HostPath target;
    if (!resolveTarget("CreateDirectoryW", lpPathName, &target))
        return FALSE;
    // Only the last level is created.
    if (mkdir(target.path.c_str(), 0777) != 0)
    {
        if (errno == EEXIST)
            return fail(ERROR_ALREADY_EXISTS);
        return fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : zebhost::errnoToWin32(errno));
    }
    return TRUE;
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName)
{
    zebhost::HostPath target;
    if (!resolveTarget("RemoveDirectoryW", lpPathName, &target))
        return FALSE;
    const char* path = target.path.c_str();
    struct stat st;
    if (lstat(path, &st) != 0)
        return fail(lookupError(target.path, errno));
    if (!S_ISDIR(st.st_mode))
        return fail(ERROR_DIRECTORY);
    if (rmdir(path) != 0)
        return fail(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : zebhost::errnoToWin32(errno));
    return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName)
{
    zebhost::HostPath target;
    if (!resolveTarget("DeleteFileW", lpFileName, &target))
        return FALSE;
    const char* path = target.path.c_str();
    std::lock_guard<std::mutex> guard(table().lock);
    struct stat st;
    if (lstat(path, &st) != 0)
        return fail(lookupError(target.path, errno));
    if (S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED);
    if (target.trailingSeparator)
        return fail(ERROR_INVALID_NAME);
    if (!S_ISLNK(st.st_mode))
    {
        if (isReadOnly(st))
            return fail(ERROR_ACCESS_DENIED);
        FileTable& t = table();
        bool open = false;
        for (const auto& item : t.handles)
        {
            const OpenFile* f = item.second.file.get();
            if (!f || f->device != st.st_dev || f->inode != st.st_ino)
                continue;
            if ((f->read || f->write) && !(f->share & FILE_SHARE_DELETE))
                return fail(ERROR_SHARING_VIOLATION);
            open = true;
        }
        if (open)
        {
            t.pendingDeletes[{st.st_dev, st.st_ino}] = target.path;
            return TRUE;
        }
    }
    if (unlink(path) != 0)
        return fail(zebhost::errnoToWin32(errno));
    return TRUE;
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName)
{
    zebhost::HostPath target;
    if (!resolveTarget("GetFileAttributesW", lpFileName, &target))
        return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(target.path.c_str(), &st) != 0)
        return failAttributes(lookupError(target.path, errno));
    if (S_ISDIR(st.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    if (target.trailingSeparator)
        return failAttributes(ERROR_PATH_NOT_FOUND);
    // Every file carries the archive bit here; read-only means no write permission.
    return FILE_ATTRIBUTE_ARCHIVE | (isReadOnly(st) ? FILE_ATTRIBUTE_READONLY : 0);
}

BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes)
{
    zebhost::HostPath target;
    if (!resolveTarget("SetFileAttributesW", lpFileName, &target))
        return FALSE;
    const char* path = target.path.c_str();
    struct stat st;
    if (stat(path, &st) != 0)
        return fail(lookupError(target.path, errno));
    // Only the read-only attribute of files is kept; directories ignore it.
    if (S_ISDIR(st.st_mode))
        return TRUE;
    mode_t mode = st.st_mode & 07777;
    if (dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (isReadOnly(st))
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && chmod(path, mode) != 0)
        return fail(zebhost::errnoToWin32(errno));
    return TRUE;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    HMODULE self = reinterpret_cast<HMODULE>(&__executable_start);
    if (!lpModuleName)
        return self;
    // The program's own file name, with or without its extension, names it too.
    const std::u16string name(lpModuleName, zebhost::wideLength(lpModuleName));
    const std::u16string exe = zebhost::toWindowsPath(executablePath());
    const std::u16string base = exe.substr(exe.find_last_of(u'\\') + 1);
    if (!base.empty() && (zebhost::equalsNoCase(name, base) || zebhost::equalsNoCase(name, exe)))
        return self;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("GetModuleFileNameW", &error))
    {
        SetLastError(error);
        return 0;
    }
    if (hModule && hModule != reinterpret_cast<HMODULE>(&__executable_start))
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::u16string path = zebhost::toWindowsPath(executablePath());
    const DWORD length = static_cast<DWORD>(path.size());
    // Too small a buffer gets as many characters as fit and no terminator.
    if (nSize <= length)
    {
        for (DWORD i = 0; i < nSize; ++i)
            lpFilename[i] = path[i];
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    for (DWORD i = 0; i < length; ++i)
        lpFilename[i] = path[i];
    lpFilename[length] = 0;
    SetLastError(ERROR_SUCCESS);
    return length;
}
