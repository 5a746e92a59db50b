// The editor control's input through the headless session: shortcut tables (two-key ones
// too), typed characters, mouse selection with the auto-scroll timer on the fake clock, double
// clicks, drag and drop, clipboard round trips between two editors, word wrap, the memo's
// messages and the window text.

#include <gtest/gtest.h>

#include <cstring>

#include "EditorTestUtil.h"
#include "editor/SxWordWrap.h"
#include "platform/forms/ActnList.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/StdActns.h"
#include "platform/forms/StdCtrls.h"
#include "platform/win/ShellApi.h"

namespace {

void SetLines(TCustomSxEdit* e, std::initializer_list<const char*> lines) {
  e->Lines()->Clear();
  for (const char* l : lines) e->Lines()->Add(l);
}

// A key with the modifiers held, as a user presses it.
void Chord(TEditorSession& s, std::initializer_list<WORD> mods, WORD vk, String text = {}) {
  for (WORD m : mods) s.KeyDown(m);
  s.Key(vk, std::move(text));
  for (auto it = std::rbegin(mods); it != std::rend(mods); ++it) s.KeyUp(*it);
}

}  // namespace

TEST(SxEditInput, ShortcutTable) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  // A two-key binding: Ctrl+Q then B goes to the end of the text.
  TSxEditKeyStroke* k = e->Keystrokes()->Add();
  k->SetKey('Q');
  k->SetShift({ssCtrl});
  k->SetKey2('B');
  k->SetShift2({});
  k->SetCommand(ecEditorBottom);
  std::vector<TSxEditorCommand> seen;
  e->OnCommandProcessed = [&](TObject*, TSxEditorCommand& c, char32_t&, void*) { seen.push_back(c); };
  struct Case {
    std::vector<WORD> mods;
    WORD vk;
    const char* text;
    std::vector<TSxEditorCommand> commands;
  } cases[] = {
      {{VK_CONTROL}, 'C', "\x03", {ecCopy}},  // no ecChar for the control character
      {{VK_CONTROL, VK_SHIFT}, 'Z', "", {ecRedo}},
      {{VK_CONTROL}, 'Z', "\x1A", {ecUndo}},
      {{VK_MENU}, VK_BACK, "\b", {ecUndo}},  // its system character is dropped
      {{VK_CONTROL, VK_SHIFT}, 'B', "", {ecMatchBracket}},
      {{VK_CONTROL}, '0', "", {ecGotoMarker0}},
      {{}, VK_HOME, "", {ecLineStart}},
      {{VK_SHIFT}, VK_END, "", {ecSelLineEnd}},
      {{}, 'X', "x", {ecChar}},
      {{VK_SHIFT}, VK_SHIFT, "", {}},  // Shift alone is nothing
  };
  for (const auto& c : cases) {
    seen.clear();
    for (WORD m : c.mods) s.KeyDown(m);
    s.Key(c.vk, c.text);
    for (auto it = c.mods.rbegin(); it != c.mods.rend(); ++it) s.KeyUp(*it);
    EXPECT_EQ(seen, c.commands) << c.vk;
  }
  SetLines(e, {"abc", "def"});
  e->SetCaretPosInternal(BufferCoord(1, 1));
  seen.clear();
  Chord(s, {VK_CONTROL}, 'Q', "\x11");
  s.Key('B', "b");
  // The first key's control character reaches ecChar, which ignores it; the second key's is dropped.
  EXPECT_EQ(seen, (std::vector<TSxEditorCommand>{ecChar, ecEditorBottom}));
  EXPECT_EQ(e->CaretPos(), BufferCoord(4, 2));
  EXPECT_EQ(e->Lines()->Text(), "abc\r\ndef");
  e->OnCommandProcessed = nullptr;
  // The stored table difference: F1 moved to Ctrl+F1 writes one removed and one added binding.
  TSxEdit g(nullptr);
  g.Keystrokes()->Delete(g.Keystrokes()->FindCommand(ecContextHelp));
  TSxEditKeyStroke* help = g.Keystrokes()->Add();
  help->SetKey(VK_F1);
  help->SetShift({ssCtrl});
  help->SetCommand(ecContextHelp);
  TSxEditKeyStrokes added(nullptr), removed(nullptr);
  g.GetKeystrokeDelta(added, removed);
  EXPECT_EQ(added.Count(), 1);
  EXPECT_EQ(removed.Count(), 1);
  EXPECT_EQ(added.Items(0)->GetShortCut(), 16496);
  TSxEdit h(nullptr);
  h.ApplyKeystrokeDelta(added, removed);
  EXPECT_EQ(h.KeyToCommand(VK_F1, {}), ecNone);
  EXPECT_EQ(h.KeyToCommand(VK_F1, {ssCtrl}), ecContextHelp);
  TSxEdit plain(nullptr);
  plain.GetKeystrokeDelta(added, removed);
  EXPECT_EQ(added.Count() + removed.Count(), 0);
}

