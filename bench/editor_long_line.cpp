// One keystroke on a very long line costs about what it costs on a short one. The SQL editor
// control as the main window sets it up (SQL highlighter, the window's options), in a real
// window of the Qt shell (offscreen), each key handled and painted before the next: typing,
// Backspace, Delete, Right, Ctrl+Right, End, a click placing the caret, undo and redo of one
// keystroke, Enter and its undo, and typing with word wrap. Lines of 100 and of 1,000,000
// characters, pure ASCII and with multi-byte characters and tabs, at the start, middle and end
// of the line. Rounds interleave the short and the long line; each operation's ratio is the
// median of the per-round ratios (long / short).
// Each keystroke is timed twice: as the first one after the line is loaded (the load has just
// written the line, and keeps the processor busy for milliseconds longer on the long line), and
// in a run, as one of several keystrokes on the loaded line, each undone before the next where
// it changed the text, as when someone works on the line. The last two lines are the largest
// ratios of each.
// The caret is placed the same way in the window on both lines, inside it and away from its
// edges (for End, where the jump leaves it, so that End scrolls on both lines). Backspace at the
// start and Delete at the end of the line above join the long line with its neighbour. Typing
// with word wrap is also compared on a line of 5,000 characters, which just fills the window,
// against the long line (its largest ratios printed before the last lines).
// Usage: bench_editor_long_line [rounds (default 5)] [only the operations whose name starts so].
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "editor/SxEdit.h"
#include "editor/SxHighlighterSQL.h"
#include "platform/forms/Forms.h"
#include "platform/win/QtShell.h"

namespace {

using Clock = std::chrono::steady_clock;

// A line of about `chars` characters: SQL-like words, with multi-byte characters and tabs
// when `mixed`.
std::string MakeLine(int chars, bool mixed) {
  static const char* const ascii[] = {"SELECT", "A.ID,", "'text'", "FROM", "T1", "WHERE", "X", "IN", "(1,", "2)"};
  static const char* const wide[] = {"SELECT", "Ä.ÎD,", "'日本語'", "\tFROM", "T1", "WHERE", "ö", "IN", "(1,", "2)"};
  std::string s;
  int n = 0, i = 0;
  while (n < chars) {
    const std::string w = (mixed ? wide : ascii)[i++ % 10];
    const int len = static_cast<int>(SxCharCount(w));
    if (n + len + 1 > chars) {
      s.append(static_cast<std::size_t>(chars - n), 'z');
      break;
    }
    s += w;
    s += ' ';
    n += len + 1;
  }
  return s;
}

struct Editor {
  TForm form{nullptr};
  TSxMemo* memo;
  TSxSQLSx hl{nullptr};
  explicit Editor(bool wrap) {
    form.SetBounds(0, 0, 820, 640);
    memo = new TSxMemo(&form);
    memo->SetParent(&form);
    memo->SetAlign(alClient);
    hl.SetSQLDialect(sqlInterbase6);
    memo->SetHighlighter(&hl);
    memo->SetOptions(eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint | eoTrimTrailingSpaces);
    memo->SetWordWrap(wrap);
    // The window scrolls no further right than the line's own end, on the short line as on the
    // long one: otherwise the short line's window could scroll to show only a few characters
    // where the long line's shows a window full of text.
    memo->SetMaxScrollWidth(1);
    form.Show();
    UpdateWindow(memo->Handle());
  }
  ~Editor() { memo->SetHighlighter(nullptr); }
  void Load(const std::string& line) {
    memo->Lines()->Clear();
    memo->Lines()->Add("SELECT 1 FROM RDB$DATABASE");
    memo->Lines()->Add(line);
    memo->Lines()->Add("COMMIT;");
    memo->ClearUndo();
    UpdateWindow(memo->Handle());
  }
  // The caret at the character, kCaretCells columns right of the window's left edge (or where
  // the line starts), on either line: no timed keystroke scrolls because the jump left the caret
  // at an edge of the window.
  void Place(int ch) {
    Jump(ch);
    if (!memo->WordWrap())
      memo->SetLeftColumn(std::max(1, memo->BufferToDisplayPos(memo->CaretPos()).Column - kCaretCells));
    UpdateWindow(memo->Handle());
  }
  static constexpr int kCaretCells = 20;
  // The caret at the character as the jump leaves it: End then scrolls on both lines, as it
  // must on the long one.
  void Jump(int ch) {
    TBufferCoord at{ch, 2};
    memo->ProcessCommand(ecGotoXY, 0, &at);
    UpdateWindow(memo->Handle());
  }
  void Key(TSxEditorCommand c, char32_t ch = 0) {
    memo->ProcessCommand(c, ch, nullptr);
    UpdateWindow(memo->Handle());
  }
};

struct Op {
  const char* name;
  bool wrap;
  // Prepares (untimed) at the given character of the line, then the timed keystroke.
  std::function<void(Editor&, int)> prepare;
  std::function<void(Editor&)> run;
  // In a run, an undo after the timed keystroke puts the text back for the next one.
  bool undone = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  EnsureShellApplication();
  InstallQtShell();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int kShort = 100, kLong = 1000000, kFilling = 5000, kRepeat = 3;

