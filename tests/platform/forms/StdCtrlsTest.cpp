// Standard controls: memo lines, combo boxes, labeled edits, splitters, check and radio
// buttons, drag and drop between controls.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "FormsTestUtil.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Mask.h"

using Lines = std::vector<String>;

TEST(StdControls, MemoLinesAndTextAgree) {
  TFormsSession s;
  TPlainForm f;
  auto* memo = new TMemo(&f);
  memo->SetParent(&f);
  memo->SetBounds(10, 10, 200, 100);
  memo->Lines()->Add("SELECT *");
  memo->Lines()->Add("FROM T");
  EXPECT_EQ(memo->Text(), "SELECT *\r\nFROM T");
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  f.Show();
  memo->SetFocus();
  memo->SetSelStart(static_cast<int>(memo->Text().size()));
  s.Key(VK_RETURN, "\r");
  s.Type("WHERE ä = 1");
  EXPECT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(2), "WHERE ä = 1");
  EXPECT_EQ(memo->CaretPos(), (TPoint{11, 2}));
  EXPECT_GT(changes, 0);
  memo->SetText("a\nb");  // a lone LF is a line break too
  EXPECT_EQ(memo->Lines()->Count(), 2);
  // Read-only: typing and cutting change nothing.
  memo->SetReadOnly(true);
  memo->SelectAll();
  s.Type("x");
  memo->Perform(WM_CUT);
  EXPECT_EQ(memo->Lines()->Count(), 2);
}

TEST(StdControls, EditLimitsAndCase) {
  TFormsSession s;
  TPlainForm f;
  auto* e = new TEdit(&f);
  e->SetParent(&f);
  e->SetMaxLength(4);
  e->SetCharCase(TEditCharCase::ecUpperCase);
  f.Show();
  s.Type("abcdéf");
  EXPECT_EQ(e->Text(), "ABCD");
  e->SetMaxLength(0);
  e->SetSelStart(2);
  e->SetSelLength(1);
  e->SetSelText("é");  // replaces "C", counted in characters
  EXPECT_EQ(e->Text(), "ABÉD");
  DWORD a = 0, b = 0;
  e->Perform(EM_SETSEL, 1, 3);
  e->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  EXPECT_EQ(std::make_pair(a, b), std::make_pair(DWORD{1}, DWORD{3}));
  EXPECT_EQ(e->SelText(), "BÉ");
  e->SetPasswordChar(U'*');
  Clipboard()->SetAsText("keep");
  e->CopyToClipboard();
  EXPECT_EQ(Clipboard()->AsText(), "keep") << "a password is never copied";
}

TEST(StdControls, ComboBoxDropDownAndTyping) {
  TFormsSession s;
  TPlainForm f;
  auto* combo = new TComboBox(&f);
  combo->SetParent(&f);
  combo->SetBounds(10, 10, 150, 21);
  for (const char* t : {"NONE", "UTF8", "WIN1252"}) combo->Items()->Add(t);
  Lines events;
  combo->OnChange = [&](TObject*) { events.push_back("change " + combo->Text()); };
  combo->OnCloseUp = [&](TObject*) { events.push_back("closeup"); };
  f.Show();
  s.KeyDown(VK_MENU);
  s.Key(VK_DOWN);
  s.KeyUp(VK_MENU);
  EXPECT_TRUE(combo->DroppedDown());
  s.Key(VK_DOWN);
  s.Key(VK_DOWN);
  s.Key(VK_RETURN);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "UTF8");
  EXPECT_EQ(events, (Lines{"closeup", "change UTF8"}));
  // Typing a name that is in the list selects it; any other text leaves no item.
  combo->SelectAll();
  s.Type("WIN1252");
  EXPECT_EQ(combo->ItemIndex(), 2);
  s.Type("x");
  EXPECT_EQ(combo->ItemIndex(), -1);
  // A fixed list: a letter jumps to the next item starting with it.
  combo->SetStyle(csDropDownList);
  combo->SetItemIndex(0);
  s.Type("w");
  EXPECT_EQ(combo->Text(), "WIN1252");
}

