// ZELI_Waveform and ZELI_SourceWaveform: one signal of a waveform set.
//
// A waveform holds no values. It names its Y axis (a dimension descriptor;
// the X axis is always its set's), a caller-chosen semantic, attributes, and
// the hierarchy nodes that refer to it. Per segment it answers where its
// values are and what is known about them (the virtual slots below).
//
// Source waveforms are the stored kind: created through the interface,
// listed in their set's waveform map at their key in set, written into the
// structure file with the set. Their per-segment data is located through the
// segment's waveform locator (shared X set, data set, position).
//
// Ownership: the waveform set owns its source waveforms; descriptors and the
// set are not owned. Referencing hierarchy nodes are not owned either; a
// waveform must be released by every node before it is destroyed
// (CheckMayDestroy tells; the destructor never throws).
//
// Stored record of a source waveform (inside the waveform-set record):
//   Y descriptor key i32 (-1: none), semantic u8 (stream version >= 2),
//   key in set i32, [one discarded i32 below version 2], attributes, key i32.
#ifndef ZEL_WAVEFORMS_WAVEFORM_H
#define ZEL_WAVEFORMS_WAVEFORM_H

#include <set>

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/node_pool.h"
#include "store/objects.h"
#include "waveforms/wf_segment_parts.h"
#include "zel/zel.h"

class ZELI_DataInformation;
class ZELI_DataSet;
class ZELI_DimensionDescriptor;
class ZELI_HierarchyNode;
class ZELI_Istream;
class ZELI_Ostream;
class ZELI_Segment;
class ZELI_SourceWaveform;
class ZELI_Type;
class ZELI_WaveformSet;
struct ZELI_WaveformDataLocation;

class ZELI_Waveform : public ZELI_ExternalBase {
 public:
  // From the small-object pools (one per stored waveform, read at every open).
  ZELI_SMALL_OBJECT_OPERATORS
  ZELI_Waveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor, zel_semantic_t semantic);
  // Never throws: a waveform still referenced is reported by CheckMayDestroy.
  ~ZELI_Waveform() override;
  ZELI_Waveform(const ZELI_Waveform&) = delete;
  ZELI_Waveform& operator=(const ZELI_Waveform&) = delete;

  // ---- virtual slots 1 to 8 ----
  virtual const char* Get_Attribute(const char* name) const;
  // Names owned by the attribute maps; the array is malloc'd (null, count 0
  // when there is none).
  virtual const char** Get_AttributeNames(unsigned& count) const;
  // "The waveform is not a source waveform" (ZELI_BadArgException) here.
  virtual ZELI_SourceWaveform* Get_SourceWaveform_p();
  // Where the waveform's values in segment are stored, for the access
  // layer to read them into a waveform segment (access/wf_segment_read.h).
  virtual ZELI_WfSegmentSource Get_WfSegmentSource(ZELI_Segment& segment) = 0;
  virtual const ZELI_DataInformation& Get_XDataInformation(ZELI_Segment& segment) = 0;
  virtual const ZELI_DataInformation& Get_YDataInformation(ZELI_Segment& segment) = 0;
  virtual unsigned Get_PointCount(ZELI_Segment& segment) = 0;
  virtual zel_interpolation_t Get_XInterpolationType(ZELI_Segment& segment) = 0;

  // ---- per-segment queries through slots 5 and 6 ----
  zel_monotonicity_t Get_XMonotonicity(ZELI_Segment& segment);
  zel_dataSpacing_t Get_XDataSpacing(ZELI_Segment& segment);
  zel_monotonicity_t Get_YMonotonicity(ZELI_Segment& segment);
  zel_dataSpacing_t Get_YDataSpacing(ZELI_Segment& segment);
  zel_interpolation_t Get_YInterpolationType(ZELI_Segment& segment);
  // Copy one value each into caller memory ("Min/Max values are not set.").
  void Get_XMinMax(ZELI_Segment& segment, void* min, void* max);
  void Get_YMinMax(ZELI_Segment& segment, void* min, void* max);

  // ---- fields ----
  ZELI_WaveformSet* Get_WaveformSet_p() const { return waveformSet_; }
  ZELI_DimensionDescriptor* Get_XDescriptor_p() const;
  ZELI_DimensionDescriptor* Get_YDescriptor_p() const { return yDescriptor_; }
  ZELI_Type* Get_XType_p() const;
  ZELI_Type* Get_YType_p() const;
  // The new descriptor's type must be the old one's very type object
  // ("The old and new Y dimensionDescriptor types do not match").
  void Set_YDescriptor_p(ZELI_DimensionDescriptor* descriptor);
  zel_semantic_t Get_Semantic() const { return semantic_; }
  // Marks the structure modified, then sets.
  void Set_Attribute(const char* name, const char* value);
  // Enters this waveform's own names into map (values empty).
  void Enter_AttributeNames(ZELI_Attributes& map) const;
  const ZELI_Attributes& Get_Attributes() const { return attributes_; }

  // ---- hierarchy references ----
  // "ZELI_Waveform::InsertReference" when already there (or null).
  void InsertReference(ZELI_HierarchyNode* node);
  // "ZELI_Waveform::EraseReference" when absent.
  void EraseReference(ZELI_HierarchyNode* node);
  unsigned Get_ReferenceCount() const {
    return (firstReference_ != nullptr ? 1u : 0u) + static_cast<unsigned>(moreReferences_.size());
  }
  // "ZELI_Waveform::~ZELI_Waveform count != 0" while referenced.
  void CheckMayDestroy() const;

 protected:
  ZELI_Attributes& Attributes() { return attributes_; }
  void Set_Semantic(zel_semantic_t semantic) { semantic_ = semantic; }
  void Set_YDescriptorRead(ZELI_DimensionDescriptor* descriptor) { yDescriptor_ = descriptor; }

 private:
  ZELI_WaveformSet* waveformSet_;            // not owned
  ZELI_DimensionDescriptor* yDescriptor_;    // not owned
  ZELI_Attributes attributes_;
  zel_semantic_t semantic_;
  // The referencing nodes (not owned): almost every waveform has exactly
  // one, held inline so that reading and destroying a hierarchy costs no
  // allocation per waveform; the others, when there are any, in the set.
  // firstReference_ is null only while the set is empty.
  ZELI_HierarchyNode* firstReference_ = nullptr;
  std::set<ZELI_HierarchyNode*> moreReferences_;
};

