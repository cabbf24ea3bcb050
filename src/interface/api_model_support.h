// Helpers shared by the exported waveform-set and segment functions:
// converting handles of a set or segment together with their container's
// wrapper, and lists of parameter handles.
#ifndef ZEL_INTERFACE_API_MODEL_SUPPORT_H
#define ZEL_INTERFACE_API_MODEL_SUPPORT_H

#include <vector>

#include "interface/container_wrapper.h"
#include "interface/frame.h"
#include "interface/handle_lists.h"

// An object of a container together with the wrapper of its container,
// through which handles of related objects are made.
template <typename T>
struct ZELC_Contained {
  ZELC_Container* wrapper;
  T* object;
};

template <typename Handle>
ZELC_Contained<typename ZELC_HandleTraits<Handle>::Object> ZELC_ConvertContained(ZELC_Session* session, Handle handle) {
  auto* handleObject = session->Convert(handle);
  return {handleObject->Get_Container_p(), handleObject->Get_Object_p()};
}

// Runs body(session, contained object) in the call frame for a function of
// one object handle.
template <typename Handle, typename Result, typename Body>
Result ZELC_CallWith(const char* function, zel_session_t session, Handle handle, zel_status_t* status, Result failure,
                     Body&& body) noexcept {
  return ZELC_Call(function, status, failure, [&](ZELC_Interface& zel) -> Result {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    return body(s, ZELC_ConvertContained(s, handle));
  });
}

// The parameters of count handles (a null handle is an empty entry; a null
// array gives count empty entries); each must belong to wrapper's container.
std::vector<ZELI_Parameter*> ZELC_ConvertParameterList(ZELC_Session* session, ZELC_Container* wrapper, unsigned count,
                                                       const zel_parameter_t* handles);

#endif  // ZEL_INTERFACE_API_MODEL_SUPPORT_H
