// Hierarchy nodes: offspring vectors and their order, the answers of each
// node kind, groups, and names (node names, bus elements, full and composite
// names).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/hierarchy.h"
#include "model/hierarchy_path.h"
#include "types/type.h"

// ---- offspring vectors -------------------------------------------------------

ZELI_HierarchyNode* ZELI_Offspring::At(unsigned index) const {
  if (index >= inserted_.size()) throw ZELI_BadArgException("Bad offspring index.");
  return inserted_[index];
}

ZELI_HierarchyNode* ZELI_Offspring::SortedAt(unsigned index) const {
  if (index >= sorted_.size()) throw ZELI_BadArgException("Bad offspring index.");
  return sorted_[index];
}

int ZELI_Offspring::CompareKeys(const ZELI_HierarchyNode* a, const ZELI_HierarchyNode* b) const {
  if (byLocation_) {
    const unsigned la = a->Get_LocationInParent();
    const unsigned lb = b->Get_LocationInParent();
    return la < lb ? -1 : (la > lb ? 1 : 0);
  }
  // strcmp compares as unsigned char, so "B" sorts before "a".
  auto* na = const_cast<ZELI_HierarchyNode*>(a);
  auto* nb = const_cast<ZELI_HierarchyNode*>(b);
  return std::strcmp(na->Get_Name(), nb->Get_Name());
}

size_t ZELI_Offspring::SortedPosition(const ZELI_HierarchyNode* node) const {
  if (sorted_.empty()) return 0;
  const int first = CompareKeys(node, sorted_.front());
  const int last = CompareKeys(node, sorted_.back());
  if (first == 0 || last == 0) throw ZELI_DuplicateException("Entering duplicate hierarchy node name.");
  if (first < 0) return 0;
  if (last > 0) return sorted_.size();
  // sorted_[low] < node < sorted_[high]
  size_t low = 0;
  size_t high = sorted_.size() - 1;
  while (high - low > 1) {
    const size_t middle = low + (high - low) / 2;
    const int c = CompareKeys(node, sorted_[middle]);
    if (c == 0) throw ZELI_DuplicateException("Entering duplicate hierarchy node name.");
    (c < 0 ? high : low) = middle;
  }
  if (high != low + 1) throw ZELI_FailedException("Sorting problem.");
  return high;
}

void ZELI_Offspring::Insert(ZELI_HierarchyNode* node, size_t position) {
  if (inserted_.capacity() == inserted_.size()) inserted_.reserve(std::max<size_t>(128, inserted_.size() * 2));
  if (sorted_.capacity() == sorted_.size()) sorted_.reserve(std::max<size_t>(128, sorted_.size() * 2));
  inserted_.push_back(node);
  sorted_.insert(sorted_.begin() + static_cast<std::ptrdiff_t>(position), node);
}

bool ZELI_Offspring::Remove(const ZELI_HierarchyNode* node) {
  auto a = std::find(inserted_.begin(), inserted_.end(), node);
  auto b = std::find(sorted_.begin(), sorted_.end(), node);
  if (a == inserted_.end() || b == sorted_.end()) return false;
  inserted_.erase(a);
  sorted_.erase(b);
  return true;
}

int ZELI_Offspring::IndexOf(const ZELI_HierarchyNode* node) const {
  auto it = std::find(inserted_.begin(), inserted_.end(), node);
  return it == inserted_.end() ? -1 : static_cast<int>(it - inserted_.begin());
}

int ZELI_Offspring::SortedIndexOf(const ZELI_HierarchyNode* node) const {
  auto it = std::find(sorted_.begin(), sorted_.end(), node);
  return it == sorted_.end() ? -1 : static_cast<int>(it - sorted_.begin());
}

namespace {

bool NameEquals(ZELI_HierarchyNode* node, const char* name, size_t length) {
  const char* own = node->Get_Name();
  return std::strlen(own) == length && std::memcmp(own, name, length) == 0;
}

}  // namespace

ZELI_HierarchyNode* ZELI_Offspring::FindByName(const char* name, size_t length, unsigned& index) const {
  if (!byLocation_) {
    // Names are unique among offspring sorted by name: bisection tells
    // whether the name is there (the common case of an insertion: it is
    // not), so that filling a block of n nodes costs O(n log n) compares
    // rather than O(n^2). Only a found node's insertion index is searched.
    unsigned sortedIndex = 0;
    ZELI_HierarchyNode* node = FindSortedByName(name, length, sortedIndex);
    if (node == nullptr) return nullptr;
    const int inserted = IndexOf(node);
    if (inserted < 0) return nullptr;
    index = static_cast<unsigned>(inserted);
    return node;
  }
  for (size_t i = 0; i < inserted_.size(); ++i) {
    if (NameEquals(inserted_[i], name, length)) {
      index = static_cast<unsigned>(i);
      return inserted_[i];
    }
  }
  return nullptr;
}

