// The editor control's view: defaults, coordinates, caret and scrolling, painting on a
// recording DC, the gutter, the shared fonts of the text drawer, marks and bookmarks.

#include <gtest/gtest.h>
#include <random>

#include "EditorTestUtil.h"
#include "editor/SxHighlighterSQL.h"
#include "editor/SxWordWrap.h"
#include "platform/core/Utf8.h"

namespace {

void SetLines(TCustomSxEdit* e, std::initializer_list<const char*> lines) {
  e->Lines()->Clear();
  for (const char* l : lines) e->Lines()->Add(l);
}

}  // namespace

TEST(SxEditView, DefaultsAndClampedProperties) {
  TEditorSession s;
  TSxEdit e(nullptr);
  EXPECT_EQ(e.Options(), 0x026C0192u);
  EXPECT_EQ(e.TabWidth(), 8);
  EXPECT_EQ(e.RightEdge(), 80);
  EXPECT_EQ(e.MaxScrollWidth(), 1024);
  EXPECT_EQ(e.Font()->Name(), "Courier New");
  EXPECT_EQ(e.Font()->Size(), 10);
  EXPECT_EQ(e.CaretPos(), BufferCoord(1, 1));
  EXPECT_TRUE(e.InsertMode());
  e.SetTabWidth(0);
  EXPECT_EQ(e.TabWidth(), 1);
  e.SetTabWidth(1000);
  EXPECT_EQ(e.TabWidth(), 256);
  e.SetMaxUndo(-5);
  EXPECT_EQ(e.MaxUndo(), 1024);
}

TEST(SxEditView, CoordinateRoundTrips) {
  TEditorSession s;
  TEditorForm f;
  TSxMemo* e = f.Edit;
  SetLines(e, {"a\tb", "äö\tx", "日本語", ""});
  struct Case {
    TBufferCoord buffer;
    TDisplayPoint display;
  } cases[] = {
      {{1, 1}, {1, 1}},  {{2, 1}, {2, 1}}, {{3, 1}, {9, 1}}, {{4, 1}, {10, 1}},
      {{6, 1}, {12, 1}},                                                        // past the end: one column per position
      {{3, 2}, {3, 2}},  {{4, 2}, {9, 2}}, {{2, 3}, {2, 3}}, {{4, 3}, {4, 3}},  // one cell per character
      {{5, 4}, {5, 4}},  {{7, 9}, {7, 9}},                                      // a line past the end keeps its Char
  };
  for (const auto& c : cases) {
    EXPECT_EQ(e->BufferToDisplayPos(c.buffer), c.display) << c.buffer.Char << "," << c.buffer.Line;
    EXPECT_EQ(e->DisplayToBufferPos(c.display), c.buffer) << c.display.Column << "," << c.display.Row;
  }
  for (int col = 2; col <= 8; ++col) EXPECT_EQ(e->DisplayToBufferPos(DisplayCoord(col, 1)).Char, 2) << col;
  // Pixels: columns start at x = 2 with no gutter, truncating and nearest.
  EXPECT_EQ(e->RowColumnToPixels(DisplayCoord(3, 2)), (TPoint{18, 16}));
  EXPECT_EQ(e->PixelsToRowColumn(17, 31), DisplayCoord(2, 2));
  EXPECT_EQ(e->PixelsToNearestRowColumn(6, 0), DisplayCoord(1, 1));   // 0.5 rounds to even
  EXPECT_EQ(e->PixelsToNearestRowColumn(14, 0), DisplayCoord(3, 1));  // 1.5 rounds to even
  EXPECT_EQ(e->PixelsToNearestRowColumn(-40, 5000).Row, 10);          // below the window: the last row
}

TEST(SxEditView, CaretLimitsAndScrolling) {
  TEditorSession s;
  TEditorForm f(40, 4);
  TSxMemo* e = f.Edit;
  SetLines(e, {"abc", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
  e->SetOptions(e->Options() & ~eoScrollPastEol);
  e->SetCaretPosInternal(BufferCoord(50, 1));
  EXPECT_EQ(e->CaretPos(), BufferCoord(4, 1));
  e->SetOptions(e->Options() | eoScrollPastEol);
  e->SetCaretPosInternal(BufferCoord(50, 1));
  EXPECT_EQ(e->CaretPos(), BufferCoord(50, 1));
  e->SetCaretPosInternal(BufferCoord(5000, 1));
  EXPECT_EQ(e->CaretPos(), BufferCoord(1025, 1));
  // Scrolled as far right as the scroll width allows.
  EXPECT_EQ(e->LeftColumn(), 1024 - 40 + 1);
  e->SetTopRow(100);
  EXPECT_EQ(e->TopRow(), 7);
  e->SetOptions(e->Options() | eoScrollPastEof);
  e->SetTopRow(100);
  EXPECT_EQ(e->TopRow(), 10);
  // Scripted moves through real keys: Ctrl+End, then Ctrl+Home.
  e->SetOptions(e->Options() & ~eoScrollPastEof);
  s.KeyDown(VK_CONTROL);
  s.Key(VK_END);
  s.KeyUp(VK_CONTROL);
  EXPECT_EQ(e->CaretPos(), BufferCoord(2, 10));
  EXPECT_EQ(e->TopRow(), 7);
  EXPECT_EQ(e->LeftColumn(), 2);  // the caret's column becomes the first shown
  s.KeyDown(VK_CONTROL);
  s.Key(VK_HOME);
  s.KeyUp(VK_CONTROL);
  EXPECT_EQ(e->CaretPos(), BufferCoord(1, 1));
  EXPECT_EQ(e->TopRow(), 1);
  // Empty buffer: only (1, 1) without virtual space.
  e->Lines()->Clear();
  e->SetOptions(e->Options() & ~eoScrollPastEol);
  e->SetCaretPosInternal(BufferCoord(7, 3));
  EXPECT_EQ(e->CaretPos(), BufferCoord(1, 1));
}

TEST(SxEditView, WheelAndScrollBarScaling) {
  TEditorSession s;
  TEditorForm f(40, 10);
  TSxMemo* e = f.Edit;
  e->Lines()->BeginUpdate();
  for (int i = 0; i < 40000; ++i) e->Lines()->Add("x");
  e->Lines()->EndUpdate();
  e->SetScrollBars(ssBoth);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(e->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 32767);
  EXPECT_EQ(static_cast<int>(si.nPage), MulDiv(e->RowsInWindow(), 32767, 40000));
  e->SetTopRow(20);
  for (int i = 0; i < 2; ++i) e->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-40)), 0);
  EXPECT_EQ(e->TopRow(), 20);
  e->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-40)), 0);
  EXPECT_EQ(e->TopRow(), 23);
  // A thumb drag far down a large text lands on the row it points at (64-bit scaling).
  e->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 32767), 0);
  EXPECT_EQ(e->TopRow(), 40000 - e->RowsInWindow() + 1);
}

