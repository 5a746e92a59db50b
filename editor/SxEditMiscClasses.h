#pragma once
// The editor control's appearance objects (selection colours, gutter, bookmark options, the
// word-wrap glyph, the shared bookmark image strip) and its marks and bookmarks.

#include <memory>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Colors.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/ImgList.h"

class TCustomSxEdit;

class TSxSelectedColor : public TPersistent {
  VT_CLASS(TSxSelectedColor, TPersistent)
public:
  TColor Background() const { return fBG; }
  void SetBackground(TColor v);
  TColor Foreground() const { return fFG; }
  void SetForeground(TColor v);
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  TColor fBG = clHighlight, fFG = clHighlightText;
};

enum TSxGutterBorderStyle { gbsNone, gbsMiddle, gbsRight };

class TSxGutter : public TPersistent {
  VT_CLASS(TSxGutter, TPersistent)
public:
  TSxGutter();
  ~TSxGutter() override;

  TFont* Font() const { return fFont.get(); }
  void SetFont(TFont* v) { fFont->Assign(v); }
  TColor Color() const { return fColor; }
  void SetColor(TColor v) { Set(fColor, v); }
  TColor BorderColor() const { return fBorderColor; }
  void SetBorderColor(TColor v) { Set(fBorderColor, v); }
  int Width() const { return fWidth; }
  void SetWidth(int v) { Set(fWidth, v < 0 ? 0 : v); }
  bool ShowLineNumbers() const { return fShowLineNumbers; }
  void SetShowLineNumbers(bool v) { Set(fShowLineNumbers, v); }
  int DigitCount() const { return fDigitCount; }
  void SetDigitCount(int v);
  bool LeadingZeros() const { return fLeadingZeros; }
  void SetLeadingZeros(bool v) { Set(fLeadingZeros, v); }
  bool ZeroStart() const { return fZeroStart; }
  void SetZeroStart(bool v) { Set(fZeroStart, v); }
  int LeftOffset() const { return fLeftOffset; }
  void SetLeftOffset(int v) { Set(fLeftOffset, v < 0 ? 0 : v); }
  int RightOffset() const { return fRightOffset; }
  void SetRightOffset(int v) { Set(fRightOffset, v < 0 ? 0 : v); }
  TCursor Cursor() const { return fCursor; }
  void SetCursor(TCursor v) { Set(fCursor, v); }
  bool Visible() const { return fVisible; }
  void SetVisible(bool v) { Set(fVisible, v); }
  bool UseFontStyle() const { return fUseFontStyle; }
  void SetUseFontStyle(bool v) { Set(fUseFontStyle, v); }
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool v) { Set(fAutoSize, v); }
  TSxGutterBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TSxGutterBorderStyle v) {
    fBorderStyle = v;
    Changed();
  }
  int LineNumberStart() const { return fLineNumberStart; }
  void SetLineNumberStart(int v);
  bool Gradient() const { return fGradient; }
  void SetGradient(bool v) { Set(fGradient, v); }
  TColor GradientStartColor() const { return fGradientStartColor; }
  void SetGradientStartColor(TColor v) { Set(fGradientStartColor, v); }
  TColor GradientEndColor() const { return fGradientEndColor; }
  void SetGradientEndColor(TColor v) { Set(fGradientEndColor, v); }
  int GradientSteps() const { return fGradientSteps; }
  void SetGradientSteps(int v) { Set(fGradientSteps, v < 2 ? 2 : v); }
  int AutoSizeDigitCount() const { return fAutoSizeDigitCount; }

  void AutoSizeDigitCount(int LinesCount);
  String FormatLineNumber(int Line) const;
  int RealGutterWidth(int CharWidth) const;
  void Assign(TPersistent* Source) override;

  TNotifyEvent OnChange;

private:
  template <class T>
  void Set(T& field, T v) {
    if (field == v) return;
    field = v;
    Changed();
  }
  void Changed() {
    if (OnChange) OnChange(this);
  }
  int ShownNumber(int Line) const;

  std::unique_ptr<TFont> fFont;
  TColor fColor = clBtnFace, fBorderColor = clWindow;
  int fWidth = 30;
  bool fShowLineNumbers = false;
  int fDigitCount = 4, fAutoSizeDigitCount = 4;
  bool fLeadingZeros = false, fZeroStart = false;
  int fLeftOffset = 16, fRightOffset = 2;
  TCursor fCursor = crDefault;
  bool fVisible = true, fUseFontStyle = true, fAutoSize = false;
  TSxGutterBorderStyle fBorderStyle = gbsMiddle;
  int fLineNumberStart = 1;
  bool fGradient = false;
  TColor fGradientStartColor = clWindow, fGradientEndColor = clBtnFace;
  int fGradientSteps = 48;
};

