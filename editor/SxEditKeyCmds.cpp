#include "editor/SxEditKeyCmds.h"

namespace {

struct IdentEntry {
  int Value;
  const char* Name;
};

const IdentEntry kCommands[] = {{ecNone, "ecNone"},
                                {ecLeft, "ecLeft"},
                                {ecRight, "ecRight"},
                                {ecUp, "ecUp"},
                                {ecDown, "ecDown"},
                                {ecWordLeft, "ecWordLeft"},
                                {ecWordRight, "ecWordRight"},
                                {ecLineStart, "ecLineStart"},
                                {ecLineEnd, "ecLineEnd"},
                                {ecPageUp, "ecPageUp"},
                                {ecPageDown, "ecPageDown"},
                                {ecPageLeft, "ecPageLeft"},
                                {ecPageRight, "ecPageRight"},
                                {ecPageTop, "ecPageTop"},
                                {ecPageBottom, "ecPageBottom"},
                                {ecEditorTop, "ecEditorTop"},
                                {ecEditorBottom, "ecEditorBottom"},
                                {ecGotoXY, "ecGotoXY"},
                                {ecSelLeft, "ecSelLeft"},
                                {ecSelRight, "ecSelRight"},
                                {ecSelUp, "ecSelUp"},
                                {ecSelDown, "ecSelDown"},
                                {ecSelWordLeft, "ecSelWordLeft"},
                                {ecSelWordRight, "ecSelWordRight"},
                                {ecSelLineStart, "ecSelLineStart"},
                                {ecSelLineEnd, "ecSelLineEnd"},
                                {ecSelPageUp, "ecSelPageUp"},
                                {ecSelPageDown, "ecSelPageDown"},
                                {ecSelPageLeft, "ecSelPageLeft"},
                                {ecSelPageRight, "ecSelPageRight"},
                                {ecSelPageTop, "ecSelPageTop"},
                                {ecSelPageBottom, "ecSelPageBottom"},
                                {ecSelEditorTop, "ecSelEditorTop"},
                                {ecSelEditorBottom, "ecSelEditorBottom"},
                                {ecSelGotoXY, "ecSelGotoXY"},
                                {ecSelWord, "ecSelWord"},
                                {ecSelectAll, "ecSelectAll"},
                                {ecDeleteLastChar, "ecDeleteLastChar"},
                                {ecDeleteChar, "ecDeleteChar"},
                                {ecDeleteWord, "ecDeleteWord"},
                                {ecDeleteLastWord, "ecDeleteLastWord"},
                                {ecDeleteBOL, "ecDeleteBOL"},
                                {ecDeleteEOL, "ecDeleteEOL"},
                                {ecDeleteLine, "ecDeleteLine"},
                                {ecClearAll, "ecClearAll"},
                                {ecLineBreak, "ecLineBreak"},
                                {ecInsertLine, "ecInsertLine"},
                                {ecChar, "ecChar"},
                                {ecImeStr, "ecImeStr"},
                                {ecUndo, "ecUndo"},
                                {ecRedo, "ecRedo"},
                                {ecCut, "ecCut"},
                                {ecCopy, "ecCopy"},
                                {ecPaste, "ecPaste"},
                                {ecScrollUp, "ecScrollUp"},
                                {ecScrollDown, "ecScrollDown"},
                                {ecScrollLeft, "ecScrollLeft"},
                                {ecScrollRight, "ecScrollRight"},
                                {ecInsertMode, "ecInsertMode"},
                                {ecOverwriteMode, "ecOverwriteMode"},
                                {ecToggleMode, "ecToggleMode"},
                                {ecBlockIndent, "ecBlockIndent"},
                                {ecBlockUnindent, "ecBlockUnindent"},
                                {ecTab, "ecTab"},
                                {ecShiftTab, "ecShiftTab"},
                                {ecMatchBracket, "ecMatchBracket"},
                                {ecCommentBlock, "ecCommentBlock"},
                                {ecNormalSelect, "ecNormalSelect"},
                                {ecColumnSelect, "ecColumnSelect"},
                                {ecLineSelect, "ecLineSelect"},
                                {ecAutoCompletion, "ecAutoCompletion"},
                                {ecUserFirst, "ecUserFirst"},
                                {ecContextHelp, "ecContextHelp"},
                                {301, "ecGotoMarker0"},
                                {302, "ecGotoMarker1"},
                                {303, "ecGotoMarker2"},
                                {304, "ecGotoMarker3"},
                                {305, "ecGotoMarker4"},
                                {306, "ecGotoMarker5"},
                                {307, "ecGotoMarker6"},
                                {308, "ecGotoMarker7"},
                                {309, "ecGotoMarker8"},
                                {310, "ecGotoMarker9"},
                                {351, "ecSetMarker0"},
                                {352, "ecSetMarker1"},
                                {353, "ecSetMarker2"},
                                {354, "ecSetMarker3"},
                                {355, "ecSetMarker4"},
                                {356, "ecSetMarker5"},
                                {357, "ecSetMarker6"},
                                {358, "ecSetMarker7"},
                                {359, "ecSetMarker8"},
                                {360, "ecSetMarker9"},
                                {ecUpperCase, "ecUpperCase"},
                                {ecLowerCase, "ecLowerCase"},
                                {ecToggleCase, "ecToggleCase"},
                                {ecTitleCase, "ecTitleCase"},
                                {ecUpperCaseBlock, "ecUpperCaseBlock"},
                                {ecLowerCaseBlock, "ecLowerCaseBlock"},
                                {ecToggleCaseBlock, "ecToggleCaseBlock"}};
static_assert(sizeof(kCommands) / sizeof(kCommands[0]) == 100);

}  // namespace

