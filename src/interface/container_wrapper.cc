// ZELC_Container: handle objects of a container's objects.
#include "interface/container_wrapper.h"

#include "interface/interface.h"

ZELC_Container::ZELC_Container(ZELI_Container* container)
    : ZELC_StandaloneBase<ZELI_Container>(CONTAINER, container),
      external_(container->Get_ExternalConvertor()),
      access_(container->Get_AccessConvertor()) {
  container->Set_Listener(this);
}

ZELC_Container::~ZELC_Container() {
  for (unsigned key = 0; key < external_.Get_Size(); ++key) ReleaseHandleObject(external_.Peek(static_cast<int>(key)));
  for (unsigned key = 0; key < access_.Get_Size(); ++key) ReleaseHandleObject(access_.Peek(static_cast<int>(key)));
  for (auto& entry : iterators_) ReleaseHandleObject(entry.second);
  iterators_.clear();
  Get_Object_p()->Set_Listener(nullptr);
}

int ZELC_Container::InsertInto(ZELC_Session& session) {
  const int key = session.Insert(this);
  session_ = &session;
  return key;
}

void ZELC_Container::InsertIntoSession(ZELC_Base* handleObject) { session_->Insert(handleObject); }

void ZELC_Container::ReleaseHandleObject(ZELC_Base* handleObject) noexcept {
  if (handleObject == nullptr) return;
  // The handle object's destructor clears its shadow slot.
  if (session_ != nullptr && session_->Get_Objects().IsLive(handleObject->Get_Key())) {
    session_->Release(handleObject->Get_Key());
  }
  delete handleObject;
}

void ZELC_Container::ObjectErased(const ZELI_ExternalBase* object) noexcept {
  ReleaseHandleObject(external_.Peek(object->Get_Key()));
}

void ZELC_Container::ObjectErased(const ZELI_AccessBase* object) noexcept {
  ReleaseHandleObject(access_.Peek(object->Get_Key()));
}

ZELC_ContainedBase<ZELI_NodeIterator>* ZELC_Container::Get_Interface_p(ZELI_NodeIterator* iterator) {
  auto found = iterators_.find(iterator);
  if (found != iterators_.end()) return static_cast<ZELC_ContainedBase<ZELI_NodeIterator>*>(found->second);
  auto* handleObject = new ZELC_ContainedBase<ZELI_NodeIterator>(NODE_ITERATOR, iterator, this);
  try {
    iterators_.emplace(iterator, handleObject);
    InsertIntoSession(handleObject);
  } catch (...) {
    iterators_.erase(iterator);
    delete handleObject;
    throw;
  }
  return handleObject;
}

void ZELC_Container::IteratorErased(const ZELI_NodeIterator* iterator) noexcept {
  auto found = iterators_.find(iterator);
  if (found == iterators_.end()) return;
  ZELC_Base* handleObject = found->second;
  iterators_.erase(found);
  ReleaseHandleObject(handleObject);
}

// The exported functions record their own failure as the current message.
void ZELC_Container::CloseContainer(ZELC_Session& session, int key) noexcept {
  zel_status_t status;
  ZEL_CloseContainer(zel_session_t{session.Get_Key()}, zel_container_t{key}, &status);
}

void ZELC_Container::DetachContainer(ZELC_Session& session, int key) noexcept {
  zel_status_t status;
  ZEL_DetachContainer(zel_session_t{session.Get_Key()}, zel_container_t{key}, &status);
}
