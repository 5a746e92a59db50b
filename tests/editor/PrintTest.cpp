// Printing: page geometry and margins, header and footer items, and whole jobs checked on the
// drawing calls the printer's device context received, page by page; one job goes to a real
// PDF that is read back.

#include <gtest/gtest.h>

#include <unistd.h>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editor/SxEditPrint.h"
#include "editor/SxHighlighterSQL.h"
#include "platform/core/DateUtils.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/GuiApplication.h"
#include "platform/gdi/Printers.h"
#include "support/Shell.h"

namespace {

// Every character 25 pixels wide and 50 high (ascent 40), as a fixed-pitch font at 300 DPI.
std::shared_ptr<FontSource> PrinterCells() { return std::make_shared<FixedFontSource>(25, 40, 10, 0); }

struct Text {
  int x, y;
  std::string text;
  bool bold, italic;
  friend bool operator==(const Text&, const Text&) = default;
};

std::ostream& operator<<(std::ostream& o, const Text& t) {
  return o << "(" << t.x << "," << t.y << " '" << t.text << "'" << (t.bold ? " bold" : "")
           << (t.italic ? " italic" : "") << ")";
}

// The text calls in one face: the printed lines are "Courier New", headers and footers "Arial".
std::vector<Text> Texts(const std::vector<GdiRecord>& records, const std::string& face = "Courier New") {
  std::vector<Text> out;
  for (const GdiRecord& r : records)
    if (r.op == "ExtTextOut" && r.font.lfFaceName == face)
      out.push_back(Text{r.points[0].x, r.points[0].y, r.text, r.font.lfWeight >= FW_BOLD, r.font.lfItalic != 0});
  return out;
}

std::vector<std::string> Numbered(int count, const std::string& prefix) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back(prefix + std::to_string(i));
  return lines;
}

// What a job did: the drawing calls per printed page, the status and line callbacks.
struct Job {
  std::vector<std::vector<GdiRecord>> pages;
  std::string statuses;                    // "B1 N1 N2 E2"
  std::vector<std::pair<int, int>> lines;  // (line, page)
};

class PrintJob : public ::testing::Test {
protected:
  static void SetUpTestSuite() { EnsureGuiApplication(); }
  void SetUp() override {
    SetFontSource(PrinterCells());
    file = std::filesystem::temp_directory_path() / ("vt_editprint_" + std::to_string(::getpid()) + ".pdf");
    printer.SetOutputFileName(file.string());
    print.SetPrinter(&printer);
  }
  void TearDown() override {
    SetFontSource(nullptr);
    std::filesystem::remove(file);
  }
  void SetText(const std::vector<std::string>& lines) {
    TStringList list;
    list.AddStrings(lines);
    print.SetLines(&list);
  }
  // Runs PrintRange; abortAt > 0 aborts when that page starts, -1 when the job starts.
  Job Run(int first = 1, int last = -1, int abortAt = 0) {
    Job job;
    HDC dc = printer.Handle();
    std::vector<std::size_t> starts;
    print.OnPrintStatus = [&](TObject*, TSxPrintStatus s, int page, bool& abort) {
      job.statuses += std::string(job.statuses.empty() ? "" : " ") + "BNE"[s] + std::to_string(page);
      if (s == psNewPage) starts.push_back(RecordedCalls(dc).size());
      abort = (s == psNewPage && page == abortAt) || (s == psBegin && abortAt < 0);
    };
    print.OnPrintLine = [&](TObject*, int line, int page) { job.lines.emplace_back(line, page); };
    StartRecording(dc);
    print.PrintRange(first, last);
    const std::vector<GdiRecord> all = StopRecording(dc);
    starts.push_back(all.size());
    for (std::size_t i = 0; i + 1 < starts.size(); ++i)
      job.pages.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(starts[i]),
                             all.begin() + static_cast<std::ptrdiff_t>(starts[i + 1]));
    return job;
  }

  std::filesystem::path file;
  TPrinter printer;
  TSxEditPrint print;
  TSxSQLSx sql{nullptr};
};

}  // namespace

// ---- Geometry and margins -------------------------------------------------------------------