TEST(SxEditInput, DialogCodesAndTabs) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  EXPECT_EQ(e->Perform(WM_GETDLGCODE), DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS);
  e->WantTabs = true;
  EXPECT_EQ(e->Perform(WM_GETDLGCODE), 0x87);
  SetLines(e, {"ab"});
  e->SetCaretPosInternal(BufferCoord(3, 1));
  s.Key(VK_TAB, "\t");
  EXPECT_EQ(e->Lines()->Text(), "ab      ");
}

TEST(SxEditInput, MouseSelectionAndAutoScroll) {
  TEditorSession s;
  TEditorForm f(20, 5);
  TSxMemo* e = f.Edit;
  e->Lines()->BeginUpdate();
  for (int i = 1; i <= 50; ++i) e->Lines()->Add("line " + std::to_string(i));
  e->Lines()->EndUpdate();
  s.MoveTo(f.Cell(2, 2));
  s.Press();
  s.MoveTo(f.Cell(4, 3));
  EXPECT_EQ(e->GetSelText(), "ine 2\r\nlin");
  // Below the text area by one row and a half: steps of two rows every 100 ms.
  s.MoveTo(f.At(20, 5 * 16 + 20));
  EXPECT_TRUE(e->ScrollTimer()->Enabled());
  s.Advance(100);
  EXPECT_EQ(e->TopRow(), 3);
  s.Advance(200);
  EXPECT_EQ(e->TopRow(), 7);
  EXPECT_EQ(e->CaretPos().Line, 11);
  EXPECT_EQ(e->SelBegin(), BufferCoord(2, 2));
  // Back inside (second visible row, first column): the timer stops.
  s.MoveTo(f.At(4, 24));
  EXPECT_FALSE(e->ScrollTimer()->Enabled());
  s.Release();
  EXPECT_EQ(e->SelEnd(), BufferCoord(1, 8));
  // Shift+click extends from the anchor.
  s.KeyDown(VK_SHIFT);
  s.Click(f.At(18, 8));  // column 3 of the first visible row (line 7)
  s.KeyUp(VK_SHIFT);
  EXPECT_EQ(e->SelBegin(), BufferCoord(2, 2));
  EXPECT_EQ(e->SelEnd(), BufferCoord(3, 7));
  // A right click without the option neither moves the caret nor drops the selection.
  const TBufferCoord caret = e->CaretPos();
  s.Click(f.At(34, 40), TTestSession::Button::Right);
  EXPECT_EQ(e->CaretPos(), caret);
  EXPECT_TRUE(e->HasSelection());
}

