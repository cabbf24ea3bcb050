// ZELI_Path: a hierarchy path name split at the separator of a naming
// convention (zel_hdl_t). Names of blocks and signals are joined by one
// separator character; empty pieces are skipped, a leading separator makes
// the path absolute (it starts at the root).
#ifndef ZEL_MODEL_HIERARCHY_PATH_H
#define ZEL_MODEL_HIERARCHY_PATH_H

#include <string>
#include <vector>

#include "zel/zel.h"

class ZELI_Path {
 public:
  // The separator of name under hdl, '\0' for none: NONE none, SLASH '/',
  // COLON ':', SMART the first ':' or '/' of name. VERILOG is not provided;
  // any other value is an implementation error (both ZELI_FailedException).
  static char Separator(const char* name, zel_hdl_t hdl);

  // name split at separator ('\0': the whole name is the final name).
  ZELI_Path(const char* name, char separator);

  unsigned BlockCount() const { return static_cast<unsigned>(blocks_.size()); }
  // index past the end: ZELI_BadArgException "ZELI_Path::Block: index".
  const std::string& Block(unsigned index) const;
  const std::string& FinalName() const { return finalName_; }
  bool IsAbsolute() const { return absolute_; }
  // Offset of the final name within the text given.
  size_t FinalNameBegin() const { return finalBegin_; }

 private:
  std::vector<std::string> blocks_;
  std::string finalName_;
  bool absolute_ = false;
  size_t finalBegin_ = 0;
};

#endif  // ZEL_MODEL_HIERARCHY_PATH_H
