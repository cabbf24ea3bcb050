// Readers and waveform readers.
#include "views/reader.h"

#include <algorithm>
#include <cstdio>

#include "access/wf_segment.h"
#include "access/wf_segment_read.h"
#include "errors/exceptions.h"
#include "errors/memory.h"
#include "model/segment.h"
#include "model/waveform_set.h"
#include "model/container.h"
#include "views/view.h"
#include "waveforms/waveform.h"

// ---- ZELI_View ----------------------------------------------------------------

ZELI_View::~ZELI_View() {
  for (ZELI_Reader* reader : readers_) reader->ViewGone();
}

void ZELI_View::Add_Reader(ZELI_Reader* reader) {
  if (std::find(readers_.begin(), readers_.end(), reader) == readers_.end()) readers_.push_back(reader);
}

void ZELI_View::Delete_Reader_p(ZELI_Reader* reader) noexcept {
  readers_.erase(std::remove(readers_.begin(), readers_.end(), reader), readers_.end());
}

// ---- ZELI_WfDataReader --------------------------------------------------------

ZELI_WfDataReader::ZELI_WfDataReader(ZELI_Reader& reader, ZELI_Waveform& waveform)
    : reader_(&reader), waveform_(&waveform) {}

ZELI_WfDataReader::~ZELI_WfDataReader() = default;

unsigned ZELI_WfDataReader::DecrementReferenceCount() {
  if (referenceCount_ == 0) throw ZELI_FailedException("Deleting nonexistent waveform from the reader");
  return --referenceCount_;
}

bool ZELI_WfDataReader::Uses(const ZELI_ExternalBase* object) const { return object == waveform_; }

void ZELI_WfDataReader::Open(ZELI_Segment& segment) {
  if (open_) throw ZELI_FailedException("The segment is already open");
  const unsigned index = segment.Get_WaveformSet_p()->Get_SegmentIndexFromParIds(segment.Get_ParIds());
  auto found = std::find_if(segments_.begin(), segments_.end(),
                            [index](const std::unique_ptr<ZELI_WfSegment>& s) { return s->Get_SegmentIndex() == index; });
  failed_ = false;
  try {
    if (found == segments_.end()) {
      ZELI_ReserveOneMore(segments_);
      segments_.emplace_back(ZELI_ReadWfSegment(*waveform_, segment));
      found = segments_.end() - 1;
    } else if ((*found)->IsStale()) {
      // Values were written since the visit that built it (a writer of this
      // session goes on): the kept segment would show the old ones.
      found->reset(ZELI_ReadWfSegment(*waveform_, segment));
    }
    current_ = static_cast<unsigned>(found - segments_.begin());
  } catch (const ZELI_Exception& failure) {
    // Memory exhaustion is the whole call's, not this waveform's.
    if (failure.status == ZEL_BAD_ALLOC) throw;
    failed_ = true;
    failureStatus_ = failure.status;
    std::snprintf(failureMessage_, sizeof failureMessage_, "%s", failure.what());
  }
  open_ = true;
}

void ZELI_WfDataReader::Close() {
  if (!open_) throw ZELI_FailedException("The segment is not open");
  open_ = false;
  failed_ = false;
}

ZELI_WfSegment& ZELI_WfDataReader::Current() const {
  if (!open_) throw ZELI_FailedException("No segment is open for reading.");
  if (failed_) throw ZELI_ExceptionWithMessage(failureStatus_, failureMessage_);
  return *segments_[current_];
}

// ---- ZELI_Reader --------------------------------------------------------------

ZELI_Reader::ZELI_Reader(ZELI_Container& container, ZELI_View& view) : container_(&container), view_(&view) {
  view_->Add_Reader(this);
}

ZELI_Reader::~ZELI_Reader() {
  if (view_ != nullptr) view_->Delete_Reader_p(this);
  ZELI_KeyMap<ZELI_AccessBase>& access = container_->Get_AccessConvertor();
  for (std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) {
    // While the container goes down, the keys are already free.
    const int key = dataReader->Get_Key();
    if (access.IsLive(key) && access[key] == dataReader.get()) container_->Erase(dataReader.get());
  }
}

bool ZELI_Reader::Uses(const ZELI_ExternalBase* object) const {
  for (const std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) {
    if (dataReader->Uses(object)) return true;
  }
  return false;
}

