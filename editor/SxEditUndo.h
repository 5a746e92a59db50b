#pragma once
// The editor's undo (and redo) list: change records, newest last, numbered so that every
// record of one user action or begin/end block shares a number.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "editor/SxEditTypes.h"
#include "platform/core/SysUtils.h"

// Reasons the list itself knows: an empty list reports crNothing; crGroupBreak ends a run.
constexpr std::uint8_t crNothing = 20;
constexpr std::uint8_t crGroupBreak = 21;

// One line's exact change: from Char on, Removed was replaced by Inserted. Column-mode
// records carry these so that replay does not re-derive buffer positions from display
// columns (tabs, multi-byte characters and padding make that ambiguous).
struct TSxLineEdit {
  int Line = 0;
  int Char = 0;
  String Removed;
  String Inserted;
};

class TSxEditUndoItem {
public:
  std::uint8_t ChangeReason = 0;
  TSxSelectionMode ChangeSelMode = smNormal;
  TBufferCoord ChangeStartPos;
  TBufferCoord ChangeEndPos;
  String ChangeStr;
  int ChangeNumber = 0;
  std::vector<TSxLineEdit> LineEdits;
  TBufferCoord ChangeCaretPos{0, 0};  // where a column deletion left the caret (Line 0: not kept)

  void Assign(const TSxEditUndoItem& source) { *this = source; }
};

class TSxEditUndoList {
public:
  TSxEditUndoList() = default;
  TSxEditUndoList(const TSxEditUndoList&) = delete;
  TSxEditUndoList& operator=(const TSxEditUndoList&) = delete;

  // Ignored while locked. Inside a block the record takes the block's number.
  void AddChange(std::uint8_t reason, const TBufferCoord& start, const TBufferCoord& end, const String& text,
                 TSxSelectionMode selMode);
  void BeginBlock();
  void EndBlock();
  void AddGroupBreak();
  void PushItem(std::unique_ptr<TSxEditUndoItem> item);
  std::unique_ptr<TSxEditUndoItem> PopItem();
  TSxEditUndoItem* PeekItem() const { return fItems.empty() ? nullptr : fItems.back().get(); }
  const TSxEditUndoItem& Item(int index) const { return *fItems.at(static_cast<std::size_t>(index)); }

  std::uint8_t LastChangeReason() const;
  bool CanUndo() const { return !fItems.empty(); }
  int ItemCount() const { return static_cast<int>(fItems.size()); }
  void Lock() { ++fLockCount; }
  void Unlock() {
    if (fLockCount > 0) --fLockCount;
  }
  bool IsLocked() const { return fLockCount > 0; }
  void Clear();

  int MaxUndoActions() const { return fMaxUndoActions; }
  void SetMaxUndoActions(int value);
  bool FullUndoImpossible() const { return fFullUndoImpossible; }
  int BlockChangeNumber() const { return fBlockChangeNumber; }
  // Redo and undo replay give the records they make the number of the step being replayed.
  void SetBlockChangeNumber(int value) { fBlockChangeNumber = value; }
  int BlockCount() const { return fBlockCount; }
  int NextChangeNumber() const { return fNextChangeNumber; }
  int InitialChangeNumber() const { return fInitialChangeNumber; }
  bool InsideRedo() const { return fInsideRedo; }
  void SetInsideRedo(bool value) { fInsideRedo = value; }

  void SetInitialState(bool value);
  bool GetInitialState() const;
  // Copies the records and the numbering state; not the initial state nor the callback.
  void Assign(const TSxEditUndoList& source);

  std::function<void(TSxEditUndoList* sender)> OnAddedUndo;

private:
  void EnsureMaxEntries();
  void AdvanceNumber();
  void AddedUndo() {
    if (OnAddedUndo) OnAddedUndo(this);
  }

  int fBlockChangeNumber = 0;
  int fOuterBlockNumber = 0;
  int fBlockCount = 0;
  bool fFullUndoImpossible = false;
  std::deque<std::unique_ptr<TSxEditUndoItem>> fItems;
  int fLockCount = 0;
  int fMaxUndoActions = 1024;
  int fNextChangeNumber = 1;
  int fInitialChangeNumber = 0;
  bool fInsideRedo = false;
};
