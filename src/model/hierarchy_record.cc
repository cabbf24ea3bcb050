// Stored records of a hierarchy (layout: doc/hierarchy_records.md).
//
//   node count (4 bytes), gathered children first, the root last;
//   each node's record: type (1), attributes, key (4), then by kind:
//     root, block, group:    name
//     waveform nodes:        has-source (1), waveform key (4, only when 1),
//                            then named composite: name, type key (4);
//                            named scalar: name; subelement kinds: location (4)
//   each node's relatives record, same order: for nodes with offspring the
//     count (4), the keys in insertion order, the same keys in sorted order;
//     then the parent's key (4) when there is one, and -1 (4).
//
// Reading trusts nothing: counts are bounded by the bytes left, every key is
// resolved with its class checked and must name a node of this very
// hierarchy, the result must be one tree below the root (each node listed by
// exactly one owner, as the owner its own record names, every node
// reachable, no loops), children must be of kinds their parent can hold,
// locations in range, and the stored sorted order must be the order the
// keys give. Any failure unlinks and destroys the nodes read so far and frees
// their keys.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "model/hierarchy.h"
#include "model/hierarchy_waveforms.h"
#include "model/waveform_set.h"
#include "store/stream.h"
#include "types/type.h"

namespace {

constexpr int EndOfRelatives = -1;
// Smallest node record (type, empty attributes, key) plus the smallest
// relatives record (the end key).
constexpr unsigned MinNodeBytes = 13;

constexpr unsigned char NamedComposite = ZELI_HierarchyNode::NAMED_COMPOSITE;
constexpr unsigned char SubelementComposite = ZELI_HierarchyNode::SUBELEMENT_COMPOSITE;
constexpr unsigned char SubelementScalar = ZELI_HierarchyNode::SUBELEMENT_SCALAR;

}  // namespace

// ---- writing --------------------------------------------------------------------

void ZELI_HierarchyNode::Gather(std::vector<ZELI_HierarchyNode*>& nodes, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  if (map.IsMarked(Get_Key())) return;
  map.Mark(Get_Key());
  if (const ZELI_Offspring* offspring = Get_OffspringVectors()) {
    for (ZELI_HierarchyNode* child : offspring->Inserted()) child->Gather(nodes, map);
  }
  nodes.push_back(this);
}

void ZELI_HierarchyNode::Write(ZELI_Ostream& out) const {
  out << static_cast<unsigned char>(Get_NodeType()) << attributes_ << Get_Key();
  WriteFields(out);
}

void ZELI_HierarchyNode::WriteRelatives(ZELI_Ostream& out) const {
  if (const ZELI_Offspring* offspring = Get_OffspringVectors()) {
    out << offspring->Count();
    for (const ZELI_HierarchyNode* child : offspring->Inserted()) out << child->Get_Key();
    for (const ZELI_HierarchyNode* child : offspring->Sorted()) out << child->Get_Key();
  }
  if (parent_ != nullptr) out << parent_->Get_Key();
  out << EndOfRelatives;
}

void ZELI_HierarchyNamedNode::WriteFields(ZELI_Ostream& out) const { out << name_; }

void ZELI_HierarchyWaveformNode::WriteFields(ZELI_Ostream& out) const {
  // Derived waveforms are never stored: such a node is stored without one.
  out << static_cast<unsigned char>(hasSource_ ? 1 : 0);
  if (hasSource_) out << ZELI_HierarchyWaveforms::KeyOf(waveform_);
  WriteKindFields(out);
}

void ZELI_HierarchyNamedComposite::WriteKindFields(ZELI_Ostream& out) const { out << name_ << type_->Get_Key(); }
void ZELI_HierarchySubelementComposite::WriteKindFields(ZELI_Ostream& out) const { out << place_.Get_Location(); }
void ZELI_HierarchyNamedScalar::WriteKindFields(ZELI_Ostream& out) const { out << name_; }
void ZELI_HierarchySubelementScalar::WriteKindFields(ZELI_Ostream& out) const { out << place_.Get_Location(); }

