// Exported functions of data views (session and handles, call frame): a
// view is created on a waveform and registered with the waveform's
// container, which owns it; its waveform segments are handed out as the
// ZEL_WfSegment pointers of the segment-access functions.
#include <memory>

#include "access/wf_segment.h"
#include "interface/call.h"
#include "views/wf_data_view.h"
#include "waveforms/waveform.h"

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
