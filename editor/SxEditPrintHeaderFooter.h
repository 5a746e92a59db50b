#pragma once
// Headers and footers of printed pages: text items on numbered lines, aligned left, right or
// centred between the margins, with page, title, date and time macros, and an optional frame
// (a separator line, a box, a shaded background).

#include <memory>
#include <vector>

#include "editor/SxEditPrintMargins.h"
#include "editor/SxEditPrintTypes.h"
#include "platform/db/DB.h"
#include "platform/forms/Graphics.h"

class THeaderFooterItem {
public:
  THeaderFooterItem();
  ~THeaderFooterItem();

  // The text with its macros replaced ("$PAGENUM$", "$PAGECOUNT$", "$TITLE$", "$DATE$",
  // "$TIME$", "$DATETIME$", "$TIMEDATE$", in any case); empty for a blank text.
  String GetText(int NumPages, int PageNum, bool Roman, const String& Title, const String& ATime,
                 const String& ADate) const;

  String Text;
  std::unique_ptr<TFont> Font;
  int LineNumber = 0;
  TAlignment Alignment = taLeftJustify;
  int Index = 0;
};

struct TLineInfo {
  int LineHeight = 0;
  int MaxBaseDist = 0;  // from the line's top to its baseline
};

enum THeaderFooterType { hftHeader, hftFooter };

class THeaderFooter : public TPersistent {
  VT_CLASS(THeaderFooter, TPersistent)
public:
  THeaderFooter();
  ~THeaderFooter() override;

  // A new item with a copy of AFont (of DefaultFont when null); answers its index.
  int Add(const String& Text, TFont* AFont, TAlignment Alignment, int LineNumber);
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  THeaderFooterItem* Item(int Index) const { return fItems[static_cast<std::size_t>(Index)].get(); }

  // Once per job: takes the date and time, orders the items by line (keeping the order of
  // items on the same line), closes the gaps between line numbers and measures the lines.
  // The margins must be initialised for the page before.
  void InitPrint(TCanvas* ACanvas, int NumPages, const String& Title, TSxEditPrintMargins* Margins);
  // Keeps each item font's point size at the printer's resolution.
  void SetPixPrInch(int Value);
  void Print(TCanvas* ACanvas, int PageNum);
  // Height of the frame after InitPrint; -1 when there is nothing to print.
  int FrameHeight() const { return fFrameHeight; }
  int LineCount() const { return static_cast<int>(fLineInfo.size()); }
  const TLineInfo& LineInfo(int Index) const { return fLineInfo[static_cast<std::size_t>(Index)]; }

  void Assign(TPersistent* Source) override;

  TFrameTypes FrameTypes{ftLine};
  TColor ShadedColor = clSilver;
  TColor LineColor = clBlack;
  TFont* DefaultFont() const { return fDefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { fDefaultFont->Assign(Value); }
  bool RomanNumbers = false;
  bool MirrorPosition = false;
  THeaderFooterType Kind() const { return fType; }

protected:
  THeaderFooterType fType = hftHeader;

private:
  void CalcHeight(TCanvas* ACanvas);
  void DrawFrame(TCanvas* ACanvas);
  std::vector<std::unique_ptr<THeaderFooterItem>> fItems;
  std::unique_ptr<TFont> fDefaultFont;
  String fDate, fTime, fTitle;
  int fNumPages = 0;
  TSxEditPrintMargins* fMargins = nullptr;
  int fFrameHeight = -1;
  std::vector<TLineInfo> fLineInfo;
};

class THeader : public THeaderFooter {
  VT_CLASS(THeader, THeaderFooter)
public:
  THeader() { fType = hftHeader; }
};

class TFooter : public THeaderFooter {
  VT_CLASS(TFooter, THeaderFooter)
public:
  TFooter() { fType = hftFooter; }
};

// The canvas's font, pen and brush, put back as they were when this goes out of scope.
class TSxCanvasState {
public:
  explicit TSxCanvasState(TCanvas* ACanvas);
  ~TSxCanvasState();
  TSxCanvasState(const TSxCanvasState&) = delete;
  TSxCanvasState& operator=(const TSxCanvasState&) = delete;

private:
  TCanvas* fCanvas;
  TFont fFont;
  TPen fPen;
  TBrush fBrush;
};