void ZELI_Hierarchy::WriteHierarchy(ZELI_HierarchyRoot* root, ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map) {
  if (map.IsMarked(root->Get_Key())) throw ZELI_FailedException("ZELI_HierarchyNode::Write called again.");
  std::vector<ZELI_HierarchyNode*> nodes;
  root->Gather(nodes, map);
  out << static_cast<unsigned>(nodes.size());
  for (const ZELI_HierarchyNode* node : nodes) node->Write(out);
  for (const ZELI_HierarchyNode* node : nodes) node->WriteRelatives(out);
}

// ---- reading ----------------------------------------------------------------------

class ZELI_HierarchyRecordReader {
 public:
  ZELI_HierarchyRecordReader(ZELI_WaveformSet* set, ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map)
      : set_(set), in_(in), map_(map) {}
  ~ZELI_HierarchyRecordReader() { Discard(); }

  ZELI_HierarchyRoot* Read() {
    unsigned count = 0;
    in_ >> count;
    if (count == 0) throw ZELI_FailedException("ZELI_HierarchyNode::ReadHierarchy implementation");
    in_.RequireBytes(static_cast<uint64_t>(count) * MinNodeBytes);
    owned_.reserve(count);
    keys_.reserve(count);
    offspringOf_.reserve(count);
    types_.reserve(count);
    locations_.reserve(count);
    nameStart_.reserve(size_t{count} + 1);
    indexOfKey_.assign(map_.Get_SlotCount(), 0);
    for (unsigned i = 0; i < count; ++i) ReadNode(i + 1 == count);
    claimedParent_.assign(count, NoNode());
    parentOf_.assign(count, NoNode());
    stamps_.assign(size_t{count} + 1, 0);
    nameStart_.push_back(names_.size());
    for (unsigned i = 0; i < count; ++i) ReadRelatives(i);
    Validate();
    auto* root = static_cast<ZELI_HierarchyRoot*>(owned_.back().get());
    // Ownership now lies with the tree: the root owns everything.
    for (auto& node : owned_) node.release();
    owned_.clear();
    keys_.clear();
    return root;
  }

 private:
  [[noreturn]] static void Fail(const char* what) { throw ZELI_FailedException(what); }

  void ReadNode(bool last) {
    unsigned char type = 0;
    in_ >> type;
    if (type >= 7) Fail("ZELI_HierarchyNode::Read implementation");
    if ((type == ZELI_HierarchyNode::ROOT) != last) Fail("ZELI_HierarchyNode::ReadHierarchy implementation");
    ZELI_Attributes attributes;
    in_ >> attributes;
    int key = -1;
    in_ >> key;
    std::unique_ptr<ZELI_HierarchyNode> node;
    switch (type) {
      case ZELI_HierarchyNode::ROOT:
      case ZELI_HierarchyNode::BLOCK:
      case ZELI_HierarchyNode::GROUP: {
        ZELI_String name(in_);
        NoteName(name);
        if (type == ZELI_HierarchyNode::ROOT) node = std::make_unique<ZELI_HierarchyRoot>(set_, name.c_str());
        if (type == ZELI_HierarchyNode::BLOCK) node = std::make_unique<ZELI_HierarchyBlock>(name.c_str());
        if (type == ZELI_HierarchyNode::GROUP) node = std::make_unique<ZELI_HierarchyGroup>(name.c_str());
        break;
      }
      default:
        node = ReadWaveformNode(static_cast<ZELI_HierarchyNode::NodeType>(type));
        break;
    }
    node->attributes_ = std::move(attributes);
    types_.push_back(type);
    // Nodes without a stored name (subelements) get an empty range.
    if (nameStart_.size() < types_.size()) nameStart_.push_back(names_.size());
    locations_.push_back(node->IsSubelement() ? node->Get_LocationInParent() : 0);
    map_.Insert(key, node.get());
    node->Set_Key(key);
    keys_.push_back(key);
    // The key map refused a negative key or one in use, so key is a slot.
    if (indexOfKey_.size() <= static_cast<size_t>(key)) indexOfKey_.resize(static_cast<size_t>(key) + 1, 0);
    indexOfKey_[static_cast<size_t>(key)] = static_cast<unsigned>(owned_.size()) + 1;
    offspringOf_.push_back(node->Get_OffspringVectors());
    owned_.push_back(std::move(node));
  }

  // The names of the nodes read, one after the other in names_, so that
  // the sorted orders are checked without touching the nodes (with 100,000
  // nodes, most of the cost of checking was cache misses on them).
  void NoteName(const ZELI_String& name) {
    nameStart_.push_back(names_.size());
    names_.append(name.c_str(), name.Get_Length());
  }

