// Character items, state sets and the automaton of the mask expressions.
#include <algorithm>
#include <atomic>
#include <set>

#include "editors/kcRegExpr.h"

// ---- character items ---------------------------------------------------------------------

bool TkcRegExprSymbol::Check(char32_t& Ch, bool CaseInsensitive) const {
  if (Ch == Value) return true;
  if (CaseInsensitive && kcUpperChar(Ch) == kcUpperChar(Value)) {
    Ch = Value;  // typed text takes the mask's case
    return true;
  }
  return false;
}

std::unique_ptr<TkcRegExprItem> TkcRegExprSymbol::Clone() const { return std::make_unique<TkcRegExprSymbol>(Value); }

String TkcRegExprSymbol::Print() const {
  static const std::u32string kSpecial = U"\\'()*+?|.[]{}/:-^ \t\r\n";
  String c = kcCharToStr(Value);
  return kSpecial.find(Value) != std::u32string::npos ? "\\" + c : c;
}

std::unique_ptr<TkcRegExprItem> TkcRegExprDateSeparator::Clone() const {
  return std::make_unique<TkcRegExprDateSeparator>();
}

std::unique_ptr<TkcRegExprItem> TkcRegExprTimeSeparator::Clone() const {
  return std::make_unique<TkcRegExprTimeSeparator>();
}

std::unique_ptr<TkcRegExprItem> TkcRegExprSubrange::Clone() const {
  return std::make_unique<TkcRegExprSubrange>(StartValue, FinishValue);
}

String TkcRegExprSubrange::Print() const {
  return TkcRegExprSymbol(StartValue).Print() + "-" + TkcRegExprSymbol(FinishValue).Print();
}

bool TkcRegExprEnumeration::Check(char32_t& Ch, bool CaseInsensitive) const {
  char32_t c = Ch;
  bool in = Contains(c, CaseInsensitive);
  if (in && !Inverse) Ch = c;
  return in != Inverse;
}

bool TkcRegExprUserEnumeration::Contains(char32_t& Ch, bool CaseInsensitive) const {
  for (const auto& item : Items) {
    char32_t c = Ch;
    if (item->Check(c, CaseInsensitive)) {
      Ch = c;
      return true;
    }
  }
  return false;
}

std::unique_ptr<TkcRegExprItem> TkcRegExprUserEnumeration::Clone() const {
  auto r = std::make_unique<TkcRegExprUserEnumeration>(Inverse);
  for (const auto& item : Items) r->Items.push_back(item->Clone());
  return r;
}

String TkcRegExprUserEnumeration::Print() const {
  String r = Inverse ? "[^" : "[";
  for (const auto& item : Items) r += item->Print();
  return r + "]";
}

std::unique_ptr<TkcRegExprItem> TkcRegExprDigit::Clone() const { return std::make_unique<TkcRegExprDigit>(Inverse); }

bool TkcRegExprIdLetter::Contains(char32_t& Ch, bool) const {
  return (Ch >= U'a' && Ch <= U'z') || (Ch >= U'A' && Ch <= U'Z') || (Ch >= U'0' && Ch <= U'9') || Ch == U'_';
}

std::unique_ptr<TkcRegExprItem> TkcRegExprIdLetter::Clone() const {
  return std::make_unique<TkcRegExprIdLetter>(Inverse);
}

bool TkcRegExprSpace::Contains(char32_t& Ch, bool) const {
  return Ch == U' ' || Ch == 0 || Ch == U'\t' || Ch == U'\n' || Ch == U'\f' || Ch == U'\r';
}

std::unique_ptr<TkcRegExprItem> TkcRegExprSpace::Clone() const { return std::make_unique<TkcRegExprSpace>(Inverse); }

std::unique_ptr<TkcRegExprItem> TkcRegExprAll::Clone() const { return std::make_unique<TkcRegExprAll>(); }

// ---- state sets --------------------------------------------------------------------------

// One walk over the states: every state is taken once, so duplicates never enter the result and
// groups that repeat while matching nothing cannot loop. The walk is iterative and visits the
// states in the order a depth-first recursion would.
class TkcRegExprWalk {
public:
  TkcRegExprWalk() : fId(++sCounter) {}

