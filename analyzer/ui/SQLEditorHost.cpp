#include "analyzer/ui/SQLEditorHost.h"

#include "editor/SxEditMiscProcs.h"
#include "platform/core/Math.h"
#include "platform/forms/Clipbrd.h"
#include "platform/gdi/Printers.h"

TSQLEditorHost::TSQLEditorHost(TWinControl* parent)
    : fMemo(new TMemo(parent)) {
  fMemo->SetName("memSQL");
  fMemo->SetParent(parent);
  fMemo->SetAlign(alClient);
  fMemo->WordWrap = false;
  fMemo->SetScrollBars(ssBoth);
  fMemo->WantTabs = true;
  fMemo->Font()->SetName("Courier New");
  fMemo->Font()->SetSize(10);
  fMemo->SetParentFont(false);
  fMemo->OnChange = [this](TObject*) {
    if (OnChange) OnChange();
  };
  auto caret = [this] {
    if (OnCaretMoved) OnCaretMoved();
  };
  fMemo->OnKeyDown = [caret](TObject*, WORD&, TShiftState) { caret(); };
  fMemo->OnKeyUp = [caret](TObject*, WORD&, TShiftState) { caret(); };
  fMemo->OnMouseDown = [caret](TObject*, TMouseButton b, TShiftState, int, int) {
    if (b == mbLeft) caret();
  };
  fMemo->OnMouseUp = [caret](TObject*, TMouseButton b, TShiftState, int, int) {
    if (b == mbLeft) caret();
  };
  fMemo->OnMouseMove = [caret](TObject*, TShiftState shift, int, int) {
    if (shift.Contains(ssLeft)) caret();
  };
}

TSQLEditorHost::~TSQLEditorHost() {
  fMemo->OnChange = nullptr;
  fMemo->OnKeyDown = nullptr;
  fMemo->OnKeyUp = nullptr;
  fMemo->OnMouseDown = nullptr;
  fMemo->OnMouseUp = nullptr;
  fMemo->OnMouseMove = nullptr;
}

TWinControl* TSQLEditorHost::Control() const { return fMemo; }
TFont* TSQLEditorHost::Font() const { return fMemo->Font(); }
String TSQLEditorHost::Text() const { return fMemo->Text(); }
// As lines: a break after the last line ends it, it starts no empty line.
void TSQLEditorHost::SetText(const String& text) { fMemo->Lines()->SetText(text); }
TStrings* TSQLEditorHost::Lines() const { return fMemo->Lines(); }

String TSQLEditorHost::LinesText() const {
  TStrings* lines = fMemo->Lines();
  String text;
  for (int i = 0; i < lines->Count(); ++i) {
    text += lines->Strings(i);
    text += "\r\n";
  }
  return text;
}

String TSQLEditorHost::SelText() const { return fMemo->SelText(); }
bool TSQLEditorHost::CanUndo() const { return fMemo->CanUndo(); }
bool TSQLEditorHost::CanPaste() const { return !fMemo->ReadOnly() && Clipboard()->HasText(); }
void TSQLEditorHost::Undo() { fMemo->Undo(); }
void TSQLEditorHost::CutToClipboard() { fMemo->CutToClipboard(); }
void TSQLEditorHost::CopyToClipboard() { fMemo->CopyToClipboard(); }
void TSQLEditorHost::PasteFromClipboard() { fMemo->PasteFromClipboard(); }
void TSQLEditorHost::ClearSelection() { fMemo->ClearSelection(); }
void TSQLEditorHost::SelectAll() { fMemo->SelectAll(); }
int TSQLEditorHost::CaretX() const { return fMemo->CaretPos().x + 1; }
int TSQLEditorHost::CaretY() const { return fMemo->CaretPos().y + 1; }

void TSQLEditorHost::LoadFromFile(const String& fileName) {
  auto lines = std::make_unique<TSxEditStringList>();
  lines->LoadFromFile(fileName);
  for (int i = 0; i < lines->Count(); ++i)
    if (lines->Strings(i).find('\0') != String::npos)
      throw Exception("\"" + fileName + "\" is not a text file.");
  fMemo->Lines()->Assign(lines.get());
  fFileStyle = lines->LineBreakStyle();
}

void TSQLEditorHost::SaveToFile(const String& fileName) {
  // The lines go out in the line-break style of the file they came from.
  TSxEditStringList lines;
  lines.Assign(fMemo->Lines());
  lines.SetLineBreakStyle(fFileStyle);
  lines.SaveToFile(fileName);
}

void PrintSQLText(TStrings* lines, TFont* font, const String& title) {
  TPrinter& printer = Printer();
  printer.SetTitle(title);
  printer.SetCopies(1);
  printer.BeginDoc();
  try {
    TCanvas canvas;
    canvas.SetHandle(printer.Handle());
    const int dpiX = GetDeviceCaps(printer.Handle(), LOGPIXELSX);
    const int dpiY = GetDeviceCaps(printer.Handle(), LOGPIXELSY);
    canvas.Font()->SetName(font ? font->Name() : String("Courier New"));
    canvas.Font()->SetHeight(-MulDiv(10, dpiY, 72));
    canvas.Font()->SetColor(clBlack);
    canvas.Brush()->SetColor(clWhite);
    const int margin = dpiX / 2;
    const int lineHeight = std::max(canvas.TextHeight("Qq"), 1);
    const int bottom = printer.PageHeight() - dpiY / 2;
    int y = dpiY / 2;
    for (int i = 0; i < lines->Count(); ++i) {
      if (y + lineHeight > bottom) {
        printer.NewPage();
        canvas.SetHandle(printer.Handle());
        y = dpiY / 2;
      }
      canvas.TextOut(margin, y, ConvertTabsGeneral(lines->Strings(i), 8));
      y += lineHeight;
    }
    canvas.SetHandle(HDC());
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
}
