// Data views: the operation lists of the display axes, adding and removing
// entries, resolving them into display types (finalising) and applying
// them to the view segments while the view opens.
#include <utility>

#include "access/operation.h"
#include "access/operation_registry.h"
#include "access/wf_data_array.h"
#include "access/wf_segment.h"
#include "errors/exceptions.h"
#include "model/container.h"
#include "model/waveform_set.h"
#include "types/type.h"
#include "views/wf_data_view.h"
#include "waveforms/waveform.h"

namespace {

// Positions in the display-axis tables (display axis + 3).
constexpr size_t kCP = 0;
constexpr size_t kY = 1;
constexpr size_t kX = 2;

ZELI_Container& ContainerOf(const ZELI_Waveform& waveform) {
  return waveform.Get_WaveformSet_p()->Get_Container();
}

// Marks the view as finalising for the duration of a scope.
class FinalizingGuard {
 public:
  explicit FinalizingGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~FinalizingGuard() { flag_ = false; }
  FinalizingGuard(const FinalizingGuard&) = delete;
  FinalizingGuard& operator=(const FinalizingGuard&) = delete;

 private:
  bool& flag_;
};

// Equal types count as the same display type: a caller's operation may
// give an equal type of its own as result.
bool SameTypes(const std::vector<ZELI_Type*>& a, const std::vector<ZELI_Type*>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if (a[i] == nullptr || b[i] == nullptr || *a[i] != *b[i]) return false;
  }
  return true;
}

// A waveform operand pairs view segments by index, which names the same
// parameter values only within one waveform set.
void RequireSameSet(const ZELI_WfDataView& view, const ZELI_WfDataView& other) {
  if (view.Get_Waveform().Get_WaveformSet_p() != other.Get_Waveform().Get_WaveformSet_p())
    throw ZELI_BadArgException("View belongs to another waveform set");
}

void RequireBinary(zel_operation_t operation) {
  if (!ZELI_Operation::IsBinaryOperation(operation))
    throw ZELI_BadArgException("Operation must be a binary operation.");
}

}  // namespace

// ---- adding and removing ------------------------------------------------------------

void ZELI_WfDataView::PrepareOperationChange() {
  RequireClosed();
  if (state_ == 0) Set_DisplayAxes(0, nullptr, false);
}

size_t ZELI_WfDataView::DisplayIndex(int axis) const {
  if (axis < -3 || axis + 3 >= static_cast<int>(displayAxes_.size()))
    throw ZELI_BadArgException("Axis must be a display axis.");
  return static_cast<size_t>(axis + 3);
}

void ZELI_WfDataView::AddOperation(size_t index, ZELI_OperationDef entry) {
  operations_[index].push_back(std::move(entry));
  operationsChanged_ = true;
}

void ZELI_WfDataView::Add_UnaryOperation(int axis, zel_operation_t operation) {
  PrepareOperationChange();
  const size_t index = DisplayIndex(axis);
  if (!ZELI_Operation::IsUnaryOperation(operation)) throw ZELI_BadArgException("Operation must be a unary operation.");
  AddOperation(index, ZELI_OperationDef(operation));
}

void ZELI_WfDataView::Add_ConvertTypeOperation(int axis, ZELI_Type* target) {
  ZELI_RequireArgument(target, "target type is null");
  PrepareOperationChange();
  const size_t index = DisplayIndex(axis);
  AddOperation(index, ZELI_OperationDef(target));
}

void ZELI_WfDataView::Add_BinaryOperation(zel_operation_t operation, ZELI_WfDataView* second) {
  ZELI_RequireArgument(second, "view is null");
  if (second == this) throw ZELI_BadArgException("A view cannot be its own operand.");
  RequireSameSet(*this, *second);
  PrepareOperationChange();
  RequireBinary(operation);
  AddOperation(kY, ZELI_OperationDef(operation, second));
}

