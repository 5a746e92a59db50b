#include "editor/SxEditPrintHeaderFooter.h"

#include <algorithm>

#include "platform/core/DateUtils.h"

// ---- TSxCanvasState -------------------------------------------------------------------------

TSxCanvasState::TSxCanvasState(TCanvas* ACanvas) : fCanvas(ACanvas) {
  fFont.SetPixelsPerInch(ACanvas->Font()->PixelsPerInch());
  fFont.Assign(ACanvas->Font());
  fPen.Assign(ACanvas->Pen());
  fBrush.Assign(ACanvas->Brush());
}

TSxCanvasState::~TSxCanvasState() {
  fCanvas->Font()->Assign(&fFont);
  fCanvas->Pen()->Assign(&fPen);
  fCanvas->Brush()->Assign(&fBrush);
}

// ---- THeaderFooterItem ----------------------------------------------------------------------

THeaderFooterItem::THeaderFooterItem() : Font(std::make_unique<TFont>()) {}
THeaderFooterItem::~THeaderFooterItem() = default;

String THeaderFooterItem::GetText(int NumPages, int PageNum, bool Roman, const String& Title, const String& ATime,
                                  const String& ADate) const {
  if (Trim(Text).empty()) return String();
  auto number = [Roman](int n) { return Roman ? IntToRoman(n) : IntToStr(n); };
  auto macro = [&](const String& name, String& value) {
    if (name == "$PAGENUM$")
      value = number(PageNum);
    else if (name == "$PAGECOUNT$")
      value = number(NumPages);
    else if (name == "$TITLE$")
      value = Title;
    else if (name == "$DATE$")
      value = ADate;
    else if (name == "$TIME$")
      value = ATime;
    else if (name == "$DATETIME$")
      value = ADate + " " + ATime;
    else if (name == "$TIMEDATE$")
      value = ATime + " " + ADate;
    else
      return false;
    return true;
  };
  String result;
  std::size_t i = 0;
  for (;;) {
    const std::size_t open = Text.find('$', i);
    if (open == String::npos) {
      result.append(Text, i);
      break;
    }
    result.append(Text, i, open - i);
    const std::size_t close = Text.find('$', open + 1);
    if (close == String::npos) {
      result.append(Text, open);
      break;
    }
    String value;
    if (macro(UpperCase(Text.substr(open, close - open + 1)), value)) {
      result += value;
      i = close + 1;
    } else {
      // The closing "$" may open the next macro.
      result.append(Text, open, close - open);
      i = close;
    }
  }
  return result;
}

// ---- THeaderFooter --------------------------------------------------------------------------

THeaderFooter::THeaderFooter() : fDefaultFont(std::make_unique<TFont>()) {
  fDefaultFont->SetName("Arial");
  fDefaultFont->SetSize(10);
  fDefaultFont->SetColor(clBlack);
}

THeaderFooter::~THeaderFooter() = default;

int THeaderFooter::Add(const String& Text, TFont* AFont, TAlignment Alignment, int LineNumber) {
  auto item = std::make_unique<THeaderFooterItem>();
  item->Text = Text;
  TFont* source = AFont ? AFont : fDefaultFont.get();
  item->Font->SetPixelsPerInch(source->PixelsPerInch());
  item->Font->Assign(source);
  item->Alignment = Alignment;
  item->LineNumber = LineNumber;
  item->Index = Count();
  fItems.push_back(std::move(item));
  return Count() - 1;
}

void THeaderFooter::Clear() {
  fItems.clear();
  fLineInfo.clear();
  fFrameHeight = -1;
}

void THeaderFooter::SetPixPrInch(int Value) {
  for (auto& item : fItems) {
    const int size = item->Font->Size();
    item->Font->SetPixelsPerInch(Value);
    item->Font->SetSize(size);
  }
}

void THeaderFooter::InitPrint(TCanvas* ACanvas, int NumPages, const String& Title, TSxEditPrintMargins* Margins) {
  TSxCanvasState saved(ACanvas);
  const TDateTime now = Now();
  fDate = DateToStr(now);
  fTime = TimeToStr(now);
  fNumPages = NumPages;
  fMargins = Margins;
  fTitle = Title;
  // A stable order keeps items of one line in the order they were added.
  std::stable_sort(fItems.begin(), fItems.end(),
                   [](const auto& a, const auto& b) { return a->LineNumber < b->LineNumber; });
  fLineInfo.clear();
  int previous = 0;
  for (std::size_t i = 0; i < fItems.size(); ++i) {
    if (i == 0 || fItems[i]->LineNumber != previous) {
      previous = fItems[i]->LineNumber;
      fLineInfo.emplace_back();
    }
    fItems[i]->LineNumber = LineCount();
  }
  CalcHeight(ACanvas);
}

