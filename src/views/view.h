// ZELI_View: a view created by ZEL_CreateView. It belongs to the session that
// created it; readers stand on it and it cannot be deleted while they do.
#ifndef ZEL_VIEWS_VIEW_H
#define ZEL_VIEWS_VIEW_H

class ZELI_View {
 public:
  bool IsInUse() const { return readerCount_ > 0; }
  void Add_Reader() { ++readerCount_; }
  void Remove_Reader() {
    if (readerCount_ > 0) --readerCount_;
  }

 private:
  unsigned readerCount_ = 0;  // readers currently standing on the view
};

#endif  // ZEL_VIEWS_VIEW_H
