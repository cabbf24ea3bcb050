// Exported functions of data views (session and handles, call frame): a
// view is created on a waveform and registered with the waveform's
// container, which owns it; its waveform segments are handed out as the
// ZEL_WfSegment pointers of the segment-access functions.
#include <memory>

#include "access/wf_segment.h"
#include "interface/call.h"
#include "model/container.h"
#include "types/type_table.h"
#include "views/wf_data_view.h"
#include "waveforms/waveform.h"

namespace {

// A type of any open container of the session, as a type of the view's
// container: a type of that container as it is, one of another container
// found or copied (FindOrCopyType).
ZELI_Type* TypeIn(const ZELC_Arg<ZELI_WfDataView>& view, const ZELC_Arg<ZELI_Type>& type) {
  if (type.wrapper != nullptr && type.wrapper == view.wrapper) return type.object;
  return view.wrapper->Get_Object_p()->Get_TypeTable().FindOrCopyType(*type, nullptr);
}

constexpr const char* kOtherContainer = "View belongs to another container";
constexpr const char* kForeignType = "Type belongs to another container";

}  // namespace

ZEL_EXPORT zel_wfDataView_t ZEL_CreateWfDataView(zel_session_t session, zel_waveform_t waveform,
                                                 zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullWfDataView, [&](ZELC_Interface& zel) {
    const auto w = ZELC_Resolve(zel.ConvertSessionHandle(session), waveform);
    ZELI_WfDataView* view = new ZELI_WfDataView(*w);
    return ZELC_InsertAccessObject<zel_wfDataView_t>(w.wrapper, view, [&] { delete view; });
  });
}

ZEL_EXPORT void ZEL_DeleteWfDataView(zel_session_t session, zel_wfDataView_t view, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto v = ZELC_Resolve(zel.ConvertSessionHandle(session), view);
    v->RequireUnreferenced();
    std::unique_ptr<ZELI_WfDataView> owned(v.object);
    v.wrapper->Get_Object_p()->Erase(owned.get());
  });
}

ZEL_EXPORT void ZEL_OpenWfDataView(zel_session_t session, zel_wfDataView_t view, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status,
                [&](ZELC_Interface& zel) { ZELC_Resolve(zel.ConvertSessionHandle(session), view)->OpenView(); });
}

ZEL_EXPORT void ZEL_CloseWfDataView(zel_session_t session, zel_wfDataView_t view, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status,
                [&](ZELC_Interface& zel) { ZELC_Resolve(zel.ConvertSessionHandle(session), view)->CloseView(); });
}

ZEL_EXPORT void ZEL_SetViewDisplayAxes(zel_session_t session, zel_wfDataView_t view, unsigned count, const int* axes,
                                       zel_bool_t curve, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), view)->Set_DisplayAxes(count, axes, curve != 0);
  });
}

ZEL_EXPORT unsigned ZEL_GetViewFirstSegment(zel_session_t session, zel_wfDataView_t view,
                                            zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), view)->Get_FirstSegment();
  });
}

ZEL_EXPORT unsigned ZEL_GetViewNextSegment(zel_session_t session, zel_wfDataView_t view, unsigned index,
                                           zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), view)->Get_NextSegment(index);
  });
}

ZEL_EXPORT ZEL_WfSegment* ZEL_GetViewSegment(zel_session_t session, zel_wfDataView_t view, unsigned index,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<ZEL_WfSegment*>(nullptr), [&](ZELC_Interface& zel) {
    return ZELC_Resolve(zel.ConvertSessionHandle(session), view)->Get_DisplayWfSegment_p(index)->Get_ApiObject_p();
  });
}

ZEL_EXPORT void ZEL_AddViewUnaryOperation(zel_session_t session, zel_wfDataView_t view, int axis,
                                          zel_operation_t operation, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), view)->Add_UnaryOperation(axis, operation);
  });
}

ZEL_EXPORT void ZEL_AddViewConvertTypeOperation(zel_session_t session, zel_wfDataView_t view, int axis,
                                                zel_type_t type, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto v = ZELC_Resolve(s, view);
    const auto t = ZELC_Resolve(s, type);
    v->Add_ConvertTypeOperation(axis, TypeIn(v, t));
  });
}

ZEL_EXPORT void ZEL_AddViewBinOpArg2Waveform(zel_session_t session, zel_wfDataView_t view, zel_operation_t operation,
                                             zel_wfDataView_t other, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto v = ZELC_Resolve(s, view);
    const auto o = ZELC_Resolve(s, other, v.wrapper, kOtherContainer);
    v->Add_BinaryOperation(operation, o.object);
  });
}

ZEL_EXPORT void ZEL_AddViewBinOpArg1Waveform(zel_session_t session, zel_wfDataView_t view, zel_wfDataView_t other,
                                             zel_operation_t operation, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto v = ZELC_Resolve(s, view);
    const auto o = ZELC_Resolve(s, other, v.wrapper, kOtherContainer);
    v->Add_BinaryOperation(o.object, operation);
  });
}

ZEL_EXPORT void ZEL_AddViewBinOpArg2Scalar(zel_session_t session, zel_wfDataView_t view, zel_operation_t operation,
                                           zel_type_t type, const void* value, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto v = ZELC_Resolve(s, view);
    // The scalar's type describes the caller's value: one of the view's own
    // container (only a convert-type target is brought in from elsewhere).
    const auto t = ZELC_Resolve(s, type, v.wrapper, kForeignType);
    ZELI_RequireArgument(value, "value is null");
    v->Add_BinaryOperation(operation, t.object, value);
  });
}

ZEL_EXPORT void ZEL_AddViewBinOpArg1Scalar(zel_session_t session, zel_wfDataView_t view, zel_type_t type,
                                           const void* value, zel_operation_t operation,
                                           zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* s = zel.ConvertSessionHandle(session);
    const auto v = ZELC_Resolve(s, view);
    const auto t = ZELC_Resolve(s, type, v.wrapper, kForeignType);
    ZELI_RequireArgument(value, "value is null");
    v->Add_BinaryOperation(t.object, value, operation);
  });
}

ZEL_EXPORT void ZEL_RemoveViewOperations(zel_session_t session, zel_wfDataView_t view, int axis,
                                         zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), view)->Remove_Operations(axis);
  });
}
