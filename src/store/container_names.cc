// ZELI_ContainerNames: suffix stripping and the derived file names.
#include "store/container_names.h"

#include <string>

#include "errors/exceptions.h"

namespace {

bool EndsAt(const std::string& text, std::string::size_type position, const char* suffix) {
  return position != std::string::npos && text.compare(position, std::string::npos, suffix) == 0;
}

}  // namespace

std::string ZELI_ContainerNames::StripSuffix(const char* name) {
  if (name == nullptr || *name == '\0') throw ZELI_BadArgException("Invalid container name");
  const std::string given(name);
  const std::string::size_type dot = given.rfind('.');
  const std::string::size_type underscore = given.rfind('_');
  if (EndsAt(given, dot, Get_FilenameExt())) {
    if (dot == 0) throw ZELI_BadArgException("Invalid container name");
    return given.substr(0, dot);
  }
  if (EndsAt(given, underscore, Get_DirectoryNameSuffix())) {
    if (underscore == 0) throw ZELI_BadArgException("Invalid container name");
    return given.substr(0, underscore);
  }
  return given;
}

ZELI_ContainerNames::ZELI_ContainerNames(const char* name) : fullName_(StripSuffix(name)) {
  const std::string::size_type separator = fullName_.find_last_of("/\\");
  if (separator == std::string::npos) {
    name_ = fullName_;
  } else {
    path_ = fullName_.substr(0, separator + 1);
    name_ = fullName_.substr(separator + 1);
  }
  if (name_.empty()) throw ZELI_BadArgException("Invalid container name");
  filename_ = fullName_ + Get_FilenameExt();
  dirName_ = fullName_ + Get_DirectoryNameSuffix();
}

std::string ZELI_ContainerNames::VersionDirName(int version) { return "version_" + std::to_string(version); }

std::string ZELI_ContainerNames::SegmentFileName(int serial, int store, unsigned softwareVersion,
                                                 const char* extension) {
  std::string name = "segment_" + std::to_string(serial);
  if (softwareVersion >= 3) name += "_" + std::to_string(store);
  return name + (extension != nullptr ? extension : "");
}

std::string ZELI_ContainerNames::Get_VersionDir(int version) const {
  return dirName_ + "/" + VersionDirName(version);
}

std::string ZELI_ContainerNames::Get_StructureFile(int version) const {
  return Get_VersionDir(version) + "/structure.data";
}

std::string ZELI_ContainerNames::Get_SegmentFile(int version, int serial, int store, unsigned softwareVersion,
                                                 const char* extension) const {
  return Get_VersionDir(version) + "/" + SegmentFileName(serial, store, softwareVersion, extension);
}