ZELI_HierarchyNode* ZELI_Offspring::FindSortedByName(const char* name, size_t length, unsigned& index) const {
  if (byLocation_) {
    for (size_t i = 0; i < sorted_.size(); ++i) {
      if (NameEquals(sorted_[i], name, length)) {
        index = static_cast<unsigned>(i);
        return sorted_[i];
      }
    }
    return nullptr;
  }
  // A stored name holds no NUL, so a wanted name with one matches nothing
  // (and would compare short below).
  if (std::memchr(name, 0, length) != nullptr) return nullptr;
  const std::string wanted(name, length);
  size_t low = 0;
  size_t high = sorted_.size();
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    const int c = std::strcmp(wanted.c_str(), sorted_[middle]->Get_Name());
    if (c == 0) {
      index = static_cast<unsigned>(middle);
      return sorted_[middle];
    }
    if (c < 0) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return nullptr;
}

// ---- the base node -----------------------------------------------------------

ZELI_HierarchyNode::~ZELI_HierarchyNode() {
  // Copy: leaving a group unregisters it from groups_.
  const std::vector<ZELI_HierarchyGroup*> groups = groups_;
  for (ZELI_HierarchyGroup* group : groups) {
    if (ZELI_Offspring* members = group->Get_OffspringVectors()) members->Remove(this);
  }
  groups_.clear();
}