class ZELI_SourceWaveform : public ZELI_Waveform {
 public:
  ZELI_SourceWaveform(ZELI_WaveformSet* waveformSet, ZELI_DimensionDescriptor* yDescriptor, zel_semantic_t semantic);

  ZELI_SourceWaveform* Get_SourceWaveform_p() override { return this; }
  // The data set that holds the waveform in segment, the position there
  // and the segment's index, from one look at the segment's locator.
  ZELI_WfSegmentSource Get_WfSegmentSource(ZELI_Segment& segment) override;
  // Each fails with ZEL_NOT_FOUND "The waveform has no data" when the
  // segment holds no data of this waveform, and with ZEL_BAD_ARG "The
  // waveform and the segment belong to different waveform sets." for a
  // segment of another set.
  const ZELI_DataInformation& Get_XDataInformation(ZELI_Segment& segment) override;
  const ZELI_DataInformation& Get_YDataInformation(ZELI_Segment& segment) override;
  unsigned Get_PointCount(ZELI_Segment& segment) override;
  zel_interpolation_t Get_XInterpolationType(ZELI_Segment& segment) override;
  // The data set holding this waveform in the segment (same failure).
  ZELI_DataSet* Get_DataSet_p(ZELI_Segment& segment);

  int Get_KeyInSet() const { return keyInSet_; }
  void Set_KeyInSet(int key) { keyInSet_ = key; }

  // Once per structure write ("ZELI_Waveform::Write called again.").
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  // Reads one record of waveformSet and places the waveform in map at its
  // stored key (the caller enters it in the set's map at its key in set).
  static ZELI_SourceWaveform* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map,
                                   ZELI_WaveformSet& waveformSet);

 private:
  // The location, or ZEL_NOT_FOUND "The waveform has no data".
  void Locate(ZELI_Segment& segment, ZELI_WaveformDataLocation& location) const;
  // The data set at location (ZEL_NOT_FOUND "The waveform has no data"
  // when the store holds none there).
  static ZELI_DataSet* DataSetAt(ZELI_Segment& segment, const ZELI_WaveformDataLocation& location);

  int keyInSet_ = -1;
};

#endif  // ZEL_WAVEFORMS_WAVEFORM_H
