#pragma once
// The printer object: page geometry, device capabilities, and a print job (BeginDoc, NewPage,
// EndDoc, Abort) whose pages are drawn through Handle(), a printer device context.
//
// With no printer installed (or when an output file is set) the job is written to a PDF file
// at 300 DPI on A4 with the no-printer geometry: physical 2481 x 3507 pixels, printable
// 2358 x 3407, gutters left 65, right 58, top 50, bottom 50 (turned for landscape). The
// printer DC's (0, 0) is the top-left corner of the printable area, as on a printer.

#include <memory>
#include <string>

#include "platform/core/SysUtils.h"
#include "platform/gdi/WinGdi.h"

VT_DECLARE_EXCEPTION(EPrinter, Exception);

enum TPrinterOrientation { poPortrait, poLandscape };

// What the printer setup dialog chooses; it holds for every following job.
struct TPrinterSetup {
  String PrinterName;     // empty: the system's default printer
  String OutputFileName;  // empty: the printer (or, without one, a new file per job)
  TPrinterOrientation Orientation = poPortrait;
  int Copies = 1;
};

class TPrinter {
public:
  TPrinter();
  ~TPrinter();
  TPrinter(const TPrinter&) = delete;
  TPrinter& operator=(const TPrinter&) = delete;

  // Installed printers; 0 means that jobs go to a PDF file.
  int PrinterCount() const;
  void Refresh();

  const String& Title() const { return fTitle; }
  void SetTitle(const String& title) { fTitle = title; }
  // The PDF file of the next job. Empty (when no printer is installed): a new file per job,
  // "<title>.pdf" or "<title> (2).pdf" and so on, in the documents folder (made when missing),
  // else the home folder. Setting it sends jobs to the file even with a printer.
  const String& OutputFileName() const { return fOutputFileName; }
  void SetOutputFileName(const String& name) { fOutputFileName = name; }
  int Copies() const { return fCopies; }
  void SetCopies(int copies) { fCopies = copies < 1 ? 1 : copies; }
  const String& PrinterName() const { return fPrinterName; }
  TPrinterOrientation Orientation() const { return fOrientation; }
  // The setup as a whole, as the printer setup dialog reads and writes it.
  TPrinterSetup Setup() const;
  void SetSetup(const TPrinterSetup& setup);

  // EPrinter "Printing in progress" when a job is running, or when the output cannot be opened.
  void BeginDoc();
  void NewPage();
  void EndDoc();  // harmless after Abort or without a job
  void Abort();
  bool Printing() const { return fPrinting; }
  bool Aborted() const { return fAborted; }
  int PageNumber() const { return fPageNumber; }
  // The file the last job wrote, if it went to a file.
  const String& LastOutputFile() const { return fLastOutput; }

  // The printer DC: draws on the current page while printing, measures otherwise.
  HDC Handle();
  int PageWidth();  // printable area, device pixels
  int PageHeight();

private:
  struct Job;
  void Geometry();
  String fTitle, fOutputFileName, fLastOutput, fPrinterName;
  TPrinterOrientation fOrientation = poPortrait;
  int fCopies = 1;
  bool fPrinting = false, fAborted = false;
  int fPageNumber = 0;
  HDC fDC;
  std::unique_ptr<Job> fJob;
};

// The process-wide printer.
TPrinter& Printer();
