// ZELI_TypedContainer: a container's store together with its type table.
//
// Types refer to the container they belong to only through this class: the
// table that owns them, the generated result types of operations, and the
// target of a copy. The container proper (model/container.h) derives from
// it and adds the structure that uses the types.
#ifndef ZEL_TYPES_TYPED_CONTAINER_H
#define ZEL_TYPES_TYPED_CONTAINER_H

#include "store/container_store.h"
#include "types/type_table.h"

class ZELI_TypedContainer : public ZELI_ContainerStore {
 public:
  ZELI_TypedContainer(const char* name, zel_iomode_t mode, zel_mode_t storage)
      : ZELI_ContainerStore(name, mode, storage), types_(*this) {}
  // The cached arrays go before the types that release their values.
  ~ZELI_TypedContainer() override { Get_Cache().Clear(); }

  ZELI_TypeTable& Get_TypeTable() { return types_; }

 private:
  ZELI_TypeTable types_;
};

#endif  // ZEL_TYPES_TYPED_CONTAINER_H
