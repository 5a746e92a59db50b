#include "platform/gdi/Printers.h"

#include <QCoreApplication>
#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>

#include "platform/gdi/GdiInternal.h"

using namespace gdi;

namespace {
// The no-printer geometry (A4 at 300 DPI).
constexpr int kDpi = 300, kPhysW = 2481, kPhysH = 3507, kPrintW = 2358, kPrintH = 3407, kLeft = 65, kTop = 50,
              kRight = kPhysW - kPrintW - kLeft, kBottom = kPhysH - kPrintH - kTop;

bool HaveGui() { return QCoreApplication::instance() && QCoreApplication::instance()->inherits("QGuiApplication"); }

void SetCaps(DcObj& dc, int physW, int physH, int left, int top, int printW, int printH, int dpi) {
  dc.dpi = dpi;
  dc.pageSize = SIZE{printW, printH};
  dc.caps[PHYSICALWIDTH] = physW;
  dc.caps[PHYSICALHEIGHT] = physH;
  dc.caps[PHYSICALOFFSETX] = left;
  dc.caps[PHYSICALOFFSETY] = top;
  dc.caps[HORZRES] = printW;
  dc.caps[VERTRES] = printH;
  dc.caps[LOGPIXELSX] = dpi;
  dc.caps[LOGPIXELSY] = dpi;
  dc.caps[HORZSIZE] = printW * 254 / (dpi * 10);
  dc.caps[VERTSIZE] = printH * 254 / (dpi * 10);
  dc.caps[BITSPIXEL] = 24;
  dc.caps[PLANES] = 1;
  dc.caps[NUMCOLORS] = -1;
  dc.caps[TECHNOLOGY] = DT_RASPRINTER;
  InvalidateClip(dc);
}
}  // namespace

struct TPrinter::Job {
  std::unique_ptr<QPdfWriter> pdf;
  std::unique_ptr<QPrinter> printer;
  QPainter painter;
  QString file;
};

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
  if (fPrinting) Abort();
  if (fDC) DeleteDC(fDC);
}

int TPrinter::PrinterCount() const {
  return HaveGui() ? static_cast<int>(QPrinterInfo::availablePrinters().size()) : 0;
}

void TPrinter::Refresh() { Geometry(); }

HDC TPrinter::Handle() {
  if (!GetDC(fDC)) {
    auto dc = std::make_unique<DcObj>();
    dc->dkind = DcKind::Printer;
    fDC = NewDC(std::move(dc));
    Geometry();
  }
  return fDC;
}

// The geometry of the default printer, or the no-printer defaults.
void TPrinter::Geometry() {
  DcObj* dc = GetDC(Handle());
  if (!dc) return;
  if (PrinterCount() > 0 && fOutputFileName.empty()) {
    QPrinter p(QPrinter::HighResolution);
    const QPageLayout layout = p.pageLayout();
    const int dpi = p.resolution();
    const QRect full = layout.fullRectPixels(dpi), paint = layout.paintRectPixels(dpi);
    SetCaps(*dc, full.width(), full.height(), paint.x(), paint.y(), paint.width(), paint.height(), dpi);
  } else {
    SetCaps(*dc, kPhysW, kPhysH, kLeft, kTop, kPrintW, kPrintH, kDpi);
  }
}

int TPrinter::PageWidth() { return GetDeviceCaps(Handle(), HORZRES); }
int TPrinter::PageHeight() { return GetDeviceCaps(Handle(), VERTRES); }

void TPrinter::BeginDoc() {
  if (fPrinting) throw EPrinter("Printing in progress");
  if (!HaveGui()) throw EPrinter("Printer selected is not valid");
  Geometry();
  auto job = std::make_unique<Job>();
  const bool toFile = PrinterCount() == 0 || !fOutputFileName.empty();
  QPaintDevice* device = nullptr;
  if (toFile) {
    job->file = QString::fromStdString(fOutputFileName);
    if (job->file.isEmpty()) {
      const QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
      job->file = dir + "/" + QString::fromStdString(fTitle.empty() ? "Document" : fTitle) + ".pdf";
    }
    job->pdf = std::make_unique<QPdfWriter>(job->file);
    job->pdf->setResolution(kDpi);
    job->pdf->setTitle(QString::fromStdString(fTitle));
    const double mm = 25.4 / kDpi;
    job->pdf->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(kLeft * mm, kTop * mm, kRight * mm, kBottom * mm),
                                        QPageLayout::Millimeter));
    device = job->pdf.get();
  } else {
    job->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    job->printer->setDocName(QString::fromStdString(fTitle));
    job->printer->setCopyCount(fCopies);
    device = job->printer.get();
  }
  if (!job->painter.begin(device)) throw EPrinter("Printer selected is not valid");
  fJob = std::move(job);
  fPrinting = true;
  fAborted = false;
  fPageNumber = 1;
  fLastOutput = toFile ? fJob->file.toStdString() : String();
  GetDC(fDC)->painter = &fJob->painter;
}

void TPrinter::NewPage() {
  if (!fPrinting) throw EPrinter("Printer is not currently printing");
  if (fJob->pdf)
    fJob->pdf->newPage();
  else
    fJob->printer->newPage();
  ++fPageNumber;
}

void TPrinter::EndDoc() {
  if (!fPrinting) return;
  if (DcObj* dc = GetDC(fDC)) dc->painter = nullptr;
  fJob->painter.end();
  fJob.reset();
  fPrinting = false;
}

void TPrinter::Abort() {
  if (!fPrinting) return;
  if (DcObj* dc = GetDC(fDC)) dc->painter = nullptr;
  if (fJob->printer) fJob->printer->abort();
  fJob->painter.end();
  const QString file = fJob->file;
  fJob.reset();
  if (!file.isEmpty()) QFile::remove(file);  // an aborted job leaves no partial document
  fLastOutput.clear();
  fPrinting = false;
  fAborted = true;
}

TPrinter& Printer() {
  static TPrinter printer;
  return printer;
}
