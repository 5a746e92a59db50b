#pragma once
// Highlighter attributes (a named colour and font style per token kind) and the highlighter
// framework: a line scanner that carries a small range state from line to line.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "editor/SxEditKbdHandler.h"
#include "editor/SxEditMiscProcs.h"
#include "editor/SxEditRegistry.h"
#include "editor/SxEditTypes.h"
#include "platform/core/Classes.h"
#include "platform/core/Colors.h"
#include "platform/forms/Graphics.h"

class TSxEditStringList;

// Font style bits, the same values the registry stores.
using TSxFontStyles = std::uint8_t;
constexpr TSxFontStyles sxfsBold = 1, sxfsItalic = 2, sxfsUnderline = 4, sxfsStrikeOut = 8;

// The font styles an attribute's style bits stand for, as the editor and its printout draw them.
inline TFontStyles SxFontStyles(TSxFontStyles s) {
  TFontStyles r;
  if (s & sxfsBold) r.Include(fsBold);
  if (s & sxfsItalic) r.Include(fsItalic);
  if (s & sxfsUnderline) r.Include(fsUnderline);
  if (s & sxfsStrikeOut) r.Include(fsStrikeOut);
  return r;
}

class TSxHighlighterAttributes : public TPersistent {
  VT_CLASS(TSxHighlighterAttributes, TPersistent)
public:
  explicit TSxHighlighterAttributes(const String& AName) : fName(AName) {}

  TColor Background() const { return fBackground; }
  void SetBackground(TColor v);
  TColor Foreground() const { return fForeground; }
  void SetForeground(TColor v);
  TSxFontStyles Style() const { return fStyle; }
  void SetStyle(TSxFontStyles v);
  const String& Name() const { return fName; }

  void Assign(TPersistent* Source) override;
  // Remembers the present values as the defaults the stored flags compare with.
  void InternalSaveDefaultValues() {
    fBackgroundDefault = fBackground;
    fForegroundDefault = fForeground;
    fStyleDefault = fStyle;
  }
  bool IsBackgroundStored() const { return fBackground != fBackgroundDefault; }
  bool IsForegroundStored() const { return fForeground != fForegroundDefault; }
  bool IsStyleStored() const { return fStyle != fStyleDefault; }

  // The key named Name below the open key, with "Background", "Foreground" and "Style".
  bool SaveToRegistry(TSxRegistry& Reg);
  bool LoadFromRegistry(TSxRegistry& Reg);
  // The two older layouts: one comma-separated value (OldStyle) or one key per attribute.
  virtual bool LoadFromOldRegistry(TCustomIniFile* Store, const String& Key, const String& AName, bool OldStyle);

  TNotifyEvent OnChange;

protected:
  virtual void Changed() {
    if (OnChange) OnChange(this);
  }

private:
  TColor fBackground = clNone, fBackgroundDefault = clNone;
  TColor fForeground = clNone, fForegroundDefault = clNone;
  String fName;
  TSxFontStyles fStyle = 0, fStyleDefault = 0;
};

// The 16 colours the older layouts refer to by index.
TColor SxPaletteColor(int Index);

class TSxCustomHighlighter : public TComponent {
  VT_CLASS(TSxCustomHighlighter, TComponent)
public:
  explicit TSxCustomHighlighter(TComponent* AOwner);
  ~TSxCustomHighlighter() override;

  // Attributes, in name order.
  virtual int GetAttribCount() const { return static_cast<int>(fAttributes.size()); }
  virtual TSxHighlighterAttributes* GetAttribute(int Index) const;
  virtual TSxHighlighterAttributes* GetDefaultAttribute(int Index) const = 0;
  virtual String GetDefaultFilter() const { return fDefaultFilter; }
  virtual TSxCharSet GetIdentChars() const { return SxCharRange(33, 255); }
  virtual String GetSampleSource() const { return String(); }
  virtual bool IsFilterStored() const { return true; }
  virtual void SetDefaultFilter(const String& v) { fDefaultFilter = v; }
  virtual void SetSampleSource(const String&) {}
  virtual void SetWordBreakChars(const TSxCharSet& v) { fWordBreakChars = v; }
  const TSxCharSet& WordBreakChars() const { return fWordBreakChars; }
  virtual int GetCapabilities() const { return 2; }
  virtual String GetLanguageName() const { return "<Unknown>"; }

