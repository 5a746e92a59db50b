#include "editor/SxEditHighlighter.h"

#include <algorithm>
#include <cstdlib>

#include "editor/SxEditTextBuffer.h"

// ---------------------------------------------------------------------------------------------
// Attributes

void TSxHighlighterAttributes::SetBackground(TColor v) {
  if (v == fBackground) return;
  fBackground = v;
  Changed();
}

void TSxHighlighterAttributes::SetForeground(TColor v) {
  if (v == fForeground) return;
  fForeground = v;
  Changed();
}

void TSxHighlighterAttributes::SetStyle(TSxFontStyles v) {
  if (v == fStyle) return;
  fStyle = v;
  Changed();
}

void TSxHighlighterAttributes::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TSxHighlighterAttributes*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  fName = src->fName;
  const bool changed = fBackground != src->fBackground || fForeground != src->fForeground || fStyle != src->fStyle;
  fBackground = src->fBackground;
  fForeground = src->fForeground;
  fStyle = src->fStyle;
  if (changed) Changed();
}

bool TSxHighlighterAttributes::SaveToRegistry(TSxRegistry& Reg) {
  const String saved = Reg.CurrentPath();
  if (!Reg.OpenKey(fName, true)) return false;
  Reg.WriteInteger("Background", fBackground);
  Reg.WriteInteger("Foreground", fForeground);
  Reg.WriteInteger("Style", fStyle);
  Reg.OpenKey("\\" + saved, false);
  return true;
}

bool TSxHighlighterAttributes::LoadFromRegistry(TSxRegistry& Reg) {
  const String saved = Reg.CurrentPath();
  if (!Reg.OpenKeyReadOnly(fName)) return false;
  if (Reg.ValueExists("Background")) SetBackground(Reg.ReadInteger("Background"));
  if (Reg.ValueExists("Foreground")) SetForeground(Reg.ReadInteger("Foreground"));
  if (Reg.ValueExists("Style")) SetStyle(static_cast<TSxFontStyles>(Reg.ReadInteger("Style") & 0x0F));
  Reg.OpenKeyReadOnly("\\" + saved);
  return true;
}

TColor SxPaletteColor(int Index) {
  static const TColor palette[16] = {clBlack, clMaroon, clGreen, clOlive,  clNavy, clPurple,  clTeal, clSilver,
                                     clGray,  clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};
  if (Index < 0 || Index > 15) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return palette[Index];
}

namespace {

// The framework's colour names ("clGreen", "clWindow") or a number ("$0000FF", "255").
TColor ColorFromName(const String& s) {
  static const struct {
    const char* name;
    TColor color;
  } names[] = {{"CLBLACK", clBlack},
               {"CLMAROON", clMaroon},
               {"CLGREEN", clGreen},
               {"CLOLIVE", clOlive},
               {"CLNAVY", clNavy},
               {"CLPURPLE", clPurple},
               {"CLTEAL", clTeal},
               {"CLSILVER", clSilver},
               {"CLGRAY", clGray},
               {"CLRED", clRed},
               {"CLLIME", clLime},
               {"CLYELLOW", clYellow},
               {"CLBLUE", clBlue},
               {"CLFUCHSIA", clFuchsia},
               {"CLAQUA", clAqua},
               {"CLWHITE", clWhite},
               {"CLNONE", clNone},
               {"CLWINDOW", clWindow},
               {"CLWINDOWTEXT", clWindowText}};
  const String u = UpperCase(s);
  for (const auto& n : names)
    if (u == n.name) return n.color;
  if (!s.empty() && s[0] == '$') {
    char* end = nullptr;
    const unsigned long v = std::strtoul(s.c_str() + 1, &end, 16);
    if (s.size() > 1 && !*end) return static_cast<TColor>(v);
  }
  return StrToInt(s);
}

}  // namespace

