#include "editor/SxEditPrint.h"

#include <algorithm>

#include "platform/gdi/Printers.h"

namespace {

const TSxCharSet kWrapChars = SxCharSet("\t ,-");
const TSxCharSet kWrapCharsSecond = SxCharSet(").;");

}  // namespace

TSxEditPrint::TSxEditPrint(TComponent* AOwner)
    : TComponent(AOwner),
      fHeader(std::make_unique<THeader>()),
      fFooter(std::make_unique<TFooter>()),
      fMargins(std::make_unique<TSxEditPrintMargins>()),
      fLines(std::make_unique<TSxEditStringList>()),
      fFont(std::make_unique<TFont>()) {
  fFont->SetName("Courier New");
  fFont->SetSize(10);
  fFont->SetColor(clBlack);
  fLines->OnChange = [this](TObject* Sender) { LinesChanged(Sender); };
  fETODist.assign(1024, 0);
}

TSxEditPrint::~TSxEditPrint() {
  fLines->OnChange = nullptr;
  SetHighlighter(nullptr);
}

void TSxEditPrint::LinesChanged(TObject*) {
  if (!fScanningRanges) fRangesOK = false;
}

void TSxEditPrint::SetLines(TStrings* Value) {
  // Expanded into a copy first: Value may be this very list.
  const TConvertTabsProc expand = GetBestConvertTabsProc(TabWidth);
  std::vector<String> lines;
  for (int i = 0; Value && i < Value->Count(); ++i) {
    lines.push_back(expand(Value->Get(i), TabWidth));
    std::replace(lines.back().begin(), lines.back().end(), '\t', ' ');
  }
  fLines->BeginUpdate();
  try {
    fLines->Clear();
    fLines->AddStrings(lines);
  } catch (...) {
    fLines->EndUpdate();
    throw;
  }
  fLines->EndUpdate();
  fRangesOK = false;
}

void TSxEditPrint::SetFont(TFont* Value) { fFont->Assign(Value); }

void TSxEditPrint::SetHighlighter(TSxCustomHighlighter* Value) {
  if (Value == fHighlighter) return;
  if (fHighlighter) fHighlighter->RemoveFreeNotification(this);
  fHighlighter = Value;
  if (fHighlighter) fHighlighter->FreeNotification(this);
  fRangesOK = false;
}

void TSxEditPrint::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fHighlighter) {
    fHighlighter = nullptr;
    fRangesOK = false;
  }
}

void TSxEditPrint::SetSelection(TSxSelectionMode Mode, TBufferCoord BlockBegin, TBufferCoord BlockEnd) {
  fSelMode = Mode;
  fBlockBegin = MinPoint(BlockBegin, BlockEnd);
  fBlockEnd = fBlockBegin == BlockBegin ? BlockEnd : BlockBegin;
  // A column block may have been drawn from right to left.
  if (Mode == smColumn && fBlockBegin.Char > fBlockEnd.Char) std::swap(fBlockBegin.Char, fBlockEnd.Char);
  fSelAvail = true;
}

bool TSxEditPrint::IsLineSelected(int Index) const {
  return !SelectedOnly || (Index + 1 >= fBlockBegin.Line && Index + 1 <= fBlockEnd.Line);
}

// The line, or with SelectedOnly its selected part.
String TSxEditPrint::PrintedText(int Index) const {
  String text = fLines->Get(Index);
  if (!SelectedOnly || fSelMode == smLine) return text;
  const int line = Index + 1;
  const int first = fSelMode == smColumn || line == fBlockBegin.Line ? fBlockBegin.Char : 1;
  const int last = fSelMode == smColumn || line == fBlockEnd.Line ? fBlockEnd.Char : SxCharCount(text) + 1;
  if (last <= first) return String();
  const std::size_t from = SxCharOffset(text, first - 1), to = SxCharOffset(text, last - 1);
  return text.substr(from, to - from);
}

