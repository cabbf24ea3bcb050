// Fuzzes the readers of stored data-information and parameter records, with
// any stored version and either byte order, and then uses what was read the
// way the library would (determining monotonicity and extremes, values by
// position and identifier, changes, copying, writing back). Any input must
// end in a library exception or a clean read: never a crash, a hang or an
// allocation beyond what the input holds.
//
// Input: byte 0 picks the stored version (low 7 bits, modulo 9) and the
// byte order (top bit: big-endian); byte 1 picks the mode (bit 0) and, for
// data-information records, the value type (the rest, modulo the type
// count). The remaining bytes are
//   mode 0: one data-information record, then values of the chosen type;
//   mode 1: up to four parameter records.
// Parameter records refer to the descriptors of a fixed structure prefix
// (written once per process, read into a fresh container per input):
// types at keys 0 to 8 in the order of MakeTypes, the internal integer type
// at key 9, one descriptor per type at keys 10 to 18 (descriptor k over
// type k - 10), and free keys 19 to 26 for the parameters read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/container.h"
#include "store/keymap.h"
#include "store/stream.h"
#include "types/composite_types.h"
#include "types/discrete_types.h"
#include "types/enumeration_type.h"
#include "types/scalar_types.h"
#include "types/type.h"
#include "types/type_table.h"
#include "model/data_information.h"

