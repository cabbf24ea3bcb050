// ZELI_Container: lifecycle and the data stores of every segment.
#include "model/container.h"

#include <algorithm>

#include "errors/exceptions.h"
#include "model/dimension_descriptor.h"
#include "model/node_iterator.h"
#include "model/parameter.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "store/atomic_file.h"

ZELI_Container::ZELI_Container(const char* name, zel_iomode_t mode, zel_mode_t storage)
    : ZELI_TypedContainer(name, mode, storage) {}

ZELI_Container::ZELI_Container() : ZELI_Container(nullptr, ZEL_IOMODE_WRITE, ZEL_MODE_MEMORY) {}

// The access objects (writers, views, readers) go first, while the segments
// they refer to still exist. Then the cached arrays, while their owners
// (data sets, parameters) and the types that release their values still
// exist: each tells its owner to forget it.
ZELI_Container::~ZELI_Container() {
  DeleteAccessObjects();
  Get_Cache().Clear();
}

std::unique_ptr<ZELI_Container> ZELI_Container::Create(const char* name, zel_mode_t storage, bool force) {
  auto container = std::make_unique<ZELI_Container>(name, ZEL_IOMODE_WRITE, storage);
  container->RegisterCreated(force);
  return container;
}

std::unique_ptr<ZELI_Container> ZELI_Container::Open(const char* name, zel_iomode_t mode, unsigned passwordCount,
                                                     const char* const* passwords) {
  auto container = std::make_unique<ZELI_Container>(name, mode, ZEL_MODE_DISK);
  container->VerifyExistence();
  container->RegisterOpened();
  try {
    container->ReadStructure();
    if (mode != ZEL_IOMODE_WRITE_STRUCTURE) container->ReadDataStores();
    container->Verify_Password(passwordCount, passwords);
  } catch (...) {
    container->ReleaseRegistration();
    throw;
  }
  return container;
}

std::unique_ptr<ZELI_Container> ZELI_Container::Attach(const char* name) {
  auto container = std::make_unique<ZELI_Container>(name, ZEL_IOMODE_WRITE, ZEL_MODE_DISK);
  container->VerifyExistence();
  container->RegisterAttached();
  try {
    container->ReadStructure();
  } catch (...) {
    container->ReleaseRegistration();
    throw;
  }
  return container;
}

void ZELI_Container::Close() {
  if (Test_Attached()) throw ZELI_FailedException("The container is Attached. Use Detach");
  if (IsOpenForWriting()) ShutdownAccessObjects();
  if (!IsOnDisk()) return;
  if (!IsOpenForWriting()) {
    UnregisterClosed();
    return;
  }
  // Every file the close replaces, the version table last, waits for one
  // journal commit per directory at the end. The writer's removal is among
  // them even when nothing else changed: an ended writer's registration
  // stays in the table until a forced create, which gives up the version.
  ZELI_SyncGroup group;
  WriteStructure();
  WriteDataStores();
  CreateRegisteredExtFile();
  UnregisterClosed();
  group.Finish();
}

void ZELI_Container::Detach() {
  if (!Test_Attached()) throw ZELI_FailedException("The container is Open. Use Close.");
  ShutdownAccessObjects();
  ZELI_SyncGroup group;
  WriteStructure();
  WriteDataStores();
  UnregisterDetached();
  group.Finish();
}

void ZELI_Container::CommitStructure() {
  if (IsOnDisk() && IsOpenForWriting()) WriteStructure();
}

bool ZELI_Container::IsSegDataLatest(int64_t& time) const {
  if (!IsOnDisk()) return true;
  const std::vector<ZELI_WaveformSet*>& sets = waveformSets_.Get_Objects();
  std::vector<unsigned> serials;
  if (!sets.empty()) {
    for (unsigned i = 0; i < sets.front()->Get_SegmentCount(); ++i) {
      serials.push_back(sets.front()->Get_Segment_p(i)->Get_SerialNumber());
    }
  }
  return AreSegmentFilesLatest(serials, time);
}

void ZELI_Container::WriteDataStores() {
  // Every segment is checked before anything is written, so that an open
  // segment leaves all stores as they were.
  for (const ZELI_WaveformSet* waveformSet : waveformSets_.Get_Objects()) waveformSet->CheckNoSegmentOpen();
  for (ZELI_WaveformSet* waveformSet : waveformSets_.Get_Objects()) waveformSet->WriteDataStores();
}

void ZELI_Container::ReadDataStores() {
  for (ZELI_WaveformSet* waveformSet : waveformSets_.Get_Objects()) waveformSet->ReadDataStores();
}

void ZELI_Container::GarbageCollect() {
  for (ZELI_WaveformSet* waveformSet : waveformSets_.Get_Objects()) {
    for (ZELI_Segment* segment : waveformSet->CollectGarbage()) {
      Erase(segment);
      delete segment;
    }
  }
  Get_Cache().CollectGarbage();
}

// ---- node iterators ---------------------------------------------------------

ZELI_NodeIterator* ZELI_Container::Add_NodeIterator(std::unique_ptr<ZELI_NodeIterator> iterator) {
  iterators_.push_back(std::move(iterator));
  return iterators_.back().get();
}

void ZELI_Container::Delete_NodeIterator(ZELI_NodeIterator* iterator) {
  auto it = std::find_if(iterators_.begin(), iterators_.end(),
                         [iterator](const std::unique_ptr<ZELI_NodeIterator>& each) { return each.get() == iterator; });
  if (it == iterators_.end()) throw ZELI_FailedException("ZELI_Container::Delete_NodeIterator");
  if (listener_ != nullptr) listener_->IteratorErased(iterator);
  iterators_.erase(it);
}
