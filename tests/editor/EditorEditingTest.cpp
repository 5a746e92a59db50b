// The editor control's editing: scripted command sessions as tables (text, caret and
// selection before and after), selection texts and insertion in the three modes, undo and
// redo with a randomized round-trip property, tabs, indentation, case, words and brackets.

#include <gtest/gtest.h>

#include <random>

#include "EditorTestUtil.h"
#include "editor/SxHighlighterSQL.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"

namespace {

// State as text: lines joined by "\n", '|' at the caret, '[' and ']' around a normal selection;
// positions past a line's end are shown with '~'.
void Load(TCustomSxEdit* e, const String& state) {
  e->Lines()->Clear();
  e->ClearUndo();
  std::vector<String> lines(1);
  TBufferCoord caret{0, 0}, a{0, 0}, b{0, 0};
  for (char c : state) {
    TBufferCoord here{SxCharCount(lines.back()) + 1, static_cast<int>(lines.size())};
    if (c == '\n')
      lines.emplace_back();
    else if (c == '|')
      caret = here;
    else if (c == '[')
      a = here;
    else if (c == ']')
      b = here;
    else
      lines.back() += c;
  }
  for (auto& l : lines) {
    while (!l.empty() && l.back() == '~') l.pop_back();
    e->Lines()->Add(l);
  }
  if (caret.Line == 0) caret = b.Line ? b : BufferCoord(1, 1);
  e->SetCaretPosInternal(caret);
  e->SetSelBegin(a.Line ? a : caret);
  if (b.Line) e->SetSelEnd(b);
  e->SetModified(false);
}

String Dump(TCustomSxEdit* e) {
  String out;
  const TBufferCoord c = e->CaretPos(), a = e->BlockFirst(), b = e->BlockLast();
  const bool sel = e->HasSelection() && e->ActiveSelMode() == smNormal;
  const int count = std::max(e->Lines()->Count(), 1);
  for (int l = 1; l <= count; ++l) {
    if (l > 1) out += "\n";
    const std::u32string s = Utf8ToUcs4(e->Lines()->Count() ? e->Lines()->Get(l - 1) : "");
    int last = static_cast<int>(s.size()) + 1;
    if (c.Line == l) last = std::max(last, c.Char);
    for (int i = 1; i <= last; ++i) {
      if (sel && a == BufferCoord(i, l)) out += "[";
      if (sel && b == BufferCoord(i, l)) out += "]";
      if (c == BufferCoord(i, l)) out += "|";
      if (i <= static_cast<int>(s.size()))
        Utf8Append(out, s[static_cast<std::size_t>(i - 1)]);
      else if (i < last)
        out += "~";
    }
  }
  return out;
}

struct Step {
  TSxEditorCommand cmd;
  char32_t ch = 0;
};
std::vector<Step> Typed(const char* text) {
  std::vector<Step> s;
  for (char32_t c : Utf8ToUcs4(text)) s.push_back({ecChar, c});
  return s;
}

struct CommandCase {
  const char* name;
  TSxEditorOptions set, clear;
  int tabWidth;
  const char* before;
  std::vector<Step> steps;
  const char* after;
};

}  // namespace