void THeaderFooter::CalcHeight(TCanvas* ACanvas) {
  if (fItems.empty()) {
    fFrameHeight = -1;
    return;
  }
  fFrameHeight = 0;
  int lineTop = 0, current = 0;
  for (const auto& item : fItems) {
    if (item->LineNumber != current) {
      lineTop = fFrameHeight;
      current = item->LineNumber;
    }
    ACanvas->SetFont(item->Font.get());
    const int height = ACanvas->TextHeight("W");
    TEXTMETRIC tm;
    GetTextMetrics(ACanvas->Handle(), &tm);
    TLineInfo& info = fLineInfo[static_cast<std::size_t>(current - 1)];
    info.LineHeight = std::max(info.LineHeight, height);
    info.MaxBaseDist = std::max<int>(info.MaxBaseDist, tm.tmHeight - tm.tmDescent);
    fFrameHeight = std::max(fFrameHeight, lineTop + height);
  }
  fFrameHeight += 2 * fMargins->PHFInternalMargin;
}

void THeaderFooter::DrawFrame(TCanvas* ACanvas) {
  if (FrameTypes.Empty()) return;
  const TSxEditPrintMargins& m = *fMargins;
  ACanvas->Pen()->SetColor(LineColor);
  ACanvas->Brush()->SetColor(ShadedColor);
  ACanvas->Brush()->SetStyle(FrameTypes.Contains(ftShaded) ? bsSolid : bsClear);
  ACanvas->Pen()->SetStyle(FrameTypes.Contains(ftBox) ? psSolid : psClear);
  if (FrameTypes.Contains(ftBox) || FrameTypes.Contains(ftShaded)) {
    if (fType == hftHeader)
      ACanvas->Rectangle(m.PLeft, m.PHeader - fFrameHeight, m.PRight, m.PHeader);
    else
      ACanvas->Rectangle(m.PLeft, m.PFooter, m.PRight, m.PFooter + fFrameHeight);
  }
  if (FrameTypes.Contains(ftLine)) {
    ACanvas->Pen()->SetStyle(psSolid);
    const int y = fType == hftHeader ? m.PHeader : m.PFooter;
    ACanvas->MoveTo(m.PLeft, y);
    ACanvas->LineTo(m.PRight, y);
  }
}

void THeaderFooter::Print(TCanvas* ACanvas, int PageNum) {
  if (fFrameHeight <= 0) return;
  TSxCanvasState saved(ACanvas);
  DrawFrame(ACanvas);
  ACanvas->Brush()->SetStyle(bsClear);
  const TSxEditPrintMargins& m = *fMargins;
  int y = (fType == hftHeader ? m.PHeader - fFrameHeight : m.PFooter) + m.PHFInternalMargin;
  int current = 1;
  for (const auto& item : fItems) {
    ACanvas->SetFont(item->Font.get());
    if (item->LineNumber != current) {
      y += fLineInfo[static_cast<std::size_t>(current - 1)].LineHeight;
      current = item->LineNumber;
    }
    const String text = item->GetText(fNumPages, PageNum, RomanNumbers, fTitle, fTime, fDate);
    TAlignment alignment = item->Alignment;
    if (MirrorPosition && PageNum % 2 == 0) {
      if (alignment == taLeftJustify)
        alignment = taRightJustify;
      else if (alignment == taRightJustify)
        alignment = taLeftJustify;
    }
    const int width = ACanvas->TextWidth(text);
    int x = m.PLeftHFTextIndent;
    if (alignment == taRightJustify)
      x = m.PRightHFTextIndent - width;
    else if (alignment == taCenter)
      x = (m.PLeftHFTextIndent + m.PRightHFTextIndent - width) / 2;
    const UINT oldAlign = SetTextAlign(ACanvas->Handle(), TA_BASELINE);
    ACanvas->TextOut(x, y + fLineInfo[static_cast<std::size_t>(current - 1)].MaxBaseDist, text);
    SetTextAlign(ACanvas->Handle(), oldAlign);
  }
}

void THeaderFooter::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<THeaderFooter*>(Source)) {
    Clear();
    fType = src->fType;
    FrameTypes = src->FrameTypes;
    ShadedColor = src->ShadedColor;
    LineColor = src->LineColor;
    for (const auto& item : src->fItems) Add(item->Text, item->Font.get(), item->Alignment, item->LineNumber);
    fDefaultFont->Assign(src->fDefaultFont.get());
    RomanNumbers = src->RomanNumbers;
    MirrorPosition = src->MirrorPosition;
    return;
  }
  TPersistent::Assign(Source);
}