  static bool HasStoredName(unsigned char type) { return type != SubelementComposite && type != SubelementScalar; }

  // Below zero, zero or above as the name of node a sorts before, equal to
  // or after that of node b: bytes compared unsigned, as strcmp does (names
  // hold no NUL). Both nodes have stored names.
  int CompareNames(size_t a, size_t b) const {
    const size_t lengthA = nameStart_[a + 1] - nameStart_[a];
    const size_t lengthB = nameStart_[b + 1] - nameStart_[b];
    const int c = std::memcmp(names_.data() + nameStart_[a], names_.data() + nameStart_[b], std::min(lengthA, lengthB));
    if (c != 0) return c;
    return lengthA < lengthB ? -1 : (lengthA > lengthB ? 1 : 0);
  }

  // The sorted list of an owner must be in the order of its keys: by
  // location below a composite, by name elsewhere. False when it is not;
  // unknown (the owner is put aside for Validate) when a group lists a
  // subelement node, whose name comes from its parent's type.
  bool SortedByKeys(size_t owner, const std::vector<size_t>& sorted) {
    const unsigned char type = types_[owner];
    const bool byLocation = type == NamedComposite || type == SubelementComposite;
    if (!byLocation) {
      for (size_t child : sorted) {
        if (!HasStoredName(types_[child])) {
          deferredOrders_.push_back(owner);
          return true;
        }
      }
    }
    for (size_t i = 1; i < sorted.size(); ++i) {
      const size_t a = sorted[i - 1];
      const size_t b = sorted[i];
      if (byLocation ? locations_[a] >= locations_[b] : CompareNames(a, b) >= 0) return false;
    }
    return true;
  }

  std::unique_ptr<ZELI_HierarchyNode> ReadWaveformNode(ZELI_HierarchyNode::NodeType type) {
    unsigned char hasSource = 0;
    in_ >> hasSource;
    if (hasSource > 1) Fail("ZELI_HierarchyNode::Read: has source waveform");
    ZELI_Waveform* waveform = hasSource != 0 ? ZELI_HierarchyWaveforms::ReadWaveform(in_, map_, set_) : nullptr;
    std::unique_ptr<ZELI_HierarchyWaveformNode> node;
    if (type == ZELI_HierarchyNode::NAMED_COMPOSITE) {
      ZELI_String name(in_);
      NoteName(name);
      ZELI_Type* type_p = nullptr;
      map_.ReadPtr(in_, type_p, "ZELI_HierarchyNode::Read: type");
      if (type_p == nullptr) Fail("ZELI_HierarchyNode::Read: type");
      node = std::make_unique<ZELI_HierarchyNamedComposite>(name.c_str(), type_p);
    } else if (type == ZELI_HierarchyNode::NAMED_SCALAR) {
      ZELI_String name(in_);
      NoteName(name);
      if (waveform == nullptr) Fail("ZELI_HierarchyNode::Read: waveform");
      node = std::make_unique<ZELI_HierarchyNamedScalar>(name.c_str());
    } else {
      unsigned location = 0;
      in_ >> location;
      if (type == ZELI_HierarchyNode::SUBELEMENT_COMPOSITE) {
        node = std::make_unique<ZELI_HierarchySubelementComposite>(location);
      } else {
        node = std::make_unique<ZELI_HierarchySubelementScalar>(location);
      }
    }
    if (waveform != nullptr) node->Bind_Waveform(waveform, true);
    return node;
  }

  // The relatives records name nodes by key; they are resolved to indices
  // in owned_ and checked on those, so that a node's memory is touched only
  // where a link is set in it (with 100,000 nodes most of the cost of this
  // pass is otherwise cache misses on the nodes).
  size_t NoNode() const { return owned_.size(); }

