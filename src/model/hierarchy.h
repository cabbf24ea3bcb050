// The signal hierarchy of a waveform set: a tree of named nodes rooted in a
// ZELI_HierarchyRoot. Blocks hold blocks and signals; signals are scalar or
// composite waveform nodes whose fields are subelement nodes; groups gather
// existing nodes under a further name without owning them.
//
//   ZELI_HierarchyNode
//   +- ZELI_HierarchyNamedNode            name, offspring
//   |  +- ZELI_HierarchyBlock (1)
//   |  |  +- ZELI_HierarchyRoot (0)       the waveform set
//   |  +- ZELI_HierarchyGroup (2)         members, not owned
//   +- ZELI_HierarchyWaveformNode         waveform, has-source flag
//      +- ZELI_HierarchyNamedComposite (3)      name, type, bus, offspring
//      +- ZELI_HierarchySubelementComposite (4) location, offspring
//      +- ZELI_HierarchyNamedScalar (5)         name
//      +- ZELI_HierarchySubelementScalar (6)    location
//
// Ownership: a root, block or composite owns its offspring and destroys them
// with itself; a group only refers to its members. Invariants kept by every
// operation: a node is in its parent's offspring vector and sorted vector
// exactly once (or in neither); a node lists exactly the groups that list it
// as a member; a failing operation changes nothing. Sorted order: by location
// below a composite, by the name's bytes (unsigned) elsewhere; keys are unique.
//
// Nodes never erase themselves from their container: whoever destroys placed
// nodes erases them first (ZELI_Hierarchy::DeleteNode), so that their handles
// die with them.
#ifndef ZEL_MODEL_HIERARCHY_H
#define ZEL_MODEL_HIERARCHY_H

#include <string>
#include <vector>

#include "store/attributes.h"
#include "store/keymap.h"
#include "store/node_pool.h"
#include "store/objects.h"
#include "store/zstring.h"
#include "zel/zel.h"

class ZELI_Container;
class ZELI_HierarchyGroup;
class ZELI_HierarchyNode;
class ZELI_Istream;
class ZELI_Ostream;
class ZELI_Type;
class ZELI_Waveform;
class ZELI_WaveformSet;

// The two offspring vectors of a node that has offspring. Reserve 128 so
// that a typical block grows rarely.
class ZELI_Offspring {
 public:
  explicit ZELI_Offspring(bool byLocation) : byLocation_(byLocation) {}
  unsigned Count() const { return static_cast<unsigned>(inserted_.size()); }
  ZELI_HierarchyNode* At(unsigned index) const;        // "Bad offspring index."
  ZELI_HierarchyNode* SortedAt(unsigned index) const;  // "Bad offspring index."
  const std::vector<ZELI_HierarchyNode*>& Inserted() const { return inserted_; }
  const std::vector<ZELI_HierarchyNode*>& Sorted() const { return sorted_; }
  bool IsByLocation() const { return byLocation_; }
  // Where node goes in the sorted vector; an equal key is ZEL_DUPLICATE
  // "Entering duplicate hierarchy node name.". Changes nothing.
  size_t SortedPosition(const ZELI_HierarchyNode* node) const;
  // Appends node and inserts it at position (from SortedPosition); the
  // capacity is reserved first, so nothing changes when allocation fails.
  void Insert(ZELI_HierarchyNode* node, size_t position);
  // Removes node from both vectors; false when it is not there.
  bool Remove(const ZELI_HierarchyNode* node);
  // Index in insertion / sorted order, or -1.
  int IndexOf(const ZELI_HierarchyNode* node) const;
  int SortedIndexOf(const ZELI_HierarchyNode* node) const;
  // First offspring named name (length bytes) and its index in insertion
  // order: by bisection when sorted by name (names are unique then), else
  // linear in insertion order.
  ZELI_HierarchyNode* FindByName(const char* name, size_t length, unsigned& index) const;
  // The same in the sorted vector (bisection when sorted by name).
  ZELI_HierarchyNode* FindSortedByName(const char* name, size_t length, unsigned& index) const;
  // Forgets both vectors without touching the nodes (failed reads).
  void Clear() {
    inserted_.clear();
    sorted_.clear();
  }
  // Clears both vectors and hands over the inserted one (no copy of a list
  // that may hold 100,000 nodes when they are destroyed).
  std::vector<ZELI_HierarchyNode*> TakeInserted() {
    std::vector<ZELI_HierarchyNode*> inserted;
    inserted.swap(inserted_);
    sorted_.clear();
    return inserted;
  }
  // For reading: the vectors as stored, checked by the caller.
  void Assign(std::vector<ZELI_HierarchyNode*> inserted, std::vector<ZELI_HierarchyNode*> sorted) {
    inserted_.swap(inserted);
    sorted_.swap(sorted);
  }
  // Negative, zero or positive as a's key is below, equal to or above b's.
  int CompareKeys(const ZELI_HierarchyNode* a, const ZELI_HierarchyNode* b) const;

