// File functions, the handle table and the module file name of the host Win32 subset.
//
// Files are opened on the host file system through the path mapping of host_paths, which
// finds names ignoring case. Share modes hold between every handle of every process that
// uses the prefix (host_share), as they do between processes on Windows. A file is
// read-only when none of its write permission bits is set; a write open of such a file is
// refused even for root, as Windows refuses it. Deleting a file that still has handles of
// this process open (all of them sharing delete) leaves the name in place until the last
// one is closed, as on Windows; handles of other processes do not hold the name.

#include "host_paths.h"
#include "host_share.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <cerrno>
#include <climits>
#include <cstring>
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
// Access bits beyond the generic ones that ask for reading, writing or deleting.
constexpr DWORD kGenericAll = 0x10000000;
constexpr DWORD kFileReadData = 0x0001;
constexpr DWORD kFileWriteData = 0x0002;
constexpr DWORD kFileAppendData = 0x0004;
constexpr DWORD kErrorNoAccess = 998;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The bytes CopyFileW moves per read and write.
constexpr DWORD kCopyChunk = 256 * 1024;

struct OpenFile
{
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    bool read = false;
    bool write = false;
    bool directory = false;
    zebhost::ShareMarks marks; // what this handle does and denies, seen by every process

    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (fd >= 0)
            close(fd);
    }
    zebhost::FileIdentity identity() const { return {device, inode}; }
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

// The uses of a file's data that take part in sharing.
unsigned shareAccess(DWORD access)
{
    return (wantsRead(access) ? zebhost::kShareAccessRead : 0) |
           (wantsWrite(access) ? zebhost::kShareAccessWrite : 0) |
           ((access & (DELETE | kGenericAll)) ? zebhost::kShareAccessDelete : 0);
}

bool isReadOnly(const struct stat& st)
{
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool sameFile(const struct stat& st, const zebhost::FileIdentity& file)
{
    return st.st_dev == file.device && st.st_ino == file.inode;
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

// Takes a freshly opened descriptor: its identity, then, under the gate, the share check
// against every other handle and this handle's marks. Answers 0 or the Win32 error.
DWORD admit(OpenFile* file, DWORD access, DWORD share, bool check)
{
    struct stat st;
    if (fstat(file->fd, &st) != 0)
        return zebhost::errnoToWin32(errno);
    file->device = st.st_dev;
    file->inode = st.st_ino;
    const DWORD error = file->marks.lockGate();
    if (error)
        return error;
    const unsigned used = file->directory ? 0 : shareAccess(access);
    if (check && file->marks.conflicts(file->identity(), used, share))
        return ERROR_SHARING_VIOLATION;
    const DWORD markError = file->marks.mark(file->identity(), used, share);
    file->marks.unlockGate();
    return markError;
}

// The open CreateFileW and CopyFileW share, once the path is mapped: the file (or, with
// backup semantics, the directory) and its share marks in *pOut, whether it existed before
// in *pExisted. Answers 0 or the Win32 error. Caller holds the table lock.
DWORD openFile(const zebhost::HostPath& target, DWORD access, DWORD share, DWORD disposition,
               DWORD flags, std::unique_ptr<OpenFile>* pOut, bool* pExisted)
{
    const char* path = target.path.c_str();
    const bool read = wantsRead(access);
    const bool write = wantsWrite(access);
    const bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    const int openMode = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    std::unique_ptr<OpenFile> file(new OpenFile);
    file->read = read;
    file->write = write;

    struct stat st;
    if (stat(path, &st) == 0)
    {
        *pExisted = true;
        if (disposition == CREATE_NEW)
            return ERROR_FILE_EXISTS;
        if (S_ISDIR(st.st_mode))
        {
            // Directories open only for reading their attributes, with backup semantics.
            if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || write || truncate)
                return ERROR_ACCESS_DENIED;
            file->fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (file->fd < 0)
                return zebhost::errnoToWin32(errno);
            file->read = file->write = false;
            file->directory = true;
            const DWORD error = admit(file.get(), access, share, false);
            if (!error)
                *pOut = std::move(file);
            return error;
        }
        if (target.trailingSeparator)
            return ERROR_INVALID_NAME;
        if (isReadOnly(st) && (write || truncate))
            return ERROR_ACCESS_DENIED;
        file->fd = open(path, openMode | O_CLOEXEC);
        if (file->fd < 0 && !read && !write && errno == EACCES)
            file->fd = open(path, O_PATH | O_CLOEXEC);
        if (file->fd < 0)
            return zebhost::errnoToWin32(errno);
        DWORD error = admit(file.get(), access, share, true);
        if (error)
            return error;
        // Truncated only once the share check has let the open through.
        if (truncate && (write ? ftruncate(file->fd, 0) : ::truncate(path, 0)) != 0)
            return zebhost::errnoToWin32(errno);
        *pOut = std::move(file);
        return ERROR_SUCCESS;
    }
    if (errno != ENOENT)
        return zebhost::errnoToWin32(errno);
    *pExisted = false;
    const DWORD missing = zebhost::notFoundError(target.path);
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING ||
        missing == ERROR_PATH_NOT_FOUND)
        return missing;
    if (target.trailingSeparator)
        return ERROR_INVALID_NAME;
    const mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    file->fd = open(path, openMode | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (file->fd < 0)
        return errno == EEXIST ? ERROR_FILE_EXISTS : zebhost::errnoToWin32(errno);
    const DWORD error = admit(file.get(), access, share, true);
    if (error)
    {
        unlink(path);
        return error;
    }
    *pOut = std::move(file);
    return ERROR_SUCCESS;
}

// read(2) or write(2) until cbData bytes have moved, the end of the file, or an error
// (false, errno set); interruptions are carried on. *pcbDone receives the bytes moved.
bool transferBytes(int fd, bool bWrite, char* data, DWORD cbData, DWORD* pcbDone)
{
    DWORD done = 0;
    while (done < cbData)
    {
        const ssize_t n =
            bWrite ? write(fd, data + done, cbData - done) : read(fd, data + done, cbData - done);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            *pcbDone = done;
            return false;
        }
        if (n == 0)
            break;
        done += static_cast<DWORD>(n);
    }
    *pcbDone = done;
    return true;
}

