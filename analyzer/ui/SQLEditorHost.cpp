#include "analyzer/ui/SQLEditorHost.h"

#include "editor/SxEdit.h"
#include "editor/SxEditPrint.h"
#include "editor/SxHighlighterSQL.h"

TSQLEditorHost::TSQLEditorHost(TWinControl* parent) : fMemo(new TSxMemo(parent)), fHighlighter(new TSxSQLSx(fMemo)) {
  fMemo->SetName("memSQL");
  fMemo->SetParent(parent);
  fMemo->SetAlign(alClient);
  fHighlighter->SetSQLDialect(sqlInterbase6);
  fMemo->SetHighlighter(fHighlighter);
  // Hidden, but set up for line numbers should it be shown.
  TSxGutter* gutter = fMemo->Gutter();
  gutter->SetDigitCount(3);
  gutter->SetShowLineNumbers(true);
  gutter->Font()->SetName("Terminal");
  gutter->SetVisible(false);
  fMemo->Font()->SetName("Courier New");
  fMemo->Font()->SetSize(10);
  fMemo->SetParentFont(false);
  fMemo->SetOptions(eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint | eoTrimTrailingSpaces);
  // Comments and numbers in navy; context help on Ctrl+F1 so that F1 stays the program's help.
  fHighlighter->CommentAttri->SetForeground(clNavy);
  fHighlighter->NumberAttri->SetForeground(clNavy);
  TSxEditKeyStrokes* keys = fMemo->Keystrokes();
  const int help = keys->FindCommand(ecContextHelp);
  if (help >= 0) keys->Items(help)->SetShortCut(ShortCut(VK_F1, TShiftState{ssCtrl}));
  fMemo->OnChange = [this](TObject*) {
    if (OnChange) OnChange();
  };
  fMemo->OnStatusChange = [this](TObject*, TSxStatusChanges changes) {
    if ((changes & (scAll | scCaretX | scCaretY)) && OnCaretMoved) OnCaretMoved();
  };
}

TSQLEditorHost::~TSQLEditorHost() {
  fMemo->OnChange = nullptr;
  fMemo->OnStatusChange = nullptr;
}

TWinControl* TSQLEditorHost::Control() const { return fMemo; }
TFont* TSQLEditorHost::Font() const { return fMemo->Font(); }
String TSQLEditorHost::Text() const { return fMemo->GetText(); }
// As lines: a break after the last line ends it, it starts no empty line.
// The editor reports changes it records for undo; replacing the whole text records none.
void TSQLEditorHost::SetText(const String& text) {
  fMemo->Lines()->SetText(text);
  if (OnChange) OnChange();
}
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

String TSQLEditorHost::SelText() const { return fMemo->GetSelText(); }
bool TSQLEditorHost::CanUndo() const { return fMemo->CanUndo(); }
bool TSQLEditorHost::CanPaste() const { return fMemo->CanPaste(); }
void TSQLEditorHost::Undo() { fMemo->Undo(); }
void TSQLEditorHost::CutToClipboard() { fMemo->CutToClipboard(); }
void TSQLEditorHost::CopyToClipboard() { fMemo->CopyToClipboard(); }
void TSQLEditorHost::PasteFromClipboard() { fMemo->PasteFromClipboard(); }
void TSQLEditorHost::ClearSelection() { fMemo->ClearSelection(); }
void TSQLEditorHost::SelectAll() { fMemo->SelectAll(); }
int TSQLEditorHost::CaretX() const { return fMemo->CaretPos().Char; }
int TSQLEditorHost::CaretY() const { return fMemo->CaretPos().Line; }

void TSQLEditorHost::LoadFromFile(const String& fileName) {
  auto lines = std::make_unique<TSxEditStringList>();
  lines->LoadFromFile(fileName);
  for (int i = 0; i < lines->Count(); ++i)
    if (lines->Strings(i).find('\0') != String::npos) throw Exception("\"" + fileName + "\" is not a text file.");
  fMemo->Lines()->Assign(lines.get());
  if (OnChange) OnChange();
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
  TSxSQLSx highlighter(nullptr);
  highlighter.SetSQLDialect(sqlInterbase6);
  TSxEditPrint print;
  print.Copies = 1;
  print.TabWidth = 8;
  print.DocTitle = title;  // the job's name; the printout itself carries no title
  print.SetFont(font);
  print.SetHighlighter(&highlighter);
  print.SetLines(lines);
  print.Print();
}
