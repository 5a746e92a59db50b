#pragma once
// Input masks written as regular expressions. The expression describes the whole value an
// editor accepts; it is compiled into a nondeterministic automaton whose states each test one
// character, and the editor feeds it one typed character at a time. There is no backtracking:
// the automaton always holds the set of every state the typed text can have reached.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "editors/kcEditChars.h"
#include "editors/kcEditErrors.h"
#include "platform/core/SysUtils.h"

class TStream;

// ---- character items ---------------------------------------------------------------------

class TkcRegExprItem {
public:
  virtual ~TkcRegExprItem() = default;
  // True when the item accepts Ch; a case-insensitive symbol replaces Ch by its own case.
  virtual bool Check(char32_t& Ch, bool CaseInsensitive) const = 0;
  virtual std::unique_ptr<TkcRegExprItem> Clone() const = 0;
  virtual String Print() const = 0;
};

class TkcRegExprSymbol : public TkcRegExprItem {
public:
  explicit TkcRegExprSymbol(char32_t AValue) : Value(AValue) {}
  bool Check(char32_t& Ch, bool CaseInsensitive) const override;
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override;
  char32_t Value;
};

class TkcRegExprDateSeparator : public TkcRegExprItem {
public:
  bool Check(char32_t& Ch, bool) const override { return Ch == kcDateSeparator(); }
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override { return "/"; }
};

class TkcRegExprTimeSeparator : public TkcRegExprItem {
public:
  bool Check(char32_t& Ch, bool) const override { return Ch == kcTimeSeparator(); }
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override { return ":"; }
};

// By character code, case-sensitive always.
class TkcRegExprSubrange : public TkcRegExprItem {
public:
  TkcRegExprSubrange(char32_t AStart, char32_t AFinish) : StartValue(AStart), FinishValue(AFinish) {}
  bool Check(char32_t& Ch, bool) const override { return Ch >= StartValue && Ch <= FinishValue; }
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override;
  char32_t StartValue, FinishValue;
};

// A character class; Inverse turns it into its complement.
class TkcRegExprEnumeration : public TkcRegExprItem {
public:
  explicit TkcRegExprEnumeration(bool AInverse) : Inverse(AInverse) {}
  bool Check(char32_t& Ch, bool CaseInsensitive) const final;
  bool Inverse;

protected:
  virtual bool Contains(char32_t& Ch, bool CaseInsensitive) const = 0;
};

class TkcRegExprUserEnumeration : public TkcRegExprEnumeration {
public:
  using TkcRegExprEnumeration::TkcRegExprEnumeration;
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override;
  std::vector<std::unique_ptr<TkcRegExprItem>> Items;

protected:
  bool Contains(char32_t& Ch, bool CaseInsensitive) const override;
};

class TkcRegExprDigit : public TkcRegExprEnumeration {
public:
  using TkcRegExprEnumeration::TkcRegExprEnumeration;
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override { return Inverse ? "\\D" : "\\d"; }

protected:
  bool Contains(char32_t& Ch, bool) const override { return Ch >= U'0' && Ch <= U'9'; }
};

class TkcRegExprIdLetter : public TkcRegExprEnumeration {
public:
  using TkcRegExprEnumeration::TkcRegExprEnumeration;
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override { return Inverse ? "\\W" : "\\w"; }

protected:
  bool Contains(char32_t& Ch, bool) const override;
};

class TkcRegExprSpace : public TkcRegExprEnumeration {
public:
  using TkcRegExprEnumeration::TkcRegExprEnumeration;
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override { return Inverse ? "\\S" : "\\s"; }

protected:
  bool Contains(char32_t& Ch, bool) const override;
};

class TkcRegExprAll : public TkcRegExprEnumeration {
public:
  TkcRegExprAll() : TkcRegExprEnumeration(false) {}
  std::unique_ptr<TkcRegExprItem> Clone() const override;
  String Print() const override { return "."; }

protected:
  bool Contains(char32_t&, bool) const override { return true; }
};

// ---- states ------------------------------------------------------------------------------

class TkcRegExprState;
class TkcRegExprSimpleState;

// A set of simple states, kept free of duplicates (the first occurrence stays first).
class TkcRegExprStates {
public:
  const std::vector<TkcRegExprSimpleState*>& States() const { return fStates; }
  int Count() const { return int(fStates.size()); }
  bool Empty() const { return fStates.empty(); }
  void Add(TkcRegExprSimpleState* State);
  void Union(const TkcRegExprStates& Other);
  // The states entered by consuming Ch from any member (the union of the members' steps);
  // Ch gets the case of the first accepting item.
  TkcRegExprStates Step(char32_t& Ch, bool CaseInsensitive) const;
  // The states that may consume the next character (the union of the members' closures).
  TkcRegExprStates PossibleNext() const;
  bool HasFinal() const;
  // True when the set is not empty and every member expects one and the same literal character.
  bool UniqueSymbol(char32_t& Ch) const;

private:
  friend class TkcRegExprWalk;
  std::vector<TkcRegExprSimpleState*> fStates;
};

