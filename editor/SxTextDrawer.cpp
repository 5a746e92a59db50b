#include "editor/SxTextDrawer.h"

#include <cstring>
#include <limits>

#include "platform/core/Utf8.h"

TheStyleIndex StyleIndexOf(TFontStyles Style) {
  return (Style.Contains(fsBold) ? 1 : 0) | (Style.Contains(fsItalic) ? 2 : 0) | (Style.Contains(fsUnderline) ? 4 : 0) |
         (Style.Contains(fsStrikeOut) ? 8 : 0);
}

TFontStyles StylesOfIndex(TheStyleIndex Index) {
  TFontStyles s;
  if (Index & 1) s.Include(fsBold);
  if (Index & 2) s.Include(fsItalic);
  if (Index & 4) s.Include(fsUnderline);
  if (Index & 8) s.Include(fsStrikeOut);
  return s;
}

namespace {

TheFontsInfoManager* gManager = nullptr;

// The key: the logical font without italic, underline and strike-out, and with every byte
// after the face name's terminator cleared, so that equal fonts compare equal byte for byte.
LOGFONT FontKey(TFont* Font) {
  LOGFONT lf{};
  lf.lfWeight = 0;
  const LOGFONT src = Font->LogFont();
  lf.lfHeight = src.lfHeight;
  lf.lfWidth = src.lfWidth;
  lf.lfEscapement = src.lfEscapement;
  lf.lfOrientation = src.lfOrientation;
  lf.lfWeight = src.lfWeight;
  lf.lfCharSet = src.lfCharSet;
  lf.lfOutPrecision = src.lfOutPrecision;
  lf.lfClipPrecision = src.lfClipPrecision;
  lf.lfQuality = src.lfQuality;
  lf.lfPitchAndFamily = src.lfPitchAndFamily;
  // The rest of lf is zero, so the name stays terminated and what follows it cleared.
  std::memcpy(lf.lfFaceName, src.lfFaceName, strnlen(src.lfFaceName, sizeof lf.lfFaceName - 1));
  return lf;
}

}  // namespace

TheFontsInfoManager::~TheFontsInfoManager() {
  if (gManager == this) gManager = nullptr;
  for (auto& info : fList)
    for (auto& d : info->FontsData)
      if (d.Handle) DeleteObject(d.Handle);
}

TheFontsInfoManager& TheFontsInfoManager::Instance() {
  static TheFontsInfoManager manager;
  gManager = &manager;
  return manager;
}

TheSharedFontsInfo* TheFontsInfoManager::GetFontInfo(TFont* Font) {
  const LOGFONT key = FontKey(Font);
  for (auto& info : fList)
    if (std::memcmp(&info->BaseLF, &key, sizeof key) == 0) {
      ++info->RefCount;
      return info.get();
    }
  auto info = std::make_unique<TheSharedFontsInfo>();
  info->RefCount = 1;
  info->BaseFont = std::make_unique<TFont>();
  info->BaseFont->Assign(Font);
  info->BaseLF = key;
  info->IsTrueType = (key.lfPitchAndFamily & 4) != 0;
  // Every character is one cell (UTF-8 throughout), so no font is double-byte here.
  info->IsDBCSFont = false;
  fList.push_back(std::move(info));
  return fList.back().get();
}

void TheFontsInfoManager::ReleaseFontInfo(TheSharedFontsInfo* Info) {
  if (!Info) return;
  if (Info->RefCount < 2) {
    for (std::size_t i = 0; i < fList.size(); ++i)
      if (fList[i].get() == Info) {
        for (auto& d : Info->FontsData)
          if (d.Handle) DeleteObject(d.Handle);
        fList.erase(fList.begin() + static_cast<std::ptrdiff_t>(i));
        return;
      }
    return;
  }
  --Info->RefCount;
}

void TheFontsInfoManager::UnlockFontsInfo(TheSharedFontsInfo* Info) {
  if (--Info->LockCount > 0) return;
  Info->LockCount = 0;
  for (auto& d : Info->FontsData) {
    if (d.Handle) DeleteObject(d.Handle);
    d.Handle = HFONT();
  }
}

