// The structure file of a container: every persistent object, written once
// per structure write, dependencies first, and read back in the same order.
//
// Order (stored software version 8):
//   1. the external key map (slot count, free chain, live count);
//   2. the type table: count, records, then the keys of the internal
//      integer, generated integer, generated real and generated complex
//      types;
//   3. the attributes;
//   4. the dimension descriptor count and records;
//   5. the parameter count and records;
//   6. the password (a string, stored as given);
//   7. the waveform set count and records, each with its segments,
//      hierarchy and waveforms.
// Older stored versions: below 3 a second key map (the internal objects)
// follows the external one; the special type keys vary (see the type table);
// attributes and parameters exist from 2 on, the password from 3 on; at
// version 1 the internal integer type's key follows the waveform sets.
//
// The file is replaced atomically (temporary file, fsync, rename), so a
// reader in another process sees the previous structure or the new one,
// never a half-written file, and a failed write keeps the previous one and
// the modified flag.
#include "errors/exceptions.h"
#include "model/container.h"
#include "model/dimension_descriptor.h"
#include "model/parameter.h"
#include "model/waveform_set.h"
#include "store/atomic_file.h"
#include "store/os_file.h"
#include "store/stream.h"

void ZELI_Container::WriteStructure() {
  const std::unique_ptr<ZELI_AtomicFile> file = PrepareStructureFile();
  if (file) CommitStructureFile(*file);
}

void ZELI_Container::CommitStructureFile(ZELI_AtomicFile& file) {
  file.Commit();
  Set_Unmodified();
}

std::unique_ptr<ZELI_AtomicFile> ZELI_Container::PrepareStructureFile() {
  if (!IsModified() || !IsOnDisk()) return nullptr;
  ZELI_TypeTable& types = Get_TypeTable();
  ZELI_KeyMap<ZELI_ExternalBase>& external = Get_ExternalConvertor();
  types.EnsureSpecialTypes();
  auto file = std::make_unique<ZELI_AtomicFile>(Get_StructureFile().c_str());
  ZELI_Ostream& out = file->Stream();
  external.WriteExcluding(out, TransientKeys());
  // Marks the objects written in this pass (each is written once).
  external.InitializeMarker();
  try {
    types.WriteTypes(out, external);
    out << Attributes();
    out << descriptors_.Get_Count();
    for (const ZELI_DimensionDescriptor* d : descriptors_.Get_Objects()) d->Write(out, external);
    out << parameters_.Get_Count();
    for (const ZELI_Parameter* p : parameters_.Get_Objects()) p->Write(out, external);
    out << Password();
    out << waveformSets_.Get_Count();
    for (const ZELI_WaveformSet* w : waveformSets_.Get_Objects()) w->Write(out, external);
  } catch (...) {
    external.DiscardMarker();
    throw;
  }
  external.DiscardMarker();
  return file;
}

namespace {

// Smallest stored records, which bound the counts read before them.
constexpr unsigned MinDescriptorRecord = 5 + 5 + 4 + 4;  // two empty strings, two keys
// An empty name, the descriptor key, a data information without extremes
// (9 bytes), no attributes, the slot, value, head and capacity words, the key.
constexpr unsigned MinParameterRecord = 5 + 4 + 9 + 4 + 4 + 4 + 4 + 4 + 4;
constexpr unsigned MinWaveformSetRecord = 5 + 4 + 4 + 4;

}  // namespace

void ZELI_Container::ReadStructure() {
  const std::string path = Get_StructureFile();
  // A version whose writer has not stored a structure yet is empty (its
  // data files may hold pages already, but no commit has named them).
  if (!ZELI_OS_Exists(path.c_str())) {
    const std::string stored = FindStoredSegmentFile();
    if (!stored.empty()) {
      throw ZELI_FailedException(ZELI_Message() << "The structure file structure.data is missing beside "
                                                << stored.c_str());
    }
    Set_Unmodified();
    return;
  }
  ZELI_TypeTable& types = Get_TypeTable();
  ZELI_KeyMap<ZELI_ExternalBase>& external = Get_ExternalConvertor();
  const unsigned version = Get_SoftwareVersionOnDisk();
  if (version > ZELI_CurrentSoftwareVersion) {
    throw ZELI_FailedException("ZELI_Container::ReadStructure: newer software version");
  }
  ZELI_Istream in(path.c_str(), Get_IsBigEndianOnDisk(), version);
  in >> external;
  if (version < 3) in >> Get_InternalConvertor();
  types.ReadTypes(in, external);
  in >> Attributes();  // nothing below version 2
  for (unsigned n = in.ReadCount(MinDescriptorRecord); n > 0; --n) {
    descriptors_.Adopt(ZELI_DimensionDescriptor::Read(in, external));
  }
  if (version >= 2) {
    for (unsigned n = in.ReadCount(MinParameterRecord); n > 0; --n) {
      parameters_.Adopt(ZELI_Parameter::Read(in, external, *this));
    }
  }
  if (version >= 3) in >> Password();
  for (unsigned n = in.ReadCount(MinWaveformSetRecord); n > 0; --n) {
    waveformSets_.Adopt(ZELI_WaveformSet::Read(in, external, *this));
  }
  if (version == 1) types.ReadLegacyInternalKey(in, external);
  external.VerifyLoaded();
  in.Close();
  Set_Unmodified();
}