TEST(SxEditView, PaintsTokensOnTheGrid) {
  TEditorSession s;
  TEditorForm f(90, 4);
  TSxMemo* e = f.Edit;
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  hl.CommentAttri->SetForeground(clNavy);
  e->SetHighlighter(&hl);
  SetLines(e, {"SELECT * FROM T /* c */", "ORDER BY 3 DESC"});
  const auto text = TextCalls(RecordPaint(e));
  ASSERT_GE(text.size(), 5u);
  struct Run {
    int x;
    const char* text;
    bool bold;
  } runs[] = {
      {2, "SELECT ", true}, {58, "* ", false}, {74, "FROM ", true}, {114, "T ", false}, {130, "/* c */", false}};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(text[i].points.at(0).x, runs[i].x) << i;
    EXPECT_EQ(text[i].text, runs[i].text) << i;
    EXPECT_EQ(text[i].font.lfWeight >= 700, runs[i].bold) << i;
  }
  EXPECT_EQ(text[4].textColor, ColorToRGB(clNavy));
  EXPECT_NE(text[4].font.lfItalic, 0);
  // The right edge: one pixel line at x = 2 + 80 * 8, in its colour beside the text and below
  // it alike (drawing the text gives the device its own pen back).
  int edges = 0;
  for (const auto& c : RecordPaint(e))
    if (c.op == "LineTo" && c.points.at(0).x == 642) {
      ++edges;
      EXPECT_EQ(c.penColor, ColorToRGB(clSilver)) << "line " << edges;
    }
  EXPECT_EQ(edges, 3) << "beside the rows and below them";
  // A paint of a strip right of the text's start (a window grown wider) draws it the same.
  edges = 0;
  for (const auto& c : RecordPaint(e, RECT{600, 0, 700, 64}))
    if (c.op == "LineTo" && c.points.at(0).x == 642) {
      ++edges;
      EXPECT_EQ(c.penColor, ColorToRGB(clSilver)) << "line " << edges;
    }
  EXPECT_EQ(edges, 3);
  e->SetHighlighter(nullptr);
}

// A comment left open at a line's end colours the lines after it until it closes, however the
// ranges were last computed: on loading, after typing, after a change of highlighter.
TEST(SxEditView, CommentOverLinesIsPaintedAsComment) {
  TEditorSession s;
  TEditorForm f(90, 4);
  TSxMemo* e = f.Edit;
  TSxSQLSx hl(nullptr), other(nullptr);
  for (TSxSQLSx* h : {&hl, &other}) {
    h->SetSQLDialect(sqlInterbase6);
    h->CommentAttri->SetForeground(clNavy);
  }
  e->SetHighlighter(&hl);
  // The colour of the first text run of each row, and whether a run of row 3 is not a comment.
  auto firstColours = [&] {
    std::vector<COLORREF> first(3, 0);
    std::vector<bool> seen(3, false);
    bool thirdHasCode = false;
    for (const auto& c : TextCalls(RecordPaint(e))) {
      const int row = c.points.at(0).y / 16;
      if (row < 0 || row > 2 || c.points[0].x < e->GutterWidth()) continue;
      if (!seen[static_cast<std::size_t>(row)]) first[static_cast<std::size_t>(row)] = c.textColor;
      seen[static_cast<std::size_t>(row)] = true;
      if (row == 2 && c.text.find("FROM") != std::string::npos) thirdHasCode = c.textColor != ColorToRGB(clNavy);
    }
    return std::make_pair(first, thirdHasCode);
  };
  const COLORREF navy = ColorToRGB(clNavy);
  SetLines(e, {"SELECT 1 /* open", "still comment", "x */ FROM T"});
  auto [loaded, code1] = firstColours();
  EXPECT_EQ(loaded[1], navy);
  EXPECT_EQ(loaded[2], navy);
  EXPECT_TRUE(code1);
  // Closing the comment on the first line leaves the others plain; opening it again restores them.
  TBufferCoord end{17, 1};
  e->ProcessCommand(ecGotoXY, 0, &end);
  for (char c : std::string(" */")) e->ProcessCommand(ecChar, static_cast<char32_t>(c), nullptr);
  EXPECT_NE(firstColours().first[1], navy);
  for (int i = 0; i < 3; ++i) e->ProcessCommand(ecDeleteLastChar, 0, nullptr);
  EXPECT_EQ(firstColours().first[1], navy);
  String token;
  TSxHighlighterAttributes* attr = nullptr;
  int kind = 0, start = 0;
  ASSERT_TRUE(e->TokenAt(TBufferCoord{3, 2}, token, attr, kind, start));
  EXPECT_EQ(attr, hl.CommentAttri);
  e->SetHighlighter(&other);
  auto [changed, code2] = firstColours();
  EXPECT_EQ(changed[1], navy);
  EXPECT_EQ(changed[2], navy);
  EXPECT_TRUE(code2);
  e->SetHighlighter(nullptr);
}