TEST(StdControls, LabeledEditSplitterCheckAndRadio) {
  TFormsSession s;
  TPlainForm f;
  auto* le = new TLabeledEdit(&f);
  le->SetLabelPosition(lpLeft);
  le->EditLabel()->SetCaption("User");
  le->SetParent(&f);
  le->SetBounds(100, 50, 120, 21);
  EXPECT_EQ(le->EditLabel()->Parent(), &f);
  EXPECT_EQ(le->EditLabel()->Left() + le->EditLabel()->Width() + 3, 100);
  le->SetVisible(false);
  EXPECT_FALSE(le->EditLabel()->Visible());

  auto* side = new TPanel(&f);
  side->SetParent(&f);
  side->SetWidth(100);
  side->SetAlign(alLeft);
  auto* split = new TSplitter(&f);
  split->SetParent(&f);
  split->SetLeft(100);
  split->SetWidth(6);
  split->SetAlign(alLeft);
  split->MinSize = 30;
  auto* rest = new TPanel(&f);
  rest->SetParent(&f);
  rest->SetAlign(alClient);
  int moved = 0;
  split->OnMoved = [&](TObject*) { ++moved; };
  f.Show();
  ASSERT_EQ(split->Left(), 100);
  EXPECT_EQ(split->FindControl(), side);
  POINT p = TFormsSession::At(split, 2, 50);
  s.MoveTo(p);
  s.Press();
  s.MoveTo(POINT{p.x + 40, p.y});
  s.Release();
  EXPECT_EQ(side->Width(), 140);
  EXPECT_EQ(split->Left(), 140);
  EXPECT_EQ(rest->Left(), 146);
  EXPECT_EQ(moved, 1);
  // Limits: the side keeps MinSize, and so does the client part.
  p = TFormsSession::At(split, 2, 50);
  s.MoveTo(p), s.Press(), s.MoveTo(POINT{p.x - 500, p.y}), s.Release();
  EXPECT_EQ(side->Width(), 30);
  p = TFormsSession::At(split, 2, 50);
  s.MoveTo(p), s.Press(), s.MoveTo(POINT{p.x + 1000, p.y}), s.Release();
  EXPECT_EQ(side->Width(), 400 - 6 - 30);

  auto* check = new TCheckBox(&f);
  check->SetParent(rest);
  int clicks = 0;
  check->OnClick = [&](TObject*) { ++clicks; };
  s.Click(TFormsSession::At(check, 3, 3));
  EXPECT_TRUE(check->Checked());
  check->SetChecked(false);  // a change from the program clicks too
  EXPECT_EQ(clicks, 2);
  auto* r1 = new TRadioButton(&f);
  r1->SetParent(rest);
  r1->SetTop(30);
  auto* r2 = new TRadioButton(&f);
  r2->SetParent(rest);
  r2->SetTop(60);
  s.Click(TFormsSession::At(r1, 3, 3));
  s.Click(TFormsSession::At(r2, 3, 3));
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
}

