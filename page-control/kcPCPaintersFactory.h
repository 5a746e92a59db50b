#pragma once
// The registry of tab painter styles: one process-wide list of painter classes in registration
// order, looked up by style id or by look and feel, and the maker of painter instances.

#include <vector>

#include "controls/kcLookAndFeel.h"

class TkcCustomTabControl;
class TkcPCCustomPainter;
using TkcPCStyleID = int;

// A painter class: the class-level answers of a style and its constructor.
class TkcPCPainterClassInfo {
public:
  virtual ~TkcPCPainterClassInfo() = default;
  virtual TkcPCStyleID GetStyleID() const = 0;
  virtual String GetStyleName() const = 0;
  virtual bool HasLookAndFeel(TkcLookAndFeel* ALookAndFeel) const = 0;
  virtual bool IsDefaultForLookAndFeel(TkcLookAndFeel* ALookAndFeel) const = 0;
  virtual bool AllowRotate() const = 0;
  virtual TkcPCCustomPainter* Create(TkcCustomTabControl* AParent) const = 0;
};
using TkcPCPainterClass = const TkcPCPainterClassInfo*;

// The class object of painter P: P's static class methods (a derived painter hides its base's).
template <class P>
class TkcPCPainterClassOf final : public TkcPCPainterClassInfo {
public:
  static TkcPCPainterClass Instance() {
    static const TkcPCPainterClassOf instance;
    return &instance;
  }
  TkcPCStyleID GetStyleID() const override { return P::ClassStyleID(); }
  String GetStyleName() const override { return P::ClassStyleName(); }
  bool HasLookAndFeel(TkcLookAndFeel* L) const override { return P::ClassHasLookAndFeel(L); }
  bool IsDefaultForLookAndFeel(TkcLookAndFeel* L) const override { return P::ClassIsDefaultForLookAndFeel(L); }
  bool AllowRotate() const override { return P::ClassAllowRotate(); }
  TkcPCCustomPainter* Create(TkcCustomTabControl* AParent) const override { return new P(AParent); }
};

class TkcPCPaintersFactory : public TObject {
  VT_CLASS(TkcPCPaintersFactory, TObject)
public:
  int PainterClassCount() const { return int(fPainterClassList.size()); }
  TkcPCPainterClass PainterClasses(int Index) const { return fPainterClassList.at(Index); }
  TkcPCPainterClass GetPainterClass(TkcPCStyleID AStyleID) const;
  TkcPCStyleID GetStyleIDByLookAndFeel(TkcLookAndFeel* ALookAndFeel) const;
  TkcPCStyleID GetDefaultStyleID(TkcLookAndFeel* ALookAndFeel) const;
  TkcPCCustomPainter* GetPainterInstance(TkcPCPainterClass APainterClass, TkcCustomTabControl* AParent) const;
  void FreePainter(TkcPCCustomPainter* APainter) const;

private:
  friend void RegisterPCPainterClass(TkcPCPainterClass);
  friend void UnregisterPCPainterClass(TkcPCPainterClass);
  std::vector<TkcPCPainterClass> fPainterClassList;
};

void RegisterPCPainterClass(TkcPCPainterClass APainterClass);
// Frees the factory with the last class.
void UnregisterPCPainterClass(TkcPCPainterClass APainterClass);
// Nil before the first registration.
TkcPCPaintersFactory* PaintersFactory();
// The library's styles, registered in their fixed order (once; the painters module does it
// when a tab control is first made).
void RegisterStandardPCPainters();