TEST(SxEditView, PaintsSelectionAndSpecialCharacters) {
  TEditorSession s;
  TEditorForm f(20, 3);
  TSxMemo* e = f.Edit;
  SetLines(e, {"abcdef", "a b\t"});
  // A selection ending inside the row: unselected, selected, unselected parts.
  e->SetSelBegin(BufferCoord(2, 1));
  e->SetSelEnd(BufferCoord(4, 1));
  auto row0 = [](const std::vector<GdiRecord>& t) {
    std::vector<GdiRecord> r;
    for (const auto& c : t)
      if (c.points.at(0).y == 0) r.push_back(c);
    return r;
  };
  auto parts = row0(TextCalls(RecordPaint(e)));
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[1].text, "bc");
  EXPECT_EQ(parts[1].bkColor, ColorToRGB(clHighlight));
  EXPECT_EQ(parts[2].bkColor, ColorToRGB(clWindow));
  // Hidden while unfocused with HideSelection.
  e->SetHideSelection(true);
  auto* other = new TSxEdit(&f);
  other->SetParent(&f);
  other->SetBounds(0, 300, 100, 100);
  other->SetFocus();
  ASSERT_FALSE(e->Focused());
  EXPECT_EQ(row0(TextCalls(RecordPaint(e))).size(), 1u);
  // Special characters: a middle dot for the blank, a guillemet in the tab, a pilcrow at the end.
  e->SetOptions(e->Options() | eoShowSpecialChars);
  String row2;
  for (const auto& c : TextCalls(RecordPaint(e)))
    if (c.points.at(0).y == 16) row2 += c.text;
  EXPECT_NE(row2.find("a\xC2\xB7"
                      "b"),
            String::npos);
  EXPECT_NE(row2.find("\xC2\xBB"), String::npos);
  EXPECT_NE(row2.find("\xC2\xB6"), String::npos);
}

TEST(SxEditView, KeystrokeRepaintsOnlyItsLine) {
  TEditorSession s;
  TEditorForm f(40, 10);
  TSxMemo* e = f.Edit;
  e->SetScrollBars(ssBoth);
  for (int i = 0; i < 100; ++i) e->Lines()->Add("line " + std::to_string(i));
  e->SetCaretPosInternal(BufferCoord(3, 5));
  UpdateWindow(e->Handle());
  std::vector<RECT> painted;
  e->OnPaint = [&](TObject*, TCanvas* c) {
    RECT r;
    GetClipBox(c->Handle(), &r);
    painted.push_back(r);
  };
  s.Type("x");
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_EQ(painted[0].top, 4 * 16);
  EXPECT_EQ(painted[0].bottom, 5 * 16);
}

TEST(SxEditView, GutterAndAppearance) {
  TSxGutter g;
  int changes = 0;
  g.OnChange = [&](TObject*) { ++changes; };
  g.SetDigitCount(1);
  EXPECT_EQ(g.DigitCount(), 2);
  g.SetDigitCount(20);
  EXPECT_EQ(g.DigitCount(), 12);
  g.SetDigitCount(4);
  g.SetShowLineNumbers(true);
  EXPECT_EQ(g.RealGutterWidth(8), 52);
  g.SetLeadingZeros(true);
  EXPECT_EQ(g.FormatLineNumber(7), "0007");
  g.SetAutoSize(true);
  changes = 0;
  g.AutoSizeDigitCount(12345);
  EXPECT_EQ(g.AutoSizeDigitCount(), 5);
  EXPECT_EQ(changes, 1);
  g.AutoSizeDigitCount(12);
  EXPECT_EQ(g.AutoSizeDigitCount(), 4);
  g.SetLineNumberStart(-3);
  EXPECT_EQ(g.LineNumberStart(), 0);
  EXPECT_TRUE(g.ZeroStart());
  g.SetVisible(false);
  EXPECT_EQ(g.RealGutterWidth(8), 0);
  {
    TSxInternalImage a("SxEditInternalImages", 10), b("SxEditInternalImages", 10);
    EXPECT_EQ(a.Bitmap(), b.Bitmap());
    EXPECT_EQ(a.Width(), 16);
  }
  EXPECT_EQ(TSxInternalImage::SharedCount(), 0);
}

TEST(SxEditView, TextDrawerSharesFontsAndGrowsAdvances) {
  TEditorSession s;
  TFont font;
  font.SetName("Courier New");
  const int before = TheFontsInfoManager::Instance().Count();
  auto a = std::make_unique<TheTextDrawer>(TFontStyles{}, &font);
  auto b = std::make_unique<TheTextDrawer>(TFontStyles{}, &font);
  EXPECT_EQ(TheFontsInfoManager::Instance().Count(), before + 1);
  EXPECT_EQ(a->FontStock()->FontsInfo(), b->FontStock()->FontsInfo());
  a.reset();
  EXPECT_EQ(TheFontsInfoManager::Instance().Count(), before + 1);
  b->SetStyle({fsBold});
  EXPECT_NE(b->FontStock()->FontHandle(), HFONT());
  TFont bold;
  bold.SetStyle({fsBold});
  b->SetBaseFont(&bold);
  b->SetStyle({});
  LOGFONT lf;
  GetObject(b->FontStock()->FontHandle(), &lf);
  EXPECT_EQ(lf.lfWeight, 400);
  HDC dc = CreateMeasureDC();
  b->BeginDrawing(dc);
  b->BeginDrawing(dc);
  b->ExtTextOut(0, 0, 0, nullptr, String(100, 'x'));
  EXPECT_EQ(b->AdvanceCapacity(), 128);
  b->ExtTextOut(0, 0, 0, nullptr, "0123456789");
  EXPECT_EQ(b->AdvanceCapacity(), 128);
  b->EndDrawing();
  EXPECT_EQ(b->DC(), dc);
  b->EndDrawing();
  EXPECT_EQ(b->DC(), HDC());
  DeleteDC(dc);
  EXPECT_THROW(b->SetBaseFont(nullptr), EheTextDrawerException);
}