  auto place = [](Editor& e, int at) { e.Place(at); };
  const std::vector<Op> ops = {
      {"type", false, place, [](Editor& e) { e.Key(ecChar, U'q'); }, true},
      {"Backspace", false, place, [](Editor& e) { e.Key(ecDeleteLastChar); }, true},
      {"Delete", false, place, [](Editor& e) { e.Key(ecDeleteChar); }, true},
      {"Delete, line above", false,
       [](Editor& e, int) {
         TBufferCoord at{static_cast<int>(SxCharCount(e.memo->Lines()->Get(0))) + 1, 1};
         e.memo->ProcessCommand(ecGotoXY, 0, &at);
         UpdateWindow(e.memo->Handle());
       },
       [](Editor& e) { e.Key(ecDeleteChar); },
       true},
      {"Right", false, place, [](Editor& e) { e.Key(ecRight); }},
      {"Ctrl+Right", false, place, [](Editor& e) { e.Key(ecWordRight); }},
      {"End", false,
       [](Editor& e, int at) {
         // From the window as the load leaves it, in a run too: else the short line's End would
         // find its window already scrolled by the one before.
         e.memo->SetLeftColumn(1);
         e.Jump(at);
       },
       [](Editor& e) { e.Key(ecLineEnd); }},
      {"click", false, place,
       [](Editor& e) {
         // The middle of the caret's row, a few cells right of the left edge.
         const TPoint p = e.memo->RowColumnToPixels(e.memo->BufferToDisplayPos(e.memo->CaretPos()));
         const LPARAM at = MAKELPARAM(static_cast<WORD>(e.memo->GutterWidth() + 30), static_cast<WORD>(p.y + 4));
         const TBufferCoord before = e.memo->CaretPos();
         e.memo->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
         e.memo->Perform(WM_LBUTTONUP, 0, at);
         UpdateWindow(e.memo->Handle());
         if (e.memo->CaretPos() == before) std::printf("(a click left the caret where it was)\n");
       }},
      {"undo", false,
       [](Editor& e, int at) {
         e.Place(at);
         e.Key(ecChar, U'q');
       },
       [](Editor& e) { e.Key(ecUndo); }},
      {"redo", false,
       [](Editor& e, int at) {
         e.Place(at);
         e.Key(ecChar, U'q');
         e.Key(ecUndo);
       },
       [](Editor& e) { e.Key(ecRedo); },
       true},
      {"undo of a join", false,
       [](Editor& e, int) {
         e.Place(1);
         e.Key(ecDeleteLastChar);
       },
       [](Editor& e) { e.Key(ecUndo); }},
      {"Enter", false, place, [](Editor& e) { e.Key(ecLineBreak); }, true},
      {"undo of Enter", false,
       [](Editor& e, int at) {
         e.Place(at);
         e.Key(ecLineBreak);
       },
       [](Editor& e) { e.Key(ecUndo); }},
      {"type, word wrap", true, place, [](Editor& e) { e.Key(ecChar, U'q'); }, true},
  };
  struct Where {
    const char* name;
    double frac;
  };
  const Where wheres[] = {{"start", 0.0}, {"middle", 0.5}, {"end", 1.0}};