TEST(StdControls, DragAndDropBetweenControls) {
  TFormsSession s;
  TPlainForm f;
  auto* source = new TListBox(&f);
  source->SetParent(&f);
  source->SetBounds(10, 10, 100, 100);
  source->SetDragMode(dmAutomatic);
  auto* target = new TPanel(&f);
  target->SetParent(&f);
  target->SetBounds(200, 10, 100, 100);
  Lines log;
  target->OnDragOver = [&](TObject*, TObject* src, int, int, TDragState st, bool& accept) {
    if (st == dsDragEnter) log.push_back(String("enter from ") + src->ClassName());
    accept = src == source;
  };
  target->OnDragDrop = [&](TObject*, TObject*, int x, int y) {
    log.push_back("drop " + IntToStr(x) + "," + IntToStr(y));
  };
  source->OnEndDrag = [&](TObject*, TObject* t, int, int) {
    log.push_back(t == target ? "end on target" : "end nowhere");
  };
  f.Show();
  s.MoveTo(TFormsSession::At(source, 20, 20));
  s.Press();
  s.MoveTo(TFormsSession::At(source, 22, 21));  // under the threshold: no drag yet
  EXPECT_TRUE(log.empty());
  s.MoveTo(TFormsSession::At(target, 30, 40));
  s.Release();
  EXPECT_EQ(log, (Lines{"enter from TListBox", "drop 30,40", "end on target"}));
  EXPECT_FALSE(IsDragging());
  // Escape cancels a drag: no drop.
  log.clear();
  s.Clock().AdvanceMs(1000);  // not a double click
  s.MoveTo(TFormsSession::At(source, 20, 20));
  s.Press();
  s.MoveTo(TFormsSession::At(target, 30, 40));
  s.Key(VK_ESCAPE);
  s.Release();
  EXPECT_EQ(log, (Lines{"enter from TListBox", "end nowhere"}));
}

TEST(StdControls, ManyLinesAndHugeTextsStayLinear) {
  TFormsSession s;
  TPlainForm f;
  auto* memo = new TMemo(&f);
  memo->SetParent(&f);
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  // Joining the text after each Add would copy gigabytes here.
  for (int i = 0; i < 50000; ++i) memo->Lines()->Add("line " + IntToStr(i));
  EXPECT_EQ(changes, 50000);
  String text = memo->Text();
  EXPECT_EQ(text.substr(0, 14), "line 0\r\nline 1");
  EXPECT_EQ(text.substr(text.size() - 10), "line 49999");
  f.Show();
  s.Snapshot(f.Handle());
}

TEST(StdControls, MaskEditTakesWhatTheMaskAllows) {
  TFormsSession s;
  TPlainForm f;
  auto* digits = new TMaskEdit(&f);
  digits->SetParent(&f);
  digits->SetEditMask("9999999999999;0; ");
  auto* date = new TMaskEdit(&f);
  date->SetParent(&f);
  date->SetTop(40);
  date->SetEditMask("00/00;0;_");
  f.Show();
  int beeps = MessageBeepCount();
  s.Type("12a3");
  EXPECT_EQ(digits->Text(), "123");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  s.Type("4567890123456");  // 13 positions: the rest beeps
  EXPECT_EQ(digits->Text(), "1234567890123");
  date->SetFocus();
  s.Type("1205");
  EXPECT_EQ(date->EditText(), "12/05");
  EXPECT_EQ(date->Text(), "1205") << "literals are not saved (;0)";
}

