#pragma once
// The classic edit mask: one position item per character of the edit text.

#include <memory>
#include <vector>

#include "editors/kcEditChars.h"
#include "platform/core/SysUtils.h"

class TkcStandardMaskCustomItem {
public:
  virtual ~TkcStandardMaskCustomItem() = default;
  virtual bool Check(char32_t& Ch) const = 0;
};

class TkcStandardMaskLiteralItem : public TkcStandardMaskCustomItem {
public:
  explicit TkcStandardMaskLiteralItem(char32_t ALiteral) : Literal(ALiteral) {}
  bool Check(char32_t& Ch) const override { return Ch == Literal; }
  char32_t Literal;
};

// A position the user fills.
class TkcStandardMaskManyItem : public TkcStandardMaskCustomItem {
public:
  enum : uint8_t { ccUpper = 0, ccLower = 1, ccUnchanged = 2 };
  TkcStandardMaskManyItem(uint8_t ACaseControl, bool AOptional) : CaseControl(ACaseControl), Optional(AOptional) {}
  // Tests the character as typed, then converts it in place by CaseControl.
  bool Check(char32_t& Ch) const override;
  uint8_t CaseControl;
  bool Optional;

protected:
  virtual bool Accepts(char32_t Ch) const = 0;
};

class TkcStandardMaskAlphaItem : public TkcStandardMaskManyItem {
public:
  using TkcStandardMaskManyItem::TkcStandardMaskManyItem;

protected:
  bool Accepts(char32_t Ch) const override;
};

class TkcStandardMaskAlphaNumericItem : public TkcStandardMaskManyItem {
public:
  using TkcStandardMaskManyItem::TkcStandardMaskManyItem;

protected:
  bool Accepts(char32_t Ch) const override;
};

class TkcStandardMaskASCIIItem : public TkcStandardMaskManyItem {
public:
  using TkcStandardMaskManyItem::TkcStandardMaskManyItem;

protected:
  bool Accepts(char32_t) const override { return true; }
};

class TkcStandardMaskNumericItem : public TkcStandardMaskManyItem {
public:
  using TkcStandardMaskManyItem::TkcStandardMaskManyItem;

protected:
  bool Accepts(char32_t Ch) const override { return Ch >= U'0' && Ch <= U'9'; }
};

// Digit or sign; always optional.
class TkcStandardMaskNumericSymbolItem : public TkcStandardMaskManyItem {
public:
  explicit TkcStandardMaskNumericSymbolItem(uint8_t ACaseControl) : TkcStandardMaskManyItem(ACaseControl, true) {}

protected:
  bool Accepts(char32_t Ch) const override;
};

class TkcStandardMask {
public:
  void SetMask(const String& AMask);
  const String& Mask() const { return fMask; }
  char32_t Blank() const { return fBlank; }
  bool Leading() const { return fLeading; }
  bool SaveLiteralCharacters() const { return fSaveLiteralCharacters; }

  void FitText(String& Text, bool UseConvertedChar = true, bool LiteralsInText = false) const;
  void ExtractValue(String& Text) const;
  bool IsFullyValid(String& Text) const;
  String GetEmptyValue() const;
  String GetEmptyText() const;

  int Count() const { return int(fItems.size()); }
  TkcStandardMaskCustomItem* Items(int Index) const { return fItems.at(size_t(Index)).get(); }

private:
  void Clear();
  void Parse(const kcChars& M);
  bool IsMany(size_t i) const;

  char32_t fBlank = U'_';
  std::vector<std::unique_ptr<TkcStandardMaskCustomItem>> fItems;
  bool fLeading = false;
  bool fSaveLiteralCharacters = true;
  String fMask;
};