TEST(SxEditEditing, CommandTables) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  const TSxEditorOptions base = e->Options();
  const CommandCase cases[] = {
      {"home alternates", eoEnhanceHomeKey, 0, 8, "    ab|c", {{ecLineStart}}, "    |abc"},
      {"home again", eoEnhanceHomeKey, 0, 8, "    |abc", {{ecLineStart}}, "|    abc"},
      {"home back", eoEnhanceHomeKey, 0, 8, "|    abc", {{ecLineStart}}, "    |abc"},
      {"end alternates", 0, 0, 8, "|abc   ", {{ecLineEnd}, {ecLineEnd}, {ecLineEnd}}, "abc|   "},
      {"end twice", 0, 0, 8, "|abc   ", {{ecLineEnd}, {ecLineEnd}}, "abc   |"},
      {"left wraps up", 0, eoScrollPastEol, 8, "ab\n|cd", {{ecLeft}}, "ab|\ncd"},
      {"right wraps down", 0, eoScrollPastEol, 8, "ab|\ncd", {{ecRight}}, "ab\n|cd"},
      {"right into virtual space", 0, 0, 8, "ab|\ncd", {{ecRight}}, "ab~|\ncd"},
      {"shift down down up", 0, 0, 8, "a|bc\ndef\nghi", {{ecSelDown}, {ecSelDown}, {ecSelUp}}, "a[bc\nd]|ef\nghi"},
      {"enter keeps indent", 0, 0, 8, "    a|bc", {{ecLineBreak}}, "    a\n    |bc"},
      {"insert line stays", 0, 0, 8, "    a|bc", {{ecInsertLine}}, "    a|\n    bc"},
      {"enter at end copies tabs", 0, 0, 8, "\tx|", {{ecLineBreak}}, "\tx\n\t|"},
      {"typing pads", 0, 0, 8, "ab~~~|", Typed("x"), "ab   x|"},
      {"delete joins over virtual space", 0, 0, 8, "ab~~|\ncd", {{ecDeleteChar}}, "ab  |cd"},
      {"delete word", 0, 0, 8, "a|bc  def", {{ecDeleteWord}}, "a|def"},
      {"delete word takes one symbol", 0, 0, 8, "f|(  x\ny", {{ecDeleteWord}}, "f|x\ny"},
      {"delete last word", 0, 0, 8, "abc def|", {{ecDeleteLastWord}}, "abc |"},
      {"backspace joins", 0, 0, 8, "a\nb\n|c", {{ecDeleteLastChar}}, "a\nb|c"},
      {"backspace smart", 0, 0, 8, "    if\n        |x", {{ecDeleteLastChar}}, "    if\n    |x"},
      {"backspace to tab stop", 0, eoSmartTabDelete, 4, "    if\n        |x", {{ecDeleteLastChar}}, "    if\n    |x"},
      {"backspace in virtual space", 0, eoSmartTabDelete, 8, "ab~~~~~|", {{ecDeleteLastChar}}, "ab~~~~|"},
      {"backspace a blank after text", 0, 0, 8, "ab  |cd", {{ecDeleteLastChar}}, "ab |cd"},
      {"backspace a tab after text", 0, 0, 8, "a\t|b", {{ecDeleteLastChar}}, "a|b"},
      {"backspace inside the indentation", 0, 0, 8, "  |  x", {{ecDeleteLastChar}}, " |  x"},
      {"delete line", 0, 0, 8, "a\nb|b\nc", {{ecDeleteLine}}, "a\n|c"},
      {"delete last line empties it", 0, 0, 8, "a\nb\nc|c", {{ecDeleteLine}}, "a\nb\n|"},
      {"tab to stop", 0, 0, 8, "ab|", {{ecTab}}, "ab      |"},
      {"tab full", 0, 0, 8, "abcdefgh|", {{ecTab}}, "abcdefgh        |"},
      {"smart tab", 0, 0, 8, "select name,\n|", {{ecTab}}, "select name,\n       |"},
      {"tab char", 0, eoTabsToSpaces | eoSmartTabs, 8, "a|b", {{ecTab}}, "a\t|b"},
      {"shift tab blanks", 0, eoSmartTabs, 8, "          |x", {{ecShiftTab}}, "        |x"},
      {"shift tab again", 0, eoSmartTabs, 8, "        |x", {{ecShiftTab}}, "|x"},
      {"shift tab removes a tab", 0, eoSmartTabs, 8, "a\t|b", {{ecShiftTab}}, "a|b"},
      {"shift tab keeps text", 0, eoSmartTabs, 8, "abcdefghij|", {{ecShiftTab}}, "abcdefgh|ij"},
      {"toggle case", 0, 0, 8, "a|Bc", {{ecToggleCase}}, "A|bC"},
      {"title case", 0, 0, 8, "sEL|ECT", {{ecTitleCase}}, "Sel|ect"},
      {"upper case word", 0, 0, 8, "sel|ect x", {{ecUpperCase}}, "SEL|ECT x"},
      {"upper case block steps", 0, 0, 8, "|abc", {{ecUpperCaseBlock}, {ecUpperCaseBlock}}, "AB|c"},
      {"lower case selection", 0, 0, 8, "[ABC]| D", {{ecLowerCaseBlock}}, "abc| D"},
      {"match bracket", 0, 0, 8, "f|((a)b)", {{ecMatchBracket}}, "f((a)b|)"},
      {"match bracket back", 0, 0, 8, "f((a)b|)", {{ecMatchBracket}}, "f|((a)b)"},
      {"no partner", 0, 0, 8, "f|(a", {{ecMatchBracket}}, "f|(a"},
      {"brackets across lines", 0, 0, 8, "|{\na\n}", {{ecMatchBracket}}, "{\na\n|}"},
      {"word right", 0, 0, 8, "|select a.b", {{ecWordRight}, {ecWordRight}}, "select a.|b"},
      {"word left", 0, 0, 8, "select a.|b", {{ecWordLeft}, {ecWordLeft}}, "|select a.b"},
      {"word right next line", 0, 0, 8, "ab|c\n  x", {{ecWordRight}}, "abc\n  |x"},
      {"word left previous line", 0, 0, 8, "a\nb\n|c", {{ecWordLeft}}, "a\nb|\nc"},
      {"select word", 0, 0, 8, "x total_|sum y", {{ecSelWord}}, "x [total_sum]| y"},
      {"type over selection", 0, 0, 8, "a[bc]|d", Typed("x"), "ax|d"},
      {"multibyte stays whole", 0, 0, 8, "äö|ü", {{ecDeleteLastChar}, {ecLeft}, Step{ecChar, U'日'}}, "日|äü"},
  };
  for (const auto& c : cases) {
    e->SetOptions((base | c.set) & ~c.clear);
    e->SetTabWidth(c.tabWidth);
    Load(e, c.before);
    for (const auto& st : c.steps) e->ProcessCommand(st.cmd, st.ch, nullptr);
    EXPECT_EQ(Dump(e), c.after) << c.name;
  }
}