TEST(PrintGeometry, NoPrinterPageAndMarginsInUnits) {
  SetFontSource(PrinterCells());
  TPrinter printer;
  TSxEditPrinterInfo info(&printer);
  EXPECT_FALSE(info.IsUpdated());
  EXPECT_EQ(info.PrintableWidth(), 2358);
  EXPECT_TRUE(info.IsUpdated());
  EXPECT_EQ(info.PrintableHeight(), 3407);
  EXPECT_EQ(info.PhysicalWidth(), 2481);
  EXPECT_EQ(info.RightGutter(), 58);
  EXPECT_EQ(info.BottomGutter(), 50);
  EXPECT_EQ(info.XPixPrmm(), 300 / 25.4f);

  TMeasureCanvas canvas;
  TSxEditPrintMargins m;
  struct Case {
    const char* what;
    int page;
    bool mirror, numbers, inMargin;
    double gutter;
    std::array<int, 10> expected;  // L R T B Header Footer HFMargin LIndent RIndent Gutter
  };
  const Case cases[] = {
      {"defaults", 1, false, false, false, 0, {230, 2239, 245, 3162, 127, 3280, 6, 254, 2215, 0}},
      {"width of \"99: \" before the text",
       1,
       false,
       true,
       false,
       0,
       {330, 2239, 245, 3162, 127, 3280, 6, 354, 2215, 0}},
      {"numbers in the margin", 1, false, true, true, 0, {230, 2239, 245, 3162, 127, 3280, 6, 254, 2215, 0}},
      {"gutter on the left of odd pages",
       3,
       true,
       false,
       false,
       10,
       {348, 2239, 245, 3162, 127, 3280, 6, 372, 2215, 118}},
      {"mirrored even page", 2, true, false, false, 10, {112, 2003, 245, 3162, 127, 3280, 6, 136, 1979, 118}},
  };
  for (const Case& c : cases) {
    m.SetMirrorMargins(c.mirror);
    m.SetGutter(c.gutter);
    m.InitPage(&canvas, c.page, &info, c.numbers, c.inMargin, 99);
    const std::array<int, 10> got{m.PLeft,
                                  m.PRight,
                                  m.PTop,
                                  m.PBottom,
                                  m.PHeader,
                                  m.PFooter,
                                  m.PHFInternalMargin,
                                  m.PLeftHFTextIndent,
                                  m.PRightHFTextIndent,
                                  m.PGutter};
    EXPECT_EQ(got, c.expected) << c.what;
  }

  // Lengths are kept in millimetres; the unit system only changes how they read and write.
  m.SetUnitSystem(usInch);
  m.SetLeft(1);
  EXPECT_DOUBLE_EQ(m.Left(), 1);
  m.SetUnitSystem(usMM);
  EXPECT_DOUBLE_EQ(m.Left(), 25.4);
  EXPECT_DOUBLE_EQ(m.Right(), 15);
  m.SetUnitSystem(usCM);
  EXPECT_DOUBLE_EQ(m.Right(), 1.5);
  m.SetUnitSystem(muThousandthsOfInches);
  EXPECT_DOUBLE_EQ(m.Left(), 1000);
  m.SetTop(500);
  m.SetUnitSystem(usMM);
  EXPECT_DOUBLE_EQ(m.Top(), 12.7);
  TSxEditPrintMargins copy;
  copy.Assign(&m);
  EXPECT_DOUBLE_EQ(copy.Left(), 25.4);
  EXPECT_TRUE(copy.MirrorMargins());
  SetFontSource(nullptr);
}

TEST(PrintRoutines, RomanNumeralsAndWrapPositions) {
  const std::pair<int, const char*> roman[] = {{1994, "MCMXCIV"}, {4, "IV"},      {3999, "MMMCMXCIX"}, {0, ""},
                                               {-3, ""},          {4000, "MMMM"}, {49, "XLIX"},        {12, "XII"}};
  for (const auto& [n, text] : roman) EXPECT_EQ(IntToRoman(n), text) << n;

  const TSxCharSet blanks = SxCharSet(" ,");
  struct Case {
    std::string line;
    int maxCol;
    bool result;
    std::vector<int> positions;
  };
  const Case cases[] = {
      {std::string(30, 'a'), 20, false, {}},  // too long, nothing to break at
      {"short", 20, true, {}},                // fits
      {"aaaa bbbb cccc", 10, true, {10}},     // the row ends on the break character
      {"aaaa bbbb,cccc dddd eeee", 10, true, {10, 20}},
      {"ab cd ef gh", 5, true, {3, 9}},  // the blank that triggers a wrap starts no row
      {"\xC3\xA4\xC3\xA4 \xC3\xA4\xC3\xA4 \xC3\xA4\xC3\xA4", 4, true, {3, 6}},  // characters, not bytes
      {"a b c", 0, true, {2, 4}},                                               // no width counts as one column
  };
  for (const Case& c : cases) {
    std::vector<TWrapPos> got{TWrapPos{99}};  // the caller's positions stay
    EXPECT_EQ(WrapTextEx(c.line, blanks, c.maxCol, got), c.result) << c.line;
    std::vector<int> indexes;
    for (std::size_t i = 1; i < got.size(); ++i) indexes.push_back(got[i].Index);
    EXPECT_EQ(indexes, c.positions) << c.line;
  }
}

