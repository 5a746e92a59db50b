#pragma once
// The standard controls, drawn by this layer: labels, edits and memos (with the edit messages
// that standard edit actions send), buttons, check boxes, radio buttons, group boxes, list
// boxes and combo boxes.

#include <memory>

#include "platform/forms/Controls.h"
#include "platform/forms/RowScroller.h"

// Scoped: the editor control's commands use the same short names.
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateItem, 8>;
using TDrawItemEvent = TEvent<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;

class TCustomLabel : public TGraphicControl {
  VT_CLASS(TCustomLabel, TGraphicControl)
public:
  explicit TCustomLabel(TComponent* AOwner);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return fLayout; }
  void SetLayout(TTextLayout v);
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool v);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool v);
  bool ShowAccelChar = true;
  TWinControl* FocusControl = nullptr;
  void AdjustBounds();
  void Dispatch(TMessage& m) override;

protected:
  void Paint() override;
  UINT TextFlags() const;
  TAlignment fAlignment = taLeftJustify;
  TTextLayout fLayout = tlTop;
  bool fAutoSize = true, fWordWrap = false, fTransparent = false;
};

class TLabel : public TCustomLabel {
  VT_CLASS(TLabel, TCustomLabel)
public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// A single-line (or, in TCustomMemo, multi-line) text editor. Positions count characters.
class TCustomEdit : public TCustomControl {
  VT_CLASS(TCustomEdit, TCustomControl)
public:
  explicit TCustomEdit(TComponent* AOwner);
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool v);
  char32_t PasswordChar() const { return fPasswordChar; }
  void SetPasswordChar(char32_t v);
  TEditCharCase CharCase() const { return fCharCase; }
  void SetCharCase(TEditCharCase v);
  int MaxLength() const { return fMaxLength; }
  void SetMaxLength(int v) { fMaxLength = v; }
  // Where a single-line text that fits the box is placed (a longer one scrolls as left-aligned).
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment v);
  bool Modified = false;
  bool AutoSelect = true;
  bool HideSelection = true;
  int SelStart() const { return fSelStart; }
  void SetSelStart(int v);
  int SelLength() const { return fSelEnd - fSelStart; }
  void SetSelLength(int v);
  String SelText();
  void SetSelText(const String& v);
  void SelectAll();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  bool CanUndo() const { return fHasUndo; }
  void ClearUndo() { fHasUndo = false; }
  void Clear() { SetText(""); }
  TNotifyEvent OnChange;
  // Raised after the selection or the caret moved: set by the program (SelStart, SelLength,
  // SelectAll, EM_SETSEL), by keys or by the mouse. A text change that moves the caret with
  // the text raises OnChange only.
  TNotifyEvent OnSelChange;
  void Dispatch(TMessage& m) override;

protected:
  // Message methods (see TControl::Dispatch).
  void WMGetTextLength(TMessage& m);
  void WMGetText(TMessage& m);
  void WMSetText(TMessage& m);
  void EMGetSel(TMessage& m);
  void EMSetSel(TMessage& m);
  void EMReplaceSel(TMessage& m);
  void EMCanUndo(TMessage& m);
  void EMUndo(TMessage& m);
  void EMGetModify(TMessage& m);
  void EMSetModify(TMessage& m);
  void EMSetMargins(TMessage& m);
  void EMPosFromChar(TMessage& m);
  void EMCharFromPos(TMessage& m);
  void WMSetFont(TMessage& m);
  void WMGetFont(TMessage& m);
  void EMEmptyUndoBuffer(TMessage& m);
  void EMSetReadOnly(TMessage& m);
  void EMLimitText(TMessage& m);
  void WMCut(TMessage& m);
  void WMCopy(TMessage& m);
  void WMPaste(TMessage& m);
  void WMClear(TMessage& m);
  void WMSetFocus(TMessage& m);
  void CMEnter(TMessage& m);
  void WMKillFocus(TMessage& m);
  void WMLButtonDown(TMessage& m);
  void WMLButtonDblClk(TMessage& m);
  void WMMouseMove(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMChar(TMessage& m);
  void CreateParams(TCreateParams& p) override;
  void SetTextValue(const String& v) override;
  void Paint() override;
  LRESULT DialogCode() override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  virtual void Change();
  virtual bool MultiLine() const { return false; }
  // Brings fText up to date where another source (a memo's lines) changed it.
  virtual void EnsureText() {}
  // Typed characters in a row are undone together, as the standard edit does.
  void ReplaceSelection(const String& s, bool byUser, bool typing = false);
  void MoveCaret(int pos, bool extend);
  // Raises OnSelChange when the selection differs from the one given.
  void SelectionMoved(int AOldStart, int AOldEnd, int AOldAnchor);
  int CharCount() const;
  virtual int PosFromPoint(TPoint p);
  // Where character `pos` is drawn (client coordinates of its left top).
  virtual TPoint PointFromPos(int pos);
  // The x of the first shown character, which it stores in `first`, for the given advances.
  int TextOrigin(const std::vector<int>& adv, int& first);
  String DisplayText() const;
  bool fReadOnly = false;
  char32_t fPasswordChar = 0;
  TEditCharCase fCharCase = TEditCharCase::ecNormal;
  int fMaxLength = 0;
  int fSelStart = 0, fSelEnd = 0, fAnchor = 0;
  String fUndoText;
  bool fHasUndo = false;
  bool fTypingRun = false;
  int fScroll = 0;           // first shown character (single line) or line (memo)
  bool fCaretInView = true;  // the next paint scrolls the caret into view
  int fLeftMargin = 2, fRightMargin = 2;
  TAlignment fAlignment = taLeftJustify;
};

