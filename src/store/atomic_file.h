// ZELI_AtomicFile: replaces a file as a whole or not at all.
//
// The new contents are written through a ZELI_Ostream into a temporary file
// beside the target (same directory, hence same file system, so that the
// final rename is atomic). Commit() writes out the buffer, commits the data
// to the disk (fsync), closes, and renames the temporary file over the
// target; only when all of that succeeded does it return. Until then the
// target keeps its old bytes, and a reader sees either the old file or the
// new one, never a half-written one, whatever fails in between (a full disk,
// a crash, a failed write).
//
// Use:
//   ZELI_AtomicFile file(path);
//   file.Stream() << ...;
//   file.Commit();            // throws ZELI_DiskIOException on failure
// Without a successful Commit() the destructor removes the temporary file;
// it never throws. The temporary file is named target + ".tmp." + the process
// id, so that processes writing the same target never share one.
//
// Writing needs permission to create files in the target's directory (the
// rename replaces a directory entry, not the old file's bytes).
#ifndef ZEL_STORE_ATOMIC_FILE_H
#define ZEL_STORE_ATOMIC_FILE_H

#include <memory>
#include <string>

#include "store/stream.h"

class ZELI_AtomicFile {
 public:
  // Creates (or truncates) the temporary file. Failure: ZELI_DiskIOException.
  explicit ZELI_AtomicFile(const char* targetPath);
  ~ZELI_AtomicFile();
  ZELI_AtomicFile(const ZELI_AtomicFile&) = delete;
  ZELI_AtomicFile& operator=(const ZELI_AtomicFile&) = delete;

  // The stream into the temporary file; closed after Commit().
  ZELI_Ostream& Stream() { return *stream_; }
  // Flush, fsync, close, rename over the target. On failure the temporary
  // file is removed, the target is untouched, and the exception propagates;
  // a second call (after success or failure) does nothing. A failed sync of
  // the directory after the rename is reported too (ZELI_DiskIOException),
  // with the new file in place: IsCommitted() then tells.
  void Commit();
  // The same without any sync: flush, close, rename. Only for contents whose
  // loss in a crash harms nobody (registrations of running processes), and
  // only where the file system writes the data before the rename
  // (ZELI_FileSystem::RenameFollowsData): a crash then leaves the old file
  // or the new one, never an unwritten one.
  void CommitUnsynced();
  // The rename and the directory sync, without syncing the file's data: for
  // files whose bytes nobody reads (empty marker files), where only the name
  // (and its modification time) must survive.
  void CommitName();
  bool IsCommitted() const { return committed_; }
  const std::string& Get_TemporaryPath() const { return temporary_; }

 private:
  void Discard() noexcept;
  void Replace(bool sync);
  void SyncDirectory() const;

  std::string target_;
  std::string temporary_;
  std::unique_ptr<ZELI_Ostream> stream_;
  bool committed_ = false;
  bool finished_ = false;  // committed or discarded
};

#endif  // ZEL_STORE_ATOMIC_FILE_H
