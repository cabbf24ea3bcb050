// The registry of live data writer slabs and the summary setters (see
// data_writer_support.h).
#include "waveforms/data_writer_support.h"

#include <cstdint>
#include <iterator>
#include <set>

#include "waveforms/data_set.h"

namespace {

struct Slab {
  uintptr_t first;
  uintptr_t end;  // one past the last byte
  size_t size;    // of one object
  size_t mask;    // size - 1 when size is a power of two (no division), else 0
  ZELI_DataWriterKind kind;
};

struct ByFirst {
  using is_transparent = void;
  bool operator()(const Slab& a, const Slab& b) const { return a.first < b.first; }
  bool operator()(const Slab& a, uintptr_t b) const { return a.first < b; }
  bool operator()(uintptr_t a, const Slab& b) const { return a < b.first; }
};

// A tree, not a sorted vector: an array writer registers one slab per data
// writer, at whatever address the heap gives it, and a sorted vector then
// moves half its entries per insertion (1.4 s of 2.2 for 100,000 waveforms).
struct Registry {
  std::set<Slab, ByFirst> slabs;  // slabs never overlap
};

// Never destroyed: data writers may outlive static destruction (containers
// left open are closed by the interface object at exit).
Registry& TheRegistry() {
  static auto* registry = new Registry();
  return *registry;
}

bool Holds(const Slab& slab, uintptr_t p, ZELI_DataWriterKind kind) {
  if (p < slab.first || p >= slab.end || slab.kind != kind) return false;
  const uintptr_t offset = p - slab.first;
  return slab.mask != 0 ? (offset & slab.mask) == 0 : offset % slab.size == 0;
}

}  // namespace

ZELI_DataWriterSlabCache ZELI_LastDataWriterSlab;

void ZELI_RegisterDataWriters(const void* first, size_t count, size_t size, ZELI_DataWriterKind kind) {
  Registry& registry = TheRegistry();
  const auto begin = reinterpret_cast<uintptr_t>(first);
  const size_t mask = size > 1 && (size & (size - 1)) == 0 ? size - 1 : 0;
  const Slab slab{begin, begin + count * size, size, mask, kind};
  registry.slabs.insert(slab);
}

void ZELI_UnregisterDataWriters(const void* first) noexcept {
  Registry& registry = TheRegistry();
  const auto begin = reinterpret_cast<uintptr_t>(first);
  const auto at = registry.slabs.find(begin);
  if (at != registry.slabs.end()) registry.slabs.erase(at);
  if (ZELI_LastDataWriterSlab.first == begin) ZELI_LastDataWriterSlab = ZELI_DataWriterSlabCache();
}

bool ZELI_FindDataWriter(const void* p, ZELI_DataWriterKind kind) noexcept {
  const Registry& registry = TheRegistry();
  const auto address = reinterpret_cast<uintptr_t>(p);
  // The slab whose first byte is the last one not above the address.
  auto after = registry.slabs.upper_bound(address);
  if (after == registry.slabs.begin()) return false;
  const Slab& found = *std::prev(after);
  if (!Holds(found, address, kind)) return false;
  if (found.mask != 0) ZELI_LastDataWriterSlab = {found.first, found.end, found.mask, found.kind};
  return true;
}

void ZELI_SetWaveformMonotonicity(ZELI_DataSet& dataSet, unsigned position, zel_monotonicity_t monotonicity) {
  dataSet.Get_DataInformation(position).Set_Monotonicity(monotonicity);
  dataSet.Set_DataStoreDirty();
}

void ZELI_SetWaveformDataSpacing(ZELI_DataSet& dataSet, unsigned position, zel_dataSpacing_t spacing) {
  dataSet.Get_DataInformation(position).Set_DataSpacing(spacing);
  dataSet.Set_DataStoreDirty();
}

void ZELI_SetWaveformMinMax(ZELI_DataSet& dataSet, unsigned position, const void* min, const void* max) {
  ZELI_RequireArgument(min, "min is null");
  ZELI_RequireArgument(max, "max is null");
  dataSet.Get_DataInformation(position).Set_MinMax(min, max);
  dataSet.Set_DataStoreDirty();
}

void ZELI_UnsetWaveformMinMax(ZELI_DataSet& dataSet, unsigned position) {
  dataSet.Get_DataInformation(position).Unset_MinMax();
  dataSet.Set_DataStoreDirty();
}