class TEdit : public TCustomEdit {
  VT_CLASS(TEdit, TCustomEdit)
public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TCustomMemo : public TCustomEdit {
  VT_CLASS(TCustomMemo, TCustomEdit)
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  // The lines; changing them changes the text. Text joins them with CR LF.
  TStrings* Lines();
  void SetLines(TStrings* v) { Lines()->Assign(v); }
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle v);
  bool WordWrap = true;
  bool WantReturns = true;
  bool WantTabs = false;
  TAlignment Alignment = taLeftJustify;
  // Caret line and column (characters).
  TPoint CaretPos();
  // Line and column of a character position, and back (columns past the line's end clamp).
  TPoint LineColOf(int pos);
  int PosOf(int line, int col);
  int TopLine() const { return fScroll; }
  // Scrolls so that `line` is the first shown; the parent hears EN_VSCROLL.
  void ScrollTo(int line);
  void Dispatch(TMessage& m) override;

protected:
  // Message methods (see TControl::Dispatch).
  void EMGetLineCount(TMessage& m);
  void EMGetFirstVisibleLine(TMessage& m);
  void EMLineScroll(TMessage& m);
  void EMLineIndex(TMessage& m);
  void EMGetLine(TMessage& m);
  void EMCharFromPos(TMessage& m);
  void WMVScroll(TMessage& m);
  void WMMouseWheel(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  bool MultiLine() const override { return true; }
  void CreateParams(TCreateParams& p) override;
  void SetTextValue(const String& v) override;
  String GetText() override;
  void Paint() override;
  void Change() override;
  LRESULT DialogCode() override;
  int LineHeight();
  int PosFromPoint(TPoint p) override;
  TPoint PointFromPos(int pos) override;
  int VisibleLines();

private:
  void LinesChanged(TObject*);
  void EnsureText() override;
  std::unique_ptr<TStringList> fLines;
  TScrollStyle fScrollBars = ssNone;
  bool fSyncing = false;
  bool fTextDirty = false;  // the lines changed; the text is joined when next needed
  TRowScroller fScroller{this, fScroll, [this] { return fLines->Count(); }, [this] { return VisibleLines(); }};
};

class TMemo : public TCustomMemo {
  VT_CLASS(TMemo, TCustomMemo)
public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

class TButtonControl : public TCustomControl {
  VT_CLASS(TButtonControl, TCustomControl)
public:
  explicit TButtonControl(TComponent* AOwner);
  bool WordWrap = false;

protected:
  bool fDown = false;
  void Dispatch(TMessage& m) override;
  LRESULT DialogCode() override { return 0; }
  virtual void Toggle() { Click(); }
};

class TButton : public TButtonControl {
  VT_CLASS(TButton, TButtonControl)
public:
  explicit TButton(TComponent* AOwner);
  bool Default() const { return fDefault; }
  void SetDefault(bool v);
  bool Cancel() const { return fCancel; }
  void SetCancel(bool v) { fCancel = v; }
  int ModalResult() const { return fModalResult; }
  void SetModalResult(int v) { fModalResult = v; }
  void Click() override;
  void Dispatch(TMessage& m) override;

protected:
  void Paint() override;
  bool fDefault = false, fCancel = false;
  int fModalResult = 0;
};

class TCustomCheckBox : public TButtonControl {
  VT_CLASS(TCustomCheckBox, TButtonControl)
public:
  explicit TCustomCheckBox(TComponent* AOwner);
  bool Checked() const { return fState == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return fState; }
  void SetState(TCheckBoxState v);
  bool AllowGrayed = false;
  TAlignment Alignment = taRightJustify;
  void Dispatch(TMessage& m) override;

protected:
  void Toggle() override;
  void Paint() override;
  virtual bool IsRadio() const { return false; }
  TCheckBoxState fState = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
  VT_CLASS(TCheckBox, TCustomCheckBox)
public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

// Checking one unchecks the radio buttons with the same parent.
class TRadioButton : public TCustomCheckBox {
  VT_CLASS(TRadioButton, TCustomCheckBox)
public:
  explicit TRadioButton(TComponent* AOwner) : TCustomCheckBox(AOwner) {}

protected:
  bool IsRadio() const override { return true; }
  void Toggle() override;
  void Dispatch(TMessage& m) override;
};

class TCustomGroupBox : public TCustomControl {
  VT_CLASS(TCustomGroupBox, TCustomControl)
public:
  explicit TCustomGroupBox(TComponent* AOwner);

protected:
  void AdjustClientRect(TRect& r) override;
  void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
  VT_CLASS(TGroupBox, TCustomGroupBox)
public:
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

using TLBGetDataEvent = TEvent<void(TWinControl* Control, int Index, String& Data)>;
using TLBFindDataEvent = TEvent<int(TWinControl* Control, const String& FindString)>;

// A list of strings (or, in the virtual styles, of Count rows whose texts come from OnData)
// with single, multiple or extended selection, a caret row, owner drawing, incremental search
// by typing and the list-box messages. A selection changed by the user is announced to the
// parent as LBN_SELCHANGE, which comes back as OnClick.
class TCustomListBox : public TCustomControl {
  VT_CLASS(TCustomListBox, TCustomControl)
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  TStrings* Items() { return fItems.get(); }
  void SetItems(TStrings* v) { fItems->Assign(v); }
  int ItemIndex() const { return fItemIndex; }
  void SetItemIndex(int v);
  int TopIndex() const { return fTopIndex; }
  void SetTopIndex(int v);
  int ItemHeight() const { return fItemHeight; }
  void SetItemHeight(int v);
  // Rows: the items, or the virtual count.
  int Count() const;
  void SetCount(int v);  // virtual styles only
  bool MultiSelect() const { return fMultiSelect; }
  void SetMultiSelect(bool v);
  bool ExtendedSelect = true;  // with MultiSelect: Shift extends, Ctrl toggles
  bool Sorted() const { return fItems->Sorted(); }
  void SetSorted(bool v) { fItems->SetSorted(v); }
  TListBoxStyle Style() const { return fStyle; }
  void SetStyle(TListBoxStyle v);
  bool AutoComplete = true;
  UINT AutoCompleteDelay = 500;  // ms between typed characters of one search
  bool Selected(int i) const;
  void SetSelected(int i, bool v);
  int SelCount() const;
  int ItemAtPos(TPoint p, bool Existing);
  TRect ItemRect(int i);
  void Clear();
  void ClearSelection();
  void SelectAll();
  // The text of a row (from OnData in the virtual styles).
  String ItemText(int i);
  // The first row after `start` (wrapping; -1: from the top) whose text starts with `prefix`,
  // ignoring case; -1 when none.
  int FindString(const String& prefix, int start);
  TDrawItemEvent OnDrawItem;
  TLBGetDataEvent OnData;
  TLBFindDataEvent OnDataFind;
  void Dispatch(TMessage& m) override;

protected:
  // Message methods (see TControl::Dispatch).
  void LBGetCount(TMessage& m);
  void LBGetCurSel(TMessage& m);
  void LBSetCurSel(TMessage& m);
  void LBAddString(TMessage& m);
  void LBInsertString(TMessage& m);
  void LBDeleteString(TMessage& m);
  void LBResetContent(TMessage& m);
  void LBGetText(TMessage& m);
  void LBGetTextLen(TMessage& m);
  void LBFindString(TMessage& m);
  void LBSelectString(TMessage& m);
  void LBGetSel(TMessage& m);
  void LBSetSel(TMessage& m);
  void LBSelItemRange(TMessage& m);
  void LBGetSelCount(TMessage& m);
  void LBGetTopIndex(TMessage& m);
  void LBSetTopIndex(TMessage& m);
  void LBSetCaretIndex(TMessage& m);
  void LBGetCaretIndex(TMessage& m);
  void LBSetItemHeight(TMessage& m);
  void LBGetItemHeight(TMessage& m);
  void LBGetItemRect(TMessage& m);
  void LBGetItemData(TMessage& m);
  void LBSetItemData(TMessage& m);
  void LBSetCount(TMessage& m);
  void LBSetHorizontalExtent(TMessage& m);
  void LBItemFromPoint(TMessage& m);
  void CNCommand(TMessage& m);
  void WMLButtonDown(TMessage& m);
  void WMMouseMove(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMChar(TMessage& m);
  void WMVScroll(TMessage& m);
  void WMMouseWheel(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  LRESULT DialogCode() override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  // The row the incremental search finds (OnDataFind in the virtual styles).
  virtual int DoFindData(const String& Data);
  void ItemsChanged(TObject*);
  void UpdateScrollBar();
  int VisibleCount();
  // The user moved the selection to `index` (with the keyboard's Shift and Ctrl).
  void UserSelect(int index, bool shift, bool ctrl);
  void SelChanged();
  bool IsVirtual() const { return fStyle == lbVirtual || fStyle == lbVirtualOwnerDraw; }
  std::unique_ptr<TStringList> fItems;
  std::vector<bool> fSelected;
  int fItemIndex = -1, fTopIndex = 0, fItemHeight = 13;
  TRowScroller fScroller{this, fTopIndex, [this] { return Count(); }, [this] { return VisibleCount(); }};
  int fAnchorIndex = -1;
  int fVirtualCount = 0;
  int fHorzExtent = 0;
  bool fMultiSelect = false;
  TListBoxStyle fStyle = lbStandard;
  String fSearch;
  DWORD fLastKeyTime = 0;
};

class TListBox : public TCustomListBox {
  VT_CLASS(TListBox, TCustomListBox)
public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// A combo box: an edit (or fixed text) with a drop-down list. The list drops down as a
// popup list box; Alt+Down and F4 drop it too.
class TCustomComboBox : public TCustomEdit {
  VT_CLASS(TCustomComboBox, TCustomEdit)
public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  TStrings* Items() { return fItems.get(); }
  void SetItems(TStrings* v) { fItems->Assign(v); }
  int ItemIndex() const { return fItemIndex; }
  void SetItemIndex(int v);
  TComboBoxStyle Style() const { return fStyle; }
  void SetStyle(TComboBoxStyle v);
  int DropDownCount = 8;
  bool Sorted() const { return fItems->Sorted(); }
  void SetSorted(bool v) { fItems->SetSorted(v); }
  bool DroppedDown() const { return fDropped; }
  void SetDroppedDown(bool v);
  TNotifyEvent OnSelect, OnCloseUp, OnDropDown;
  void Dispatch(TMessage& m) override;

protected:
  // Message methods (see TControl::Dispatch).
  void WMKeyDown(TMessage& m);
  void WMChar(TMessage& m);
  void WMLButtonDown(TMessage& m);
  void WMKillFocus(TMessage& m);
  void Paint() override;
  void Change() override;
  LRESULT DialogCode() override;

private:
  class TDropList;
  void ListClosed(int chosen);
  std::unique_ptr<TStringList> fItems;
  int fItemIndex = -1;
  TComboBoxStyle fStyle = csDropDown;
  bool fDropped = false;
  TDropList* fList = nullptr;
};

class TComboBox : public TCustomComboBox {
  VT_CLASS(TComboBox, TCustomComboBox)
public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

#include "platform/forms/Clipbrd.h"  // TClipboard, used by the edit controls