// Copies the whole content of one open file to another and gives the copy the source's
// modification time, as Windows copies keep it. Answers 0 or the Win32 error.
DWORD copyContents(const OpenFile& from, const OpenFile& to)
{
    std::vector<char> buffer(kCopyChunk);
    DWORD error = ERROR_SUCCESS;
    for (;;)
    {
        DWORD got = 0;
        DWORD put = 0;
        if (!transferBytes(from.fd, false, buffer.data(), kCopyChunk, &got))
            error = zebhost::errnoToWin32(errno);
        else if (got > 0 && !transferBytes(to.fd, true, buffer.data(), got, &put))
            error = zebhost::errnoToWin32(errno);
        else if (put < got)
            error = zebhost::errnoToWin32(ENOSPC);
        if (error || got == 0)
            break;
    }
    // The buffer held the file's data.
    explicit_bzero(buffer.data(), buffer.size());
    struct stat st;
    if (!error && fstat(from.fd, &st) == 0)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        futimens(to.fd, times);
    }
    return error;
}

// The copy CopyFileW makes, and MoveFileExW between devices: the source is opened first
// (sharing with everyone but keeping readers), then the new name is mapped and opened for
// writing, created with the source's read-only attribute when it is new. A failed copy
// removes the incomplete file. Answers 0 or the Win32 error. Caller holds the table lock.
DWORD copyFile(const zebhost::HostPath& source, LPCWSTR lpNewFileName, bool bFailIfExists)
{
    std::unique_ptr<OpenFile> from;
    bool existed = false;
    DWORD error = openFile(source, GENERIC_READ, kShareAll, OPEN_EXISTING, 0, &from, &existed);
    if (error)
        return error;
    zebhost::HostPath target;
    if (!zebhost::toHostPath(lpNewFileName, &target, &error))
        return error;
    struct stat st;
    // A file copied onto itself would be truncated before it is read.
    if (!bFailIfExists && stat(target.path.c_str(), &st) == 0 && sameFile(st, from->identity()))
        return ERROR_SHARING_VIOLATION;
    if (fstat(from->fd, &st) != 0)
        return zebhost::errnoToWin32(errno);
    const DWORD attributes = isReadOnly(st) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    std::unique_ptr<OpenFile> to;
    error = openFile(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     bFailIfExists ? CREATE_NEW : CREATE_ALWAYS, attributes, &to, &existed);
    if (error)
        return error;
    error = copyContents(*from, *to);
    if (error)
    {
        const zebhost::FileIdentity written = to->identity();
        to.reset();
        if (stat(target.path.c_str(), &st) == 0 && sameFile(st, written))
            unlink(target.path.c_str());
    }
    return error;
}

