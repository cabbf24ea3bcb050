// Exported functions: sessions, termination callbacks, handle checks,
// version queries, views and error reporting.
#include <memory>

#include "interface/call.h"
#include "store/stream.h"
#include "views/view.h"

// The kinds that have a null handle and the Is<Kind>Null / AreSame<Kind>
// pair.
#define ZELC_FOR_EACH_HANDLE_KIND(X)                   \
  X(Session, zel_session_t)                            \
  X(Container, zel_container_t)                        \
  X(View, zel_view_t)                                  \
  X(Type, zel_type_t)                                  \
  X(DimensionDescriptor, zel_dimensionDescriptor_t)    \
  X(Parameter, zel_parameter_t)                        \
  X(HierarchyNode, zel_hierarchyNode_t)                \
  X(NodeIterator, zel_nodeIterator_t)                  \
  X(WaveformSet, zel_waveformSet_t)                    \
  X(Segment, zel_segment_t)                            \
  X(Waveform, zel_waveform_t)                          \
  X(SimResultWriter, zel_simResultWriter_t)            \
  X(SimResultSubset, zel_simResultSubset_t)            \
  X(Writer, zel_writer_t)                              \
  X(WfDataView, zel_wfDataView_t)                      \
  X(Reader, zel_reader_t)

#define ZELC_DEFINE_HANDLE_FUNCTIONS(Kind, HandleT)                                         \
  ZEL_EXPORT const HandleT ZEL_Null##Kind = {-1};                                           \
  ZEL_EXPORT zel_bool_t ZEL_Is##Kind##Null(HandleT h) noexcept { return h.key == -1; }       \
  ZEL_EXPORT zel_bool_t ZEL_AreSame##Kind(HandleT a, HandleT b) noexcept { return a.key == b.key; }
ZELC_FOR_EACH_HANDLE_KIND(ZELC_DEFINE_HANDLE_FUNCTIONS)
#undef ZELC_DEFINE_HANDLE_FUNCTIONS

ZEL_EXPORT zel_session_t ZEL_InitSession(zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullSession, [&](ZELC_Interface& zel) {
    ZELC_Session* session = new ZELC_Session;
    try {
      return zel_session_t{zel.Insert(session)};
    } catch (...) {
      delete session;
      throw;
    }
  });
}

ZEL_EXPORT void ZEL_TermSession(zel_session_t session, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) { zel.TermSession(session); });
}

ZEL_EXPORT void ZEL_RegisterTermCallback(zel_session_t session, zel_termCallback_t callback,
                                         zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    zel.ConvertSessionHandle(session)->RegisterTermCallback(callback);
  });
}

ZEL_EXPORT void ZEL_UnregisterTermCallback(zel_session_t session, zel_termCallback_t callback,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    zel.ConvertSessionHandle(session)->UnregisterTermCallback(callback);
  });
}

ZEL_EXPORT void ZEL_SetHandleVerification(zel_bool_t verify) noexcept {
  // Without the frame: only building the interface can fail, and then there
  // is no flag to set.
  try {
    ZELC_Interface::TheInterface().Set_HandleVerification(verify);
  } catch (...) {
  }
}

ZEL_EXPORT zel_bool_t ZEL_GetHandleVerification(void) noexcept {
  try {
    return ZELC_Interface::TheInterface().Get_HandleVerification();
  } catch (...) {
    return 0;
  }
}

ZEL_EXPORT unsigned ZEL_GetSoftwareVersion(void) noexcept { return ZELI_CurrentSoftwareVersion; }

ZEL_EXPORT const char* ZEL_GetFilenameExt(void) noexcept { return ZELI_Container::Get_FilenameExt(); }

ZEL_EXPORT const char* ZEL_GetDirectoryNameSuffix(void) noexcept {
  return ZELI_Container::Get_DirectoryNameSuffix();
}

ZEL_EXPORT zel_view_t ZEL_CreateView(zel_session_t session, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullView, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    std::unique_ptr<ZELI_View> view(new ZELI_View);
    std::unique_ptr<ZELC_StandaloneBase<ZELI_View>> wrapper(
        new ZELC_StandaloneBase<ZELI_View>(ZELC_Base::VIEW, view.get()));
    const int key = owner->Insert(wrapper.get());
    wrapper.release();
    view.release();
    return zel_view_t{key};
  });
}

ZEL_EXPORT void ZEL_DeleteView(zel_session_t session, zel_view_t view, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    ZELI_View* object = ZELC_Resolve(owner, view).object;
    if (object->IsInUse()) throw ZELI_FailedException("View is in use");
    owner->Erase(view.key);
    delete object;
  });
}

// ---- errors --------------------------------------------------------------

ZEL_EXPORT const char* ZEL_GetError(void) noexcept {
  try {
    return ZELC_Interface::TheInterface().Get_Error();
  } catch (...) {
    return "";
  }
}

ZEL_EXPORT void ZEL_SetErrorCollecting(zel_bool_t collect) noexcept {
  try {
    ZELC_Interface::TheInterface().Set_ErrorCollecting(collect);
  } catch (...) {
  }
}

ZEL_EXPORT zel_bool_t ZEL_GetErrorCollecting(void) noexcept {
  try {
    return ZELC_Interface::TheInterface().Get_ErrorCollecting();
  } catch (...) {
    return 0;
  }
}

ZEL_EXPORT const char* const* ZEL_GetAccumulatedErrors(unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char* const*>(nullptr), [&](ZELC_Interface& zel) {
    ZELI_RequireArgument(count, "count is null");
    return zel.Get_AccumulatedErrors(count);
  });
}
