// ZELI_Database: process-wide facts about the machine. Trivially
// destructible, so it outlives every static destructor that may use it.
#ifndef ZEL_STORE_DATABASE_H
#define ZEL_STORE_DATABASE_H

#include "zel/zel.h"

class ZELI_Database {
 public:
  static const ZELI_Database* Get_TheDatabase_p();
  zel_bool_t IsBigEndian() const { return isBigEndian_; }
  zel_bool_t IsLittleEndian() const { return !isBigEndian_; }

 private:
  ZELI_Database();
  zel_bool_t isBigEndian_;
};

#endif  // ZEL_STORE_DATABASE_H
