// ZELI_DataInformation: fields, the min/max storage and the stored record.
// The determination of monotonicity and extremes is in
// data_information_scan.cc.
#include "model/data_information.h"

#include <utility>

#include "errors/exceptions.h"
#include "store/stream.h"
#include "types/type.h"

ZELI_DataInformation::ZELI_DataInformation(ZELI_Type* type) : type_(type) {}

ZELI_DataInformation::ZELI_DataInformation(const ZELI_DataInformation& other)
    : type_(other.type_),
      dataSpacing_(other.dataSpacing_),
      monotonicity_(other.monotonicity_),
      interpolation_(other.interpolation_),
      compression_(other.compression_),
      compressionUserCode_(other.compressionUserCode_),
      monotonicityGiven_(other.monotonicityGiven_) {
  if (other.minMaxSet_) {
    // Contiguous copy: strings are duplicated into the fresh (zeroed) room.
    type_->CopyData(MinMaxStorage(), other.minMax_, 2);
    minMaxSet_ = true;
    minMaxGiven_ = other.minMaxGiven_;
  }
}

ZELI_DataInformation& ZELI_DataInformation::operator=(const ZELI_DataInformation& other) {
  if (this != &other) {
    ZELI_DataInformation copy(other);
    Swap(copy);
  }
  return *this;
}

ZELI_DataInformation::~ZELI_DataInformation() { ReleaseMinMax(); }

void ZELI_DataInformation::Swap(ZELI_DataInformation& other) noexcept {
  std::swap(type_, other.type_);
  std::swap(dataSpacing_, other.dataSpacing_);
  std::swap(monotonicity_, other.monotonicity_);
  std::swap(interpolation_, other.interpolation_);
  std::swap(compression_, other.compression_);
  std::swap(compressionUserCode_, other.compressionUserCode_);
  std::swap(minMax_, other.minMax_);
  std::swap(minMaxSet_, other.minMaxSet_);
  std::swap(monotonicityGiven_, other.monotonicityGiven_);
  std::swap(minMaxGiven_, other.minMaxGiven_);
}

unsigned ZELI_DataInformation::Get_SizeOf() const { return type_ != nullptr ? type_->Get_SizeOf() : 0; }

namespace {

// The values of an enumeration that a caller may set: the summary values
// MIXED and DEFAULT (DEFAULT is always the last) are refused with the
// "Explicitly setting" message, anything outside the enumeration with the
// other.
template <typename Enumeration>
void RequireSettable(Enumeration value, Enumeration mixed, Enumeration byDefault, const char* explicitMessage,
                     const char* invalidMessage) {
  if (value == mixed || value == byDefault) throw ZELI_BadArgException(explicitMessage);
  if (value < 0 || value > byDefault) throw ZELI_BadArgException(invalidMessage);
}

}  // namespace

void ZELI_DataInformation::Set_DataSpacing(zel_dataSpacing_t spacing) {
  RequireSettable(spacing, ZEL_DATASPACING_MIXED, ZEL_DATASPACING_DEFAULT,
                  "Explicitly setting MIXED/DEFAULT data spacing", "Invalid data spacing");
  dataSpacing_ = spacing;
}

void ZELI_DataInformation::Set_Monotonicity(zel_monotonicity_t monotonicity) {
  RequireSettable(monotonicity, ZEL_MONOTONICITY_MIXED, ZEL_MONOTONICITY_DEFAULT,
                  "Explicitly setting MIXED/DEFAULT monotonicity", "Invalid monotonicity");
  monotonicity_ = monotonicity;
  monotonicityGiven_ = monotonicity != ZEL_MONOTONICITY_UNKNOWN;
}

void ZELI_DataInformation::Set_InterpolationType(zel_interpolation_t interpolation) {
  RequireSettable(interpolation, ZEL_INTERPOLATION_MIXED, ZEL_INTERPOLATION_DEFAULT,
                  "Explicitly setting MIXED/DEFAULT interpolationType", "Invalid interpolationType");
  interpolation_ = interpolation;
}

void ZELI_DataInformation::Set_Compression(zel_compression_t compression) {
  if (compression < 0 || compression > 255) throw ZELI_BadArgException("Compression does not fit in one byte");
  compression_ = compression;
}

void ZELI_DataInformation::CopySettings(const ZELI_DataInformation& other) {
  dataSpacing_ = other.dataSpacing_;
  interpolation_ = other.interpolation_;
  compression_ = other.compression_;
  compressionUserCode_ = other.compressionUserCode_;
}