void ZELI_WfDataView::Add_BinaryOperation(ZELI_WfDataView* first, zel_operation_t operation) {
  ZELI_RequireArgument(first, "view is null");
  if (first == this) throw ZELI_BadArgException("A view cannot be its own operand.");
  RequireSameSet(*this, *first);
  PrepareOperationChange();
  RequireBinary(operation);
  AddOperation(kY, ZELI_OperationDef(first, operation));
}

void ZELI_WfDataView::Add_BinaryOperation(zel_operation_t operation, ZELI_Type* type, const void* value) {
  ZELI_RequireArgument(type, "scalar type is null");
  ZELI_RequireArgument(value, "scalar value is null");
  PrepareOperationChange();
  RequireBinary(operation);
  AddOperation(kY, ZELI_OperationDef(operation, type, value));
}

void ZELI_WfDataView::Add_BinaryOperation(ZELI_Type* type, const void* value, zel_operation_t operation) {
  ZELI_RequireArgument(type, "scalar type is null");
  ZELI_RequireArgument(value, "scalar value is null");
  PrepareOperationChange();
  RequireBinary(operation);
  AddOperation(kY, ZELI_OperationDef(type, value, operation));
}

void ZELI_WfDataView::Remove_Operations(int axis) {
  PrepareOperationChange();
  std::vector<ZELI_OperationDef>& list = operations_[DisplayIndex(axis)];
  if (list.empty()) return;
  list.clear();
  operationsChanged_ = true;
}

const std::vector<ZELI_OperationDef>& ZELI_WfDataView::Get_Operations(int axis) const {
  return operations_.at(DisplayIndex(axis));
}

bool ZELI_WfDataView::HasOperations() const {
  for (const std::vector<ZELI_OperationDef>& list : operations_) {
    if (!list.empty()) return true;
  }
  return false;
}

bool ZELI_WfDataView::RefersTo(const ZELI_WfDataView* other) const {
  for (const std::vector<ZELI_OperationDef>& list : operations_) {
    for (const ZELI_OperationDef& entry : list) {
      if (entry.otherView == other) return true;
    }
  }
  return false;
}

void ZELI_WfDataView::RequireUnreferenced() const {
  ZELI_KeyMap<ZELI_AccessBase>& access = ContainerOf(*waveform_).Get_AccessConvertor();
  for (int key : access) {
    const auto* view = dynamic_cast<const ZELI_WfDataView*>(access[key]);
    if (view != nullptr && view != this && view->RefersTo(this)) throw ZELI_FailedException("View is in use");
  }
}

// ---- finalising -----------------------------------------------------------------------

bool ZELI_WfDataView::NeedsFinalizing() const {
  if (state_ != 2 || operationsChanged_) return true;
  // A registration that replaced an operation this view resolved makes it
  // resolve its lists again.
  return HasOperations() &&
         ZELI_OperationRegistry::Of(ContainerOf(*waveform_)).Get_Generation() != finalizedGeneration_;
}

ZELI_Type* ZELI_WfDataView::Get_DisplayType_p(int axis) {
  if (state_ != 2) {
    // A view whose lists lead back to itself has no display type to give.
    if (finalizing_) throw ZELI_FailedException("View operations refer back to the view.");
    FinalizeOperations();
  }
  return displayTypes_.at(DisplayIndex(axis));
}