TEST(SxEditEditing, SelectionTextAndInsertion) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  Load(e, "abcd\nefgh\nijkl");
  e->SetSelBegin(BufferCoord(3, 1));
  e->SetSelEnd(BufferCoord(2, 3));
  EXPECT_EQ(e->GetSelText(), "cd\r\nefgh\r\ni");
  e->SetSelectionMode(smLine);
  e->SetSelBegin(BufferCoord(1, 2));
  e->SetSelEnd(BufferCoord(1, 3));
  EXPECT_EQ(e->GetSelText(), "efgh\r\nijkl");
  e->SetSelBegin(BufferCoord(1, 1));
  e->SetSelEnd(BufferCoord(1, 2));
  EXPECT_EQ(e->GetSelText(), "abcd\r\nefgh\r\n");
  // Column mode over lines of different lengths, trimmed or padded.
  e->SetSelectionMode(smColumn);
  Load(e, "abcdef\nab");
  e->SetSelectionMode(smColumn);
  e->SetSelBegin(BufferCoord(2, 1));
  e->SetSelEnd(BufferCoord(4, 2));
  EXPECT_EQ(e->GetSelText(), "bc\r\nb ");
  e->SetOptions(e->Options() | eoTrimTrailingSpaces);
  EXPECT_EQ(e->GetSelText(), "bc\r\nb");
  e->SetOptions(e->Options() & ~eoTrimTrailingSpaces);
  // Column over a tab: display columns 2 to 10 of "a\tbc" hold the tab and "b".
  Load(e, "a\tbc\n123456789012");
  e->SetSelectionMode(smColumn);
  e->SetSelBegin(BufferCoord(2, 1));
  e->SetSelEnd(e->DisplayToBufferPos(DisplayCoord(11, 2)));
  EXPECT_EQ(e->GetSelText(), "\tbc\r\n234567890");
  // Insertion in the three modes.
  e->SetSelectionMode(smNormal);
  Load(e, "a|bc");
  e->SetSelText("x\r\ny");
  EXPECT_EQ(Dump(e), "ax\ny|bc");
  Load(e, "ab|cd\nef");
  e->SetSelectionMode(smColumn);
  e->SetSelText("1\n2");
  EXPECT_EQ(Dump(e), "ab1cd\nef2|");
  e->SetSelectionMode(smLine);
  Load(e, "1\n|2\n3\n4");
  e->SetSelectionMode(smLine);
  e->SetSelText("A\r\nB\r\n");
  EXPECT_EQ(e->Lines()->Text(), "1\r\nA\r\nB\r\n2\r\n3\r\n4");
  // Deleting selections.
  e->SetSelectionMode(smNormal);
  Load(e, "1\n2[2\n3\n4]4\n5");
  e->SetSelText(String());
  EXPECT_EQ(Dump(e), "1\n2|4\n5");
  Load(e, "1\n2\n3");
  e->SetSelectionMode(smLine);
  e->SetSelBegin(BufferCoord(1, 2));
  e->SetSelEnd(BufferCoord(1, 3));
  e->SetSelText(String());
  EXPECT_EQ(e->Lines()->Text(), "1\r\n");
  // No selection at all with eoNoSelection.
  e->SetSelectionMode(smNormal);
  e->SetOptions(e->Options() | eoNoSelection);
  Load(e, "abc");
  e->SetSelEnd(BufferCoord(3, 1));
  EXPECT_FALSE(e->HasSelection());
}