// ---- Headers and footers --------------------------------------------------------------------

TEST(PrintHeaderFooter, MacroTexts) {
  struct Case {
    const char* text;
    bool roman;
    const char* expected;
  };
  const Case cases[] = {
      {"Page $PAGENUM$ of $PAGECOUNT$", false, "Page 3 of 12"},
      {"Page $PAGENUM$ of $PAGECOUNT$", true, "Page III of XII"},
      {"$pagenum$/$PageCount$", false, "3/12"},
      {"$FOO$x", false, "$FOO$x"},
      {"$FOO$PAGENUM$", false, "$FOO3"},  // a closing "$" may open the next macro
      {"costs $5", false, "costs $5"},
      {"$$", false, "$$"},
      {"$TITLE$: $DATE$ $TIME$", false, "q.sql: d t"},
      {"$DATETIME$|$TIMEDATE$", false, "d t|t d"},
      {"   ", false, ""},
  };
  THeaderFooterItem item;
  for (const Case& c : cases) {
    item.Text = c.text;
    EXPECT_EQ(item.GetText(12, 3, c.roman, "q.sql", "t", "d"), c.expected) << c.text;
  }
}

TEST(PrintHeaderFooter, LinesAlignmentMirrorAndFrames) {
  SetFontSource(PrinterCells());
  TPrinter printer;
  TSxEditPrinterInfo info(&printer);
  TMeasureCanvas canvas;
  TSxEditPrintMargins margins;
  margins.InitPage(&canvas, 1, &info, false, false, 1);
  HDC dc = canvas.Handle();

  THeader header;
  header.Add("right", nullptr, taRightJustify, 5);
  header.Add("left", nullptr, taLeftJustify, 2);
  header.Add("centre", nullptr, taCenter, 2);
  header.MirrorPosition = true;
  header.InitPrint(&canvas, 4, "t", &margins);
  // Two lines of 50 pixels and the internal margin (6) above and below.
  EXPECT_EQ(header.FrameHeight(), 112);
  EXPECT_EQ(header.LineCount(), 2);
  EXPECT_EQ(header.Item(2)->Text, "right");
  EXPECT_EQ(header.Item(2)->LineNumber, 2);

  StartRecording(dc);
  header.Print(&canvas, 1);
  header.Print(&canvas, 2);
  const std::vector<GdiRecord> records = StopRecording(dc);
  // Text at the baseline: the frame's top (127 - 112) + 6 + ascent 40, then one line lower.
  EXPECT_EQ(Texts(records, "Arial"),
            (std::vector<Text>{{254, 61, "left", false, false},
                               {1159, 61, "centre", false, false},
                               {2090, 111, "right", false, false},
                               {2115, 61, "left", false, false},  // page 2: left and right exchanged
                               {1159, 61, "centre", false, false},
                               {254, 111, "right", false, false}}));
  EXPECT_EQ(records[0].op, "MoveTo");
  EXPECT_EQ(records[0].points[0], (POINT{230, 127}));  // the header's bottom edge

  TFooter footer;
  footer.Add("$PAGENUM$", nullptr, taLeftJustify, 1);
  footer.InitPrint(&canvas, 4, "t", &margins);
  for (const TFrameTypes& frame : {TFrameTypes{ftLine}, TFrameTypes{}, TFrameTypes{ftBox, ftShaded}}) {
    footer.FrameTypes = frame;
    StartRecording(dc);
    footer.Print(&canvas, 3);
    std::string ops;
    for (const GdiRecord& r : StopRecording(dc)) {
      ops += r.op + " ";
      if (r.op == "LineTo") {
        EXPECT_EQ(r.points[1], (POINT{2239, 3280})) << "above the footer's text";
      }
      if (r.op == "Rectangle") {
        EXPECT_EQ(r.rect, (RECT{230, 3280, 2239, 3342}));
        EXPECT_EQ(r.brushColor, ColorToRGB(clSilver));
      }
      if (r.op == "ExtTextOut") {
        EXPECT_EQ(r.points[0], (POINT{254, 3326}));
      }
    }
    EXPECT_EQ(ops, frame.Empty()            ? "ExtTextOut "
                   : frame.Contains(ftLine) ? "MoveTo LineTo ExtTextOut "
                                            : "Rectangle ExtTextOut ");
  }

  TFooter empty;
  empty.InitPrint(&canvas, 4, "t", &margins);
  EXPECT_EQ(empty.FrameHeight(), -1);
  StartRecording(dc);
  empty.Print(&canvas, 1);
  EXPECT_TRUE(StopRecording(dc).empty());
  SetFontSource(nullptr);
}