 private:
  bool byLocation_;
  std::vector<ZELI_HierarchyNode*> inserted_;
  std::vector<ZELI_HierarchyNode*> sorted_;
};

class ZELI_HierarchyNode : public ZELI_ExternalBase {
 public:
  // Nodes come from the small-object pools (a container holds one or more
  // per waveform).
  ZELI_SMALL_OBJECT_OPERATORS
  enum NodeType : unsigned char {
    ROOT = 0,
    BLOCK = 1,
    GROUP = 2,
    NAMED_COMPOSITE = 3,
    SUBELEMENT_COMPOSITE = 4,
    NAMED_SCALAR = 5,
    SUBELEMENT_SCALAR = 6,
  };

  ZELI_HierarchyNode() = default;
  ZELI_HierarchyNode(const ZELI_HierarchyNode&) = delete;
  ZELI_HierarchyNode& operator=(const ZELI_HierarchyNode&) = delete;
  // Leaves every group that lists the node.
  ~ZELI_HierarchyNode() override;

  virtual NodeType Get_NodeType() const = 0;
  bool IsRoot() const { return Get_NodeType() == ROOT; }
  bool IsBlock() const { return Get_NodeType() <= BLOCK; }
  bool IsGroup() const { return Get_NodeType() == GROUP; }
  bool IsWaveform() const { return Get_NodeType() >= NAMED_COMPOSITE; }
  bool IsComposite() const { return Get_NodeType() == NAMED_COMPOSITE || Get_NodeType() == SUBELEMENT_COMPOSITE; }
  bool IsScalar() const { return Get_NodeType() == NAMED_SCALAR || Get_NodeType() == SUBELEMENT_SCALAR; }
  bool IsSubelement() const { return Get_NodeType() == SUBELEMENT_COMPOSITE || Get_NodeType() == SUBELEMENT_SCALAR; }

  ZELI_HierarchyNode* Get_Parent_p() const { return parent_; }
  // The root above (or this one); "ZELI_HierarchyNode::Get_Root_p
  // implementation." when none is reachable.
  ZELI_HierarchyNode* Get_Root_p() const;
  ZELI_WaveformSet* Get_WaveformSet_p() const;
  ZELI_Attributes& Get_Attributes() { return attributes_; }
  const std::vector<ZELI_HierarchyGroup*>& Get_Groups() const { return groups_; }

  // ---- names (texts owned by the node) ----
  virtual const char* Get_Name() = 0;
  // "Node does not have a busName." except for a bus.
  virtual const char* Get_BusName(int& left, int& right) const;
  // 0 for a descending bus, else 1.
  virtual int Get_Direction() const { return 1; }
  // The path name; a malloc'd text the caller frees. Below a bus
  // data[left:right] an element is named by the bus's own indices: location
  // l is [left - l] when right < left, [left + l] when left < right (so
  // data[7:0] names location 0 data[7], whatever range its array type has).
  char* FullName(zel_hdl_t hdl);
  // That element name of this node below a bus of indices left..right; its
  // own name when left = right. Names nothing (asking renames no node).
  std::string BusElementName(int left, int right);
  // The name within the nearest enclosing root, block or group; malloc'd.
  char* CompositeName(zel_hdl_t hdl);

