#pragma once
// The statements prepared or run during this session, oldest first; memory only.

#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/core/SysUtils.h"

class TSQLHistoryItem {
public:
  explicit TSQLHistoryItem(String text) : fText(std::move(text)) {}
  const String& Text() const { return fText; }

private:
  String fText;
};

class TSQLHistory {
public:
  // An item with exactly this text (case and every character count) moves to the newest
  // place; otherwise the text is appended. Answers the new item count minus 1.
  int Add(const String& text);
  int IndexOf(std::string_view text) const;
  void MoveToEnd(int index);
  int Count() const { return static_cast<int>(fItems.size()); }
  const String& Items(int index) const { return fItems.at(static_cast<std::size_t>(index))->Text(); }

  // Stepping through the history for the window's Previous and Next; historyIndex is the
  // window's position (-1 before the first statement, Count() past the newest).
  // Previous answers whether the editor takes the text; Next whether the editor changes, to
  // the entry's text or, past the newest, to an empty text.
  bool Previous(int& historyIndex, String& text) const;
  bool Next(int& historyIndex, String& text) const;
  bool PreviousEnabled(int historyIndex) const { return historyIndex > 0; }
  bool NextEnabled(int historyIndex) const { return historyIndex >= 0 && historyIndex < Count(); }

private:
  std::vector<std::unique_ptr<TSQLHistoryItem>> fItems;
  // Finds an item by its text without comparing it against every entry; keyed by a view of
  // the item's own text, which lives as long as the item.
  std::unordered_map<std::string_view, const TSQLHistoryItem*> fByText;
};
