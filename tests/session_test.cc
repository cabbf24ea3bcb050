// Sessions, handles, termination callbacks, views and error reporting
// through the exported functions.
#include <cstring>
#include <string>
#include <vector>

#include "interface/frame.h"
#include "test_support.h"

using zeltest::SessionTest;

TEST(Session, EndedSessionHandleIsRefusedAndItsKeyReused) {
  zel_status_t st;
  zel_session_t s = ZEL_InitSession(&st);
  ASSERT_EQ(st, ZEL_OK);
  ZEL_TermSession(s, &st);
  ASSERT_EQ(st, ZEL_OK);
  ZEL_TermSession(s, &st);
  EXPECT_ZEL_FAILURE(st, ZEL_BAD_HANDLE, "ZEL_TermSession: Bad handle: wrong handle (deleted?)");
  zel_session_t again = ZEL_InitSession(&st);
  EXPECT_EQ(again.key, s.key);
  ZEL_TermSession(again, &st);
}