bool IdentToEditorCommand(const String& Ident, int& Cmd) {
  for (const auto& e : kCommands)
    if (SameText(Ident, e.Name)) {
      Cmd = e.Value;
      return true;
    }
  return false;
}

bool EditorCommandToIdent(int Cmd, String& Ident) {
  for (const auto& e : kCommands)
    if (e.Value == Cmd) {
      Ident = e.Name;
      return true;
    }
  return false;
}

String EditorCommandToText(int Cmd) {
  String s;
  return EditorCommandToIdent(Cmd, s) ? s : std::to_string(Cmd);
}

// ---------------------------------------------------------------------------------------------

void TSxEditKeyStroke::CheckUnique(TShortCut SC, TShortCut SC2) const {
  const auto* owner = static_cast<const TSxEditKeyStrokes*>(Collection());
  if (!owner) return;
  for (int i = 0; i < owner->Count(); ++i) {
    const TSxEditKeyStroke* k = owner->Items(i);
    if (k != this && k->GetShortCut() == SC && k->GetShortCut2() == SC2) throw ESxKeyError("Shortcut already exists");
  }
}

void TSxEditKeyStroke::SetShortCut(TShortCut Value) {
  if (Value != 0) CheckUnique(Value, GetShortCut2());
  ShortCutToKey(Value, fKey, fShift);
}

void TSxEditKeyStroke::SetShortCut2(TShortCut Value) {
  if (Value != 0) CheckUnique(GetShortCut(), Value);
  ShortCutToKey(Value, fKey2, fShift2);
}

String TSxEditKeyStroke::DisplayName() {
  String s = EditorCommandToText(fCommand) + " - " + ShortCutToText(GetShortCut());
  if (GetShortCut() != 0) s += " " + ShortCutToText(GetShortCut2());
  return s;
}

void TSxEditKeyStroke::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TSxEditKeyStroke*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  fCommand = src->fCommand;
  fKey = src->fKey;
  fKey2 = src->fKey2;
  fShift = src->fShift;
  fShift2 = src->fShift2;
}

TSxEditKeyStrokes::TSxEditKeyStrokes(TPersistent* AOwner)
    : TCollection(TSxEditKeyStroke::StaticClass()), fOwner(AOwner) {}

void TSxEditKeyStrokes::AddKey(TSxEditorCommand ACmd, WORD AKey, TShiftState AShift) {
  TSxEditKeyStroke* k = Add();
  k->SetKey(AKey);
  k->SetShift(AShift);
  k->SetCommand(ACmd);
}

int TSxEditKeyStrokes::FindCommand(TSxEditorCommand Cmd) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Command() == Cmd) return i;
  return -1;
}

int TSxEditKeyStrokes::FindKeycode(WORD Code, TShiftState SS) const {
  for (int i = 0; i < Count(); ++i) {
    const auto* k = Items(i);
    if (k->Key() == Code && k->Shift() == SS && k->Key2() == 0) return i;
  }
  return -1;
}

int TSxEditKeyStrokes::FindKeycode2(WORD Code1, TShiftState SS1, WORD Code2, TShiftState SS2) const {
  for (int i = 0; i < Count(); ++i) {
    const auto* k = Items(i);
    if (k->Key() == Code1 && k->Shift() == SS1 && k->Key2() == Code2 && k->Shift2() == SS2) return i;
  }
  return -1;
}