// ---- TheFontStock -----------------------------------------------------------------------------

TheFontStock::TheFontStock(TFont* InitialFont) { SetBaseFont(InitialFont); }

TheFontStock::~TheFontStock() { ReleaseFontsInfo(); }

void TheFontStock::ReleaseFontsInfo() {
  if (!fFontsInfo) return;
  auto& m = TheFontsInfoManager::Instance();
  if (fUsingFontHandles) {
    m.UnlockFontsInfo(fFontsInfo);
    fUsingFontHandles = false;
  }
  m.ReleaseFontInfo(fFontsInfo);
  fFontsInfo = nullptr;
  fCurrentData = nullptr;
  fCurrentFont = HFONT();
}

HDC TheFontStock::InternalGetDC() {
  if (fDCRefCount++ == 0) fDC = CreateMeasureDC();
  return fDC;
}

void TheFontStock::InternalReleaseDC(HDC dc) {
  if (--fDCRefCount <= 0) {
    fDCRefCount = 0;
    DeleteDC(dc);
    fDC = HDC();
  }
}

HFONT TheFontStock::InternalCreateFont(TFontStyles Style) {
  LOGFONT lf = fBaseLF;
  lf.lfWeight = Style.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = Style.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = Style.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = Style.Contains(fsStrikeOut) ? 1 : 0;
  return CreateFontIndirect(lf);
}

int TheFontStock::CalcFontAdvance(HDC dc, int* CharHeight, int* DBCharAdvance) {
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  ABC abc;
  const bool hasABC = GetCharABCWidths(dc, 'M', 'M', &abc) != 0;
  if (!hasABC) {
    abc.abcA = 0;
    abc.abcB = static_cast<UINT>(tm.tmAveCharWidth);
    abc.abcC = 0;
    tm.tmOverhang = 0;
  }
  const int advance = abc.abcA + static_cast<int>(abc.abcB) + abc.abcC + tm.tmOverhang;
  if (CharHeight) *CharHeight = tm.tmHeight < 0 ? -tm.tmHeight : tm.tmHeight;
  if (DBCharAdvance) *DBCharAdvance = std::numeric_limits<int>::max();
  return advance;
}

void TheFontStock::SetBaseFont(TFont* Value) {
  if (!Value) throw EheFontStockException("SetBaseFont: 'Value' must be specified.");
  auto& m = TheFontsInfoManager::Instance();
  TheSharedFontsInfo* info = m.GetFontInfo(Value);
  if (info == fFontsInfo) {
    m.ReleaseFontInfo(info);
    return;
  }
  ReleaseFontsInfo();
  fFontsInfo = info;
  fBaseLF = Value->LogFont();
  fStyleSet = false;
  SetStyle(Value->Style());
}

void TheFontStock::SetStyle(TFontStyles Value) {
  if (!fFontsInfo) return;
  if (!fUsingFontHandles) {
    TheFontsInfoManager::Instance().LockFontsInfo(fFontsInfo);
    fUsingFontHandles = true;
  }
  TheFontData* data = GetFontData(StyleIndexOf(Value));
  if (fStyleSet && data == fCurrentData && data->Handle) return;
  fCurrentData = data;
  fCurrentStyle = Value;
  fStyleSet = true;
  if (data->Handle) {
    fCurrentFont = data->Handle;
    return;
  }
  HFONT font = InternalCreateFont(Value);
  HDC dc = InternalGetDC();
  HFONT old = SelectObject(dc, font);
  int height = 0, db = 0;
  const int adv = CalcFontAdvance(dc, &height, fFontsInfo->IsDBCSFont ? &db : nullptr);
  SelectObject(dc, old);
  InternalReleaseDC(dc);
  data->Style = Value;
  data->Handle = font;
  data->CharAdv = adv;
  data->CharHeight = height;
  data->DBCharAdv = fFontsInfo->IsDBCSFont ? db : std::numeric_limits<int>::max();
  fCurrentFont = font;
}