void TSxEditPrint::DoPrintStatus(TSxPrintStatus Status, int PageNumber, bool& Abort) {
  Abort = false;
  if (OnPrintStatus) OnPrintStatus(this, Status, PageNumber, Abort);
  if (Abort && fPrinting) Printer()->Abort();
}

void TSxEditPrint::DoPrintLine(int LineNumber, int PageNumber) {
  if (OnPrintLine) OnPrintLine(this, LineNumber, PageNumber);
}

void TSxEditPrint::InitRanges() {
  if (fRangesOK || !fHighlighter || fLines->Count() == 0) return;
  fScanningRanges = true;
  try {
    SxScanRanges(fHighlighter, fLines.get(), 0, fLines->Count() - 1);
  } catch (...) {
    fScanningRanges = false;
    throw;
  }
  fScanningRanges = false;
  fRangesOK = true;
}

void TSxEditPrint::SetCharWidth(int Value) {
  if (Value == fCharWidth) return;
  fCharWidth = Value;
  std::fill(fETODist.begin(), fETODist.end(), fCharWidth);
}

// Fonts, character grid and margins on the printer's canvas, then the pages and the header
// and footer for them.
void TSxEditPrint::PrepareCanvas() {
  fDefaultColor = fFont->Color();
  fCanvas.SetFont(fFont.get());
  TFontStyles all{fsBold, fsItalic, fsUnderline, fsStrikeOut};
  fCanvas.Font()->SetStyle(all);
  fCanvas.TextWidth("W");  // selects the font
  TEXTMETRIC tm;
  GetTextMetrics(fCanvas.Handle(), &tm);
  SetCharWidth(tm.tmAveCharWidth);
  fLineHeight = tm.tmHeight + tm.tmExternalLeading;
  fCanvas.Font()->SetStyle(fFont->Style());
  // The last line's number is the widest one.
  fMargins->InitPage(&fCanvas, 1, &fPrinterInfo, LineNumbers, LineNumbersInMargin, fLines->Count() + LineOffset);
  InitRanges();
  CalcPages();
  const int ppi = GetDeviceCaps(fCanvas.Handle(), LOGPIXELSY);
  fHeader->SetPixPrInch(ppi);
  fFooter->SetPixPrInch(ppi);
  fHeader->InitPrint(&fCanvas, fPageCount, Title, fMargins.get());
  fFooter->InitPrint(&fCanvas, fPageCount, Title, fMargins.get());
  fCanHighlight = Highlight && fHighlighter && fLines->Count() > 0;
}

void TSxEditPrint::WrapPositions(const String& Text, std::vector<TWrapPos>& Positions) {
  Positions.clear();
  if (!WrapTextEx(Text, kWrapChars, fMaxCol, Positions)) WrapTextEx(Text, kWrapCharsSecond, fMaxCol, Positions);
  // A row that no break character made short enough (every row, when none did) is cut every
  // fMaxCol characters: drawing would otherwise lose the end of the row.
  std::vector<TWrapPos> rows;
  const int length = SxCharCount(Text);
  int rowStart = 0;
  for (std::size_t k = 0; k <= Positions.size(); ++k) {
    const int rowEnd = k < Positions.size() ? Positions[k].Index : length;
    for (int p = rowStart + fMaxCol; p < rowEnd; p += fMaxCol) rows.push_back(TWrapPos{p});
    if (k < Positions.size()) rows.push_back(Positions[k]);
    rowStart = rowEnd;
  }
  Positions.swap(rows);
}