void ZELI_HierarchyNode::DestroyOffspring() noexcept {
  ZELI_Offspring* offspring = Get_OffspringVectors();
  if (offspring == nullptr) return;
  const std::vector<ZELI_HierarchyNode*> nodes = offspring->TakeInserted();
  if (IsGroup()) {
    for (ZELI_HierarchyNode* member : nodes) {
      auto& groups = member->groups_;
      groups.erase(std::remove(groups.begin(), groups.end(), this), groups.end());
    }
    return;
  }
  for (ZELI_HierarchyNode* child : nodes) delete child;
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Get_Root_p() const {
  const ZELI_HierarchyNode* node = this;
  while (node->parent_ != nullptr) node = node->parent_;
  if (!node->IsRoot()) throw ZELI_FailedException("ZELI_HierarchyNode::Get_Root_p implementation.");
  return const_cast<ZELI_HierarchyNode*>(node);
}

ZELI_WaveformSet* ZELI_HierarchyNode::Get_WaveformSet_p() const {
  return static_cast<ZELI_HierarchyRoot*>(Get_Root_p())->Get_RootWaveformSet_p();
}

const char* ZELI_HierarchyNode::Get_BusName(int&, int&) const {
  throw ZELI_BadArgException("Node does not have a busName.");
}

unsigned ZELI_HierarchyNode::OffspringCount() const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  return offspring != nullptr ? offspring->Count() : 0;
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Get_Offspring_p(unsigned index) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  if (offspring == nullptr) throw ZELI_BadArgException("Offspring is not available.");
  return offspring->At(index);
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Get_SortedOffspring_p(unsigned index) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  if (offspring == nullptr) throw ZELI_BadArgException("Offspring is not available.");
  return offspring->SortedAt(index);
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_Offspring_p(const char* name, size_t length, unsigned& index) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  return offspring != nullptr && name != nullptr ? offspring->FindByName(name, length, index) : nullptr;
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_Offspring_p(const char* name, unsigned& index) const {
  return name != nullptr ? Find_Offspring_p(name, std::strlen(name), index) : nullptr;
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_Offspring_p(const ZELI_HierarchyNode* node, unsigned& index) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  const int i = offspring != nullptr ? offspring->IndexOf(node) : -1;
  if (i < 0) return nullptr;
  index = static_cast<unsigned>(i);
  return const_cast<ZELI_HierarchyNode*>(node);
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_SortedOffspring_p(const char* name, size_t length,
                                                              unsigned& index) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  return offspring != nullptr && name != nullptr ? offspring->FindSortedByName(name, length, index) : nullptr;
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_SortedOffspring_p(const char* name, unsigned& index) const {
  return name != nullptr ? Find_SortedOffspring_p(name, std::strlen(name), index) : nullptr;
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_SortedOffspring_p(const ZELI_HierarchyNode* node,
                                                              unsigned& index) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  const int i = offspring != nullptr ? offspring->SortedIndexOf(node) : -1;
  if (i < 0) return nullptr;
  index = static_cast<unsigned>(i);
  return const_cast<ZELI_HierarchyNode*>(node);
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Find_Offspring_pByLocation(unsigned) const {
  throw ZELI_BadArgException("Offspring cannot be found by location.");
}

size_t ZELI_HierarchyNode::CheckOffspring(const ZELI_HierarchyNode* node) const {
  const ZELI_Offspring* offspring = Get_OffspringVectors();
  if (offspring == nullptr) throw ZELI_FailedException("Cannot add offspring to this node.");
  if (node->parent_ != nullptr || node->IsRoot()) throw ZELI_FailedException("Node is already in the hierarchy.");
  return offspring->SortedPosition(node);
}

ZELI_HierarchyNode* ZELI_HierarchyNode::Add_Offspring_p(ZELI_HierarchyNode* node) {
  const size_t position = CheckOffspring(node);
  Get_OffspringVectors()->Insert(node, position);
  node->parent_ = this;
  return node;
}

void ZELI_HierarchyNode::Add_Member_p(ZELI_HierarchyNode*) {
  throw ZELI_FailedException("Cannot add members to this node.");
}

void ZELI_HierarchyNode::Remove_Member_p(ZELI_HierarchyNode*) {
  throw ZELI_FailedException("Cannot delete members from this node.");
}

unsigned ZELI_HierarchyNode::Get_LocationInParent() const {
  throw ZELI_BadArgException("Node does not have a location in parent.");
}

ZELI_Type* ZELI_HierarchyNode::Get_Type_p() const { throw ZELI_BadArgException("Type is not available."); }

ZELI_Waveform* ZELI_HierarchyNode::Get_Waveform_p() { throw ZELI_BadArgException("Waveform is not available."); }

void ZELI_HierarchyNode::Collect_Subtree(std::vector<ZELI_HierarchyNode*>& nodes) {
  if (!IsGroup()) {
    for (ZELI_HierarchyNode* child : Get_OffspringVectors() ? Get_OffspringVectors()->Inserted()
                                                            : std::vector<ZELI_HierarchyNode*>{}) {
      child->Collect_Subtree(nodes);
    }
  }
  nodes.push_back(this);
}

void ZELI_HierarchyNode::RegisterGroup(ZELI_HierarchyGroup* group) {
  if (std::find(groups_.begin(), groups_.end(), group) != groups_.end()) {
    throw ZELI_FailedException("ZELI_HierarchyNode::RegisterGroup");
  }
  groups_.push_back(group);
}

void ZELI_HierarchyNode::UnregisterGroup(ZELI_HierarchyGroup* group) {
  auto it = std::find(groups_.begin(), groups_.end(), group);
  if (it == groups_.end()) throw ZELI_FailedException("ZELI_HierarchyNode::UnregisterGroup");
  groups_.erase(it);
}

// ---- groups ------------------------------------------------------------------

size_t ZELI_HierarchyGroup::CheckOffspring(const ZELI_HierarchyNode*) const {
  throw ZELI_FailedException("Cannot add offspring to a group.");
}

ZELI_HierarchyNode* ZELI_HierarchyGroup::Add_Offspring_p(ZELI_HierarchyNode*) {
  throw ZELI_FailedException("Cannot add offspring to a group.");
}

void ZELI_HierarchyGroup::Add_Member_p(ZELI_HierarchyNode* node) {
  if (node == this) throw ZELI_BadArgException("A group cannot be its own member.");
  if (node->Get_Root_p() != Get_Root_p()) {
    throw ZELI_BadArgException("The member and the group are in different hierarchies.");
  }
  ZELI_Offspring* members = Get_OffspringVectors();
  const size_t position = members->SortedPosition(node);
  if (std::find(node->Get_Groups().begin(), node->Get_Groups().end(), this) != node->Get_Groups().end()) {
    throw ZELI_FailedException("ZELI_HierarchyNode::RegisterGroup");
  }
  members->Insert(node, position);
  try {
    node->RegisterGroup(this);
  } catch (...) {
    members->Remove(node);
    throw;
  }
}

void ZELI_HierarchyGroup::Remove_Member_p(ZELI_HierarchyNode* node) {
  node->UnregisterGroup(this);
  Get_OffspringVectors()->Remove(node);
}

// ---- named composites ----------------------------------------------------------

ZELI_HierarchyNamedComposite::ZELI_HierarchyNamedComposite(const char* name, ZELI_Type* type)
    : name_(name), type_(type) {
  // A bus such as data[7:0]: base name, left and right index.
  const char* open = std::strchr(name_.c_str(), '[');
  const char* colon = open != nullptr ? std::strchr(open, ':') : nullptr;
  if (open != nullptr && colon != nullptr && std::strchr(name_.c_str(), ']') != nullptr) {
    isBus_ = true;
    busName_ = ZELI_String(std::string(name_.c_str(), static_cast<size_t>(open - name_.c_str())).c_str());
    busLeft_ = static_cast<int>(std::strtol(open + 1, nullptr, 10));
    busRight_ = static_cast<int>(std::strtol(colon + 1, nullptr, 10));
  }
}

const char* ZELI_HierarchyNamedComposite::Get_BusName(int& left, int& right) const {
  if (!isBus_) throw ZELI_BadArgException("Node does not have a busName.");
  left = busLeft_;
  right = busRight_;
  return busName_.c_str();
}

int ZELI_HierarchyNamedComposite::Get_Direction() const { return isBus_ && busLeft_ > busRight_ ? 0 : 1; }

// ---- subelement nodes ------------------------------------------------------------

namespace {

// The type of which node is a subelement: its parent's type.
ZELI_Type* EnclosingType(const ZELI_HierarchyNode* node) {
  const ZELI_HierarchyNode* parent = node->Get_Parent_p();
  if (parent == nullptr || !parent->IsComposite()) throw ZELI_BadArgException("Type is not available.");
  return parent->Get_Type_p();
}

// The name of subelement location of type, copied (texts the type does not
// own are malloc'd and freed here).
ZELI_String SubelementName(const ZELI_Type* type, unsigned location) {
  zel_bool_t owned = 1;
  const char* name = type->Get_SubelementName(location, owned);
  ZELI_String copy(name);
  if (!owned) std::free(const_cast<char*>(name));
  return copy;
}

}  // namespace

const char* ZELI_SubelementPlace::Name(const ZELI_HierarchyNode* node) {
  if (!nameCached_) {
    cachedName_ = SubelementName(EnclosingType(node), location_);
    nameCached_ = true;
  }
  return cachedName_.c_str();
}

ZELI_Type* ZELI_SubelementPlace::Type(const ZELI_HierarchyNode* node) const {
  return EnclosingType(node)->Get_SubelementType_p(location_);
}

// ---- full and composite names ------------------------------------------------------

namespace {

bool IsRecordOrUnion(const ZELI_HierarchyNode* node) {
  const zel_dataType_t kind = node->Get_Type_p()->Get_DataType();
  return kind == ZEL_RECORD || kind == ZEL_UNION;
}

char* MallocCopy(const std::string& text) {
  char* copy = static_cast<char*>(ZELI_OS_Malloc(text.size() + 1));
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

void RefuseSmart(zel_hdl_t hdl) {
  if (hdl == ZEL_HDL_SMART) throw ZELI_BadArgException("ZEL_HDL_SMART is not allowed.");
}

}  // namespace

char* ZELI_HierarchyNode::FullName(zel_hdl_t hdl) {
  RefuseSmart(hdl);
  char separator = ZELI_Path::Separator("", hdl);
  if (separator == '\0') separator = ' ';
  std::vector<ZELI_HierarchyNode*> chain;
  for (ZELI_HierarchyNode* node = this; node != nullptr && !node->IsRoot(); node = node->parent_) {
    chain.push_back(node);
  }
  std::reverse(chain.begin(), chain.end());
  if (chain.empty()) return MallocCopy(std::string(1, separator));
  std::string text;
  int left = 0;
  int right = 0;
  bool belowBus = false;
  for (size_t i = 0; i < chain.size(); ++i) {
    ZELI_HierarchyNode* node = chain[i];
    if (!node->IsSubelement()) text += separator;
    const bool bus =
        node->Get_NodeType() == NAMED_COMPOSITE && static_cast<ZELI_HierarchyNamedComposite*>(node)->IsBus();
    if (bus) {
      text += node->Get_BusName(left, right);
    } else if (belowBus && node->Get_NodeType() == SUBELEMENT_SCALAR) {
      text += node->BusElementName(left, right);
    } else {
      text += node->Get_Name();
    }
    belowBus = bus;
    if (node->IsComposite() && i + 1 < chain.size() && IsRecordOrUnion(node)) text += '.';
  }
  return MallocCopy(text);
}

std::string ZELI_HierarchyNode::BusElementName(int left, int right) {
  if (left == right) return Get_Name();
  const long long location = Get_LocationInParent();
  const long long index = right < left ? left - location : left + location;
  return "[" + std::to_string(index) + "]";
}

char* ZELI_HierarchyNode::CompositeName(zel_hdl_t hdl) {
  RefuseSmart(hdl);
  if (IsBlock() || IsGroup()) throw ZELI_BadArgException("Node is root/block/group.");
  std::vector<ZELI_HierarchyNode*> chain;
  for (ZELI_HierarchyNode* node = this; node != nullptr && node->IsWaveform(); node = node->parent_) {
    chain.push_back(node);
  }
  std::reverse(chain.begin(), chain.end());
  std::string text;
  for (size_t i = 0; i < chain.size(); ++i) {
    text += chain[i]->Get_Name();
    if (chain[i]->IsComposite() && i + 1 < chain.size() && IsRecordOrUnion(chain[i])) text += '.';
  }
  return MallocCopy(text);
}