TEST(SxEditView, BookmarksFollowEdits) {
  TEditorSession s;
  TEditorForm f(40, 5);
  TSxMemo* e = f.Edit;
  for (int i = 1; i <= 30; ++i) e->Lines()->Add("line " + std::to_string(i));
  // Set, move and toggle through the command.
  TBufferCoord at{1, 5};
  e->ProcessCommand(ecSetMarker0 + 2, 0, &at);
  EXPECT_EQ(e->Bookmarks(2)->Line(), 5);
  at.Line = 7;
  e->ProcessCommand(ecSetMarker0 + 2, 0, &at);
  EXPECT_EQ(e->Bookmarks(2)->Line(), 7);
  e->ProcessCommand(ecSetMarker0 + 2, 0, &at);
  EXPECT_EQ(e->Bookmarks(2), nullptr);
  // Two lines inserted above move it down; deleting lines around it moves it to their start.
  e->SetBookmark(1, 1, 10);
  e->SetCaretPosInternal(BufferCoord(1, 3));
  e->SetSelText("x\r\ny\r\n");
  EXPECT_EQ(e->Bookmarks(1)->Line(), 12);
  e->SetSelectionMode(smLine);
  e->SetSelBegin(BufferCoord(1, 10));
  e->SetSelEnd(BufferCoord(1, 13));
  e->SetSelText(String());
  EXPECT_EQ(e->Bookmarks(1)->Line(), 10);
  // Going to a far bookmark centres it; one whose line is gone is not jumped to.
  e->SetSelectionMode(smNormal);
  e->SetBookmark(3, 2, 25);
  e->GotoBookmark(3);
  EXPECT_EQ(e->CaretPos(), BufferCoord(2, 25));
  EXPECT_EQ(e->TopRow(), 25 - 4 + 5 / 2);
  // A handler that takes the mark cancels the placement; the old bookmark stays.
  TSxEditMark* taken = nullptr;
  e->OnPlaceBookmark = [&](TObject*, TSxEditMark*& m) {
    taken = m;
    m = nullptr;
  };
  e->SetBookmark(3, 1, 2);
  EXPECT_EQ(e->Bookmarks(3)->Line(), 25);
  delete taken;
  e->OnPlaceBookmark = nullptr;
  // Clearing everything leaves no bookmark slot pointing at a freed mark.
  e->ClearAll();
  EXPECT_EQ(e->Bookmarks(1), nullptr);
  e->GotoBookmark(1);
  e->SetBookmark(1, 1, 1);
  EXPECT_EQ(e->Marks()->Count(), 1);
}

TEST(SxEditView, GutterClickFindsTheMark) {
  TEditorSession s;
  TEditorForm f(40, 5, true);
  TSxMemo* e = f.Edit;
  SetLines(e, {"a", "b", "c"});
  e->SetBookmark(0, 1, 2);
  e->SetBookmark(1, 1, 2);
  TSxEditMark* hit = nullptr;
  int line = 0;
  e->OnGutterClick = [&](TObject*, TMouseButton, int, int, int l, TSxEditMark* m) {
    line = l;
    hit = m;
  };
  s.Click(f.At(14, 20));
  EXPECT_EQ(line, 2);
  EXPECT_EQ(hit, e->Bookmarks(1));
}

TEST(SxEditView, StatusChangesOncePerLockAndGutterNumbers) {
  TEditorSession s;
  TEditorForm f(40, 5, true);
  TSxMemo* e = f.Edit;
  SetLines(e, {"abc", "def", "ghi"});
  std::vector<TSxStatusChanges> seen;
  e->OnStatusChange = [&](TObject*, TSxStatusChanges c) { seen.push_back(c); };
  e->IncPaintLock();
  e->SetCaretPosInternal(BufferCoord(2, 2));
  e->SetSelEnd(BufferCoord(3, 3));
  e->SetInsertMode(false);
  e->DecPaintLock();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0] & (scCaretX | scCaretY | scSelection | scInsertMode),
            scCaretX | scCaretY | scSelection | scInsertMode);
  e->OnStatusChange = nullptr;
  // Line numbers right-aligned in the gutter, left of its right offset.
  e->Gutter()->SetShowLineNumbers(true);
  e->Gutter()->SetDigitCount(2);
  e->Gutter()->SetLeftOffset(4);
  EXPECT_EQ(e->GutterWidth(), 4 + 2 + 2 * 8 + 2);
  std::vector<GdiRecord> numbers;
  for (const auto& c : TextCalls(RecordPaint(e)))
    if (c.points.at(0).x < e->GutterWidth()) numbers.push_back(c);
  ASSERT_EQ(numbers.size(), 3u);
  EXPECT_EQ(numbers[1].text, " 2");
  EXPECT_EQ(numbers[1].points.at(0).x, e->GutterWidth() - 2 - 2 - 16);
  EXPECT_EQ(numbers[1].points.at(0).y, 16);
}

TEST(SxEditView, PaintsWrappedRows) {
  TEditorSession s;
  TEditorForm f(10, 4, true);
  TSxMemo* e = f.Edit;
  SetLines(e, {"SELECT a, b FROM t", "x"});
  e->SetWordWrap(true);
  ASSERT_EQ(e->ColumnsInWindow(), 10);
  std::vector<String> rows(3);
  for (const auto& c : TextCalls(RecordPaint(e))) {
    const int row = c.points.at(0).y / 16;
    if (c.points.at(0).x >= e->GutterWidth() && row < 3) rows[static_cast<std::size_t>(row)] += c.text;
  }
  EXPECT_EQ(rows[0].substr(0, 10), "SELECT a, ");
  EXPECT_EQ(rows[1].substr(0, 8), "b FROM t");
  EXPECT_EQ(rows[2].substr(0, 1), "x");
  // The wrap glyph marks the continuation row in the gutter.
  bool glyph = false;
  for (const auto& c : RecordPaint(e))
    if (c.op == "SetPixel" && c.points.at(0).x < e->GutterWidth() && c.points[0].y >= 16 && c.points[0].y < 32)
      glyph = true;
  EXPECT_TRUE(glyph);
}

// The editing keys of the long-line tables below; any other character is typed.
static TSxEditorCommand KeyCommand(char k) {
  switch (k) {
    case '<': return ecDeleteLastChar;
    case '>': return ecDeleteChar;
    case '^': return ecUndo;
    case '~': return ecRedo;
    case '{': return ecUp;
    case '|': return ecDown;
    case '[': return ecLineStart;
    case ']': return ecLineEnd;
    case '\r': return ecLineBreak;
    default: return ecNone;
  }
}

// Presses the key at k (a command of KeyCommand or a typed character) and steps past it.
static void PressKey(TCustomSxEdit* e, const char*& k) {
  if (const TSxEditorCommand c = KeyCommand(*k); c != ecNone) {
    e->ProcessCommand(c, 0, nullptr);
    ++k;
    return;
  }
  std::size_t n = 0;
  e->ProcessCommand(ecChar, Utf8Decode(std::string_view(k), n), nullptr);
  k += n;
}