// The display type of each axis is its stored axis's type carried through
// its operation list; Y is resolved before X so that X starts from the X
// type the Y operations leave (operation 51 makes its first operand the X
// values). Nothing changes unless every entry resolves.
void ZELI_WfDataView::FinalizeOperations() {
  if (state_ == 0) Set_DisplayAxes(0, nullptr, false);
  FinalizingGuard guard(finalizing_);
  ZELI_OperationRegistry& registry = ZELI_OperationRegistry::Of(ContainerOf(*waveform_));
  ZELI_Type* xType = StoredAxisType(displayAxes_[kX]);
  std::vector<ZELI_Type*> types(displayAxes_.size(), nullptr);
  std::vector<std::vector<const ZELI_Operation*>> resolved(displayAxes_.size());
  // The CP has no stored axis; its list is resolved only with curve
  // parametrisation, which is refused when the axes are chosen.
  std::vector<size_t> order{kY, kX};
  if (curveParametrization_) order.insert(order.begin(), kCP);
  for (size_t d = 3; d < displayAxes_.size(); ++d) order.push_back(d);
  for (size_t d : order) {
    ZELI_Type* current = d == kX ? xType : StoredAxisType(displayAxes_[d]);
    for (const ZELI_OperationDef& entry : operations_[d]) {
      const zel_operation_t op = entry.operation;
      ZELI_Type* first = current;
      ZELI_Type* second = entry.scalarType;
      if (entry.otherView != nullptr) second = entry.otherView->Get_DisplayType_p(static_cast<int>(kY) - 3);
      if (entry.reversed) std::swap(first, second);
      ZELI_Type* x =
          ZELI_Operation::IsTransformOperation(op) || ZELI_Operation::IsComparisonOperation(op) ? xType : nullptr;
      const ZELI_Operation* operation = registry.FindOperation(op, first, second, x, entry.targetType);
      if (operation == nullptr) throw ZELI_BadArgException("The operation does not exist");
      resolved[d].push_back(operation);
      current = operation->Get_ResultType_p();
      if (op == ZEL_OP_XY) xType = first;
    }
    types[d] = current;
  }
  if (state_ == 2 && !SameTypes(types, displayTypes_))
    throw ZELI_FailedException("View operations change axis display type.");
  // The CP list stays unresolved without curve parametrisation; opening
  // refuses it before any entry is used.
  for (size_t d = 0; d < operations_.size(); ++d) {
    for (size_t k = 0; k < operations_[d].size(); ++k)
      operations_[d][k].resolved = k < resolved[d].size() ? resolved[d][k] : nullptr;
  }
  displayTypes_ = std::move(types);
  finalizedGeneration_ = registry.Get_Generation();
  state_ = 2;
  operationsChanged_ = false;
}

// ---- applying ---------------------------------------------------------------------------

// Display parameters first (their values), then per filled view segment the
// Y list and the X list. A waveform operand is the other view's view
// segment with the same index (segment 0 when that view has no display
// parameters); the other view must be open.
void ZELI_WfDataView::ApplyOperations() {
  if (!HasOperations()) return;
  if (!operations_[kCP].empty())
    throw ZELI_FailedException("ZELI_WfDataView::ApplyOperations: unimplemented operations on curve parameter");
  for (size_t d = 3; d < operations_.size(); ++d) {
    if (operations_[d].empty()) continue;
    // Stored Y or X shown as a display parameter, and a parameter without
    // values, have no values here to operate on.
    if (displayAxes_[d] < 0) continue;
    ZELI_WfDataArray* values = (*axisValues_)[static_cast<size_t>(displayAxes_[d] + 2)].Get_DataArray_p();
    if (values == nullptr) continue;
    for (const ZELI_OperationDef& entry : operations_[d])
      values->ApplyOperation(*entry.resolved, entry.scalarValue.get(), entry.reversed);
  }
  for (unsigned i = 0; i < viewSegments_->Get_SlotCount(); ++i) {
    ZELI_WfSegment* segment = viewSegments_->Get_WfSegment_p(i);
    if (segment == nullptr) continue;
    for (const ZELI_OperationDef& entry : operations_[kY]) {
      ZELI_WfSegment* other = nullptr;
      if (ZELI_WfDataView* view = entry.otherView) {
        view->RequireOpen();
        other = view->Get_DisplayWfSegment_p(view->Get_DisplayParameterCount() > 0 ? i : 0);
      }
      segment->ApplyYOperation(*entry.resolved, other, entry.scalarValue.get(), entry.reversed);
    }
    for (const ZELI_OperationDef& entry : operations_[kX]) segment->ApplyXOperation(*entry.resolved);
  }
}