// ---- Print jobs -----------------------------------------------------------------------------

TEST_F(PrintJob, HundredHighlightedLinesMakeTwoPages) {
  std::vector<std::string> lines = Numbered(100, "SELECT a FROM t");
  SetText(lines);
  print.SetHighlighter(&sql);
  const Job job = Run();
  EXPECT_EQ(print.PageCount(), 2);
  EXPECT_EQ(job.statuses, "B1 N1 N2 E2");
  ASSERT_EQ(job.pages.size(), 2u);
  ASSERT_EQ(job.lines.size(), 100u);
  EXPECT_EQ(job.lines[57], std::make_pair(58, 1));
  EXPECT_EQ(job.lines[58], std::make_pair(59, 2));
  // 58 lines of 50 pixels from the top margin; tokens on the 25-pixel grid from the left one.
  const std::vector<Text> first = Texts(job.pages[0]), second = Texts(job.pages[1]);
  EXPECT_EQ(first[0], (Text{230, 245, "SELECT", true, false}));
  EXPECT_EQ(first[2], (Text{405, 245, "a", false, false}));
  EXPECT_EQ(first.back(), (Text{580, 3095, "t58", false, false}));
  EXPECT_EQ(second[0], (Text{230, 245, "SELECT", true, false}));
  EXPECT_EQ(second.back(), (Text{580, 2295, "t100", false, false}));
  // The paper colour under the text area comes first on each page.
  EXPECT_EQ(job.pages[1][0].op, "FillRect");
  EXPECT_EQ(job.pages[1][0].rect, (RECT{230, 245, 2239, 3162}));
  EXPECT_EQ(printer.PageNumber(), 2);
}

TEST_F(PrintJob, LongLinesWrapIntoTheRowsThatWereCounted) {
  // 240 characters without a break character: three rows of 80.
  SetText({std::string(240, 'x'), "next"});
  Job job = Run();
  EXPECT_EQ(Texts(job.pages[0]), (std::vector<Text>{{230, 245, std::string(80, 'x'), false, false},
                                                    {230, 295, std::string(80, 'x'), false, false},
                                                    {230, 345, std::string(80, 'x'), false, false},
                                                    {230, 395, "next", false, false}}));
  // Without wrapping the line is cut at the right margin.
  print.Wrap = false;
  job = Run();
  EXPECT_EQ(Texts(job.pages[0]),
            (std::vector<Text>{{230, 245, std::string(80, 'x'), false, false}, {230, 295, "next", false, false}}));

  // Highlighted: the blank after "select" ends row 1; the identifier after "t." is longer than
  // a row, so it is cut on the grid, its first piece at its own column of row 2.
  print.Wrap = true;
  print.SetHighlighter(&sql);
  SetText({"select t." + std::string(200, 'x'), "from t"});
  job = Run();
  EXPECT_EQ(Texts(job.pages[0]), (std::vector<Text>{{230, 245, "select", true, false},
                                                    {380, 245, " ", false, false},
                                                    {230, 295, "t", false, false},
                                                    {255, 295, ".", false, false},
                                                    {280, 295, std::string(78, 'x'), false, false},
                                                    {230, 345, std::string(80, 'x'), false, false},
                                                    {230, 395, std::string(42, 'x'), false, false},
                                                    {230, 445, "from", true, false},
                                                    {330, 445, " ", false, false},
                                                    {355, 445, "t", false, false}}));

  // Pagination counts the wrapped rows: 20 lines of 3 rows fill a page with 19 of them.
  std::vector<std::string> many(20, std::string(240, 'y'));
  SetText(many);
  print.SetHighlighter(nullptr);
  job = Run();
  EXPECT_EQ(job.statuses, "B1 N1 N2 E2");
  EXPECT_EQ(job.lines[18], std::make_pair(19, 1));
  EXPECT_EQ(job.lines[19], std::make_pair(20, 2));

  // A text area narrower than one character still makes rows of one character.
  print.Margins()->SetLeft(100);
  print.Margins()->SetRight(108);
  SetText({"abc"});
  job = Run();
  EXPECT_EQ(Texts(job.pages[0]),
            (std::vector<Text>{
                {1116, 245, "a", false, false}, {1116, 295, "b", false, false}, {1116, 345, "c", false, false}}));
}

