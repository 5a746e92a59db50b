#pragma once
// Look and feel: the kind (flat, standard, ultra-flat, Office 2003) and whether native themed
// drawing is wanted, inherited along a master chain that ends in one application-wide root,
// and the painter that draws accordingly. System colour changes reach the look-and-feel
// objects, the painters' resources and the Office 2003 colours through a hidden window.

#include <vector>

#include "controls/kcClasses.h"
#include "controls/kcThemeManager.h"

enum TkcLookAndFeelKind { lfFlat, lfStandard, lfUltraFlat, lfOffice11 };
enum TkcLookAndFeelValue { lfvKind, lfvNativeStyle };
using TkcLookAndFeelValues = TSet<TkcLookAndFeelValue, 2>;

class TkcLookAndFeel;
class TkcCustomLookAndFeelPainter;
// Painters are stateless: one instance per painter class stands for the class.
using TkcLookAndFeelPainterClass = TkcCustomLookAndFeelPainter*;

struct IkcLookAndFeelListener : IInterface {
  VT_INTERFACE("{205538BF-F19E-4285-B11F-B182D9635881}")
  virtual TObject* GetObject() = 0;
  virtual void MasterLookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) = 0;
  virtual void MasterLookAndFeelDestroying(TkcLookAndFeel* Sender) = 0;
};

// Told of system colour changes; primary notifiers before ordinary ones.
class TkcSystemPaletteChangedNotifier : public TObject {
  VT_CLASS(TkcSystemPaletteChangedNotifier, TObject)
public:
  explicit TkcSystemPaletteChangedNotifier(bool AIsPrimary = false);
  ~TkcSystemPaletteChangedNotifier() override;
  virtual void NotifyChanged() {
    if (OnSystemPaletteChanged) OnSystemPaletteChanged();
  }
  bool IsPrimary() const { return fIsPrimary; }
  TEvent<void()> OnSystemPaletteChanged;

private:
  bool fIsPrimary;
};

// The hidden window of the palette listener (0 while no notifier exists).
HWND SystemPaletteListenerWindow();

using TkcLookAndFeelChangedEvent = TEvent<void(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues)>;

class TkcLookAndFeel : public TkcInterfacedPersistent, public IkcLookAndFeelListener {
  VT_CLASS(TkcLookAndFeel, TkcInterfacedPersistent)
public:
  explicit TkcLookAndFeel(TPersistent* AOwner);
  ~TkcLookAndFeel() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  void Assign(TPersistent* Source) override;

  TkcLookAndFeelKind Kind() const { return fEffectiveKind; }
  void SetKind(TkcLookAndFeelKind Value);
  bool NativeStyle() const { return fEffectiveNativeStyle; }
  void SetNativeStyle(bool Value);
  TkcLookAndFeelValues AssignedValues() const { return fAssignedValues; }
  void SetAssignedValues(TkcLookAndFeelValues Value);
  void Reset() { SetAssignedValues({}); }
  bool IsRoot() const { return fIsRoot; }

  TkcLookAndFeel* MasterLookAndFeel() const;
  void SetMasterLookAndFeel(TkcLookAndFeel* Value);
  void AddListener(IkcLookAndFeelListener* AListener);
  void RemoveListener(IkcLookAndFeelListener* AListener);

  TkcLookAndFeelPainterClass GetAvailablePainter(TkcThemedObjectTypes ATypes = {}) const;
  TkcLookAndFeelPainterClass GetAvailablePainterForType(TkcThemedObjectType AType) const;
  TkcLookAndFeelPainterClass Painter() const { return GetAvailablePainter(); }

  TkcLookAndFeelChangedEvent OnChanged;

  // IkcLookAndFeelListener
  TObject* GetObject() override { return this; }
  void MasterLookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) override;
  void MasterLookAndFeelDestroying(TkcLookAndFeel* Sender) override;

protected:
  virtual TkcLookAndFeelKind InternalGetKind() const;
  virtual bool InternalGetNativeStyle() const;
  virtual void SystemPaletteChanged();
  void Changed(TkcLookAndFeelValues AChangedValues);

private:
  friend TkcLookAndFeel* RootLookAndFeel();
  struct RootTag {};
  TkcLookAndFeel(TPersistent* AOwner, RootTag);
  void SaveEffective();
  void AnnounceEffectiveChanges();
  TkcLookAndFeelKind fKind = lfUltraFlat;
  bool fNativeStyle = false;
  TkcLookAndFeelValues fAssignedValues;
  TkcLookAndFeelKind fEffectiveKind = lfUltraFlat;
  bool fEffectiveNativeStyle = false;
  TkcLookAndFeel* fMaster = nullptr;
  bool fIsRoot = false;
  std::vector<IkcLookAndFeelListener*> fListeners;
  int fControllerCount = 0;
  std::unique_ptr<TkcSystemPaletteChangedNotifier> fNotifier;
  bool fDestroying = false;
  TkcLookAndFeelKind fSavedKind = lfUltraFlat;
  bool fSavedNativeStyle = false;
};

// The application-wide root (created on first use, freed at exit).
TkcLookAndFeel* RootLookAndFeel();
// Painter style codes (0 flat, 1 standard, 2 ultra-flat, 3 native, 4 Office 2003) to kinds.
TkcLookAndFeelKind StyleCodeToLookAndFeelKind(int AStyleCode);

// Lets a form edit the root look and feel; when the last one goes, the root returns to its defaults.
class TkcLookAndFeelController : public TComponent, public IkcLookAndFeelListener {
  VT_CLASS(TkcLookAndFeelController, TComponent)
public:
  explicit TkcLookAndFeelController(TComponent* AOwner);
  ~TkcLookAndFeelController() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  TkcLookAndFeelKind Kind() const;
  void SetKind(TkcLookAndFeelKind Value);
  bool NativeStyle() const;
  void SetNativeStyle(bool Value);

  TObject* GetObject() override { return this; }
  void MasterLookAndFeelChanged(TkcLookAndFeel*, TkcLookAndFeelValues) override {}
  void MasterLookAndFeelDestroying(TkcLookAndFeel*) override {}
};