TEST(StdControls, MemoEditMessagesScrollingAndLineBreaks) {
  TFormsSession s;
  TPlainForm f;
  std::vector<WORD> notes;
  struct TNotedMemo : TMemo {
    TNotedMemo(TComponent* o, std::vector<WORD>* n) : TMemo(o), notes(n) {}
    void Dispatch(TMessage& m) override {
      if (m.Msg == CN_COMMAND) notes->push_back(HIWORD(m.WParam));
      TMemo::Dispatch(m);
    }
    std::vector<WORD>* notes;
  };
  auto* memo = new TNotedMemo(&f, &notes);
  memo->SetParent(&f);
  memo->SetBounds(0, 0, 200, 13 * 4 + 4);  // four lines of 13 pixels
  memo->SetScrollBars(ssVertical);
  Clipboard()->SetAsText("a\nbé\r\nc\rd\n\re");
  f.Show();
  memo->PasteFromClipboard();
  EXPECT_EQ(memo->Lines()->Count(), 5);
  EXPECT_EQ(memo->Text(), "a\r\nbé\r\nc\r\nd\r\ne") << "every break becomes CR LF";
  EXPECT_EQ(memo->Perform(EM_LINEINDEX, 2), 7) << "positions count characters";
  EXPECT_EQ(memo->Perform(EM_LINEINDEX, static_cast<WPARAM>(-1)), 13) << "the caret's line";
  EXPECT_EQ(memo->Perform(EM_LINEINDEX, 9), -1);
  char buf[16] = {};
  WORD room = sizeof buf;
  std::memcpy(buf, &room, sizeof room);
  EXPECT_EQ(memo->Perform(EM_GETLINE, 1, reinterpret_cast<LPARAM>(buf)), 3);
  EXPECT_EQ(String(buf, 3), "bé");
  // Scrolling moves the first visible line, tells the parent, and sets the bar.
  memo->Perform(EM_LINESCROLL, 0, -10);
  EXPECT_EQ(memo->Perform(EM_GETFIRSTVISIBLELINE), 0);
  memo->Perform(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(memo->Perform(EM_GETFIRSTVISIBLELINE), 1);
  memo->Perform(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(memo->Perform(EM_GETFIRSTVISIBLELINE), 1) << "the last line stays at the bottom";
  EXPECT_EQ(notes, (std::vector<WORD>{EN_VSCROLL}));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  s.Snapshot(f.Handle());
  GetScrollInfo(memo->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nPos, 1);
  EXPECT_EQ(si.nMax, 4);
  // A click lands on the line under the pointer.
  s.Click(TFormsSession::At(memo, 2 + 7 + 3, 1 + 13 + 2));
  EXPECT_EQ(memo->CaretPos(), (TPoint{1, 2}));
  EXPECT_EQ(memo->Perform(EM_GETMODIFY), 1);
}

TEST(StdControls, ListBoxSelectionSearchAndMessages) {
  TFormsSession s;
  TPlainForm f;
  auto* list = new TListBox(&f);
  list->SetParent(&f);
  list->SetBounds(0, 0, 120, 13 * 5 + 4);
  for (const char* t : {"Alpha", "beta", "Bravo", "charlie", "Delta", "echo", "Foxtrot"}) list->Items()->Add(t);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  f.Show();
  // Typing searches by prefix, ignoring case; a pause starts a new search.
  s.Type("b");
  EXPECT_EQ(list->ItemIndex(), 1);
  s.Type("r");
  EXPECT_EQ(list->ItemIndex(), 2) << "\"br\" continues the search";
  s.Clock().AdvanceMs(600);
  s.Type("d");
  EXPECT_EQ(list->ItemIndex(), 4);
  s.Key(VK_END);
  EXPECT_EQ(list->ItemIndex(), 6);
  EXPECT_EQ(list->TopIndex(), 2);
  EXPECT_EQ(clicks, 4) << "each change by the user clicks once";
  // The messages: a prefix search from after wParam, wrapping.
  auto find = [&](int start, const char* t) {
    return list->Perform(LB_FINDSTRING, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(t));
  };
  EXPECT_EQ(find(-1, "B"), 1);
  EXPECT_EQ(find(1, "B"), 2);
  EXPECT_EQ(find(2, "b"), 1);
  EXPECT_EQ(find(0, "zulu"), LB_ERR);
  EXPECT_EQ(list->Perform(LB_GETCOUNT), 7);
  EXPECT_EQ(list->Perform(LB_SETCURSEL, 9), LB_ERR);
  // Extended selection: Shift extends from the anchor, Ctrl toggles.
  list->SetMultiSelect(true);
  list->SetTopIndex(0);
  s.Click(TFormsSession::At(list, 5, 13 * 1 + 3));
  s.KeyDown(VK_SHIFT);
  s.Click(TFormsSession::At(list, 5, 13 * 3 + 3));
  s.KeyUp(VK_SHIFT);
  s.KeyDown(VK_CONTROL);
  s.Clock().AdvanceMs(1000);
  s.Click(TFormsSession::At(list, 5, 13 * 2 + 3));
  s.KeyUp(VK_CONTROL);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_TRUE(list->Selected(1) && !list->Selected(2) && list->Selected(3));
  EXPECT_EQ(list->Perform(LB_GETSELCOUNT), 2);
}

TEST(StdControls, VirtualListBoxAsksForItsRows) {
  TFormsSession s;
  TPlainForm f;
  auto* list = new TListBox(&f);
  list->SetParent(&f);
  list->SetStyle(lbVirtual);
  list->SetCount(100000);
  std::vector<int> asked;
  list->OnData = [&](TWinControl*, int i, String& data) {
    asked.push_back(i);
    data = "row " + IntToStr(i);
  };
  list->OnDataFind = [&](TWinControl*, const String& text) { return text == "row 4" ? 4 : -1; };
  f.Show();
  s.Snapshot(f.Handle());
  EXPECT_EQ(list->Count(), 100000);
  ASSERT_FALSE(asked.empty());
  EXPECT_LT(asked.size(), 20u) << "only the rows shown are asked for";
  EXPECT_EQ(list->ItemText(99999), "row 99999");
  s.Type("row 4");
  EXPECT_EQ(list->ItemIndex(), 4);
  EXPECT_THROW(TListBox(nullptr).SetCount(3), EInvalidOperation);
}

TEST(StdControls, ListBoxSameLetterSteps) {
  TFormsSession s;
  TPlainForm f;
  auto* list = new TListBox(&f);
  list->SetParent(&f);
  for (const char* t : {"beta", "Bravo", "charlie", "bob"}) list->Items()->Add(t);
  f.Show();
  std::vector<int> seen;
  for (int k = 0; k < 4; ++k) {
    s.Type("b");
    seen.push_back(list->ItemIndex());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 3, 0}));
}