TEST_F(PrintJob, LineNumbersMoveTheTextOrSitInTheMargin) {
  SetText(Numbered(12, "line "));
  print.LineNumbers = true;
  Job job = Run();
  // The widest number, "12: ", is reserved before the text.
  std::vector<Text> texts = Texts(job.pages[0]);
  EXPECT_EQ(texts[0], (Text{255, 245, "1: ", false, false}));
  EXPECT_EQ(texts[1], (Text{330, 245, "line 1", false, false}));
  EXPECT_EQ(texts[22], (Text{230, 795, "12: ", false, false}));
  EXPECT_EQ(texts[23], (Text{330, 795, "line 12", false, false}));

  print.LineNumbersInMargin = true;
  print.LineOffset = 99;
  job = Run();
  texts = Texts(job.pages[0]);
  EXPECT_EQ(texts[0], (Text{105, 245, "100: ", false, false}));
  EXPECT_EQ(texts[1], (Text{230, 245, "line 1", false, false}));
}

TEST_F(PrintJob, CopiesRangesAndAbort) {
  SetText(Numbered(120, "l"));  // 58 + 58 + 4 lines
  print.Copies = 2;
  Job job = Run();
  EXPECT_EQ(job.statuses, "B1 N1 N2 N3 N1 N2 N3 E3");
  EXPECT_EQ(printer.PageNumber(), 6);
  EXPECT_TRUE(std::filesystem::exists(file));

  print.Copies = 1;
  job = Run(2, 2);
  EXPECT_EQ(job.statuses, "B2 N2 E2");
  EXPECT_EQ(Texts(job.pages[0])[0].text, "l59");
  // A range beyond the text prints no page, and the job still ends.
  job = Run(5, 9);
  EXPECT_EQ(job.statuses, "B5 E3");
  EXPECT_FALSE(printer.Printing());

  // Aborting when page 2 starts: page 1 only, no end status, and no document is left.
  std::filesystem::remove(file);
  job = Run(1, -1, 2);
  EXPECT_EQ(job.statuses, "B1 N1 N2");
  EXPECT_EQ(job.lines.size(), 58u);
  EXPECT_TRUE(printer.Aborted());
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(print.Printing());
  job = Run(1, -1, -1);
  EXPECT_EQ(job.statuses, "B1");
  EXPECT_TRUE(printer.Aborted());

  // A printer busy with another job refuses this one and keeps its own.
  printer.BeginDoc();
  EXPECT_THROW(print.Print(), EPrinter);
  EXPECT_TRUE(printer.Printing());
  printer.EndDoc();
  EXPECT_FALSE(print.Printing());
}

TEST_F(PrintJob, SelectedOnlyPrintsTheSelectedParts) {
  SetText({"abcdef", "ghijkl", "mnopqr", "stuvwx"});
  print.SelectedOnly = true;
  Job job = Run();
  EXPECT_EQ(job.statuses, "") << "no selection: no job at all";
  EXPECT_FALSE(std::filesystem::exists(file));

  struct Case {
    TSxSelectionMode mode;
    TBufferCoord begin, end;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {smNormal, {3, 3}, {2, 2}, {"hijkl", "mn"}},  // given in either order
      {smColumn, {5, 1}, {2, 2}, {"bcd", "hij"}},
      {smLine, {4, 3}, {2, 4}, {"mnopqr", "stuvwx"}},
  };
  for (const Case& c : cases) {
    print.SetSelection(c.mode, c.begin, c.end);
    job = Run();
    std::vector<std::string> texts;
    for (const Text& t : Texts(job.pages[0])) {
      texts.push_back(t.text);
      EXPECT_EQ(t.x, 230);
    }
    EXPECT_EQ(texts, c.texts);
    EXPECT_EQ(job.lines.front().first, std::min(c.begin.Line, c.end.Line));
  }
}