TEST(SxEditEditing, UndoStepsAndModified) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  Load(e, "|");
  for (char32_t c : U"abc") e->ProcessCommand(ecChar, c, nullptr);
  e->Undo();
  EXPECT_EQ(Dump(e), "|");
  EXPECT_FALSE(e->Modified());
  for (char32_t c : U"ab") e->ProcessCommand(ecChar, c, nullptr);
  e->ProcessCommand(ecLeft, 0, nullptr);
  e->ProcessCommand(ecChar, 'c', nullptr);
  e->Undo();
  EXPECT_EQ(Dump(e), "a|b");
  e->Undo();
  EXPECT_EQ(Dump(e), "|");
  e->Redo();
  EXPECT_EQ(Dump(e), "ab|");
  EXPECT_TRUE(e->CanRedo());
  e->ProcessCommand(ecLeft, 0, nullptr);  // a caret move keeps redo
  EXPECT_TRUE(e->CanRedo());
  e->ProcessCommand(ecChar, 'z', nullptr);  // typing drops it
  EXPECT_FALSE(e->CanRedo());
  // Backspace at column 1 joins; undo splits and puts the caret back.
  Load(e, "a\nb\n|c");
  e->ProcessCommand(ecDeleteLastChar, 0, nullptr);
  e->Undo();
  EXPECT_EQ(Dump(e), "a\nb\n|c");
  // Nothing to delete: nothing recorded, not modified.
  Load(e, "|ab");
  e->ProcessCommand(ecDeleteLastChar, 0, nullptr);
  EXPECT_FALSE(e->Modified());
  EXPECT_FALSE(e->CanUndo());
  // Typing with fill is one step.
  Load(e, "ab~~~|");
  e->ProcessCommand(ecChar, 'x', nullptr);
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "ab");
  // Case change restores text, caret and the empty selection.
  Load(e, "sel|ect");
  e->ProcessCommand(ecUpperCase, 0, nullptr);
  e->Undo();
  EXPECT_EQ(Dump(e), "sel|ect");
  // A block indent undoes in one step.
  Load(e, "a\n[b\nc\nd\n]e");
  e->ProcessCommand(ecBlockIndent, 0, nullptr);
  EXPECT_EQ(e->Lines()->Text(), "a\r\n        b\r\n        c\r\n        d\r\ne");
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "a\r\nb\r\nc\r\nd\r\ne");
  // Unindent: a tab, three blanks, nothing; ten blanks lose eight.
  Load(e, "[\tx\n   y\nz\n          w]");
  e->ProcessCommand(ecBlockUnindent, 0, nullptr);
  EXPECT_EQ(e->Lines()->Text(), "x\r\ny\r\nz\r\n  w");
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "\tx\r\n   y\r\nz\r\n          w");
  // Read-only: no undo.
  e->SetReadOnly(true);
  EXPECT_FALSE(e->CanUndo());
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "\tx\r\n   y\r\nz\r\n          w");
  e->SetReadOnly(false);
  // Save point: undo back to it reads unmodified, redo away from it modified again.
  Load(e, "|");
  e->ProcessCommand(ecChar, 'a', nullptr);
  e->SetModified(false);
  e->ProcessCommand(ecChar, 'b', nullptr);
  e->Undo();
  EXPECT_FALSE(e->Modified());
  e->Redo();
  EXPECT_TRUE(e->Modified());
  e->Undo();
  EXPECT_FALSE(e->Modified());
}

TEST(SxEditEditing, PasteIsOneStep) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  Clipboard()->SetAsText("XY\r\nZ");
  Load(e, "a[bc]|d");
  e->PasteFromClipboard();
  EXPECT_EQ(Dump(e), "aXY\nZ|d");
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "abcd");
  EXPECT_EQ(e->GetSelText(), "bc");
  e->Redo();
  EXPECT_EQ(e->Lines()->Text(), "aXY\r\nZd");
  EXPECT_FALSE(e->CanRedo());
}