TEST(StdControls, AcceleratorsReachTheFormsControls) {
  TFormsSession s;
  TPlainForm f;
  auto* label = new TLabel(&f);
  label->SetParent(&f);
  label->SetCaption("&Name");
  auto* edit = new TEdit(&f);
  edit->SetParent(&f);
  edit->SetBounds(80, 10, 120, 21);
  label->FocusControl = edit;
  auto* box = new TCheckBox(&f);
  box->SetParent(&f);
  box->SetBounds(10, 40, 100, 17);
  box->SetCaption("&Active");
  auto* button = new TButton(&f);
  button->SetParent(&f);
  button->SetBounds(10, 70, 75, 25);
  button->SetCaption("R&&D &Run");
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  f.Show();
  auto alt = [&](WORD vk) {
    s.KeyDown(VK_MENU);
    s.Key(vk);
    s.KeyUp(VK_MENU);
  };
  edit->SetFocus();
  alt('A');
  EXPECT_TRUE(box->Checked());
  EXPECT_TRUE(box->Focused());
  // A plain letter is an accelerator where the focused control takes no characters...
  s.Type("a");
  EXPECT_FALSE(box->Checked());
  alt('R');
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(box->Focused()) << "a push button's accelerator leaves the focus";
  alt('D');  // "&&" is a plain ampersand
  alt('X');
  EXPECT_EQ(clicks, 1);
  alt('N');
  EXPECT_TRUE(edit->Focused());
  // ...but not in an edit, which types it.
  s.Type("a");
  EXPECT_EQ(edit->Text(), "a");
  EXPECT_FALSE(box->Checked());
  // Disabled controls do not answer.
  box->SetEnabled(false);
  alt('A');
  EXPECT_FALSE(box->Checked());
}

