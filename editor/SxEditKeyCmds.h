#pragma once
// Editor commands (16-bit numbers with identifier names) and the key bindings that map a
// shortcut, or a two-key shortcut, to a command.

#include <cstdint>

#include "platform/core/Classes.h"
#include "platform/core/ShortCuts.h"
#include "platform/core/WinTypes.h"

VT_DECLARE_EXCEPTION(ESxKeyError, Exception);

using TSxEditorCommand = std::uint16_t;

constexpr TSxEditorCommand ecNone = 0, ecLeft = 1, ecRight = 2, ecUp = 3, ecDown = 4, ecWordLeft = 5, ecWordRight = 6,
                           ecLineStart = 7, ecLineEnd = 8, ecPageUp = 9, ecPageDown = 10, ecPageLeft = 11,
                           ecPageRight = 12, ecPageTop = 13, ecPageBottom = 14, ecEditorTop = 15, ecEditorBottom = 16,
                           ecGotoXY = 17, ecSelection = 100, ecSelLeft = 101, ecSelRight = 102, ecSelUp = 103,
                           ecSelDown = 104, ecSelWordLeft = 105, ecSelWordRight = 106, ecSelLineStart = 107,
                           ecSelLineEnd = 108, ecSelPageUp = 109, ecSelPageDown = 110, ecSelPageLeft = 111,
                           ecSelPageRight = 112, ecSelPageTop = 113, ecSelPageBottom = 114, ecSelEditorTop = 115,
                           ecSelEditorBottom = 116, ecSelGotoXY = 117, ecSelWord = 198, ecSelectAll = 199, ecCopy = 201,
                           ecScrollUp = 211, ecScrollDown = 212, ecScrollLeft = 213, ecScrollRight = 214,
                           ecInsertMode = 221, ecOverwriteMode = 222, ecToggleMode = 223, ecNormalSelect = 231,
                           ecColumnSelect = 232, ecLineSelect = 233, ecMatchBracket = 250, ecCommentBlock = 251,
                           ecGotoMarker0 = 301, ecGotoMarker9 = 310, ecSetMarker0 = 351, ecSetMarker9 = 360,
                           ecContextHelp = 490, ecDeleteLastChar = 501, ecDeleteChar = 502, ecDeleteWord = 503,
                           ecDeleteLastWord = 504, ecDeleteBOL = 505, ecDeleteEOL = 506, ecDeleteLine = 507,
                           ecClearAll = 508, ecLineBreak = 509, ecInsertLine = 510, ecChar = 511, ecImeStr = 550,
                           ecUndo = 601, ecRedo = 602, ecCut = 603, ecPaste = 604, ecBlockIndent = 610,
                           ecBlockUnindent = 611, ecTab = 612, ecShiftTab = 613, ecUpperCase = 620, ecLowerCase = 621,
                           ecToggleCase = 622, ecTitleCase = 623, ecUpperCaseBlock = 625, ecLowerCaseBlock = 626,
                           ecToggleCaseBlock = 627, ecAutoCompletion = 650, ecUserFirst = 1001;

// Identifier <-> number, over the table of the 100 named commands.
bool IdentToEditorCommand(const String& Ident, int& Cmd);
bool EditorCommandToIdent(int Cmd, String& Ident);
// The identifier, or the decimal number when the command has none.
String EditorCommandToText(int Cmd);

// Shortcut values and their texts: platform/core/ShortCuts.h.

class TSxEditKeyStroke : public TCollectionItem {
  VT_CLASS(TSxEditKeyStroke, TCollectionItem)
public:
  explicit TSxEditKeyStroke(TCollection* Collection) : TCollectionItem(Collection) {}

  WORD Key() const { return fKey; }
  TShiftState Shift() const { return fShift; }
  WORD Key2() const { return fKey2; }
  TShiftState Shift2() const { return fShift2; }
  void SetKey(WORD v) { fKey = v; }
  void SetShift(TShiftState v) { fShift = v; }
  void SetKey2(WORD v) { fKey2 = v; }
  void SetShift2(TShiftState v) { fShift2 = v; }
  TSxEditorCommand Command() const { return fCommand; }
  void SetCommand(TSxEditorCommand v) { fCommand = v; }
  TShortCut GetShortCut() const { return ShortCut(fKey, fShift); }
  TShortCut GetShortCut2() const { return ShortCut(fKey2, fShift2); }
  // Raise ESxKeyError "Shortcut already exists" when another binding has the same pair.
  void SetShortCut(TShortCut Value);
  void SetShortCut2(TShortCut Value);
  String DisplayName() override;
  void Assign(TPersistent* Source) override;

private:
  void CheckUnique(TShortCut SC, TShortCut SC2) const;
  WORD fKey = 0, fKey2 = 0;
  TShiftState fShift, fShift2;
  TSxEditorCommand fCommand = ecNone;
};

class TSxEditKeyStrokes : public TCollection {
  VT_CLASS(TSxEditKeyStrokes, TCollection)
public:
  explicit TSxEditKeyStrokes(TPersistent* AOwner);
  TSxEditKeyStroke* Add() { return static_cast<TSxEditKeyStroke*>(TCollection::Add()); }
  TSxEditKeyStroke* Items(int Index) const { return static_cast<TSxEditKeyStroke*>(TCollection::Items(Index)); }
  void AddKey(TSxEditorCommand ACmd, WORD AKey, TShiftState AShift);
  int FindCommand(TSxEditorCommand Cmd) const;
  int FindKeycode(WORD Code, TShiftState SS) const;
  int FindKeycode2(WORD Code1, TShiftState SS1, WORD Code2, TShiftState SS2) const;
  int FindShortcut(TShortCut SC) const { return FindShortcut2(SC, 0); }
  int FindShortcut2(TShortCut SC, TShortCut SC2) const;
  void ResetDefaults();
  void Assign(TPersistent* Source) override;

protected:
  TPersistent* GetOwner() override { return fOwner; }

private:
  TPersistent* fOwner;
};
