#pragma once
// Prints a list of text lines on the printer: a fixed character grid, optional syntax
// highlighting and line numbers, long lines wrapped at sensible characters, pagination,
// headers and footers, copies, page ranges and progress callbacks that can abort the job.
//
// Handing over from the editor control: the print action sets the editor's text and font,
//   print.SetLines(editor.Lines());   // TStrings*: tabs are expanded here
//   print.SetFont(editor.Font());     // TFont*: copied
// and, to print only the selection, SetSelection(mode, block begin, block end) followed by
// SelectedOnly = true. Nothing else of the editor is read.

#include <memory>
#include <vector>

#include "editor/SxEditHighlighter.h"
#include "editor/SxEditPrintHeaderFooter.h"
#include "editor/SxEditPrintMargins.h"
#include "editor/SxEditPrintTypes.h"
#include "editor/SxEditTextBuffer.h"
#include "platform/forms/Graphics.h"

class TPrinter;

using TPrintLineEvent = TEvent<void(TObject* Sender, int LineNumber, int PageNumber)>;
using TPrintStatusEvent = TEvent<void(TObject* Sender, TSxPrintStatus Status, int PageNumber, bool& Abort)>;

class TSxEditPrint : public TComponent {
  VT_CLASS(TSxEditPrint, TComponent)
public:
  explicit TSxEditPrint(TComponent* AOwner = nullptr);
  ~TSxEditPrint() override;

  int Copies = 1;
  THeader* Header() const { return fHeader.get(); }
  void SetHeader(THeader* Value) { fHeader->Assign(Value); }
  TFooter* Footer() const { return fFooter.get(); }
  void SetFooter(TFooter* Value) { fFooter->Assign(Value); }
  TSxEditPrintMargins* Margins() const { return fMargins.get(); }
  void SetMargins(TSxEditPrintMargins* Value) { fMargins->Assign(Value); }
  // The text to print. The setter expands tabs to TabWidth and turns what remains of them
  // into blanks; changing the list itself also makes the next job scan it again.
  TSxEditStringList* Lines() const { return fLines.get(); }
  void SetLines(TStrings* Value);
  TFont* Font() const { return fFont.get(); }
  void SetFont(TFont* Value);
  String Title;
  String DocTitle;  // the job's name; Title when empty
  bool Wrap = true;
  bool Highlight = true;
  bool SelectedOnly = false;
  bool Colors = false;  // the highlighter's colours, else the font's colour only
  bool LineNumbers = false;
  int LineOffset = 0;
  int PageOffset = 0;
  TPrintLineEvent OnPrintLine;
  TPrintStatusEvent OnPrintStatus;
  TSxCustomHighlighter* Highlighter() const { return fHighlighter; }
  void SetHighlighter(TSxCustomHighlighter* Value);
  bool LineNumbersInMargin = false;
  int TabWidth = 8;
  TColor Color = clWhite;  // the paper behind the text

  // The selection printed with SelectedOnly (buffer positions, either order).
  void SetSelection(TSxSelectionMode Mode, TBufferCoord BlockBegin, TBufferCoord BlockEnd);
  void ClearSelection() { fSelAvail = false; }
  bool SelAvail() const { return fSelAvail; }

  // The printer the jobs go to; null: the process-wide printer.
  TPrinter* Printer() const { return fPrinterInfo.Printer(); }
  void SetPrinter(TPrinter* Value) { fPrinterInfo.SetPrinter(Value); }
  TSxEditPrinterInfo& PrinterInfo() { return fPrinterInfo; }

  void Print() { PrintRange(1, -1); }
  // Pages StartPage..EndPage of each copy; EndPage below 0 means the last page. Pages outside
  // the text are not printed.
  void PrintRange(int StartPage, int EndPage);
  // Pages of the last job.
  int PageCount() const { return fPageCount; }
  bool Printing() const { return fPrinting; }

protected:
  virtual void DoPrintStatus(TSxPrintStatus Status, int PageNumber, bool& Abort);
  virtual void DoPrintLine(int LineNumber, int PageNumber);
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void LinesChanged(TObject*);
  void InitRanges();
  void PrepareCanvas();
  void CalcPages();
  bool IsLineSelected(int Index) const;
  String PrintedText(int Index) const;
  void WrapPositions(const String& Text, std::vector<TWrapPos>& Positions);
  void PrintPage(int Num);
  void PrintLine(const String& Text, int Index);
  void WriteLine(const String& Text, int Index, const std::vector<TWrapPos>& Positions);
  void WriteLineHighlighted(const String& Text, int Index, const std::vector<TWrapPos>& Positions);
  void TextOut(int X, int Y, const String& Text);
  void SetCharWidth(int Value);

  std::unique_ptr<THeader> fHeader;
  std::unique_ptr<TFooter> fFooter;
  std::unique_ptr<TSxEditPrintMargins> fMargins;
  std::unique_ptr<TSxEditStringList> fLines;
  std::unique_ptr<TFont> fFont;
  TSxCustomHighlighter* fHighlighter = nullptr;

  TSxEditPrinterInfo fPrinterInfo;
  std::vector<int> fPages;  // first line (0-based) of each page
  int fPageCount = 0;
  TCanvas fCanvas;
  int fCharWidth = 0;
  std::vector<int> fETODist;  // one advance per character, all fCharWidth
  int fLineHeight = 0;
  int fYPos = 0;
  int fMaxWidth = 0;
  int fMaxCol = 0;
  TColor fDefaultColor = clBlack;
  bool fPrinting = false, fAbort = false, fRangesOK = false, fScanningRanges = false;
  bool fCanHighlight = false;
  bool fSelAvail = false;
  TSxSelectionMode fSelMode = smNormal;
  TBufferCoord fBlockBegin, fBlockEnd;
};
