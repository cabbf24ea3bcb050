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
#include "store/atomic_file.h"
#include "store/container.h"
#include "store/os_file.h"
#include "store/stream.h"

void ZELI_Container::WriteStructure() {
  if (!modified_ || !IsOnDisk()) return;
  types_.EnsureSpecialTypes();
  ZELI_AtomicFile file(Names().Get_StructureFile(versionNumber_).c_str());
  ZELI_Ostream& out = file.Stream();
  out << external_;
  // Marks the objects written in this pass (each is written once).
  external_.InitializeMarker();
  try {
    types_.WriteTypes(out, external_);
    out << attributes_;
    out << 0;  // dimension descriptors
    out << 0;  // parameters
    out << password_;
    out << 0;  // waveform sets
  } catch (...) {
    external_.DiscardMarker();
    throw;
  }
  external_.DiscardMarker();
  file.Commit();
  modified_ = false;
}

namespace {

// Tables whose records are not stored by this build must be empty.
void ExpectEmptyTable(ZELI_Istream& in, const char* what) {
  unsigned count = 0;
  in >> count;
  if (count != 0) throw ZELI_FailedException(ZELI_Message() << "ZELI_Container::ReadStructure: " << what);
}

}  // namespace

void ZELI_Container::ReadStructure() {
  const std::string path = Names().Get_StructureFile(versionNumber_);
  // A version whose writer has not stored a structure yet is empty.
  if (!ZELI_OS_Exists(path.c_str())) {
    modified_ = false;
    return;
  }
  const unsigned version = softwareVersionOnDisk_;
  if (version > ZELI_CurrentSoftwareVersion) {
    throw ZELI_FailedException("ZELI_Container::ReadStructure: newer software version");
  }
  ZELI_Istream in(path.c_str(), bigEndianOnDisk_, version);
  in >> external_;
  if (version < 3) in >> internal_;
  types_.ReadTypes(in, external_);
  in >> attributes_;  // nothing below version 2
  ExpectEmptyTable(in, "dimension descriptors");
  if (version >= 2) ExpectEmptyTable(in, "parameters");
  if (version >= 3) in >> password_;
  ExpectEmptyTable(in, "waveform sets");
  if (version == 1) types_.ReadLegacyInternalKey(in, external_);
  external_.VerifyLoaded();
  in.Close();
  modified_ = false;
}
