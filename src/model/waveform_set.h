// ZELI_WaveformSet: the waveforms that share one X descriptor and one list
// of sweep parameters, with their segments (one per combination of
// parameter values) and the root of their signal hierarchy.
#ifndef ZEL_MODEL_WAVEFORM_SET_H
#define ZEL_MODEL_WAVEFORM_SET_H

#include <vector>

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/objects.h"
#include "store/zstring.h"

class ZELI_Container;
class ZELI_DimensionDescriptor;
class ZELI_Parameter;

class ZELI_WaveformSet : public ZELI_ExternalBase {
 public:
  // count parameter entries, taken from parameters or empty when it is null.
  ZELI_WaveformSet(ZELI_Container& container, const char* name, ZELI_DimensionDescriptor* xDescriptor,
                   unsigned count, ZELI_Parameter* const* parameters);
  ~ZELI_WaveformSet() override;

  const ZELI_String& Get_Name() const { return name_; }
  ZELI_Container& Get_Container() const { return container_; }
  ZELI_DimensionDescriptor* Get_XDescriptor_p() const { return xDescriptor_; }
  const std::vector<ZELI_Parameter*>& Get_Parameters() const { return parameters_; }

  // X descriptors equal and parameter lists pairwise equal; names ignored.
  bool operator==(const ZELI_WaveformSet& other) const;
  // A copy for target: name, X descriptor and parameters found or copied.
  ZELI_WaveformSet* CopyToContainer(ZELI_Container& target) const;

  // Once per structure write ("ZELI_WaveformSet::Write called again.").
  void Write(ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) const;
  static ZELI_WaveformSet* Read(ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Container& container);
  // The data stores of every segment, written at close and read at open.
  void WriteDataStores();
  void ReadDataStores();

 private:
  ZELI_Container& container_;
  ZELI_String name_;
  ZELI_DimensionDescriptor* xDescriptor_;   // not owned
  std::vector<ZELI_Parameter*> parameters_;  // not owned; entries may be null
  ZELI_Attributes attributes_;
};

#endif  // ZEL_MODEL_WAVEFORM_SET_H
