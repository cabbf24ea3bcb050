// Sessions, handles, termination callbacks, views and error reporting
// through the exported functions.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "interface/container_wrapper.h"
#include "interface/frame.h"
#include "test_support.h"
#include "views/view.h"

using zeltest::SessionTest;

namespace {

std::vector<int> g_calls;
void CallbackA() { g_calls.push_back(1); }
void CallbackB() { g_calls.push_back(2); }
void CallbackC() { g_calls.push_back(3); }

// Makes the current message a known, non-empty text.
void FailOnce(const char* name) {
  zel_status_t st;
  ZELC_CallVoid(name, &st, [](ZELC_Interface&) { throw ZELI_FailedException("failed"); });
}

}  // namespace

// A persistent object for exercising container handle objects; its handles
// pose as type handles.
struct SessionTestProbe : ZELI_ExternalBase {};
template <>
struct ZELC_KindOf<SessionTestProbe> {
  static constexpr ZELC_Base::ObjectType kind = ZELC_Base::TYPE;
};
using Probe = SessionTestProbe;

TEST(Session, EndedSessionHandleIsRefusedAndItsKeyReusedAndHandlesCompareByKey) {
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
  ZEL_TermSession(zel_session_t{-1}, &st);
  EXPECT_EQ(st, ZEL_BAD_HANDLE);
  // Null and same handles are key comparisons only.
  EXPECT_TRUE(ZEL_IsSessionNull(ZEL_NullSession));
  EXPECT_TRUE(ZEL_IsWaveformSetNull(ZEL_NullWaveformSet));
  EXPECT_FALSE(ZEL_IsTypeNull(zel_type_t{0}));
  EXPECT_TRUE(ZEL_AreSameType(zel_type_t{3}, zel_type_t{3}));
  EXPECT_FALSE(ZEL_AreSameReader(zel_reader_t{3}, zel_reader_t{4}));
  EXPECT_EQ(ZEL_GetSoftwareVersion(), 8u);
  EXPECT_STREQ(ZEL_GetFilenameExt(), ".qo_zel");
  EXPECT_STREQ(ZEL_GetDirectoryNameSuffix(), "_zel");
}

