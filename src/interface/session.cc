// ZELC_Base and ZELC_Session: handle keys, conversion, termination callbacks.
#include <algorithm>

#include "errors/exceptions.h"
#include "interface/container_wrapper.h"
#include "interface/interface.h"
#include "views/view.h"

void ZELC_Base::Set_Keys(int key, int sessionKey) {
  if (key_ != -1 || sessionKey_ != -1) throw ZELI_FailedException("ZELC_Base::Set_Keys() implementation.");
  key_ = key;
  sessionKey_ = sessionKey;
}

ZELC_Session::ZELC_Session() : ZELC_Base(SESSION), objects_(1) {}

ZELC_Session::~ZELC_Session() {
  // Containers first: destroying a container wrapper erases its own handle
  // objects from this map.
  std::vector<int> containers;
  for (int key : objects_) {
    if (objects_[key]->Get_Kind() == CONTAINER) containers.push_back(key);
  }
  for (int key : containers) {
    ZELC_Container* wrapper = static_cast<ZELC_Container*>(objects_[key]);
    ZELI_Container* container = wrapper->Get_Object_p();
    objects_.Erase(key);
    delete wrapper;
    delete container;
  }
  std::vector<int> rest;
  for (int key : objects_) rest.push_back(key);
  for (int key : rest) {
    ZELC_Base* object = objects_[key];
    objects_.Erase(key);
    if (object->Get_Kind() == VIEW) delete static_cast<ZELC_StandaloneBase<ZELI_View>*>(object)->Get_Object_p();
    delete object;
  }
}

int ZELC_Session::Insert(ZELC_Base* object) {
  if (object->Get_Key() != -1 || object->Get_SessionKey() != -1) {
    throw ZELI_FailedException("ZELC_Base::Set_Keys() implementation.");
  }
  const int key = objects_.Insert(object);
  object->Set_Keys(key, Get_Key());
  return key;
}

void ZELC_Session::Erase(int key) {
  // The object first, then its key: a container wrapper frees the keys of
  // its handle objects as it goes, so the container's own key is the last
  // one freed and the first one the next insertion takes.
  ZELC_Base* object = objects_[key];
  delete object;
  objects_.Erase(key);
}

void ZELC_Session::Release(int key) { objects_.Erase(key); }

ZELC_Base* ZELC_Session::ConvertObjectKey(int key, ObjectType kind) const {
  ZELC_Base* object = objects_[key];
  if (object->Get_Kind() != kind) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_TYPE);
  if (object->Get_SessionKey() != Get_Key()) throw ZELI_BadHandleException(ZELI_BadHandleException::WRONG_SESSION);
  return object;
}

void ZELC_Session::RegisterTermCallback(zel_termCallback_t callback) {
  if (callback == nullptr) throw ZELI_BadArgException("The callback is null.");
  if (!callbacks_.emplace(reinterpret_cast<uintptr_t>(callback), callback).second) {
    throw ZELI_DuplicateException("The callback is already registered.");
  }
}

void ZELC_Session::UnregisterTermCallback(zel_termCallback_t callback) {
  if (callbacks_.erase(reinterpret_cast<uintptr_t>(callback)) == 0) {
    throw ZELI_NotFoundException("The callback is not registered.");
  }
}

void ZELC_Session::CallTermCallbacks() {
  // A callback may (un)register callbacks of this session: walk a copy. An
  // exception from a callback (a C++ caller's) ends the walk and reaches the
  // caller of ZEL_TermSession, whose session then stays open.
  std::vector<zel_termCallback_t> calls;
  calls.reserve(callbacks_.size());
  for (const auto& entry : callbacks_) calls.push_back(entry.second);
  for (zel_termCallback_t call : calls) call();
}

void ZELC_Session::CloseContainers() noexcept {
  std::vector<int> attached;
  std::vector<int> others;
  try {
    for (int key : objects_) {
      ZELC_Base* object = objects_[key];
      if (object->Get_Kind() != CONTAINER) continue;
      (static_cast<ZELC_Container*>(object)->Get_Object_p()->Test_Attached() ? attached : others).push_back(key);
    }
  } catch (...) {
    return;
  }
  for (int key : attached) ZELC_Container::DetachContainer(*this, key);
  for (int key : others) ZELC_Container::CloseContainer(*this, key);
}
