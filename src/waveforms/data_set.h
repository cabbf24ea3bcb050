// ZELI_DataSet and ZELI_ArrayDataSet: stored arrays of values inside a
// shared X set of a segment's data store.
//
// A data set keeps the Y values of its waveforms (one per position) in one
// memory array of the data store's paged file; string values keep 4-byte
// offsets there and their texts in a companion array. Each occupied position
// has a data information. The kinds (Array, One_Waveform, Analog_Front,
// Digital_Front) differ in how values are laid out; see their headers.
//
// Ownership: the shared X set owns its data sets; a data set owns its memory
// arrays and its auxiliary Array data sets (X indices, orders). Every one of
// them is entered in the data store's handle convertor ("entered in the data
// store") at creation and erased from it by Discard before garbage
// collection destroys it; the destructors touch no convertor and never throw.
//
// Reading back (data_set_read.cc): a waveform segment's X and Y sides are
// described (waveforms/wf_segment_parts.h) by cached arrays
// (ZELI_DataSetCachedArray) that the data sets read out of their arrays,
// copying every value so that nothing points into pages that closing the
// data store releases. A data set keeps the arrays it built, each at a
// slot, until its data changes: any change of values, points or structure
// (the dirty bits), a commit of waveform data, and its destruction let them
// go (ZELI_Cache::LetGo: unlocatable at once, deleted once unreferenced).
// Slots: 0 for an Array or One_Waveform data set; the position for
// Analog_Front; 2 x position (X indices) and 2 x position + 1 (values) for
// Digital_Front. Every count and offset is checked against
// the bytes the arrays really hold before anything is read.
//
// Sizes: values arrays address bytes in 32 bits. Appending values that would
// carry an array past 4 GiB fails with ZELI_FailedException before anything
// is written ("... would pass 4 GiB").
//
// Stored record (ZELI_DataSet::Write; doc/data_set_records.md): type u8,
// index in shared X set u32, position count u32, one waveform key i32 per
// position (-1 free), one data information per occupied position, values
// array record, string values present u32, string array record when
// present, initialized u8, key i32; then the kind's fields. Point counts
// are stored separately in the map file (WritePointCount).
#ifndef ZEL_WAVEFORMS_DATA_SET_H
#define ZEL_WAVEFORMS_DATA_SET_H

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "store/keymap.h"
#include "store/objects.h"
#include "model/data_information.h"
#include "waveforms/wf_segment_parts.h"
#include "zel/zel.h"

class ZELI_ArrayDataSet;
class ZELI_Cache;
class ZELI_CachedArray;
class ZELI_Container;
class ZELI_DataSetCachedArray;
class ZELI_MemoryArray;
class ZELI_MemoryFile;
class ZELI_Segment;
class ZELI_SharedXSet;
class ZELI_SourceWaveform;
class ZELI_Type;

class ZELI_DataSet : public ZELI_InternalBase {
 public:
  enum DataSetType : unsigned char { Array = 0, One_Waveform = 1, Analog_Front = 2, Digital_Front = 3 };

  ~ZELI_DataSet() override;
  ZELI_DataSet(const ZELI_DataSet&) = delete;
  ZELI_DataSet& operator=(const ZELI_DataSet&) = delete;

