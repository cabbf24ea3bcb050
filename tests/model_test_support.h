// Helpers for the waveform-set and segment tests: a disk container in a
// temporary directory, descriptors and parameters, and the implementation
// object behind a handle.
#ifndef ZEL_TESTS_MODEL_TEST_SUPPORT_H
#define ZEL_TESTS_MODEL_TEST_SUPPORT_H

#include <initializer_list>
#include <string>
#include <vector>

#include "interface/container_wrapper.h"
#include "interface/handle_lists.h"
#include "interface/interface.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/os_file.h"
#include "test_support.h"

namespace zeltest {

// The implementation object of a handle of this session.
template <typename Handle>
auto ObjectOf(zel_session_t session, Handle handle) {
  return ZELC_Interface::TheInterface().ConvertSessionHandle(session)->Object(handle);
}

class ModelTest : public SessionTest {
 protected:
  zel_container_t CreateDisk() { return Check(ZEL_CreateContainer(session_, name_.c_str(), ZEL_MODE_DISK, &status_)); }
  zel_container_t CreateMemory() { return Check(ZEL_CreateContainer(session_, "", ZEL_MODE_MEMORY, &status_)); }
  zel_container_t Open(zel_iomode_t mode) { return Check(ZEL_OpenContainer(session_, name_.c_str(), mode, &status_)); }
  void Close(zel_container_t c) {
    ZEL_CloseContainer(session_, c, &status_);
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
  }
  template <typename Handle>
  Handle Check(Handle h) {
    EXPECT_EQ(status_, ZEL_OK) << ZEL_GetError();
    return h;
  }

  // A real type and a descriptor of it named name.
  zel_dimensionDescriptor_t Descriptor(zel_container_t c, const char* name, const char* unit = "s") {
    zel_type_t type = Check(ZEL_CreateBuiltinType(session_, c, "real", ZEL_REAL, &status_));
    return Check(ZEL_CreateDimensionDescriptor(session_, c, name, unit, type, &status_));
  }
  // A parameter named name over descriptor, with the given real values.
  zel_parameter_t Parameter(zel_container_t c, const char* name, zel_dimensionDescriptor_t descriptor,
                            std::initializer_list<double> values = {}) {
    zel_parameter_t p = Check(ZEL_CreateParameter(session_, c, name, descriptor, &status_));
    const std::vector<double> v(values);
    if (!v.empty()) ZEL_AppendParameterValues(session_, p, static_cast<unsigned>(v.size()), v.data(), nullptr, &status_);
    return Check(p);
  }
  zel_waveformSet_t Set(zel_container_t c, const char* name, unsigned count = 0,
                        const zel_parameter_t* parameters = nullptr) {
    zel_dimensionDescriptor_t x = Descriptor(c, "time");
    return Check(ZEL_CreateWaveformSet(session_, c, name, x, count, parameters, &status_));
  }
  zel_segment_t Segment(zel_waveformSet_t set) { return Check(ZEL_CreateSegment(session_, set, 0, nullptr, &status_)); }

  bool Exists(const std::string& relative) const { return ZELI_OS_Exists((dir_ / relative).c_str()); }
  std::string VersionFile(const std::string& name, int version = 0) const {
    return dir_ / ("run_zel/version_" + std::to_string(version) + "/" + name);
  }

  TempDir dir_;
  std::string name_ = dir_ / "run";
};

}  // namespace zeltest

#endif  // ZEL_TESTS_MODEL_TEST_SUPPORT_H