// Any sequence of commands, undone entirely, gives the starting text and caret; redone
// entirely, gives the end state again. (Column blocks are left out: undoing one that reached
// past line ends leaves the blanks that filled it, by design.)
TEST(SxEditEditing, UndoAllRedoAllProperty) {
  TEditorSession s;
  TEditorForm f(30, 8);
  TSxMemo* e = f.Edit;
  const TSxEditorCommand commands[] = {ecChar,           ecChar,
                                       ecChar,           ecChar,
                                       ecLineBreak,      ecInsertLine,
                                       ecDeleteLastChar, ecDeleteChar,
                                       ecDeleteWord,     ecDeleteLastWord,
                                       ecDeleteEOL,      ecDeleteBOL,
                                       ecDeleteLine,     ecTab,
                                       ecShiftTab,       ecLeft,
                                       ecRight,          ecUp,
                                       ecDown,           ecLineStart,
                                       ecLineEnd,        ecSelLeft,
                                       ecSelRight,       ecSelUp,
                                       ecSelDown,        ecSelWordRight,
                                       ecBlockIndent,    ecBlockUnindent,
                                       ecUpperCase,      ecToggleCaseBlock,
                                       ecLowerCaseBlock, ecTitleCase,
                                       ecPaste,          ecCut,
                                       ecNormalSelect,   ecLineSelect,
                                       ecToggleMode,     ecEditorBottom,
                                       ecSelWord};
  const char32_t chars[] = {U'a', U'B', U' ', U'(', U')', U'ä', U'日', U'x'};
  std::mt19937 rng(20261210);
  // Runs the steps from the fixed start; an empty answer when the round trip holds.
  auto roundTrip = [&](int round, const std::vector<Step>& steps) -> String {
    // Trimming is left out: a deletion that leaves only blanks at a line's end drops them
    // without a record, by design, so undo cannot give them back exactly.
    const TSxEditorOptions opts[] = {SX_DEFAULT_OPTIONS | eoTabIndent, SX_DEFAULT_OPTIONS & ~eoTabsToSpaces,
                                     SX_DEFAULT_OPTIONS & ~(eoAutoIndent | eoSmartTabs)};
    e->SetOptions(opts[round % 3]);
    e->SetSelectionMode(smNormal);
    e->SetInsertMode(true);
    Load(e, "select a,\n  b from t\n\tc\n|");
    Clipboard()->SetAsText(round % 2 ? "p\r\nq" : "r");
    const String startText = e->Lines()->Text();
    // Caret moves are not recorded: undo returns the caret to where the first change began,
    // redo to where the last change left it.
    TBufferCoord startCaret{0, 0}, endCaret{0, 0};
    for (const Step& st : steps) {
      const TBufferCoord before = e->CaretPos();
      const int records = e->UndoList()->ItemCount();
      e->ProcessCommand(st.cmd, st.ch, nullptr);
      const bool changed = e->UndoList()->ItemCount() != records && e->UndoList()->LastChangeReason() != crGroupBreak;
      // A deleted line, and lines pasted in line mode, are undone with the caret at the line's start.
      const bool lineStart = st.cmd == ecDeleteLine || (st.cmd == ecPaste && e->SelectionMode() == smLine);
      if (changed && startCaret.Line == 0) startCaret = lineStart ? BufferCoord(1, before.Line) : before;
      if (changed) endCaret = e->CaretPos();
    }
    const String endText = e->Lines()->Text();
    while (e->CanUndo()) e->Undo();
    if (e->Lines()->Text() != startText) return "undo text: " + e->Lines()->Text();
    if (startCaret.Line && !(e->CaretPos() == startCaret))
      return "undo caret " + std::to_string(e->CaretPos().Char) + "," + std::to_string(e->CaretPos().Line);
    while (e->CanRedo()) e->Redo();
    if (e->Lines()->Text() != endText) return "redo text: " + e->Lines()->Text() + " wanted " + endText;
    // A replayed case change returns the caret to where it stood when it was undone, so the
    // caret is compared only without one.
    const bool caseChange = std::any_of(steps.begin(), steps.end(), [](const Step& st) {
      return st.cmd >= ecUpperCase && st.cmd <= ecToggleCaseBlock;
    });
    if (endCaret.Line && !caseChange && !(e->CaretPos() == endCaret))
      return "redo caret " + std::to_string(e->CaretPos().Char) + "," + std::to_string(e->CaretPos().Line) +
             " wanted " + std::to_string(endCaret.Char) + "," + std::to_string(endCaret.Line);
    return String();
  };
  for (int round = 0; round < 400; ++round) {
    std::vector<Step> steps;
    for (int i = 0; i < 25; ++i)
      steps.push_back({commands[rng() % std::size(commands)], chars[rng() % std::size(chars)]});
    if (roundTrip(round, steps).empty()) continue;
    // Shrink to the shortest failing prefix, then drop steps that do not matter.
    std::size_t n = 1;
    while (roundTrip(round, std::vector<Step>(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(n))).empty())
      ++n;
    steps.resize(n);
    for (std::size_t i = 0; i + 1 < steps.size();) {
      std::vector<Step> fewer = steps;
      fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
      if (!roundTrip(round, fewer).empty())
        steps = fewer;
      else
        ++i;
    }
    String trace;
    for (const Step& st : steps)
      trace += EditorCommandToText(st.cmd) + (st.cmd == ecChar ? "(" + Utf8Encode(st.ch) + ")" : "") + " ";
    FAIL() << "round " << round << ": " << trace << "-> " << roundTrip(round, steps);
  }
  (void)s;
}

