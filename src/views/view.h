// ZELI_View: a view created by ZEL_CreateView. It belongs to the session that
// created it; readers stand on it and it cannot be deleted while they do.
//
// The view does not own its readers (their container does); it only lists
// them. Readers leave the list when they are deleted or move to another view.
#ifndef ZEL_VIEWS_VIEW_H
#define ZEL_VIEWS_VIEW_H

#include <vector>

class ZELI_Reader;

class ZELI_View {
 public:
  ZELI_View() = default;
  // Readers still listed (only possible when the session goes down out of
  // order) are told that the view is gone. Never throws.
  ~ZELI_View();
  ZELI_View(const ZELI_View&) = delete;
  ZELI_View& operator=(const ZELI_View&) = delete;

  bool IsInUse() const { return !readers_.empty(); }
  unsigned Get_ReaderCount() const { return static_cast<unsigned>(readers_.size()); }
  void Add_Reader(ZELI_Reader* reader);
  // Takes the reader out of the list (absent: nothing happens).
  void Delete_Reader_p(ZELI_Reader* reader) noexcept;

 private:
  std::vector<ZELI_Reader*> readers_;  // not owned
};

#endif  // ZEL_VIEWS_VIEW_H
