// What the data writers of both writer families share: the registry of live
// data writers, the guard their members run in, and the setters of a
// waveform's summary.
//
// Data writers (ZEL_WfDataWriter of the front and array writer,
// ZEL_SimWfDataWriter of the simulation result writer) reach callers as raw
// pointers and come back without a handle to check. The exported functions
// look a pointer up here before touching it, so a pointer that is stale (its
// writer was deleted or its container closed), foreign or invented is refused
// with ZEL_BAD_HANDLE and never dereferenced.
//
// Writers register slabs: `count` objects of `size` bytes from `first`, all
// of one kind. A pointer is live when it points at the first byte of an
// object of a registered slab of the wanted kind. (A slab may hold objects
// not handed out yet; the data writer's own check tells those apart, which
// is safe because the memory is the slab's.) Lookups keep the slab they hit
// last, since callers enter values writer after writer of one slab; any
// other slab is found by binary search over the slabs ordered by address.
// The library runs one thread at a time; the registry takes no lock.
#ifndef ZEL_WAVEFORMS_DATA_WRITER_SUPPORT_H
#define ZEL_WAVEFORMS_DATA_WRITER_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <new>

#include "errors/exceptions.h"
#include "zel/zel.h"

enum class ZELI_DataWriterKind : unsigned char { FRONT = 0, SIMULATION = 1 };

// May throw std::bad_alloc, leaving nothing registered.
void ZELI_RegisterDataWriters(const void* first, size_t count, size_t size, ZELI_DataWriterKind kind);
// Unregisters the slab that starts at first (nothing when there is none).
void ZELI_UnregisterDataWriters(const void* first) noexcept;

// The slab of the last lookup that found one whose object size is a power
// of two (empty: first == end). Checked inline, since it answers nearly
// every lookup of a simulator entering values; cleared when it goes.
struct ZELI_DataWriterSlabCache {
  uintptr_t first = 0;
  uintptr_t end = 0;
  uintptr_t mask = 0;  // object size - 1
  ZELI_DataWriterKind kind = ZELI_DataWriterKind::FRONT;
};
extern ZELI_DataWriterSlabCache ZELI_LastDataWriterSlab;
// The lookup behind the cache: a binary search over the slabs.
bool ZELI_FindDataWriter(const void* p, ZELI_DataWriterKind kind) noexcept;

inline bool ZELI_IsLiveDataWriter(const void* p, ZELI_DataWriterKind kind) noexcept {
  const auto address = reinterpret_cast<uintptr_t>(p);
  const ZELI_DataWriterSlabCache& last = ZELI_LastDataWriterSlab;
  if (address >= last.first && address < last.end && last.kind == kind) return ((address - last.first) & last.mask) == 0;
  return ZELI_FindDataWriter(p, kind);
}

// Runs a data writer member: library failures leave it as ZEL_Exception with
// the same status and message; anything else as ZEL_UNKNOWN_EXCEPTION.
template <typename Body>
void ZELI_GuardDataWriter(Body&& body) {
  ZELI_PublicCall(body);
}

// Whether p is a data writer that exists now (inline: checked per value).
inline bool ZELI_IsLive(const ZEL_WfDataWriter* p) noexcept {
  return p != nullptr && ZELI_IsLiveDataWriter(p, ZELI_DataWriterKind::FRONT);
}
inline bool ZELI_IsLive(const ZEL_SimWfDataWriter* p) noexcept {
  return p != nullptr && ZELI_IsLiveDataWriter(p, ZELI_DataWriterKind::SIMULATION) && p->subset != nullptr;
}

class ZELI_DataSet;

// Change the data information of the waveform at position (MIXED and
// DEFAULT refused as the information refuses them) and mark the data
// store's structure dirty.
void ZELI_SetWaveformMonotonicity(ZELI_DataSet& dataSet, unsigned position, zel_monotonicity_t monotonicity);
void ZELI_SetWaveformDataSpacing(ZELI_DataSet& dataSet, unsigned position, zel_dataSpacing_t spacing);
// min and max: one value of the waveform's Y type each (null: BAD_ARG).
void ZELI_SetWaveformMinMax(ZELI_DataSet& dataSet, unsigned position, const void* min, const void* max);
void ZELI_UnsetWaveformMinMax(ZELI_DataSet& dataSet, unsigned position);

#endif  // ZEL_WAVEFORMS_DATA_WRITER_SUPPORT_H
