#include "platform/gdi/Printers.h"

#include <QCoreApplication>
#include <QDir>
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

// Where a job without a chosen file goes: the documents folder, made when missing, else home.
QString DefaultFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QDir().mkpath(documents)) return documents;
  return QDir::homePath();
}

// "<title>.pdf" in the default folder, or with " (2)", " (3)", ... when the name is taken, so
// that one print never overwrites another.
QString NewDefaultFile(const String& title) {
  QString base = QString::fromStdString(title.empty() ? String("Document") : title);
  base.replace('/', '_');
  const QString folder = DefaultFolder() + "/";
  QString file = folder + base + ".pdf";
  for (int n = 2; QFile::exists(file); ++n) file = folder + base + " (" + QString::number(n) + ").pdf";
  return file;
}

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

TPrinterSetup TPrinter::Setup() const { return TPrinterSetup{fPrinterName, fOutputFileName, fOrientation, fCopies}; }

void TPrinter::SetSetup(const TPrinterSetup& setup) {
  fPrinterName = setup.PrinterName;
  fOutputFileName = setup.OutputFileName;
  fOrientation = setup.Orientation;
  SetCopies(setup.Copies);
  if (!fPrinting && GetDC(fDC)) Geometry();
}

namespace {
// The chosen printer (or the default one) with the chosen orientation and copies.
void PrepareQPrinter(QPrinter& p, const String& name, TPrinterOrientation orientation, int copies) {
  if (!name.empty()) p.setPrinterName(QString::fromStdString(name));
  p.setPageOrientation(orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  p.setCopyCount(copies);
}
}  // namespace

// The geometry of the chosen printer, or the no-printer defaults.
void TPrinter::Geometry() {
  DcObj* dc = GetDC(Handle());
  if (!dc) return;
  if (PrinterCount() > 0 && fOutputFileName.empty()) {
    QPrinter p(QPrinter::HighResolution);
    PrepareQPrinter(p, fPrinterName, fOrientation, fCopies);
    const QPageLayout layout = p.pageLayout();
    const int dpi = p.resolution();
    const QRect full = layout.fullRectPixels(dpi), paint = layout.paintRectPixels(dpi);
    SetCaps(*dc, full.width(), full.height(), paint.x(), paint.y(), paint.width(), paint.height(), dpi);
  } else if (fOrientation == poLandscape) {
    // The page turned: the gutters stay at the paper's left, top, right and bottom.
    SetCaps(*dc, kPhysH, kPhysW, kLeft, kTop, kPhysH - kLeft - kRight, kPhysW - kTop - kBottom, kDpi);
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
    job->file = fOutputFileName.empty() ? NewDefaultFile(fTitle) : QString::fromStdString(fOutputFileName);
    job->pdf = std::make_unique<QPdfWriter>(job->file);
    job->pdf->setResolution(kDpi);
    job->pdf->setTitle(QString::fromStdString(fTitle));
    const double mm = 25.4 / kDpi;
    job->pdf->setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                        fOrientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                        QMarginsF(kLeft * mm, kTop * mm, kRight * mm, kBottom * mm),
                                        QPageLayout::Millimeter));
    device = job->pdf.get();
  } else {
    job->printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    job->printer->setDocName(QString::fromStdString(fTitle));
    PrepareQPrinter(*job->printer, fPrinterName, fOrientation, fCopies);
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
