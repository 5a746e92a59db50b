#include "analyzer/SQLHistory.h"

#include <algorithm>

int TSQLHistory::Add(const String& text) {
  const int index = IndexOf(text);
  if (index >= 0) {
    MoveToEnd(index);
  } else {
    fItems.push_back(std::make_unique<TSQLHistoryItem>(text));
    fByText.emplace(fItems.back()->Text(), fItems.back().get());
  }
  return Count() - 1;
}

int TSQLHistory::IndexOf(std::string_view text) const {
  auto found = fByText.find(text);
  if (found == fByText.end()) return -1;
  for (std::size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i].get() == found->second) return static_cast<int>(i);
  return -1;
}

void TSQLHistory::MoveToEnd(int index) {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  auto it = fItems.begin() + index;
  std::rotate(it, it + 1, fItems.end());
}

bool TSQLHistory::Previous(int& historyIndex, String& text) const {
  if (historyIndex <= 0 || historyIndex > Count()) return false;
  --historyIndex;
  text = Items(historyIndex);
  return true;
}

bool TSQLHistory::Next(int& historyIndex, String& text) const {
  if (historyIndex < 0) return false;
  // Never steps beyond the place past the newest entry.
  if (historyIndex < Count()) ++historyIndex;
  text = historyIndex < Count() ? Items(historyIndex) : String();
  return true;
}
