// Changing a hierarchy: named and subelement adds (with the intermediate
// blocks of a path), finding nodes by path and composite name, and deletion.
//
// Adds plan first and change afterwards: the path is walked without creating
// anything (missing blocks are noted as pending), every check runs (names,
// waveform set, duplicates, sort keys), and only then are the pending blocks
// and the node created, placed and registered. A failing add therefore
// leaves the hierarchy and the container exactly as they were.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "errors/exceptions.h"
#include "model/hierarchy.h"
#include "model/hierarchy_path.h"
#include "model/hierarchy_waveforms.h"
#include "model/node_iterator.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "types/type.h"

namespace {

ZELI_Container& ContainerOf(const ZELI_HierarchyNode* node) { return node->Get_WaveformSet_p()->Get_Container(); }

void Register(ZELI_Container& container, ZELI_HierarchyNode* node) {
  node->Set_Key(container.Get_ExternalConvertor().Insert(node));
}

// Registers node and everything it owns (children first).
void RegisterSubtree(ZELI_Container& container, ZELI_HierarchyNode* node) {
  std::vector<ZELI_HierarchyNode*> nodes;
  node->Collect_Subtree(nodes);
  for (ZELI_HierarchyNode* each : nodes) Register(container, each);
}

// A block that a path names but that does not exist yet.
struct PendingBlock {
  ZELI_HierarchyNode* existingParent;  // null when the parent is pending too
  int pendingParent;                   // index in the plan, or -1
  std::string name;
};

// Where a named add goes: an existing block, or the last of the pending
// blocks that the add creates first.
struct InsertionPlan {
  std::vector<PendingBlock> pending;
  ZELI_HierarchyNode* block = nullptr;  // when existing
  int pendingBlock = -1;                // when pending
  std::string finalName;
};

int FindPending(const InsertionPlan& plan, ZELI_HierarchyNode* existingParent, int pendingParent,
                const std::string& name) {
  for (size_t i = 0; i < plan.pending.size(); ++i) {
    const PendingBlock& p = plan.pending[i];
    if (p.existingParent == existingParent && p.pendingParent == pendingParent && p.name == name) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// Walks the path of name below node without changing anything.
InsertionPlan PlanInsertion(ZELI_HierarchyNode* node, const char* name, zel_hdl_t hdl) {
  if (name == nullptr) throw ZELI_BadArgException("Invalid block name.");
  InsertionPlan plan;
  const char separator = ZELI_Path::Separator(name, hdl);
  if (separator == '\0' || std::strchr(name, separator) == nullptr) {
    plan.block = node;
    plan.finalName = name;
  } else {
    ZELI_Path path(name, separator);
    plan.finalName = path.FinalName();
    if (plan.finalName.empty() || plan.finalName == "." || plan.finalName == "..") {
      throw ZELI_BadArgException("Invalid block name.");
    }
    ZELI_HierarchyNode* current = path.IsAbsolute() ? node->Get_Root_p() : node;
    int pending = -1;
    for (unsigned i = 0; i < path.BlockCount(); ++i) {
      const std::string& piece = path.Block(i);
      if (piece == ".") continue;
      if (piece == "..") {
        if (pending >= 0) {
          const PendingBlock& p = plan.pending[static_cast<size_t>(pending)];
          current = p.existingParent;
          pending = p.pendingParent;
        } else if (current->Get_Parent_p() != nullptr) {
          current = current->Get_Parent_p();
        }
        continue;
      }
      if (pending < 0) {
        unsigned index = 0;
        if (ZELI_HierarchyNode* child = current->Find_Offspring_p(piece.c_str(), index)) {
          current = child;
          continue;
        }
        if (!current->IsBlock()) throw ZELI_BadArgException("The path is not a block.");
      }
      int found = FindPending(plan, pending < 0 ? current : nullptr, pending, piece);
      if (found < 0) {
        plan.pending.push_back({pending < 0 ? current : nullptr, pending, piece});
        found = static_cast<int>(plan.pending.size()) - 1;
      }
      pending = found;
      current = nullptr;
    }
    plan.block = current;
    plan.pendingBlock = pending;
  }
  if (plan.pendingBlock < 0) {
    if (!plan.block->IsBlock()) throw ZELI_BadArgException("The path is not a block.");
    unsigned index = 0;
    if (plan.block->Find_Offspring_p(plan.finalName.c_str(), index) != nullptr) {
      throw ZELI_DuplicateException("Name already exists in the block.");
    }
  } else if (FindPending(plan, nullptr, plan.pendingBlock, plan.finalName) >= 0) {
    throw ZELI_DuplicateException("Name already exists in the block.");
  }
  return plan;
}

// Creates the pending blocks of plan (each placed and registered) and
// returns the insertion block.
ZELI_HierarchyNode* CreatePending(ZELI_Container& container, const InsertionPlan& plan) {
  std::vector<ZELI_HierarchyNode*> created;
  for (const PendingBlock& p : plan.pending) {
    ZELI_HierarchyNode* parent =
        p.existingParent != nullptr ? p.existingParent : created[static_cast<size_t>(p.pendingParent)];
    auto block = std::make_unique<ZELI_HierarchyBlock>(p.name.c_str());
    parent->Add_Offspring_p(block.get());
    created.push_back(block.release());
    Register(container, created.back());
  }
  return plan.pendingBlock >= 0 ? created[static_cast<size_t>(plan.pendingBlock)] : plan.block;
}

void RequireSameSet(const ZELI_HierarchyNode* node, ZELI_Waveform* waveform) {
  if (waveform != nullptr && ZELI_HierarchyWaveforms::WaveformSetOf(waveform) != node->Get_WaveformSet_p()) {
    throw ZELI_BadArgException("The waveform and the hierarchy are in different waveform sets.");
  }
}

// The subelement nodes of every field of a composite node, recursively:
// composite fields become subelement composites, others subelement scalars.
void AddAllDescendants(ZELI_HierarchyNode* node) {
  ZELI_Type* type = node->Get_Type_p();
  const unsigned count = type->SubelementCount();
  for (unsigned location = 0; location < count; ++location) {
    std::unique_ptr<ZELI_HierarchyNode> child;
    if (type->Get_SubelementType_p(location)->SubelementCount() > 0) {
      child = std::make_unique<ZELI_HierarchySubelementComposite>(location);
    } else {
      child = std::make_unique<ZELI_HierarchySubelementScalar>(location);
    }
    ZELI_HierarchyNode* placed = node->Add_Offspring_p(child.release());
    if (placed->IsComposite()) AddAllDescendants(placed);
  }
}

}  // namespace

ZELI_HierarchyNode* ZELI_Hierarchy::AddNamed(ZELI_HierarchyNode* parent, ZELI_HierarchyNode::NodeType type,
                                             const char* name, zel_hdl_t hdl, ZELI_Type* type_p,
                                             ZELI_Waveform* waveform) {
  if (!parent->IsBlock()) throw ZELI_BadArgException("Current node is not a hierarchy block");
  std::unique_ptr<ZELI_HierarchyNode> node;
  const InsertionPlan plan = PlanInsertion(parent, name, hdl);
  RequireSameSet(parent, waveform);
  switch (type) {
    case ZELI_HierarchyNode::BLOCK:
      node = std::make_unique<ZELI_HierarchyBlock>(plan.finalName.c_str());
      break;
    case ZELI_HierarchyNode::GROUP:
      node = std::make_unique<ZELI_HierarchyGroup>(plan.finalName.c_str());
      break;
    case ZELI_HierarchyNode::NAMED_COMPOSITE:
      if (type_p == nullptr) throw ZELI_BadArgException("Type is not available.");
      node = std::make_unique<ZELI_HierarchyNamedComposite>(plan.finalName.c_str(), type_p);
      break;
    case ZELI_HierarchyNode::NAMED_SCALAR:
      if (waveform == nullptr) throw ZELI_BadArgException("Waveform is not available.");
      node = std::make_unique<ZELI_HierarchyNamedScalar>(plan.finalName.c_str());
      break;
    default:
      throw ZELI_FailedException("Implement_AddToHierarchyBlock implementation.");
  }
  // The new node's sort key against an existing block (a pending block is
  // empty but for the pending blocks, whose names were checked).
  if (plan.pendingBlock < 0) plan.block->CheckOffspring(node.get());
  // Built completely before anything is placed: its fields, its waveform.
  if (waveform != nullptr) static_cast<ZELI_HierarchyWaveformNode*>(node.get())->Bind_Waveform(waveform, true);
  if (type == ZELI_HierarchyNode::NAMED_COMPOSITE && waveform != nullptr) AddAllDescendants(node.get());

  ZELI_Container& container = ContainerOf(parent);
  container.Set_Modified();
  ZELI_HierarchyNode* block = CreatePending(container, plan);
  ZELI_HierarchyNode* placed = block->Add_Offspring_p(node.release());
  RegisterSubtree(container, placed);
  return placed;
}

ZELI_HierarchyNode* ZELI_Hierarchy::AddSubelement(ZELI_HierarchyNode* parent, ZELI_HierarchyNode::NodeType type,
                                                  unsigned location, ZELI_Waveform* waveform) {
  if (!parent->IsComposite()) throw ZELI_BadArgException("Current node is not a waveform of composite type");
  RequireSameSet(parent, waveform);
  ZELI_Type* parentType = parent->Get_Type_p();
  if (location >= parentType->SubelementCount()) throw ZELI_BadArgException("Location is out of range.");
  std::unique_ptr<ZELI_HierarchyNode> node;
  if (type == ZELI_HierarchyNode::SUBELEMENT_COMPOSITE) {
    node = std::make_unique<ZELI_HierarchySubelementComposite>(location);
  } else if (type == ZELI_HierarchyNode::SUBELEMENT_SCALAR) {
    if (waveform == nullptr) throw ZELI_BadArgException("Waveform is not available.");
    node = std::make_unique<ZELI_HierarchySubelementScalar>(location);
  } else {
    throw ZELI_FailedException("Implement_AddToHierarchyBlock implementation.");
  }
  parent->CheckOffspring(node.get());
  if (waveform != nullptr) static_cast<ZELI_HierarchyWaveformNode*>(node.get())->Bind_Waveform(waveform, true);
  ZELI_Container& container = ContainerOf(parent);
  container.Set_Modified();
  ZELI_HierarchyNode* placed = parent->Add_Offspring_p(node.release());
  try {
    if (placed->IsComposite() && waveform != nullptr) AddAllDescendants(placed);
  } catch (...) {
    // Only allocation fails here: take the half-built node out again.
    parent->Get_OffspringVectors()->Remove(placed);
    delete placed;
    throw;
  }
  RegisterSubtree(container, placed);
  return placed;
}

// ---- finding ------------------------------------------------------------------------

namespace {

// The names under which child is found: its own, and for a bus also its
// base name, which its full name and its elements' full names use
// (data[7:0] is found as data, its elements as data[3] and data[7:0][3]).
int LookupNames(ZELI_HierarchyNode* child, std::string names[2]) {
  names[0] = child->Get_Name();
  if (child->Get_NodeType() != ZELI_HierarchyNode::NAMED_COMPOSITE ||
      !static_cast<ZELI_HierarchyNamedComposite*>(child)->IsBus()) {
    return 1;
  }
  int left = 0;
  int right = 0;
  names[1] = child->Get_BusName(left, right);
  return 2;
}

// Resolves a composite name (data[3], rec.field) among the waveform nodes
// below block. A bus entered by its base name (data[3]) has its elements
// named as full names name them, by the bus's indices; entered by its whole
// name (data[7:0][3]), by their own names.
ZELI_HierarchyNode* FindCompositeNode(ZELI_HierarchyNode* block, std::string text) {
  ZELI_HierarchyNode* current = block;
  bool byBusIndices = false;
  int left = 0;
  int right = 0;
  while (!text.empty()) {
    ZELI_HierarchyNode* next = nullptr;
    bool nextByBusIndices = false;
    for (unsigned i = 0; i < current->OffspringCount() && next == nullptr; ++i) {
      ZELI_HierarchyNode* child = current->Get_Offspring_p(i);
      if (!child->IsWaveform()) continue;
      std::string names[2];
      int count = LookupNames(child, names);
      if (byBusIndices && child->Get_NodeType() == ZELI_HierarchyNode::SUBELEMENT_SCALAR) {
        names[0] = child->BusElementName(left, right);
        count = 1;
      }
      for (int k = 0; k < count && next == nullptr; ++k) {
        const std::string& name = names[k];
        if (name == text) return child;
        if (name.empty() || text.size() <= name.size() || text.compare(0, name.size(), name) != 0) continue;
        if (!child->IsComposite()) continue;
        const bool array = child->Get_Type_p()->Get_DataType() == ZEL_ARRAY;
        const char following = text[name.size()];
        if (array && following == '[') {
          text.erase(0, name.size());
          next = child;
          // names[1] is a bus's base name.
          nextByBusIndices = k == 1;
          if (nextByBusIndices) child->Get_BusName(left, right);
        } else if (!array && following == '.') {
          text.erase(0, name.size() + 1);
          next = child;
        }
      }
    }
    if (next == nullptr) return nullptr;
    current = next;
    byBusIndices = nextByBusIndices;
  }
  return nullptr;
}

}  // namespace

std::vector<ZELI_HierarchyNode*> ZELI_Hierarchy::Find_AllNodes(ZELI_HierarchyNode* start, const char* name,
                                                               zel_hdl_t hdl) {
  if (name == nullptr) return {};
  const char separator = ZELI_Path::Separator(name, hdl);
  ZELI_Path path(name, separator);
  ZELI_HierarchyNode* current = path.IsAbsolute() ? start->Get_Root_p() : start;
  for (unsigned i = 0; i < path.BlockCount(); ++i) {
    const std::string& piece = path.Block(i);
    if (piece == ".") continue;
    if (piece == "..") {
      if (current->Get_Parent_p() != nullptr) current = current->Get_Parent_p();
      continue;
    }
    unsigned index = 0;
    current = current->Find_Offspring_p(piece.c_str(), index);
    if (current == nullptr) return {};
  }
  if (path.FinalName().empty()) return {};
  unsigned index = 0;
  if (ZELI_HierarchyNode* exact = current->Find_Offspring_p(path.FinalName().c_str(), index)) return {exact};
  if (ZELI_HierarchyNode* found = FindCompositeNode(current, path.FinalName())) return {found};
  return {};
}

// ---- deletion -------------------------------------------------------------------------

namespace {

// The nodes above target whose derived waveform is a composite assembled
// from fields that lie in target's subtree: they lose those fields with it.
// Above a node with a stored waveform nothing depends on the subtree (a
// subelement derives from that waveform, and a composite further up takes
// that waveform whole as its field).
void CollectLosingFields(ZELI_HierarchyNode* target, std::vector<ZELI_HierarchyWaveformNode*>& losing) {
  std::vector<ZELI_HierarchyNode*> subtree;
  target->Collect_Subtree(subtree);
  bool holdsFields = false;
  for (const ZELI_HierarchyNode* each : subtree) holdsFields = holdsFields || each->HasSourceWaveform();
  if (!holdsFields) return;
  std::vector<ZELI_HierarchyWaveformNode*> above;
  for (ZELI_HierarchyNode* up = target->Get_Parent_p(); up != nullptr && up->IsWaveform(); up = up->Get_Parent_p()) {
    if (up->HasSourceWaveform()) return;
    if (up->HasWaveform()) above.push_back(static_cast<ZELI_HierarchyWaveformNode*>(up));
  }
  for (ZELI_HierarchyWaveformNode* node : above) {
    if (std::find(losing.begin(), losing.end(), node) == losing.end()) losing.push_back(node);
  }
}

}  // namespace

void ZELI_Hierarchy::DeleteNode(ZELI_HierarchyNode* node) {
  ZELI_WaveformSet* set = node->Get_WaveformSet_p();
  ZELI_Container& container = set->Get_Container();
  if (!container.IsOpenForWriting()) throw ZELI_FailedException("Cannot modify read-only container");
  std::vector<ZELI_HierarchyNode*> targets;
  if (node->IsRoot()) {
    targets = node->Get_OffspringVectors()->Inserted();
  } else {
    targets.push_back(node);
  }
  std::vector<ZELI_HierarchyNode*> subtree;
  for (ZELI_HierarchyNode* target : targets) target->Collect_Subtree(subtree);
  std::vector<ZELI_Waveform*> dying;
  for (ZELI_HierarchyNode* each : subtree) {
    if (each->IsWaveform()) static_cast<ZELI_HierarchyWaveformNode*>(each)->Delete_Waveforms(subtree, dying);
  }
  std::vector<ZELI_HierarchyWaveformNode*> losing;
  for (ZELI_HierarchyNode* target : targets) CollectLosingFields(target, losing);
  std::vector<ZELI_Waveform*> released = dying;
  for (ZELI_HierarchyWaveformNode* each : losing) {
    if (std::find(released.begin(), released.end(), each->Peek_Waveform_p()) == released.end()) {
      released.push_back(each->Peek_Waveform_p());
    }
  }
  // Everything that can refuse runs before the first change.
  ZELI_HierarchyWaveforms::RequireNotInUse(container, released);
  std::vector<ZELI_Waveform*> garbage = ZELI_HierarchyWaveforms::SourceWaveforms(dying);

  container.Set_Modified();
  // Before their fields can go.
  for (ZELI_HierarchyWaveformNode* each : losing) each->Release_DerivedWaveform();
  ZELI_NodeIterator::ForgetNodes(container, subtree);
  for (ZELI_HierarchyNode* each : subtree) container.Erase(each);
  for (ZELI_HierarchyNode* target : targets) {
    target->Get_Parent_p()->Get_OffspringVectors()->Remove(target);
    delete target;
  }
  ZELI_HierarchyWaveforms::CollectGarbage(*set, garbage);
}