// Keystrokes on a line long enough to be scanned from points inside it paint it, and leave the
// lines' ranges, as a control given the resulting text afresh does: the change rescans only
// near itself, so a scan that resumed in the wrong state or stopped too early shows here.
TEST(SxEditView, LongLineHighlightingAfterEditsEqualsAFreshScan) {
  TEditorSession s;
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  hl.CommentAttri->SetForeground(clNavy);
  hl.StringAttri->SetForeground(clMaroon);
  std::string longLine;
  for (int i = 0; longLine.size() < 9000; ++i)
    longLine += i % 2 ? "SELECT a.ID, 'str' FROM T1 /* c */ WHERE x = 12.5 " : "\xC3\x84 '\xC3\xA9' \"q d\"\tIN (1, 2) ";
  TEditorForm f(40, 4), g(40, 4);
  TSxMemo* e = f.Edit;
  TSxMemo* fresh = g.Edit;
  e->SetHighlighter(&hl);
  fresh->SetHighlighter(&hl);
  SetLines(e, {"SELECT 1 /* open", longLine.c_str(), "x */ FROM T"});
  // Typed and taken back in one place, over more than two steps between scan points.
  const std::string typed(300, 'q'), erased(300, '<');
  struct Step {
    int at;  // character on the long line; 0: its end
    // typed, except '<' Backspace, '>' Delete, '^' undo, '~' redo, '{' Up, '|' Down, '[' Home, ']' End
    const char* keys;
  } steps[] = {{4000, "q"},  {4000, "<<<"}, {1, "'"},   {1, "^"},   {6000, "/*"}, {6000, "^^"}, {6000, "~"},
               {0, "x'"}, {2500, ">>>>"}, {100, "\t"}, {4000, "\xE6\x97\xA5-"}, {4001, "-"}, {4001, "^"},
               {7000, "*/"}, {30, "'"}, {8000, "'"}, {1, "<^~^"}, {1, "{]>^~^"}, {0, ">^~^"}, {0, "|[<^"},
               {1, "*/<^"}, {1, "\r^~^"}, {3000, typed.c_str()}, {3100, "'/*"}, {3303, erased.c_str()},
               {1, typed.c_str()}, {2000, "/*^^"},
               // Broken in two long lines, the first or the last part the longer, inside a
               // string, both parts edited.
               {4350, "\r^~^"}, {4550, "\r^~^"}, {4550, "'\r^^"}, {4550, "\rq{[z^^^"}, {4450, "\r"}, {40, "\r"}};
  // First a quote typed all along a stretch longer than the steps between scan points: some
  // just after a point, whose old state must not stop the rescan before the quote.
  std::vector<Step> all;
  for (int at = 5000; at < 5140; at += 3) all.push_back({at, "'^"});
  all.insert(all.end(), std::begin(steps), std::end(steps));
  auto summary = [](TSxMemo* m) {
    std::string out = "left " + std::to_string(m->LeftColumn()) + "\n";
    for (const auto& c : TextCalls(RecordPaint(m)))
      out += std::to_string(c.points.at(0).x) + "," + std::to_string(c.points.at(0).y) + " " + c.text + " " +
             std::to_string(c.textColor) + "/" + std::to_string(c.bkColor) + "/" + std::to_string(c.font.lfWeight) + "\n";
    for (int i = 0; i < m->Lines()->Count(); ++i) out += "range " + std::to_string(m->Lines()->Range(i)) + "\n";
    return out;
  };
  auto check = [&] {
    fresh->Lines()->Clear();
    for (int i = 0; i < e->Lines()->Count(); ++i) fresh->Lines()->Add(e->Lines()->Get(i));
    TBufferCoord caret = e->CaretPos();
    fresh->ProcessCommand(ecGotoXY, 0, &caret);
    fresh->SetLeftColumn(e->LeftColumn());
    fresh->SetTopRow(e->TopRow());
    const std::string edited = summary(e);
    EXPECT_EQ(edited, summary(fresh));
    return !HasFailure();
  };
  for (const Step& st : all) {
    TBufferCoord at{st.at ? st.at : e->Lines()->CharCount(1) + 1, 2};
    e->ProcessCommand(ecGotoXY, 0, &at);
    for (const char* k = st.keys; *k;) {
      SCOPED_TRACE(testing::Message() << "at " << st.at << " keys " << st.keys << " key " << (k - st.keys));
      PressKey(e, k);
      ASSERT_TRUE(check());
    }
  }
  e->SetHighlighter(nullptr);
  fresh->SetHighlighter(nullptr);
}

// Keystrokes on a long wrapped line lay out its rows as wrapping the resulting text afresh does
// (the change lays again only the rows from the one that reads it until an old row start
// comes back): tabs after the change, multi-byte characters, runs of blanks, breaks moving.
TEST(SxEditView, WrapAfterEditsEqualsAFreshWrap) {
  TEditorSession s;
  std::string longLine;
  for (int i = 0; longLine.size() < 3000; ++i)
    longLine += i % 3 == 0 ? "SELECT a.ID, b FROM T1 " : i % 3 == 1 ? "\t\xC3\x84x, \xE6\x97\xA5\xE6\x9C\xAC  " : "averyveryverylongidentifierwithoutbreaks    ";
  TEditorForm f(20, 4), g(20, 4);
  TSxMemo* e = f.Edit;
  TSxMemo* fresh = g.Edit;
  e->SetWordWrap(true);
  fresh->SetWordWrap(true);
  SetLines(e, {"x", longLine.c_str(), "y"});
  struct Step {
    int at;  // character on the long line
    const char* keys;  // typed, except the keys of KeyCommand
  } steps[] = {{500, "q"},  {500, "<<"},  {30, "\t"}, {31, "<"}, {1200, "      "}, {1201, ">>>>"},
               {40, "\xC3\xA9"}, {900, " "}, {900, "^^"}, {2000, "abcdefghijklmnopqrstuvwxyz"}, {10, ">>>>>>>>"},
               {1, "<"}, {1, "^"}, {1, "~"}, {1, "^"}, {1, "{]>"}, {1, "^"}, {0, ">"}, {0, "^"}, {0, "|[<"}, {0, "^"},
               {1500, "\r"}, {1500, "^"}, {2500, "\r"}};
  for (const Step& st : steps) {
    TBufferCoord at{st.at ? st.at : e->Lines()->CharCount(1) + 1, 2};
    e->ProcessCommand(ecGotoXY, 0, &at);
    for (const char* k = st.keys; *k;) PressKey(e, k);
    SCOPED_TRACE(testing::Message() << "at " << st.at << " keys " << st.keys);
    fresh->Lines()->Clear();
    for (int i = 0; i < e->Lines()->Count(); ++i) fresh->Lines()->Add(e->Lines()->Get(i));
    for (int l = 1; l <= e->Lines()->Count(); ++l)
      for (int c = 1; c <= e->Lines()->CharCount(l - 1) + 1; ++c)
        ASSERT_EQ(e->BufferToDisplayPos(BufferCoord(c, l)), fresh->BufferToDisplayPos(BufferCoord(c, l))) << l << ":" << c;
    // Rows far below the window may have been provisional until the positions above read them.
    ASSERT_EQ(e->DisplayRowCount(), fresh->DisplayRowCount());
  }
}

