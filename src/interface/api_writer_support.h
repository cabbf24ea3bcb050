// Helpers of the exported writer functions: the call frame of a data-writer
// function (a pointer checked against the registry of live data writers,
// never dereferenced when it is not live) and of a function of one writer
// handle.
#ifndef ZEL_INTERFACE_API_WRITER_SUPPORT_H
#define ZEL_INTERFACE_API_WRITER_SUPPORT_H

#include "interface/api_model_support.h"
#include "waveforms/data_writer_support.h"

// Runs body(data writer) in the call frame (ZELI_IsLive tells live ones).
// perValue: the frame of a per-value call (see ZELC_CallFrame).
template <typename DataWriter, typename Body>
void ZELC_WithDataWriter(const char* function, DataWriter* dataWriter, zel_status_t* status, Body&& body,
                         bool perValue = false) noexcept {
  ZELC_CallFrame(function, status, 0, !perValue, [&](ZELC_Interface&) {
    if (!ZELI_IsLive(dataWriter)) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
    body(*dataWriter);
    return 0;
  });
}

// Runs body(object) in the call frame for a function of one handle that
// returns nothing.
template <typename Handle, typename Body>
void ZELC_WithObject(const char* function, zel_session_t session, Handle handle, zel_status_t* status,
                     Body&& body) noexcept {
  ZELC_CallWith(function, session, handle, status, 0,
                [&](ZELC_Session*, ZELC_Contained<typename ZELC_HandleTraits<Handle>::Object> c) {
                  body(*c.object);
                  return 0;
                });
}

// Registers a new access object with the wrapper's container and returns its
// handle. On failure the object is registered nowhere (the caller still
// owns it).
template <typename Handle, typename T>
Handle ZELC_InsertAccessObject(ZELC_Container* wrapper, T* object) {
  ZELI_Container* container = wrapper->Get_Object_p();
  object->Set_Key(container->Get_AccessConvertor().Insert(object));
  try {
    return ZELC_HandleOf<Handle>(wrapper, object);
  } catch (...) {
    container->Erase(object);
    throw;
  }
}

#endif  // ZEL_INTERFACE_API_WRITER_SUPPORT_H