void TSxEditPrint::CalcPages() {
  fPages.clear();
  fMaxWidth = fMargins->PRight - fMargins->PLeft;
  // The widest row of "W"s that stays below the text width, at least one character so that
  // a narrow page or a large font still makes progress.
  const int w = std::max(1, fCanvas.TextWidth("W"));
  fMaxCol = std::max(1, (fMaxWidth - 1) / w);
  fMaxWidth = fCanvas.TextWidth(String(static_cast<std::size_t>(fMaxCol), 'W'));

  int first = 0, last = fLines->Count() - 1;
  if (SelectedOnly) {
    first = std::max(0, fBlockBegin.Line - 1);
    last = std::min(last, fBlockEnd.Line - 1);
  }
  fPages.push_back(first);
  fYPos = fMargins->PTop;
  std::vector<TWrapPos> positions;
  for (int i = first; i <= last; ++i) {
    const String text = PrintedText(i);
    positions.clear();
    if (Wrap && fCanvas.TextWidth(text) > fMaxWidth) WrapPositions(text, positions);
    // A line starts a new page when its last row would run past the bottom margin; a page
    // holds at least one line, however tall.
    const int height = fLineHeight * (static_cast<int>(positions.size()) + 1);
    if (fYPos + height > fMargins->PBottom && fPages.back() < i) {
      fPages.push_back(i);
      fYPos = fMargins->PTop;
    }
    fYPos += height;
  }
  fPageCount = static_cast<int>(fPages.size());
}

void TSxEditPrint::PrintRange(int StartPage, int EndPage) {
  if (SelectedOnly && !fSelAvail) return;
  if (fPrinting) throw EPrinter("Printing in progress");
  TPrinter* printer = Printer();
  printer->SetTitle(DocTitle.empty() ? Title : DocTitle);
  printer->BeginDoc();  // a failure here leaves another job of the printer alone
  fPrinting = true;
  fAbort = false;
  try {
    StartPage = std::max(StartPage, 1);
    DoPrintStatus(psBegin, StartPage, fAbort);
    fPrinterInfo.UpdatePrinter();
    fCanvas.SetHandle(printer->Handle());
    fCanvas.Font()->SetPixelsPerInch(GetDeviceCaps(fCanvas.Handle(), LOGPIXELSY));
    PrepareCanvas();
    if (EndPage < 0 || EndPage > fPageCount) EndPage = fPageCount;
    for (int copy = 1; copy <= Copies && !fAbort; ++copy)
      for (int page = StartPage; page <= EndPage && !fAbort; ++page) {
        PrintPage(page);
        if (!fAbort && (page < EndPage || copy < Copies)) printer->NewPage();
      }
    if (!fAbort) DoPrintStatus(psEnd, EndPage, fAbort);
    printer->EndDoc();
  } catch (...) {
    if (printer->Printing()) printer->Abort();
    fCanvas.SetHandle(HDC());
    fPrinting = false;
    throw;
  }
  fCanvas.SetHandle(HDC());
  fPrinting = false;
}

void TSxEditPrint::PrintPage(int Num) {
  DoPrintStatus(psNewPage, Num, fAbort);
  if (fAbort) return;
  // The margins of this page first, so that the paper colour also follows mirrored margins.
  fMargins->InitPage(&fCanvas, Num, &fPrinterInfo, LineNumbers, LineNumbersInMargin, fLines->Count() + LineOffset);
  fCanvas.Brush()->SetColor(Color);
  fCanvas.Brush()->SetStyle(bsSolid);
  fCanvas.FillRect(TRect{fMargins->PLeft, fMargins->PTop, fMargins->PRight, fMargins->PBottom});
  fHeader->Print(&fCanvas, Num + PageOffset);
  fYPos = fMargins->PTop;
  const int first = fPages[static_cast<std::size_t>(Num - 1)];
  const int end = Num < fPageCount ? fPages[static_cast<std::size_t>(Num)] : fLines->Count();
  for (int i = first; i < end; ++i) {
    if (!IsLineSelected(i)) continue;
    PrintLine(PrintedText(i), i);
    DoPrintLine(i + 1, Num);
  }
  fFooter->Print(&fCanvas, Num + PageOffset);
}

