#include "editor/SxEditTextBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

TSxEditStringList::TSxEditStringList() : fConvertTabsProc(GetBestConvertTabsProcEx(8)) {}

TSxEditStringList::~TSxEditStringList() {
  // Tearing down the list notifies nobody.
  OnChange = nullptr;
  OnChanging = nullptr;
}

void TSxEditStringList::CheckIndex(int Index, int Last) const {
  if (Index < 0 || Index > Last) throw ESxEditStringList("Invalid stringlist index " + std::to_string(Index));
}

String TSxEditStringList::Get(int Index) const {
  if (Index < 0 || Index >= GetCount()) return String();
  return fList[static_cast<std::size_t>(Index)].Text;
}

TObject* TSxEditStringList::GetObject(int Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  return fList[static_cast<std::size_t>(Index)].Data;
}

namespace {
// The characters of UTF-8 text: the bytes that do not continue a character.
int CountChars(std::string_view t) {
  int c = 0;
  for (const char b : t) c += (static_cast<unsigned char>(b) & 0xC0) != 0x80;
  return c;
}

// The characters of bytes [From, To) of a line whose index is up to date.
int CharsIn(const TSxLineIndex& idx, std::string_view s, std::size_t From, std::size_t To);

// ASCII without tabs: characters are bytes and columns. In passes that vectorize, as a line
// (or text joined into one) can be long.
bool IsPlainText(std::string_view t) {
  unsigned char high = 0;
  for (const char b : t) high |= static_cast<unsigned char>(b);
  return !(high & 0x80) && t.find('\t') == std::string_view::npos;
}

// A long line gets room to grow when it is stored: the first keystroke that lengthens it would
// otherwise copy it whole into a new buffer.
std::size_t Room(std::size_t Bytes) { return Bytes >= 4096 ? Bytes + Bytes / 16 : Bytes; }
void GiveRoom(String& S) {
  if (Room(S.size()) > S.capacity()) S.reserve(Room(S.size()));
}
// A copy of S with that room, allocated and copied once.
String WithRoom(const String& S) {
  String s;
  s.reserve(Room(S.size()));
  s.append(S);
  return s;
}
}  // namespace

void TSxEditStringList::Grow(std::size_t Needed) {
  std::size_t cap = fList.capacity();
  if (Needed <= cap) return;
  while (cap < Needed) cap += cap <= 64 ? 16 : cap / 4;
  fList.reserve(cap);
}

void TSxEditStringList::InsertItem(int Index, String S, TObject* Obj, TSxLineIndex* Known) {
  Grow(fList.size() + 1);
  TextChanged();
  TSxEditStringRec rec;
  rec.Text = std::move(S);
  GiveRoom(rec.Text);
  rec.Data = Obj;
  if (Known) rec.Index = std::move(*Known);
  fList.insert(fList.begin() + Index, std::move(rec));
  // The longest line stays known without a rescan: one per change would make loading and
  // typing quadratic.
  if (fIndexOfLongestLine >= Index) ++fIndexOfLongestLine;
  NoteLength(Index);
}

void TSxEditStringList::NoteLength(int Index) {
  if (fIndexOfLongestLine < 0) return;
  if (ExpandedLength(Index) > ExpandedLength(fIndexOfLongestLine)) fIndexOfLongestLine = Index;
  fLongestLength = ExpandedLength(fIndexOfLongestLine);
}

int TSxEditStringList::Add(const String& S) { return AddObject(S, nullptr); }

int TSxEditStringList::AddObject(const String& S, TObject* Obj) {
  BeginUpdate();
  try {
    const int index = GetCount();
    InsertItem(index, WithRoom(S), Obj);
    Fire(OnLinesInserted, index, 1);
    EndUpdate();
    return index;
  } catch (...) {
    EndUpdate();
    throw;
  }
}