  // The index of the node a stored key names, NoNode() for -1.
  size_t ReadNodeIndex() {
    int key = 0;
    in_ >> key;
    // The usual key names a node read above: ReadNode placed it there, so
    // it is live and of the right class without asking the key map.
    if (key >= 0 && static_cast<size_t>(key) < indexOfKey_.size() && indexOfKey_[static_cast<size_t>(key)] != 0) {
      return indexOfKey_[static_cast<size_t>(key)] - 1;
    }
    if (key == -1) return NoNode();
    // Anything else names no node at all, or one that is foreign.
    if (!map_.IsLive(key) || dynamic_cast<ZELI_HierarchyNode*>(map_[key]) == nullptr) {
      Fail("ZELI_HierarchyNode::ReadRelatives: node");
    }
    Fail("ZELI_HierarchyNode::ReadRelatives: foreign node");
  }

  // The stored sorted keys are the inserted ones in another order: neither
  // list names a node twice, the owner itself or nobody. Each node's stamp
  // marks it as seen in the owner's inserted list (2 x owner + 1), then in
  // its sorted list (2 x owner + 2); with equal counts that makes the two
  // lists the same set without sorting them.
  bool SameOffspring(size_t owner, const std::vector<size_t>& inserted, const std::vector<size_t>& sorted) {
    const unsigned seenInserted = static_cast<unsigned>(2 * owner + 1);
    const unsigned seenSorted = seenInserted + 1;
    for (size_t child : inserted) {
      if (child == NoNode() || child == owner) return false;
      unsigned& stamp = stamps_[child];
      if (stamp == seenInserted) return false;
      stamp = seenInserted;
    }
    for (size_t child : sorted) {
      if (child == NoNode()) return false;
      unsigned& stamp = stamps_[child];
      if (stamp != seenInserted) return false;
      stamp = seenSorted;
    }
    return true;
  }

  std::vector<ZELI_HierarchyNode*> NodesOf(const std::vector<size_t>& indices) const {
    std::vector<ZELI_HierarchyNode*> nodes;
    nodes.reserve(indices.size());
    for (size_t index : indices) nodes.push_back(owned_[index].get());
    return nodes;
  }

  void ReadRelatives(size_t index) {
    if (ZELI_Offspring* offspring = offspringOf_[index]) {
      const unsigned count = in_.ReadCount(8);
      if (count > owned_.size()) Fail("ZELI_HierarchyNode::ReadRelatives: offspring count");
      std::vector<size_t>& inserted = insertedScratch_;
      std::vector<size_t>& sorted = sortedScratch_;
      inserted.resize(count);
      sorted.resize(count);
      for (size_t& child : inserted) child = ReadNodeIndex();
      for (size_t& child : sorted) child = ReadNodeIndex();
      if (!SameOffspring(index, inserted, sorted)) Fail("ZELI_HierarchyNode::ReadRelatives: offspring");
      if (!SortedByKeys(index, sorted)) Fail("ZELI_HierarchyNode::ReadRelatives: sorted order");
      ZELI_HierarchyNode* node = owned_[index].get();
      const bool group = node->IsGroup();
      // Only the last node is the root (ReadNode made sure).
      const size_t root = owned_.size() - 1;
      for (size_t child : inserted) {
        if (child == root) Fail("ZELI_HierarchyNode::ReadRelatives: offspring");
        if (group) {
          owned_[child]->groups_.push_back(static_cast<ZELI_HierarchyGroup*>(node));
        } else {
          if (parentOf_[child] != NoNode()) Fail("ZELI_HierarchyNode::ReadRelatives: offspring listed twice");
          parentOf_[child] = index;
          owned_[child]->parent_ = node;
        }
      }
      offspring->Assign(NodesOf(inserted), NodesOf(sorted));
    }
    const size_t parent = ReadNodeIndex();
    if (parent != NoNode()) {
      int end = 0;
      in_ >> end;
      if (end != EndOfRelatives) Fail("ZELI_HierarchyNode::ReadRelatives: end");
    }
    claimedParent_[index] = parent;
  }

