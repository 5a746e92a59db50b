#include "editor/SxEditMiscClasses.h"

#include <algorithm>
#include <map>

#include "editor/SxEdit.h"
#include "editor/SxEditMiscProcs.h"
#include "platform/core/SysUtils.h"

// ---- TSxSelectedColor ---------------------------------------------------------------------

void TSxSelectedColor::SetBackground(TColor v) {
  if (fBG == v) return;
  fBG = v;
  Changed();
}

void TSxSelectedColor::SetForeground(TColor v) {
  if (fFG == v) return;
  fFG = v;
  Changed();
}

void TSxSelectedColor::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TSxSelectedColor*>(Source)) {
    fBG = s->fBG;
    fFG = s->fFG;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TSxGutter ----------------------------------------------------------------------------

TSxGutter::TSxGutter() : fFont(std::make_unique<TFont>()) {
  fFont->SetName("Courier New");
  fFont->SetSize(8);
  fFont->SetStyle({});
  fFont->OnChange = [this](TObject*) { Changed(); };
}

TSxGutter::~TSxGutter() { fFont->OnChange = nullptr; }

void TSxGutter::SetDigitCount(int v) {
  v = MinMax(v, 2, 12);
  if (fDigitCount == v) return;
  fDigitCount = v;
  fAutoSizeDigitCount = v;
  Changed();
}

void TSxGutter::SetLineNumberStart(int v) {
  if (fLineNumberStart == v) return;
  fLineNumberStart = std::max(v, 0);
  fZeroStart = fLineNumberStart == 0;
  Changed();
}

int TSxGutter::ShownNumber(int Line) const {
  if (fZeroStart) return Line - 1;
  if (fLineNumberStart > 1) return Line + fLineNumberStart - 1;
  return Line;
}

void TSxGutter::AutoSizeDigitCount(int LinesCount) {
  if (fVisible && fAutoSize && fShowLineNumbers) {
    const int digits = std::max(static_cast<int>(std::to_string(ShownNumber(LinesCount)).size()), fDigitCount);
    if (digits != fAutoSizeDigitCount) {
      fAutoSizeDigitCount = digits;
      Changed();
    }
  } else {
    fAutoSizeDigitCount = fDigitCount;
  }
}

String TSxGutter::FormatLineNumber(int Line) const {
  String s = std::to_string(ShownNumber(Line));
  if (static_cast<int>(s.size()) < fAutoSizeDigitCount)
    s.insert(0, static_cast<std::size_t>(fAutoSizeDigitCount) - s.size(), fLeadingZeros ? '0' : ' ');
  return s;
}

int TSxGutter::RealGutterWidth(int CharWidth) const {
  if (!fVisible) return 0;
  if (!fShowLineNumbers) return fWidth;
  return fLeftOffset + fRightOffset + fAutoSizeDigitCount * CharWidth + 2;
}

void TSxGutter::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TSxGutter*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  auto onChange = OnChange;
  OnChange = nullptr;
  fFont->Assign(s->fFont.get());
  fColor = s->fColor;
  fBorderColor = s->fBorderColor;
  fWidth = s->fWidth;
  fShowLineNumbers = s->fShowLineNumbers;
  fDigitCount = s->fDigitCount;
  fAutoSizeDigitCount = s->fAutoSizeDigitCount;
  fLeadingZeros = s->fLeadingZeros;
  fZeroStart = s->fZeroStart;
  fLeftOffset = s->fLeftOffset;
  fRightOffset = s->fRightOffset;
  fVisible = s->fVisible;
  fUseFontStyle = s->fUseFontStyle;
  fAutoSize = s->fAutoSize;
  fBorderStyle = s->fBorderStyle;
  fLineNumberStart = s->fLineNumberStart;
  fGradient = s->fGradient;
  fGradientStartColor = s->fGradientStartColor;
  fGradientEndColor = s->fGradientEndColor;
  fGradientSteps = s->fGradientSteps;
  OnChange = onChange;
  Changed();
}