  // Closure (Ch == nullptr) or step on *Ch from the successors of every member of From.
  TkcRegExprStates Run(const TkcRegExprStates& From, char32_t* Ch, bool CaseInsensitive) {
    TkcRegExprStates out;
    bool found = false;
    char32_t converted = Ch ? *Ch : 0;
    std::vector<TkcRegExprState*> stack;
    for (TkcRegExprSimpleState* member : From.fStates) {
      for (auto it = member->Next.rbegin(); it != member->Next.rend(); ++it) stack.push_back(*it);
      while (!stack.empty()) {
        TkcRegExprState* s = stack.back();
        stack.pop_back();
        if (s->fVisited == fId) continue;
        s->fVisited = fId;
        if (s->IsBlock()) {
          for (auto it = s->Next.rbegin(); it != s->Next.rend(); ++it)
            if ((*it)->fVisited != fId) stack.push_back(*it);
          continue;
        }
        auto* simple = static_cast<TkcRegExprSimpleState*>(s);
        if (!Ch) {
          out.fStates.push_back(simple);
          continue;
        }
        char32_t c = *Ch;
        if (simple->Item && simple->Item->Check(c, CaseInsensitive)) {
          out.fStates.push_back(simple);
          if (!found) converted = c;
          found = true;
        }
      }
    }
    if (Ch) *Ch = converted;
    return out;
  }

  // True when State was not taken yet in this walk; it is taken now.
  bool Take(TkcRegExprState* State) {
    if (State->fVisited == fId) return false;
    State->fVisited = fId;
    return true;
  }

private:
  static inline std::atomic<uint64_t> sCounter{0};
  uint64_t fId;
};

void TkcRegExprStates::Add(TkcRegExprSimpleState* State) {
  if (std::find(fStates.begin(), fStates.end(), State) == fStates.end()) fStates.push_back(State);
}

void TkcRegExprStates::Union(const TkcRegExprStates& Other) {
  TkcRegExprWalk walk;
  for (auto* s : fStates) walk.Take(s);
  for (auto* s : Other.fStates)
    if (walk.Take(s)) fStates.push_back(s);
}

TkcRegExprStates TkcRegExprStates::Step(char32_t& Ch, bool CaseInsensitive) const {
  return TkcRegExprWalk().Run(*this, &Ch, CaseInsensitive);
}

TkcRegExprStates TkcRegExprStates::PossibleNext() const { return TkcRegExprWalk().Run(*this, nullptr, false); }

bool TkcRegExprStates::HasFinal() const {
  return std::any_of(fStates.begin(), fStates.end(), [](auto* s) { return s->IsFinal; });
}

bool TkcRegExprStates::UniqueSymbol(char32_t& Ch) const {
  if (fStates.empty()) return false;
  char32_t first = 0;
  for (size_t i = 0; i < fStates.size(); ++i) {
    const TkcRegExprItem* item = fStates[i]->Item.get();
    char32_t c;
    if (auto* sym = dynamic_cast<const TkcRegExprSymbol*>(item))
      c = sym->Value;
    else if (dynamic_cast<const TkcRegExprDateSeparator*>(item))
      c = kcDateSeparator();
    else if (dynamic_cast<const TkcRegExprTimeSeparator*>(item))
      c = kcTimeSeparator();
    else
      return false;
    if (i == 0)
      first = c;
    else if (c != first)
      return false;
  }
  Ch = first;
  return true;
}

// ---- automaton ---------------------------------------------------------------------------

