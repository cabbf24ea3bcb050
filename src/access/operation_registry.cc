// The operations of one container: lookup (with built-in operations made
// and kept on demand) and registration of callers' operations, which
// replace a compatible operation in place and keep the replaced one alive
// for whoever still holds it.
#include "access/operation_registry.h"

#include "errors/exceptions.h"
#include "errors/memory.h"

namespace {

// Whether a stored operation answers a lookup. A callback serves every
// compatible request: its caller chose which values it takes. A built-in
// operation computes with its own types (sizes, layouts, result type), and
// compatible types may lay values out differently (a time type held as
// doubles and one held as UniversalTime, two array types of different
// element counts), so it serves only the very types it was made for.
bool Serves(const ZELI_Operation& stored, zel_operation_t operation, const ZELI_Type* first, const ZELI_Type* second,
            const ZELI_Type* x, const ZELI_Type* result) {
  if (!stored.IsCompatible(operation, first, second, x, result)) return false;
  if (dynamic_cast<const ZELI_BuiltInOperation*>(&stored) == nullptr) return true;
  return stored.Get_FirstType_p() == first && stored.Get_SecondType_p() == second && stored.Get_XType_p() == x &&
         (!stored.IsConvertTypeOperation() || stored.Get_ResultType_p() == result);
}

}  // namespace

ZELI_OperationRegistry& ZELI_OperationRegistry::Of(ZELI_Container& container) {
  if (ZELI_ContainerAddOn* addOn = container.Get_Operations_p()) {
    auto* registry = dynamic_cast<ZELI_OperationRegistry*>(addOn);
    if (registry == nullptr) throw ZELI_FailedException("ZELI_OperationRegistry::Of: foreign add-on");
    return *registry;
  }
  auto registry = std::make_unique<ZELI_OperationRegistry>(container);
  ZELI_OperationRegistry& result = *registry;
  container.Set_Operations(std::move(registry));
  return result;
}

const ZELI_Operation* ZELI_OperationRegistry::FindOperation(zel_operation_t operation, ZELI_Type* first,
                                                            ZELI_Type* second, ZELI_Type* x, ZELI_Type* result) {
  // An X type matters only to the operations on whole waveforms; dropping
  // it otherwise lets a request that carries one anyway find the same
  // operation as one without.
  if (!ZELI_Operation::IsTransformOperation(operation) && !ZELI_Operation::IsComparisonOperation(operation)) {
    x = nullptr;
  }
  for (const auto& stored : operations_) {
    if (Serves(*stored, operation, first, second, x, result)) return stored.get();
  }
  std::unique_ptr<ZELI_Operation> made =
      ZELI_Operation::CreateBuiltInOperation(operation, first, second, x, result, container_);
  if (made == nullptr) return nullptr;
  operations_.push_back(std::move(made));
  return operations_.back().get();
}

void ZELI_OperationRegistry::RegisterOperation(std::unique_ptr<ZELI_Operation> operation) {
  if (operation == nullptr) throw ZELI_FailedException("ZELI_OperationRegistry::RegisterOperation: null operation");
  for (auto& stored : operations_) {
    if (!stored->IsCompatible(*operation)) continue;
    // Room first, so that nothing is lost when memory runs out.
    ZELI_ReserveOneMore(replaced_);
    replaced_.push_back(std::move(stored));
    stored = std::move(operation);
    ++generation_;
    return;
  }
  operations_.push_back(std::move(operation));
}
