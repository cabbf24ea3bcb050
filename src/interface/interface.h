// The process-wide interface object and the client sessions it owns.
//
// ZELC_Interface is created on first use and destroyed at process exit, when
// it ends every session still open as ZEL_TermSession would (termination
// callbacks, then detaching attached containers and closing the others).
// It also keeps the error state that callers read: the current message (at
// most 129 characters) and, with collecting on, the list of earlier ones.
//
// ZELC_Session owns a key map of handle objects: every non-session handle's
// key indexes it. Converting a handle checks the key, the kind and the
// session, whatever the handle-verification flag says.
#ifndef ZEL_INTERFACE_INTERFACE_H
#define ZEL_INTERFACE_INTERFACE_H

#include <cstdint>
#include <map>
#include <vector>

#include "errors/exceptions.h"
#include "interface/handles.h"
#include "store/keymap.h"

class ZELC_Session final : public ZELC_Base {
 public:
  ZELC_Session();
  // Releases the handle objects still in the map: views (with the view
  // itself) and anything else left. Containers must be closed before.
  ~ZELC_Session() override;

  // Inserts a handle object; sets its key and session key.
  int Insert(ZELC_Base* object);
  // Destroys the handle object at key and frees the key.
  void Erase(int key);
  // Frees the key without destroying the object (owners that destroy it
  // themselves).
  void Release(int key);

  // Validating look-up of a handle object of the given kind in this session.
  ZELC_Base* ConvertObjectKey(int key, ObjectType kind) const;

  // The handle object of a handle, and its implementation object alone.
  // Exported functions convert through ZELC_Resolve (call.h), which also
  // gives the container's wrapper and checks the container.
  template <typename Handle>
  typename ZELC_HandleTraits<Handle>::Wrapper* Convert(Handle handle) const {
    return static_cast<typename ZELC_HandleTraits<Handle>::Wrapper*>(
        ConvertObjectKey(handle.key, ZELC_HandleTraits<Handle>::kind));
  }
  template <typename Handle>
  typename ZELC_HandleTraits<Handle>::Object* Object(Handle handle) const {
    return Convert(handle)->Get_Object_p();
  }

  void RegisterTermCallback(zel_termCallback_t callback);
  void UnregisterTermCallback(zel_termCallback_t callback);
  // Calls every callback once, in ascending order of function address; what
  // a callback throws ends the walk and propagates.
  void CallTermCallbacks();
  // Detaches the attached containers, then closes the others (ascending
  // keys); failures are ignored, as at the end of a session nothing can be
  // reported to a caller any more.
  void CloseContainers() noexcept;

  const ZELI_KeyMap<ZELC_Base>& Get_Objects() const { return objects_; }

 private:
  ZELI_KeyMap<ZELC_Base> objects_;
  // Ordered by function address, free of duplicates.
  std::map<uintptr_t, zel_termCallback_t> callbacks_;
};

class ZELC_Interface {
 public:
  // Maximum length of the current message.
  static constexpr unsigned MessageMax = 129;

  // The singleton, constructed on first use. Inline: every exported function
  // asks for it, the data writers' per-value ones included.
  static ZELC_Interface& TheInterface() { return current_ != nullptr ? *current_ : MakeCurrent(); }
  // Replaces the singleton by a fresh one; the previous one, its sessions and
  // their open containers are abandoned without any closing, so that their
  // containers stay registered as after a crash.
  static void SimulateClientCrash();

  ~ZELC_Interface();
  ZELC_Interface(const ZELC_Interface&) = delete;
  ZELC_Interface& operator=(const ZELC_Interface&) = delete;

  // Sessions.
  int Insert(ZELC_Session* session);
  ZELC_Session* ConvertSessionHandle(zel_session_t session) const;
  // Destroys the session object and frees its key.
  void Erase(zel_session_t session);
  // Ends a session: callbacks, containers, then the session itself.
  void TermSession(zel_session_t session);

  // Error reporting. None of these throws.
  zel_status_t Get_Status(const ZELI_Exception& e, const char* functionName) noexcept;
  zel_status_t Get_Status(const ZEL_Exception& e, const char* functionName) noexcept;
  zel_status_t Get_UnknownExceptionStatus(const char* functionName) noexcept;
  const char* Get_Error() const noexcept { return message_; }
  const char* const* Get_AccumulatedErrors(unsigned* count) noexcept;
  void Set_ErrorCollecting(zel_bool_t on) noexcept { errorCollecting_ = on ? 1 : 0; }
  zel_bool_t Get_ErrorCollecting() const noexcept { return errorCollecting_; }
  void Append_Error(const char* text) noexcept;
  void Push_Error() noexcept;
  void Clear_ErrorArray() noexcept;
  void Assign_Error(const char* text) noexcept;
  void Erase_Error() noexcept;

  void Set_HandleVerification(zel_bool_t on) noexcept { handleVerification_ = on ? 1 : 0; }
  zel_bool_t Get_HandleVerification() const noexcept { return handleVerification_; }

 private:
  // Ends the current interface at process exit (interface.cc).
  struct Reaper;

  ZELC_Interface();
  // Constructs the singleton (and its reaper).
  static ZELC_Interface& MakeCurrent();
  // Saves the current message when collecting, then empties it.
  void StartMessage() noexcept;

  char message_[MessageMax + 1] = {};
  unsigned messageLength_ = 0;
  bool errorListStale_ = true;
  std::vector<char*> errorList_;  // malloc'd copies, oldest first
  zel_bool_t handleVerification_ = 1;
  zel_bool_t errorCollecting_ = 0;
  ZELI_KeyMap<ZELC_Base> sessions_;  // owns the ZELC_Session objects
  bool abandoned_ = false;           // set by SimulateClientCrash

  static ZELC_Interface* current_;  // null until first use; replaced by SimulateClientCrash
};

#endif  // ZEL_INTERFACE_INTERFACE_H
