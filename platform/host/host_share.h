// Share modes of the host Win32 subset, held between every handle of every process that
// uses one prefix. Private to platform/host.
//
// Each file handle owns an open file description of one lock file in the prefix
// ("<prefix>/.share-modes") and marks on it, with open-file-description byte-range locks,
// that it has its file open, what it does with the file's data and what it denies others.
// A file's marks lie in a slot chosen by its device and inode. An open looks for the marks
// of every other description (another handle of this process, or of another process)
// before it sets its own; a gate byte, locked exclusively around the check and the marking,
// makes the two one step for all processes. The kernel drops a description's locks when its
// last descriptor is closed, so closing the handle, exiting and crashing all release them.
#pragma once

#include "win32_host.h"
#include <sys/types.h>

namespace zebhost
{
// What a handle does with its file's data. A handle with none of these takes no part in
// sharing, but its file still counts as open.
constexpr unsigned kShareAccessRead = 1;
constexpr unsigned kShareAccessWrite = 2;
constexpr unsigned kShareAccessDelete = 4;

struct FileIdentity
{
    dev_t device;
    ino_t inode;
};

class ShareMarks
{
public:
    ShareMarks() = default;
    ~ShareMarks();
    ShareMarks(const ShareMarks&) = delete;
    ShareMarks& operator=(const ShareMarks&) = delete;

    // Opens this description of the lock file (creating the file and the prefix when needed)
    // and locks the gate; no other description checks or marks until unlockGate or the
    // destructor. Answers 0 or the Win32 error.
    DWORD lockGate();
    void unlockGate();

    // Whether a mark of another description refuses a use of `file` with `access`
    // (kShareAccess* bits) that shares `share` (FILE_SHARE_* bits) with others.
    bool conflicts(const FileIdentity& file, unsigned access, DWORD share) const;
    // Whether another description has `file` open.
    bool inUse(const FileIdentity& file) const;
    // Records this description's use of `file`. Answers 0 or the Win32 error.
    DWORD mark(const FileIdentity& file, unsigned access, DWORD share);

private:
    bool othersHold(off_t offset) const;
    int m_fd = -1;
};
} // namespace zebhost
