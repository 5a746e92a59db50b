#include "platform/forms/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

#include "platform/core/SysUtils.h"
#include "platform/forms/Menus.h"

namespace {

const char* TypeCaption(TMsgDlgType t) {
  switch (t) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return "";
  }
}

bool Headless() {
  return !qobject_cast<QApplication*>(QCoreApplication::instance()) || QGuiApplication::platformName() == "offscreen" ||
         QGuiApplication::platformName() == "minimal";
}

TFileDialogProvider& FileProvider() {
  static TFileDialogProvider p = [](TOpenDialog& d) -> bool {
    if (Headless()) return false;
    // Qt wants "Text files (*.txt);;All files (*)".
    std::vector<String> parts;
    String cur;
    for (char c : d.Filter) {
      if (c == '|') {
        parts.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    parts.push_back(cur);
    QStringList filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
      QString pat = QString::fromStdString(parts[i + 1]).replace(';', ' ');
      filters << QString::fromStdString(parts[i]).section('(', 0, 0).trimmed() + " (" + pat + ")";
    }
    QFileDialog dlg(nullptr, QString::fromStdString(d.Title), QString::fromStdString(d.InitialDir));
    dlg.setNameFilters(filters);
    if (d.FilterIndex >= 1 && d.FilterIndex <= filters.size()) dlg.selectNameFilter(filters[d.FilterIndex - 1]);
    dlg.setAcceptMode(d.IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(d.IsSave()                               ? QFileDialog::AnyFile
                    : d.Options.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                    : d.Options.Contains(ofFileMustExist)    ? QFileDialog::ExistingFile
                                                             : QFileDialog::AnyFile);
    if (!d.Options.Contains(ofOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (!d.FileName.empty()) dlg.selectFile(QString::fromStdString(d.FileName));
    if (dlg.exec() != QDialog::Accepted) return false;
    d.Files()->Clear();
    for (const QString& f : dlg.selectedFiles()) d.Files()->Add(f.toStdString());
    d.FileName = d.Files()->Count() ? (*d.Files())[0] : String();
    d.FilterIndex = std::max(1, static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1);
    return !d.FileName.empty();
  };
  return p;
}

TPrinterSetupProvider& PrinterProvider() {
  static TPrinterSetupProvider p = [](TPrinterSetup& setup) -> bool {
    if (Headless()) return true;
    // The dialog starts from the setup in force and hands back what the user chose.
    QPrinter printer(QPrinter::HighResolution);
    if (!setup.PrinterName.empty()) printer.setPrinterName(QString::fromStdString(setup.PrinterName));
    if (!setup.OutputFileName.empty()) printer.setOutputFileName(QString::fromStdString(setup.OutputFileName));
    printer.setPageOrientation(setup.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(setup.Copies);
    QPrintDialog dlg(&printer);
    if (dlg.exec() != QDialog::Accepted) return false;
    setup.OutputFileName = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().toStdString() : String();
    setup.PrinterName = setup.OutputFileName.empty() ? printer.printerName().toStdString() : String();
    setup.Orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? poLandscape : poPortrait;
    setup.Copies = printer.copyCount();
    return true;
  };
  return p;
}

}  // namespace

TFileDialogProvider SetFileDialogProvider(TFileDialogProvider p) {
  TFileDialogProvider old = FileProvider();
  if (p) FileProvider() = std::move(p);
  return old;
}
TPrinterSetupProvider SetPrinterSetupProvider(TPrinterSetupProvider p) {
  TPrinterSetupProvider old = PrinterProvider();
  if (p) PrinterProvider() = std::move(p);
  return old;
}

bool TOpenDialog::Execute() {
  if (OnShow) OnShow(this);
  bool ok = FileProvider()(*this);
  if (ok && !DefaultExt.empty() && !FileName.empty()) {
    auto slash = FileName.find_last_of('/');
    auto dot = FileName.find_last_of('.');
    if (dot == String::npos || (slash != String::npos && dot < slash)) {
      // A default extension may be given as a pattern ("*.txt"): only the extension counts.
      const auto start = DefaultExt.find_first_not_of("*.");
      const String ext = start == String::npos ? String() : DefaultExt.substr(start);
      // Opening takes a typed name that exists as it stands.
      if (!ext.empty() && (IsSave() || !FileExists(FileName))) FileName += "." + ext;
    }
  }
  if (ok && fFiles.Count() == 0) fFiles.Add(FileName);
  if (OnClose) OnClose(this);
  return ok;
}

bool TPrinterSetupDialog::Execute() {
  if (OnShow) OnShow(this);
  TPrinterSetup setup = Printer().Setup();
  bool ok = PrinterProvider()(setup);
  if (ok) Printer().SetSetup(setup);
  if (OnClose) OnClose(this);
  return ok;
}

// ---- message boxes --------------------------------------------------------------------------

TMessageForm::TMessageForm(const String& caption, const String& text, TMsgDlgType type,
                           const std::vector<std::pair<String, int>>& buttons, int defaultIndex, int cancelResult)
    : TForm(nullptr), fMessage(text), fType(type) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  SetCaption(caption);
  Font()->SetName("Tahoma");
  TMeasureCanvas mc;
  mc.Font()->Assign(Font());
  RECT tr{0, 0, 400, 0};
  DrawText(mc.Handle(), text.empty() ? String(" ") : text, &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  int iconW = type == mtCustom ? 0 : 40;
  int bw = 75, bh = 25, gap = 8;
  int n = static_cast<int>(buttons.size());
  int buttonsW = n * bw + (n - 1) * gap;
  int clientW = std::max<int>(iconW + tr.right + 24, buttonsW + 24);
  int textH = std::max<int>(tr.bottom, iconW ? 32 : 0);
  int clientH = 12 + textH + 16 + bh + 12;

  if (iconW) {
    auto* icon = new TLabel(this);
    icon->SetParent(this);
    icon->Font()->SetSize(18);
    icon->Font()->SetStyle(TFontStyles{fsBold});
    icon->SetCaption(type == mtError ? "X" : type == mtWarning ? "!" : type == mtConfirmation ? "?" : "i");
    icon->SetLeft(12);
    icon->SetTop(12);
    icon->SetName("Image");
  }
  auto* label = new TLabel(this);
  label->SetName("Message");
  label->SetParent(this);
  label->ShowAccelChar = false;
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(12 + iconW, 12, tr.right, tr.bottom);
  label->SetCaption(text);

  int x = (clientW - buttonsW) / 2;
  for (int i = 0; i < n; ++i) {
    auto* b = new TButton(this);
    b->SetParent(this);
    b->SetCaption(buttons[i].first);
    b->SetModalResult(buttons[i].second);
    b->SetBounds(x, clientH - 12 - bh, bw, bh);
    if (i == defaultIndex) b->SetDefault(true);
    if (buttons[i].second == cancelResult) b->SetCancel(true);
    x += bw + gap;
    fButtons.push_back(b);
  }
  SetClientSize(clientW, clientH);
  if (defaultIndex >= 0 && defaultIndex < n) fActiveControl = fButtons[defaultIndex];
}

TButton* TMessageForm::FindButton(const String& caption) const {
  for (TButton* b : fButtons)
    if (SameText(StripHotkey(b->Caption()), StripHotkey(caption))) return b;
  return nullptr;
}

namespace {
int RunBox(const String& caption, const String& text, TMsgDlgType type,
           const std::vector<std::pair<String, int>>& buttons, int defaultIndex, int cancelResult) {
  auto* f = new TMessageForm(caption, text, type, buttons, defaultIndex, cancelResult);
  int r;
  try {
    r = f->ShowModal();
  } catch (...) {
    f->Free();
    throw;
  }
  f->Free();
  return r;
}
}  // namespace

int MessageBox(HWND, const String& text, const String& caption, UINT flags) {
  std::vector<std::pair<String, int>> b;
  switch (flags & 0xF) {
    case MB_OKCANCEL: b = {{"OK", IDOK}, {"Cancel", IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE: b = {{"&Abort", IDABORT}, {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}}; break;
    case MB_YESNOCANCEL: b = {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}}; break;
    case MB_YESNO: b = {{"&Yes", IDYES}, {"&No", IDNO}}; break;
    case MB_RETRYCANCEL: b = {{"&Retry", IDRETRY}, {"Cancel", IDCANCEL}}; break;
    default: b = {{"OK", IDOK}}; break;
  }
  TMsgDlgType type = mtCustom;
  switch (flags & 0xF0) {
    case MB_ICONSTOP: type = mtError; break;
    case MB_ICONQUESTION: type = mtConfirmation; break;
    case MB_ICONWARNING: type = mtWarning; break;
    case MB_ICONINFORMATION: type = mtInformation; break;
  }
  int def = static_cast<int>((flags >> 8) & 0xF);
  if (def >= static_cast<int>(b.size())) def = 0;
  int cancel = (flags & 0xF) == MB_YESNO              ? IDNO
               : (flags & 0xF) == MB_ABORTRETRYIGNORE ? IDABORT
               : (flags & 0xF) == MB_OK               ? IDOK
                                                      : IDCANCEL;
  int r = RunBox(caption, text, type, b, def, cancel);
  // A box closed without a button answers its cancel value.
  return r == mrCancel && cancel != IDCANCEL &&
                 std::none_of(b.begin(), b.end(), [](auto& p) { return p.second == IDCANCEL; })
             ? cancel
             : r;
}

int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  static const std::pair<TMsgDlgBtn, std::pair<const char*, int>> kButtons[] = {
      {mbYes, {"&Yes", mrYes}},
      {mbNo, {"&No", mrNo}},
      {mbOK, {"OK", mrOk}},
      {mbCancel, {"Cancel", mrCancel}},
      {mbAbort, {"&Abort", mrAbort}},
      {mbRetry, {"&Retry", mrRetry}},
      {mbIgnore, {"&Ignore", mrIgnore}},
      {mbAll, {"&All", mrAll}},
      {mbNoToAll, {"N&o to All", mrNoToAll}},
      {mbYesToAll, {"Yes to &All", mrYesToAll}},
      {mbHelp, {"&Help", mrNone}}};
  std::vector<std::pair<String, int>> b;
  for (const auto& k : kButtons)
    if (Buttons.Contains(k.first)) b.push_back({k.second.first, k.second.second});
  if (b.empty()) b.push_back({"OK", mrOk});
  int cancel = Buttons.Contains(mbCancel) ? mrCancel : Buttons.Contains(mbNo) ? mrNo : mrOk;
  if (!Buttons.Contains(mbCancel) && !Buttons.Contains(mbNo) && !Buttons.Contains(mbOK)) cancel = b.back().second;
  String caption = DlgType == mtCustom ? Application->Title() : TypeCaption(DlgType);
  return RunBox(caption, Msg, DlgType, b, 0, cancel);
}

void ShowMessage(const String& Msg) { RunBox(Application->Title(), Msg, mtCustom, {{"OK", mrOk}}, 0, mrOk); }
