// The exception-to-status conversion shared by every exported function.
#include "interface/frame.h"

zel_status_t ZELC_ReportException(const char* functionName) noexcept {
  try {
    try {
      throw;
    } catch (const ZELI_Exception& e) {
      return ZELC_Interface::TheInterface().Get_Status(e, functionName);
    } catch (const ZEL_Exception& e) {
      return ZELC_Interface::TheInterface().Get_Status(e, functionName);
    } catch (const std::bad_alloc&) {
      return ZELC_Interface::TheInterface().Get_Status(ZELI_BadAllocException(), functionName);
    } catch (...) {
      return ZELC_Interface::TheInterface().Get_UnknownExceptionStatus(functionName);
    }
  } catch (...) {
    // Only reachable when the interface itself cannot be built (no memory
    // on the very first call): the status still tells the caller.
    return ZEL_BAD_ALLOC;
  }
}
