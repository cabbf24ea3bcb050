// ZELI_OperationRegistry: the operations of one container, in the order of
// first insertion.
//
// A lookup scans the list for the first operation that serves the request;
// when there is none, the built-in operation for the request is made and
// appended (so a callback wins over a built-in by standing earlier in the
// list, or by having replaced it). A callback serves every compatible
// request (ZELI_Operation::IsCompatible); a built-in operation, which
// computes with its own types, serves only requests for exactly those type
// objects, since compatible types may lay values out differently (a time
// type held as doubles beside one held as UniversalTime, array types of
// different lengths). An X type given with an operation that needs none is
// ignored. Registering a caller's operation replaces the first compatible
// one in place (built-in or not), else appends it.
//
// Replaced operations are not deleted: whoever resolved one (a data view)
// may still hold it. They stay alive, unused, until the container closes;
// Get_Generation changes with every replacement, so that a holder can tell
// that it must resolve its operations again.
//
// The container owns the registry (ZELI_Container::Set_Operations); Of
// makes it on first use.
#ifndef ZEL_ACCESS_OPERATION_REGISTRY_H
#define ZEL_ACCESS_OPERATION_REGISTRY_H

#include <cstdint>
#include <memory>
#include <vector>

#include "access/operation.h"
#include "model/container.h"

class ZELI_OperationRegistry final : public ZELI_ContainerAddOn {
 public:
  explicit ZELI_OperationRegistry(ZELI_Container& container) : container_(container) {}

  // The container's registry, made on first use.
  static ZELI_OperationRegistry& Of(ZELI_Container& container);

  // The operation to use for a request, or null when there is none (the
  // caller reports that). Types are the container's. result is compared
  // only for the convert-type operation (its target type). Failures of the
  // types' own members pass through (see CreateBuiltInOperation), unless a
  // registered operation serves the request first.
  const ZELI_Operation* FindOperation(zel_operation_t operation, ZELI_Type* first, ZELI_Type* second, ZELI_Type* x,
                                      ZELI_Type* result);
  // Takes ownership; replaces the first compatible operation in place (kept
  // alive, see above; Get_Generation changes) or appends. The operation's
  // types must be the container's.
  void RegisterOperation(std::unique_ptr<ZELI_Operation> operation);

  const std::vector<std::unique_ptr<ZELI_Operation>>& Get_Operations() const { return operations_; }
  uint64_t Get_Generation() const { return generation_; }

 private:
  ZELI_Container& container_;
  std::vector<std::unique_ptr<ZELI_Operation>> operations_;
  std::vector<std::unique_ptr<ZELI_Operation>> replaced_;  // unused, kept for their holders
  uint64_t generation_ = 0;
};

#endif  // ZEL_ACCESS_OPERATION_REGISTRY_H