ZELI_WfDataReader* ZELI_Reader::Add_Waveform_p(ZELI_Waveform& waveform) {
  if (&waveform.Get_WaveformSet_p()->Get_Container() != container_)
    throw ZELI_BadArgException("The waveform and the reader are in different containers.");
  // A reader reads one segment of one waveform set at a time.
  if (!dataReaders_.empty() && dataReaders_.front()->Get_Waveform().Get_WaveformSet_p() != waveform.Get_WaveformSet_p())
    throw ZELI_BadArgException("The waveform and the reader's waveforms are in different waveform sets.");
  for (std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) {
    if (&dataReader->Get_Waveform() == &waveform) {
      dataReader->IncrementReferenceCount();
      return dataReader.get();
    }
  }
  // A waveform added while a segment is open is read from the next start.
  auto dataReader = std::make_unique<ZELI_WfDataReader>(*this, waveform);
  ZELI_ReserveOneMore(dataReaders_);
  dataReader->Set_Key(container_->Get_AccessConvertor().Insert(dataReader.get()));
  dataReader->IncrementReferenceCount();
  dataReaders_.push_back(std::move(dataReader));
  return dataReaders_.back().get();
}

void ZELI_Reader::Delete_Waveform(ZELI_WfDataReader& dataReader) {
  auto found = std::find_if(dataReaders_.begin(), dataReaders_.end(),
                            [&](const std::unique_ptr<ZELI_WfDataReader>& d) { return d.get() == &dataReader; });
  if (found == dataReaders_.end()) throw ZELI_BadArgException("The waveform reader belongs to another reader.");
  if (dataReader.DecrementReferenceCount() > 0) return;
  const size_t position = static_cast<size_t>(found - dataReaders_.begin());
  container_->Erase(&dataReader);
  dataReaders_.erase(found);
  if (cursor_ > position) --cursor_;
}

void ZELI_Reader::Set_View(ZELI_View& view) {
  if (view_ != nullptr) view_->Delete_Reader_p(this);
  view.Add_Reader(this);
  view_ = &view;
  throw ZELI_FailedException("ZELI_Reader::HandleViewChange not implemented");
}

void ZELI_Reader::Open(ZELI_Segment& segment) {
  ZELI_WaveformSet* set = segment.Get_WaveformSet_p();
  if (&set->Get_Container() != container_)
    throw ZELI_BadArgException("The segment and the reader are in different containers.");
  if (IsOpen()) throw ZELI_FailedException("The reader is already open");
  // Every waveform is checked before any is opened: a waveform of another
  // set would otherwise read another waveform's data at this segment index.
  for (std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) {
    if (dataReader->Get_Waveform().Get_WaveformSet_p() != set)
      throw ZELI_BadArgException("The waveform and the segment are in different waveform sets.");
  }
  segment_ = &segment;
  try {
    for (std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) dataReader->Open(segment);
  } catch (...) {
    // Nothing stays half open: the reader can start again.
    for (std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) {
      if (dataReader->IsOpen()) dataReader->Close();
    }
    segment_ = nullptr;
    throw;
  }
  // Building a waveform segment opens the data store only when it is closed
  // and closes it again, so no file stays open for reading. Closing every
  // store whatever its count would also close the files of a writer that is
  // filling this segment in this session, under its feet.
}

void ZELI_Reader::Close() {
  if (!IsOpen()) throw ZELI_FailedException("The reader is not open");
  for (std::unique_ptr<ZELI_WfDataReader>& dataReader : dataReaders_) dataReader->Close();
  segment_ = nullptr;
  container_->GarbageCollect();
}

ZELI_WfDataReader* ZELI_Reader::Get_FirstWfDataReader_p() {
  cursor_ = 0;
  return dataReaders_.empty() ? nullptr : dataReaders_.front().get();
}

ZELI_WfDataReader* ZELI_Reader::Get_NextWfDataReader_p() {
  if (cursor_ >= dataReaders_.size()) throw ZELI_FailedException("ZELI_Reader::Get_NextWfDataReader_p");
  ++cursor_;
  return cursor_ < dataReaders_.size() ? dataReaders_[cursor_].get() : nullptr;
}