  // ---- offspring (a node without offspring vectors answers the failures
  //      and "none found") ----
  virtual ZELI_Offspring* Get_OffspringVectors() { return nullptr; }
  const ZELI_Offspring* Get_OffspringVectors() const {
    return const_cast<ZELI_HierarchyNode*>(this)->Get_OffspringVectors();
  }
  unsigned OffspringCount() const;
  ZELI_HierarchyNode* Get_Offspring_p(unsigned index) const;
  ZELI_HierarchyNode* Get_SortedOffspring_p(unsigned index) const;
  ZELI_HierarchyNode* Find_Offspring_p(const char* name, size_t length, unsigned& index) const;
  ZELI_HierarchyNode* Find_Offspring_p(const char* name, unsigned& index) const;
  ZELI_HierarchyNode* Find_Offspring_p(const ZELI_HierarchyNode* node, unsigned& index) const;
  ZELI_HierarchyNode* Find_SortedOffspring_p(const char* name, size_t length, unsigned& index) const;
  ZELI_HierarchyNode* Find_SortedOffspring_p(const char* name, unsigned& index) const;
  ZELI_HierarchyNode* Find_SortedOffspring_p(const ZELI_HierarchyNode* node, unsigned& index) const;
  virtual ZELI_HierarchyNode* Find_Offspring_pByLocation(unsigned location) const;
  // Checks that node may become an offspring here (no parent yet, a unique
  // sort key) and returns its sorted position; changes nothing.
  virtual size_t CheckOffspring(const ZELI_HierarchyNode* node) const;
  // CheckOffspring, then the node gets this parent and enters both vectors.
  virtual ZELI_HierarchyNode* Add_Offspring_p(ZELI_HierarchyNode* node);
  virtual void Add_Member_p(ZELI_HierarchyNode* node);
  virtual void Remove_Member_p(ZELI_HierarchyNode* node);

  // ---- types and waveforms ----
  virtual unsigned Get_LocationInParent() const;
  virtual ZELI_Type* Get_Type_p() const;
  virtual bool HasWaveform() const { return false; }
  virtual bool HasSourceWaveform() const { return false; }
  virtual ZELI_Waveform* Get_Waveform_p();

  // Adds this node and every node it owns below it, children first.
  void Collect_Subtree(std::vector<ZELI_HierarchyNode*>& nodes);

  // ---- stored records (hierarchy_record.cc) ----
  void Gather(std::vector<ZELI_HierarchyNode*>& nodes, ZELI_KeyMap<ZELI_ExternalBase>& map);
  void Write(ZELI_Ostream& out) const;
  void WriteRelatives(ZELI_Ostream& out) const;

  // Group registration of the node (both refuse a repeated / missing entry).
  void RegisterGroup(ZELI_HierarchyGroup* group);
  void UnregisterGroup(ZELI_HierarchyGroup* group);

 protected:
  friend class ZELI_HierarchyRecordReader;
  friend class ZELI_Offspring;
  virtual void WriteFields(ZELI_Ostream& out) const = 0;
  void Set_Parent(ZELI_HierarchyNode* parent) { parent_ = parent; }
  // Destroys the owned offspring (blocks and composites); a group forgets
  // its members. Called by the destructors of the node kinds.
  void DestroyOffspring() noexcept;

 private:
  ZELI_HierarchyNode* parent_ = nullptr;
  ZELI_Attributes attributes_;
  std::vector<ZELI_HierarchyGroup*> groups_;  // in registration order
};

class ZELI_HierarchyNamedNode : public ZELI_HierarchyNode {
 public:
  explicit ZELI_HierarchyNamedNode(const char* name) : name_(name) {}
  const char* Get_Name() override { return name_.c_str(); }
  ZELI_Offspring* Get_OffspringVectors() override { return &offspring_; }

 protected:
  void WriteFields(ZELI_Ostream& out) const override;

 private:
  ZELI_String name_;
  ZELI_Offspring offspring_{false};
};

class ZELI_HierarchyBlock : public ZELI_HierarchyNamedNode {
 public:
  explicit ZELI_HierarchyBlock(const char* name) : ZELI_HierarchyNamedNode(name) {}
  ~ZELI_HierarchyBlock() override { DestroyOffspring(); }
  NodeType Get_NodeType() const override { return BLOCK; }
};

