// ZELI_Path: separators of the naming conventions and path splitting.
#include "model/hierarchy_path.h"

#include <cstring>

#include "errors/exceptions.h"

char ZELI_Path::Separator(const char* name, zel_hdl_t hdl) {
  switch (hdl) {
    case ZEL_HDL_NONE:
      return '\0';
    case ZEL_HDL_SLASH:
      return '/';
    case ZEL_HDL_COLON:
      return ':';
    case ZEL_HDL_VERILOG:
      throw ZELI_FailedException("ZELI_Path::Separator: Unimplemented: Verilog.");
    case ZEL_HDL_SMART: {
      const char* first = name != nullptr ? std::strpbrk(name, ":/") : nullptr;
      return first != nullptr ? *first : '\0';
    }
    default:
      break;
  }
  throw ZELI_FailedException("ZELI_Path::Separator: Implementation error.");
}

ZELI_Path::ZELI_Path(const char* name, char separator) {
  const std::string text = name != nullptr ? name : "";
  if (separator == '\0') {
    finalName_ = text;
    return;
  }
  absolute_ = !text.empty() && text[0] == separator;
  const size_t last = text.rfind(separator);
  finalBegin_ = last == std::string::npos ? 0 : last + 1;
  finalName_ = text.substr(finalBegin_);
  size_t begin = 0;
  while (begin < finalBegin_) {
    size_t end = text.find(separator, begin);
    if (end == std::string::npos || end >= finalBegin_) end = finalBegin_ - 1;
    if (end > begin) blocks_.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

const std::string& ZELI_Path::Block(unsigned index) const {
  if (index >= blocks_.size()) throw ZELI_BadArgException("ZELI_Path::Block: index");
  return blocks_[index];
}