void TheFontStock::ReleaseFontHandles() {
  if (fUsingFontHandles && fFontsInfo) {
    TheFontsInfoManager::Instance().UnlockFontsInfo(fFontsInfo);
    fUsingFontHandles = false;
    fStyleSet = false;
    fCurrentFont = HFONT();
  }
}

// ---- TheTextDrawer ----------------------------------------------------------------------------

TheTextDrawer::TheTextDrawer(TFontStyles CalcExtentBaseStyle, TFont* BaseFont)
    : fFontStock(std::make_unique<TheFontStock>(BaseFont)), fCalcExtentBaseStyle(CalcExtentBaseStyle) {
  SetBaseFont(BaseFont);
}

TheTextDrawer::~TheTextDrawer() {
  while (fDrawingCount > 0) EndDrawing();
}

void TheTextDrawer::SetBaseFont(TFont* Value) {
  if (!Value) throw EheTextDrawerException("SetBaseFont: 'Value' must be specified.");
  ReleaseETODist();
  fFontStock->SetBaseFont(Value);
  fFontStock->SetStyle(fCalcExtentBaseStyle);
  fBaseCharWidth = fFontStock->GetCharAdvance();
  fBaseCharHeight = fFontStock->GetCharHeight();
  SetStyle(Value->Style());
}

void TheTextDrawer::SetBaseStyle(TFontStyles Value) {
  if (fCalcExtentBaseStyle == Value) return;
  fCalcExtentBaseStyle = Value;
  ReleaseETODist();
  fFontStock->SetStyle(Value);
  fBaseCharWidth = fFontStock->GetCharAdvance();
  fBaseCharHeight = fFontStock->GetCharHeight();
}

void TheTextDrawer::SetStyle(TFontStyles Value) {
  fFontStock->SetStyle(Value);
  AfterStyleSet();
}

void TheTextDrawer::AfterStyleSet() {
  fCurrentFont = fFontStock->FontHandle();
  if (fDC) SelectObject(fDC, fCurrentFont);
}

void TheTextDrawer::BeginDrawing(HDC dc) {
  if (fDC != dc) {
    fDC = dc;
    fSaveDC = SaveDC(dc);
    SelectObject(dc, fCurrentFont);
    ::SetTextColor(dc, ColorToRGB(fColor));
    ::SetBkColor(dc, ColorToRGB(fBkColor));
    DoSetCharExtra(fCharExtra);
  }
  ++fDrawingCount;
}

void TheTextDrawer::EndDrawing() {
  if (fDrawingCount <= 0) return;
  if (--fDrawingCount == 0) {
    if (fSaveDC) RestoreDC(fDC, fSaveDC);
    fSaveDC = 0;
    fDC = HDC();
  }
}

void TheTextDrawer::SetForeColor(TColor Value) {
  if (fColor == Value) return;
  fColor = Value;
  if (fDC) ::SetTextColor(fDC, ColorToRGB(Value));
}

void TheTextDrawer::SetBackColor(TColor Value) {
  if (fBkColor == Value) return;
  fBkColor = Value;
  if (fDC) ::SetBkColor(fDC, ColorToRGB(Value));
}

void TheTextDrawer::SetCharExtra(int Value) {
  if (fCharExtra == Value) return;
  fCharExtra = Value;
  DoSetCharExtra(Value);
}

void TheTextDrawer::DoSetCharExtra(int Value) {
  if (fDC) SetTextCharacterExtra(fDC, Value);
}

void TheTextDrawer::TextOut(int X, int Y, std::string_view Text) { ::TextOut(fDC, X, Y, Text); }

void TheTextDrawer::ExtTextOut(int X, int Y, UINT Options, const RECT* ARect, std::string_view Text) {
  const int length = static_cast<int>(Utf8Length(Text));
  if (static_cast<int>(fETODist.size()) < length) {
    const std::size_t size = static_cast<std::size_t>((length / 64) * 64 + 64);
    fETODist.assign(size, GetCharWidth());
  }
  ::ExtTextOut(fDC, X, Y, Options, ARect, Text, fETODist.data());
}
