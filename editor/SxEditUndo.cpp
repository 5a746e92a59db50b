#include "editor/SxEditUndo.h"

#include <climits>

void TSxEditUndoList::AdvanceNumber() {
  // 0 stands for "no block" and for the unmodified empty list, so numbering skips it.
  fNextChangeNumber = fNextChangeNumber == INT_MAX ? 1 : fNextChangeNumber + 1;
  if (fNextChangeNumber == 0) fNextChangeNumber = 1;
}

void TSxEditUndoList::AddChange(std::uint8_t reason, const TBufferCoord& start, const TBufferCoord& end,
                                const String& text, TSxSelectionMode selMode) {
  if (fLockCount > 0) return;
  auto item = std::make_unique<TSxEditUndoItem>();
  item->ChangeReason = reason;
  item->ChangeSelMode = selMode;
  item->ChangeStartPos = start;
  item->ChangeEndPos = end;
  item->ChangeStr = text;
  if (fBlockChangeNumber != 0) {
    item->ChangeNumber = fBlockChangeNumber;
  } else {
    item->ChangeNumber = fNextChangeNumber;
    if (fBlockCount == 0) AdvanceNumber();
  }
  PushItem(std::move(item));
}

void TSxEditUndoList::BeginBlock() {
  if (fBlockCount++ == 0) {
    // A number set from outside (a replayed step) stays the number of the block.
    fOuterBlockNumber = fBlockChangeNumber;
    if (fBlockChangeNumber == 0) fBlockChangeNumber = fNextChangeNumber;
  }
}

void TSxEditUndoList::EndBlock() {
  if (fBlockCount == 0) return;
  if (--fBlockCount > 0) return;
  const int number = fBlockChangeNumber;
  fBlockChangeNumber = fOuterBlockNumber;
  if (fOuterBlockNumber == 0) AdvanceNumber();
  fOuterBlockNumber = 0;
  if (!fItems.empty() && fItems.back()->ChangeNumber == number) AddedUndo();
}

void TSxEditUndoList::PushItem(std::unique_ptr<TSxEditUndoItem> item) {
  if (!item) return;
  const std::uint8_t reason = item->ChangeReason;
  fItems.push_back(std::move(item));
  EnsureMaxEntries();
  // Records of an open block are announced once, when the block closes.
  if (reason != crGroupBreak && fBlockCount == 0) AddedUndo();
}

std::unique_ptr<TSxEditUndoItem> TSxEditUndoList::PopItem() {
  if (fItems.empty()) return nullptr;
  auto item = std::move(fItems.back());
  fItems.pop_back();
  return item;
}

void TSxEditUndoList::AddGroupBreak() {
  if (LastChangeReason() == crGroupBreak) return;
  auto item = std::make_unique<TSxEditUndoItem>();
  item->ChangeReason = crGroupBreak;
  item->ChangeSelMode = smNormal;
  PushItem(std::move(item));
}

std::uint8_t TSxEditUndoList::LastChangeReason() const {
  return fItems.empty() ? crNothing : fItems.back()->ChangeReason;
}

void TSxEditUndoList::Clear() {
  fItems.clear();
  fFullUndoImpossible = false;
}

void TSxEditUndoList::SetMaxUndoActions(int value) {
  if (value < 0) value = 0;
  if (value == fMaxUndoActions) return;
  fMaxUndoActions = value;
  EnsureMaxEntries();
}

void TSxEditUndoList::EnsureMaxEntries() {
  if (static_cast<int>(fItems.size()) <= fMaxUndoActions) return;
  fFullUndoImpossible = true;
  if (fMaxUndoActions <= 0) {
    fItems.clear();
    return;
  }
  // The oldest steps go whole, and the newest step always stays whole: a step cut in two
  // would undo half of one user action (a block indent of many lines is one step).
  const int newest = fItems.back()->ChangeNumber;
  while (static_cast<int>(fItems.size()) > fMaxUndoActions && fItems.front()->ChangeNumber != newest) {
    const int number = fItems.front()->ChangeNumber;
    while (!fItems.empty() && fItems.front()->ChangeNumber == number) fItems.pop_front();
  }
}

void TSxEditUndoList::SetInitialState(bool value) {
  if (value) {
    fInitialChangeNumber = fItems.empty() ? 0 : fItems.back()->ChangeNumber;
  } else if (GetInitialState()) {
    fInitialChangeNumber = -1;
  }
}

bool TSxEditUndoList::GetInitialState() const {
  if (fItems.empty()) return fInitialChangeNumber == 0;
  return fItems.back()->ChangeNumber == fInitialChangeNumber;
}

void TSxEditUndoList::Assign(const TSxEditUndoList& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.fItems) fItems.push_back(std::make_unique<TSxEditUndoItem>(*item));
  fBlockChangeNumber = source.fBlockChangeNumber;
  fBlockCount = source.fBlockCount;
  fFullUndoImpossible = source.fFullUndoImpossible;
  fLockCount = source.fLockCount;
  fMaxUndoActions = source.fMaxUndoActions;
  fNextChangeNumber = source.fNextChangeNumber;
  fInsideRedo = source.fInsideRedo;
}
