#pragma once
// Small helpers of the window and its dialogs.

#include <algorithm>
#include <initializer_list>
#include <memory>

#include "platform/forms/ExtCtrls.h"
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

// Edits labelled at their left, one under the other: they share the left edge that leaves
// room for the widest label (as wide as the font in use makes it) after `margin`, and end at
// `right` at the latest, so no label is cut or touches what stands at its left.
inline void AlignLeftLabeledEdits(std::initializer_list<TLabeledEdit*> edits, int margin, int right) {
  int left = 0;
  for (TLabeledEdit* e : edits)
    left = std::max({left, e->Left(), margin + e->EditLabel()->Width() + e->LabelSpacing()});
  for (TLabeledEdit* e : edits) e->SetBounds(left, e->Top(), std::min(e->Width(), right - left), e->Height());
}