class TkcRegExprState {
public:
  virtual ~TkcRegExprState() = default;
  virtual bool IsBlock() const = 0;
  void AddNext(TkcRegExprState* State) { Next.push_back(State); }
  // Successors, not owned.
  std::vector<TkcRegExprState*> Next;

private:
  friend class TkcRegExprWalk;
  uint64_t fVisited = 0;  // the last walk that reached this state
};

class TkcRegExprSimpleState : public TkcRegExprState {
public:
  explicit TkcRegExprSimpleState(std::unique_ptr<TkcRegExprItem> AItem = nullptr) : Item(std::move(AItem)) {}
  bool IsBlock() const override { return false; }
  std::unique_ptr<TkcRegExprItem> Item;  // none for the start state
  bool IsFinal = false;
};

// Entry or exit of a group; consumes nothing and stands for its successors.
class TkcRegExprBlockState : public TkcRegExprState {
public:
  bool IsBlock() const override { return true; }
};

// ---- parsed structure --------------------------------------------------------------------

class TkcRegExprQuantifier {
public:
  virtual ~TkcRegExprQuantifier() = default;
  virtual bool CanMissing() const = 0;
  virtual bool CanRepeat() const = 0;
  virtual std::unique_ptr<TkcRegExprQuantifier> Clone() const = 0;
  virtual String Print() const = 0;
};

class TkcRegExprSimpleQuantifier : public TkcRegExprQuantifier {
public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TkcRegExprQuantifier> Clone() const override;
  String Print() const override { return ""; }
};

class TkcRegExprQuestionQuantifier : public TkcRegExprQuantifier {
public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return false; }
  std::unique_ptr<TkcRegExprQuantifier> Clone() const override;
  String Print() const override { return "?"; }
};

class TkcRegExprStarQuantifier : public TkcRegExprQuantifier {
public:
  bool CanMissing() const override { return true; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TkcRegExprQuantifier> Clone() const override;
  String Print() const override { return "*"; }
};

class TkcRegExprPlusQuantifier : public TkcRegExprQuantifier {
public:
  bool CanMissing() const override { return false; }
  bool CanRepeat() const override { return true; }
  std::unique_ptr<TkcRegExprQuantifier> Clone() const override;
  String Print() const override { return "+"; }
};

class TkcRegExprParserItem {
public:
  TkcRegExprParserItem();
  virtual ~TkcRegExprParserItem() = default;
  virtual bool CanEmpty() const = 0;
  virtual std::unique_ptr<TkcRegExprParserItem> Clone() const = 0;
  // The item in expression syntax, groups in parentheses; for inspection.
  virtual String Print() const = 0;
  virtual void SetFinal() = 0;
  virtual TkcRegExprState* EntryState() const = 0;
  virtual TkcRegExprState* ExitState() const = 0;
  // Number of states and nesting depth, to keep expansions within bounds.
  virtual size_t StateCount() const = 0;
  virtual size_t Depth() const = 0;

  bool CanMissing() const { return Quantifier->CanMissing(); }
  bool CanRepeat() const { return Quantifier->CanRepeat(); }
  std::unique_ptr<TkcRegExprQuantifier> Quantifier;
};

using TkcRegExprParserAlt = std::vector<std::unique_ptr<TkcRegExprParserItem>>;
using TkcRegExprParserAlts = std::vector<TkcRegExprParserAlt>;

class TkcRegExprParserSimpleItem : public TkcRegExprParserItem {
public:
  explicit TkcRegExprParserSimpleItem(std::unique_ptr<TkcRegExprItem> Item);
  bool CanEmpty() const override { return CanMissing(); }
  std::unique_ptr<TkcRegExprParserItem> Clone() const override;
  String Print() const override;
  void SetFinal() override { State->IsFinal = true; }
  TkcRegExprState* EntryState() const override { return State.get(); }
  TkcRegExprState* ExitState() const override { return State.get(); }
  size_t StateCount() const override { return 1; }
  size_t Depth() const override { return 0; }
  std::unique_ptr<TkcRegExprSimpleState> State;
};

class TkcRegExprParserBlockItem : public TkcRegExprParserItem {
public:
  TkcRegExprParserBlockItem();
  // Takes the state count and depth of the alternatives once they are complete.
  void Seal();
  bool CanEmpty() const override;
  std::unique_ptr<TkcRegExprParserItem> Clone() const override;
  String Print() const override;
  void SetFinal() override;
  TkcRegExprState* EntryState() const override { return Entry.get(); }
  TkcRegExprState* ExitState() const override { return Exit.get(); }
  size_t StateCount() const override;
  size_t Depth() const override;
  std::unique_ptr<TkcRegExprBlockState> Entry, Exit;
  TkcRegExprParserAlts Alts;

private:
  size_t fStateCount = 2;
  size_t fDepth = 1;
};

// ---- automaton ---------------------------------------------------------------------------

class TkcRegExpr;

class TkcRegExprAutomat {
public:
  // Links the alternatives, marks the final states and starts at the start state.
  TkcRegExprAutomat(TkcRegExprParserAlts AExpr, TkcRegExpr* AOwner);
  ~TkcRegExprAutomat();