// The main window's options trim trailing blanks: a line break after indentation, and a
// deletion joined in front of inserted text, keep that indentation through undo and redo.
TEST(SxEditEditing, TrimmedEditsUndoExactly) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  e->SetOptions(eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint | eoTrimTrailingSpaces);
  Load(e, "\t|(x");
  e->ProcessCommand(ecLineBreak, 0, nullptr);
  EXPECT_EQ(e->Lines()->Text(), "\r\n\t(x");
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "\t(x");
  e->Redo();
  EXPECT_EQ(e->Lines()->Text(), "\r\n\t(x");
  Load(e, "\t[c]|");
  e->ProcessCommand(ecTitleCase, 0, nullptr);
  EXPECT_EQ(e->Lines()->Text(), "\tC");
  e->Undo();
  EXPECT_EQ(e->Lines()->Text(), "\tc");
}

// Enter inside a line's text breaks it where it stands; undo joins the lines back exactly
// (the indent taken away, blanks that trimming moved put back before the rest) and redo
// breaks it again: with and without trimming and auto-indent, tabs, multi-byte text, a line
// long enough to keep an index.
TEST(SxEditEditing, LineBreakInsideALineUndoesExactly) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  const String longTail(3000, 'x');
  const String longState = "\t\u00e4 a  |b " + longTail + "\nnext";
  struct Case {
    const char* name;
    TSxEditorOptions opts;
    String before, after;
  } cases[] = {
      {"indent kept", eoAutoIndent, "    a|bc", "    a\n    |bc"},
      {"no indent", 0, "    a|bc", "    a\n|bc"},
      {"trimmed blanks move", eoAutoIndent | eoTrimTrailingSpaces, "  a \t |bc", "  a\n  |bc"},
      {"blanks kept", eoAutoIndent, "  a \t |bc", "  a \t \n  |bc"},
      {"tab indent", eoAutoIndent, "\t\u00e4\u65e5|\u00f6 x\ny", "\t\u00e4\u65e5\n\t|\u00f6 x\ny"},
      {"long line", eoAutoIndent | eoTrimTrailingSpaces, longState, "\t\u00e4 a\n\t|b " + longTail + "\nnext"},
      {"long first part", eoTrimTrailingSpaces, longTail + " |yz", longTail + "\n|yz"},
      {"line start", eoAutoIndent | eoTrimTrailingSpaces, "|  ab \t", "\n|  ab \t"},
      {"blanks at the end", eoAutoIndent | eoTrimTrailingSpaces, "  a |b  ", "  a\n  |b  "},
      {"long second part", eoAutoIndent | eoTrimTrailingSpaces, "x\n  yz |" + longTail + "\t",
       "x\n  yz\n  |" + longTail + "\t"},
  };
  for (const Case& c : cases) {
    e->SetOptions(c.opts);
    Load(e, c.before.c_str());
    const String before = Dump(e);
    e->ProcessCommand(ecLineBreak, 0, nullptr);
    EXPECT_EQ(Dump(e), c.after) << c.name;
    e->Undo();
    EXPECT_EQ(Dump(e), before) << c.name << " (undo)";
    e->Redo();
    EXPECT_EQ(Dump(e), c.after) << c.name << " (redo)";
    e->Undo();
    EXPECT_EQ(Dump(e), before) << c.name << " (undo again)";
    // Among other edits (a break that leaves the caret, typing, another break), undone and
    // redone step by step.
    const TSxEditorCommand steps[] = {ecLineBreak, ecInsertLine, ecChar, ecLineBreak};
    std::vector<String> states{before};
    for (const TSxEditorCommand cmd : steps) {
      e->ProcessCommand(cmd, U'q', nullptr);
      states.push_back(Dump(e));
    }
    for (std::size_t i = states.size() - 1; i > 0; --i) {
      e->Undo();
      EXPECT_EQ(Dump(e), states[i - 1]) << c.name << " (step " << i << " undone)";
    }
    for (std::size_t i = 1; i < states.size(); ++i) {
      e->Redo();
      EXPECT_EQ(Dump(e), states[i]) << c.name << " (step " << i << " redone)";
    }
  }
}

