#pragma once
// The editor's line buffer: a string list of line records that also keeps, per line, the
// highlighter range at the line's start and the cached width after tab expansion, and tells
// its owner about every change. It loads and saves text with the line-break style it found.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "editor/SxEditMiscProcs.h"
#include "editor/SxEditTypes.h"
#include "platform/core/Classes.h"

VT_DECLARE_EXCEPTION(ESxEditStringList, Exception);

enum TSxEditStringFlag : std::uint8_t { lfHasTabs = 1, lfHasNoTabs = 2, lfExpandedLengthUnknown = 4 };

// Positions along a line, in order, of which those from Moved on still owe the shift that
// edits before them made (typing in one place would otherwise move every position after it at
// each keystroke). Shift is the owed move: Apply(T&) and +=.
template <typename T, typename Shift>
struct TSxOwedShiftList {
  std::vector<T> List;
  std::size_t Moved = SIZE_MAX;
  Shift Owed{};
  std::size_t size() const { return List.size(); }
  // The position, shifted.
  T At(std::size_t i) const {
    T v = List[i];
    if (i >= Moved) Owed.Apply(v);
    return v;
  }
  // The shift applied to the positions before To.
  void Settle(std::size_t To = SIZE_MAX) {
    for (; Moved < To && Moved < List.size(); ++Moved) Owed.Apply(List[Moved]);
    if (Moved >= List.size()) NoneMoved();
  }
  void NoneMoved() {
    Moved = SIZE_MAX;
    Owed = Shift{};
  }
  // The positions from From on move by S: owed from where they owe already, applied to those
  // between.
  void Move(std::size_t From, const Shift& S) {
    Settle(From);
    if (From >= List.size()) return;
    if (Moved == SIZE_MAX) {
      Moved = From;
    } else {
      for (std::size_t k = From; k < Moved; ++k) S.Apply(List[k]);
    }
    Owed += S;
  }
  // The number of first positions for which Before holds (it holds for a start of them),
  // from First on.
  template <typename Pred>
  std::size_t CountBefore(Pred Before, std::size_t First = 0) const {
    for (std::size_t n = List.size() - First; n > 0;) {
      const std::size_t half = n / 2;
      if (Before(At(First + half))) {
        First += half + 1;
        n -= half + 1;
      } else {
        n = half;
      }
    }
    return First;
  }
  // Old positions at At replaced by Fresh ones, which owe nothing: those after them move in the
  // list once, and only when their number changed.
  void Replace(std::size_t At, std::size_t Old, std::span<const T> Fresh) {
    if (At + Old >= List.size()) {
      Settle(At);
      List.resize(At);
      NoneMoved();
      List.insert(List.end(), Fresh.begin(), Fresh.end());
      return;
    }
    Settle(At + Old);
    const auto at = List.begin() + static_cast<std::ptrdiff_t>(At);
    const auto old = static_cast<std::ptrdiff_t>(Old);
    if (Fresh.size() > Old) {
      // Those beyond the old ones go in as they are (a join brings thousands).
      std::copy(Fresh.begin(), Fresh.begin() + old, at);
      List.insert(at + old, Fresh.begin() + old, Fresh.end());
    } else {
      if (Fresh.size() < Old) List.erase(at + static_cast<std::ptrdiff_t>(Fresh.size()), at + old);
      std::copy(Fresh.begin(), Fresh.end(), List.begin() + static_cast<std::ptrdiff_t>(At));
    }
    if (Moved != SIZE_MAX) Moved = Moved + Fresh.size() - Old;
  }
};

// What a line needs to map characters to bytes and columns without walking it whole: built
// on first use, and kept through an edit inside the line (only the part around the edit is
// walked again). A line of ASCII without tabs maps directly; others longer than kStep bytes
// keep marks about every kStep characters (two kStep at most apart).
struct TSxLineIndex {
  static constexpr int kStep = 128;
  struct Mark {
    std::uint32_t Byte;
    int Char;  // 0-based character index
    int Col;   // 0-based column
    bool Tab;  // a tab lies between this mark and the next
  };
  bool Valid = false;
  bool Plain = false;  // ASCII without tabs: character = byte = column
  int Chars = 0;
  // An edit moves the marks after it by whole tab stops (past a tab the shift becomes one).
  struct MarkShift {
    std::ptrdiff_t Bytes = 0;
    int Chars = 0, Cols = 0;
    void Apply(Mark& m) const {
      m.Byte = static_cast<std::uint32_t>(static_cast<std::ptrdiff_t>(m.Byte) + Bytes);
      m.Char += Chars;
      m.Col += Cols;
    }
    MarkShift& operator+=(const MarkShift& o) {
      Bytes += o.Bytes;
      Chars += o.Chars;
      Cols += o.Cols;
      return *this;
    }
  };
  using MarkList = TSxOwedShiftList<Mark, MarkShift>;
  std::unique_ptr<MarkList> Marks;  // only for lines that are not plain and longer than kStep bytes
  std::size_t Count() const { return Marks ? Marks->size() : 1; }
  Mark At(std::size_t i) const { return Marks ? Marks->At(i) : Mark{0, 0, 0, false}; }
  void Settle(std::size_t To) { Marks->Settle(To); }
  void NoneMoved() {
    if (Marks) Marks->NoneMoved();
  }