void TSxEditPrint::PrintLine(const String& Text, int Index) {
  if (LineNumbers) {
    TSxCanvasState saved(&fCanvas);
    const String number = IntToStr(Index + 1 + LineOffset) + ": ";
    fCanvas.Font()->SetStyle(TFontStyles());
    fCanvas.Font()->SetColor(clBlack);
    fCanvas.Brush()->SetColor(Color);
    fCanvas.TextOut(fMargins->PLeft - fCanvas.TextWidth(number), fYPos, number);
  }
  std::vector<TWrapPos> positions;
  if (Wrap && fCanvas.TextWidth(Text) > fMaxWidth) WrapPositions(Text, positions);
  WriteLine(Text, Index, positions);
  fYPos += fLineHeight;
}

void TSxEditPrint::WriteLine(const String& Text, int Index, const std::vector<TWrapPos>& Positions) {
  if (fCanHighlight) {
    WriteLineHighlighted(Text, Index, Positions);
    return;
  }
  fCanvas.Font()->SetColor(fDefaultColor);
  fCanvas.Brush()->SetColor(Color);
  std::size_t from = 0;
  for (const TWrapPos& p : Positions) {
    const std::size_t to = SxCharOffset(Text, p.Index);
    TextOut(fMargins->PLeft, fYPos, Text.substr(from, to - from));
    fYPos += fLineHeight;
    from = to;
  }
  TextOut(fMargins->PLeft, fYPos, Text.substr(from));
}

void TSxEditPrint::WriteLineHighlighted(const String& Text, int Index, const std::vector<TWrapPos>& Positions) {
  TSxCanvasState saved(&fCanvas);
  fHighlighter->SetRange(fLines->Range(Index));
  fHighlighter->SetLine(Text, Index);
  int rowStart = 0;
  std::size_t next = 0;  // the next wrap position not yet passed
  auto newRow = [&](int start) {
    fYPos += fLineHeight;
    rowStart = start;
  };
  while (!fHighlighter->AtLineEnd()) {
    const String token = fHighlighter->GetTokenText();
    const int start = fHighlighter->GetTokenPos();
    const int end = start + SxCharCount(token);
    TSxHighlighterAttributes* attr = fHighlighter->GetTokenAttribute();
    TColor fg = fDefaultColor, bg = Color;
    fCanvas.Font()->SetStyle(attr ? SxFontStyles(attr->Style()) : fFont->Style());
    if (attr && Colors) {
      fg = attr->Foreground() == clNone ? fFont->Color() : attr->Foreground();
      bg = attr->Background() == clNone ? Color : attr->Background();
    }
    fCanvas.Font()->SetColor(fg);
    fCanvas.Brush()->SetColor(bg);
    while (next < Positions.size() && start >= Positions[next].Index) {
      newRow(start);
      ++next;
    }
    if (next < Positions.size() && end > Positions[next].Index) {
      // Split at every wrap position inside the token.
      int pos = start;
      while (next < Positions.size() && end > Positions[next].Index) {
        const int p = Positions[next].Index;
        const std::size_t a = SxCharOffset(token, pos - start), b = SxCharOffset(token, p - start);
        TextOut(fMargins->PLeft + (pos - rowStart) * fCharWidth, fYPos, token.substr(a, b - a));
        newRow(p);
        pos = p;
        ++next;
      }
      TextOut(fMargins->PLeft + (pos - rowStart) * fCharWidth, fYPos, token.substr(SxCharOffset(token, pos - start)));
    } else {
      TextOut(fMargins->PLeft + (start - rowStart) * fCharWidth, fYPos, token);
    }
    fHighlighter->Next();
  }
}

// Cut from the end to the row width, then drawn on the character grid whatever the style.
void TSxEditPrint::TextOut(int X, int Y, const String& Text) {
  String text = Text;
  if (fCanvas.TextWidth(text) > fMaxWidth) {
    int fit = 0;
    SIZE size;
    GetTextExtentExPoint(fCanvas.Handle(), text, fMaxWidth, &fit, nullptr, &size);
    text.resize(SxCharOffset(text, fit));
  }
  const std::size_t count = static_cast<std::size_t>(SxCharCount(text));
  if (count > fETODist.size()) fETODist.resize(count, fCharWidth);
  ExtTextOut(fCanvas.Handle(), X, Y, 0, nullptr, text, fETODist.data());
}