int TSxEditKeyStrokes::FindShortcut2(TShortCut SC, TShortCut SC2) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->GetShortCut() == SC && Items(i)->GetShortCut2() == SC2) return i;
  return -1;
}

void TSxEditKeyStrokes::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TSxEditKeyStrokes*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    Clear();
    for (int i = 0; i < src->Count(); ++i) Add()->Assign(src->Items(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TSxEditKeyStrokes::ResetDefaults() {
  constexpr WORD VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_PRIOR = 33, VK_NEXT = 34, VK_END = 35, VK_HOME = 36,
                 VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40, VK_INSERT = 45, VK_DELETE = 46, VK_F1 = 112;
  const TShiftState none, s{ssShift}, c{ssCtrl}, sc{ssShift, ssCtrl}, a{ssAlt}, sa{ssShift, ssAlt};
  BeginUpdate();
  try {
    Clear();
    const struct {
      WORD key;
      TSxEditorCommand cmds[4];  // none, Shift, Ctrl, Shift+Ctrl; 0 = no binding
    } moves[] = {
        {VK_UP, {ecUp, ecSelUp, ecScrollUp, 0}},
        {VK_DOWN, {ecDown, ecSelDown, ecScrollDown, 0}},
        {VK_LEFT, {ecLeft, ecSelLeft, ecWordLeft, ecSelWordLeft}},
        {VK_RIGHT, {ecRight, ecSelRight, ecWordRight, ecSelWordRight}},
        {VK_NEXT, {ecPageDown, ecSelPageDown, ecPageBottom, ecSelPageBottom}},
        {VK_PRIOR, {ecPageUp, ecSelPageUp, ecPageTop, ecSelPageTop}},
        {VK_HOME, {ecLineStart, ecSelLineStart, ecEditorTop, ecSelEditorTop}},
        {VK_END, {ecLineEnd, ecSelLineEnd, ecEditorBottom, ecSelEditorBottom}},
    };
    const TShiftState shifts[4] = {none, s, c, sc};
    for (const auto& m : moves)
      for (int i = 0; i < 4; ++i)
        if (m.cmds[i]) AddKey(m.cmds[i], m.key, shifts[i]);
    AddKey(ecToggleMode, VK_INSERT, none);
    AddKey(ecCopy, VK_INSERT, c);
    AddKey(ecCut, VK_DELETE, s);
    AddKey(ecPaste, VK_INSERT, s);
    AddKey(ecDeleteChar, VK_DELETE, none);
    AddKey(ecDeleteLastChar, VK_BACK, none);
    AddKey(ecDeleteLastChar, VK_BACK, s);
    AddKey(ecDeleteLastWord, VK_BACK, c);
    AddKey(ecUndo, VK_BACK, a);
    AddKey(ecRedo, VK_BACK, sa);
    AddKey(ecLineBreak, VK_RETURN, none);
    AddKey(ecLineBreak, VK_RETURN, s);
    AddKey(ecTab, VK_TAB, none);
    AddKey(ecShiftTab, VK_TAB, s);
    AddKey(ecContextHelp, VK_F1, none);
    AddKey(ecSelectAll, 'A', c);
    AddKey(ecCopy, 'C', c);
    AddKey(ecPaste, 'V', c);
    AddKey(ecCut, 'X', c);
    AddKey(ecBlockIndent, 'I', sc);
    AddKey(ecBlockUnindent, 'U', sc);
    AddKey(ecLineBreak, 'M', c);
    AddKey(ecInsertLine, 'N', c);
    AddKey(ecDeleteWord, 'T', c);
    AddKey(ecDeleteLine, 'Y', c);
    AddKey(ecDeleteEOL, 'Y', sc);
    AddKey(ecUndo, 'Z', c);
    AddKey(ecRedo, 'Z', sc);
    for (int d = 0; d <= 9; ++d)
      AddKey(static_cast<TSxEditorCommand>(ecGotoMarker0 + d), static_cast<WORD>('0' + d), c);
    for (int d = 0; d <= 9; ++d)
      AddKey(static_cast<TSxEditorCommand>(ecSetMarker0 + d), static_cast<WORD>('0' + d), sc);
    AddKey(ecNormalSelect, 'N', sc);
    AddKey(ecColumnSelect, 'C', sc);
    AddKey(ecLineSelect, 'L', sc);
    AddKey(ecMatchBracket, 'B', sc);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