namespace {

// A change and its undo and redo, each compared with the state it must give back exactly.
struct ReplayState {
  String text;
  TBufferCoord caret, selBegin, selEnd;
  bool operator==(const ReplayState&) const = default;
};
ReplayState Snapshot(TCustomSxEdit* e) {
  // Without a selection only the caret counts.
  if (!e->HasSelection()) return {e->Lines()->Text(), e->CaretPos(), {0, 0}, {0, 0}};
  return {e->Lines()->Text(), e->CaretPos(), e->SelBegin(), e->SelEnd()};
}
std::string Show(const ReplayState& s) {
  auto at = [](TBufferCoord p) { return "(" + std::to_string(p.Char) + "," + std::to_string(p.Line) + ")"; };
  String t = s.text;
  for (std::size_t i = 0; (i = t.find('\t', i)) != String::npos;) t.replace(i, 1, "\\t");
  return "\"" + t + "\" caret " + at(s.caret) + " sel " + at(s.selBegin) + "-" + at(s.selEnd);
}

// Runs the commands from the given state, then checks that undoing each step gives back the
// state before it, and that redoing them all gives the final state again.
std::string CheckReplay(TSxMemo* e, const std::vector<const char*>& lines, TSxSelectionMode mode, TBufferCoord a,
                        TBufferCoord b, const std::vector<Step>& steps) {
  e->Lines()->Clear();
  e->ClearUndo();
  for (const char* l : lines) e->Lines()->Add(l);
  e->SetSelectionMode(mode);
  e->SetCaretPosInternal(b);
  e->SetSelBegin(a);
  e->SetSelEnd(b);
  std::vector<ReplayState> states{Snapshot(e)};
  for (const Step& st : steps) {
    e->ProcessCommand(st.cmd, st.ch, nullptr);
    states.push_back(Snapshot(e));
  }
  for (std::size_t i = steps.size(); i > 0; --i) {
    e->Undo();
    if (!(Snapshot(e) == states[i - 1]))
      return "undo " + std::to_string(i) + ": " + Show(Snapshot(e)) + " wanted " + Show(states[i - 1]);
  }
  for (std::size_t i = 1; i <= steps.size(); ++i) {
    e->Redo();
    const ReplayState now = Snapshot(e);
    // After redo the selection is the collapsed caret, as after the command itself.
    if (now.text != states[i].text || !(now.caret == states[i].caret))
      return "redo " + std::to_string(i) + ": " + Show(now) + " wanted " + Show(states[i]);
  }
  e->Undo();
  if (!(Snapshot(e) == states[steps.size() - 1]))
    return "undo after redo: " + Show(Snapshot(e)) + " wanted " + Show(states[steps.size() - 1]);
  return std::string();
}

}  // namespace

// Column-mode changes and their undo and redo, with tabs, multi-byte characters, short lines
// and blocks selected in either direction: undo puts back exactly the text, the caret and the
// selection, and leaves no blanks that padded a short line.
TEST(SxEditEditing, ColumnChangesUndoExactly) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  struct Case {
    const char* name;
    std::vector<const char*> lines;
    TBufferCoord a, b;
    std::vector<Step> steps;
  };
  const std::vector<Step> del{{ecDeleteChar}}, bs{{ecDeleteLastChar}}, cut{{ecCut}}, typed{{ecChar, U'x'}},
      paste{{ecPaste}}, indent{{ecBlockIndent}}, unindent{{ecBlockUnindent}};
  const Case cases[] = {
      {"tab before the block, delete", {"12345678abcd", "\tWXYZ"}, {9, 1}, {3, 2}, del},
      {"tab before the block, backspace", {"12345678abcd", "\tWXYZ"}, {9, 1}, {3, 2}, bs},
      {"tabs on two lines, cut", {"\tx = 1;", "y\t= 2;", "zz = 3;"}, {2, 1}, {6, 3}, cut},
      {"multi-byte characters", {"äöü日本語xyz", "abcdefghij", "ab"}, {2, 1}, {5, 3}, del},
      {"short line inside the block", {"abcdef", "g", "hijklm"}, {2, 1}, {5, 3}, del},
      {"line ending inside the block", {"abcdef", "ghi", "jklmno"}, {2, 1}, {6, 3}, cut},
      {"blanks and a tab left at line ends", {"ab\tcd", "ab  cd", "abcdefghijk"}, {3, 1}, {11, 3}, del},
      {"typing over the block", {"12345678abcd", "\tWXYZ", "日本語日本語日本語x"}, {9, 1}, {3, 3}, typed},
      {"typing over a multi-byte block", {"äöüabc", "日本xyz"}, {2, 1}, {4, 2}, typed},
      {"paste over the block", {"12345678abcd", "\tWXYZ", "a"}, {9, 1}, {3, 2}, paste},
      {"paste past short lines and the end", {"abc", "", "\td"}, {3, 2}, {3, 2}, paste},
      {"block indent after a tab", {"a\tbc", "abcdefghijk", "日本語日本語"}, {3, 1}, {4, 3}, indent},
      {"block unindent after tabs", {"x\t\tc", "\t\tyy", "z\t  w"}, {2, 1}, {3, 3}, unindent},
      {"delete, then typing; undo all and redo all", {"\tab\tcd", "日本\tx", "q"}, {3, 1}, {4, 3},
       {{ecDeleteChar}, {ecChar, U'z'}}},
  };
  const TSxEditorOptions tool = eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint |
                                eoTrimTrailingSpaces;
  for (const TSxEditorOptions opts : {tool, SX_DEFAULT_OPTIONS}) {
    e->SetOptions(opts);
    for (const Case& c : cases) {
      // Every block also selected the other way round.
      for (const bool backwards : {false, true}) {
        // A column block of two rows, one with a tab and one multi-byte, is on the clipboard.
        e->Lines()->Clear();
        e->Lines()->Add("P\tQ");
        e->Lines()->Add("日R");
        e->SetSelectionMode(smColumn);
        e->SetSelBegin(BufferCoord(1, 1));
        e->SetSelEnd(BufferCoord(3, 2));
        e->CopyToClipboard();
        const std::string fault =
            backwards ? CheckReplay(e, c.lines, smColumn, c.b, c.a, c.steps) : CheckReplay(e, c.lines, smColumn, c.a, c.b, c.steps);
        EXPECT_EQ(fault, "") << c.name << (backwards ? " (backwards)" : "") << (opts == tool ? " (trimming)" : "");
      }
    }
  }
  e->SetSelectionMode(smNormal);
}

