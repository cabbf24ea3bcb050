// Exported functions: containers (create, open, attach, close, detach,
// commit, delete, queries), their names, attributes and password.
#include <cstdint>
#include <memory>

#include "interface/call.h"

namespace {

// Hands an open container to the session; on failure the container is
// unregistered and destroyed.
zel_container_t Wrap(ZELC_Session& session, std::unique_ptr<ZELI_Container> container) {
  std::unique_ptr<ZELC_Container> wrapper(new ZELC_Container(container.get()));
  int key;
  try {
    key = wrapper->InsertInto(session);
  } catch (...) {
    wrapper.reset();
    container->ReleaseRegistration();
    throw;
  }
  wrapper.release();
  container.release();
  return zel_container_t{key};
}

}  // namespace

ZEL_EXPORT zel_container_t ZEL_CreateContainer(zel_session_t session, const char* name, zel_mode_t mode,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullContainer, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    return Wrap(*owner, ZELI_Container::Create(name, mode, false));
  });
}

ZEL_EXPORT zel_container_t ZEL_ForceCreateContainer(zel_session_t session, const char* name, zel_mode_t mode,
                                                    zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullContainer, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    return Wrap(*owner, ZELI_Container::Create(name, mode, true));
  });
}

ZEL_EXPORT zel_container_t ZEL_OpenContainer(zel_session_t session, const char* name, zel_iomode_t mode,
                                             zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullContainer, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    return Wrap(*owner, ZELI_Container::Open(name, mode, 0, nullptr));
  });
}

ZEL_EXPORT zel_container_t ZEL_OpenContainerWithPassword(zel_session_t session, const char* name,
                                                         zel_iomode_t mode, unsigned count,
                                                         const char** passwords, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullContainer, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    if (count > 0) ZELI_RequireArgument(passwords, "passwords is null");
    return Wrap(*owner, ZELI_Container::Open(name, mode, count, passwords));
  });
}

ZEL_EXPORT zel_container_t ZEL_AttachContainer(zel_session_t session, const char* name,
                                               zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, ZEL_NullContainer, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    return Wrap(*owner, ZELI_Container::Attach(name));
  });
}

ZEL_EXPORT void ZEL_CloseContainer(zel_session_t session, zel_container_t container,
                                   zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(owner, container);
    c->Close();
    owner->Erase(container.key);
    delete c.object;
  });
}

ZEL_EXPORT void ZEL_DetachContainer(zel_session_t session, zel_container_t container,
                                    zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Session* owner = zel.ConvertSessionHandle(session);
    const auto c = ZELC_Resolve(owner, container);
    c->Detach();
    owner->Erase(container.key);
    delete c.object;
  });
}

ZEL_EXPORT void ZEL_CommitContainerStructure(zel_session_t session, zel_container_t container,
                                             zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), container)->CommitStructure();
  });
}

ZEL_EXPORT void ZEL_DeleteContainer(const char* name, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) { ZELI_Container::Delete(name); });
}

ZEL_EXPORT zel_bool_t ZEL_ContainerExists(const char* name, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0},
                   [&](ZELC_Interface&) { return static_cast<zel_bool_t>(ZELI_Container::Exists(name)); });
}

ZEL_EXPORT unsigned ZEL_GetContainerSoftwareVersion(const char* name, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, 0u, [&](ZELC_Interface&) { return ZELI_Container::SoftwareVersion(name); });
}

ZEL_EXPORT zel_bool_t ZEL_IsContainerLatestVersion(zel_session_t session, zel_container_t container,
                                                   zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    return static_cast<zel_bool_t>(ZELC_Resolve(zel.ConvertSessionHandle(session), container)->IsLatestVersion());
  });
}

ZEL_EXPORT zel_bool_t ZEL_IsSegDataLatest(zel_session_t session, zel_container_t container, int64_t* time,
                                          zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, zel_bool_t{0}, [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(time, "time is null");
    return static_cast<zel_bool_t>(c->IsSegDataLatest(*time));
  });
}

#define ZELC_CONTAINER_TEXT(Function, Member)                                                          \
  ZEL_EXPORT const char* Function(zel_session_t session, zel_container_t container,                    \
                                  zel_status_t* status) noexcept {                                     \
    return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {   \
      return ZELC_Resolve(zel.ConvertSessionHandle(session), container)->Member();                     \
    });                                                                                                \
  }
ZELC_CONTAINER_TEXT(ZEL_GetContainerName, Get_Name)
ZELC_CONTAINER_TEXT(ZEL_GetContainerPath, Get_Path)
ZELC_CONTAINER_TEXT(ZEL_GetContainerFilename, Get_Filename)
ZELC_CONTAINER_TEXT(ZEL_GetContainerDirectoryName, Get_DirName)
#undef ZELC_CONTAINER_TEXT

ZEL_EXPORT const char* ZEL_GetContainerAttribute(zel_session_t session, zel_container_t container,
                                                 const char* name, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char*>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(name, "name is null");
    return c->Get_Attribute(name);
  });
}

ZEL_EXPORT const char** ZEL_GetContainerAttributeNames(zel_session_t session, zel_container_t container,
                                                       unsigned* count, zel_status_t* status) noexcept {
  return ZELC_Call(__func__, status, static_cast<const char**>(nullptr), [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(count, "count is null");
    return c->Get_AttributeNames(*count);
  });
}

ZEL_EXPORT void ZEL_SetContainerAttribute(zel_session_t session, zel_container_t container, const char* name,
                                          const char* value, zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    const auto c = ZELC_Resolve(zel.ConvertSessionHandle(session), container);
    ZELI_RequireArgument(name, "name is null");
    c->Set_Attribute(name, value);
  });
}

ZEL_EXPORT void ZEL_SetContainerPassword(zel_session_t session, zel_container_t container, const char* password,
                                         zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface& zel) {
    ZELC_Resolve(zel.ConvertSessionHandle(session), container)->Set_Password(password);
  });
}
