// Readers: several waveforms read segment by segment.
//
// A caller adds waveforms to a reader (ZELI_Reader), starts reading one
// segment, reads each waveform's points, buffers, Y at X and summaries
// through the waveform's own reader (ZELI_WfDataReader), and ends reading
// before moving to the next segment. The waveform segments a waveform reader
// builds are kept for the reader's whole life: visiting a segment again
// reuses them (their cached arrays stay in memory), while the segment's
// data files are closed again after every start (those a writer of this
// session holds open stay open).
//
// A waveform whose segment cannot be built when reading starts (no data
// there, values that cannot be computed, damaged data) fails alone: the
// start goes through, the other waveforms read, and every data function of
// that waveform's reader reports the failure's status and message until
// the next start tries again.
//
// Ownership: the container owns readers (its map of access objects); a
// reader owns its waveform readers, which are registered in the same map
// (for their handles) but destroyed only by their reader. A reader stands on
// a view (ZELI_View, the session's), which lists it and cannot be deleted
// while it does.
#ifndef ZEL_VIEWS_READER_H
#define ZEL_VIEWS_READER_H

#include <memory>
#include <vector>

#include "errors/exceptions.h"
#include "store/objects.h"

class ZELI_Container;
class ZELI_Segment;
class ZELI_View;
class ZELI_Waveform;
class ZELI_WfSegment;
class ZELI_Reader;

class ZELI_WfDataReader final : public ZELI_AccessBase {
 public:
  ZELI_WfDataReader(ZELI_Reader& reader, ZELI_Waveform& waveform);
  ~ZELI_WfDataReader() override;
  ZELI_WfDataReader(const ZELI_WfDataReader&) = delete;
  ZELI_WfDataReader& operator=(const ZELI_WfDataReader&) = delete;

  bool IsOwnedByContainer() const override { return false; }
  bool Uses(const ZELI_ExternalBase* object) const override;

  ZELI_Reader& Get_Reader() const { return *reader_; }
  ZELI_Waveform& Get_Waveform() const { return *waveform_; }
  unsigned Get_ReferenceCount() const { return referenceCount_; }
  void IncrementReferenceCount() { ++referenceCount_; }
  // "Deleting nonexistent waveform from the reader" at 0; returns the new count.
  unsigned DecrementReferenceCount();
  bool IsOpen() const { return open_; }
  unsigned Get_WfSegmentCount() const { return static_cast<unsigned>(segments_.size()); }

  // Finds or builds the waveform segment of the segment ("The segment is
  // already open" when open). A failure to build it is kept (see the file
  // comment), except memory exhaustion, which is thrown.
  void Open(ZELI_Segment& segment);
  // "The segment is not open" when closed.
  void Close();
  // The open segment's waveform segment; while no segment is open:
  // ZELI_FailedException "No segment is open for reading."; when it could
  // not be built: that failure again.
  ZELI_WfSegment& Current() const;
  // Whether the open segment's waveform segment could not be built.
  bool HasFailed() const { return failed_; }

 private:
  ZELI_Reader* reader_;      // owner
  ZELI_Waveform* waveform_;  // not owned
  unsigned referenceCount_ = 0;
  bool open_ = false;
  // The failure of the last start, with its status and message.
  bool failed_ = false;
  zel_status_t failureStatus_ = ZEL_OK;
  char failureMessage_[ZELI_ExceptionMessageMax + 1] = {};
  unsigned current_ = 0;
  std::vector<std::unique_ptr<ZELI_WfSegment>> segments_;  // in order of first visit
};

class ZELI_Reader final : public ZELI_AccessBase {
 public:
  // Joins the view's list. The caller registers the reader with the container.
  ZELI_Reader(ZELI_Container& container, ZELI_View& view);
  // Closes an open segment, leaves the view, and erases and destroys the
  // waveform readers. Never throws.
  ~ZELI_Reader() override;
  ZELI_Reader(const ZELI_Reader&) = delete;
  ZELI_Reader& operator=(const ZELI_Reader&) = delete;

  ZELI_Container& Get_Container() const { return *container_; }
  ZELI_View* Get_View_p() const { return view_; }
  ZELI_Segment* Get_OpenSegment_p() const { return segment_; }
  bool IsOpen() const { return segment_ != nullptr; }

  // The waveform reader of the waveform (the existing one with one more
  // reference, or a new one registered with the container). The waveform
  // must belong to the reader's container (ZELI_BadArgException).
  ZELI_WfDataReader* Add_Waveform_p(ZELI_Waveform& waveform);
  // One reference less; at 0 the waveform reader is unregistered and deleted.
  void Delete_Waveform(ZELI_WfDataReader& dataReader);
  // Leaves the old view for the new one, then fails with
  // "ZELI_Reader::HandleViewChange not implemented" (the new view stays).
  void Set_View(ZELI_View& view);
  // A segment of another container ("The segment and the reader are in
  // different containers.", checked first) or a waveform of another waveform
  // set than the segment's: ZELI_BadArgException; "The reader is already
  // open" (ZELI_FailedException).
  void Open(ZELI_Segment& segment);
  // "The reader is not open"; then the container collects garbage.
  void Close();
  // Whether one of the waveform readers reads the waveform.
  bool Uses(const ZELI_ExternalBase* object) const override;
  // Told by a view that is being destroyed.
  void ViewGone() noexcept { view_ = nullptr; }

  ZELI_WfDataReader* Get_FirstWfDataReader_p();
  // "ZELI_Reader::Get_NextWfDataReader_p" past the end.
  ZELI_WfDataReader* Get_NextWfDataReader_p();
  unsigned Get_WfDataReaderCount() const { return static_cast<unsigned>(dataReaders_.size()); }

 private:
  ZELI_Container* container_;
  ZELI_View* view_;                 // not owned; null once the view is gone
  ZELI_Segment* segment_ = nullptr;  // the open segment
  std::vector<std::unique_ptr<ZELI_WfDataReader>> dataReaders_;  // in order of first addition
  size_t cursor_ = 0;
};

#endif  // ZEL_VIEWS_READER_H
