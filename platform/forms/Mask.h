#pragma once
// An edit with an input mask: each mask position takes one kind of character ("9"/"0" digits,
// "#" digit or sign, "L"/"l" letters, "A"/"a" letters or digits, "C"/"c" any character);
// other mask characters are literals inserted as the caret reaches them ("\" makes the next
// character literal). "mask;0;_": 0 keeps the literals out of Text; the blank character is
// not stored. A character the mask refuses beeps and is dropped.

#include <vector>

#include "platform/forms/StdCtrls.h"

class TCustomMaskEdit : public TCustomEdit {
  VT_CLASS(TCustomMaskEdit, TCustomEdit)
public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  const String& EditMask() const { return fEditMask; }
  void SetEditMask(const String& v);
  // The text as shown, literals included.
  String EditText() { return fText; }
  void Dispatch(TMessage& m) override;

protected:
  String GetText() override;

private:
  struct Slot {
    char kind;  // mask character, or 0 for a literal
    char32_t literal;
  };
  bool Accepts(const Slot& s, char32_t c) const;
  std::vector<Slot> fSlots;
  String fEditMask;
  bool fSaveLiterals = true;
};

class TMaskEdit : public TCustomMaskEdit {
  VT_CLASS(TMaskEdit, TCustomMaskEdit)
public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