  TSxLineIndex() = default;
  TSxLineIndex(TSxLineIndex&&) noexcept = default;
  TSxLineIndex& operator=(TSxLineIndex&&) noexcept = default;
  // A copy starts without an index: it is rebuilt on first use.
  TSxLineIndex(const TSxLineIndex&) {}
  TSxLineIndex& operator=(const TSxLineIndex& other) {
    if (this != &other) *this = TSxLineIndex();
    return *this;
  }
};

struct TSxEditStringRec {
  String Text;
  TObject* Data = nullptr;
  TSxRange Range = -1;
  int ExpandedLength = -1;
  std::uint8_t Flags = lfExpandedLengthUnknown;
  TSxLineIndex Index;
};

using TStringListChangeEvent = TEvent<void(TObject* Sender, int Index, int Count)>;

// The last change of one line's text made in place: where it happened and what it replaced.
// Char and the counts are characters, 0-based.
struct TSxInLineEdit {
  int Line = -1;  // 0-based; -1 when the last change was not such an edit
  std::uint64_t Serial = 0;  // the text serial after the edit
  int Char = 0, OldChars = 0, NewChars = 0;
  std::size_t Byte = 0, OldBytes = 0, NewBytes = 0;
  // A join: the whole text of the line above (-1) went in at the edit's start, or that of the
  // line below (1) at its end; 0 otherwise.
  int Joined = 0;
};

class TSxEditStringList : public TStrings {
  VT_CLASS(TSxEditStringList, TStrings)
public:
  TSxEditStringList();
  ~TSxEditStringList() override;

  // Framework string-list storage.
  String Get(int Index) const override;
  TObject* GetObject(int Index) const override;
  int GetCount() const override { return static_cast<int>(fList.size()); }
  int Add(const String& S) override;
  int AddObject(const String& S, TObject* Obj) override;
  void Insert(int Index, const String& S) override;
  void Put(int Index, const String& S) override;
  // Put without a copy of the text.
  void PutText(int Index, String&& S);
  // Replaces bytes [Byte, Byte + Count) of line Index (whole characters) with Text followed by
  // More where the line is: as Put of the changed line, without copying or comparing it. With More
  // given, neither may lie in the line itself.
  void EditLine(int Index, std::size_t Byte, std::size_t Count, std::string_view Text, std::string_view More = {});
  // Joins line Index + 1 to the end of line Index, with Between between them. The longer of the
  // two keeps its text, index and record and takes the other's text in place (an in-line edit
  // at its start or end); the line that remains keeps line Index's object.
  void JoinLines(int Index, std::string_view Between = {});
  // Breaks line Index before its byte Byte (the reverse of JoinLines): the longer part stays
  // where it is and loses the other in place; the first line keeps the object and start range.
  void SplitLine(int Index, std::size_t Byte);
  // While SplitLine announces the line it inserted: the line it was cut from, still whole
  // (-1 otherwise).
  int CuttingFrom() const { return fCuttingFrom; }
  void PutObject(int Index, TObject* Obj) override;
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  void Clear() override;
  void AddStrings(TStrings* Strings) override;
  using TStrings::AddStrings;
  // Lines joined by CR LF, without a line break after the last.
  String Text() const override;
  using TStrings::SetText;
  // True when Text() would be empty, without building it.
  bool IsEmptyText() const { return fList.empty() || (fList.size() == 1 && fList[0].Text.empty()); }

  // Editor operations.
  void InsertLines(int Index, int NumLines);
  void DeleteLines(int Index, int NumLines);
  TSxRange Range(int Index) const;
  void SetRange(int Index, TSxRange Value);
  String ExpandedString(int Index);
  int ExpandedLength(int Index);
  // The line's text without a copy; empty when the index is out of range.
  const String& LineRef(int Index) const;
  // Character, byte and column mapping of line Index through its index (characters and
  // columns 1-based as in buffer and display positions; positions past the end count one
  // column per character).
  // Grows with every change of the text, a line's range or the tab width.
  std::uint64_t ChangeStamp() const { return fChangeStamp; }
  // Grows with every change of the text only.
  std::uint64_t TextSerial() const { return fTextSerial; }
  // The last change of the text when it was a change inside one line (Put of a line that
  // kept a common start and end).
  const TSxInLineEdit& LastLineEdit() const { return fLastEdit; }
  bool IsPlainLine(int Index);
  int CharCount(int Index);
  std::size_t CharOffset(int Index, int Char);    // byte offset of the 1-based character
  int CharToColumn(int Index, int Char);          // 1-based column of the 1-based character
  int ColumnToChar(int Index, int Column);        // the character whose cell holds the column
  int LengthOfLongestLine();
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int Value);

  // Loading and saving.
  void LoadFromStream(TStream* Stream) override;
  void LoadFromFile(const String& FileName) override;
  void SaveToStream(TStream* Stream) override;
  // Writes a temporary file beside the target and renames it over the target, so that a
  // failed write leaves the previous file as it was.
  void SaveToFile(const String& FileName) override;
  TLineBreakStyle LineBreakStyle() const { return fLineBreakStyle; }
  void SetLineBreakStyle(TLineBreakStyle v) { fLineBreakStyle = v; }
  bool AppendLineBreakAtEnd() const { return fAppendLineBreakAtEnd; }
  void SetAppendLineBreakAtEnd(bool v) { fAppendLineBreakAtEnd = v; }
  const char* LineBreak() const;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;
  TNotifyEvent OnCleared;
  TStringListChangeEvent OnLinesDeleted;
  TStringListChangeEvent OnLinesInserted;
  TStringListChangeEvent OnLinesChanged;

