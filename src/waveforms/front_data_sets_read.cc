// Reading the front data sets back: the Analog_Front block layout and the
// Digital_Front chunk chains (geometry in front_data_sets.h), into cached
// arrays kept per position.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "waveforms/owned_cached_arrays.h"
#include "errors/exceptions.h"
#include "store/memory_array.h"
#include "types/typed_values.h"
#include "waveforms/front_data_sets.h"
#include "waveforms/shared_x_set.h"

namespace {

// Most chunks one read of a chain brings in (64 KiB).
constexpr unsigned MaxWindowChunks = 512;
// Reads of more bytes than this (a chain's chunks, a position's values)
// are checked against the data file before memory for them is allocated.
constexpr uint64_t LargeRead = 65536;

}  // namespace

// ---- Analog_Front ----------------------------------------------------------------------

ZELI_CachedArray* ZELI_AnalogFrontDataSet::ValuesArray(unsigned position) {
  if (ZELI_DataSetCachedArray* kept = Kept(position)) return kept;
  // Values a writer of this process still stages go to their blocks first.
  FlushStaged();
  const ZELI_DataInformation& information = Get_DataInformation(position);
  const unsigned count = pointCount_;
  // Values of one position are contiguous within a block: value i lies at
  // S x (i / ppb) + B x position + V x (i mod ppb).
  if (count > 0 && (!IsInitialized() || pointsPerBlock_ == 0)) throw ZELI_FailedException("No more data points");
  // The count comes from a record: many values need their pages in the
  // data file before memory for them is taken.
  const unsigned size = StoredSizeOf(valueType_);
  if (uint64_t{count} * size > LargeRead) {
    for (unsigned first = 0; first < count;) {
      const unsigned run = std::min(pointsPerBlock_ - first % pointsPerBlock_, count - first);
      Get_Values_p()->RequireReadable(ValueOffset(position, first), uint64_t{run} * size);
      first += run;
    }
  }
  ZELI_TypedValues values(valueType_, count, ZELI_TypedValues::Overwritten{});
  for (unsigned first = 0; first < count;) {
    const unsigned run = std::min(pointsPerBlock_ - first % pointsPerBlock_, count - first);
    if (run == 0) throw ZELI_FailedException("No more data points");
    ReadValuesInto(valueType_, ValueOffset(position, first), values.At(first), run, "ZELI_AnalogFrontDataSet");
    first += run;
  }
  return Keep(position, count, information, values.Release());
}

void ZELI_AnalogFrontDataSet::AdviseValuesArray(unsigned position) const {
  if (Kept(position) != nullptr || pointsPerBlock_ == 0) return;
  for (unsigned first = 0; first < pointCount_;) {
    const unsigned run = std::min(pointsPerBlock_ - first % pointsPerBlock_, pointCount_ - first);
    AdviseValues(valueType_, ValueOffset(position, first), run);
    first += run;
  }
}

ZELI_WfSegmentXParts ZELI_AnalogFrontDataSet::Get_WfSegmentXData(unsigned position) {
  AssertIsValidIndex(position);
  return ZELI_ReadWithArraysOpen(*Get_SharedXSet_p(), [&] {
    // A position's values lie a block apart, a page or less per block, and
    // the X values and indices are spread over the file the same way: every
    // page is announced first (the Y side follows at once, read next by
    // Get_WfSegmentYData), so that a cold read waits for one round of
    // parallel fetches instead of one fetch per page.
    AdviseXSide(xIndices_.get(), orders_.get());
    AdviseValuesArray(position);
    if (xIndices_->Get_Count() != pointCount_) {
      throw ZELI_FailedException("ZELI_AnalogFrontDataSet: X indices and values differ in count");
    }
    return XSide(xIndices_->Get_CachedArray_p(), pointCount_, interpolation_, orders_.get());
  });
}

ZELI_WfSegmentYParts ZELI_AnalogFrontDataSet::Get_WfSegmentYData(unsigned position) {
  AssertIsValidIndex(position);
  return ZELI_ReadWithArraysOpen(*Get_SharedXSet_p(), [&] { return ZELI_WfSegmentYParts{ValuesArray(position)}; });
}

void ZELI_AnalogFrontDataSet::ForgetCachedArrays() noexcept {
  if (xIndices_) xIndices_->ForgetCachedArrays();
  if (orders_) orders_->ForgetCachedArrays();
  ZELI_DataSet::ForgetCachedArrays();
}

void ZELI_AnalogFrontDataSet::Invalidate_CachedArray_p(unsigned slot) {
  ForgetSlot(slot, Get_KeptSlotCount(), "ZELI_AnalogFrontDataSet::Invalidate_CachedArray_p");
}

// ---- Digital_Front -------------------------------------------------------------------

