#pragma once
// Small helpers of the window and its dialogs.

#include <memory>

#include "platform/forms/Forms.h"

// An object freed through Free (BeforeDestruction first), for dialogs made for one use.
struct TObjectFree {
  void operator()(TObject* object) const { FreeObject(object); }
};
template <class T>
using TOwned = std::unique_ptr<T, TObjectFree>;

// Shows a cursor for the guard's life; the previous one comes back also on error.
class TCursorGuard {
public:
  explicit TCursorGuard(TCursor cursor) : fPrevious(Screen->Cursor()) { Screen->SetCursor(cursor); }
  ~TCursorGuard() { Screen->SetCursor(fPrevious); }
  TCursorGuard(const TCursorGuard&) = delete;
  TCursorGuard& operator=(const TCursorGuard&) = delete;

private:
  TCursor fPrevious;
};