TEST(SxEditInput, DoubleClickAndDragMove) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  SetLines(e, {"x total_sum y", "abc def"});
  s.Click(f.Cell(5, 1));
  s.Click(f.Cell(5, 1));
  EXPECT_EQ(e->GetSelText(), "total_sum");
  // A third click is an ordinary click.
  s.Advance(600);
  s.Click(f.Cell(5, 1));
  EXPECT_FALSE(e->HasSelection());
  // Press on a selection and release without moving: the caret goes there, the selection goes.
  e->SetSelBegin(BufferCoord(1, 2));
  e->SetSelEnd(BufferCoord(4, 2));
  s.Advance(600);
  s.Click(f.Cell(2, 2));
  EXPECT_FALSE(e->HasSelection());
  EXPECT_EQ(e->CaretPos(), BufferCoord(2, 2));
  // Dragging "abc" behind "def" moves it, selected, in one undo step.
  e->SetSelBegin(BufferCoord(1, 2));
  e->SetSelEnd(BufferCoord(4, 2));
  s.Advance(600);
  s.MoveTo(f.Cell(2, 2));
  s.Press();
  const POINT end = f.At(e->RowColumnToPixels(DisplayCoord(8, 2)).x, 2 * 16 - 8);
  s.MoveTo(POINT{end.x - 20, end.y});
  s.MoveTo(POINT{end.x - 10, end.y});
  s.MoveTo(end);
  s.Release();
  EXPECT_EQ(e->Lines()->Get(1), " defabc");
  EXPECT_EQ(e->GetSelText(), "abc");
  EXPECT_EQ(e->CaretPos(), BufferCoord(5, 2));
  e->Undo();
  EXPECT_EQ(e->Lines()->Get(1), "abc def");
}

TEST(SxEditInput, ClipboardRoundTrips) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* a = f.Edit;
  auto* b = new TSxMemo(&f);
  b->SetParent(&f);
  b->SetBounds(0, 200, 300, 100);
  SetLines(a, {"ab", "cd"});
  // Nothing selected: the clipboard keeps what it had.
  Clipboard()->SetAsText("keep");
  a->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "keep");
  // A column block: the private bytes carry the mode, plain text the rows.
  a->SetSelectionMode(smColumn);
  a->SetSelBegin(BufferCoord(1, 1));
  a->SetSelEnd(BufferCoord(3, 2));
  a->CopyToClipboard();
  std::string block;
  ASSERT_TRUE(Clipboard()->GetData(SxEditClipboardFormat(), block));
  EXPECT_EQ(block, std::string("\x02"
                               "ab\r\ncd\0",
                               8));
  EXPECT_EQ(Clipboard()->AsText(), "ab\r\ncd");
  SetLines(b, {"1234", "5678", "9"});
  b->SetCaretPosInternal(BufferCoord(2, 1));
  b->PasteFromClipboard();
  EXPECT_EQ(b->Lines()->Text(), "1ab234\r\n5cd678\r\n9");
  b->Undo();
  EXPECT_EQ(b->Lines()->Text(), "1234\r\n5678\r\n9");
  // Rows padded to the block's width, also with trimming on.
  SetLines(a, {"abcd", "x"});
  a->SetOptions(a->Options() | eoTrimTrailingSpaces);
  a->SetSelBegin(BufferCoord(2, 1));
  a->SetSelEnd(BufferCoord(4, 2));
  a->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "bc\r\n  ");
  // Normal text from another program goes in as a stream; cut and paste between editors.
  a->SetSelectionMode(smNormal);
  Clipboard()->SetAsText("p\r\nq");
  b->SetCaretPosInternal(BufferCoord(1, 3));
  b->PasteFromClipboard();
  EXPECT_EQ(b->Lines()->Text(), "1234\r\n5678\r\np\r\nq9");
  SetLines(a, {"hello world"});
  a->SetSelBegin(BufferCoord(7, 1));
  a->SetSelEnd(BufferCoord(12, 1));
  a->CutToClipboard();
  EXPECT_EQ(a->Lines()->Text(), "hello");  // trimmed: the option is still on
  b->SelectAll();
  b->PasteFromClipboard();
  EXPECT_EQ(b->Lines()->Text(), "world");
  // A damaged private block: an unknown mode pastes as normal text, a missing NUL ends at the block's end.
  TSxSelectionMode mode;
  String text;
  ASSERT_TRUE(SxEditReadClipboardBlock(std::string("\x07xy", 3), mode, text));
  EXPECT_EQ(mode, smNormal);
  EXPECT_EQ(text, "xy");
  EXPECT_FALSE(SxEditReadClipboardBlock(std::string(), mode, text));
  // Text that is not valid UTF-8 goes in byte for byte, a stray byte counting as one character.
  SetLines(a, {""});
  a->SetOptions(a->Options() & ~eoTrimTrailingSpaces);
  Clipboard()->SetAsText("a\xE9z");
  a->PasteFromClipboard();
  EXPECT_EQ(a->Lines()->Get(0), "a\xE9z");
  EXPECT_EQ(a->CaretPos(), BufferCoord(4, 1));
  // Read-only: no paste, no cut.
  b->SetReadOnly(true);
  EXPECT_FALSE(b->CanPaste());
  b->SelectAll();
  b->ClearSelection();
  EXPECT_EQ(b->Lines()->Text(), "world");
}

