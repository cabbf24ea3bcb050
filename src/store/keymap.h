// ZELI_KeyMap<T>: maps non-negative integer keys to T pointers, reusing freed
// keys. Used for handle objects (sessions, handle wrappers) and for the
// objects a container stores (persistent, access and internal objects).
//
// Layout and rules:
//  - slots_[k] holds the object of key k while k is live; a free slot holds
//    instead the key of the next free slot, so the free slots form a stack
//    threaded through the vector with freeHead_ on top (-1: none free).
//    Keys are therefore reused most recently freed first.
//  - live_ has one bit per slot, set while the slot holds an object.
//  - capacity_ is the slot count reserved (at least; the allocation grows
//    geometrically); when the slots are full it grows x2 while it is at
//    most 128, then by 128 (1, 2, 4 ... 128, 256, 384 ...).
//  - The map does not own its objects.
//
// Stored form (the container's maps): slot count, free head, the chain of free
// links from the head down to the closing -1, live count; the objects follow,
// each placed at its key with Insert(key, object). Reading checks everything
// against the file: the slot count against the bytes left, every link against
// the slot range, each chain node visited once, and the live count against
// slots minus free.
#ifndef ZEL_STORE_KEYMAP_H
#define ZEL_STORE_KEYMAP_H

#include <algorithm>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "errors/exceptions.h"
#include "store/bitset.h"
#include "store/stream.h"

template <typename T>
class ZELI_KeyMap {
 public:
  class Iterator;

  explicit ZELI_KeyMap(unsigned capacity = 1) : capacity_(capacity == 0 ? 1 : capacity) {
    slots_.reserve(capacity_);
    live_.Reserve(capacity_);
  }

  // Places the object at the most recently freed key, or appends it.
  int Insert(T* object) {
    if (freeHead_ != -1) {
      const int key = freeHead_;
      freeHead_ = slots_[key].next;
      slots_[key].object = object;
      live_.Set(static_cast<unsigned>(key));
      ++count_;
      return key;
    }
    if (slots_.size() == capacity_) {
      capacity_ = capacity_ <= 128 ? capacity_ * 2 : capacity_ + 128;
      // The slots' allocation grows geometrically underneath the capacity:
      // reserving exactly a capacity that grows by 128 would copy every slot
      // each 128 inserts (a data store of 100,000 waveforms keys 300,000
      // objects).
      if (slots_.capacity() < capacity_) slots_.reserve(std::max<size_t>(capacity_, 2 * slots_.capacity()));
      live_.Reserve(capacity_);
    }
    const int key = static_cast<int>(slots_.size());
    Slot slot;
    slot.object = object;
    slots_.push_back(slot);
    live_.Resize(static_cast<unsigned>(slots_.size()));
    live_.Set(static_cast<unsigned>(key));
    ++count_;
    return key;
  }

  // Frees the key (the object is not destroyed). A key that is not live is
  // "Bad handle: wrong handle (deleted?)".
  void Erase(int key) {
    Check(key);
    live_.Reset(static_cast<unsigned>(key));
    slots_[key].next = freeHead_;
    freeHead_ = key;
    --count_;
  }

  // Validating look-up.
  T* operator[](int key) const {
    Check(key);
    return slots_[key].object;
  }

  bool IsLive(int key) const {
    return key >= 0 && static_cast<size_t>(key) < slots_.size() && live_.Test(static_cast<unsigned>(key));
  }

  unsigned Get_Count() const { return count_; }
  unsigned Get_SlotCount() const { return static_cast<unsigned>(slots_.size()); }
  unsigned Get_Capacity() const { return capacity_; }
  int Get_FreeHead() const { return freeHead_; }

  // Marker bits (one per slot, all clear) for passes that mark objects.
  void InitializeMarker() {
    if (!marker_) marker_ = std::make_unique<ZELI_Bitset>();
    marker_->Resize(0);
    marker_->Resize(Get_SlotCount());
  }
  void DiscardMarker() { marker_.reset(); }
  bool HasMarker() const { return marker_ != nullptr; }
  void Mark(int key) { marker_->Set(static_cast<unsigned>(key)); }
  bool IsMarked(int key) const { return marker_->Test(static_cast<unsigned>(key)); }

