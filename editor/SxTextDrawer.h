#pragma once
// The fixed-grid text drawer of the editor: one font handle per style combination of a base
// font, shared by every editor through a process-wide cache, and text output with an explicit
// advance per character so that bold and plain runs stay aligned column for column.

#include <memory>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Colors.h"
#include "platform/forms/Graphics.h"
#include "platform/gdi/WinGdi.h"

VT_DECLARE_EXCEPTION(EheFontStockException, Exception);
VT_DECLARE_EXCEPTION(EheTextDrawerException, Exception);

// Font style set as a number: bold 1, italic 2, underline 4, strike-out 8.
using TheStyleIndex = int;
TheStyleIndex StyleIndexOf(TFontStyles Style);
TFontStyles StylesOfIndex(TheStyleIndex Index);

struct TheFontData {
  TFontStyles Style;
  HFONT Handle;
  int CharAdv = 0;
  int DBCharAdv = 0;
  int CharHeight = 0;
};

struct TheSharedFontsInfo {
  int RefCount = 0;
  int LockCount = 0;
  std::unique_ptr<TFont> BaseFont;
  LOGFONT BaseLF;  // also the key
  bool IsDBCSFont = false;
  bool IsTrueType = false;
  TheFontData FontsData[16];
};

class TheFontsInfoManager {
public:
  ~TheFontsInfoManager();
  // The process-wide instance, created on first use.
  static TheFontsInfoManager& Instance();
  TheSharedFontsInfo* GetFontInfo(TFont* Font);
  void ReleaseFontInfo(TheSharedFontsInfo* Info);
  void LockFontsInfo(TheSharedFontsInfo* Info) { ++Info->LockCount; }
  void UnlockFontsInfo(TheSharedFontsInfo* Info);
  int Count() const { return static_cast<int>(fList.size()); }

private:
  std::vector<std::unique_ptr<TheSharedFontsInfo>> fList;
};

class TheFontStock {
public:
  explicit TheFontStock(TFont* InitialFont);
  virtual ~TheFontStock();
  TheFontStock(const TheFontStock&) = delete;
  TheFontStock& operator=(const TheFontStock&) = delete;

  virtual void SetBaseFont(TFont* Value);
  virtual void SetStyle(TFontStyles Value);
  virtual void ReleaseFontHandles();
  virtual int GetCharAdvance() const { return fCurrentData ? fCurrentData->CharAdv : 0; }
  virtual int GetCharHeight() const { return fCurrentData ? fCurrentData->CharHeight : 0; }
  virtual int GetDBCharAdvance() const { return fCurrentData ? fCurrentData->DBCharAdv : 0; }
  TFontStyles Style() const { return fCurrentStyle; }
  HFONT FontHandle() const { return fCurrentFont; }
  TheSharedFontsInfo* FontsInfo() const { return fFontsInfo; }

protected:
  virtual HDC InternalGetDC();
  virtual void InternalReleaseDC(HDC dc);
  virtual HFONT InternalCreateFont(TFontStyles Style);
  virtual int CalcFontAdvance(HDC dc, int* CharHeight, int* DBCharAdvance);
  virtual TheFontData* GetFontData(int Index) { return &fFontsInfo->FontsData[Index]; }

private:
  void ReleaseFontsInfo();
  HDC fDC;
  int fDCRefCount = 0;
  TheSharedFontsInfo* fFontsInfo = nullptr;
  bool fUsingFontHandles = false;
  TheFontData* fCurrentData = nullptr;
  HFONT fCurrentFont;
  TFontStyles fCurrentStyle;
  bool fStyleSet = false;
  LOGFONT fBaseLF;
};

class TheTextDrawer {
public:
  TheTextDrawer(TFontStyles CalcExtentBaseStyle, TFont* BaseFont);
  virtual ~TheTextDrawer();
  TheTextDrawer(const TheTextDrawer&) = delete;
  TheTextDrawer& operator=(const TheTextDrawer&) = delete;

  virtual int GetCharWidth() const { return fBaseCharWidth + fCharExtra; }
  virtual int GetCharHeight() const { return fBaseCharHeight; }
  virtual void BeginDrawing(HDC dc);
  virtual void EndDrawing();
  virtual void TextOut(int X, int Y, std::string_view Text);
  // Text holds UTF-8; every character advances one cell.
  virtual void ExtTextOut(int X, int Y, UINT Options, const RECT* ARect, std::string_view Text);
  virtual void SetBaseFont(TFont* Value);
  virtual void SetBaseStyle(TFontStyles Value);
  virtual void SetStyle(TFontStyles Value);
  virtual void SetForeColor(TColor Value);
  virtual void SetBackColor(TColor Value);
  virtual void SetCharExtra(int Value);
  virtual void ReleaseTemporaryResources() { fFontStock->ReleaseFontHandles(); }

  TheFontStock* FontStock() const { return fFontStock.get(); }
  int AdvanceCapacity() const { return static_cast<int>(fETODist.size()); }
  HDC DC() const { return fDC; }
  int DrawingCount() const { return fDrawingCount; }

protected:
  virtual void ReleaseETODist() { fETODist.clear(); }
  virtual void AfterStyleSet();
  virtual void DoSetCharExtra(int Value);

private:
  HDC fDC;
  int fSaveDC = 0;
  std::unique_ptr<TheFontStock> fFontStock;
  TFontStyles fCalcExtentBaseStyle;
  int fBaseCharWidth = 0, fBaseCharHeight = 0;
  HFONT fCurrentFont;
  std::vector<int> fETODist;
  TColor fColor = clWindowText, fBkColor = clWindow;
  int fCharExtra = 0;
  int fDrawingCount = 0;
};