TEST(SxEditInput, WordWrapLayout) {
  TEditorSession s;
  TEditorForm f(10, 5);
  TSxMemo* e = f.Edit;
  SetLines(e, {"SELECT a, b FROM t", "abcdefghijklmnopqrstuvwxy", "", "x"});
  e->SetWordWrap(true);
  auto* wrap = static_cast<TSxWordWrapPlugin*>(e->WrapPlugin());
  wrap->SetRowLimits(10, 7);
  const int rows[] = {10, 8, 10, 10, 5, 0, 1};
  ASSERT_EQ(wrap->RowCount(), 7);
  for (int r = 1; r <= 7; ++r) EXPECT_EQ(wrap->GetRowLength(r), rows[r - 1]) << r;
  EXPECT_THROW(wrap->GetRowLength(0), EListError);
  // Positions: the last cell of a row stays on it; the next goes to the next row's first column.
  EXPECT_EQ(e->BufferToDisplayPos(BufferCoord(10, 1)), DisplayCoord(10, 1));
  EXPECT_EQ(e->BufferToDisplayPos(BufferCoord(11, 1)), DisplayCoord(1, 2));
  EXPECT_EQ(e->DisplayToBufferPos(DisplayCoord(11, 1)), BufferCoord(11, 1));
  EXPECT_EQ(e->DisplayToBufferPos(DisplayCoord(15, 2)),
            BufferCoord(21, 1));  // the last row takes columns up to the maximum + 1
  EXPECT_EQ(e->DisplayToBufferPos(DisplayCoord(3, 5)), BufferCoord(23, 2));
  for (int c = 1; c <= 26; ++c) EXPECT_EQ(e->DisplayToBufferPos(e->BufferToDisplayPos(BufferCoord(c, 2))).Char, c) << c;
  // Editing re-wraps only the touched lines; deleting a three-row line removes three rows.
  EXPECT_EQ(wrap->LinesDeleted(1, 1), 3);
  wrap->Reset();
  // With the real width: typing keeps the layout in step with a fresh one.
  e->SetCaretPosInternal(BufferCoord(1, 4));
  s.Type("more words to wrap here");
  const int incremental = wrap->RowCount();
  wrap->Reset();
  EXPECT_EQ(wrap->RowCount(), incremental);
  // Off and on again: text and caret stay.
  const String text = e->Lines()->Text();
  const TBufferCoord caret = e->CaretPos();
  e->SetWordWrap(false);
  EXPECT_EQ(e->Lines()->Text(), text);
  EXPECT_EQ(e->CaretPos(), caret);
  e->SetWordWrap(true);
  EXPECT_EQ(e->CaretPos(), caret);
  EXPECT_EQ(e->CaretDisplayPos(), e->BufferToDisplayPos(caret));
  // A text area wider than 255 cells still wraps (row lengths are not bytes).
  TEditorForm wide(300, 3);
  wide.Edit->Lines()->Add(String(700, 'x'));
  wide.Edit->SetWordWrap(true);
  EXPECT_EQ(wide.Edit->WrapPlugin()->RowCount(), 3);
  EXPECT_EQ(wide.Edit->WrapPlugin()->GetRowLength(1), 300);
}