// ---- TSxBookMarkOpt -----------------------------------------------------------------------

void TSxBookMarkOpt::SetBookmarkImages(TCustomImageList* v) {
  if (fBookmarkImages == v) return;
  fBookmarkImages = v;
  if (v && fOwner) v->FreeNotification(fOwner);
  Changed();
}

void TSxBookMarkOpt::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TSxBookMarkOpt*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  fBookmarkImages = s->fBookmarkImages;
  fDrawBookmarksFirst = s->fDrawBookmarksFirst;
  fEnableKeys = s->fEnableKeys;
  fGlyphsVisible = s->fGlyphsVisible;
  fLeftMargin = s->fLeftMargin;
  fXoffset = s->fXoffset;
  Changed();
}

// ---- TSxGlyph -----------------------------------------------------------------------------

TSxGlyph::TSxGlyph(const String& ResName, TColor ResMaskColor) : fGlyph(std::make_unique<TBitmap>()) {
  if (!ResName.empty()) {
    fInternalGlyph = std::make_unique<TBitmap>();
    fInternalGlyph->LoadFromResourceName(HINSTANCE(), ResName);
    fInternalMaskColor = ResMaskColor;
  }
}

TSxGlyph::~TSxGlyph() = default;

void TSxGlyph::SetGlyph(TBitmap* v) {
  if (v)
    fGlyph->Assign(v);
  else
    fGlyph = std::make_unique<TBitmap>();
  Changed();
}

void TSxGlyph::SetMaskColor(TColor v) {
  if (fMaskColor == v) return;
  fMaskColor = v;
  Changed();
}

void TSxGlyph::SetVisible(bool v) {
  if (fVisible == v) return;
  fVisible = v;
  Changed();
}

int TSxGlyph::Width() const {
  if (!fGlyph->Empty()) return fGlyph->Width();
  if (fInternalGlyph) return fInternalGlyph->Width();
  return 0;
}

namespace {
// Places a picture of height h on a row: centred when the row is taller, else its middle band.
void PlaceOnRow(int h, int lineHeight, int y, int& destY, int& srcY, int& height) {
  if (lineHeight >= h) {
    destY = y + (lineHeight - h) / 2;
    srcY = 0;
    height = h;
  } else {
    destY = y;
    srcY = (h - lineHeight) / 2;
    height = lineHeight;
  }
}
}  // namespace

void TSxGlyph::Draw(TCanvas* ACanvas, int X, int Y, int LineHeight) {
  TBitmap* pic = nullptr;
  TColor mask = clNone;
  if (!fGlyph->Empty()) {
    pic = fGlyph.get();
    mask = fMaskColor;
  } else if (fInternalGlyph) {
    pic = fInternalGlyph.get();
    mask = fInternalMaskColor;
  }
  if (!pic) return;
  int destY, srcY, h;
  PlaceOnRow(pic->Height(), LineHeight, Y, destY, srcY, h);
  const TRect dest = Bounds(X, destY, pic->Width(), h), src = Bounds(0, srcY, pic->Width(), h);
  if (mask == clNone)
    ACanvas->CopyRect(dest, pic->Canvas(), src);
  else
    ACanvas->BrushCopy(dest, pic, src, mask);
}

void TSxGlyph::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TSxGlyph*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  if (s->fInternalGlyph) {
    if (!fInternalGlyph) fInternalGlyph = std::make_unique<TBitmap>();
    fInternalGlyph->Assign(s->fInternalGlyph.get());
  } else {
    fInternalGlyph.reset();
  }
  fGlyph->Assign(s->fGlyph.get());
  fInternalMaskColor = s->fInternalMaskColor;
  fMaskColor = s->fMaskColor;
  fVisible = s->fVisible;
  Changed();
}

// ---- TSxInternalImage ---------------------------------------------------------------------

