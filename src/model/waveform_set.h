// ZELI_WaveformSet: the waveforms that share one X descriptor and one list
// of sweep parameters, with their segments (one per combination of
// parameter values), their stored waveforms and the root of their signal
// hierarchy.
//
// Ownership: the set owns its segments, its hierarchy root and its waveform
// map's waveforms; the X descriptor and the parameters belong to the
// container. A parameter entry may be empty until set. Once the set has
// segments, its parameter count and its non-empty entries are fixed: the
// segments' value identifiers are stored one per entry, in entry order.
//
// Stored record (structure file; doc/segment_records.md): name, X descriptor
// key, parameter count and keys (-1 for an empty entry), the waveform map
// (key-map form, then one waveform record per live key), attributes, segment
// count and segment records, the hierarchy records of the root, and the key.
#ifndef ZEL_MODEL_WAVEFORM_SET_H
#define ZEL_MODEL_WAVEFORM_SET_H

#include <memory>
#include <vector>

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"

class ZELI_Container;
class ZELI_DimensionDescriptor;
class ZELI_HierarchyRoot;
class ZELI_Parameter;
class ZELI_Segment;
class ZELI_SegmentIndex;
class ZELI_SourceWaveform;

class ZELI_WaveformSet : public ZELI_ExternalBase {
 public:
  // count parameter entries, taken from parameters (null entries stay empty)
  // or all empty when parameters is null. A new empty hierarchy root is
  // registered in the container's map.
  ZELI_WaveformSet(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* xDescriptor, unsigned count,
                   ZELI_Parameter* const* parameters);
  // Destroys the hierarchy first (its nodes release their waveforms), then
  // the segments; frees the root's key when the container's map still lists
  // it (a set that never reached its container).
  ~ZELI_WaveformSet() override;
  ZELI_WaveformSet(const ZELI_WaveformSet&) = delete;
  ZELI_WaveformSet& operator=(const ZELI_WaveformSet&) = delete;

  const ZELI_String& Get_Name() const { return name_; }
  ZELI_Container& Get_Container() const { return container_; }
  ZELI_Container* Get_Container_p() const { return &container_; }
  // Marks the container's structure modified.
  void Set_ContainerIsDirty();

  // ---- X descriptor and parameters (setters mark the structure modified) ----
  ZELI_DimensionDescriptor* Get_XDescriptor_p() const { return xDescriptor_; }
  void Set_XDescriptor(ZELI_DimensionDescriptor* descriptor);
  const std::vector<ZELI_Parameter*>& Get_Parameters() const { return parameters_; }
  unsigned Get_ParameterCount() const { return static_cast<unsigned>(parameters_.size()); }
  // Entry index (null when empty); index >= count: ZELI_BadArgException
  // "Parameter index out of range.".
  ZELI_Parameter* Get_Parameter_p(unsigned index) const;
  // The entry, which must not be empty (ZELI_BadArgException "The waveform
  // set has an empty parameter entry.").
  ZELI_Parameter* Get_SetParameter_p(unsigned index) const;
  // Replaces the whole list (null array: count empty entries). With segments
  // the count and every non-empty entry must stay (ZELI_FailedException).
  void Set_Parameters(unsigned count, ZELI_Parameter* const* parameters);
  // Replaces entry index; an index >= count changes nothing. With segments a
  // non-empty entry cannot be replaced.
  void Set_Parameter(unsigned index, ZELI_Parameter* parameter);

  ZELI_Attributes& Get_Attributes() { return attributes_; }
  const ZELI_Attributes& Get_Attributes() const { return attributes_; }
  ZELI_HierarchyRoot* Get_HierarchyRoot_p() const { return root_.get(); }
  ZELI_KeyMap<ZELI_SourceWaveform>& Get_WaveformMap() { return waveformMap_; }
  const ZELI_KeyMap<ZELI_SourceWaveform>& Get_WaveformMap() const { return waveformMap_; }