TEST(SxEditInput, MemoMessagesAndWindowText) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  EXPECT_EQ(e->Perform(EM_GETLINECOUNT), 0);
  EXPECT_EQ(e->Perform(EM_GETFIRSTVISIBLELINE), 1);
  SetLines(e, {"ab", "cd"});
  e->SetCaretPosInternal(BufferCoord(2, 2));
  e->SetSelBegin(e->CaretPos());
  DWORD a = 0, b = 0;
  EXPECT_EQ(e->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b)), MAKELONG(5, 5));
  EXPECT_EQ(a, 5u);
  e->Perform(EM_SETSEL, 1, 6);
  EXPECT_EQ(e->SelBegin(), BufferCoord(2, 1));
  EXPECT_EQ(e->SelEnd(), BufferCoord(3, 2));
  EXPECT_EQ(e->Perform(EM_CHARFROMPOS, 0, MAKELPARAM(2, 16 + 3)), MAKELONG(5, 1));
  char sel[16] = {};
  EXPECT_EQ(e->Perform(WM_USER + 62, 0, reinterpret_cast<LPARAM>(sel)), 5);
  EXPECT_STREQ(sel, "b\r\ncd");
  char line[8] = {};
  const WORD size = 8;
  std::memcpy(line, &size, sizeof size);
  EXPECT_EQ(e->Perform(EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 2);
  EXPECT_EQ(std::string(line, 2), "cd");
  // Replacing with undo is one step; without it cannot be undone.
  e->Perform(EM_SETSEL, 0, 2);
  e->Perform(EM_REPLACESEL, 1, reinterpret_cast<LPARAM>("xyz"));
  EXPECT_EQ(e->Lines()->Text(), "xyz\r\ncd");
  EXPECT_EQ(e->Perform(EM_UNDO), 1);
  EXPECT_EQ(e->Lines()->Text(), "ab\r\ncd");
  e->ClearUndo();
  e->Perform(EM_SETSEL, 0, 2);
  e->Perform(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("q"));
  EXPECT_EQ(e->Lines()->Text(), "q\r\ncd");
  EXPECT_EQ(e->Perform(EM_CANUNDO), 0);
  EXPECT_EQ(e->Perform(EM_UNDO), 0);
  // Window text: bounded copies, whole characters.
  char buf[5] = {};
  EXPECT_EQ(e->Perform(WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buf)), 4);
  EXPECT_STREQ(buf, "q\r\nc");
  EXPECT_EQ(e->Perform(WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buf)), 0);
  EXPECT_EQ(e->Perform(WM_GETTEXTLENGTH), 5);
  EXPECT_EQ(e->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ä\nb")), -1);
  EXPECT_EQ(e->Lines()->Count(), 2);
  char two[3] = {};
  EXPECT_EQ(e->Perform(WM_GETTEXT, 2, reinterpret_cast<LPARAM>(two)), 0);  // "ä" does not fit in one byte
  EXPECT_EQ(e->Perform(WM_ERASEBKGND), 1);
  e->SetModified(true);
  EXPECT_EQ(e->Perform(EM_GETMODIFY), 1);
  e->Perform(EM_SETMODIFY, 0);
  EXPECT_FALSE(e->Modified());
}

TEST(SxEditInput, StandardEditActions) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  SetLines(e, {"abc"});
  TEditCopy copy(nullptr);
  TEditCut cut(nullptr);
  TEditUndo undo(nullptr);
  TEditSelectAll all(nullptr);
  TEditDelete del(nullptr);
  TAction other(nullptr);
  EXPECT_TRUE(e->UpdateAction(&copy));
  EXPECT_FALSE(copy.Enabled());
  EXPECT_TRUE(e->ExecuteAction(&all));
  e->UpdateAction(&copy);
  EXPECT_TRUE(copy.Enabled());
  EXPECT_TRUE(e->ExecuteAction(&cut));
  EXPECT_EQ(e->Lines()->Text(), "");
  e->UpdateAction(&undo);
  EXPECT_TRUE(undo.Enabled());
  e->ExecuteAction(&undo);
  EXPECT_EQ(e->Lines()->Text(), "abc");
  // Delete leaves a read-only editor alone.
  e->SetReadOnly(true);
  e->SelectAll();
  e->UpdateAction(&del);
  EXPECT_FALSE(del.Enabled());
  e->ExecuteAction(&del);
  EXPECT_EQ(e->Lines()->Text(), "abc");
  EXPECT_FALSE(e->ExecuteAction(&other));
}

