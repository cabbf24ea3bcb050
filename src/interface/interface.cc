// ZELC_Interface: the singleton, its sessions and the error state.
#include "interface/interface.h"

#include <cstdlib>
#include <cstring>

#include "interface/container_wrapper.h"

ZELC_Interface* ZELC_Interface::current_ = nullptr;

// Constructed on the first call of MakeCurrent, so it is destroyed before
// anything constructed earlier; the helpers that teardown uses (file layer,
// byte-order facts, exception texts) are never destroyed or trivially
// destructible.
struct ZELC_Interface::Reaper {
  ~Reaper() {
    delete current_;
    current_ = nullptr;
  }
};

ZELC_Interface::ZELC_Interface() = default;

ZELC_Interface& ZELC_Interface::MakeCurrent() {
  if (current_ == nullptr) {
    static Reaper reaper;
    current_ = new ZELC_Interface;
  }
  return *current_;
}

void ZELC_Interface::SimulateClientCrash() {
  // The abandoned interface stays reachable here and is never destroyed: its
  // sessions and containers must not be closed, as after a crash.
  static std::vector<ZELC_Interface*>* abandoned = new std::vector<ZELC_Interface*>;
  ZELC_Interface* fresh = new ZELC_Interface;
  if (current_ != nullptr) {
    current_->abandoned_ = true;
    abandoned->push_back(current_);
  }
  current_ = fresh;
}

ZELC_Interface::~ZELC_Interface() {
  Clear_ErrorArray();
  if (abandoned_) return;
  std::vector<int> keys;
  for (int key : sessions_) keys.push_back(key);
  for (int key : keys) {
    ZELC_Session* session = static_cast<ZELC_Session*>(sessions_[key]);
    try {
      session->CallTermCallbacks();
    } catch (...) {
      // At process exit nobody is left to tell; the containers still close.
    }
    session->CloseContainers();
    sessions_.Erase(key);
    delete session;
  }
}

int ZELC_Interface::Insert(ZELC_Session* session) {
  const int key = sessions_.Insert(session);
  try {
    session->Set_Keys(key, key);
  } catch (...) {
    sessions_.Erase(key);
    throw;
  }
  return key;
}

ZELC_Session* ZELC_Interface::ConvertSessionHandle(zel_session_t session) const {
  return static_cast<ZELC_Session*>(sessions_[session.key]);
}

void ZELC_Interface::Erase(zel_session_t session) {
  ZELC_Session* object = ConvertSessionHandle(session);
  sessions_.Erase(session.key);
  delete object;
}

void ZELC_Interface::TermSession(zel_session_t session) {
  ZELC_Session* object = ConvertSessionHandle(session);
  object->CallTermCallbacks();
  object->CloseContainers();
  Erase(session);
}

// ---- error state ---------------------------------------------------------

void ZELC_Interface::Append_Error(const char* text) noexcept {
  if (text == nullptr) return;
  for (; *text != '\0' && messageLength_ < MessageMax; ++text) message_[messageLength_++] = *text;
  message_[messageLength_] = '\0';
}

void ZELC_Interface::Push_Error() noexcept {
  if (errorListStale_) {
    Clear_ErrorArray();
    errorListStale_ = false;
  }
  // Under memory exhaustion the copy is dropped: reporting must not fail.
  char* copy = static_cast<char*>(std::malloc(messageLength_ + 1));
  if (copy == nullptr) return;
  std::memcpy(copy, message_, messageLength_ + 1);
  try {
    errorList_.push_back(copy);
  } catch (...) {
    std::free(copy);
  }
}

void ZELC_Interface::Clear_ErrorArray() noexcept {
  for (char* text : errorList_) std::free(text);
  errorList_.clear();
}

void ZELC_Interface::StartMessage() noexcept {
  if (errorCollecting_ && messageLength_ > 0) Push_Error();
  messageLength_ = 0;
  message_[0] = '\0';
}

void ZELC_Interface::Assign_Error(const char* text) noexcept {
  StartMessage();
  Append_Error(text);
}

void ZELC_Interface::Erase_Error() noexcept { StartMessage(); }

zel_status_t ZELC_Interface::Get_Status(const ZELI_Exception& e, const char* functionName) noexcept {
  StartMessage();
  Append_Error(functionName);
  Append_Error(": ");
  Append_Error(e.what());
  return e.status;
}

zel_status_t ZELC_Interface::Get_Status(const ZEL_Exception& e, const char* functionName) noexcept {
  StartMessage();
  Append_Error(functionName);
  Append_Error(": ");
  Append_Error(e.what());
  return e.status();
}

zel_status_t ZELC_Interface::Get_UnknownExceptionStatus(const char* functionName) noexcept {
  StartMessage();
  Append_Error("Unknown exception caught");
  Append_Error(" in ");
  Append_Error(functionName);
  return ZEL_UNKNOWN_EXCEPTION;
}

const char* const* ZELC_Interface::Get_AccumulatedErrors(unsigned* count) noexcept {
  if (errorListStale_) Clear_ErrorArray();
  if (errorCollecting_ && messageLength_ > 0) Push_Error();
  messageLength_ = 0;
  message_[0] = '\0';
  errorListStale_ = true;
  *count = static_cast<unsigned>(errorList_.size());
  return errorList_.empty() ? nullptr : errorList_.data();
}
