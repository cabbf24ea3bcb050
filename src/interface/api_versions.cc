// Exported function: a container's version table and the processes
// registered in its newest version, for tools that show who uses a
// container.
#include <cstring>
#include <memory>
#include <vector>

#include "interface/call.h"
#include "store/container_dir.h"
#include "store/version_toc.h"

namespace {

struct FreeIds {
  void operator()(int* ids) const noexcept { ZELI_OS_Free(ids); }
};
using IdArray = std::unique_ptr<int, FreeIds>;

// A malloc'd copy of the ids for the caller to free; null for none.
IdArray CopyIds(const std::vector<int>& ids) {
  IdArray copy(static_cast<int*>(ZELI_OS_Malloc(ids.size() * sizeof(int))));
  if (!ids.empty()) std::memcpy(copy.get(), ids.data(), ids.size() * sizeof(int));
  return copy;
}

}  // namespace

ZEL_EXPORT void ZEL_GetContainerVersionInfo(const char* name, zel_versionInfo_t* info,
                                            zel_status_t* status) noexcept {
  ZELC_CallVoid(__func__, status, [&](ZELC_Interface&) {
    ZELI_RequireArgument(info, "info is null");
    const ZELI_ContainerDirectory directory(name);
    directory.VerifyExistence();
    // The inspecting form, as every query of the table: no lock, and its
    // release writes nothing (the updating form would rewrite the table and
    // drop unused stale versions). Its reader checks every count against
    // the bytes left, the flags, the order of the version numbers and the
    // end of the file.
    ZELI_VersionTOC toc(directory.Get_Names().Get_DirName().c_str(), ZEL_IOMODE_READ);
    const ZELI_Version* newest = toc.LatestVersion_p();
    static const std::vector<int> none;
    const std::vector<int>& readers = newest != nullptr ? newest->Get_Processes(ZELI_Version::READING) : none;
    const std::vector<int>& writers = newest != nullptr ? newest->Get_Processes(ZELI_Version::WRITING) : none;
    const std::vector<int>& attached = newest != nullptr ? newest->Get_Processes(ZELI_Version::ATTACHED) : none;
    // Everything is allocated before *info is touched: a failure leaves it
    // as it was and frees what was made.
    IdArray readerIds = CopyIds(readers);
    IdArray writerIds = CopyIds(writers);
    IdArray attachedIds = CopyIds(attached);

    info->isBigEndian = toc.IsBigEndian();
    info->softwareVersion = toc.Get_SoftwareVersion();
    info->nextVersion = toc.Get_NextVersionNumber();
    info->versionCount = toc.Get_VersionCount();
    info->version = newest != nullptr ? newest->Get_Number() : -1;
    info->stale = newest != nullptr && newest->IsStale() ? 1 : 0;
    info->readerCount = static_cast<unsigned>(readers.size());
    info->readers = readerIds.release();
    info->writerCount = static_cast<unsigned>(writers.size());
    info->writers = writerIds.release();
    info->attachedCount = static_cast<unsigned>(attached.size());
    info->attached = attachedIds.release();
  });
}
