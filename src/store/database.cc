// ZELI_Database: the machine's byte order.
#include "store/database.h"

#include <cstdint>
#include <cstring>

ZELI_Database::ZELI_Database() {
  const uint32_t probe = 1;
  unsigned char first = 0;
  std::memcpy(&first, &probe, 1);
  isBigEndian_ = first == 0 ? 1 : 0;
}

const ZELI_Database* ZELI_Database::Get_TheDatabase_p() {
  static const ZELI_Database database;
  return &database;
}
