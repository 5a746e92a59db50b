// The SQL editor control on a generated 100,000-line, ~6.8 MB SQL text, in a real window of the
// Qt shell (offscreen): open the file in the control, paint the first screen, jump to the end
// and paint, type one character in the middle and repaint (only its row is repainted). Then
// block indent, case change and undo over a 100,000-line selection. When the reference widget
// is available (built with VT_HAVE_QSCINTILLA), it does the same first steps side by side and
// the last line is the time and memory ratio.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "editor/SxEdit.h"
#include "editor/SxHighlighterSQL.h"
#include "platform/forms/Forms.h"
#include "platform/win/QtShell.h"

#ifdef VT_HAVE_QSCINTILLA
#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#endif

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

long RssKb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// Varied SQL: statements of several shapes, comments, strings, quoted names, tabs.
std::string MakeSql(int lines) {
  static const char* const shapes[] = {
      "SELECT E.EMP_NO, E.FIRST_NAME, E.LAST_NAME, E.SALARY FROM EMPLOYEE E",
      "  WHERE E.DEPT_NO IN ('600', '621', '623') AND E.SALARY > :MIN_SALARY -- filter",
      "\tAND \"Quoted Name\" = GEN_ID(GEN_EMP, 1) OR E.HIRE_DATE < CAST('2024-01-01' AS DATE)",
      "/* a comment that opens here",
      "   and closes here after a few words */ ORDER BY 2, 3 DESC;",
      "UPDATE EMPLOYEE SET SALARY = SALARY * 1.05 WHERE JOB_COUNTRY = 'USA';",
      "INSERT INTO SALES (PO_NUMBER, CUST_NO, QTY_ORDERED) VALUES ('V9100', 1001, 25);",
      "",
      "EXECUTE PROCEDURE SHIP_ORDER 'V9100'; COMMIT WORK;",
      "  SELECT COUNT(*), SUM(TOTAL_VALUE), AVG(DISCOUNT) FROM SALES GROUP BY SALES_REP;",
  };
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 70);
  for (int i = 0; i < lines; ++i) {
    text += shapes[(i * 7 + i / 10) % 10];
    if (i % 2 == 0) text += " -- line " + std::to_string(i);
    text += '\n';
  }
  return text;
}

struct Result {
  double open = 0, first = 0, end = 0, type = 0;
  long memKb = 0;
  double Total() const { return open + first + end + type; }
};

}  // namespace

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EnsureShellApplication();
  InstallQtShell();
  const int kLines = 100000;
  const std::string path = "/tmp/vt_editor_bench.sql";
  {
    std::ofstream out(path, std::ios::binary);
    out << MakeSql(kLines);
  }
  const long bytes = static_cast<long>(std::ifstream(path, std::ios::binary | std::ios::ate).tellg());
  std::printf("file: %d lines, %.2f MB\n", kLines, bytes / 1e6);

  // ---- the editor control ----
  Result ours;
  {
    TForm form(nullptr);
    form.SetBounds(0, 0, 820, 640);
    auto* memo = new TSxMemo(&form);
    memo->SetParent(&form);
    memo->SetAlign(alClient);
    TSxSQLSx hl(nullptr);
    hl.SetSQLDialect(sqlInterbase6);
    memo->SetHighlighter(&hl);
    memo->Gutter()->SetVisible(false);
    form.Show();
    UpdateWindow(memo->Handle());
    std::vector<RECT> painted;
    memo->OnPaint = [&](TObject*, TCanvas* c) {
      RECT r;
      GetClipBox(c->Handle(), &r);
      painted.push_back(r);
    };
    const long mem0 = RssKb();
    auto t0 = Clock::now();
    memo->Lines()->LoadFromFile(path);
    auto t1 = Clock::now();
    memo->Invalidate();
    UpdateWindow(memo->Handle());
    auto t2 = Clock::now();
    memo->ProcessCommand(ecEditorBottom, 0, nullptr);
    UpdateWindow(memo->Handle());
    auto t3 = Clock::now();
    memo->ProcessCommand(ecEditorTop, 0, nullptr);
    TBufferCoord mid{5, kLines / 2};
    memo->ProcessCommand(ecGotoXY, 0, &mid);
    UpdateWindow(memo->Handle());
    painted.clear();
    auto t4 = Clock::now();
    memo->ProcessCommand(ecChar, U'x', nullptr);
    UpdateWindow(memo->Handle());
    auto t5 = Clock::now();
    ours = {Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t4, t5), RssKb() - mem0};
    std::printf("editor:    open %8.1f ms, first screen %6.1f ms, end %6.1f ms, keystroke %6.2f ms, memory %ld KB\n",
                ours.open, ours.first, ours.end, ours.type, ours.memKb);
    if (painted.size() == 1)
      std::printf("keystroke repainted %d x %d px (one row is %d px high)\n",
                  static_cast<int>(painted[0].right - painted[0].left),
                  static_cast<int>(painted[0].bottom - painted[0].top), memo->RowHeight());
    else
      std::printf("keystroke repainted %zu areas\n", painted.size());

    // Linear work over a 100,000-line selection.
    memo->SelectAll();
    auto b0 = Clock::now();
    memo->ProcessCommand(ecBlockIndent, 0, nullptr);
    auto b1 = Clock::now();
    memo->Undo();
    auto b2 = Clock::now();
    memo->SelectAll();
    auto b3 = Clock::now();
    memo->ProcessCommand(ecUpperCaseBlock, 0, nullptr);
    auto b4 = Clock::now();
    memo->Undo();
    auto b5 = Clock::now();
    std::printf("100,000 selected lines: indent %.0f ms, undo %.0f ms; upper case %.0f ms, undo %.0f ms\n", Ms(b0, b1),
                Ms(b1, b2), Ms(b3, b4), Ms(b4, b5));
    memo->SetHighlighter(nullptr);
  }

#ifdef VT_HAVE_QSCINTILLA
  Result ref;
  {
    QsciScintilla sci;
    QsciLexerSQL lexer;
    sci.setLexer(&lexer);
    sci.resize(820, 640);
    sci.show();
    QApplication::processEvents();
    const long mem0 = RssKb();
    auto t0 = Clock::now();
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    sci.setText(QString::fromUtf8(ss.str().data(), static_cast<qsizetype>(ss.str().size())));
    auto t1 = Clock::now();
    sci.viewport()->repaint();
    auto t2 = Clock::now();
    sci.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    sci.viewport()->repaint();
    auto t3 = Clock::now();
    sci.setCursorPosition(kLines / 2 - 1, 4);
    sci.viewport()->repaint();
    auto t4 = Clock::now();
    sci.SendScintilla(QsciScintilla::SCI_ADDTEXT, 1, "x");
    sci.viewport()->repaint();
    auto t5 = Clock::now();
    ref = {Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t4, t5), RssKb() - mem0};
    std::printf("reference: open %8.1f ms, first screen %6.1f ms, end %6.1f ms, keystroke %6.2f ms, memory %ld KB\n",
                ref.open, ref.first, ref.end, ref.type, ref.memKb);
  }
  std::printf("ratio (editor / reference): time %.2f, memory %.2f\n", ours.Total() / ref.Total(),
              ref.memKb > 0 ? static_cast<double>(ours.memKb) / ref.memKb : 0.0);
#else
  std::printf("ratio: reference widget not built (install libqscintilla2-qt6-dev)\n");
#endif
  return 0;
}
