// ZELI_AtomicFile: replaces a file as a whole or not at all.
//
// The new contents are written through a ZELI_Ostream into a temporary file
// beside the target (same directory, hence same file system, so that the
// final rename is atomic). Commit() writes out the buffer, makes the data
// durable, closes, renames the temporary file over the target and syncs the
// directory; only when all of that succeeded does it return. Until then the
// target keeps its old bytes, and a reader sees either the old file or the
// new one, never a half-written one, whatever fails in between (a full disk,
// a crash, a failed write).
//
// What a commit waits for. Where the file system journals metadata in order
// and writes a file's data before the rename that names it
// (ZELI_FileSystem::RenameFollowsData: ext3/ext4 with a journal, in
// their default data modes), the data is only written out to the device
// (sync_file_range: write errors still show before the rename) and the
// directory sync after the rename commits the journal, whose cache flush
// makes data and rename durable together: one journal commit per file
// instead of two. Elsewhere
// the data is synced (fsync) before the rename. Inside a ZELI_SyncGroup the
// directory syncs of such file systems are further gathered into one per
// directory at the group's end.
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
#include <vector>

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
  // Write out, make durable, close, rename over the target, sync the
  // directory (or leave that to the active sync group). On failure before
  // the rename the temporary file is removed, the target is untouched, and
  // the exception propagates; a second call (after success or failure) does
  // nothing. A failed sync of the directory after the rename is reported too
  // (ZELI_DiskIOException), with the new file in place: IsCommitted() then
  // tells.
  void Commit();
  // The same without any sync: write out, close, rename. Only for contents
  // whose loss in a crash harms nobody (registrations of running processes),
  // and only where the file system writes the data before the rename
  // (ZELI_FileSystem::RenameFollowsData): a crash then leaves the old file
  // or the new one, never an unwritten one.
  void CommitUnsynced();
  // The rename and the directory sync, without syncing the file's data: for
  // files whose bytes nobody reads (empty marker files), where only the name
  // (and its modification time) must survive.
  void CommitName();
  // Writes out what was streamed so far and lets the device start on it
  // while the caller prepares other files; Commit() then waits for less.
  // Several files committed one after the other thus reach the device
  // together. Failure: ZELI_DiskIOException (the write of the buffer).
  void StartWriteOut() { stream_->StartWriteOut(); }
  bool IsCommitted() const { return committed_; }
  const std::string& Get_TemporaryPath() const { return temporary_; }

 private:
  enum class DataSync { NONE, WRITE_OUT, FSYNC };
  void Discard() noexcept;
  void Replace(DataSync sync);
  std::string Directory() const;

  std::string target_;
  std::string temporary_;
  std::unique_ptr<ZELI_Ostream> stream_;
  bool committed_ = false;
  bool finished_ = false;  // committed or discarded
};

// Gathers the directory syncs of the atomic files committed while it is the
// process's active group, on file systems that journal metadata in order
// (ZELI_FileSystem::RenameFollowsData), into one sync per file system at
// Finish(): an operation that replaces several files then waits for one
// journal commit. Such a file system has one journal whose transactions
// commit in order, so syncing the directory changed last commits every
// earlier change on it as well; directories are kept in the order of their
// last change for that. A crash before Finish() keeps a prefix of the
// renames, in order, each naming complete data, as without the group;
// Finish() returns when all of them are durable. Groups do not nest: a group made while
// another is active leaves everything to that one. Elsewhere commits sync
// their directory at once.
//
// Deferring. An operation whose loss in a crash costs nothing that was
// committed (registering a new writer: the crash ends that writer too) may
// run in a DEFERRED group. Its commits on such file systems do not wait for
// their data (the journal orders the data before the rename all the same),
// and Finish() syncs nothing: the directories wait in the process's list of
// deferred syncs, and the next durable sync of any group, or of a commit
// outside groups, syncs them as well (one sync per file system covers them,
// for the reason above). A crash before that keeps a prefix of the deferred
// renames, each naming complete data, as a crash inside a group does. A
// DURABLE group made while a DEFERRED one is active makes that one durable.
class ZELI_SyncGroup {
 public:
  enum Mode { DURABLE, DEFERRED };
  explicit ZELI_SyncGroup(Mode mode = DURABLE) noexcept;
  // Syncs what Finish() did not (an operation that failed half-way keeps
  // what it renamed as durable as it would have been), but not the deferred
  // syncs; never throws.
  ~ZELI_SyncGroup();
  ZELI_SyncGroup(const ZELI_SyncGroup&) = delete;
  ZELI_SyncGroup& operator=(const ZELI_SyncGroup&) = delete;

  // Ends the group. DURABLE: syncs the last changed gathered directory of
  // each file system, and the deferred ones (see above); a failed sync is
  // reported (ZELI_DiskIOException) after the others were tried. DEFERRED:
  // what the group gathered joins the deferred syncs (synced now, as a
  // durable group would, where that list cannot grow).
  void Finish();
  // True when the active group defers: its commits on file systems that
  // journal in order need not wait for their data.
  static bool ActiveGroupDefers();
  // Syncs a directory now, or gathers it into the active group when there
  // is one and the file system journals in order. Failure:
  // ZELI_DiskIOException.
  static void SyncDirectory(const std::string& directory);

 private:
  void SyncAll(bool report);
  // No longer the process's active group.
  void Deactivate() noexcept;

  bool active_;
  Mode mode_;
  std::vector<std::string> directories_;
};

#endif  // ZEL_STORE_ATOMIC_FILE_H