  // ---- slots ----
  virtual unsigned Get_PointCount(unsigned position) const = 0;
  virtual void Set_InterpolationType(zel_interpolation_t interpolation) = 0;
  virtual zel_interpolation_t Get_InterpolationType() const = 0;
  // Returns the position. Registers the waveform's location with the segment.
  virtual unsigned Add_Waveform_p(ZELI_SourceWaveform* waveform);
  virtual void Delete_Waveform_p(ZELI_SourceWaveform* waveform, unsigned position);
  // "Duplicate initialization of DataSet." (ZELI_DuplicateException).
  virtual void InitializeWriting();
  virtual void OpenMemoryArrays(zel_iomode_t mode);
  virtual void CloseMemoryArrays();
  virtual void Shutdown() {}
  virtual void Synchronize(unsigned) {}
  // Writes values held back in memory to the values array (before a commit
  // or a close, or any reading of the array).
  virtual void FlushStaged() {}
  virtual void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const;
  virtual void WritePointCount(ZELI_Ostream& out) const = 0;
  virtual void ReadPointCount(ZELI_Istream& in) = 0;
  // After the page map is read: the point counts fit the arrays
  // (ZELI_FailedException naming the record otherwise).
  virtual void CheckPointCount() const = 0;
  virtual void CheckOrders(const int* orders, unsigned n) const;
  virtual void CheckXIndices(const int* indices, unsigned n) const;
  virtual void EnterValuesSimp(unsigned position, const void* values, unsigned n, zel_bool_t simple);
  virtual void EnterValues(unsigned position, const void* values, unsigned n) = 0;
  virtual void EnterOrders(const int* orders, unsigned n) = 0;
  virtual void EnterXIndices(const int* indices, unsigned n) = 0;
  // The X side (X values or X indices into them, interpolation type,
  // orders) and the Y side of the waveform at position, as cached arrays
  // that hold no reference for the caller (wf_segment_parts.h says what
  // the caller takes). The X side is read first and announces the Y side's
  // pages too, so the Y side is to be read right after it. The data store
  // is opened for each reading when it is closed and closed again. Damaged
  // or truncated data: ZELI_FailedException.
  virtual ZELI_WfSegmentXParts Get_WfSegmentXData(unsigned position) = 0;
  virtual ZELI_WfSegmentYParts Get_WfSegmentYData(unsigned position) = 0;
  // Told by the kept array of slot that the container's cache deletes it:
  // the slot is forgotten. A slot never handed out: ZELI_FailedException.
  virtual void Invalidate_CachedArray_p(unsigned slot) = 0;

  // ---- non-virtual ----
  DataSetType Get_DataSetType() const { return type_; }
  // "ZELI_DataSet:AssertIsValidIndex" for a position out of range or free.
  ZELI_DataInformation& Get_DataInformation(unsigned position);
  const ZELI_DataInformation& Get_DataInformation(unsigned position) const;
  ZELI_SourceWaveform* Get_Waveform_p(unsigned position) const;
  void AssertIsValidIndex(unsigned position) const;
  bool IsEmpty() const;
  const char* DataSetTypeString() const { return TypeString(type_); }
  static const char* TypeString(unsigned type);
  bool StoresStrings() const { return strings_ != nullptr; }
  // Both also let the kept cached arrays go: what they held changed.
  void Set_DataStoreDirty();
  void Set_PointCountDirty();
  // Lets every kept cached array go, the auxiliary data sets' too. Never
  // throws.
  virtual void ForgetCachedArrays() noexcept;
  unsigned Get_KeptSlotCount() const { return static_cast<unsigned>(kept_.size()); }
  bool IsInitialized() const { return initialized_; }
  unsigned Get_PositionCount() const { return static_cast<unsigned>(waveformKeys_.size()); }
  unsigned Get_OccupiedCount() const;
  int Get_WaveformKey(unsigned position) const { return waveformKeys_.at(position); }
  unsigned Get_FreePositionCount() const { return static_cast<unsigned>(freePositions_.size()); }
  unsigned Get_IndexInSharedXSet() const { return indexInSet_; }
  void Set_IndexInSharedXSet(unsigned index) { indexInSet_ = index; }
  ZELI_SharedXSet* Get_SharedXSet_p() const { return sharedXSet_; }
  ZELI_MemoryArray* Get_Values_p() const { return values_.get(); }
  ZELI_MemoryArray* Get_Strings_p() const { return strings_.get(); }
  // Erases this data set, its arrays and its auxiliary data sets from the
  // data store's handle convertor (before garbage collection destroys it).
  virtual void Discard();

  void Debug() const;
  void Debug(std::ostream& out) const;

  // Reads one data set record of sharedXSet (arrays registered with the
  // store's file and everything placed in map at its stored key). Damaged
  // records: ZELI_FailedException naming the record.
  static std::unique_ptr<ZELI_DataSet> Read(ZELI_Istream& in, ZELI_SharedXSet& sharedXSet,
                                            ZELI_KeyMap<ZELI_InternalBase>& map);