TEST(StdControls, EditAlignmentPlacesTextThatFits) {
  TFormsSession s;
  TPlainForm f;
  auto* e = new TEdit(&f);
  e->SetParent(&f);
  e->SetBounds(10, 10, 120, 21);
  e->SetText("42");
  f.Show();
  auto xOf = [&](int i) { return static_cast<int>(LOWORD(e->Perform(EM_POSFROMCHAR, i, 0))); };
  auto charAt = [&](int x) { return static_cast<int>(LOWORD(e->Perform(EM_CHARFROMPOS, 0, MAKELPARAM(x, 5)))); };
  int left = xOf(0), width = xOf(2) - xOf(0);
  ASSERT_GT(width, 0);
  const int room = e->ClientWidth() - 4;  // the standard margins
  struct Case {
    TAlignment a;
    int x0;
  };
  for (Case c : {Case{taRightJustify, left + room - width}, Case{taCenter, left + (room - width) / 2},
                 Case{taLeftJustify, left}}) {
    e->SetAlignment(c.a);
    EXPECT_EQ(xOf(0), c.x0) << c.a;
    EXPECT_EQ(charAt(c.x0 + width + 3), 2) << "a click right of the text puts the caret at its end";
    EXPECT_EQ(charAt(c.x0 - 3), 0);
  }
  // The pixels agree: a right-aligned text leaves the left half of the box empty.
  e->SetAlignment(taRightJustify);
  Surface snap = s.Snapshot(e->Handle());
  const Pixel paper = PixelFromColor(ColorToRGB(clWindow));
  auto inked = [&](int x0, int x1) {  // inside the 2-pixel sunken border
    for (int y = 3; y < snap.Height() - 3; ++y)
      for (int x = x0; x < x1; ++x)
        if (snap.At(x, y) != paper) return true;
    return false;
  };
  EXPECT_FALSE(inked(3, snap.Width() / 2));
  EXPECT_TRUE(inked(snap.Width() / 2, snap.Width() - 3));
  // A text longer than the box scrolls as a left-aligned one does.
  e->SetText(String(60, 'W'));
  EXPECT_EQ(xOf(0), left);
}

// OnSelChange follows every move of the selection or caret, whoever makes it, and nothing else.
TEST(StdControls, EditSelectionChangeNotification) {
  TFormsSession s;
  TPlainForm f;
  auto* e = new TEdit(&f);
  e->SetParent(&f);
  e->SetBounds(10, 10, 120, 21);
  e->SetText("abcdef");
  f.Show();
  e->SetFocus();
  s.ProcessMessages();
  e->SetSelStart(0);
  int changes = 0;
  e->OnSelChange = [&](TObject*) { ++changes; };
  auto shift = [&](WORD key) {
    s.KeyDown(VK_SHIFT);
    s.Key(key);
    s.KeyUp(VK_SHIFT);
  };
  struct Case {
    const char* what;
    std::function<void()> act;
    int changes, start, length;
  } cases[] = {
      {"SelStart", [&] { e->SetSelStart(2); }, 1, 2, 0},
      {"the same SelStart", [&] { e->SetSelStart(2); }, 0, 2, 0},
      {"SelLength", [&] { e->SetSelLength(2); }, 1, 2, 2},
      {"EM_SETSEL", [&] { e->Perform(EM_SETSEL, 1, 3); }, 1, 1, 2},
      {"SelectAll", [&] { e->SelectAll(); }, 1, 0, 6},
      {"Home", [&] { s.Key(VK_HOME); }, 1, 0, 0},
      {"Left at the start", [&] { s.Key(VK_LEFT); }, 0, 0, 0},
      {"Shift+Right", [&] { shift(VK_RIGHT); }, 1, 0, 1},
      {"Shift+End", [&] { shift(VK_END); }, 1, 0, 6},
      {"a click", [&] { s.Click(TFormsSession::At(e, 3, 5)); }, 1, 0, 0},
      {"typing", [&] { s.Type("x"); }, 0, 1, 0},
      {"a text set", [&] { e->SetText("xyz"); }, 0, 0, 0},
  };
  for (const Case& c : cases) {
    changes = 0;
    c.act();
    EXPECT_EQ(changes, c.changes) << c.what;
    EXPECT_EQ(e->SelStart(), c.start) << c.what;
    EXPECT_EQ(e->SelLength(), c.length) << c.what;
  }
}
