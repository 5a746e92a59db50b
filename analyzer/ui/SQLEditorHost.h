#pragma once
// The SQL editor as the main window uses it, and the printing of its text. The window reaches
// the editor control only through TSQLEditorHost and prints the SQL only through PrintSQLText,
// so the editor library's control and print engine take their place here and nowhere else.

#include <functional>
#include <memory>

#include "editor/SxEditTextBuffer.h"
#include "platform/forms/Controls.h"

class TSxMemo;
class TSxSQLSx;

class TSQLEditorHost {
public:
  // Creates the editor control on `parent`, filling it.
  explicit TSQLEditorHost(TWinControl* parent);
  // The control stays with its parent; it no longer calls back.
  ~TSQLEditorHost();
  TSQLEditorHost(const TSQLEditorHost&) = delete;
  TSQLEditorHost& operator=(const TSQLEditorHost&) = delete;

  // The control, for focus, layout and the window's active-control test.
  TWinControl* Control() const;
  TFont* Font() const;

  // The text: lines joined by CR LF (no break after the last line).
  String Text() const;
  void SetText(const String& text);
  // The lines joined with CR LF after every line, as the engine, history and parser take them.
  String LinesText() const;
  TStrings* Lines() const;

  String SelText() const;
  bool CanUndo() const;
  bool CanPaste() const;
  void Undo();
  void CutToClipboard();
  void CopyToClipboard();
  void PasteFromClipboard();
  void ClearSelection();
  void SelectAll();

  // The caret, both counted from 1.
  int CaretX() const;
  int CaretY() const;

  // Loads the lines (CR LF, LF and CR recognised) or saves them in the style the file had; a
  // failed save leaves the previous file as it was. A file holding NUL bytes is refused as
  // not being text, and the editor keeps its text.
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);

  // The text changed (typing, editing actions, SetText, loading).
  std::function<void()> OnChange;
  // The caret may have moved: keys down and up, the left button down and up, moves with it held.
  std::function<void()> OnCaretMoved;

private:
  TSxMemo* fMemo;
  TSxSQLSx* fHighlighter;                // owned by the editor control
  TLineBreakStyle fFileStyle = lbsCrLf;  // the line breaks of the last file loaded
};

// Prints the SQL text: one copy, tab width 8, on white, "Courier New" 10 pt.
void PrintSQLText(TStrings* lines, TFont* font, const String& title);