  // One tree below the last node (the root), kinds and locations that fit,
  // stored parents as the owners' lists give them; the sorted orders put
  // aside by SortedByKeys. Works on the index arrays: the nodes themselves
  // are only asked for the types of composites and the names of subelement
  // members of groups.
  void Validate() {
    if (claimedParent_ != parentOf_) Fail("ZELI_HierarchyNode::ReadRelatives: parent");
    const size_t root = owned_.size() - 1;
    // A node is reached from the root through its owner only: its chain of
    // owners must end at the root. stamps_ now marks 1 for a node on the
    // chain being walked, 2 for one known to reach the root, so that a loop
    // or a second tree (a chain ending in a node nobody owns) fails.
    std::fill(stamps_.begin(), stamps_.end(), 0u);
    stamps_[root] = 2;
    std::vector<size_t>& chain = insertedScratch_;
    for (size_t start = 0; start < root; ++start) {
      chain.clear();
      size_t node = start;
      while (node != NoNode() && stamps_[node] == 0) {
        stamps_[node] = 1;
        chain.push_back(node);
        node = parentOf_[node];
      }
      if (node == NoNode() || stamps_[node] != 2) Fail("ZELI_HierarchyNode::ReadHierarchy: unreachable node");
      // Owners before their offspring, so that a subelement composite's type
      // (its parent's type at its location) is asked for only once its own
      // place was checked.
      for (size_t i = chain.size(); i-- > 0;) {
        CheckPlacement(parentOf_[chain[i]], chain[i]);
        stamps_[chain[i]] = 2;
      }
    }
    for (size_t owner : deferredOrders_) {
      const ZELI_Offspring* offspring = owned_[owner]->Get_OffspringVectors();
      const std::vector<ZELI_HierarchyNode*>& sorted = offspring->Sorted();
      for (size_t i = 1; i < sorted.size(); ++i) {
        if (offspring->CompareKeys(sorted[i - 1], sorted[i]) >= 0) {
          Fail("ZELI_HierarchyNode::ReadRelatives: sorted order");
        }
      }
    }
  }

  void CheckPlacement(size_t parent, size_t child) {
    const bool subelement = !HasStoredName(types_[child]);
    const unsigned char parentType = types_[parent];
    if (parentType == NamedComposite || parentType == SubelementComposite) {
      if (!subelement) Fail("ZELI_HierarchyNode::ReadHierarchy: node kind");
      if (locations_[child] >= owned_[parent]->Get_Type_p()->SubelementCount()) {
        Fail("ZELI_HierarchyNode::ReadHierarchy: location");
      }
    } else if (subelement) {
      Fail("ZELI_HierarchyNode::ReadHierarchy: node kind");
    }
  }

  // After a failure: every link undone, every node destroyed, every key
  // freed again.
  void Discard() noexcept {
    for (const auto& node : owned_) {
      if (ZELI_Offspring* offspring = node->Get_OffspringVectors()) offspring->Clear();
      node->groups_.clear();
      node->parent_ = nullptr;
    }
    owned_.clear();
    for (int key : keys_) {
      if (map_.IsLive(key)) map_.Erase(key);
    }
  }

  ZELI_WaveformSet* set_;
  ZELI_Istream& in_;
  ZELI_KeyMap<ZELI_ExternalBase>& map_;
  std::vector<std::unique_ptr<ZELI_HierarchyNode>> owned_;  // in stored order
  std::vector<int> keys_;
  // Key -> index in owned_ + 1 (0: no node of this hierarchy has the key).
  std::vector<unsigned> indexOfKey_;
  // By index in owned_: the node's offspring vectors (null for kinds
  // without offspring), the index of the parent its relatives record names,
  // the index of the node that lists it as its child (NoNode() for none),
  // and the stamp of SameOffspring (with one spare entry).
  std::vector<ZELI_Offspring*> offspringOf_;
  std::vector<size_t> claimedParent_;
  std::vector<size_t> parentOf_;
  std::vector<unsigned> stamps_;
  // The key lists of one relatives record, resolved to indices (Validate
  // reuses the first for its chains).
  std::vector<size_t> insertedScratch_;
  std::vector<size_t> sortedScratch_;
  // By index in owned_: the stored type, the location (subelements; 0 for
  // the others) and where the stored name starts in names_ (one entry more
  // at the end; subelements have an empty range).
  std::vector<unsigned char> types_;
  std::vector<unsigned> locations_;
  std::vector<size_t> nameStart_;
  std::string names_;
  // Owners whose sorted order SortedByKeys left to Validate.
  std::vector<size_t> deferredOrders_;
};

ZELI_HierarchyRoot* ZELI_Hierarchy::ReadHierarchy(ZELI_WaveformSet* set, ZELI_Istream& in,
                                                  ZELI_KeyMap<ZELI_ExternalBase>& map) {
  ZELI_HierarchyRecordReader reader(set, in, map);
  return reader.Read();
}