  // ---- waveforms (owned through the waveform map) ----
  // Marks the structure modified, enters the waveform at a new key in set
  // and takes ownership. A waveform already in a set is refused
  // ("Waveform is already in the waveform set.", ZELI_FailedException).
  ZELI_SourceWaveform* Add_Waveform_p(ZELI_SourceWaveform* waveform);
  // Removes the waveform from every segment's data sets, the map and the
  // container's key map, and destroys it. It must belong to this set and
  // no hierarchy node may refer to it.
  void Delete_Waveform_p(ZELI_SourceWaveform* waveform);

  // ---- segments ----
  // Value counts of the parameters; every entry must be set.
  ZELI_SegmentIndex Get_SegmentIndexer() const;
  unsigned Get_SegmentCount() const { return static_cast<unsigned>(segments_.size()); }
  const std::vector<ZELI_Segment*>& Get_Segments() const { return segments_; }
  // i >= count: ZELI_BadArgException "Index of a segment is out of range.".
  ZELI_Segment* Get_Segment_p(unsigned i) const;
  // Product of the parameters' value counts (1 without parameters).
  unsigned Get_MaximumSegmentCount() const;
  // Value identifiers of checked positions ("Parameter count is
  // incorrect.", "Parameter index is out of range.").
  std::vector<unsigned> Get_ParIds(unsigned count, const unsigned* positions) const;
  // Identifiers of a segment index ("Segment index is out of range.").
  std::vector<unsigned> Get_ParIdsOfSegmentIndex(unsigned segmentIndex) const;
  // The segment index of checked positions ("Parameter index count", ...).
  unsigned Get_SegmentIndexFromParIndices(unsigned count, const unsigned* positions) const;
  // Positions of a segment index.
  std::vector<unsigned> Get_ParIndices(unsigned segmentIndex) const;
  // The current positions and segment index of stored identifiers.
  std::vector<unsigned> Get_ParIndicesFromParIds(const std::vector<unsigned>& parIds) const;
  unsigned Get_SegmentIndexFromParIds(const std::vector<unsigned>& parIds) const;
  // Creates a segment for these identifiers (serial number from the
  // container, data store 0, key in the container's map).
  ZELI_Segment* Create_Segment_p(std::vector<unsigned> parIds);
  // The first segment in creation order with these identifiers, or null.
  ZELI_Segment* Find_Segment_p(const std::vector<unsigned>& parIds) const;

  // X descriptors equal and parameter lists pairwise equal; names ignored.
  bool operator==(const ZELI_WaveformSet& other) const;
  // A copy for target: the name and a new empty root; the X descriptor and
  // the parameters found or copied there. Not yet added to target.
  ZELI_WaveformSet* CopyToContainer(ZELI_Container& target) const;

  // ---- structure file and data stores ----
  // Once per structure write ("ZELI_WaveformSet::Write called again.").
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  static ZELI_WaveformSet* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Container& container);
  // "Writing an open segment" when a segment is open.
  void CheckNoSegmentOpen() const;
  void WriteDataStores();
  void ReadDataStores();
  // Collects every segment's garbage; segments that the pass emptied leave
  // the list and are returned (the caller erases their keys and deletes them).
  std::vector<ZELI_Segment*> CollectGarbage();

 private:
  struct ReadTag {};
  // For Read: no root yet, no parameter entries.
  ZELI_WaveformSet(ZELI_Container& container, ReadTag);
  void RequireParametersMayChange(unsigned count, ZELI_Parameter* const* parameters) const;
  void WriteHierarchy(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  void ReadHierarchy(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);
  void ReadWaveforms(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);

  ZELI_Container& container_;
  ZELI_String name_;
  std::unique_ptr<ZELI_HierarchyRoot> root_;
  ZELI_DimensionDescriptor* xDescriptor_ = nullptr;  // not owned
  std::vector<ZELI_Parameter*> parameters_;          // not owned; entries may be null
  std::vector<ZELI_Segment*> segments_;              // owned, creation order
  ZELI_KeyMap<ZELI_SourceWaveform> waveformMap_;     // owns the waveforms, by key in set
  ZELI_Attributes attributes_;
};

#endif  // ZEL_MODEL_WAVEFORM_SET_H
