// Whether a process entered in a container's version table has ended.
//
// The table stores a bare 32-bit process id per registration: no host name
// and no start time. A registration is therefore declared dead only when
// that cannot be wrong on this host:
//  - the container lies on a local file system of a known kind (ext2/3/4,
//    XFS, Btrfs, tmpfs, overlay, F2FS, ZFS, ramfs), so every process that
//    could register in it ran on this machine; on network and unknown file
//    systems (NFS, SMB, FUSE, 9p, cluster file systems...) nobody is ever
//    declared dead, since a pid there may belong to another host;
//  - and either no process has that pid, or the process with that pid has
//    exited (a zombie), or it started more than a second after the table
//    was last written, so it is not the process that registered (that one
//    started before registering, and the registration was written no later
//    than the table's modification time): a reused pid is told apart by its
//    start time (/proc/PID/stat, relative to the boot time in /proc/stat).
// A reused pid whose new process started before the table was last written
// is taken for the registered one: the registration then stays until that
// process ends too. Processes of another pid namespace sharing the directory
// through a bind mount are not told apart from ended ones.
#ifndef ZEL_STORE_PROCESS_LIVENESS_H
#define ZEL_STORE_PROCESS_LIVENESS_H

#include <cstdint>

// True when path lies on a file system of one of the local kinds above.
// Never throws.
bool ZELI_OS_IsLocalFileSystem(const char* path) noexcept;

// True when process pid of this host is known to have ended, or to have been
// replaced by a process started after registeredBy (nanoseconds since the
// epoch: the newest time the registration can have been written). This
// process is never ended; pids below 1 are not judged (false). Never throws.
bool ZELI_OS_ProcessHasEnded(int pid, int64_t registeredBy) noexcept;

#endif  // ZEL_STORE_PROCESS_LIVENESS_H