  // Size in the values array of one value of type: 4 for strings (offsets
  // into the companion), else the type's size; 0 is ZELI_BadArgException
  // "Type does not store data".
  static unsigned StoredSizeOf(const ZELI_Type* type);
  // Bytes of array that a reader can reach: its recorded size, or more when
  // page-map entries read after the record gave it further pages.
  static uint64_t ReadableBytes(const ZELI_MemoryArray& array);

 protected:
  // A new data set of the shared X set, entered in its data store; a string
  // value type gets the companion array.
  ZELI_DataSet(DataSetType type, ZELI_SharedXSet& sharedXSet);
  struct ReadTag {};
  ZELI_DataSet(DataSetType type, ZELI_SharedXSet& sharedXSet, ReadTag);

  ZELI_Segment& Segment() const;
  ZELI_Container& Container() const;
  unsigned Store() const;
  // Enters an object in the data store's handle convertor and keeps its key.
  void EnterInStore(ZELI_InternalBase* object) const;
  void EraseFromStore(ZELI_InternalBase* object) const;
  // Creates the companion array for string values.
  void MakeStringArray();
  // Writes n values of type at value index `index` of the values array
  // (strings through the companion).
  void WriteValuesAt(const ZELI_Type* type, unsigned byteOffset, const void* values, unsigned n);
  void ReadValuesAt(const ZELI_Type* type, unsigned byteOffset, void* values, unsigned n) const;
  // Fails before a byte offset would pass 4 GiB.
  static void RequireWithin4GiB(uint64_t endByte, const char* what);
  // The kinds' fields of the record, read after the base part.
  virtual void ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) = 0;
  // The type of the values as the record stores it (null for kinds that
  // take it from each waveform).
  virtual const ZELI_Type* StoredValueType() const { return nullptr; }
  virtual void WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const = 0;
  // The value type read from a key of the container's map (must be a type).
  ZELI_Type* ReadTypeKey(ZELI_Istream& in) const;
  std::unique_ptr<ZELI_DataSet> ReadAuxiliary(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) const;
  void SetInitialized() { initialized_ = true; }
  unsigned AddPosition(ZELI_SourceWaveform* waveform);

  // ---- reading back (data_set_read.cc) ----
  // The array kept at slot, or null.
  ZELI_DataSetCachedArray* Kept(unsigned slot) const { return slot < kept_.size() ? kept_[slot] : nullptr; }
  // Keeps count values (data, allocated through information's type; owned
  // from the call on, freed when it fails) at slot (letting go of what the
  // slot held), with a copy of information over which monotonicity and
  // extremes are determined (ordered types), and lists the array in the
  // container's cache.
  ZELI_DataSetCachedArray* Keep(unsigned slot, unsigned count, const ZELI_DataInformation& information, void* data);
  // Slot 22 of the kinds: slot below limit, else ZELI_FailedException with
  // message; the slot is forgotten (the array itself is being deleted).
  void ForgetSlot(unsigned slot, unsigned limit, const char* message);
  // Reads count values of type from byteOffset of the values array into
  // target, after checking that the array holds them (ZELI_FailedException
  // naming what); the arrays must be open.
  void ReadValuesInto(const ZELI_Type* type, uint64_t byteOffset, void* target, unsigned count,
                      const char* what) const;
  // The same into new memory allocated through the type (the caller owns it).
  void* ReadValues(const ZELI_Type* type, uint64_t byteOffset, unsigned count, const char* what) const;
  // Read-ahead hint (ZELI_MemoryArray::AdviseWillRead) for count values of
  // type at byteOffset of the values array; the arrays must be open.
  void AdviseValues(const ZELI_Type* type, uint64_t byteOffset, unsigned count) const;
  // Read-ahead hints for what XSide reads next: the X values, and the
  // index and orders data sets when given (each unless kept already).
  void AdviseXSide(const ZELI_ArrayDataSet* index, const ZELI_ArrayDataSet* orders) const;
  // array itself when it holds n values, else a plain cached array of its
  // first n (listed in the cache, deleted with its last reference); fewer
  // than n: ZELI_FailedException naming what.
  ZELI_CachedArray* FirstValues(ZELI_CachedArray* array, unsigned n, const char* what) const;
  // The X side of a waveform of count points: the X values at the X
  // indices of index (a cached array of count 4-byte indices), or without
  // index the first count X values; with the first count orders of
  // `orders` when the interpolation is POLYNOMIAL and the data set was
  // initialized (each 0, 1 or 2, at least count of them). The arrays must
  // be open.
  ZELI_WfSegmentXParts XSide(ZELI_CachedArray* index, unsigned count, zel_interpolation_t interpolation,
                             ZELI_ArrayDataSet* orders);

 private:
  void ReadBase(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map);

  DataSetType type_;
  ZELI_SharedXSet* sharedXSet_;  // owner
  unsigned indexInSet_ = 0;
  std::vector<int> waveformKeys_;   // container keys by position; -1 free
  std::vector<unsigned> freePositions_;
  std::vector<std::unique_ptr<ZELI_DataInformation>> infos_;  // null at free positions
  std::unique_ptr<ZELI_MemoryArray> values_;
  std::unique_ptr<ZELI_MemoryArray> strings_;
  bool initialized_ = false;
  // Kept cached arrays by slot (null where none); listed in cache_, which
  // outlives the data sets of its container.
  std::vector<ZELI_DataSetCachedArray*> kept_;
  ZELI_Cache* cache_ = nullptr;
};

