#pragma once
// The memo editor kind: multi-line text, drawn wrapped in cells; a short display text is the
// first line, at most 250 characters.

#include "editors/kcTextEdit.h"
#include "platform/forms/StdCtrls.h"

class TkcCustomMemoProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcCustomMemoProperties, TkcCustomTextEditProperties)
public:
  explicit TkcCustomMemoProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle Value) { SetAndNotify(fScrollBars, Value); }
  int VisibleLineCount() const { return fVisibleLineCount; }
  void SetVisibleLineCount(int Value) { SetAndNotify(fVisibleLineCount, Value < 0 ? 0 : Value); }
  bool WantReturns() const { return fWantReturns; }
  void SetWantReturns(bool Value) { SetAndNotify(fWantReturns, Value); }
  bool WantTabs() const { return fWantTabs; }
  void SetWantTabs(bool Value) { SetAndNotify(fWantTabs, Value); }
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool Value) { SetAndNotify(fWordWrap, Value); }

  bool IsTabKeyWanted() override { return fWantTabs; }
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  bool IsProviderFormatUsed(bool AEditFocused) override;
  bool IsMultiLine() override { return true; }
  // Text-out flags of the cell layout: tabs expanded, the alignment, wrapping unless a
  // horizontal scroll bar is shown.
  int GetDrawTextFlags();

private:
  TScrollStyle fScrollBars = ssNone;
  int fVisibleLineCount = 0;
  bool fWantReturns = true;
  bool fWantTabs = false;
  bool fWordWrap = true;
};

class TkcMemoProperties : public TkcCustomMemoProperties {
  VT_CLASS(TkcMemoProperties, TkcCustomMemoProperties)
public:
  explicit TkcMemoProperties(TPersistent* AOwner) : TkcCustomMemoProperties(AOwner) {}
};

// The longest short display text of a memo, in characters.
constexpr int kcMemoShortTextLength = 250;
