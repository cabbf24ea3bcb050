// The helpers every exported function is written with, one for each step:
//
//   the frame            ZELC_Call(__func__, status, failure, body) and, for
//                        functions without a result, ZELC_CallVoid
//                        (frame.h)
//   handles in           ZELC_Resolve(session, handle): the object with the
//                        wrapper of its container; with a container and a
//                        message, the object must belong to that container
//                        ZELC_Resolve(pointer): the caller's object behind a
//                        data-writer or waveform-segment pointer
//   pointer arguments    ZELI_RequireArgument(pointer, message)
//                        (errors/exceptions.h)
//   new access objects   ZELC_InsertAccessObject(wrapper, object, rollback)
//   handles out          ZELC_HandleOf, ZELC_HandleArray, ZELC_RangeRecord
//                        (handle_lists.h)
//
// An exported function is then a few lines: the frame, its handles
// resolved, one call on an implementation object, the out-parameters filled.
//
//   ZEL_EXPORT zel_type_t ZEL_GetBaseType(zel_session_t session, zel_type_t type,
//                                         zel_status_t* status) noexcept {
//     return ZELC_Call(__func__, status, ZEL_NullType, [&](ZELC_Interface& zel) {
//       const ZELC_Arg<ZELI_Type> t = ZELC_Resolve(zel.ConvertSessionHandle(session), type);
//       return ZELC_HandleOf<zel_type_t>(t.wrapper, t->Get_BaseType_p());
//     });
//   }
#ifndef ZEL_INTERFACE_CALL_H
#define ZEL_INTERFACE_CALL_H

#include <type_traits>

#include "errors/exceptions.h"
#include "interface/container_wrapper.h"
#include "interface/frame.h"
#include "interface/handle_lists.h"
#include "interface/interface.h"
#include "model/container.h"

// A handle's implementation object with the wrapper of the open container
// that holds it (a container's own wrapper for a container handle; null for
// a view, which belongs to the session).
template <typename T>
struct ZELC_Arg {
  T* object;
  ZELC_Container* wrapper;

  T* operator->() const { return object; }
  T& operator*() const { return *object; }
};

template <typename Handle>
using ZELC_ArgOf = ZELC_Arg<typename ZELC_HandleTraits<Handle>::Object>;

// Converts a handle of the session (key, kind and session checked; see
// ZELC_Session::ConvertObjectKey). Given a container wrapper, the object must
// also belong to that wrapper's container, else ZELI_BadArgException with the
// message ("Type belongs to another container", ...).
template <typename Handle>
ZELC_ArgOf<Handle> ZELC_Resolve(const ZELC_Session* session, Handle handle,
                                const ZELC_Container* sameContainer = nullptr, const char* message = nullptr) {
  using Wrapper = typename ZELC_HandleTraits<Handle>::Wrapper;
  Wrapper* handleObject = session->Convert(handle);
  ZELC_Container* wrapper;
  if constexpr (std::is_same_v<Wrapper, ZELC_Container>) {
    wrapper = handleObject;
  } else if constexpr (std::is_base_of_v<ZELC_ContainedBase<typename ZELC_HandleTraits<Handle>::Object>, Wrapper>) {
    wrapper = handleObject->Get_Container_p();
  } else {
    wrapper = nullptr;
  }
  if (sameContainer != nullptr && (wrapper == nullptr || wrapper->Get_Object_p() != sameContainer->Get_Object_p())) {
    throw ZELI_BadArgException(message);
  }
  return {handleObject->Get_Object_p(), wrapper};
}

// The caller's object behind a pointer of the data-writer and
// waveform-segment families, which take no session. The pointer is looked up
// among the live ones (ZELI_IsLive, beside each class) before it is ever
// dereferenced: a null, stale, foreign or invented pointer is
// "Bad handle: wrong handle (deleted?)".
template <typename Public>
Public& ZELC_Resolve(Public* pointer) {
  if (!ZELI_IsLive(pointer)) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
  return *pointer;
}

// Hands out the handle of an object just created in the wrapper's container
// (a writer, simulation result writer or subset, reader, waveform reader, node
// iterator). An access object that nothing registered yet (key -1) is first
// registered in the container's access map. When this fails, that
// registration is undone, then rollback() undoes the creation (destroys the
// object or takes it back from its owner), and the failure goes on.
template <typename Handle, typename T, typename Rollback>
Handle ZELC_InsertAccessObject(ZELC_Container* wrapper, T* object, Rollback&& rollback) {
  ZELI_Container* container = wrapper->Get_Object_p();
  try {
    [[maybe_unused]] bool registered = false;
    if constexpr (std::is_base_of_v<ZELI_AccessBase, T>) {
      if (object->Get_Key() == -1) {
        object->Set_Key(container->Get_AccessConvertor().Insert(object));
        registered = true;
      }
    }
    try {
      return ZELC_HandleOf<Handle>(wrapper, object);
    } catch (...) {
      if constexpr (std::is_base_of_v<ZELI_AccessBase, T>) {
        if (registered) container->Erase(object);
      }
      throw;
    }
  } catch (...) {
    rollback();
    throw;
  }
}

#endif  // ZEL_INTERFACE_CALL_H
