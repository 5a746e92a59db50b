#pragma once
// Multi-line text layout for editors and cells: a text is broken into rows for a rectangle
// (rows point into the caller's text, which must outlive them), the rows are placed, then
// painted, optionally with a selection in its own colours and an end ellipsis. Layout and
// painting are separate so that a view lays out once and paints many times.
//
// Text is UTF-8; rows never split a character. Byte positions address the text, character
// offsets (`TextOffset`, selections) count characters. A NUL inside the text is an ordinary
// character. Measuring and painting go through the device context's selected font.

#include <string_view>
#include <vector>

#include "platform/core/Colors.h"
#include "platform/forms/Graphics.h"
#include "platform/gdi/WinGdi.h"

// The layout flags live in their own scope: the control library's text flags share the
// prefix with other values.
namespace kcTextLayout {
constexpr unsigned kctfLeft = 0, kctfCenter = 1, kctfRight = 2, kctfJustify = 3, kctfDistribute = 4;
constexpr unsigned kctfHorzAlignmentMask = 0x7;
constexpr unsigned kctfTop = 0x00, kctfVCenter = 0x10, kctfBottom = 0x20, kctfVDistribute = 0x30;
constexpr unsigned kctfVertAlignmentMask = 0x30;
constexpr unsigned kctfNoLeftOverflow = 0x40, kctfNoTopOverflow = 0x80, kctfWordBreak = 0x100, kctfSingleLine = 0x200,
                   kctfExpandTabs = 0x400, kctfEndEllipsis = 0x800, kctfExternalLeading = 0x2000,
                   kctfWholeRowsOnly = 0x4000, kctfNoClip = 0x8000, kctfReserved10000 = 0x10000,
                   kctfBreakInsideWords = 0x20000, kctfCalcRect = 0x100000, kctfReturnRowCount = 0x200000;
}  // namespace kcTextLayout

struct TkcTextLayoutParams {
  int Height = 0;
  int ExternalLeading = 0;
  int RowHeight = 0;
  int EllipsisWidth = 0;
  char BreakChar = ' ';
  BYTE HorzAlignment = 0;
  BYTE VertAlignment = 0;
  bool WordBreak = false;
  bool SingleLine = false;
  bool ExpandTabs = false;
  bool EndEllipsis = false;
  bool AddExternalLeading = false;
  bool WholeRowsOnly = false;
  bool NoClip = false;
  bool Reserved10000 = false;
  bool NoLeftOverflow = false;
  bool NoTopOverflow = false;
  bool BreakInsideWords = false;
  bool ReturnRowCount = false;
  bool CalcRect = false;
  int MaxCharWidth = 0;
  BYTE CharSet = 0;
  // Distance between the default tab stops (eight average character widths).
  int TabWidth = 0;
};

struct TkcTextRowEntry {
  const char* Text = nullptr;  // first byte of the row inside the caller's text
  int TextLength = 0;          // bytes, without the line break that ends the row
  int Width = 0;
  int Height = 0;
  int BreakCount = 0;  // blanks and tabs that justification spreads extra width over
  int Left = 0;
  int Top = 0;
  int TextOffset = 0;  // characters from the start of the whole text
  int CharCount = 0;   // characters of the row
};
using TkcTextRows = std::vector<TkcTextRowEntry>;

void InitTextLayoutParams(HDC ADC, unsigned AFlags, TkcTextLayoutParams& AParams);
void InitTextLayoutParamsOnCanvas(TCanvas* ACanvas, unsigned AFlags, TkcTextLayoutParams& AParams);

// Breaks AText into rows for the width of ARect. False when the line limit cut text off.
bool BuildTextRows(HDC ADC, std::string_view AText, const RECT& ARect, const TkcTextLayoutParams& AParams,
                   TkcTextRows& ARows, int& ARowCount, int AMaxLineCount);
bool BuildTextRowsOnCanvas(TCanvas* ACanvas, std::string_view AText, const RECT& ARect,
                           const TkcTextLayoutParams& AParams, TkcTextRows& ARows, int& ARowCount, int AMaxLineCount);
// Sets Left and Top of the first ARowCount rows; vertical distribution may enlarge RowHeight.
void PositionTextRows(HDC ADC, const RECT& ARect, TkcTextLayoutParams& AParams, TkcTextRows& ARows, int ARowCount);
void PaintTextRows(HDC ADC, const RECT& ARect, const TkcTextLayoutParams& AParams, const TkcTextRows& ARows,
                   int ARowCount, int ASelStart, int ASelLength, TColor ASelBkColor, TColor ASelTextColor,
                   bool AEllipsisForced);
int GetMaxRowWidth(const TkcTextRows& ARows, int ACount);

void ShrinkTextRect(const RECT& ASrc, const TkcTextLayoutParams& AParams, int ALeftIndent, int ARightIndent,
                    RECT& ADst);
void ExpandTextRect(const RECT& ASrc, const TkcTextLayoutParams& AParams, int ALeftIndent, int ARightIndent,
                    RECT& ADst);

// The one-shot form: lays out, places and paints (or, with kctfCalcRect, adjusts ARect to the
// text). Answers the text height, or the row count with kctfReturnRowCount; 0 for an empty
// text or an unusable rectangle.
int DrawTextInRect(HDC ADC, std::string_view AText, RECT& ARect, unsigned AFlags, int ASelStart, int ASelLength,
                   TColor ASelBkColor, TColor ASelTextColor, int AMaxLineCount = 0, int ALeftIndent = 0,
                   int ARightIndent = 0);
int DrawTextInRectOnCanvas(TCanvas* ACanvas, std::string_view AText, RECT& ARect, unsigned AFlags, int ASelStart,
                           int ASelLength, TColor ASelBkColor, TColor ASelTextColor, int AMaxLineCount = 0,
                           int ALeftIndent = 0, int ARightIndent = 0);
int DrawTextInRectPlain(TCanvas* ACanvas, std::string_view AText, RECT& ARect, unsigned AFlags, int AMaxLineCount = 0,
                        int ALeftIndent = 0, int ARightIndent = 0);
