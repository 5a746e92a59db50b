#pragma once
// Helpers shared by the editor control's source files (not part of its interface).

#include <string>

#include "editor/SxEdit.h"
#include "platform/core/Utf8.h"

namespace sxedit {

inline int Len(const String& s) { return SxCharCount(s); }
// The timer on the control's window that finishes the word-wrap rows left provisional.
constexpr UINT_PTR kFinishRowsTimer = 1;
// Characters from the 1-based index `from`, at most `count` of them.
inline String Sub(const String& s, int from, int count = INT32_MAX) {
  if (from < 1) {
    count += from - 1;
    from = 1;
  }
  if (count <= 0) return String();
  return Utf8Copy(s, static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
}
inline String Head(const String& s, int count) { return Sub(s, 1, count); }

// An option switched on for a scope and restored after it, also on an exception.
struct OptionOn {
  TSxEditorOptions& options;
  TSxEditorOptions bit;
  bool had;
  OptionOn(TSxEditorOptions& o, TSxEditorOptions b) : options(o), bit(b), had((o & b) != 0) { options |= bit; }
  ~OptionOn() {
    if (!had) options &= ~bit;
  }
  OptionOn(const OptionOn&) = delete;
  OptionOn& operator=(const OptionOn&) = delete;
};

struct PaintLockGuard {
  TCustomSxEdit* e;
  explicit PaintLockGuard(TCustomSxEdit* ed) : e(ed) { e->IncPaintLock(); }
  ~PaintLockGuard() { e->DecPaintLock(); }
  PaintLockGuard(const PaintLockGuard&) = delete;
  PaintLockGuard& operator=(const PaintLockGuard&) = delete;
};

struct UndoBlockGuard {
  TCustomSxEdit* e;
  explicit UndoBlockGuard(TCustomSxEdit* ed) : e(ed) { e->BeginUndoBlock(); }
  ~UndoBlockGuard() { e->EndUndoBlock(); }
  UndoBlockGuard(const UndoBlockGuard&) = delete;
  UndoBlockGuard& operator=(const UndoBlockGuard&) = delete;
};

}  // namespace sxedit