// The deletion DeleteFileW makes, and MoveFileExW without a new name. Caller holds the lock.
DWORD deleteFile(const zebhost::HostPath& target)
{
    const char* path = target.path.c_str();
    struct stat st;
    if (lstat(path, &st) != 0)
        return lookupError(target.path, errno);
    if (S_ISDIR(st.st_mode))
        return ERROR_ACCESS_DENIED;
    if (target.trailingSeparator)
        return ERROR_INVALID_NAME;
    if (!S_ISLNK(st.st_mode))
    {
        if (isReadOnly(st))
            return ERROR_ACCESS_DENIED;
        zebhost::ShareMarks gate;
        const DWORD error = gate.lockGate();
        if (error)
            return error;
        if (gate.conflicts({st.st_dev, st.st_ino}, zebhost::kShareAccessDelete, kShareAll))
            return ERROR_SHARING_VIOLATION;
        if (hasHandles(st.st_dev, st.st_ino))
        {
            table().pendingDeletes[{st.st_dev, st.st_ino}] = target.path;
            return ERROR_SUCCESS;
        }
    }
    if (unlink(path) != 0)
        return zebhost::errnoToWin32(errno);
    return ERROR_SUCCESS;
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
    std::lock_guard<std::mutex> guard(table().lock);
    std::unique_ptr<OpenFile> file;
    bool existed = false;
    error = openFile(target, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                     dwFlagsAndAttributes, &file, &existed);
    if (error)
        return failOpen(error);
    HandleEntry entry;
    entry.file = std::move(file);
    HANDLE h = addHandle(std::move(entry));
    const bool reportsExisting =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

namespace
{
// What ReadFile and WriteFile share: the checks, then the transfer loop. A read stops at
// the end of the file with fewer bytes.
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
    DWORD done = 0;
    const bool ok = transferBytes(f->fd, bWrite, static_cast<char*>(pData), cbData, &done);
    if (pcbDone)
        *pcbDone = done;
    return ok ? TRUE : fail(zebhost::errnoToWin32(errno));
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
            const zebhost::FileIdentity closed = file->identity();
            file.reset(); // closes the file and drops its share marks
            finishPendingDelete(closed.device, closed.inode);
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
    std::lock_guard<std::mutex> guard(table().lock);
    const DWORD error = deleteFile(target);
    return error ? fail(error) : TRUE;
}

BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists)
{
    zebhost::HostPath source;
    if (!resolveTarget("CopyFileW", lpExistingFileName, &source))
        return FALSE;
    std::lock_guard<std::mutex> guard(table().lock);
    const DWORD error = copyFile(source, lpNewFileName, bFailIfExists != FALSE);
    if (error)
        return fail(error);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    zebhost::HostPath source;
    if (!resolveTarget("MoveFileExW", lpExistingFileName, &source))
        return FALSE;
    // A move at the next start of the system has no host form.
    if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT)
        return fail(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> guard(table().lock);
    // Without a new name the file is deleted.
    if (!lpNewFileName)
    {
        const DWORD error = deleteFile(source);
        return error ? fail(error) : TRUE;
    }
    struct stat from;
    if (lstat(source.path.c_str(), &from) != 0)
        return fail(lookupError(source.path, errno));
    const bool directory = S_ISDIR(from.st_mode);
    if (source.trailingSeparator && !directory)
        return fail(ERROR_INVALID_NAME);
    // The gate stays locked until the rename is done, so no open slips in between.
    zebhost::ShareMarks gate;
    DWORD error = gate.lockGate();
    if (error)
        return fail(error);
    if (gate.conflicts({from.st_dev, from.st_ino}, zebhost::kShareAccessDelete, kShareAll))
        return fail(ERROR_SHARING_VIOLATION);
    zebhost::HostPath target;
    if (!zebhost::toHostPath(lpNewFileName, &target, &error))
        return fail(error);
    const char* to = target.path.c_str();
    struct stat there;
    if (lstat(to, &there) == 0)
    {
        // The same file under another spelling: nothing to do.
        if (there.st_dev == from.st_dev && there.st_ino == from.st_ino)
            return TRUE;
        if (target.trailingSeparator && !S_ISDIR(there.st_mode))
            return fail(ERROR_DIRECTORY);
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING))
            return fail(ERROR_ALREADY_EXISTS);
        // Neither a directory nor a file that is open anywhere is replaced.
        if (S_ISDIR(there.st_mode) || gate.inUse({there.st_dev, there.st_ino}))
            return fail(ERROR_ACCESS_DENIED);
        // rename(2) puts a directory in the place of a file only once the file is gone.
        if (directory && unlink(to) != 0)
            return fail(zebhost::errnoToWin32(errno));
    }
    else if (errno != ENOENT)
        return fail(lookupError(target.path, errno));
    else
    {
        const DWORD missing = zebhost::notFoundError(target.path);
        if (missing == ERROR_PATH_NOT_FOUND)
            return fail(missing);
        if (target.trailingSeparator)
            return fail(ERROR_DIRECTORY);
    }
    if (rename(source.path.c_str(), to) == 0)
        return TRUE;
    if (errno != EXDEV)
        return fail(zebhost::errnoToWin32(errno));
    // Another file system: a file may be copied there and then deleted here (a directory
    // is not copied).
    if (!(dwFlags & MOVEFILE_COPY_ALLOWED))
        return fail(ERROR_NOT_SAME_DEVICE);
    if (directory)
        return fail(ERROR_ACCESS_DENIED);
    gate.unlockGate();
    error = copyFile(source, lpNewFileName, !(dwFlags & MOVEFILE_REPLACE_EXISTING));
    if (!error)
        error = deleteFile(source);
    if (error)
        return fail(error);
    SetLastError(ERROR_SUCCESS); // as the copy leaves it
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

DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    DWORD error = 0;
    std::u16string path;
    if (zebhost::injectedFailure("GetCurrentDirectoryW", &error) ||
        !zebhost::currentWindowsDirectory(&path, &error))
    {
        SetLastError(error);
        return 0;
    }
    const DWORD length = static_cast<DWORD>(path.size());
    // Too small a buffer is left alone; the answer is the size it needs, terminator included.
    if (nBufferLength <= length)
        return length + 1;
    std::memcpy(lpBuffer, path.data(), length * sizeof(WCHAR));
    lpBuffer[length] = 0;
    return length;
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
