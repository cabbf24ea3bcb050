// The call frame of every exported function.
//
//   return ZELC_Call(__func__, status, ZEL_NullView, [&](ZELC_Interface& zel) {
//     ZELC_Session* session = zel.ConvertSessionHandle(sessionHandle);
//     ...
//     return result;
//   });
//
// The frame installs the throwing new-handler for the duration of the call,
// runs the body, stores ZEL_OK through the status pointer and returns the
// body's result. When an exception escapes, it restores the previous handler
// first (reporting may allocate), turns the exception into a status and the
// current message ("<function>: <reason>") and returns the failure value.
// Library exceptions come first, then std::bad_alloc (also "Out of memory"),
// then anything else ("Unknown exception caught in <function>"). Nothing
// escapes: exported functions are noexcept.
//
// ZELC_Call is the frame of a function with a result, ZELC_CallVoid the same
// frame for a function that returns nothing. Exported functions reach both
// through interface/call.h, with the rest of the helpers they are written
// with.
#ifndef ZEL_INTERFACE_FRAME_H
#define ZEL_INTERFACE_FRAME_H

#include <new>
#include <type_traits>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "interface/interface.h"

#define ZEL_EXPORT extern "C" __attribute__((visibility("default")))

// Converts the exception being handled into a status and the current
// message. Call only from inside a catch block.
zel_status_t ZELC_ReportException(const char* functionName) noexcept;

// What the frame does with the new-handler. ZELC_PER_VALUE leaves it alone:
// for bodies on the per-value path of data writers, where a failing `new` as
// std::bad_alloc reports the same status and message, and swapping the
// process-wide handler twice per value would cost more than the value.
enum ZELC_HandlerUse { ZELC_INSTALL_HANDLER, ZELC_PER_VALUE };

template <ZELC_HandlerUse handlerUse = ZELC_INSTALL_HANDLER, typename Result, typename Body>
Result ZELC_Call(const char* functionName, zel_status_t* status, Result failure, Body&& body) noexcept {
  ZELI_NewHandler handler(handlerUse == ZELC_INSTALL_HANDLER);
  zel_status_t code;
  try {
    Result result = body(ZELC_Interface::TheInterface());
    handler.Restore();
    if (status != nullptr) *status = ZEL_OK;
    return result;
  } catch (...) {
    handler.Restore();
    code = ZELC_ReportException(functionName);
  }
  if (status != nullptr) *status = code;
  return failure;
}

// For functions that return nothing.
template <ZELC_HandlerUse handlerUse = ZELC_INSTALL_HANDLER, typename Body>
void ZELC_CallVoid(const char* functionName, zel_status_t* status, Body&& body) noexcept {
  ZELC_Call<handlerUse>(functionName, status, 0, [&](ZELC_Interface& zel) {
    body(zel);
    return 0;
  });
}

#endif  // ZEL_INTERFACE_FRAME_H