void ZELI_DigitalFrontDataSet::Get_Data(unsigned position, std::vector<int>& xIndices, void* values) const {
  const ZELI_DigitalWfChunk& chain = Get_Chunk(position);
  const unsigned indexSize = StoredSizeOf(chain.indexType);
  if (indexSize != 4) throw ZELI_FailedException("ZELI_DigitalFrontDataSet::Get_Data: index size");
  const unsigned valueSize = StoredSizeOf(chain.valueType);
  const unsigned capacity = chain.capacity;
  const unsigned valuesAt = 2 * indexSize + capacity * indexSize;  // within a chunk
  constexpr unsigned chunkBytes = ZELI_DigitalWfChunk::ChunkBytes;
  const ZELI_MemoryArray& array = *Get_Values_p();
  const uint64_t readable = ReadableBytes(array);
  xIndices.assign(chain.pointCount, 0);
  // The window holds the array's bytes [windowStart, windowStart + size),
  // read with one call. A chain's chunks lie at rising offsets, as far
  // apart as the chunks other chains appended in between: when they lie
  // close (a gap of at most GatherGap), one read takes in the stretch that
  // the chunks still to come are expected to span at that gap, up to
  // MaxWindowBytes; far apart (or before a gap is known), each chunk is
  // read alone.
  constexpr uint64_t GatherGap = 4096;
  constexpr uint64_t MaxWindowBytes = uint64_t{MaxWindowChunks} * chunkBytes;
  std::vector<char> window;
  uint64_t windowStart = 0;
  uint64_t gap = UINT64_MAX;  // unknown until two chunks were seen
  unsigned offset = chain.firstOffset;
  unsigned done = 0;
  while (done < chain.pointCount) {
    if (uint64_t{offset} + chunkBytes > readable) {
      throw ZELI_FailedException("ZELI_DigitalFrontDataSet::Get_Data: chunk offset");
    }
    if (offset < windowStart || uint64_t{offset} + chunkBytes > windowStart + window.size()) {
      const uint64_t chunksLeft = (uint64_t{chain.pointCount} - done + capacity - 1) / capacity;
      uint64_t bytes = chunkBytes;
      if (gap <= GatherGap) bytes = std::min((chunksLeft - 1) * gap + chunkBytes, MaxWindowBytes);
      bytes = std::min(bytes, readable - offset);
      window.resize(static_cast<size_t>(bytes));
      array.ReadDirect(offset, window.data(), static_cast<unsigned>(bytes), 1);
      windowStart = offset;
    }
    const char* chunk = window.data() + (offset - windowStart);
    // A writer of this process may still hold the chain's current chunk.
    if (chain.dirty && offset == chain.currentOffset) chunk = reinterpret_cast<const char*>(chain.current);
    int header[2];
    std::memcpy(header, chunk, sizeof header);
    if (static_cast<unsigned>(header[0]) != capacity) {
      throw ZELI_FailedException("ZELI_DigitalFrontDataSet::Get_Data: chunk capacity");
    }
    const unsigned here = std::min(capacity, chain.pointCount - done);
    std::memcpy(xIndices.data() + done, chunk + 2 * indexSize, size_t{here} * indexSize);
    char* target = static_cast<char*>(values) + size_t{done} * chain.valueType->Get_SizeOf();
    if (chain.valueType->HoldsStrings()) {
      // The chunk holds offsets of the texts in the companion array.
      ReadValuesAt(chain.valueType, offset + valuesAt, target, here);
    } else {
      std::memcpy(target, chunk + valuesAt, size_t{here} * valueSize);
    }
    done += here;
    const unsigned next = static_cast<unsigned>(header[1]);
    if (done < chain.pointCount) {
      // Chains only run forward, so a damaged one cannot loop.
      if (next <= offset) throw ZELI_FailedException("ZELI_DigitalFrontDataSet::Get_Data: chunk chain");
      gap = next - offset;
    }
    offset = next;
  }
}

void ZELI_DigitalFrontDataSet::ReadChain(unsigned position) {
  if (Kept(2 * position) != nullptr && Kept(2 * position + 1) != nullptr) return;
  const ZELI_DigitalWfChunk& chain = Get_Chunk(position);
  const ZELI_DataInformation& information = Get_DataInformation(position);
  const unsigned count = chain.pointCount;
  // The count comes from a record: a chain that long needs its chunks in
  // readable pages before memory for its points is taken.
  const ZELI_MemoryArray& array = *Get_Values_p();
  const uint64_t chunks = chain.capacity > 0 ? (uint64_t{count} + chain.capacity - 1) / chain.capacity : 0;
  if (chunks * ZELI_DigitalWfChunk::ChunkBytes > LargeRead && array.Get_MemoryFile_p() != nullptr) {
    const uint64_t readable = uint64_t{array.Get_MemoryFile_p()->ReadablePageCount(
                                  array.Get_PageList(), 0, static_cast<unsigned>(array.Get_PageList().size()))} *
                              array.Get_PageSize();
    if (chunks * ZELI_DigitalWfChunk::ChunkBytes > readable) throw ZELI_FailedException("Corrupted data file.");
  }
  std::vector<int> indices;
  ZELI_TypedValues values(chain.valueType, count);
  Get_Data(position, indices, values.Get());
  ZELI_TypedValues index(chain.indexType, count);
  if (count > 0) std::memcpy(index.Get(), indices.data(), size_t{count} * sizeof(int));
  Keep(2 * position, count, ZELI_DataInformation(chain.indexType), index.Release());
  Keep(2 * position + 1, count, information, values.Release());
}

ZELI_WfSegmentXParts ZELI_DigitalFrontDataSet::Get_WfSegmentXData(unsigned position) {
  AssertIsValidIndex(position);
  return ZELI_ReadWithArraysOpen(*Get_SharedXSet_p(), [&] {
    // The chain's chunks are found one by one, but the X values are known:
    // they may come in while the chain is walked.
    AdviseXSide(nullptr, nullptr);
    ReadChain(position);
    ZELI_CachedArray* index = Kept(2 * position);
    return XSide(index, index->Get_PointCount(), ZEL_INTERPOLATION_CONSTANT, nullptr);
  });
}

ZELI_WfSegmentYParts ZELI_DigitalFrontDataSet::Get_WfSegmentYData(unsigned position) {
  AssertIsValidIndex(position);
  return ZELI_ReadWithArraysOpen(*Get_SharedXSet_p(), [&] {
    ReadChain(position);
    return ZELI_WfSegmentYParts{Kept(2 * position + 1)};
  });
}

void ZELI_DigitalFrontDataSet::Invalidate_CachedArray_p(unsigned slot) {
  ForgetSlot(slot, Get_KeptSlotCount(), "ZELI_DigitalFrontDataSet::Invalidate_CachedArray_p");
}