// A keystroke after which the long line's rows never start where old ones did again (rows of
// 21 cells, "ab " repeated, whose starts a typed character moves by 2 for good) lays the rows
// only a little past the window and leaves the rest provisional: each query that reads them,
// each later edit and the idle time after the keystroke give what a fresh wrap gives.
TEST(SxEditView, ProvisionalWrapRowsAnswerAsAFreshWrap) {
  TEditorSession s;
  std::string longLine;
  while (longLine.size() < 9000) longLine += "ab ";
  TEditorForm f(20, 4), g(20, 4);
  TSxMemo* e = f.Edit;
  TSxMemo* fresh = g.Edit;
  for (TSxMemo* m : {e, fresh}) {
    m->SetScrollBars(ssVertical);
    m->SetWordWrap(true);
  }
  // Every row's length (asked from the first row on), then the count.
  auto rows = [](TSxMemo* m) {
    std::string out;
    for (int r = 1; r <= m->WrapPlugin()->RowCount(); ++r) out += std::to_string(m->WrapPlugin()->GetRowLength(r)) + " ";
    return out + "count " + std::to_string(m->DisplayRowCount());
  };
  auto where = [](TSxMemo* m) {
    return "caret " + std::to_string(m->CaretPos().Char) + "," + std::to_string(m->CaretPos().Line) + " top " +
           std::to_string(m->TopRow());
  };
  // Replaces the character at the 0-based byte of line 2, as a program would.
  auto put = [](TSxMemo* m, std::size_t at, char c) {
    String t = m->Lines()->Get(1);
    t[at] = c;
    m->Lines()->Put(1, t);
  };
  struct Query {
    const char* name;
    bool edits;  // else also asked of a fresh wrap of the same text, and compared
    std::function<std::string(TSxMemo*)> run;
  } queries[] = {
      {"row lengths", false, rows},
      {"buffer to display", false,
       [](TSxMemo* m) {
         std::string out;
         for (int l = 2; l <= 3; ++l)
           for (int c = 1; c <= m->Lines()->CharCount(l - 1) + 1; c += 7) {
             const TDisplayPoint p = m->BufferToDisplayPos(BufferCoord(c, l));
             out += std::to_string(p.Column) + "," + std::to_string(p.Row) + " ";
           }
         return out;
       }},
      {"display to buffer", false,
       [](TSxMemo* m) {
         std::string out;
         for (int r = 1; r <= m->DisplayRowCount() + 1; ++r) {
           const TBufferCoord p = m->DisplayToBufferPos(DisplayCoord(30, r));
           out += std::to_string(p.Char) + "," + std::to_string(p.Line) + " ";
         }
         return out;
       }},
      {"caret down past the window", false,
       [&](TSxMemo* m) {
         for (int i = 0; i < 12; ++i) m->ProcessCommand(ecDown, 0, nullptr);
         return where(m);
       }},
      {"Ctrl+End", false,
       [&](TSxMemo* m) {
         m->ProcessCommand(ecEditorBottom, 0, nullptr);
         return where(m);
       }},
      {"scrolled to the bottom", false,
       [&](TSxMemo* m) {
         m->Perform(WM_VSCROLL, SB_BOTTOM, 0);
         return where(m);
       }},
      {"idle", false,
       [&](TSxMemo* m) {
         s.Advance(100);
         SCROLLINFO si{};
         si.fMask = SIF_ALL;
         GetScrollInfo(m->Handle(), SB_VERT, &si);
         return std::to_string(static_cast<TSxWordWrapPlugin*>(m->WrapPlugin())->HasProvisionalRows()) + " count " +
                std::to_string(m->WrapPlugin()->RowCount()) + " bar " + std::to_string(si.nMax) + "/" +
                std::to_string(si.nPage) + "/" + std::to_string(si.nPos);
       }},
      {"typing again", true, [](TSxMemo* m) { m->ProcessCommand(ecChar, U'q', nullptr); return std::string(); }},
      // The provisional rows start right below the window: a row scrolled into view, a position
      // a few rows below the window and the row below it lay only some of them, and the next
      // keystroke lays its rows across the bridge left there.
      {"a position and a row below the window", false,
       [](TSxMemo* m) {
         const TDisplayPoint p = m->BufferToDisplayPos(BufferCoord(m->CaretPos().Char + 100, 2));
         const TBufferCoord b = m->DisplayToBufferPos(DisplayCoord(3, m->TopRow() + m->RowsInWindow() + 4));
         return std::to_string(p.Column) + "," + std::to_string(p.Row) + " " + std::to_string(b.Char) + "," +
                std::to_string(b.Line);
       }},
      {"scrolled a row down and typing", true,
       [](TSxMemo* m) {
         m->SetTopRow(m->TopRow() + 1);
         m->ProcessCommand(ecChar, U'q', nullptr);
         return std::string();
       }},
      // A keystroke two rows up lays its rows past the first one's bridge (there is one bridge
      // at most), then Backspace's rows meet the rows between.
      {"typing two rows up and Backspace", true,
       [](TSxMemo* m) {
         m->ProcessCommand(ecUp, 0, nullptr);
         m->ProcessCommand(ecUp, 0, nullptr);
         m->ProcessCommand(ecChar, U'q', nullptr);
         m->ProcessCommand(ecDeleteLastChar, 0, nullptr);
         return std::string();
       }},
      {"undo", true, [](TSxMemo* m) { m->ProcessCommand(ecUndo, 0, nullptr); return std::string(); }},
      {"Enter", true, [](TSxMemo* m) { m->ProcessCommand(ecLineBreak, 0, nullptr); return std::string(); }},
      {"a line inserted and one deleted above", true,
       [](TSxMemo* m) {
         m->Lines()->Insert(0, "z");
         m->Lines()->Delete(0);
         return std::string();
       }},
      {"an edit far below the window", true,
       [&](TSxMemo* m) {
         put(m, 2500, 'c');
         return std::string();
       }},
      // Each row down to past the provisional ones gets a changed first character, and the
      // next row is read: the edit on the row above the bridge row lays a row that ends where
      // the bridge starts, which must not be taken for an old row start.
      {"edits on the rows down to the provisional ones", false,
       [&](TSxMemo* m) {
         std::string out;
         for (int r = m->TopRow(); r <= m->TopRow() + 16; ++r) {
           put(m, static_cast<std::size_t>(m->WrapPlugin()->DisplayToBufferPos(DisplayCoord(1, r)).Char - 1), 'c');
           out += std::to_string(m->WrapPlugin()->GetRowLength(r + 1)) + " ";
         }
         return out;
       }},
  };
  auto load = [](TSxMemo* m, TSxMemo* from) {
    m->Lines()->Clear();
    for (int i = 0; i < from->Lines()->Count(); ++i) m->Lines()->Add(from->Lines()->Get(i));
    TBufferCoord caret = from->CaretPos();
    m->ProcessCommand(ecGotoXY, 0, &caret);
    m->SetTopRow(from->TopRow());
  };
  for (const Query& q : queries) {
    SCOPED_TRACE(q.name);
    SetLines(e, {"x", longLine.c_str(), "y"});
    e->ClearUndo();
    TBufferCoord at{1000, 2};
    e->ProcessCommand(ecGotoXY, 0, &at);
    e->ProcessCommand(ecChar, U'q', nullptr);
    // Laid through the row below the window's partly shown one, no further.
    const int provisional = static_cast<TSxWordWrapPlugin*>(e->WrapPlugin())->FirstProvisionalRow();
    ASSERT_GT(provisional, e->TopRow() + e->RowsInWindow() + 1);
    ASSERT_LE(provisional, e->TopRow() + e->RowsInWindow() + 4);
    load(fresh, e);
    const std::string answer = q.run(e);
    if (!q.edits) {
      EXPECT_EQ(answer, q.run(fresh));
    }
    load(fresh, e);
    EXPECT_EQ(rows(e), rows(fresh));
    EXPECT_EQ(where(e), where(fresh));
  }
}

