#include "host_share.h"
#include "host_paths.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace zebhost
{
namespace
{
// Byte 0 of the lock file is the gate; each file's slot of eight bytes lies beyond it.
constexpr off_t kGate = 0;
constexpr off_t kOpen = 0;
constexpr off_t kUses = 1;   // + 0, 1, 2: reads, writes, deletes
constexpr off_t kDenies = 4; // + 0, 1, 2: denies reading, writing, deleting to others

// The access bit and the share bit of each kind of use, in slot order.
struct Use
{
    unsigned access;
    DWORD share;
};
constexpr Use kUseKinds[] = {
    {kShareAccessRead, FILE_SHARE_READ},
    {kShareAccessWrite, FILE_SHARE_WRITE},
    {kShareAccessDelete, FILE_SHARE_DELETE},
};

// The start of a file's slot: its device and inode mixed into 56 bits (a collision between
// two open files would be taken for sharing; at this width it does not happen in practice).
off_t slotOf(const FileIdentity& file)
{
    uint64_t h = static_cast<uint64_t>(file.device) * 0x9E3779B97F4A7C15ull ^
                 static_cast<uint64_t>(file.inode);
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 31;
    return static_cast<off_t>(((h >> 8) + 1) * 8);
}

bool setLock(int fd, off_t offset, short type, bool wait)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    for (;;)
    {
        if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}
} // namespace

ShareMarks::~ShareMarks()
{
    if (m_fd >= 0)
        close(m_fd);
}

DWORD ShareMarks::lockGate()
{
    if (m_fd < 0)
    {
        const std::string prefix = hostPrefix();
        makeDirectories(prefix);
        const std::string path = prefix + "/.share-modes";
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0)
            return errnoToWin32(errno);
    }
    if (!setLock(m_fd, kGate, F_WRLCK, true))
        return errnoToWin32(errno);
    return ERROR_SUCCESS;
}

void ShareMarks::unlockGate()
{
    if (m_fd >= 0)
        setLock(m_fd, kGate, F_UNLCK, false);
}

bool ShareMarks::othersHold(off_t offset) const
{
    // Locks of this description never conflict with its own test, so only others are seen.
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = offset;
    lock.l_len = 1;
    if (fcntl(m_fd, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}

bool ShareMarks::conflicts(const FileIdentity& file, unsigned access, DWORD share) const
{
    if (!access)
        return false;
    const off_t slot = slotOf(file);
    for (size_t i = 0; i < sizeof kUseKinds / sizeof kUseKinds[0]; ++i)
    {
        const off_t kind = static_cast<off_t>(i);
        // Something this use does that another handle denies, or a use of another handle
        // that this one does not share.
        if ((access & kUseKinds[i].access) && othersHold(slot + kDenies + kind))
            return true;
        if (!(share & kUseKinds[i].share) && othersHold(slot + kUses + kind))
            return true;
    }
    return false;
}

bool ShareMarks::inUse(const FileIdentity& file) const
{
    return othersHold(slotOf(file) + kOpen);
}

DWORD ShareMarks::mark(const FileIdentity& file, unsigned access, DWORD share)
{
    const off_t slot = slotOf(file);
    bool ok = setLock(m_fd, slot + kOpen, F_RDLCK, false);
    for (size_t i = 0; ok && access && i < sizeof kUseKinds / sizeof kUseKinds[0]; ++i)
    {
        const off_t kind = static_cast<off_t>(i);
        if (access & kUseKinds[i].access)
            ok = setLock(m_fd, slot + kUses + kind, F_RDLCK, false);
        if (ok && !(share & kUseKinds[i].share))
            ok = setLock(m_fd, slot + kDenies + kind, F_RDLCK, false);
    }
    return ok ? ERROR_SUCCESS : errnoToWin32(errno);
}
} // namespace zebhost