bool TSxHighlighterAttributes::LoadFromOldRegistry(TCustomIniFile* Store, const String& Key, const String& AName,
                                                   bool OldStyle) {
  try {
    TSxRegistry reg(Store);
    if (OldStyle) {
      if (!reg.OpenKeyReadOnly("\\" + Key) || !reg.ValueExists(AName)) return false;
      const String value = reg.ReadString(AName);
      String f[7];
      std::size_t start = 0;
      for (int i = 0; i < 7; ++i) {
        if (start > value.size()) break;
        const std::size_t comma = value.find(',', start);
        f[i] = value.substr(start, comma == String::npos ? String::npos : comma - start);
        start = comma == String::npos ? value.size() + 1 : comma + 1;
      }
      SetBackground(f[4] == "1" ? clWindow : SxPaletteColor(StrToInt(f[6])));
      SetForeground(f[3] == "1" ? clWindowText : SxPaletteColor(StrToInt(f[5])));
      TSxFontStyles style = 0;
      if (f[2].find('B') != String::npos) style |= sxfsBold;
      if (f[2].find('I') != String::npos) style |= sxfsItalic;
      if (f[2].find('U') != String::npos) style |= sxfsUnderline;
      SetStyle(style);
      return true;
    }
    if (!reg.OpenKeyReadOnly("\\" + Key + "\\" + AName)) return false;
    auto readColor = [&](const char* indexName, const char* newName, TColor& out) {
      if (reg.ValueExists(indexName)) {
        out = SxPaletteColor(reg.ReadInteger(indexName));
        return true;
      }
      if (reg.ValueExists(newName)) {
        out = ColorFromName(reg.ReadString(newName));
        return true;
      }
      return false;
    };
    TColor fg = clNone, bg = clNone;
    if (!readColor("Foreground Color", "Foreground Color New", fg)) return false;
    if (!readColor("Background Color", "Background Color New", bg)) return false;
    for (const char* name : {"Bold", "Italic", "Underline", "Default Foreground", "Default Background"})
      if (!reg.ValueExists(name)) return false;
    auto flag = [&](const char* name) {
      const String v = reg.ReadString(name);
      return !(v == "0" || UpperCase(v) == "FALSE");
    };
    SetBackground(flag("Default Background") ? clWindow : bg);
    SetForeground(flag("Default Foreground") ? clWindowText : fg);
    TSxFontStyles style = 0;
    if (flag("Bold")) style |= sxfsBold;
    if (flag("Italic")) style |= sxfsItalic;
    if (flag("Underline")) style |= sxfsUnderline;
    SetStyle(style);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Highlighter

TSxCustomHighlighter::TSxCustomHighlighter(TComponent* AOwner)
    : TComponent(AOwner), fAttrChangeHooks(this), fWordBreakChars(SxCharSet("!\"'()*+,-./:;=?[\\]^{|}")) {}

TSxCustomHighlighter::~TSxCustomHighlighter() {
  // Attributes are freed last first.
  while (!fAttributes.empty()) fAttributes.pop_back();
}

TSxHighlighterAttributes* TSxCustomHighlighter::GetAttribute(int Index) const {
  if (Index < 0 || Index >= GetAttribCount()) return nullptr;
  return fAttributes[static_cast<std::size_t>(Index)].get();
}

void TSxCustomHighlighter::AddAttribute(TSxHighlighterAttributes* AAttrib) {
  std::unique_ptr<TSxHighlighterAttributes> owned(AAttrib);
  auto pos = std::lower_bound(fAttributes.begin(), fAttributes.end(), AAttrib->Name(),
                              [](const auto& a, const String& name) { return CompareText(a->Name(), name) < 0; });
  if (pos != fAttributes.end() && CompareText((*pos)->Name(), AAttrib->Name()) == 0)
    throw EListError("String list does not allow duplicates");
  fAttributes.insert(pos, std::move(owned));
}

void TSxCustomHighlighter::SetAttributesOnChange(const TNotifyEvent& AEvent) {
  for (auto& a : fAttributes) {
    a->OnChange = AEvent;
    a->InternalSaveDefaultValues();
  }
}

void TSxCustomHighlighter::DefHighlightChange(TObject* Sender) {
  if (ComponentState().Contains(csLoading)) return;
  fAttrChangeHooks.SetSender(Sender);
  fAttrChangeHooks.Fire();
}

void TSxCustomHighlighter::SetEnabled(bool v) {
  if (v == fEnabled) return;
  fEnabled = v;
  DefHighlightChange(nullptr);
}

void TSxCustomHighlighter::Loaded() {
  inherited::Loaded();
  DefHighlightChange(nullptr);
}

void TSxCustomHighlighter::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TSxCustomHighlighter*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  for (auto& a : fAttributes) {
    for (int j = 0; j < src->GetAttribCount(); ++j) {
      TSxHighlighterAttributes* s = src->GetAttribute(j);
      if (s->Name() == a->Name()) {
        a->Assign(s);
        break;
      }
    }
  }
  if (src->InheritsFrom(ClassType())) SetSampleSource(src->GetSampleSource());
  SetWordBreakChars(src->WordBreakChars());
  SetDefaultFilter(src->GetDefaultFilter());
  SetEnabled(src->Enabled());
}

bool TSxCustomHighlighter::LoadFromRegistry(TCustomIniFile* Store, const String& Key) {
  TSxRegistry reg(Store);
  if (!reg.OpenKeyReadOnly("\\" + Key)) return false;
  bool ok = true;
  for (auto& a : fAttributes) ok = a->LoadFromRegistry(reg) && ok;
  return ok;
}

bool TSxCustomHighlighter::SaveToRegistry(TCustomIniFile* Store, const String& Key) {
  TSxRegistry reg(Store);
  if (!reg.OpenKey("\\" + Key, true)) return false;
  bool ok = true;
  for (auto& a : fAttributes) ok = a->SaveToRegistry(reg) && ok;
  return ok;
}

std::vector<TClass>& SxHighlighterList() {
  static std::vector<TClass> list;
  return list;
}

void RegisterPlaceableHighlighter(TClass AHighlighter) {
  auto& list = SxHighlighterList();
  if (std::find(list.begin(), list.end(), AHighlighter) == list.end()) list.push_back(AHighlighter);
}

// ---------------------------------------------------------------------------------------------
// Range scanning over a line buffer

int SxScanRanges(TSxCustomHighlighter* Highlighter, TSxEditStringList* Lines, int First, int Last,
                 const std::function<bool(int Index, TSxRange Start, TSxRange& End)>& EndRangeOf) {
  const int n = Lines->Count();
  if (n == 0) return -1;
  First = MinMax(First, 0, n - 1);
  Last = MinMax(Last, First, n - 1);
  // A new line has no start range yet: start from the nearest line above that has one.
  while (First > 0 && Lines->Range(First) == -1) --First;
  Lines->BeginUpdate();
  try {
    if (First == 0 && Lines->Range(0) != 0) Lines->SetRange(0, 0);
    int i = First;
    for (;;) {
      TSxRange r = 0;
      if (!EndRangeOf || !EndRangeOf(i, i == 0 ? 0 : Lines->Range(i), r)) {
        if (i == 0)
          Highlighter->ResetRange();
        else
          Highlighter->SetRange(Lines->Range(i));
        Highlighter->SetLine(Lines->LineRef(i), i);
        Highlighter->NextToEol();
        r = Highlighter->GetRange();
      }
      if (i + 1 >= n || (i >= Last && Lines->Range(i + 1) == r)) break;
      Lines->SetRange(i + 1, r);
      ++i;
    }
    Lines->EndUpdate();
    return i;
  } catch (...) {
    Lines->EndUpdate();
    throw;
  }
}