class ZELI_HierarchyRoot final : public ZELI_HierarchyBlock {
 public:
  ZELI_HierarchyRoot(ZELI_WaveformSet* waveformSet, const char* name)
      : ZELI_HierarchyBlock(name), waveformSet_(waveformSet) {}
  NodeType Get_NodeType() const override { return ROOT; }
  ZELI_WaveformSet* Get_RootWaveformSet_p() const { return waveformSet_; }

 private:
  ZELI_WaveformSet* waveformSet_;  // owns the root
};

class ZELI_HierarchyGroup final : public ZELI_HierarchyNamedNode {
 public:
  explicit ZELI_HierarchyGroup(const char* name) : ZELI_HierarchyNamedNode(name) {}
  // Unregisters itself from every member.
  ~ZELI_HierarchyGroup() override { DestroyOffspring(); }
  NodeType Get_NodeType() const override { return GROUP; }
  size_t CheckOffspring(const ZELI_HierarchyNode* node) const override;
  ZELI_HierarchyNode* Add_Offspring_p(ZELI_HierarchyNode* node) override;
  // Refuses a node already listed ("Entering duplicate hierarchy node name."
  // for an equal name) and a node of another hierarchy.
  void Add_Member_p(ZELI_HierarchyNode* node) override;
  void Remove_Member_p(ZELI_HierarchyNode* node) override;
};

class ZELI_HierarchyWaveformNode : public ZELI_HierarchyNode {
 public:
  ZELI_HierarchyWaveformNode() = default;
  // Leaves the waveform's reference set (a derived waveform no node refers
  // to any more is erased from its container and destroyed).
  ~ZELI_HierarchyWaveformNode() override;
  bool HasWaveform() const override { return waveform_ != nullptr; }
  bool HasSourceWaveform() const override { return hasSource_; }
  // The waveform, derived on first request for a node without one.
  ZELI_Waveform* Get_Waveform_p() override;
  ZELI_Waveform* Peek_Waveform_p() const { return waveform_; }
  ZELI_HierarchyNode* Find_Offspring_pByLocation(unsigned location) const override;
  // Binds the node to a waveform and enters it in the waveform's reference
  // set; source marks a stored waveform given at creation.
  void Bind_Waveform(ZELI_Waveform* waveform, bool source);
  // Adds this node's waveform to dying when no node outside `subtree` refers
  // to it (the waveform dies with the subtree).
  void Delete_Waveforms(const std::vector<ZELI_HierarchyNode*>& subtree, std::vector<ZELI_Waveform*>& dying) const;
  // A node with a derived waveform lets go of it (destroyed when no other
  // node refers to it); the next request derives it again. Nothing happens
  // for a stored waveform or none. Never throws.
  void Release_DerivedWaveform() noexcept;

 protected:
  void WriteFields(ZELI_Ostream& out) const override;
  virtual void WriteKindFields(ZELI_Ostream& out) const = 0;

 private:
  friend class ZELI_HierarchyRecordReader;
  bool hasSource_ = false;
  ZELI_Waveform* waveform_ = nullptr;  // not owned; see the destructor
};

class ZELI_HierarchyNamedComposite final : public ZELI_HierarchyWaveformNode {
 public:
  ZELI_HierarchyNamedComposite(const char* name, ZELI_Type* type);
  ~ZELI_HierarchyNamedComposite() override { DestroyOffspring(); }
  NodeType Get_NodeType() const override { return NAMED_COMPOSITE; }
  const char* Get_Name() override { return name_.c_str(); }
  const char* Get_BusName(int& left, int& right) const override;
  int Get_Direction() const override;
  bool IsBus() const { return isBus_; }
  ZELI_Type* Get_Type_p() const override { return type_; }
  ZELI_Offspring* Get_OffspringVectors() override { return &offspring_; }

 protected:
  void WriteKindFields(ZELI_Ostream& out) const override;

 private:
  ZELI_String name_;
  ZELI_Type* type_;  // not owned
  bool isBus_ = false;
  ZELI_String busName_;
  int busLeft_ = 0;
  int busRight_ = 0;
  ZELI_Offspring offspring_{true};
};

// Where a subelement node sits: its location in the parent's type, and its
// name there, asked of that type once and cached.
class ZELI_SubelementPlace {
 public:
  explicit ZELI_SubelementPlace(unsigned location) : location_(location) {}
  unsigned Get_Location() const { return location_; }
  // The cached name of node (which holds this place).
  const char* Name(const ZELI_HierarchyNode* node);
  ZELI_Type* Type(const ZELI_HierarchyNode* node) const;