void TSxEditStringList::Insert(int Index, const String& S) {
  CheckIndex(Index, GetCount());
  BeginUpdate();
  try {
    InsertItem(Index, WithRoom(S), nullptr);
    Fire(OnLinesInserted, Index, 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

namespace {
// The length of the common start of a and b (n bytes at most), compared in blocks first.
std::size_t CommonHead(const char* a, const char* b, std::size_t n) {
  std::size_t i = 0;
  while (i + 1024 <= n && std::memcmp(a + i, b + i, 1024) == 0) i += 1024;
  while (i + 32 <= n && std::memcmp(a + i, b + i, 32) == 0) i += 32;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}
// The length of the common end of a[0, na) and b[0, nb) (n bytes at most).
std::size_t CommonTail(const char* a, std::size_t na, const char* b, std::size_t nb, std::size_t n) {
  std::size_t i = 0;
  while (i + 1024 <= n && std::memcmp(a + na - i - 1024, b + nb - i - 1024, 1024) == 0) i += 1024;
  while (i + 32 <= n && std::memcmp(a + na - i - 32, b + nb - i - 32, 32) == 0) i += 32;
  while (i < n && a[na - i - 1] == b[nb - i - 1]) ++i;
  return i;
}
}  // namespace

void TSxEditStringList::Put(int Index, const String& S) {
  if (Index == GetCount()) {
    Add(S);
    return;
  }
  PutText(Index, String(S));
}

void TSxEditStringList::PutText(int Index, String&& S) {
  if (Index == GetCount()) {
    Add(S);
    return;
  }
  CheckIndex(Index, GetCount() - 1);
  BeginUpdate();
  try {
    auto& rec = fList[static_cast<std::size_t>(Index)];
    // The common start and end of the old and new text: an edit inside a long line keeps the
    // line's index, and tells where it happened.
    const String& old = rec.Text;
    const std::size_t n = std::min(old.size(), S.size());
    std::size_t head = CommonHead(old.data(), S.data(), n);
    while (head > 0 && head < S.size() && (static_cast<unsigned char>(S[head]) & 0xC0) == 0x80) --head;
    while (head > 0 && head < old.size() && (static_cast<unsigned char>(old[head]) & 0xC0) == 0x80) --head;
    std::size_t tail = CommonTail(old.data(), old.size(), S.data(), S.size(), n - head);
    while (tail > 0 && (static_cast<unsigned char>(S[S.size() - tail]) & 0xC0) == 0x80) --tail;
    const std::size_t oldBytes = old.size() - head - tail, newBytes = S.size() - head - tail;
    LineIndex(Index);
    TextChanged();
    String before = std::move(S);
    std::swap(rec.Text, before);
    LineEdited(Index, head, oldBytes, CountChars(std::string_view(before).substr(head, oldBytes)), newBytes);
    Fire(OnLinesChanged, Index, 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSxEditStringList::EditLine(int Index, std::size_t Byte, std::size_t Count, std::string_view Text,
                                 std::string_view More) {
  CheckIndex(Index, GetCount() - 1);
  BeginUpdate();
  try {
    auto& rec = fList[static_cast<std::size_t>(Index)];
    LineIndex(Index);
    TextChanged();
    const int oldChars = CharsIn(rec.Index, rec.Text, Byte, Byte + Count);
    String& t = rec.Text;
    if (More.empty()) {
      t.replace(Byte, Count, Text);
    } else if (Byte + Count == t.size()) {
      t.resize(Byte);
      t.append(Text).append(More);
    } else {
      // One gap for both pieces: the text after them moves once.
      t.replace(Byte, Count, Text.size() + More.size(), '\0');
      std::copy(Text.begin(), Text.end(), t.begin() + static_cast<std::ptrdiff_t>(Byte));
      std::copy(More.begin(), More.end(), t.begin() + static_cast<std::ptrdiff_t>(Byte + Text.size()));
    }
    LineEdited(Index, Byte, Count, oldChars, Text.size() + More.size());
    Fire(OnLinesChanged, Index, 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

namespace {
// A value set for one call only (the line being joined, the line being cut), then put back.
template <typename T>
struct ScopedValue {
  T& slot;
  T old;
  ScopedValue(T& Slot, T Value) : slot(Slot), old(Slot) { slot = Value; }
  ~ScopedValue() { slot = old; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;
};
}  // namespace

void TSxEditStringList::JoinLines(int Index, std::string_view Between) {
  CheckIndex(Index, GetCount() - 2);
  BeginUpdate();
  try {
    const std::size_t i = static_cast<std::size_t>(Index);
    // The other line's text goes in from where it is (not copied first).
    if (fList[i + 1].Text.size() > fList[i].Text.size()) {
      // The joined line starts as the first did: its start range is known while it changes.
      fList[i + 1].Range = fList[i].Range;
      // The joined text's marks are the first line's own: not walked again.
      {
        const ScopedValue joined(fJoined, {&fList[i], 0});
        EditLine(Index + 1, 0, 0, fList[i].Text, Between);
      }
      fList[i + 1].Data = fList[i].Data;
      Delete(Index);
    } else {
      {
        const ScopedValue joined(fJoined, {&fList[i + 1], fList[i].Text.size() + Between.size()});
        EditLine(Index, fList[i].Text.size(), 0, Between, fList[i + 1].Text);
      }
      Delete(Index + 1);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TSxEditStringRec TSxEditStringList::CutPart(TSxEditStringRec& Whole, std::size_t Byte, bool First) {
  TSxEditStringRec part;
  const std::size_t from = First ? 0 : Byte, n = First ? Byte : Whole.Text.size() - Byte;
  part.Text.reserve(Room(n));
  part.Text.append(Whole.Text, from, n);
  const TSxLineIndex& idx = LineIndexOf(Whole);
  if (part.Text.size() <= static_cast<std::size_t>(TSxLineIndex::kStep)) return part;  // walked when needed
  // The line's index, changed as by an edit that removes the other part.
  part.Index.Valid = true;
  part.Index.Plain = idx.Plain;
  part.Index.Chars = idx.Chars;
  if (idx.Marks) part.Index.Marks = std::make_unique<TSxLineIndex::MarkList>(*idx.Marks);
  const std::string_view other = First ? std::string_view(Whole.Text).substr(Byte) : std::string_view(Whole.Text).substr(0, Byte);
  int at = 0, newChars = 0;
  const int otherChars = First ? CharsIn(idx, Whole.Text, Byte, Whole.Text.size()) : CharsIn(idx, Whole.Text, 0, Byte);
  if (!UpdateIndex(part, First ? Byte : 0, other.size(), otherChars, 0, at, newChars)) part.Index = TSxLineIndex();
  return part;
}

void TSxEditStringList::SplitLine(int Index, std::size_t Byte) {
  CheckIndex(Index, GetCount() - 1);
  BeginUpdate();
  try {
    const std::size_t i = static_cast<std::size_t>(Index);
    const std::size_t size = fList[i].Text.size();
    if (size - Byte > Byte) {
      // The new line's index is taken from the line's: it is not walked again.
      TSxEditStringRec head = CutPart(fList[i], Byte, true);
      InsertItem(Index, std::move(head.Text), nullptr, &head.Index);
      {
        const ScopedValue cutting(fCuttingFrom, Index + 1);
        Fire(OnLinesInserted, Index, 1);
      }
      std::swap(fList[i].Data, fList[i + 1].Data);
      fList[i].Range = fList[i + 1].Range;
      EditLine(Index + 1, 0, Byte, std::string_view());
    } else {
      TSxEditStringRec tail = CutPart(fList[i], Byte, false);
      InsertItem(Index + 1, std::move(tail.Text), nullptr, &tail.Index);
      {
        const ScopedValue cutting(fCuttingFrom, Index);
        Fire(OnLinesInserted, Index + 1, 1);
      }
      EditLine(Index, Byte, size - Byte, std::string_view());
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSxEditStringList::LineEdited(int Index, std::size_t Byte, std::size_t OldBytes, int OldChars,
                                   std::size_t NewBytes) {
  auto& rec = fList[static_cast<std::size_t>(Index)];
  // A line without tabs that got none stays without: its marks are not all asked again.
  const bool noTabs = (rec.Flags & lfHasNoTabs) &&
                      std::string_view(rec.Text).substr(Byte, NewBytes).find('\t') == std::string_view::npos;
  rec.Flags = noTabs ? lfExpandedLengthUnknown | lfHasNoTabs : lfExpandedLengthUnknown;
  rec.ExpandedLength = -1;
  int at = 0, newChars = 0;
  if (UpdateIndex(rec, Byte, OldBytes, OldChars, NewBytes, at, newChars)) {
    fLastEdit = TSxInLineEdit{Index, fTextSerial, at, OldChars, newChars, Byte, OldBytes, NewBytes};
    if (fJoined.Rec) fLastEdit.Joined = fJoined.Rec < &rec ? -1 : 1;
  } else {
    rec.Index.Valid = false;
  }
  {
    if (fIndexOfLongestLine == Index) {
      // Still the longest when it did not shrink below the old length; else rescan lazily.
      const int old = fLongestLength;
      if (ExpandedLength(Index) < old) fIndexOfLongestLine = -1;
    } else {
      NoteLength(Index);
    }
    if (fIndexOfLongestLine >= 0) fLongestLength = ExpandedLength(fIndexOfLongestLine);
  }
}

void TSxEditStringList::PutObject(int Index, TObject* Obj) {
  CheckIndex(Index, GetCount() - 1);
  BeginUpdate();
  fList[static_cast<std::size_t>(Index)].Data = Obj;
  EndUpdate();
}

void TSxEditStringList::Delete(int Index) {
  CheckIndex(Index, GetCount() - 1);
  BeginUpdate();
  try {
    fList.erase(fList.begin() + Index);
    TextChanged();
    if (fIndexOfLongestLine == Index)
      fIndexOfLongestLine = -1;
    else if (fIndexOfLongestLine > Index)
      --fIndexOfLongestLine;
    Fire(OnLinesDeleted, Index, 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSxEditStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1, GetCount() - 1);
  CheckIndex(Index2, GetCount() - 1);
  BeginUpdate();
  std::swap(fList[static_cast<std::size_t>(Index1)], fList[static_cast<std::size_t>(Index2)]);
  TextChanged();
  if (fIndexOfLongestLine == Index1)
    fIndexOfLongestLine = Index2;
  else if (fIndexOfLongestLine == Index2)
    fIndexOfLongestLine = Index1;
  EndUpdate();
}

void TSxEditStringList::Clear() {
  if (!fList.empty()) {
    BeginUpdate();
    try {
      std::vector<TSxEditStringRec>().swap(fList);
      TextChanged();
      fIndexOfLongestLine = -1;
      if (OnCleared) OnCleared(this);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  fIndexOfLongestLine = -1;
}

void TSxEditStringList::AddStrings(TStrings* Strings) {
  if (!Strings || Strings->Count() == 0) return;
  BeginUpdate();
  try {
    const int first = GetCount(), n = Strings->Count();
    const std::size_t want = static_cast<std::size_t>(first + n + 15) / 16 * 16;
    if (want > fList.capacity()) fList.reserve(want);
    for (int i = 0; i < n; ++i) {
      TSxEditStringRec rec;
      rec.Text = Strings->Get(i);
      GiveRoom(rec.Text);
      rec.Data = Strings->GetObject(i);
      fList.push_back(std::move(rec));
    }
    fIndexOfLongestLine = -1;
    TextChanged();
    Fire(OnLinesInserted, first, n);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TSxEditStringList::Text() const {
  if (fList.empty()) return String();
  std::size_t size = 2 * (fList.size() - 1);
  for (const auto& rec : fList) size += rec.Text.size();
  String out;
  out.reserve(size);
  for (std::size_t i = 0; i < fList.size(); ++i) {
    if (i) out += "\r\n";
    out += fList[i].Text;
  }
  return out;
}

void TSxEditStringList::DoSetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) throw EListError("Stringlist capacity cannot be smaller than count");
  if (static_cast<std::size_t>(NewCapacity) > fList.capacity()) {
    fList.reserve(static_cast<std::size_t>(NewCapacity));
  } else if (static_cast<std::size_t>(NewCapacity) < fList.capacity()) {
    std::vector<TSxEditStringRec> copy;
    copy.reserve(static_cast<std::size_t>(NewCapacity));
    for (auto& rec : fList) copy.push_back(std::move(rec));
    fList.swap(copy);
  }
}

void TSxEditStringList::SetUpdateState(bool Updating) {
  // Every change happens inside an update.
  Changed();
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else {
    if (OnChange) OnChange(this);
  }
}

void TSxEditStringList::InsertLines(int Index, int NumLines) {
  CheckIndex(Index, GetCount());
  if (NumLines <= 0) return;
  BeginUpdate();
  try {
    // Grows geometrically rather than to the exact size, so that a run of single-line
    // inserts does not reallocate every time.
    Grow(fList.size() + static_cast<std::size_t>(NumLines));
    fList.insert(fList.begin() + Index, static_cast<std::size_t>(NumLines), TSxEditStringRec{});
    TextChanged();
    if (fIndexOfLongestLine >= Index) fIndexOfLongestLine += NumLines;
    Fire(OnLinesInserted, Index, NumLines);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSxEditStringList::DeleteLines(int Index, int NumLines) {
  if (NumLines <= 0) return;
  CheckIndex(Index, GetCount());
  const int count = std::min(NumLines, GetCount() - Index);
  BeginUpdate();
  try {
    fList.erase(fList.begin() + Index, fList.begin() + Index + count);
    TextChanged();
    if (fIndexOfLongestLine >= Index + count)
      fIndexOfLongestLine -= count;
    else if (fIndexOfLongestLine >= Index)
      fIndexOfLongestLine = -1;
    Fire(OnLinesDeleted, Index, count);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TSxRange TSxEditStringList::Range(int Index) const {
  if (Index < 0 || Index >= GetCount()) return 0;
  return fList[static_cast<std::size_t>(Index)].Range;
}

void TSxEditStringList::SetRange(int Index, TSxRange Value) {
  CheckIndex(Index, GetCount() - 1);
  BeginUpdate();
  fList[static_cast<std::size_t>(Index)].Range = Value;
  EndUpdate();
}

const String& TSxEditStringList::LineRef(int Index) const {
  static const String empty;
  if (Index < 0 || Index >= GetCount()) return empty;
  return fList[static_cast<std::size_t>(Index)].Text;
}

namespace {
int NextColumn(char c, int x, int tabWidth) { return c == '\t' ? (tabWidth <= 1 ? x + 1 : x + tabWidth - x % tabWidth) : x + 1; }

// The mark moved on through the bytes up to `to`: character and column there.
TSxLineIndex::Mark WalkTo(const String& s, TSxLineIndex::Mark m, std::size_t to, int tabWidth) {
  for (std::size_t p = m.Byte; p < to; p += static_cast<std::size_t>(SxCharBytes(s, p))) {
    m.Col = NextColumn(s[p], m.Col, tabWidth);
    ++m.Char;
  }
  m.Byte = static_cast<std::uint32_t>(to);
  return m;
}

// Text whose columns moved by a shift that is no whole number of tab stops: past a tab in
// [from, to) the shift becomes one. Answers the shift after the interval, walked once from its
// new column and its old one.
int ShiftAfterTab(const String& s, std::size_t from, std::size_t to, int newCol, int oldCol, int tabWidth) {
  for (std::size_t p = from; p < to; p += static_cast<std::size_t>(SxCharBytes(s, p))) {
    newCol = NextColumn(s[p], newCol, tabWidth);
    oldCol = NextColumn(s[p], oldCol, tabWidth);
  }
  return newCol - oldCol;
}

// The number of the index's first marks for which Before holds (it holds for a start of them).
template <typename Pred>
std::size_t MarksBefore(const TSxLineIndex& idx, Pred Before) {
  return idx.Marks ? idx.Marks->CountBefore(Before) : Before(idx.At(0)) ? 1 : 0;
}

// The last mark at or before the 0-based character.
std::size_t MarkBeforeChar(const TSxLineIndex& idx, int c0) {
  const std::size_t n = MarksBefore(idx, [c0](const TSxLineIndex::Mark& m) { return m.Char <= c0; });
  return n == 0 ? 0 : n - 1;
}

int CharsIn(const TSxLineIndex& idx, std::string_view s, std::size_t From, std::size_t To) {
  if (idx.Valid && idx.Plain) return static_cast<int>(To - From);
  // A long range of a long line is counted from the marks at its ends.
  if (!idx.Valid || !idx.Marks || To - From < 4 * static_cast<std::size_t>(TSxLineIndex::kStep))
    return CountChars(s.substr(From, To - From));
  auto before = [&](std::size_t b) {
    const TSxLineIndex::Mark m = idx.At(MarksBefore(idx, [b](const TSxLineIndex::Mark& k) { return k.Byte <= b; }) - 1);
    return m.Char + CountChars(s.substr(m.Byte, b - m.Byte));
  };
  return before(To) - before(From);
}
}  // namespace

int TSxEditStringList::WalkMarks(const String& s, TSxLineIndex::Mark from, std::size_t to,
                                 std::vector<TSxLineIndex::Mark>& marks) const {
  // Appends marks every kStep characters from `from` (a mark itself) until byte `to`; answers
  // the character index reached.
  std::size_t pos = from.Byte;
  int ci = from.Char, x = from.Col, step = 0;
  for (; pos < to; ++ci, ++step) {
    if (step % TSxLineIndex::kStep == 0) marks.push_back({static_cast<std::uint32_t>(pos), ci, x, false});
    if (s[pos] == '\t') marks.back().Tab = true;
    x = NextColumn(s[pos], x, fTabWidth);
    pos += static_cast<std::size_t>(SxCharBytes(s, pos));
  }
  return ci;
}

void TSxEditStringList::WalkMarksJoined(const String& s, TSxLineIndex::Mark From, std::size_t To,
                                         std::vector<TSxLineIndex::Mark>& Marks) const {
  // Walked to where the joined line's text starts, its marks moved there, walked on from its end.
  const TSxLineIndex& known = fJoined.Rec->Index;
  const std::size_t kb = fJoined.At, ke = kb + fJoined.Rec->Text.size();
  WalkMarks(s, From, kb, Marks);
  const TSxLineIndex::Mark at = WalkTo(s, Marks.empty() ? From : Marks.back(), kb, fTabWidth);
  // Its marks: the known ones, or every kStep characters of a plain line.
  const std::size_t n = known.Plain ? (ke - kb + TSxLineIndex::kStep - 1) / TSxLineIndex::kStep : known.Count();
  auto mark = [&](std::size_t k) {
    if (!known.Plain) return known.At(k);
    const int c = static_cast<int>(k) * TSxLineIndex::kStep;
    return TSxLineIndex::Mark{static_cast<std::uint32_t>(c), c, c, false};
  };
  int dCol = at.Col;
  for (std::size_t k = 0; k < n; ++k) {
    TSxLineIndex::Mark m = mark(k);
    const int oldCol = m.Col;
    m.Byte = static_cast<std::uint32_t>(m.Byte + kb);
    m.Char += at.Char;
    m.Col += dCol;
    Marks.push_back(m);
    // Past a tab the shift becomes a whole number of tab stops: walked once over the interval.
    if (m.Tab && fTabWidth > 1 && dCol % fTabWidth != 0)
      dCol = ShiftAfterTab(s, m.Byte, k + 1 < n ? mark(k + 1).Byte + kb : ke, m.Col, oldCol, fTabWidth);
  }
  if (ke < To) WalkMarks(s, WalkTo(s, Marks.empty() ? at : Marks.back(), ke, fTabWidth), To, Marks);
}

bool TSxEditStringList::UpdateIndex(TSxEditStringRec& Rec, std::size_t Byte, std::size_t OldBytes, int OldChars,
                                    std::size_t NewBytes, int& Char, int& NewChars) {
  TSxLineIndex& idx = Rec.Index;
  const String& s = Rec.Text;
  if (!idx.Valid) return false;
  const std::string_view text(s);
  // A line joined into the new text is known from its index: only the text around it is read.
  const bool joined = fJoined.Rec && fJoined.Rec->Index.Valid && fJoined.At >= Byte &&
                      fJoined.At + fJoined.Rec->Text.size() <= Byte + NewBytes;
  const std::size_t joinedEnd = joined ? fJoined.At + fJoined.Rec->Text.size() : Byte + NewBytes;
  const std::string_view before = text.substr(Byte, (joined ? fJoined.At : joinedEnd) - Byte),
                         after = text.substr(joinedEnd, Byte + NewBytes - joinedEnd);
  NewChars = CountChars(before) + CountChars(after) + (joined ? fJoined.Rec->Index.Chars : 0);
  if (idx.Plain) {
    const bool plain = IsPlainText(before) && IsPlainText(after) && (!joined || fJoined.Rec->Index.Plain);
    Char = static_cast<int>(Byte);
    if (plain) {
      idx.Chars += NewChars - OldChars;
      return true;
    }
    if (s.size() <= static_cast<std::size_t>(TSxLineIndex::kStep)) {
      idx.Valid = false;
      LineIndexOf(Rec);
      return true;
    }
    // A first tab or accent in a long line: marks from here on.
    idx.Plain = false;
    idx.Marks = std::make_unique<TSxLineIndex::MarkList>();
    idx.Chars = WalkMarks(s, TSxLineIndex::Mark{0, 0, 0, false}, s.size(), idx.Marks->List);
    return true;
  }
  if (!idx.Marks) {
    // A short line: walked whole again.
    Char = CountChars(text.substr(0, Byte));
    idx.Valid = false;
    LineIndexOf(Rec);
    return true;
  }
  std::vector<TSxLineIndex::Mark>& marks = idx.Marks->List;
  TSxLineIndex::MarkList& owed = *idx.Marks;
  // The last mark at or before the edit stays; new marks are walked from it past the edit to
  // the first old mark after it, whose column tells how the columns after the edit moved.
  const std::size_t k0 = MarksBefore(idx, [Byte](const TSxLineIndex::Mark& m) { return m.Byte <= Byte; }) - 1;
  const std::size_t oldEnd = Byte + OldBytes;
  std::size_t k1 = k0 + 1;
  while (k1 < marks.size() && idx.At(k1).Byte < oldEnd) ++k1;
  // The marks up to k1 are changed or replaced here: they get the shift still owed to them.
  idx.Settle(k1);
  const std::ptrdiff_t dByte = static_cast<std::ptrdiff_t>(NewBytes) - static_cast<std::ptrdiff_t>(OldBytes);
  const int dChar = NewChars - OldChars;
  // The marks from k0 up to k1 are walked again into fFreshMarks; those from k1 on move where they
  // are, and the walked ones then take the place of the old ones (the marks after them shift
  // once, and only when their number changed).
  std::vector<TSxLineIndex::Mark>& fresh = fFreshMarks;
  fresh.clear();
  const TSxLineIndex::Mark start = marks[k0];
  const std::size_t to = k1 < marks.size() ? static_cast<std::size_t>(static_cast<std::ptrdiff_t>(idx.At(k1).Byte) + dByte) : s.size();
  if (fJoined.Rec && fJoined.Rec->Index.Valid && (fJoined.Rec->Index.Plain || fJoined.Rec->Index.Marks) &&
      fJoined.At >= start.Byte &&
      fJoined.At + fJoined.Rec->Text.size() <= std::min(to, Byte + NewBytes) && fJoined.At >= Byte)
    WalkMarksJoined(s, start, to, fresh);
  else
    WalkMarks(s, start, to, fresh);
  // The edit's character index: from the kept mark through the unchanged bytes before it.
  Char = start.Char + CountChars(text.substr(start.Byte, Byte - start.Byte));
  // The column at `to`, walked over the last fresh interval.
  const int x = WalkTo(s, fresh.empty() ? start : fresh.back(), to, fTabWidth).Col;
  int dCol = k1 < marks.size() ? x - idx.At(k1).Col : 0;
  // Whether the columns moved by whole tab stops (tabs then keep their widths).
  bool stops = fTabWidth <= 1 || dCol % fTabWidth == 0;
  std::size_t i = k1;
  for (; i < marks.size() && !stops; ++i) {
    idx.Settle(i + 1);
    TSxLineIndex::Mark& m = marks[i];
    m.Byte = static_cast<std::uint32_t>(static_cast<std::ptrdiff_t>(m.Byte) + dByte);
    m.Char += dChar;
    const int oldCol = m.Col;
    m.Col += dCol;
    // Past a tab the shift becomes a whole number of tab stops: walked once over the interval.
    if (m.Tab && i + 1 < marks.size()) {
      const std::size_t end = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(idx.At(i + 1).Byte) + dByte);
      dCol = ShiftAfterTab(s, m.Byte, end, m.Col, oldCol, fTabWidth);
      stops = dCol % fTabWidth == 0;
    }
  }
  // The rest moves by whole tab stops: the marks from i on owe that shift.
  owed.Move(i, {dByte, dChar, dCol});
  const std::size_t walked = k1 - k0;
  if (fresh.size() > walked && fresh.size() >= 2) {
    // The last walked mark goes when the interval it closes stays under two steps: typing in
    // one place then does not move every mark after it at each keystroke.
    const int next = k1 < marks.size() ? idx.At(k1).Char : idx.Chars + dChar;
    const TSxLineIndex::Mark last = fresh.back();
    if (next - fresh[fresh.size() - 2].Char < 2 * TSxLineIndex::kStep) {
      fresh.pop_back();
      fresh.back().Tab = fresh.back().Tab || last.Tab;
    }
  }
  owed.Replace(k0, walked, fresh);
  if (marks.empty()) {
    marks.push_back({0, 0, 0, false});
    idx.NoneMoved();
  }
  idx.Chars += dChar;
  return true;
}

const TSxLineIndex& TSxEditStringList::LineIndex(int Index) {
  static const TSxLineIndex none = [] {
    TSxLineIndex i;
    i.Valid = i.Plain = true;
    return i;
  }();
  if (Index < 0 || Index >= GetCount()) return none;
  return LineIndexOf(fList[static_cast<std::size_t>(Index)]);
}

const TSxLineIndex& TSxEditStringList::LineIndexOf(TSxEditStringRec& rec) {
  TSxLineIndex& idx = rec.Index;
  if (idx.Valid) return idx;
  const String& s = rec.Text;
  idx.NoneMoved();
  idx.Plain = IsPlainText(s);
  if (idx.Plain) {
    idx.Marks.reset();
    idx.Chars = static_cast<int>(s.size());
  } else if (s.size() <= static_cast<std::size_t>(TSxLineIndex::kStep)) {
    // A short line needs no marks (a walk from its start is as short): most lines of a file
    // with tabs or accents cost nothing more to hold.
    idx.Marks.reset();
    int ci = 0;
    for (std::size_t pos = 0; pos < s.size(); ++ci) pos += static_cast<std::size_t>(SxCharBytes(s, pos));
    idx.Chars = ci;
  } else {
    if (!idx.Marks) idx.Marks = std::make_unique<TSxLineIndex::MarkList>();
    std::vector<TSxLineIndex::Mark>& marks = idx.Marks->List;
    marks.clear();
    idx.Chars = WalkMarks(s, TSxLineIndex::Mark{0, 0, 0, false}, s.size(), marks);
    if (marks.empty()) marks.push_back({0, 0, 0, false});
  }
  idx.Valid = true;
  return idx;
}

bool TSxEditStringList::IsPlainLine(int Index) { return LineIndex(Index).Plain; }

int TSxEditStringList::CharCount(int Index) { return LineIndex(Index).Chars; }

std::size_t TSxEditStringList::CharOffset(int Index, int Char) {
  const TSxLineIndex& idx = LineIndex(Index);
  const String& s = LineRef(Index);
  const int c0 = Char - 1;
  if (c0 <= 0) return 0;
  if (c0 >= idx.Chars) return s.size();
  if (idx.Plain) return static_cast<std::size_t>(c0);
  const TSxLineIndex::Mark m = idx.At(MarkBeforeChar(idx, c0));
  std::size_t pos = m.Byte;
  for (int ci = m.Char; ci < c0 && pos < s.size(); ++ci)
    pos += static_cast<std::size_t>(SxCharBytes(s, pos));
  return pos;
}

int TSxEditStringList::CharToColumn(int Index, int Char) {
  const TSxLineIndex& idx = LineIndex(Index);
  const int c0 = std::max(Char - 1, 0);
  if (idx.Plain) return c0 + 1;
  const String& s = LineRef(Index);
  const TSxLineIndex::Mark m = idx.At(MarkBeforeChar(idx, std::min(c0, idx.Chars)));
  std::size_t pos = m.Byte;
  int x = m.Col;
  int ci = m.Char;
  for (; ci < c0 && pos < s.size(); ++ci) {
    x = s[pos] == '\t' ? (fTabWidth <= 1 ? x + 1 : x + fTabWidth - x % fTabWidth) : x + 1;
    pos += static_cast<std::size_t>(SxCharBytes(s, pos));
  }
  return x + (c0 - ci) + 1;
}

int TSxEditStringList::ColumnToChar(int Index, int Column) {
  const TSxLineIndex& idx = LineIndex(Index);
  if (idx.Plain) return std::max(Column, 1);
  const String& s = LineRef(Index);
  // The last indexed character whose column lies before the wanted one.
  const std::size_t k = MarksBefore(idx, [Column](const TSxLineIndex::Mark& m) { return m.Col < Column; });
  const TSxLineIndex::Mark m = idx.At(k == 0 ? 0 : k - 1);
  std::size_t pos = m.Byte;
  int w = m.Col, consumed = m.Char;
  while (true) {
    int next;
    if (pos < s.size())
      next = s[pos] == '\t' ? (fTabWidth <= 1 ? w + 1 : w + fTabWidth - w % fTabWidth) : w + 1;
    else
      next = w + 1;
    if (next >= Column) break;
    w = next;
    ++consumed;
    if (pos < s.size()) pos += static_cast<std::size_t>(SxCharBytes(s, pos));
  }
  return consumed + 1;
}

String TSxEditStringList::ExpandString(int Index) {
  auto& rec = fList[static_cast<std::size_t>(Index)];
  if (rec.Text.empty()) {
    rec.Flags = lfHasNoTabs;
    rec.ExpandedLength = 0;
    return String();
  }
  bool hasTabs = false;
  String s = fConvertTabsProc(rec.Text, fTabWidth, hasTabs);
  rec.ExpandedLength = SxCharCount(s);
  rec.Flags = hasTabs ? lfHasTabs : lfHasNoTabs;
  return s;
}

String TSxEditStringList::ExpandedString(int Index) {
  if (Index < 0 || Index >= GetCount()) return String();
  const auto& rec = fList[static_cast<std::size_t>(Index)];
  if (rec.Flags & lfHasNoTabs) return rec.Text;
  return ExpandString(Index);
}

int TSxEditStringList::ExpandedLength(int Index) {
  if (Index < 0 || Index >= GetCount()) return 0;
  auto& rec = fList[static_cast<std::size_t>(Index)];
  if (rec.Flags & lfExpandedLengthUnknown) {
    // Only the width is needed: measure without building the expanded string.
    const TSxLineIndex& idx = LineIndex(Index);
    rec.ExpandedLength = idx.Plain ? idx.Chars : CharToColumn(Index, idx.Chars + 1) - 1;
    bool tabs = false;
    if (rec.Flags & lfHasNoTabs) {
      // Known to have none.
    } else if (idx.Marks) {
      tabs = std::any_of(idx.Marks->List.begin(), idx.Marks->List.end(), [](const TSxLineIndex::Mark& m) { return m.Tab; });
    } else if (!idx.Plain) {
      tabs = rec.Text.find('\t') != String::npos;
    }
    rec.Flags = tabs ? lfHasTabs : lfHasNoTabs;
  }
  return rec.ExpandedLength;
}

int TSxEditStringList::LengthOfLongestLine() {
  if (fIndexOfLongestLine < 0) {
    int best = 0;
    for (int i = 0; i < GetCount(); ++i) {
      const int len = ExpandedLength(i);
      if (len > best) {
        best = len;
        fIndexOfLongestLine = i;
      }
    }
    fLongestLength = best;
  }
  return fIndexOfLongestLine < 0 ? 0 : fList[static_cast<std::size_t>(fIndexOfLongestLine)].ExpandedLength;
}

void TSxEditStringList::SetTabWidth(int Value) {
  if (Value == fTabWidth) return;
  fTabWidth = Value;
  Changed();
  fConvertTabsProc = GetBestConvertTabsProcEx(Value);
  fIndexOfLongestLine = -1;
  for (auto& rec : fList) {
    rec.ExpandedLength = -1;
    rec.Flags = static_cast<std::uint8_t>((rec.Flags & ~lfHasNoTabs) | lfExpandedLengthUnknown);
    rec.Index.Valid = false;
  }
  TextChanged();
}

// ---------------------------------------------------------------------------------------------
// Loading and saving

const char* TSxEditStringList::LineBreak() const {
  switch (fLineBreakStyle) {
    case lbsLf: return "\n";
    case lbsCr: return "\r";
    default: return "\r\n";
  }
}

void TSxEditStringList::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const std::int64_t size = Stream->Size();
  String data(static_cast<std::size_t>(size), '\0');
  if (size > 0) Stream->ReadBuffer(data.data(), size);
  BeginUpdate();
  try {
    Clear();
    bool crSeen = false, lfSeen = false;
    std::size_t p = 0;
    const std::size_t n = data.size();
    // The records are allocated once, at their final number (a large file would otherwise
    // grow the list step by step and keep the slack).
    std::size_t breaks = 1;
    for (std::size_t i = 0; i < n; ++i)
      if (data[i] == '\n' || (data[i] == '\r' && (i + 1 >= n || data[i + 1] != '\n'))) ++breaks;
    fList.reserve(breaks);
    while (p < n) {
      std::size_t e = p;
      while (e < n && data[e] != '\r' && data[e] != '\n') ++e;
      Add(data.substr(p, e - p));
      p = e;
      if (p < n && data[p] == '\r') {
        ++p;
        crSeen = true;
      }
      if (p < n && data[p] == '\n') {
        ++p;
        lfSeen = true;
      }
    }
    if (!fAppendLineBreakAtEnd && n > 0 && (data[n - 1] == '\r' || data[n - 1] == '\n')) Add(String());
    fLineBreakStyle = crSeen && !lfSeen ? lbsCr : lfSeen && !crSeen ? lbsLf : lbsCrLf;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSxEditStringList::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&stream);
}

void TSxEditStringList::SaveToStream(TStream* Stream) {
  if (fList.empty()) return;
  const String sep = LineBreak();
  std::size_t size = 0;
  for (const auto& rec : fList) size += rec.Text.size() + sep.size();
  if (!fAppendLineBreakAtEnd) size -= sep.size();
  String out;
  out.reserve(size);
  for (std::size_t i = 0; i < fList.size(); ++i) {
    out += fList[i].Text;
    if (fAppendLineBreakAtEnd || i + 1 < fList.size()) out += sep;
  }
  Stream->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

namespace {

// A temporary file beside the target, removed again unless committed.
class TempBeside {
public:
  explicit TempBeside(const String& target) : fTarget(target) {
    struct stat st {};
    const bool exists = lstat(target.c_str(), &st) == 0;
    // Replacing a link or a special file by rename would change what the name is.
    if (exists && !S_ISREG(st.st_mode)) return;
    // A file the user may not write stays refused, as writing it in place would be.
    if (exists && access(target.c_str(), W_OK) != 0) return;
    // A new file gets 0666 less the umask, as any newly created file; a replaced file keeps
    // its permission bits.
    const mode_t mode = exists ? (st.st_mode & 07777) : 0666;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const unsigned tag = static_cast<unsigned>(getpid()) * 2654435761u ^
                           static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           (++counter * 40503u);
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, ".~%06x", tag & 0xFFFFFF);
      const String name = target + suffix;
      const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return;
      }
      if (exists) fchmod(fd, mode);  // the umask may have removed bits
      close(fd);
      fName = name;
      return;
    }
  }
  ~TempBeside() {
    if (!fName.empty() && !fCommitted) std::remove(fName.c_str());
  }
  const String& Name() const { return fName; }
  bool Commit() {
    fCommitted = std::rename(fName.c_str(), fTarget.c_str()) == 0;
    return fCommitted;
  }

private:
  String fTarget, fName;
  bool fCommitted = false;
};

}  // namespace

void TSxEditStringList::SaveToFile(const String& FileName) {
  auto writeAll = [this](const String& name, std::uint16_t mode, bool sync) {
    auto* stream = new TFileStream(name, mode);
    TSxEditFileWriter writer(stream);
    writer.SetLineBreakStyle(fLineBreakStyle);
    for (std::size_t i = 0; i < fList.size(); ++i) {
      if (fAppendLineBreakAtEnd || i + 1 < fList.size())
        writer.WriteLine(fList[i].Text);
      else
        writer.Write(fList[i].Text);
    }
    writer.Flush();
    // A full disk can show only when the data reaches it: the temporary file replaces the
    // target only once it is known to be complete.
    if (sync && fsync(stream->Handle()) != 0) throw EWriteError("Stream write error");
  };
  TempBeside temp(FileName);
  if (temp.Name().empty()) {
    // No temporary file possible here (a read-only folder, a link): write in place.
    writeAll(FileName, fmCreate, false);
    return;
  }
  writeAll(temp.Name(), fmOpenWrite, true);
  if (!temp.Commit()) throw EFCreateError("Cannot create file \"" + FileName + "\". Rename failed");
}

TSxEditFileWriter::TSxEditFileWriter(TStream* Stream) : fStream(Stream), fBuffer(16384) {}

TSxEditFileWriter::~TSxEditFileWriter() {
  try {
    Flush();
  } catch (...) {
    // A failure here cannot be reported; callers that need to know call Flush first.
  }
  delete fStream;
}

void TSxEditFileWriter::Append(const char* p, std::size_t n) {
  if (n > fBuffer.size() - fPos) {
    Flush();
    if (n > fBuffer.size()) fBuffer.resize(n);
  }
  std::copy(p, p + n, fBuffer.begin() + static_cast<std::ptrdiff_t>(fPos));
  fPos += n;
}

void TSxEditFileWriter::Write(const String& Text) { Append(Text.data(), Text.size()); }

void TSxEditFileWriter::WriteLine(const String& Text) {
  const char* sep = fLineBreakStyle == lbsCrLf ? "\r\n" : fLineBreakStyle == lbsLf ? "\n" : "\r";
  String s = Text;
  s += sep;
  Append(s.data(), s.size());
}

void TSxEditFileWriter::Flush() {
  if (fPos == 0) return;
  // The buffer counts as written even when writing fails, so that it is never written twice.
  const std::size_t n = fPos;
  fPos = 0;
  fStream->WriteBuffer(fBuffer.data(), static_cast<std::int64_t>(n));
}
