// Exception classes, the call frame's conversion of failures into statuses
// and messages, and the reserve of freed large blocks.
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "interface/frame.h"
#include "test_support.h"

// Statuses and texts the call frame's tests below and the handle tests of
// the sessions do not already show.
TEST(Exceptions, StatusesTextsAndTheirCutAt255CharactersAndTheErrnoOfADiskError) {
  EXPECT_EQ(ZELI_DuplicateException("a").status, ZEL_DUPLICATE);
  EXPECT_STREQ(ZELI_BadAllocException().what(), "Out of memory");
  EXPECT_EQ(ZELI_BadAllocException().status, ZEL_BAD_ALLOC);
  using K = ZELI_BadHandleException;
  EXPECT_STREQ(K(K::UNKNOWN_REASON).what(), "Bad handle: unknown reason");
  EXPECT_STREQ(K(K::WRONG_SESSION).what(), "Bad handle: wrong session");

  const std::string longText(300, 'x');
  ZELI_FailedException e(longText.c_str());
  EXPECT_EQ(std::string(e.what()), longText.substr(0, 255));
  EXPECT_EQ(e.status, ZEL_FAILED);
  ZEL_Exception pub(longText.c_str(), ZEL_BAD_ARG);
  EXPECT_EQ(std::strlen(pub.what()), 255u);
  EXPECT_EQ(pub.status(), ZEL_BAD_ARG);
  EXPECT_STREQ(ZELI_FailedException(nullptr).what(), "");
  ZELI_Message m;
  m << "The container " << "/tmp/x" << " has " << 3LL << " versions";
  EXPECT_STREQ(m.c_str(), "The container /tmp/x has 3 versions");
  ZELI_Message big;
  for (int i = 0; i < 100; ++i) big << "abcdef";
  EXPECT_EQ(std::strlen(big.c_str()), 255u);

  // Two live exceptions keep their own messages.
  ZELI_FailedException first("first");
  ZELI_BadArgException second("second");
  EXPECT_STREQ(first.what(), "first");
  EXPECT_STREQ(second.what(), "second");

  // A disk error keeps the text of the errno current at its construction.
  errno = ENOSPC;
  ZELI_DiskIOException disk;
  errno = 0;
  EXPECT_STREQ(disk.what(), "No space left on device");
  EXPECT_STREQ(ZELI_DiskIOException(EACCES).what(), "Permission denied");
  EXPECT_EQ(disk.status, ZEL_DISK_IO);
}

TEST(CallFrame, ConvertsEveryKindOfFailureAndSuccessKeepsThePreviousMessage) {
  EXPECT_EQ(zeltest::RunInFrame("ZEL_A", [] { throw ZELI_NotFoundException("WaveformSet not found"); }), ZEL_NOT_FOUND);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_A: WaveformSet not found");

  EXPECT_EQ(zeltest::RunInFrame("ZEL_B", [] { throw ZEL_Exception("from a wrapper", ZEL_FAILED); }), ZEL_FAILED);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_B: from a wrapper");

  EXPECT_EQ(zeltest::RunInFrame("ZEL_C", [] { throw std::runtime_error("boom"); }), ZEL_UNKNOWN_EXCEPTION);
  EXPECT_STREQ(ZEL_GetError(), "Unknown exception caught in ZEL_C");

  EXPECT_EQ(zeltest::RunInFrame("ZEL_D", [] { throw 42; }), ZEL_UNKNOWN_EXCEPTION);
  EXPECT_STREQ(ZEL_GetError(), "Unknown exception caught in ZEL_D");

  EXPECT_EQ(zeltest::RunInFrame("ZEL_E", [] { throw std::bad_alloc(); }), ZEL_BAD_ALLOC);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_E: Out of memory");

  // Success stores ZEL_OK and keeps the previous message.
  zel_status_t status = ZEL_FAILED;
  const int result = ZELC_Call("ZEL_H", &status, -1, [](ZELC_Interface&) { return 7; });
  EXPECT_EQ(result, 7);
  EXPECT_EQ(status, ZEL_OK);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_E: Out of memory");
  // A failing call returns the failure value; a null status pointer is allowed.
  EXPECT_EQ(ZELC_Call("ZEL_I", nullptr, -1, [](ZELC_Interface&) -> int { throw ZELI_FailedException("x"); }), -1);
}