  Editor plain(false), wrapped(true);
  const std::string lines[2][2] = {{MakeLine(kShort, false), MakeLine(kShort, true)},
                                   {MakeLine(kLong, false), MakeLine(kLong, true)}};
  // With word wrap, an edit that moves every row below it repaints the whole window (the line
  // with tabs does that in its middle): a line that just fills the window against the long one
  // shows that this cost does not grow with the line.
  const std::string fillingLines[2] = {MakeLine(kFilling, false), MakeLine(kFilling, true)};
  std::printf("rounds %d, %d keystrokes each; times are per keystroke\n", rounds, kRepeat);
  // The median ratio long / short of the operation at each place, each printed; the largest.
  struct Largest {
    double ratio = 0;
    std::string name;
  };
  // Adds to the largest ratios, first after the load and in a run.
  auto measure = [&](const Op& op, const char* name, const std::string (&shortLines)[2], const char* shortName,
                     Largest (&largest)[2]) {
    Editor& e = op.wrap ? wrapped : plain;
    for (int mixed = 0; mixed < 2; ++mixed) {
      for (const Where& w : wheres) {
        // [first after the load, in a run], and of times [short, long].
        std::vector<double> ratios[2], times[2][2];
        for (int r = 0; r < rounds; ++r) {
          double t[2], tRun[2];
          for (int len = 0; len < 2; ++len) {
            const std::string& line = len == 0 ? shortLines[mixed] : lines[1][mixed];
            const int chars = SxCharCount(line);
            // The first character, the middle one, the last one.
            const int at = std::clamp(static_cast<int>(w.frac * chars), 1, chars);
            double sum = 0;
            for (int k = 0; k < kRepeat; ++k) {
              e.Load(line);
              op.prepare(e, at);
              sum += Seconds([&] { op.run(e); });
            }
            t[len] = sum / kRepeat;
            // In a run: the first keystroke after the load is not timed.
            e.Load(line);
            sum = 0;
            for (int k = 0; k <= kRepeat; ++k) {
              op.prepare(e, at);
              const double s = Seconds([&] { op.run(e); });
              if (k > 0) sum += s;
              if (op.undone) e.Key(ecUndo);
            }
            tRun[len] = sum / kRepeat;
          }
          times[0][0].push_back(t[0]);
          times[0][1].push_back(t[1]);
          ratios[0].push_back(t[1] / t[0]);
          times[1][0].push_back(tRun[0]);
          times[1][1].push_back(tRun[1]);
          ratios[1].push_back(tRun[1] / tRun[0]);
        }
        const double ratio[2] = {Median(ratios[0]), Median(ratios[1])};
        std::printf("%-16s %-6s %-6s %s %8.3f ms  long %8.3f ms  ratio %6.2f | in a run: %8.3f / %8.3f ms  ratio %6.2f\n",
                    name, mixed ? "mixed" : "ascii", w.name, shortName, Median(times[0][0]) * 1e3,
                    Median(times[0][1]) * 1e3, ratio[0], Median(times[1][0]) * 1e3, Median(times[1][1]) * 1e3, ratio[1]);
        std::fflush(stdout);
        for (int m = 0; m < 2; ++m)
          if (ratio[m] > largest[m].ratio) largest[m] = {ratio[m], std::string(name) + ", " + (mixed ? "mixed" : "ascii") + ", " + w.name};
      }
    }
  };
  Largest worst[2];
  const std::string only = argc > 2 ? argv[2] : "";
  const Op* wrapTyping = nullptr;
  for (const Op& op : ops) {
    if (op.wrap) wrapTyping = &op;
    if (std::string(op.name).rfind(only, 0) != 0) continue;
    measure(op, op.name, lines[0], "short", worst);
  }
  const char* fillingName = "type, word wrap, filling line";
  if (std::string(fillingName).rfind(only, 0) == 0) {
    Largest filling[2];
    measure(*wrapTyping, "type, word wrap", fillingLines, "5,000", filling);
    std::printf("ratio (1,000,000 / 5,000 characters, word wrap, largest, first after the load, %s): %.2f\n",
                filling[0].name.c_str(), filling[0].ratio);
    std::printf("ratio (1,000,000 / 5,000 characters, word wrap, largest, in a run, %s): %.2f\n",
                filling[1].name.c_str(), filling[1].ratio);
  }
  std::printf("ratio (1,000,000 / 100 characters, largest, first after the load, %s): %.2f\n", worst[0].name.c_str(),
              worst[0].ratio);
  std::printf("ratio (1,000,000 / 100 characters, largest, in a run, %s): %.2f\n", worst[1].name.c_str(),
              worst[1].ratio);
  return 0;
}
