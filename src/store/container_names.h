// ZELI_ContainerNames: the names of a container's files, derived from the
// name a caller gives.
//
// A container is named by a path, its full name. Callers may give the full
// name itself, the full name + ".qo_zel" (the reference file) or the full
// name + "_zel" (the directory); the suffix is stripped. From the full name:
//   reference file     <full>.qo_zel        (empty file)
//   directory          <full>_zel
//   Readme             <full>_zel/Readme
//   version table      <full>_zel/version.toc
//   lock file          <full>_zel/version.lck
//   version directory  <full>_zel/version_<n>                (n in decimal)
//   structure file     <full>_zel/version_<n>/structure.data
//   segment files      <full>_zel/version_<n>/segment_<s>[_<d>]<ext>
//                      (_<d> from stored software version 3 on; ext ".data"
//                      for the paged data file, ".org" for the record file)
// The name is what follows the last "/" or "\" of the full name; the path is
// everything up to and including that separator (empty without one).
#ifndef ZEL_STORE_CONTAINER_NAMES_H
#define ZEL_STORE_CONTAINER_NAMES_H

#include <string>

class ZELI_ContainerNames {
 public:
  // Strips the suffix. A null or empty name, a name that is only a suffix
  // (".qo_zel", "_zel"), and a full name ending in a separator (no final
  // component to name files after) fail with ZELI_BadArgException
  // "Invalid container name".
  explicit ZELI_ContainerNames(const char* name);

  static const char* Get_FilenameExt() { return ".qo_zel"; }
  static const char* Get_DirectoryNameSuffix() { return "_zel"; }
  // The full name for a given name (the stripping rule alone).
  static std::string StripSuffix(const char* name);

  const std::string& Get_FullName() const { return fullName_; }
  const std::string& Get_Name() const { return name_; }
  const std::string& Get_Path() const { return path_; }
  // The reference file.
  const std::string& Get_Filename() const { return filename_; }
  const std::string& Get_DirName() const { return dirName_; }

  std::string Get_Readme() const { return dirName_ + "/Readme"; }
  std::string Get_VersionTOC() const { return TocPath(dirName_); }
  std::string Get_VersionLock() const { return LockPath(dirName_); }
  std::string Get_VersionDir(int version) const;
  std::string Get_StructureFile(int version) const;
  // extension is ".data" or ".org".
  std::string Get_SegmentFile(int version, int serial, int store, unsigned softwareVersion,
                              const char* extension) const;

  // Names inside a container directory, for code that knows only the
  // directory (the version table).
  static std::string TocPath(const std::string& directory) { return directory + "/version.toc"; }
  static std::string LockPath(const std::string& directory) { return directory + "/version.lck"; }
  // "version_" + n in decimal.
  static std::string VersionDirName(int version);
  static std::string SegmentFileName(int serial, int store, unsigned softwareVersion, const char* extension);

 private:
  std::string fullName_;
  std::string name_;
  std::string path_;
  std::string filename_;
  std::string dirName_;
};

#endif  // ZEL_STORE_CONTAINER_NAMES_H