TEST(CallFrame, ExhaustedMemoryInsideACallIsBadAlloc) {
  std::new_handler before = std::get_new_handler();
  // Inside the frame the process's new-handler is the throwing one: calling
  // it is exactly what operator new does when memory is exhausted.
  const zel_status_t status = zeltest::RunInFrame("ZEL_Alloc", [] {
    std::new_handler inside = std::get_new_handler();
    ASSERT_NE(inside, nullptr);
    inside();
  });
  EXPECT_EQ(status, ZEL_BAD_ALLOC);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_Alloc: Out of memory");
  // The caller's handler is back after the call.
  EXPECT_EQ(std::get_new_handler(), before);
#if !defined(__SANITIZE_ADDRESS__)
  // A real allocation far beyond any machine (the address sanitizer's own
  // allocator aborts on such requests instead of calling the handler). The
  // block escapes through a volatile pointer: an optimiser may remove a new
  // whose block nobody can see, and the handler would never be called.
  EXPECT_EQ(zeltest::RunInFrame("ZEL_Huge", [] {
              static char* volatile escaped = nullptr;
              volatile size_t huge = SIZE_MAX / 4;
              escaped = new char[huge];
              delete[] escaped;
            }),
            ZEL_BAD_ALLOC);
  EXPECT_THROW(ZELI_OS_Malloc(SIZE_MAX / 4), ZELI_BadAllocException);
#endif
  EXPECT_EQ(ZELI_OS_Malloc(0), nullptr);
}

TEST(LargeBlockReserve, FreedLargeBlocksComeBackToRequestsTheyFitWithinTheBound) {
  ZELI_ReleaseLargeBlockReserve();
  const size_t large = ZELI_LargeBlockBytes;
  // Small blocks are never kept.
  ZELI_OS_Free(ZELI_OS_Malloc(large / 2));
  EXPECT_EQ(ZELI_LargeBlocksInReserve(), 0u);
  // A large one is, and serves a request of between half its size and its
  // size; a request too small or too large gets other memory.
  void* block = ZELI_OS_Malloc(4 * large);
  std::memset(block, 7, 4 * large);
  ZELI_OS_Free(block);
  EXPECT_GE(ZELI_LargeBlocksInReserve(), 4 * large);
  void* small = ZELI_OS_Malloc(large);
  void* big = ZELI_OS_Malloc(8 * large);
  EXPECT_NE(small, block);
  EXPECT_NE(big, block);
  void* again = ZELI_OS_Malloc(3 * large);
  EXPECT_EQ(again, block);
  EXPECT_EQ(ZELI_LargeBlocksInReserve(), 0u);
  // Realloc and free work on a block from the reserve like on any other.
  again = ZELI_OS_Realloc(again, 5 * large);
  static_cast<char*>(again)[5 * large - 1] = 1;
  for (void* p : {small, big, again}) ZELI_OS_Free(p);
  // A block to be filled whole comes from the reserve too, or else with its
  // pages present; either way it is an ordinary block.
  void* filled = ZELI_OS_MallocToFill(4 * large);
  EXPECT_EQ(filled, again);
  std::memset(filled, 1, 4 * large);
  void* fresh = ZELI_OS_MallocToFill(32 * large);
  std::memset(fresh, 2, 32 * large);
  ZELI_OS_Free(fresh);
  ZELI_OS_Free(filled);
  // Never more than the bound.
  std::vector<void*> blocks;
  for (size_t held = 0; held <= ZELI_LargeBlockReserveBytes; held += 16 * large) {
    blocks.push_back(ZELI_OS_Malloc(16 * large));
  }
  for (void* p : blocks) ZELI_OS_Free(p);
  EXPECT_LE(ZELI_LargeBlocksInReserve(), ZELI_LargeBlockReserveBytes);
  ZELI_ReleaseLargeBlockReserve();
  EXPECT_EQ(ZELI_LargeBlocksInReserve(), 0u);
}

TEST(CallFrame, MessageSurvivesAnExceptionBuiltDuringUnwinding) {
  struct CleanUp {
    ~CleanUp() {
      try {
        throw ZELI_FailedException("clean-up failure");
      } catch (const ZELI_Exception&) {
      }
    }
  };
  EXPECT_EQ(zeltest::RunInFrame("ZEL_F", [] {
              CleanUp guard;
              throw ZELI_BadArgException("the real reason");
            }),
            ZEL_BAD_ARG);
  EXPECT_STREQ(ZEL_GetError(), "ZEL_F: the real reason");
}