  bool Next(char32_t& Ch, bool CaseInsensitive);
  bool Prev();
  void Reset();
  bool IsFinal() const { return Current.HasFinal(); }
  bool IsStart() const;
  // Appends the characters every path forces next.
  void AutoCompleteForward();
  // Steps back over characters that were forced.
  void StepBackForced();

  const TkcRegExprStates& CurrentStates() const { return Current; }
  int HistoryCount() const { return int(History.size()); }
  String Print() const;

private:
  TkcRegExprStates Current;
  TkcRegExprParserAlts Expr;
  std::vector<TkcRegExprStates> History;
  TkcRegExpr* Owner;
  std::unique_ptr<TkcRegExprSimpleState> StartState;
};

// ---- compiler ----------------------------------------------------------------------------

struct TkcLexem {
  enum : int32_t {
    lkSymbol = 0,
    lkOperator = 1,
    lkInteger = 2,
    lkAny = 3,
    lkWord = 4,
    lkNonWord = 5,
    lkDigit = 6,
    lkNonDigit = 7,
    lkSpace = 8,
    lkNonSpace = 9,
    lkReference = 10,
    lkDateSeparator = 11,
    lkTimeSeparator = 12
  };
  int32_t Column = 0;
  int32_t Kind = 0;
  int32_t Line = 0;
  String Text;
};

class TkcRegExprError {
public:
  TkcRegExprError(int32_t ALine, int32_t AChar, String AMessage)
      : Line(ALine), Char(AChar), Message(std::move(AMessage)) {}
  // "Line2, Char5: message"; without a position the message alone.
  String Text() const;
  int32_t Line;  // 0 when the error has no position
  int32_t Char;
  String Message;
};

using TkcRegExprErrors = std::vector<TkcRegExprError>;

// All compile errors of one expression. The exception keeps its own copy of the list: the
// expression that raised it may be gone before a handler reads the errors.
class EkcRegExprError : public EkcEditError {
public:
  explicit EkcRegExprError(const TkcRegExprErrors* AErrors)
      : EkcEditError(""),
        fErrors(std::make_shared<const TkcRegExprErrors>(AErrors ? *AErrors : TkcRegExprErrors())),
        Errors(fErrors.get()) {}
  const char* ClassName() const override { return "EkcRegExprError"; }

private:
  std::shared_ptr<const TkcRegExprErrors> fErrors;

public:
  const TkcRegExprErrors* Errors;
};

class TkcRegExpr {
public:
  TkcRegExpr();
  ~TkcRegExpr();
  TkcRegExpr(const TkcRegExpr&) = delete;
  TkcRegExpr& operator=(const TkcRegExpr&) = delete;

  // Loads and compiles; raises EkcRegExprError with every error found.
  void Compile(TStream* Source);
  void Compile(const String& Source);
  void Clear();

  bool IsCompiled() const { return fCompiled; }
  bool IsFinal() const;
  bool IsStart() const;
  // Accepts Ch (given the mask's case when CaseInsensitive) and moves on.
  bool Next(char32_t& Ch);
  bool Next(const char32_t& Ch) {
    char32_t c = Ch;
    return Next(c);
  }
  bool Prev();
  void Reset();
  // The characters of Text accepted one after the other from the current state.
  String FilterText(const String& Text);
  void SetUpdateOn(bool Value);
  bool UpdateOn() const { return fUpdateOn; }
  bool CaseInsensitive() const { return fCaseInsensitive; }
  void SetCaseInsensitive(bool Value) { fCaseInsensitive = Value; }
  // The source when compiled, else empty.
  String GetSource() const { return fCompiled ? fSource : String(); }
  const TkcRegExprErrors& Errors() const { return fErrors; }
  const std::vector<TkcLexem>& Lexems() const { return fLexems; }
  // The parsed expression in expression syntax; for inspection.
  String Print() const;
  TkcRegExprAutomat* Automat() const { return fAutomat.get(); }

  std::function<void(char32_t)> OnCharAppended;
  std::function<void(char32_t)> OnCharRemoved;

private:
  friend class TkcRegExprAutomat;
  void CheckCompiled() const;
  void DoCompile(const String& Source);

  std::unique_ptr<TkcRegExprAutomat> fAutomat;
  bool fCaseInsensitive = false;
  bool fCompiled = false;
  TkcRegExprErrors fErrors;
  bool fFirstExpr = true;
  std::vector<TkcLexem> fLexems;
  int32_t fLine = 1;
  String fSource;
  bool fUpdateOn = false;
};
