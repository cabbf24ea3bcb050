// Fuzz target for the reader of hierarchy records: arbitrary bytes are read
// as the hierarchy of a waveform set (node count, node records, relatives
// records; native byte order) into a key map shaped like a small container
// (a record type and an integer array type at fixed keys, free keys above
// for the nodes). Reading must either work or fail with a library exception
// that leaves the map as it was. What was read is then used the way the
// library would: every node's full and composite names, a walk in every
// iterator setting, and writing the records back, which must give the bytes
// read.
//
// Built with ZEL_HIERARCHY_SEEDS instead of as a fuzzer, the file is a small
// program that writes the seed corpus (the records of real hierarchies) into
// the directory given as its argument.
#include "fuzz_support.h"
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "interface/container_wrapper.h"
#include "interface/interface.h"
#include "model/hierarchy.h"
#include "model/node_iterator.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "store/stream.h"

namespace {

constexpr unsigned FreeNodeKeys = 64;

// A memory container with an integer array type over 0..3, a record of two
// integers and one waveform set; built the same way in every run, so the
// types' keys are fixed.
struct World {
  World() {
    zel_status_t st;
    session = ZEL_InitSession(&st);
    container = ZEL_CreateContainer(session, "", ZEL_MODE_MEMORY, &st);
    zel_type_t integer = ZEL_CreateBuiltinType(session, container, "int", ZEL_INTEGER, &st);
    zel_range_t range{integer, 0, 3, ZEL_RANGE_ASCENDING};
    array = ZEL_CreateArrayType(session, container, "bits", integer, 1, &range, &st);
    const char* names[] = {"a", "b"};
    zel_type_t types[] = {integer, integer};
    record = ZEL_CreateRecordType(session, container, "rec", 2, names, types, &st);
    zel_dimensionDescriptor_t x = ZEL_CreateDimensionDescriptor(session, container, "time", "s", integer, &st);
    set = ZEL_CreateWaveformSet(session, container, "tran", x, 0, nullptr, &st);
    if (st != ZEL_OK) std::abort();
    ZELC_Session* s = ZELC_Interface::TheInterface().ConvertSessionHandle(session);
    object = s->Object(container);
    setObject = s->Object(set);
  }
  zel_session_t session;
  zel_container_t container;
  zel_type_t array;
  zel_type_t record;
  zel_waveformSet_t set;
  ZELI_Container* object = nullptr;
  ZELI_WaveformSet* setObject = nullptr;
};

World& TheWorld() {
  static World* world = new World();  // lives for the process
  return *world;
}

std::string TempFile(const char* what) {
  return "/tmp/zel_hierarchy_records_fuzz_" + std::to_string(::getpid()) + "_" + what;
}

using zelfuzz::WriteFile;

using zelfuzz::ReadFile;

// The container's objects that are not hierarchy nodes at their keys, and
// FreeNodeKeys free keys above them.
void ShapeMap(ZELI_KeyMap<ZELI_ExternalBase>& map) {
  ZELI_KeyMap<ZELI_ExternalBase>& original = TheWorld().object->Get_ExternalConvertor();
  const int slots = static_cast<int>(original.Get_SlotCount());
  for (int key = 0; key < slots + static_cast<int>(FreeNodeKeys); ++key) {
    ZELI_ExternalBase* object = key < slots && original.IsLive(key) ? original[key] : nullptr;
    map.Insert(dynamic_cast<ZELI_HierarchyNode*>(object) != nullptr ? nullptr : object);
  }
  for (int key = 0; key < slots + static_cast<int>(FreeNodeKeys); ++key) {
    if (map[key] == nullptr) map.Erase(key);
  }
}

void Use(ZELI_HierarchyRoot* root) {
  std::vector<ZELI_HierarchyNode*> nodes;
  root->Collect_Subtree(nodes);
  for (ZELI_HierarchyNode* node : nodes) {
    std::free(node->FullName(ZEL_HDL_SLASH));
    if (node->IsWaveform()) std::free(node->CompositeName(ZEL_HDL_COLON));
  }
  for (int level = 0; level <= ZEL_ITOR_POSTORDER; ++level) {
    for (int enter = 1; enter <= ZEL_ITOR_ENTER_BLOCKS_WAVEFORMS; ++enter) {
      ZELI_NodeIterator it(root, ZEL_ITOR_SORTED_ORDER, ZEL_ITOR_BACKWARD, static_cast<zel_itorLevel_t>(level),
                           static_cast<zel_itorEnter_t>(enter));
      const unsigned count = it.IterationCount();
      unsigned seen = 0;
      for (ZELI_HierarchyNode* n = it.FirstNode_p(); n != nullptr; n = it.NextNode_p()) ++seen;
      if (seen != count) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World& world = TheWorld();
  const std::string input = TempFile("in");
  const std::string output = TempFile("out");
  WriteFile(input, data, size);
  ZELI_KeyMap<ZELI_ExternalBase> map;
  ShapeMap(map);
  const unsigned liveBefore = map.Get_Count();
  std::unique_ptr<ZELI_HierarchyRoot> root;
  size_t consumed = 0;
  try {
    ZELI_Istream in(input.c_str());
    root.reset(ZELI_Hierarchy::ReadHierarchy(world.setObject, in, map));
    consumed = static_cast<size_t>(in.Tell());
  } catch (const ZELI_Exception&) {
    if (map.Get_Count() != liveBefore) std::abort();  // a failed read frees its keys
    return 0;
  }
  try {
    Use(root.get());
  } catch (const ZELI_Exception&) {
    // Names and walks may refuse (for instance an empty enter mode); never crash.
  }
  map.InitializeMarker();
  {
    ZELI_Ostream out(output.c_str(), 1);
    ZELI_Hierarchy::WriteHierarchy(root.get(), out, map);
    out.Close();
  }
  const std::vector<uint8_t> written = ReadFile(output);
  // Attributes may come back in another order; everything else is equal.
  if (written.size() != consumed) std::abort();
  return 0;
}

#ifdef ZEL_HIERARCHY_SEEDS
// Writes the records of a few real hierarchies as seeds into argv[1].
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  World& world = TheWorld();
  zel_status_t st;
  zel_hierarchyNode_t root = ZEL_GetNameHierarchyRootNode(world.session, world.set, &st);
  ZELI_HierarchyRoot* rootObject = world.setObject->Get_HierarchyRoot_p();
  auto save = [&](const char* name) {
    ZELI_KeyMap<ZELI_ExternalBase>& map = world.object->Get_ExternalConvertor();
    map.InitializeMarker();
    ZELI_Ostream out((std::string(argv[1]) + "/" + name).c_str(), 1);
    ZELI_Hierarchy::WriteHierarchy(rootObject, out, map);
    out.Close();
    map.DiscardMarker();
  };
  save("empty_root");
  ZEL_AddHierarchyBlock(world.session, root, "top/sub/leaf", ZEL_HDL_SLASH, &st);
  ZEL_SetHierarchyNodeAttribute(world.session, root, "tool", "seed", &st);
  save("blocks");
  zel_hierarchyNode_t bus = ZEL_AddHierarchyCompositeType(world.session, root, "top/d[3:0]", ZEL_HDL_SLASH,
                                                          world.array, &st);
  zel_hierarchyNode_t rec = ZEL_AddHierarchyCompositeType(world.session, root, "top/r", ZEL_HDL_SLASH, world.record,
                                                          &st);
  zel_hierarchyNode_t group = ZEL_AddHierarchyGroup(world.session, root, "top/g", ZEL_HDL_SLASH, &st);
  const zel_hierarchyNode_t members[] = {bus, rec};
  ZEL_AddHierarchyGroupMembers(world.session, group, 2, members, &st);
  save("composites_and_group");
  return st == ZEL_OK ? 0 : 1;
}
#endif