class TSxBookMarkOpt : public TPersistent {
  VT_CLASS(TSxBookMarkOpt, TPersistent)
public:
  explicit TSxBookMarkOpt(TComponent* AOwner) : fOwner(AOwner) {}
  TCustomImageList* BookmarkImages() const { return fBookmarkImages; }
  void SetBookmarkImages(TCustomImageList* v);
  bool DrawBookmarksFirst() const { return fDrawBookmarksFirst; }
  void SetDrawBookmarksFirst(bool v) { Set(fDrawBookmarksFirst, v); }
  bool EnableKeys() const { return fEnableKeys; }
  void SetEnableKeys(bool v) { Set(fEnableKeys, v); }
  bool GlyphsVisible() const { return fGlyphsVisible; }
  void SetGlyphsVisible(bool v) { Set(fGlyphsVisible, v); }
  int LeftMargin() const { return fLeftMargin; }
  void SetLeftMargin(int v) { Set(fLeftMargin, v); }
  int Xoffset() const { return fXoffset; }
  void SetXoffset(int v) { Set(fXoffset, v); }
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  template <class T>
  void Set(T& field, T v) {
    if (field == v) return;
    field = v;
    Changed();
  }
  void Changed() {
    if (OnChange) OnChange(this);
  }
  TComponent* fOwner;
  TCustomImageList* fBookmarkImages = nullptr;
  bool fDrawBookmarksFirst = true, fEnableKeys = true, fGlyphsVisible = true;
  int fLeftMargin = 2, fXoffset = 12;
};

class TSxGlyph : public TPersistent {
  VT_CLASS(TSxGlyph, TPersistent)
public:
  // With a resource name the internal picture is that named bitmap with the mask colour.
  TSxGlyph(const String& ResName, TColor ResMaskColor);
  ~TSxGlyph() override;
  TBitmap* Glyph() const { return fGlyph.get(); }
  void SetGlyph(TBitmap* v);
  TColor MaskColor() const { return fMaskColor; }
  void SetMaskColor(TColor v);
  bool Visible() const { return fVisible; }
  void SetVisible(bool v);
  int Width() const;
  void Draw(TCanvas* ACanvas, int X, int Y, int LineHeight);
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  std::unique_ptr<TBitmap> fInternalGlyph, fGlyph;
  TColor fInternalMaskColor = clNone, fMaskColor = clNone;
  bool fVisible = true;
};

// A strip of equal-width images from a named bitmap, shared process-wide by name.
class TSxInternalImage {
public:
  TSxInternalImage(const String& Name, int Count);
  ~TSxInternalImage();
  TSxInternalImage(const TSxInternalImage&) = delete;
  TSxInternalImage& operator=(const TSxInternalImage&) = delete;
  void Draw(TCanvas* ACanvas, int Number, int X, int Y, int LineHeight);
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  TBitmap* Bitmap() const { return fImages; }
  // Bitmaps in the shared list (for tests).
  static int SharedCount();

private:
  String fName;
  TBitmap* fImages;
  int fWidth = 0, fHeight = 0, fCount = 0;
};

class TSxEditMark : public TObject {
  VT_CLASS(TSxEditMark, TObject)
public:
  explicit TSxEditMark(TCustomSxEdit* AOwner) : fEdit(AOwner) {}
  virtual TCustomSxEdit* GetEdit();
  virtual void SetChar(int v) { fChar = v; }
  virtual void SetImageIndex(int v);
  virtual void SetLine(int v);
  int Line() const { return fLine; }
  int Char() const { return fChar; }
  int ImageIndex() const { return fImageIndex; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool v);
  bool InternalImage() const { return fInternalImage; }
  void SetInternalImage(bool v);
  int BookmarkNumber() const { return fBookmarkNumber; }
  void SetBookmarkNumber(int v) { fBookmarkNumber = v; }
  bool IsBookmark() const { return fBookmarkNumber >= 0; }

private:
  int fLine = 0, fChar = 0, fImageIndex = 0;
  TCustomSxEdit* fEdit;
  bool fVisible = false, fInternalImage = false;
  int fBookmarkNumber = -1;
};

using TSxEditMarks = std::vector<TSxEditMark*>;  // up to 16 per line

// The editor's marks in insertion order; owns them.
class TSxEditMarkList {
public:
  explicit TSxEditMarkList(TCustomSxEdit* AOwner) : fEdit(AOwner) {}
  ~TSxEditMarkList();
  TSxEditMarkList(const TSxEditMarkList&) = delete;
  TSxEditMarkList& operator=(const TSxEditMarkList&) = delete;
  int Add(TSxEditMark* Item);
  void Delete(int Index);
  // Out of the list, not freed.
  void Remove(TSxEditMark* Item);
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  TSxEditMark* Items(int Index) const { return fItems[static_cast<std::size_t>(Index)]; }
  int IndexOf(const TSxEditMark* Item) const;
  TSxEditMarks GetMarksForLine(int Line) const;
  TCustomSxEdit* Edit() const { return fEdit; }
  TNotifyEvent OnChange;

private:
  void Changed() {
    if (OnChange) OnChange(nullptr);
  }
  TCustomSxEdit* fEdit;
  std::vector<TSxEditMark*> fItems;
};
