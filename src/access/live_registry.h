// ZELI_LiveRegistry: the set of objects of one class that exist now.
//
// Callers hand some objects to the library as raw pointers (a waveform
// segment's ZEL_WfSegment, a data array passed back to a waveform segment).
// Such a pointer may be stale or not point at an object of the class at all;
// it is looked up here, as an address, before it is ever dereferenced.
//
// An object enters the set by holding a ZELI_LiveMark, built with the
// object's address and removed again by the mark's destructor; as a member
// declared first, the mark also leaves the set when a constructor throws
// after it. The sets are never destroyed: objects may outlive static
// destruction (the interface object closes containers left open at exit).
#ifndef ZEL_ACCESS_LIVE_REGISTRY_H
#define ZEL_ACCESS_LIVE_REGISTRY_H

#include <unordered_set>

template <typename T>
class ZELI_LiveRegistry {
 public:
  // Whether p is the address of a T that exists now; never dereferences p.
  static bool IsLive(const void* p) noexcept { return p != nullptr && Set().count(p) != 0; }
  static unsigned Get_Count() noexcept { return static_cast<unsigned>(Set().size()); }

 private:
  template <typename U>
  friend class ZELI_LiveMark;
  static std::unordered_set<const void*>& Set() noexcept {
    static auto* set = new std::unordered_set<const void*>();
    return *set;
  }
};

// Membership of one object in its class's registry (may throw
// std::bad_alloc when built; never throws when destroyed).
template <typename T>
class ZELI_LiveMark {
 public:
  explicit ZELI_LiveMark(const T* object) : object_(object) { ZELI_LiveRegistry<T>::Set().insert(object_); }
  ~ZELI_LiveMark() { ZELI_LiveRegistry<T>::Set().erase(object_); }
  ZELI_LiveMark(const ZELI_LiveMark&) = delete;
  ZELI_LiveMark& operator=(const ZELI_LiveMark&) = delete;

 private:
  const T* object_;
};

#endif  // ZEL_ACCESS_LIVE_REGISTRY_H