namespace {

constexpr unsigned TypeCount = 9;
constexpr unsigned SpareKeys = 8;

std::string ScratchPath(const char* what) {
  return std::string("/tmp/zel_parameter_records_fuzz_") + what + "_" + std::to_string(::getpid());
}

// One type of every value kind, in a fixed order (keys 0 .. 8).
void MakeTypes(ZELI_Container& container) {
  ZELI_TypeTable& table = container.Get_TypeTable();
  table.Add_Type(new ZELI_CharacterType("c"));
  table.Add_Type(new ZELI_StringType("s"));
  table.Add_Type(new ZELI_IntegerType("i"));
  table.Add_Type(new ZELI_RealType("r"));
  table.Add_Type(new ZELI_ComplexType("z"));
  table.Add_Type(new ZELI_TimeType("t"));
  table.Add_Type(new ZELI_FloatType("f"));
  const char* literals[] = {"lo", "mid", "hi"};
  table.Add_Type(new ZELI_EnumerationType("e", 3, literals, 0, 2, ZEL_RANGE_ASCENDING));
  const char* names[] = {"re", "n"};
  ZELI_Type* elements[] = {table.Get_Types()[3], table.Get_Types()[2]};
  table.Add_Type(new ZELI_RecordType("rec", 2, names, elements));
}

// The structure prefix: key map, types, descriptors (the spare descriptors
// only reserve keys: their records are not written).
const std::string& PrefixPath() {
  static const std::string path = [] {
    const std::string p = ScratchPath("prefix");
    ZELI_Container source;
    MakeTypes(source);
    source.Get_TypeTable().Get_InternalIntegerType_p();
    const std::vector<ZELI_Type*> types = source.Get_TypeTable().Get_Types();
    std::vector<ZELI_DimensionDescriptor*> descriptors;
    for (unsigned i = 0; i < TypeCount + SpareKeys; ++i) {
      descriptors.push_back(
          source.Add_DimensionDescriptor(new ZELI_DimensionDescriptor("d", "u", types[i % TypeCount])));
    }
    ZELI_Ostream out(p.c_str(), 1);
    ZELI_KeyMap<ZELI_ExternalBase>& map = source.Get_ExternalConvertor();
    out << map;
    map.InitializeMarker();
    source.Get_TypeTable().WriteTypes(out, map);
    out << TypeCount;
    for (unsigned i = 0; i < TypeCount; ++i) descriptors[i]->Write(out, map);
    out.Close();
    return p;
  }();
  return path;
}

// Determines over the rest of the input as values of the information's
// type, directly and through an index array.
void DetermineOver(ZELI_DataInformation& info, const std::vector<unsigned char>& rest) {
  const ZELI_Type* type = info.Get_Type_p();
  const unsigned size = type->Get_SizeOf();
  std::vector<std::string> texts;
  std::vector<const char*> pointers;
  const void* values = rest.data();
  unsigned count = size > 0 ? static_cast<unsigned>(rest.size() / size) : 0;
  if (type->Get_DataType() == ZEL_STRING) {
    // Texts of up to 7 bytes; a zero first byte stands for a null string.
    for (size_t i = 0; i + 8 <= rest.size(); i += 8) texts.emplace_back(reinterpret_cast<const char*>(&rest[i]), 7);
    for (const std::string& t : texts) pointers.push_back(t[0] == 0 ? nullptr : t.c_str());
    values = pointers.data();
    count = static_cast<unsigned>(pointers.size());
  }
  if (count == 0) return;
  ZELI_DataInformation copy(info);
  copy.DetermineMonMinMax(values, count);
  std::vector<unsigned> indices;
  for (unsigned i = count; i-- > 0;) indices.push_back(i);
  ZELI_DataInformation indexInfo(nullptr);
  indexInfo.Set_Monotonicity(ZEL_MONOTONICITY_STRICTLY_DECREASING);
  info.DetermineMonMinMax(&indexInfo, values, indices.data(), count);
  info.ForgetDetermined();
  info.DetermineMonMinMax(values, count);
}

void FuzzDataInformation(ZELI_Istream& in, ZELI_Type* type) {
  ZELI_DataInformation info(type);
  info.Read(in);
  std::vector<unsigned char> rest(static_cast<size_t>(in.BytesLeft()));
  if (!rest.empty()) in.Read(rest.data(), static_cast<unsigned>(rest.size()), 1);
  try {
    DetermineOver(info, rest);
  } catch (const ZELI_Exception&) {
  }
  ZELI_Ostream out(ScratchPath("out").c_str(), 1);
  info.Write(out);
  out.Close();
}

// Uses a parameter that was read cleanly.
void Exercise(ZELI_Parameter& p, ZELI_KeyMap<ZELI_ExternalBase>& map, ZELI_Container& other) {
  auto attempt = [](auto&& step) {
    try {
      step();
    } catch (const ZELI_Exception&) {
    }
  };
  attempt([&] { (void)p.Get_Monotonicity(); });
  attempt([&] {
    std::vector<unsigned char> min(p.Get_Type_p()->Get_SizeOf()), max(min.size());
    p.Get_MinMax(min.data(), max.data());
    if (p.Get_Type_p()->Get_DataType() == ZEL_STRING) {
      char* texts[2];
      std::memcpy(&texts[0], min.data(), sizeof(char*));
      std::memcpy(&texts[1], max.data(), sizeof(char*));
      std::free(texts[0]);
      std::free(texts[1]);
    }
  });
  for (unsigned id = 0; id <= p.Get_SlotCount() && id < 64; ++id) {
    attempt([&] { (void)p.Get_Index(id); });
  }
  attempt([&] {
    const void* value = nullptr;
    const int* order = nullptr;
    p.GetValueBuffer(0, &value, &order);
    // Append a copy of the first value (and order), then delete it again.
    std::vector<unsigned char> copy(p.Get_Type_p()->Get_SizeOf(), 0);
    p.Get_Type_p()->CopyData(copy.data(), value, 1);
    const int orders[] = {order != nullptr ? *order : 0};
    p.InsertValuesBefore(0, 1, copy.data(), orders);
    if (p.Get_Type_p()->Get_DataType() == ZEL_STRING) {
      char* text;
      std::memcpy(&text, copy.data(), sizeof text);
      std::free(text);
    }
    p.DeleteValues(p.Get_ValueCount() - 1, 1);
  });
  attempt([&] {
    std::unique_ptr<ZELI_Parameter> copy(p.CopyToContainer(other));
    (void)(*copy == p);
  });
  attempt([&] {
    ZELI_Ostream out(ScratchPath("out").c_str(), 1);
    map.InitializeMarker();
    p.Write(out, map);
    out.Close();
  });
}

void FuzzParameters(ZELI_Istream& in) {
  ZELI_Container container;
  ZELI_Container other;
  std::vector<std::unique_ptr<ZELI_DimensionDescriptor>> descriptors;
  std::vector<std::unique_ptr<ZELI_Parameter>> parameters;  // destroyed before the containers
  ZELI_KeyMap<ZELI_ExternalBase>& map = container.Get_ExternalConvertor();
  {
    ZELI_Istream prefix(PrefixPath().c_str());
    prefix >> map;
    container.Get_TypeTable().ReadTypes(prefix, map);
    for (unsigned n = prefix.ReadCount(1); n > 0; --n) {
      descriptors.emplace_back(ZELI_DimensionDescriptor::Read(prefix, map));
    }
  }
  try {
    for (unsigned i = 0; i < 4 && !in.AtEnd(); ++i) parameters.emplace_back(ZELI_Parameter::Read(in, map, container));
  } catch (const ZELI_Exception&) {
  }
  for (auto& p : parameters) Exercise(*p, map, other);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const unsigned version = (data[0] & 0x7F) % 9;
  const zel_bool_t bigEndian = (data[0] & 0x80) != 0;
  const std::string input = ScratchPath("in");
  FILE* file = std::fopen(input.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + 2, 1, size - 2, file);
  std::fclose(file);
  try {
    ZELI_Istream in(input.c_str(), bigEndian, version);
    if ((data[1] & 1) == 0) {
      ZELI_Container container;
      MakeTypes(container);
      FuzzDataInformation(in, container.Get_TypeTable().Get_Types()[(data[1] >> 1) % TypeCount]);
    } else {
      FuzzParameters(in);
    }
  } catch (const ZELI_Exception&) {
  }
  return 0;
}