namespace {
struct SharedImage {
  std::unique_ptr<TBitmap> bitmap;
  int usage = 0;
};
std::map<String, SharedImage>& SharedImages() {
  static std::map<String, SharedImage> images;
  return images;
}
}  // namespace

TSxInternalImage::TSxInternalImage(const String& Name, int Count) : fName(UpperCase(Name)), fCount(Count) {
  SharedImage& s = SharedImages()[fName];
  if (!s.bitmap) {
    s.bitmap = std::make_unique<TBitmap>();
    s.bitmap->LoadFromResourceName(HINSTANCE(), Name);
  }
  ++s.usage;
  fImages = s.bitmap.get();
  fWidth = Count > 0 ? (fImages->Width() + Count / 2) / Count : 0;
  fHeight = fImages->Height();
}

TSxInternalImage::~TSxInternalImage() {
  auto& images = SharedImages();
  auto it = images.find(fName);
  if (it != images.end() && --it->second.usage <= 0) images.erase(it);
}

int TSxInternalImage::SharedCount() { return static_cast<int>(SharedImages().size()); }

void TSxInternalImage::Draw(TCanvas* ACanvas, int Number, int X, int Y, int LineHeight) {
  if (Number < 0 || Number >= fCount) return;
  int destY, srcY, h;
  PlaceOnRow(fHeight, LineHeight, Y, destY, srcY, h);
  ACanvas->CopyRect(Bounds(X, destY, fWidth, h), fImages->Canvas(), Bounds(Number * fWidth, srcY, fWidth, h));
}

// ---- marks --------------------------------------------------------------------------------

TCustomSxEdit* TSxEditMark::GetEdit() {
  if (fEdit && fEdit->Marks()->IndexOf(this) < 0) fEdit = nullptr;
  return fEdit;
}

void TSxEditMark::SetImageIndex(int v) {
  fImageIndex = v;
  if (fVisible && GetEdit()) fEdit->InvalidateGutterLines(fLine, fLine);
}

void TSxEditMark::SetInternalImage(bool v) {
  fInternalImage = v;
  if (fVisible && GetEdit()) fEdit->InvalidateGutterLines(fLine, fLine);
}

void TSxEditMark::SetLine(int v) {
  if (fVisible && GetEdit()) {
    if (fLine > 0) fEdit->InvalidateGutterLines(fLine, fLine);
    fLine = v;
    fEdit->InvalidateGutterLines(fLine, fLine);
  } else {
    fLine = v;
  }
}

void TSxEditMark::SetVisible(bool v) {
  if (fVisible == v) return;
  fVisible = v;
  if (GetEdit()) fEdit->InvalidateGutterLines(fLine, fLine);
}

TSxEditMarkList::~TSxEditMarkList() {
  OnChange = nullptr;
  Clear();
}

int TSxEditMarkList::Add(TSxEditMark* Item) {
  fItems.push_back(Item);
  Changed();
  return Count() - 1;
}

void TSxEditMarkList::Delete(int Index) {
  TSxEditMark* m = fItems.at(static_cast<std::size_t>(Index));
  fItems.erase(fItems.begin() + Index);
  delete m;
  Changed();
}

void TSxEditMarkList::Remove(TSxEditMark* Item) {
  const int i = IndexOf(Item);
  if (i < 0) return;
  fItems.erase(fItems.begin() + i);
  Changed();
}

void TSxEditMarkList::Clear() {
  if (fItems.empty()) return;
  std::vector<TSxEditMark*> items;
  items.swap(fItems);
  for (TSxEditMark* m : items) delete m;
  Changed();
}

int TSxEditMarkList::IndexOf(const TSxEditMark* Item) const {
  auto it = std::find(fItems.begin(), fItems.end(), Item);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}

TSxEditMarks TSxEditMarkList::GetMarksForLine(int Line) const {
  TSxEditMarks result;
  for (TSxEditMark* m : fItems)
    if (m->Line() == Line && result.size() < 16) result.push_back(m);
  return result;
}