namespace {

// The entry states of the items from Index on, up to and including the first that cannot be
// missing.
void AddEntries(const TkcRegExprParserAlt& Alt, size_t Index, TkcRegExprState* To) {
  for (size_t i = Index; i < Alt.size(); ++i) {
    To->AddNext(Alt[i]->EntryState());
    if (!Alt[i]->CanMissing()) break;
  }
}

bool AllMissing(const TkcRegExprParserAlt& Alt) {
  return std::all_of(Alt.begin(), Alt.end(), [](const auto& item) { return item->CanMissing(); });
}

void LinkAlt(const TkcRegExprParserAlt& Alt) {
  for (size_t i = 0; i < Alt.size(); ++i) {
    TkcRegExprParserItem* item = Alt[i].get();
    auto* block = dynamic_cast<TkcRegExprParserBlockItem*>(item);
    TkcRegExprState* exit = item->ExitState();
    AddEntries(Alt, i + 1, exit);
    if (item->CanRepeat()) exit->AddNext(item->EntryState());
    if (!block) continue;
    for (const auto& alt : block->Alts) AddEntries(alt, 0, block->Entry.get());
    if (std::any_of(block->Alts.begin(), block->Alts.end(), AllMissing)) block->Entry->AddNext(block->Exit.get());
    for (const auto& alt : block->Alts) {
      LinkAlt(alt);
      for (size_t k = alt.size(); k-- > 0;) {
        alt[k]->ExitState()->AddNext(block->Exit.get());
        if (!alt[k]->CanMissing()) break;
      }
    }
  }
}

// A group that holds no character at all, as b{0}: it matches only the empty text.
bool IsVoid(const TkcRegExprParserItem& Item) {
  auto* block = dynamic_cast<const TkcRegExprParserBlockItem*>(&Item);
  return block && !block->Alts.empty() && std::all_of(block->Alts.begin(), block->Alts.end(), [](const auto& alt) {
           return std::all_of(alt.begin(), alt.end(), [](const auto& item) { return IsVoid(*item); });
         });
}

// The last items of an alternative are final up to and including the first that cannot be
// missing; a void group has no state to be final, so the items before it are (a+b{0}).
void SetAltFinal(const TkcRegExprParserAlt& Alt) {
  for (size_t k = Alt.size(); k-- > 0;) {
    Alt[k]->SetFinal();
    if (!Alt[k]->CanMissing() && !IsVoid(*Alt[k])) break;
  }
}

bool AllMissingOrVoid(const TkcRegExprParserAlt& Alt) {
  return std::all_of(Alt.begin(), Alt.end(), [](const auto& item) { return item->CanMissing() || IsVoid(*item); });
}

}  // namespace

void TkcRegExprParserBlockItem::SetFinal() {
  for (const auto& alt : Alts) SetAltFinal(alt);
}

TkcRegExprAutomat::TkcRegExprAutomat(TkcRegExprParserAlts AExpr, TkcRegExpr* AOwner)
    : Expr(std::move(AExpr)), Owner(AOwner), StartState(std::make_unique<TkcRegExprSimpleState>()) {
  for (const auto& alt : Expr) {
    LinkAlt(alt);
    SetAltFinal(alt);
    AddEntries(alt, 0, StartState.get());
    if (AllMissingOrVoid(alt)) StartState->IsFinal = true;
  }
  Reset();
}

TkcRegExprAutomat::~TkcRegExprAutomat() = default;

bool TkcRegExprAutomat::Next(char32_t& Ch, bool CaseInsensitive) {
  char32_t c = Ch;
  TkcRegExprStates s = Current.Step(c, CaseInsensitive);
  if (s.Empty()) return false;
  History.push_back(std::move(Current));
  Current = std::move(s);
  Ch = c;
  return true;
}

bool TkcRegExprAutomat::Prev() {
  if (History.empty()) return false;
  Current = std::move(History.back());
  History.pop_back();
  return true;
}

void TkcRegExprAutomat::Reset() {
  History.clear();
  Current = TkcRegExprStates();
  Current.Add(StartState.get());
}

bool TkcRegExprAutomat::IsStart() const { return !Current.Empty() && Current.States().front() == StartState.get(); }

void TkcRegExprAutomat::AutoCompleteForward() {
  // The forced path is a function of the state set: once a set comes back the path is a loop
  // that no final state ends (a+ with nothing after it that can end), and completion stops.
  std::set<std::vector<TkcRegExprSimpleState*>> seen;  // a long forced run must stay n log n
  auto key = [](const TkcRegExprStates& s) {
    std::vector<TkcRegExprSimpleState*> k = s.States();
    std::sort(k.begin(), k.end());
    return k;
  };
  char32_t c;
  while (!Current.HasFinal()) {
    TkcRegExprStates next = Current.PossibleNext();
    if (!next.UniqueSymbol(c)) break;
    if (!seen.insert(key(next)).second) break;
    if (Owner && Owner->OnCharAppended) Owner->OnCharAppended(c);
    History.push_back(std::move(Current));
    Current = std::move(next);
  }
}

void TkcRegExprAutomat::StepBackForced() {
  char32_t c;
  while (Current.UniqueSymbol(c) && !History.empty()) {
    TkcRegExprStates& p = History.back();
    char32_t forced;
    if (p.HasFinal() || !p.PossibleNext().UniqueSymbol(forced)) break;
    if (Owner && Owner->OnCharRemoved) Owner->OnCharRemoved(c);
    Current = std::move(p);
    History.pop_back();
  }
}

String TkcRegExprAutomat::Print() const {
  String r;
  for (size_t i = 0; i < Expr.size(); ++i) {
    if (i) r += "|";
    for (const auto& item : Expr[i]) r += item->Print();
  }
  return r;
}