TEST_F(PrintJob, NewTextIsScannedAgainForTheNextJob) {
  print.SetHighlighter(&sql);
  SetText({"select 1", "from t"});
  Run();
  // A comment opened on line 1 still colours line 2 in the next job.
  SetText({"select /* open", "still comment */ x"});
  Job job = Run();
  const std::vector<Text> texts = Texts(job.pages[0]);
  ASSERT_GE(texts.size(), 4u);
  EXPECT_EQ(texts[3], (Text{230, 295, "still comment */", false, true}));
  // So is a change made through the list itself.
  print.Lines()->Put(0, "select 1");
  job = Run();
  EXPECT_EQ(Texts(job.pages[0])[3], (Text{230, 295, "still", false, false}));

  // With the highlighter's colours a token takes its attribute's colour; without, the font's.
  sql.KeyAttri->SetForeground(clNavy);
  print.Colors = true;
  job = Run();
  EXPECT_EQ(job.pages[0][1].textColor, ColorToRGB(clNavy));
  print.Colors = false;
  job = Run();
  EXPECT_EQ(job.pages[0][1].textColor, ColorToRGB(clBlack));
  // Tabs are expanded when the text is handed over.
  SetText({"a\tb"});
  print.SetHighlighter(nullptr);
  job = Run();
  EXPECT_EQ(Texts(job.pages[0])[0].text, "a       b");
  print.TabWidth = 0;
  SetText({"a\tb"});
  print.SetLines(print.Lines());  // handing over its own list keeps the text
  job = Run();
  EXPECT_EQ(Texts(job.pages[0])[0].text, "a b");
}

TEST_F(PrintJob, HeaderAndFooterOnEveryPage) {
  SetNowProvider([] { return EncodeDateTime(2024, 1, 2, 3, 4, 5, 0); });
  SetText(Numbered(100, "x"));
  print.Header()->Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, taCenter, 1);
  print.Footer()->Add("$DATE$", nullptr, taRightJustify, 1);
  print.Footer()->FrameTypes = TFrameTypes{ftBox, ftShaded};
  print.PageOffset = 10;
  print.Title = "q.sql";
  const Job job = Run();
  SetNowProvider(nullptr);
  EXPECT_EQ(printer.Title(), "q.sql");
  ASSERT_EQ(job.pages.size(), 2u);
  const std::vector<Text> texts = Texts(job.pages[1], "Arial");
  ASSERT_EQ(texts.size(), 2u);
  // Centred between the header indents; the page count stays the text's own.
  EXPECT_EQ(texts[0], (Text{1084, 111, "Page 12 of 2", false, false}));
  EXPECT_EQ(texts[1], (Text{2215 - 8 * 25, 3326, "1/2/2024", false, false}));
  int boxes = 0;
  for (const GdiRecord& r : job.pages[1]) boxes += r.op == "Rectangle";
  EXPECT_EQ(boxes, 1);
}

// The real path: installed fonts, a PDF file, read back as text and drawn as a picture.
TEST_F(PrintJob, PdfReadsBackWithPagesAndHeaders) {
  SetFontSource(nullptr);
  std::vector<std::string> lines;
  for (int i = 1; i <= 100; ++i)
    lines.push_back("SELECT name, total FROM orders WHERE id = " + std::to_string(i) + " /* row */");
  SetText(lines);
  print.SetHighlighter(&sql);
  print.LineNumbers = true;
  print.Header()->Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, taCenter, 1);
  print.Footer()->Add("$TITLE$", nullptr, taLeftJustify, 1);
  print.Title = "orders.sql";
  print.Print();
  const std::string info = ShellOutput("pdfinfo '" + file.string() + "'");
  const std::size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 6)), 2) << info;
  const std::string page1 = ShellOutput("pdftotext -layout -f 1 -l 1 '" + file.string() + "' -");
  const std::string page2 = ShellOutput("pdftotext -layout -f 2 -l 2 '" + file.string() + "' -");
  EXPECT_NE(page1.find("Page 1 of 2"), std::string::npos) << page1;
  EXPECT_NE(page1.find("1: SELECT name, total FROM orders WHERE id = 1 /* row */"), std::string::npos) << page1;
  EXPECT_NE(page1.find("orders.sql"), std::string::npos) << page1;
  EXPECT_NE(page2.find("Page 2 of 2"), std::string::npos) << page2;
  EXPECT_NE(page2.find("100: SELECT"), std::string::npos) << page2;
  EXPECT_EQ(page2.find("id = 1 /*"), std::string::npos) << page2;
  if (const char* keep = std::getenv("VT_KEEP_PRINT_PDF"))
    std::filesystem::copy_file(file, keep, std::filesystem::copy_options::overwrite_existing);
}