// With word wrap, a keystroke inside a long highlighted line repaints only the rows it changed
// (its colours as far as the rescan found them changed, its rows until they start where old ones
// did); the window then shows what a full repaint shows: quotes and comments that recolour the
// rest of the line, breaks that move, rows added and removed, undo.
TEST(SxEditView, WrappedKeystrokeRepaintEqualsAFullRepaint) {
  TEditorSession s;
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  hl.CommentAttri->SetForeground(clNavy);
  hl.StringAttri->SetForeground(clMaroon);
  hl.KeyAttri->SetBackground(clYellow);
  std::string longLine;
  for (int i = 0; longLine.size() < 6000; ++i)
    longLine += i % 2 ? "SELECT a.ID, 'str' FROM T1 WHERE x = 12 " : "\xC3\x84 \tIN (1, 2) OR ";
  TEditorForm f(24, 8, true);
  TSxMemo* e = f.Edit;
  e->SetHighlighter(&hl);
  e->SetWordWrap(true);
  SetLines(e, {"SELECT 1", longLine.c_str(), "FROM T"});
  std::vector<RECT> painted;
  e->OnPaint = [&](TObject*, TCanvas* c) {
    RECT r;
    GetClipBox(c->Handle(), &r);
    painted.push_back(r);
  };
  struct Step {
    int at;  // character on the long line
    const char* keys;  // typed, except the keys of KeyCommand
  } steps[] = {{3000, "q"},  {3000, "<<"}, {3000, "'"}, {3000, "^"},     {3100, "/*"}, {3100, "<"},
               {3200, "  "}, {3200, ">>>>"}, {3300, "averyveryverylongword"}, {3300, "^"}, {3400, "\t"},
               {3500, "\xE6\x97\xA5"}, {3600, "--"}, {3600, "^~"}};
  auto sameAsFullRepaint = [&](const Surface& edited) {
    e->Invalidate();
    const Surface full = s.Snapshot(e->Handle());
    EXPECT_EQ(edited.Width(), full.Width());
    for (int y = 0; y < full.Height() && edited.Width() == full.Width(); ++y)
      for (int x = 0; x < full.Width(); ++x)
        if (edited.At(x, y) != full.At(x, y)) {
          ADD_FAILURE() << x << "," << y;
          return false;
        }
    return !HasFailure();
  };
  bool partial = false, provisional = false;
  for (const Step& st : steps) {
    TBufferCoord at{st.at, 2};
    e->ProcessCommand(ecGotoXY, 0, &at);
    // The caret's row in the middle of the window: rows above and below it show.
    e->SetTopRow(e->BufferToDisplayPos(e->CaretPos()).Row - 3);
    s.Snapshot(e->Handle());
    for (const char* k = st.keys; *k;) {
      SCOPED_TRACE(testing::Message() << "at " << st.at << " keys " << st.keys << " key " << (k - st.keys));
      painted.clear();
      PressKey(e, k);
      const Surface edited = s.Snapshot(e->Handle());
      for (const RECT& r : painted) partial = partial || r.bottom - r.top < e->ClientHeight();
      ASSERT_TRUE(sameAsFullRepaint(edited));
      // Rows left provisional far below the window are laid when idle: the window does not change.
      provisional = provisional || static_cast<TSxWordWrapPlugin*>(e->WrapPlugin())->HasProvisionalRows();
      s.Advance(100);
      ASSERT_TRUE(sameAsFullRepaint(s.Snapshot(e->Handle())));
    }
  }
  EXPECT_TRUE(partial);
  EXPECT_TRUE(provisional);
  e->SetHighlighter(nullptr);
}