  Iterator Begin() const { return Iterator(this, Advance(0)); }
  Iterator End() const { return Iterator(this, static_cast<int>(slots_.size())); }
  Iterator begin() const { return Begin(); }
  Iterator end() const { return End(); }

  // ---- stored form ----

  void Write(ZELI_Ostream& out) const {
    out << static_cast<int>(slots_.size()) << freeHead_;
    if (freeHead_ != -1) {
      for (int key = freeHead_; key != -1; key = slots_[key].next) out << slots_[key].next;
    }
    out << static_cast<int>(count_);
  }

  // The stored form with the live keys of `transient` (objects that are
  // never stored) written as free slots at the head of the free chain, so
  // that a reader expects no object there.
  void WriteExcluding(ZELI_Ostream& out, const std::vector<int>& transient) const {
    if (transient.empty()) {
      Write(out);
      return;
    }
    out << static_cast<int>(slots_.size()) << transient.front();
    for (size_t i = 1; i < transient.size(); ++i) out << transient[i];
    out << freeHead_;
    if (freeHead_ != -1) {
      for (int key = freeHead_; key != -1; key = slots_[key].next) out << slots_[key].next;
    }
    out << static_cast<int>(count_ - static_cast<unsigned>(transient.size()));
  }

  // Replaces the map's shape with the stored one: every slot empty, the free
  // chain as stored. Objects are then placed with Insert(key, object).
  void Read(ZELI_Istream& in) {
    int slotCount = 0;
    in >> slotCount;
    // Every slot costs at least one byte later in the file (a chain link or
    // the record of its object), so a count the file cannot hold is refused
    // before anything is allocated.
    if (slotCount < 0) throw ZELI_FailedException("ZELI_KeyMap::Read: slot count");
    in.RequireBytes(static_cast<uint64_t>(slotCount));
    int head = 0;
    in >> head;
    std::vector<Slot> slots(static_cast<size_t>(slotCount));
    ZELI_Bitset onChain(static_cast<unsigned>(slotCount));
    unsigned freeCount = 0;
    for (int key = head; key != -1;) {
      if (key < 0 || key >= slotCount || onChain.Test(static_cast<unsigned>(key))) {
        throw ZELI_FailedException("ZELI_KeyMap::Read: free chain");
      }
      onChain.Set(static_cast<unsigned>(key));
      ++freeCount;
      int next = 0;
      in >> next;
      slots[static_cast<size_t>(key)].next = next;
      key = next;
    }
    int liveCount = 0;
    in >> liveCount;
    if (liveCount < 0 || static_cast<unsigned>(liveCount) != static_cast<unsigned>(slotCount) - freeCount) {
      throw ZELI_FailedException("ZELI_KeyMap::Read: count");
    }
    slots_.swap(slots);
    capacity_ = std::max<unsigned>(capacity_, static_cast<unsigned>(slotCount));
    live_ = ZELI_Bitset(static_cast<unsigned>(slotCount));
    freeHead_ = head;
    count_ = 0;
    onFreeChain_ = std::make_unique<ZELI_Bitset>(std::move(onChain));
  }

  // Places an object read from a stream at its stored key. The key must lie
  // below the slot count, must not be live and must not be on the stored free
  // chain.
  void Insert(int key, T* object) {
    if (key < 0 || static_cast<size_t>(key) >= slots_.size() || live_.Test(static_cast<unsigned>(key)) ||
        (onFreeChain_ && onFreeChain_->Test(static_cast<unsigned>(key)))) {
      throw ZELI_FailedException("ZELI_KeyMap< T >::Insert(key,T*) failed");
    }
    slots_[key].object = object;
    live_.Set(static_cast<unsigned>(key));
    ++count_;
  }