 private:
  unsigned location_;
  ZELI_String cachedName_;
  bool nameCached_ = false;
};

// Subelement nodes take their name and type from their parent's type at
// their location.
class ZELI_HierarchySubelementComposite final : public ZELI_HierarchyWaveformNode {
 public:
  explicit ZELI_HierarchySubelementComposite(unsigned location) : place_(location) {}
  ~ZELI_HierarchySubelementComposite() override { DestroyOffspring(); }
  NodeType Get_NodeType() const override { return SUBELEMENT_COMPOSITE; }
  const char* Get_Name() override { return place_.Name(this); }
  unsigned Get_LocationInParent() const override { return place_.Get_Location(); }
  ZELI_Type* Get_Type_p() const override { return place_.Type(this); }
  ZELI_Offspring* Get_OffspringVectors() override { return &offspring_; }

 protected:
  void WriteKindFields(ZELI_Ostream& out) const override;

 private:
  ZELI_SubelementPlace place_;
  ZELI_Offspring offspring_{true};
};

class ZELI_HierarchyNamedScalar final : public ZELI_HierarchyWaveformNode {
 public:
  explicit ZELI_HierarchyNamedScalar(const char* name) : name_(name) {}
  NodeType Get_NodeType() const override { return NAMED_SCALAR; }
  const char* Get_Name() override { return name_.c_str(); }
  // The Y type of the waveform.
  ZELI_Type* Get_Type_p() const override;

 protected:
  void WriteKindFields(ZELI_Ostream& out) const override;

 private:
  ZELI_String name_;
};

class ZELI_HierarchySubelementScalar final : public ZELI_HierarchyWaveformNode {
 public:
  explicit ZELI_HierarchySubelementScalar(unsigned location) : place_(location) {}
  NodeType Get_NodeType() const override { return SUBELEMENT_SCALAR; }
  const char* Get_Name() override { return place_.Name(this); }
  unsigned Get_LocationInParent() const override { return place_.Get_Location(); }
  ZELI_Type* Get_Type_p() const override { return place_.Type(this); }

 protected:
  void WriteKindFields(ZELI_Ostream& out) const override;

 private:
  ZELI_SubelementPlace place_;
};

// Operations on a whole hierarchy (hierarchy_edit.cc, hierarchy_record.cc).
namespace ZELI_Hierarchy {

// Named add (types 1, 2, 3, 5) below parent; every check runs before the
// hierarchy changes. Returns the new node, registered in the container.
ZELI_HierarchyNode* AddNamed(ZELI_HierarchyNode* parent, ZELI_HierarchyNode::NodeType type, const char* name,
                             zel_hdl_t hdl, ZELI_Type* type_p, ZELI_Waveform* waveform);
// Subelement add (types 4, 6) below a composite parent.
ZELI_HierarchyNode* AddSubelement(ZELI_HierarchyNode* parent, ZELI_HierarchyNode::NodeType type, unsigned location,
                                  ZELI_Waveform* waveform);
// The nodes named name (a path under hdl) from start: 0 or 1 node.
std::vector<ZELI_HierarchyNode*> Find_AllNodes(ZELI_HierarchyNode* start, const char* name, zel_hdl_t hdl);
// Deletes node (the root: all its offspring) with the waveforms that die
// with it, and lets go of the derived composites above it that lose fields
// with it (derived again on their next request). Refused, changing nothing,
// in a read-only container and while a reader or writer holds one of those
// waveforms ("Waveform is in use"); see hierarchy_edit.cc.
void DeleteNode(ZELI_HierarchyNode* node);
// The stored records of a root and the reverse (hierarchy_record.cc).
void WriteHierarchy(ZELI_HierarchyRoot* root, ZELI_Ostream& out, ZELI_KeyMap<ZELI_ExternalBase>& map);
ZELI_HierarchyRoot* ReadHierarchy(ZELI_WaveformSet* set, ZELI_Istream& in, ZELI_KeyMap<ZELI_ExternalBase>& map);

}  // namespace ZELI_Hierarchy

#endif  // ZEL_MODEL_HIERARCHY_H