namespace {
// Records the rows each pass of a paint draws the text of.
struct TRowsPaintedMemo : TSxMemo {
  using TSxMemo::TSxMemo;
  std::vector<std::pair<int, int>> Painted;

protected:
  void PaintTextLines(RECT AClip, int aFirstRow, int aLastRow, int FirstCol, int LastCol) override {
    Painted.emplace_back(aFirstRow, aLastRow);
    TSxMemo::PaintTextLines(AClip, aFirstRow, aLastRow, FirstCol, LastCol);
  }
};
}  // namespace

// A keystroke far down a wrapped line whose first row shows repaints that row's line number and
// the rows it changed, not the rows between them (one box around both would take them in); the
// window then shows what a full repaint shows.
TEST(SxEditView, KeystrokeDownAWrappedLineSkipsTheRowsAboveIt) {
  TEditorSession s;
  TEditorForm f(20, 10, true);
  f.Edit->SetVisible(false);
  auto* e = new TRowsPaintedMemo(&f);
  e->SetParent(&f);
  e->SetBorderStyle(bsNone);
  e->SetScrollBars(ssNone);
  e->SetBounds(0, 0, 20 * 8 + 2 + e->GutterWidth(), 10 * 16);
  e->SetWordWrap(true);
  std::string words, tabs;
  while (words.size() < 400) words += "abc de fghij ";
  while (tabs.size() < 400) tabs += "abc\tde fg ";
  for (const std::string& line : {words, tabs}) {
    SetLines(e, {"x", line.c_str(), "y"});
    for (const char* keys : {"q", "<", "  "}) {
      SCOPED_TRACE(testing::Message() << line.substr(0, 8) << " keys " << keys);
      TBufferCoord at{130, 2};
      e->ProcessCommand(ecGotoXY, 0, &at);
      const int row = e->BufferToDisplayPos(e->CaretPos()).Row;
      ASSERT_GE(row, 8);
      s.Snapshot(e->Handle());
      e->Painted.clear();
      for (const char* k = keys; *k;) PressKey(e, k);
      const Surface edited = s.Snapshot(e->Handle());
      ASSERT_FALSE(e->Painted.empty());
      // A row may take in or give back a word of the row above it.
      for (const auto& p : e->Painted) EXPECT_GE(p.first, row - 1);
      e->Invalidate();
      const Surface full = s.Snapshot(e->Handle());
      ASSERT_EQ(edited.Width(), full.Width());
      for (int y = 0; y < full.Height(); ++y)
        for (int x = 0; x < full.Width(); ++x) ASSERT_EQ(edited.At(x, y), full.At(x, y)) << x << "," << y;
    }
  }
}

// A jump of a window or more to the side repaints the lines and, below them, only the right edge
// where it was and where it is: the window then shows what a full repaint shows, with the edge
// in view before the jump or after it.
TEST(SxEditView, SidewaysJumpRepaintEqualsAFullRepaint) {
  TEditorSession s;
  TEditorForm f(20, 8);
  TSxMemo* e = f.Edit;
  SetLines(e, {"SELECT 1", std::string(60, 'x').c_str(), "COMMIT;"});
  const struct {
    int at;  // the caret's character on the long line before the jump
    TSxEditorCommand command;
  } jumps[] = {{1, ecLineEnd}, {61, ecLineStart}, {61, ecWordRight}};
  for (int edge : {10, 55}) {
    e->SetRightEdge(edge);
    for (const auto& j : jumps) {
      TBufferCoord at{j.at, 2};
      e->ProcessCommand(ecGotoXY, 0, &at);
      s.Snapshot(e->Handle());
      SCOPED_TRACE(testing::Message() << "edge " << edge << " at " << j.at << " command " << j.command);
      const int left = e->LeftColumn();
      e->ProcessCommand(j.command, 0, nullptr);
      ASSERT_GE(std::abs(e->LeftColumn() - left), 20);
      const Surface jumped = s.Snapshot(e->Handle());
      e->Invalidate();
      const Surface full = s.Snapshot(e->Handle());
      for (int y = 0; y < full.Height(); ++y)
        for (int x = 0; x < full.Width(); ++x) ASSERT_EQ(jumped.At(x, y), full.At(x, y)) << x << "," << y;
    }
  }
}

// Keystrokes on two long wrapped lines, one after the other, each leaving provisional rows: the
// rows of both answer as a fresh wrap, whichever line was edited first.
TEST(SxEditView, ProvisionalRowsOfTwoLinesAnswerAsAFreshWrap) {
  TEditorSession s;
  std::string longLine;
  while (longLine.size() < 9000) longLine += "ab ";
  for (const bool lowerFirst : {true, false}) {
    TEditorForm f(20, 4), g(20, 4);
    TSxMemo* e = f.Edit;
    TSxMemo* fresh = g.Edit;
    e->SetWordWrap(true);
    fresh->SetWordWrap(true);
    SetLines(e, {longLine.c_str(), "x", longLine.c_str()});
    for (const int line : lowerFirst ? std::vector<int>{3, 1} : std::vector<int>{1, 3}) {
      TBufferCoord at{10, line};
      e->ProcessCommand(ecGotoXY, 0, &at);
      e->ProcessCommand(ecChar, U'q', nullptr);
    }
    fresh->Lines()->Clear();
    for (int i = 0; i < e->Lines()->Count(); ++i) fresh->Lines()->Add(e->Lines()->Get(i));
    for (int l = e->Lines()->Count(); l >= 1; --l)
      for (int c = 1; c <= e->Lines()->CharCount(l - 1) + 1; c += 7)
        ASSERT_EQ(e->BufferToDisplayPos(BufferCoord(c, l)), fresh->BufferToDisplayPos(BufferCoord(c, l)))
            << (lowerFirst ? "lower line first " : "upper line first ") << l << ":" << c;
    ASSERT_EQ(e->DisplayRowCount(), fresh->DisplayRowCount());
  }
}