protected:
  int GetCapacity() const override { return static_cast<int>(fList.capacity()); }
  void DoSetCapacity(int NewCapacity) override;
  void SetUpdateState(bool Updating) override;
  void Changed() { ++fChangeStamp; }

private:
  void CheckIndex(int Index, int Last) const;
  void Grow(std::size_t Needed);
  // Known: the new line's index when it is known already.
  void InsertItem(int Index, String S, TObject* Obj, TSxLineIndex* Known = nullptr);
  // The first or the last part of a line broken before its byte Byte, with its index.
  TSxEditStringRec CutPart(TSxEditStringRec& Whole, std::size_t Byte, bool First);
  String ExpandString(int Index);
  const TSxLineIndex& LineIndex(int Index);
  // Keeps the line's index through the change of old bytes [Byte, Byte + OldBytes) (OldChars
  // characters) into the new text's [Byte, Byte + NewBytes); false when it has to be built again.
  bool UpdateIndex(TSxEditStringRec& Rec, std::size_t Byte, std::size_t OldBytes, int OldChars, std::size_t NewBytes,
                   int& Char, int& NewChars);
  // After OldBytes bytes (OldChars characters) at Byte became NewBytes bytes: the index, the
  // edit, the longest line.
  void LineEdited(int Index, std::size_t Byte, std::size_t OldBytes, int OldChars, std::size_t NewBytes);
  const TSxLineIndex& LineIndexOf(TSxEditStringRec& Rec);
  int WalkMarks(const String& S, TSxLineIndex::Mark From, std::size_t To, std::vector<TSxLineIndex::Mark>& Marks) const;
  void TextChanged() {
    ++fTextSerial;
    fLastEdit.Line = -1;
  }
  void Fire(const TStringListChangeEvent& Event, int Index, int Count) {
    if (Event) Event(this, Index, Count);
  }

  std::vector<TSxEditStringRec> fList;
  TLineBreakStyle fLineBreakStyle = lbsCrLf;
  bool fAppendLineBreakAtEnd = false;
  TConvertTabsProcEx fConvertTabsProc;
  void NoteLength(int Index);
  int fIndexOfLongestLine = -1;
  int fLongestLength = 0;
  int fTabWidth = 8;
  std::uint64_t fChangeStamp = 0;
  std::uint64_t fTextSerial = 0;
  TSxInLineEdit fLastEdit;
  // The line whose text JoinLines is putting into another at At: its index is taken over.
  struct TJoined {
    const TSxEditStringRec* Rec = nullptr;
    std::size_t At = 0;
  } fJoined;
  void WalkMarksJoined(const String& s, TSxLineIndex::Mark From, std::size_t To,
                       std::vector<TSxLineIndex::Mark>& Marks) const;
  int fCuttingFrom = -1;
  std::vector<TSxLineIndex::Mark> fFreshMarks;  // UpdateIndex's walked marks, kept for its storage
};

// Buffered writing of lines to a stream with a line-break style.
class TSxEditFileWriter {
public:
  // Takes ownership of the stream. Destroying the writer flushes and frees the stream; a
  // failure there cannot be reported, so call Flush first when it matters.
  explicit TSxEditFileWriter(TStream* Stream);
  ~TSxEditFileWriter();
  TSxEditFileWriter(const TSxEditFileWriter&) = delete;
  TSxEditFileWriter& operator=(const TSxEditFileWriter&) = delete;
  void Write(const String& Text);
  void WriteLine(const String& Text);
  void Flush();
  TLineBreakStyle LineBreakStyle() const { return fLineBreakStyle; }
  void SetLineBreakStyle(TLineBreakStyle v) { fLineBreakStyle = v; }

private:
  void Append(const char* p, std::size_t n);
  TStream* fStream;
  std::vector<char> fBuffer;
  std::size_t fPos = 0;
  TLineBreakStyle fLineBreakStyle = lbsLf;
};
