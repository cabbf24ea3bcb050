// The container's tables of descriptors, parameters and waveform sets:
// adding, finding by name or by value, and copying between containers.
#include <cstring>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"

ZELI_DimensionDescriptor* ZELI_Container::Add_DimensionDescriptor(ZELI_DimensionDescriptor* descriptor) {
  descriptors_.Add(descriptor, Get_ExternalConvertor());
  Set_Modified();
  return descriptor;
}

ZELI_Parameter* ZELI_Container::Add_Parameter(ZELI_Parameter* parameter) {
  parameters_.Add(parameter, Get_ExternalConvertor());
  Set_Modified();
  return parameter;
}

ZELI_WaveformSet* ZELI_Container::Add_WaveformSet(ZELI_WaveformSet* waveformSet) {
  waveformSets_.Add(waveformSet, Get_ExternalConvertor());
  Set_Modified();
  return waveformSet;
}

std::vector<ZELI_DimensionDescriptor*> ZELI_Container::FindDimensionDescriptors(const char* name, const char* unit,
                                                                                const ZELI_Type* type) const {
  const ZELI_String wantedName(name);
  const ZELI_String wantedUnit(unit);
  return descriptors_.Select([&](const ZELI_DimensionDescriptor& d) {
    return d.Get_Name() == wantedName && d.Get_Unit() == wantedUnit && d.Get_Type_p() == type;
  });
}

std::vector<ZELI_Parameter*> ZELI_Container::FindParameters(const char* name) const {
  const ZELI_String wanted(name);
  return parameters_.Select([&](const ZELI_Parameter& p) { return p.Get_Name() == wanted; });
}

std::vector<ZELI_WaveformSet*> ZELI_Container::FindWaveformSets(const char* name) const {
  const ZELI_String wanted(name);
  return waveformSets_.Select([&](const ZELI_WaveformSet& w) { return w.Get_Name() == wanted; });
}

ZELI_WaveformSet* ZELI_Container::FindWaveformSet(const char* name) const {
  const std::vector<ZELI_WaveformSet*> found = FindWaveformSets(name);
  if (found.empty()) throw ZELI_NotFoundException("WaveformSet not found");
  if (found.size() > 1) throw ZELI_FailedException("Multiple waveformSets");
  return found.front();
}

ZELI_DimensionDescriptor* ZELI_Container::FindDimensionDescriptorByDescriptor(
    const ZELI_DimensionDescriptor& d) const {
  return descriptors_.FindEqual(d);
}

ZELI_Parameter* ZELI_Container::FindParameterByParameter(const ZELI_Parameter& p) const {
  return parameters_.FindEqual(p);
}

ZELI_WaveformSet* ZELI_Container::FindWaveformSetByWaveformSet(const ZELI_WaveformSet& w) const {
  return waveformSets_.FindEqual(w);
}

ZELI_DimensionDescriptor* ZELI_Container::CopyDimensionDescriptor(const ZELI_DimensionDescriptor& d) {
  return Add_DimensionDescriptor(d.CopyToContainer(*this));
}

ZELI_Parameter* ZELI_Container::CopyParameter(const ZELI_Parameter& p) { return Add_Parameter(p.CopyToContainer(*this)); }

ZELI_WaveformSet* ZELI_Container::CopyWaveformSet(const ZELI_WaveformSet& w) {
  return Add_WaveformSet(w.CopyToContainer(*this));
}

namespace {

// The equal object of the table, or a copy added to the container.
template <typename T, typename Find, typename Copy>
T* FindOrCopy(const T& object, zel_bool_t* copied, Find find, Copy copy) {
  T* found = find(object);
  if (copied != nullptr) *copied = found == nullptr ? 1 : 0;
  return found != nullptr ? found : copy(object);
}

}  // namespace

ZELI_DimensionDescriptor* ZELI_Container::FindOrCopyDimensionDescriptor(const ZELI_DimensionDescriptor& d,
                                                                        zel_bool_t* copied) {
  return FindOrCopy(
      d, copied, [&](const ZELI_DimensionDescriptor& x) { return FindDimensionDescriptorByDescriptor(x); },
      [&](const ZELI_DimensionDescriptor& x) { return CopyDimensionDescriptor(x); });
}

ZELI_Parameter* ZELI_Container::FindOrCopyParameter(const ZELI_Parameter& p, zel_bool_t* copied) {
  return FindOrCopy(
      p, copied, [&](const ZELI_Parameter& x) { return FindParameterByParameter(x); },
      [&](const ZELI_Parameter& x) { return CopyParameter(x); });
}

ZELI_WaveformSet* ZELI_Container::FindOrCopyWaveformSet(const ZELI_WaveformSet& w, zel_bool_t* copied) {
  return FindOrCopy(
      w, copied, [&](const ZELI_WaveformSet& x) { return FindWaveformSetByWaveformSet(x); },
      [&](const ZELI_WaveformSet& x) { return CopyWaveformSet(x); });
}

void ZELI_Container::Insert_Segment(ZELI_Segment* segment) {
  segment->Set_Key(Get_ExternalConvertor().Insert(segment));
  Set_Modified();
}