// The form's standard edit actions find the focused editor through the framework, enable for
// what it can do, run on it by their short cuts, and go back to the platform's edit when that
// has the focus.
TEST(SxEditInput, StandardEditActionsReachFocusedEditor) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  TEdit* plain = new TEdit(&f);
  plain->SetParent(&f);
  plain->SetBounds(0, 200, 100, 20);
  auto* list = new TActionList(&f);
  auto* cut = new TEditCut(&f);
  auto* copy = new TEditCopy(&f);
  auto* paste = new TEditPaste(&f);
  auto* all = new TEditSelectAll(&f);
  auto* undo = new TEditUndo(&f);
  auto* del = new TEditDelete(&f);
  const std::vector<TCustomAction*> actions{cut, copy, paste, all, undo, del};
  for (TCustomAction* a : actions) a->SetActionList(list);
  auto enabled = [&] {
    Application->UpdateActions();
    String on;
    for (TCustomAction* a : actions) on += a->Enabled() ? '1' : '0';
    return on;
  };
  Clipboard()->Clear();
  e->SetFocus();
  EXPECT_EQ(enabled(), "000000");  // empty editor, empty clipboard
  SetLines(e, {"select from t"});
  EXPECT_EQ(enabled(), "000100");
  Chord(s, {VK_CONTROL}, 'A');  // through the action list's short cut or the editor's own key
  EXPECT_EQ(e->GetSelText(), "select from t");
  EXPECT_EQ(enabled(), "110101");
  ASSERT_TRUE(cut->Execute());
  EXPECT_EQ(e->Lines()->Text(), "");
  EXPECT_EQ(Clipboard()->AsText(), "select from t");
  EXPECT_EQ(enabled(), "001010");
  ASSERT_TRUE(paste->Execute());
  ASSERT_TRUE(paste->Execute());
  EXPECT_EQ(e->GetText(), "select from tselect from t");
  ASSERT_TRUE(undo->Execute());
  EXPECT_EQ(e->GetText(), "select from t");
  ASSERT_TRUE(all->Execute());
  ASSERT_TRUE(copy->Execute());
  ASSERT_TRUE(del->Execute());
  EXPECT_EQ(e->Lines()->Text(), "");
  // Read-only: nothing that changes the text is on.
  SetLines(e, {"x"});
  e->SetReadOnly(true);
  e->SelectAll();
  EXPECT_EQ(enabled(), "010100");
  EXPECT_FALSE(cut->Execute());
  EXPECT_EQ(e->GetText(), "x");
  // The platform's own edit gets them back when it has the focus.
  plain->SetText("abc");
  plain->SetFocus();
  plain->SelectAll();
  EXPECT_EQ(enabled(), "111101");
  ASSERT_TRUE(cut->Execute());
  EXPECT_EQ(plain->Text(), "");
  EXPECT_EQ(e->GetText(), "x");
}

// Files dropped on the window reach OnDropFiles (client point, every path) only while
// eoDropFiles is on; otherwise the window does not take them.
TEST(SxEditInput, DroppedFiles) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  std::vector<String> got;
  TPoint at{};
  e->OnDropFiles = [&](TObject* sender, int x, int y, TStrings* files) {
    EXPECT_EQ(sender, e);
    at = TPoint{x, y};
    for (int i = 0; i < files->Count(); ++i) got.push_back(files->Strings(i));
  };
  EXPECT_FALSE(PostFileDrop(f.At(30, 20), {"/tmp/q.sql"}));
  e->SetOptions(e->Options() | eoDropFiles);
  const String longPath = "/tmp/" + String(600, 'p') + "\xFF.sql";
  ASSERT_EQ(PostFileDrop(f.At(30, 20), {"/tmp/q.sql", longPath}), e->Handle());
  s.ProcessMessages();
  EXPECT_EQ(got, (std::vector<String>{"/tmp/q.sql", longPath}));
  EXPECT_EQ(at, (TPoint{30, 20}));
  // A window made after the option was set accepts files from the start.
  f.Edit->RecreateWnd();
  got.clear();
  ASSERT_TRUE(PostFileDrop(f.At(5, 5), {"/tmp/r.sql"}));
  s.ProcessMessages();
  EXPECT_EQ(got, (std::vector<String>{"/tmp/r.sql"}));
  e->SetOptions(e->Options() & ~eoDropFiles);
  EXPECT_FALSE(PostFileDrop(f.At(30, 20), {"/tmp/q.sql"}));
}