void* ZELI_DataInformation::MinMaxStorage() {
  if (type_ == nullptr) throw ZELI_FailedException("ZELI_DataInformation: no type");
  // ReallocData zero-fills the new room: null strings, no stray bytes.
  if (minMax_ == nullptr) minMax_ = type_->ReallocData(nullptr, 2, 0);
  return minMax_;
}

void ZELI_DataInformation::ReleaseMinMax() noexcept {
  if (minMax_ == nullptr) return;
  try {
    type_->FreeData(minMax_, 2);
  } catch (...) {
    // FreeData only refuses types of size 0, which never allocate room.
  }
  minMax_ = nullptr;
  minMaxSet_ = false;
}

void ZELI_DataInformation::Set_MinMax(const void* min, const void* max) {
  void* storage = MinMaxStorage();
  type_->CopyData(type_->AtData(storage, 0), min, 1);
  type_->CopyData(type_->AtData(storage, 1), max, 1);
  minMaxSet_ = true;
  minMaxGiven_ = true;
}

void ZELI_DataInformation::Unset_MinMax() {
  minMaxSet_ = false;
  minMaxGiven_ = false;
}

void ZELI_DataInformation::Get_MinMax(void* min, void* max) const {
  if (!minMaxSet_) throw ZELI_FailedException("Min/Max values are not set.");
  type_->CopyData(min, 0, minMax_, 0);
  type_->CopyData(max, 0, minMax_, 1);
}

const void* ZELI_DataInformation::Get_Min_p() const { return minMaxSet_ ? type_->AtData(minMax_, 0) : nullptr; }

const void* ZELI_DataInformation::Get_Max_p() const { return minMaxSet_ ? type_->AtData(minMax_, 1) : nullptr; }

void ZELI_DataInformation::ForgetDetermined() {
  if (!monotonicityGiven_) monotonicity_ = ZEL_MONOTONICITY_UNKNOWN;
  if (!minMaxGiven_) minMaxSet_ = false;
}

void ZELI_DataInformation::StoreDetermined(const void* min, const void* max) {
  if (IsMinMaxGiven()) return;
  void* storage = MinMaxStorage();
  type_->CopyData(type_->AtData(storage, 0), min, 1);
  type_->CopyData(type_->AtData(storage, 1), max, 1);
  minMaxSet_ = true;
  minMaxGiven_ = false;
}

// ---- stored record ---------------------------------------------------------

void ZELI_DataInformation::Write(ZELI_Ostream& out) const {
  out << monotonicity_ << static_cast<unsigned char>(dataSpacing_) << static_cast<unsigned char>(interpolation_)
      << static_cast<unsigned char>(compression_) << compressionUserCode_
      << static_cast<unsigned char>(minMaxSet_ ? 1 : 0);
  if (minMaxSet_) type_->WriteData(out, minMax_, 2);
}

void ZELI_DataInformation::Read(ZELI_Istream& in) {
  const unsigned version = in.Get_SoftwareVersion();
  ZELI_DataInformation read(type_);
  if (version == 0) {
    unsigned ignored = 0;
    in >> ignored;
  }
  in >> read.monotonicity_;
  unsigned char byte = 0;
  in >> byte;
  if (byte > ZEL_DATASPACING_DEFAULT) throw ZELI_FailedException("ZELI_DataInformation::Read: data spacing");
  read.dataSpacing_ = static_cast<zel_dataSpacing_t>(byte);
  if (version >= 2) {
    in >> byte;
    if (byte > ZEL_INTERPOLATION_DEFAULT) throw ZELI_FailedException("ZELI_DataInformation::Read: interpolation");
    read.interpolation_ = static_cast<zel_interpolation_t>(byte);
  }
  in >> byte;
  read.compression_ = byte;
  in >> read.compressionUserCode_;
  in >> byte;
  if (byte > 1) throw ZELI_FailedException("ZELI_DataInformation::Read: min/max flag");
  if (byte == 1) {
    if (type_ == nullptr || type_->Get_SizeOf() == 0) {
      throw ZELI_FailedException("ZELI_DataInformation::Read: min/max without values");
    }
    // The string reader checks each length against the file; other types
    // need two values' bytes in the file before the room is allocated.
    if (type_->Get_DataType() != ZEL_STRING) in.RequireBytes(2ull * type_->Get_SizeOf());
    type_->ReadData(in, read.MinMaxStorage(), 2);
    read.minMaxSet_ = true;
    read.minMaxGiven_ = true;
  }
  Swap(read);
}