  // The scanning protocol: SetRange (or ResetRange), SetLine, then until AtLineEnd read the
  // token and call Next; GetRange is then the state at the start of the next line.
  // Token positions count characters of the line from 0; token texts are the line's bytes.
  virtual bool AtLineEnd() const = 0;
  virtual TSxRange GetRange() const { return 0; }
  virtual String GetTokenText() const = 0;
  virtual TSxHighlighterAttributes* GetTokenAttribute() const = 0;
  virtual int GetTokenKind() const = 0;
  virtual int GetTokenPos() const = 0;
  virtual bool IsKeyword(const String&) const { return false; }
  virtual void Next() = 0;
  virtual void SetLine(const String& NewValue, int LineNumber) = 0;
  // Goes on scanning Line from inside it: from character Char (byte Byte), where a token
  // started in state Range when the line was scanned from its start. The line is read where it
  // is, so it must stay as it is while it is scanned. False when this highlighter can only
  // scan a line from its start.
  virtual bool SetLineFrom(const String& Line, int LineNumber, int Char, std::size_t Byte, TSxRange Range) {
    (void)Line, (void)LineNumber, (void)Char, (void)Byte, (void)Range;
    return false;
  }
  virtual void SetRange(TSxRange) {}
  virtual void ResetRange() {}
  void NextToEol() {
    while (!AtLineEnd()) Next();
  }

  virtual bool ApplyUserSetting(int) { return false; }
  virtual void ListUserSettings(TStrings* Settings) { Settings->Clear(); }
  // Every attribute below Key; false when the key cannot be opened.
  virtual bool LoadFromRegistry(TCustomIniFile* Store, const String& Key);
  virtual bool SaveToRegistry(TCustomIniFile* Store, const String& Key);

  void HookAttrChangeEvent(const TNotifyEvent& ANotifyEvent) { fAttrChangeHooks.Add(ANotifyEvent); }
  void UnhookAttrChangeEvent(const TNotifyEvent& ANotifyEvent) { fAttrChangeHooks.Remove(ANotifyEvent); }

  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool v);
  void Loaded() override;
  void Assign(TPersistent* Source) override;

protected:
  // Refuses a second attribute of the same name (EListError "Duplicates not allowed").
  void AddAttribute(TSxHighlighterAttributes* AAttrib);
  void SetAttributesOnChange(const TNotifyEvent& AEvent);
  void DefHighlightChange(TObject* Sender);

private:
  std::vector<std::unique_ptr<TSxHighlighterAttributes>> fAttributes;  // sorted by name
  TSxNotifyEventChain fAttrChangeHooks;
  bool fEnabled = true;
  TSxCharSet fWordBreakChars;
  String fDefaultFilter;
};

// The process-wide list of highlighter classes; a class is registered once.
std::vector<TClass>& SxHighlighterList();
void RegisterPlaceableHighlighter(TClass AHighlighter);

// Stores the range at the start of each line of Lines into the list, scanning from line
// First: lines First..Last are always scanned, later ones until a line's stored range equals
// the newly computed one. Answers the index of the last line whose start range was stored.
// Line 0 always starts from the reset state; a new line (range -1) starts from the line above.
// First's stored start range must be current: after deleting lines at i, pass i - 1.
// EndRangeOf, when given, may answer a line's end range without a scan (true), from the line's
// index and its start range.
int SxScanRanges(TSxCustomHighlighter* Highlighter, TSxEditStringList* Lines, int First, int Last,
                 const std::function<bool(int Index, TSxRange Start, TSxRange& End)>& EndRangeOf = nullptr);
