//===- callbacks.cpp - Lists of callbacks by reason ----------------------===//

#include "object_model/callbacks.h"

constinit const GCallBackReason GAnyReason(0x80000000L);

GCallBackList::GCallBackList() = default;

GCallBackList::~GCallBackList() = default;

long GCallBackList::find(Function f, GCallBackReason r, void *u) const {
  for (long i = Entries.getCount() - 1; i >= 0; --i) {
    const Entry &e = Entries[i];
    if (e.Func == f && e.Reason == r && e.User == u)
      return i;
  }
  return -1;
}

void GCallBackList::attach_callback(Function f, GCallBackReason r, void *u) {
  // An entry for every reason already covers r; only its count changes when
  // the every-reason entry itself is attached again.
  long any = find(f, GAnyReason, u);
  if (any >= 0) {
    if (r == GAnyReason)
      ++Entries[any].Count;
    return;
  }
  long same = find(f, r, u);
  if (same >= 0) {
    ++Entries[same].Count;
    return;
  }
  if (r == GAnyReason) {
    for (long i = Entries.getCount() - 1; i >= 0; --i)
      if (Entries[i].Func == f && Entries[i].User == u)
        Entries.at_remove(i);
  }
  Entries.insert(Entry{f, r, u, 1});
}

void GCallBackList::detach_callback(Function f, GCallBackReason r, void *u) {
  for (long i = Entries.getCount() - 1; i >= 0; --i) {
    Entry &e = Entries[i];
    if (e.Func != f || e.User != u)
      continue;
    if (r == GAnyReason) {
      Entries.at_remove(i);
    } else if (e.Reason == r && --e.Count <= 0) {
      Entries.at_remove(i);
    }
  }
}

void GCallBackList::call(GCallBackReason r, void *data) {
  for (long i = Entries.getCount() - 1; i >= 0; --i) {
    // A callback may have removed several entries: skip indices past the
    // current end.
    if (i >= Entries.getCount())
      continue;
    // Copy the entry: a callback that attaches may move the array.
    Entry e = Entries[i];
    if (e.Reason == r || e.Reason == GAnyReason)
      e.Func(r, data, e.User);
  }
}