  // Between Read and VerifyLoaded: how many stored live keys still wait for
  // their object.
  unsigned Get_PendingCount() const {
    if (!onFreeChain_) return 0;
    unsigned pending = 0;
    for (unsigned key = 0; key < onFreeChain_->Get_Size(); ++key) {
      if (!onFreeChain_->Test(key) && !live_.Test(key)) ++pending;
    }
    return pending;
  }

  // After the objects of a read map are placed: every stored live key must
  // have received its object (new objects may meanwhile have taken stored
  // free keys; they do not count).
  void VerifyLoaded() {
    if (onFreeChain_) {
      for (unsigned key = 0; key < onFreeChain_->Get_Size(); ++key) {
        if (!onFreeChain_->Test(key) && !live_.Test(key)) {
          throw ZELI_FailedException("ZELI_KeyMap::Read: missing objects");
        }
      }
    }
    onFreeChain_.reset();
  }

  // Reads a stored reference: -1 gives null; any other key must hold an
  // object already placed, of class U. A key where no object was placed
  // fails as the validating look-up does ("Bad handle: wrong handle
  // (deleted?)"); an object of another class is a damaged record:
  // ZELI_FailedException with `what` (the record and field,
  // "ZELI_WaveformSet::Read: X descriptor").
  template <typename U>
  U* ReadPtr(ZELI_Istream& in, U*& out, const char* what) const {
    int key = 0;
    in >> key;
    if (key == -1) return out = nullptr;
    if (!IsLive(key) || slots_[key].object == nullptr) {
      throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
    }
    if (ReadPtrOfKey(key, out) == nullptr) throw ZELI_FailedException(what);
    return out;
  }
  // The object of a stored key as a U (null when the key is not live or its
  // object is no U). Most stored references name an object of exactly the
  // class asked for (a waveform, a descriptor): comparing the classes is
  // much cheaper than the search of dynamic_cast, which stays for the rest.
  template <typename U>
  U* ReadPtrOfKey(int key, U*& out) const {
    T* object = IsLive(key) ? slots_[key].object : nullptr;
    if (object == nullptr) return out = nullptr;
    using Plain = std::remove_const_t<U>;
    return out = typeid(*object) == typeid(Plain) ? static_cast<U*>(object) : dynamic_cast<U*>(object);
  }

  class Iterator {
   public:
    Iterator(const ZELI_KeyMap* map, int key) : map_(map), key_(key) {}
    int operator*() const { return key_; }
    Iterator& operator++() {
      key_ = map_->Advance(key_ + 1);
      return *this;
    }
    bool operator!=(const Iterator& other) const { return key_ != other.key_; }
    bool operator==(const Iterator& other) const { return key_ == other.key_; }

   private:
    const ZELI_KeyMap* map_;
    int key_;
  };

 private:
  union Slot {
    T* object;
    int next;
    Slot() : object(nullptr) {}
  };

  void Check(int key) const {
    if (!IsLive(key)) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_HANDLE);
  }
  int Advance(int key) const {
    const int n = static_cast<int>(slots_.size());
    while (key < n && !live_.Test(static_cast<unsigned>(key))) ++key;
    return key;
  }

  std::vector<Slot> slots_;
  ZELI_Bitset live_;
  int freeHead_ = -1;
  unsigned capacity_;
  std::unique_ptr<ZELI_Bitset> marker_;
  unsigned count_ = 0;
  // Only between Read and VerifyLoaded: the keys of the stored free chain.
  std::unique_ptr<ZELI_Bitset> onFreeChain_;
};

template <typename T>
ZELI_Ostream& operator<<(ZELI_Ostream& out, const ZELI_KeyMap<T>& map) {
  map.Write(out);
  return out;
}

template <typename T>
ZELI_Istream& operator>>(ZELI_Istream& in, ZELI_KeyMap<T>& map) {
  map.Read(in);
  return in;
}

#endif  // ZEL_STORE_KEYMAP_H
