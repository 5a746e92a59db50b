#pragma once
// The printer's page geometry in device pixels, and the user's page margins in millimetres
// turned into pixel positions on each page.

#include "editor/SxEditPrintTypes.h"
#include "platform/core/Classes.h"

class TCanvas;
class TPrinter;

// Page geometry of a printer; A4 at 300 dots per inch when no printer is installed. Every
// value is read from the printer the first time one is asked for.
class TSxEditPrinterInfo {
public:
  // Null: the process-wide printer.
  explicit TSxEditPrinterInfo(TPrinter* Printer = nullptr) : fPrinter(Printer) {}

  TPrinter* Printer() const;
  void SetPrinter(TPrinter* Printer);
  void UpdatePrinter();

  int PhysicalWidth() { return Updated(fPhysicalWidth); }
  int PhysicalHeight() { return Updated(fPhysicalHeight); }
  int PrintableWidth() { return Updated(fPrintableWidth); }
  int PrintableHeight() { return Updated(fPrintableHeight); }
  int LeftGutter() { return Updated(fLeftGutter); }
  int RightGutter() { return Updated(fRightGutter); }
  int TopGutter() { return Updated(fTopGutter); }
  int BottomGutter() { return Updated(fBottomGutter); }
  int XPixPrInch() { return Updated(fXPixPrInch); }
  int YPixPrInch() { return Updated(fYPixPrInch); }
  float XPixPrmm() { return Updated(fXPixPrmm); }
  float YPixPrmm() { return Updated(fYPixPrmm); }
  bool IsUpdated() const { return fIsUpdated; }

  // Pixels from the printable area's edge to a distance in millimetres from the paper's edge.
  int PixFromLeft(double mm);
  int PixFromRight(double mm);
  int PixFromTop(double mm);
  int PixFromBottom(double mm);

private:
  template <class T>
  T Updated(const T& field) {
    if (!fIsUpdated) UpdatePrinter();
    return field;
  }
  TPrinter* fPrinter;
  int fPhysicalWidth = 0, fPhysicalHeight = 0, fPrintableWidth = 0, fPrintableHeight = 0;
  int fLeftGutter = 0, fRightGutter = 0, fTopGutter = 0, fBottomGutter = 0;
  int fXPixPrInch = 0, fYPixPrInch = 0;
  float fXPixPrmm = 0, fYPixPrmm = 0;
  bool fIsUpdated = false;
};

// Page margins, kept in millimetres and presented in UnitSystem; InitPage turns them into
// device pixels (relative to the printable area) for one page.
class TSxEditPrintMargins : public TPersistent {
  VT_CLASS(TSxEditPrintMargins, TPersistent)
public:
  TUnitSystem UnitSystem() const { return fUnitSystem; }
  void SetUnitSystem(TUnitSystem v) { fUnitSystem = v; }
  double Left() const { return FromMM(fLeft); }
  void SetLeft(double v) { fLeft = ToMM(v); }
  double Right() const { return FromMM(fRight); }
  void SetRight(double v) { fRight = ToMM(v); }
  double Top() const { return FromMM(fTop); }
  void SetTop(double v) { fTop = ToMM(v); }
  double Bottom() const { return FromMM(fBottom); }
  void SetBottom(double v) { fBottom = ToMM(v); }
  double Header() const { return FromMM(fHeader); }
  void SetHeader(double v) { fHeader = ToMM(v); }
  double Footer() const { return FromMM(fFooter); }
  void SetFooter(double v) { fFooter = ToMM(v); }
  double LeftHFTextIndent() const { return FromMM(fLeftHFTextIndent); }
  void SetLeftHFTextIndent(double v) { fLeftHFTextIndent = ToMM(v); }
  double RightHFTextIndent() const { return FromMM(fRightHFTextIndent); }
  void SetRightHFTextIndent(double v) { fRightHFTextIndent = ToMM(v); }
  double HFInternalMargin() const { return FromMM(fHFInternalMargin); }
  void SetHFInternalMargin(double v) { fHFInternalMargin = ToMM(v); }
  double Gutter() const { return FromMM(fGutter); }
  void SetGutter(double v) { fGutter = ToMM(v); }
  bool MirrorMargins() const { return fMirrorMargins; }
  void SetMirrorMargins(bool v) { fMirrorMargins = v; }

  // Pixel positions for page PageNum. With line numbers printed inside the text area, the
  // text starts after the width of MaxLineNum followed by ": ".
  void InitPage(TCanvas* ACanvas, int PageNum, TSxEditPrinterInfo* PrinterInfo, bool LineNumbers,
                bool LineNumbersInMargin, int MaxLineNum);
  int PLeft = 0, PRight = 0, PTop = 0, PBottom = 0, PHeader = 0, PFooter = 0;
  int PLeftHFTextIndent = 0, PRightHFTextIndent = 0, PHFInternalMargin = 0, PGutter = 0;

  void Assign(TPersistent* Source) override;

private:
  double FromMM(double mm) const;
  double ToMM(double v) const;
  TUnitSystem fUnitSystem = usMM;
  double fLeft = 25, fRight = 15, fTop = 25, fBottom = 25, fHeader = 15, fFooter = 15;
  double fLeftHFTextIndent = 2, fRightHFTextIndent = 2, fHFInternalMargin = 0.5, fGutter = 0;
  bool fMirrorMargins = false;
};