// With trailing blanks trimmed, a deletion that leaves a tab or blanks at a line's end records
// them with it: undo gives them back (a tab stays a tab) and redo trims them again.
TEST(SxEditEditing, TrimmedBlanksComeBackOnUndo) {
  TEditorSession s;
  TEditorForm f(60, 10);
  TSxMemo* e = f.Edit;
  e->SetOptions(eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint | eoTrimTrailingSpaces);
  struct Case {
    const char* name;
    const char* line;
    TBufferCoord a, b;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"selected text deleted", "ab\tcd", {4, 1}, {6, 1}, {{ecDeleteChar}}},
      {"selected text deleted backwards", "ab\tcd", {6, 1}, {4, 1}, {{ecDeleteLastChar}}},
      {"selected text cut", "ab \t cd", {6, 1}, {8, 1}, {{ecCut}}},
      {"last character deleted", "ab\tc", {4, 1}, {4, 1}, {{ecDeleteChar}}},
      {"words deleted backwards", "ab\tcd ef", {9, 1}, {9, 1}, {{ecDeleteLastWord}, {ecDeleteLastWord}}},
      {"last character backspaced", "ab\t\tc", {6, 1}, {6, 1}, {{ecDeleteLastChar}}},
      {"multi-byte text after blanks", "日本  \t語", {6, 1}, {6, 1}, {{ecDeleteLastChar}}},
      {"word deleted forward", "ab\t cd", {5, 1}, {5, 1}, {{ecDeleteWord}}},
      {"line end deleted", "ab\t cd", {5, 1}, {5, 1}, {{ecDeleteEOL}}},
      {"typed on a line ending in blanks", "ab \t ", {2, 1}, {2, 1}, {{ecChar, U'q'}}},
      {"typed after the blanks", "ab \t ", {6, 1}, {6, 1}, {{ecChar, U'q'}}},
      {"deleted on a line ending in blanks", "ab \t ", {1, 1}, {1, 1}, {{ecDeleteChar}}},
      {"typed over a selection", "ab \t ", {1, 1}, {2, 1}, {{ecChar, U'q'}}},
      {"pasted", "ab \t ", {2, 1}, {2, 1}, {{ecPaste}}},
      {"blanks typed at the end", "ab", {3, 1}, {3, 1}, Typed("  x  ")},
      {"blanks typed past the end", "ab ", {6, 1}, {6, 1}, Typed(" y ")},
      {"pasted over a selection", "ab \t ", {1, 1}, {2, 1}, {{ecPaste}}},
  };
  // "x" and a line break on the clipboard: the pasted break leaves blanks at a line's end too.
  e->Lines()->Clear();
  e->Lines()->Add("x");
  e->Lines()->Add("");
  e->SetSelBegin(BufferCoord(1, 1));
  e->SetSelEnd(BufferCoord(1, 2));
  e->CopyToClipboard();
  for (const Case& c : cases) EXPECT_EQ(CheckReplay(e, {c.line, "next"}, smNormal, c.a, c.b, c.steps), "") << c.name;
  // A line ending in blanks joined to the empty line above, and the reverse.
  EXPECT_EQ(CheckReplay(e, {"", "  ab  ", "next"}, smNormal, {1, 2}, {1, 2}, {{ecDeleteLastChar}}), "");
  EXPECT_EQ(CheckReplay(e, {"ab \t", "", "next"}, smNormal, {5, 1}, {5, 1}, {{ecDeleteChar}}), "");
  e->SetInsertMode(false);
  EXPECT_EQ(CheckReplay(e, {"ab \t ", "next"}, smNormal, {2, 1}, {2, 1}, {{ecChar, U'q'}}), "") << "overwrite";
  e->SetInsertMode(true);
}
