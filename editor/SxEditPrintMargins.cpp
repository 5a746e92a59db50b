#include "editor/SxEditPrintMargins.h"

#include "platform/core/Math.h"
#include "platform/forms/Graphics.h"
#include "platform/gdi/Printers.h"

// ---- TSxEditPrinterInfo ---------------------------------------------------------------------

TPrinter* TSxEditPrinterInfo::Printer() const { return fPrinter ? fPrinter : &::Printer(); }

void TSxEditPrinterInfo::SetPrinter(TPrinter* Printer) {
  fPrinter = Printer;
  fIsUpdated = false;
}

void TSxEditPrinterInfo::UpdatePrinter() {
  fIsUpdated = true;
  TPrinter* printer = Printer();
  printer->Refresh();
  if (printer->PrinterCount() > 0) {
    HDC dc = printer->Handle();
    fPhysicalWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    fPhysicalHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
    fLeftGutter = GetDeviceCaps(dc, PHYSICALOFFSETX);
    fTopGutter = GetDeviceCaps(dc, PHYSICALOFFSETY);
    fPrintableWidth = GetDeviceCaps(dc, HORZRES);
    fPrintableHeight = GetDeviceCaps(dc, VERTRES);
    fXPixPrInch = GetDeviceCaps(dc, LOGPIXELSX);
    fYPixPrInch = GetDeviceCaps(dc, LOGPIXELSY);
  } else {
    fPhysicalWidth = 2481;
    fPhysicalHeight = 3507;
    fPrintableWidth = 2358;
    fPrintableHeight = 3407;
    fLeftGutter = 65;
    fTopGutter = 50;
    fXPixPrInch = fYPixPrInch = 300;
  }
  fRightGutter = fPhysicalWidth - fPrintableWidth - fLeftGutter;
  fBottomGutter = fPhysicalHeight - fPrintableHeight - fTopGutter;
  fXPixPrmm = static_cast<float>(fXPixPrInch / 25.4);
  fYPixPrmm = static_cast<float>(fYPixPrInch / 25.4);
}

// Pixels per millimetre are single-precision, as the device reports them; halves round to even.
static int PixFrom(float perMM, double mm, int gutter) { return static_cast<int>(Round(mm * perMM - gutter)); }
int TSxEditPrinterInfo::PixFromLeft(double mm) { return PixFrom(XPixPrmm(), mm, LeftGutter()); }
int TSxEditPrinterInfo::PixFromRight(double mm) { return PixFrom(XPixPrmm(), mm, RightGutter()); }
int TSxEditPrinterInfo::PixFromTop(double mm) { return PixFrom(YPixPrmm(), mm, TopGutter()); }
int TSxEditPrinterInfo::PixFromBottom(double mm) { return PixFrom(YPixPrmm(), mm, BottomGutter()); }

// ---- TSxEditPrintMargins --------------------------------------------------------------------

double TSxEditPrintMargins::FromMM(double mm) const {
  switch (fUnitSystem) {
    case usCM: return mm / 10;
    case usInch: return mm / 25.4;
    case muThousandthsOfInches: return mm * 1000 / 25.4;
    case usMM: break;
  }
  return mm;
}

double TSxEditPrintMargins::ToMM(double v) const {
  switch (fUnitSystem) {
    case usCM: return v * 10;
    case usInch: return v * 25.4;
    case muThousandthsOfInches: return v * 25.4 / 1000;
    case usMM: break;
  }
  return v;
}

void TSxEditPrintMargins::InitPage(TCanvas* ACanvas, int PageNum, TSxEditPrinterInfo* PrinterInfo, bool LineNumbers,
                                   bool LineNumbersInMargin, int MaxLineNum) {
  const int width = PrinterInfo->PrintableWidth(), height = PrinterInfo->PrintableHeight();
  if (!fMirrorMargins || PageNum % 2 == 1) {
    PLeft = PrinterInfo->PixFromLeft(fLeft + fGutter);
    PRight = width - PrinterInfo->PixFromRight(fRight);
  } else {
    PLeft = PrinterInfo->PixFromLeft(fRight);
    PRight = width - PrinterInfo->PixFromRight(fLeft + fGutter);
  }
  if (LineNumbers && !LineNumbersInMargin) PLeft += ACanvas->TextWidth(IntToStr(MaxLineNum) + ": ");
  PTop = PrinterInfo->PixFromTop(fTop);
  PBottom = height - PrinterInfo->PixFromBottom(fBottom);
  PHeader = PrinterInfo->PixFromTop(fHeader);
  PFooter = height - PrinterInfo->PixFromBottom(fFooter);
  const float xmm = PrinterInfo->XPixPrmm(), ymm = PrinterInfo->YPixPrmm();
  PHFInternalMargin = static_cast<int>(Round(ymm * fHFInternalMargin));
  PGutter = static_cast<int>(Round(xmm * fGutter));
  PRightHFTextIndent = PRight - static_cast<int>(Round(xmm * fRightHFTextIndent));
  PLeftHFTextIndent = PLeft + static_cast<int>(Round(xmm * fLeftHFTextIndent));
}

void TSxEditPrintMargins::Assign(TPersistent* Source) {
  if (auto* m = dynamic_cast<TSxEditPrintMargins*>(Source)) {
    fLeft = m->fLeft;
    fRight = m->fRight;
    fTop = m->fTop;
    fBottom = m->fBottom;
    fHeader = m->fHeader;
    fFooter = m->fFooter;
    fLeftHFTextIndent = m->fLeftHFTextIndent;
    fRightHFTextIndent = m->fRightHFTextIndent;
    fHFInternalMargin = m->fHFInternalMargin;
    fGutter = m->fGutter;
    fMirrorMargins = m->fMirrorMargins;
    fUnitSystem = m->fUnitSystem;
    return;
  }
  TPersistent::Assign(Source);
}