// A plain array of values of one type without waveforms: X values of a
// shared X set, X indices and orders of the other kinds.
class ZELI_ArrayDataSet : public ZELI_DataSet {
 public:
  ZELI_ArrayDataSet(ZELI_SharedXSet& sharedXSet, ZELI_Type* type);
  ZELI_ArrayDataSet(ZELI_SharedXSet& sharedXSet, ReadTag tag) : ZELI_DataSet(Array, sharedXSet, tag) {}

  unsigned Get_PointCount(unsigned position) const override;
  void Set_InterpolationType(zel_interpolation_t interpolation) override;
  zel_interpolation_t Get_InterpolationType() const override { return ZEL_INTERPOLATION_NONE; }
  unsigned Add_Waveform_p(ZELI_SourceWaveform* waveform) override;
  void Delete_Waveform_p(ZELI_SourceWaveform* waveform, unsigned position) override;
  // "ZELI_ArrayDataSet::Synchronize: extending size" beyond the count.
  void Synchronize(unsigned pointCount) override;
  void WritePointCount(ZELI_Ostream& out) const override;
  void ReadPointCount(ZELI_Istream& in) override;
  void CheckPointCount() const override;
  void EnterValues(unsigned position, const void* values, unsigned n) override;
  void EnterOrders(const int* orders, unsigned n) override;
  void EnterXIndices(const int* indices, unsigned n) override;
  // Both fail: an Array data set holds no waveform.
  ZELI_WfSegmentXParts Get_WfSegmentXData(unsigned position) override;
  ZELI_WfSegmentYParts Get_WfSegmentYData(unsigned position) override;
  // Slot 0 only ("ZELI_ArrayDataSet::Invalidate_CachedArray_p").
  void Invalidate_CachedArray_p(unsigned slot) override;

  // Every value as a cached array kept at slot 0: the X values of a shared
  // X set with a copy of its X data information, any other array (X
  // indices, orders) with a data information of its own.
  ZELI_CachedArray* Get_CachedArray_p();
  // Read-ahead hint for every value unless they are kept (the arrays must
  // be open).
  void AdviseWillRead() const;
  // Appends n values at the end; point count += n; point-count bit set.
  void Add_Data(const void* values, unsigned n);
  // Reads min(n, count - first) values (0 past the end); returns how many.
  unsigned Get_Data(unsigned first, void* buffer, unsigned n) const;
  unsigned Get_Count() const { return pointCount_; }
  ZELI_Type* Get_ValueType_p() const { return valueType_; }

 protected:
  void ReadKindFields(ZELI_Istream& in, ZELI_KeyMap<ZELI_InternalBase>& map) override;
  void WriteKindFields(ZELI_Ostream& out, ZELI_KeyMap<ZELI_InternalBase>& map) const override;

 private:
  unsigned pointCount_ = 0;
  ZELI_Type* valueType_ = nullptr;  // not owned
};

#endif  // ZEL_WAVEFORMS_DATA_SET_H