TEST_F(SessionTest, CallbacksRunOnceInAddressOrderAtTermination) {
  g_calls.clear();
  ZEL_RegisterTermCallback(session_, CallbackB, &status_);
  ZEL_RegisterTermCallback(session_, CallbackC, &status_);
  ZEL_RegisterTermCallback(session_, CallbackA, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_RegisterTermCallback(session_, CallbackA, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_DUPLICATE, "ZEL_RegisterTermCallback: The callback is already registered.");
  ZEL_UnregisterTermCallback(session_, CallbackC, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_UnregisterTermCallback(session_, CallbackC, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_NOT_FOUND, "ZEL_UnregisterTermCallback: The callback is not registered.");
  ZEL_RegisterTermCallback(session_, nullptr, &status_);
  EXPECT_EQ(status_, ZEL_BAD_ARG);

  ZEL_TermSession(session_, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  session_.key = -1;
  std::vector<std::pair<uintptr_t, int>> expected = {{reinterpret_cast<uintptr_t>(&CallbackA), 1},
                                                     {reinterpret_cast<uintptr_t>(&CallbackB), 2}};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(g_calls, (std::vector<int>{expected[0].second, expected[1].second}));
}

TEST_F(SessionTest, ThrowingCallbackFailsTheTerminationAndKeepsTheSession) {
  g_calls.clear();
  static void (*const thrower)() = [] { throw 42; };
  ZEL_RegisterTermCallback(session_, thrower, &status_);
  ZEL_RegisterTermCallback(session_, CallbackA, &status_);
  zel_container_t container = zeltest::AddTestContainer(session_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_TermSession(session_, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_UNKNOWN_EXCEPTION, "Unknown exception caught in ZEL_TermSession");
  // Still open, with its container; once the callback is gone it ends.
  EXPECT_FALSE(ZEL_IsContainerNull(container));
  ZEL_GetContainerName(session_, container, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  ZEL_UnregisterTermCallback(session_, thrower, &status_);
  ZEL_TermSession(session_, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  session_.key = -1;
  // CallbackA ran in both calls when its address comes first, else once.
  const bool aFirst = reinterpret_cast<uintptr_t>(&CallbackA) < reinterpret_cast<uintptr_t>(thrower);
  EXPECT_EQ(g_calls, std::vector<int>(aFirst ? 2 : 1, 1));
}

TEST_F(SessionTest, ClosedContainerKeyIsFreedLastAndTakenFirst) {
  zel_container_t container = ZEL_CreateContainer(session_, "keys", ZEL_MODE_MEMORY, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  // Handle objects of the container's types take the keys after it.
  const zel_type_t real = ZEL_CreateBuiltinType(session_, container, "r", ZEL_REAL, &status_);
  const zel_type_t integer = ZEL_CreateBuiltinType(session_, container, "i", ZEL_INTEGER, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  EXPECT_GT(real.key, container.key);
  EXPECT_GT(integer.key, real.key);
  ZEL_CloseContainer(session_, container, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  // Keys are reused most recently freed first: the container's own key went
  // back after those of its handle objects.
  zel_container_t again = ZEL_CreateContainer(session_, "keys", ZEL_MODE_MEMORY, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  EXPECT_EQ(again.key, container.key);
  ZEL_CloseContainer(session_, again, &status_);
}

TEST_F(SessionTest, HandlesAreCheckedForKeyKindAndSessionAndViewsInUseAreNotDeleted) {
  zel_view_t view = ZEL_CreateView(session_, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZELC_Interface& zel = ZELC_Interface::TheInterface();
  ZELC_Session* session = zel.ConvertSessionHandle(session_);

  // The same key given as another kind.
  try {
    session->Convert(zel_waveformSet_t{view.key});
    FAIL();
  } catch (const ZELI_BadHandleException& e) {
    EXPECT_STREQ(e.what(), "Bad handle: wrong type (reused?)");
  }
  // Keys index per-session maps: another session's handle with the same
  // key reaches this session's object, never the other session's.
  zel_session_t other = ZEL_InitSession(&status_);
  zel_view_t foreign = ZEL_CreateView(other, &status_);
  EXPECT_EQ(foreign.key, view.key);
  EXPECT_NE(ZELC_Interface::TheInterface().ConvertSessionHandle(other)->Object(foreign), session->Object(view));
  ZEL_TermSession(other, &status_);
  EXPECT_EQ(status_, ZEL_OK);

  zel_container_t container = zeltest::AddTestContainer(session_);
  zel_reader_t reader = ZEL_CreateReader(session_, container, view, &status_);
  ASSERT_EQ(status_, ZEL_OK);
  ZEL_DeleteView(session_, view, &status_);
  EXPECT_ZEL_FAILURE(status_, ZEL_FAILED, "ZEL_DeleteView: View is in use");
  ZEL_DeleteReader(session_, reader, &status_);
  ASSERT_EQ(status_, ZEL_OK);

  // Deleted, negative and unknown keys.
  ZEL_DeleteView(session_, view, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  for (int key : {view.key, -1, 12345}) {
    ZEL_DeleteView(session_, zel_view_t{key}, &status_);
    EXPECT_ZEL_FAILURE(status_, ZEL_BAD_HANDLE, "ZEL_DeleteView: Bad handle: wrong handle (deleted?)");
  }
  // A view and a reader left standing go with the session, the reader with
  // its container before the view (ASan checks the leak).
  ZEL_CreateReader(session_, container, ZEL_CreateView(session_, &status_), &status_);
  ASSERT_EQ(status_, ZEL_OK);
}

TEST_F(SessionTest, ContainerHandleObjectsAreOnePerObjectAndDieWithTheirObject) {
  ZELC_Session* session = ZELC_Interface::TheInterface().ConvertSessionHandle(session_);
  ZELI_Container* container = new ZELI_Container;
  ZELC_Container* wrapper = new ZELC_Container(container);
  wrapper->InsertInto(*session);

  Probe a, b;
  a.Set_Key(container->Get_ExternalConvertor().Insert(&a));
  b.Set_Key(container->Get_ExternalConvertor().Insert(&b));
  const int keyA = wrapper->Get_Interface_p(&a)->Get_Key();
  EXPECT_EQ(wrapper->Get_Interface_p(&a)->Get_Key(), keyA);
  const int keyB = wrapper->Get_Interface_p(&b)->Get_Key();
  EXPECT_NE(keyA, keyB);

  // The library removes a: its handle dies at once and its key is free.
  container->Erase(&a);
  EXPECT_FALSE(session->Get_Objects().IsLive(keyA));
  // A new object at a's old container key gets a fresh handle object.
  Probe c;
  c.Set_Key(container->Get_ExternalConvertor().Insert(&c));
  EXPECT_EQ(c.Get_Key(), a.Get_Key());
  EXPECT_EQ(wrapper->Get_Interface_p(&c)->Get_Object_p(), &c);

  // Asking for the handle of an object the container does not hold.
  Probe stray;
  stray.Set_Key(57);
  EXPECT_THROW(wrapper->Get_Interface_p(&stray), ZELI_FailedException);
  // The session's end releases the container wrapper and its handle objects
  // (before the probes go out of scope).
  ZEL_TermSession(session_, &status_);
  EXPECT_EQ(status_, ZEL_OK);
  session_.key = -1;
}

TEST(Errors, CurrentMessageIsCutAt129Characters) {
  const std::string name(100, 'N');
  zel_status_t st;
  ZELC_CallVoid(name.c_str(), &st, [](ZELC_Interface&) { throw ZELI_FailedException(std::string(80, 'm').c_str()); });
  const std::string expected = (name + ": " + std::string(80, 'm')).substr(0, 129);
  EXPECT_EQ(std::string(ZEL_GetError()), expected);
}

TEST(Errors, CollectingKeepsEveryFailureOldestFirstAndOnlyWhileOn) {
  unsigned count = 99;
  zel_status_t st;
  ZEL_GetAccumulatedErrors(&count, &st);  // start from an empty list
  ZEL_SetErrorCollecting(1);
  EXPECT_EQ(ZEL_GetErrorCollecting(), 1);
  FailOnce("ZEL_One");
  FailOnce("ZEL_Two");
  FailOnce("ZEL_Three");
  const char* const* list = ZEL_GetAccumulatedErrors(&count, &st);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(std::vector<std::string>(list, list + 3),
            (std::vector<std::string>{"ZEL_One: failed", "ZEL_Two: failed", "ZEL_Three: failed"}));
  EXPECT_STREQ(ZEL_GetError(), "");
  EXPECT_EQ(ZEL_GetAccumulatedErrors(&count, &st), nullptr);
  EXPECT_EQ(count, 0u);

  // A null count is a bad argument, and that failure is collected too.
  EXPECT_EQ(ZEL_GetAccumulatedErrors(nullptr, &st), nullptr);
  EXPECT_EQ(st, ZEL_BAD_ARG);
  list = ZEL_GetAccumulatedErrors(&count, &st);
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(list[0], "ZEL_GetAccumulatedErrors: count is null");

  // Without collecting the list stays empty and taking it clears the message.
  ZEL_SetErrorCollecting(0);
  FailOnce("ZEL_X");
  FailOnce("ZEL_Y");
  EXPECT_STREQ(ZEL_GetError(), "ZEL_Y: failed");
  EXPECT_EQ(ZEL_GetAccumulatedErrors(&count, &st), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_STREQ(ZEL_GetError(), "");
}

TEST(Interface, ProcessExitEndsSessionsAndSimulatedCrashAbandonsThem) {
  // A session left open runs its callbacks when the process exits. The
  // callbacks run among the exit handlers, after static objects built later
  // than the interface are destroyed: the path they write lives in an
  // array, which has no destructor. After a simulated crash the abandoned
  // session's callbacks never run and the fresh interface starts with no
  // sessions.
  zeltest::TempDir dir;
  static char marker[4096];
  std::snprintf(marker, sizeof marker, "%s", (dir / "called").c_str());
  auto exitWithASession = [](bool crash) {
    return zeltest::RunInChild(
        [crash] {
          zel_status_t st;
          zel_session_t s = ZEL_InitSession(&st);
          ZEL_RegisterTermCallback(s, [] { zeltest::WriteFileBytes(marker, {'x'}); }, &st);
          if (!crash) return st == ZEL_OK ? 0 : 1;
          ZELC_Interface::SimulateClientCrash();
          ZEL_TermSession(s, &st);
          return st == ZEL_BAD_HANDLE ? 0 : 1;
        },
        /*runExitHandlers=*/true);
  };
  EXPECT_EQ(exitWithASession(false), 0);
  EXPECT_EQ(zeltest::ReadFileBytes(marker).size(), 1u);
  ZELI_OS_Unlink(marker);
  EXPECT_EQ(exitWithASession(true), 0);
  EXPECT_FALSE(ZELI_OS_Exists(marker));
}
