#include "controls/kcLookAndFeel.h"

#include <algorithm>

#include "controls/kcLookAndFeelPainters.h"
#include "controls/kcOffice11.h"
#include "platform/win/Windows.h"

// ---- System palette listener ----------------------------------------------------------------

namespace {

struct PaletteListener {
  HWND wnd;
  std::vector<TkcSystemPaletteChangedNotifier*> primary, ordinary;
  static void WndProc(TMessage& Message);
  PaletteListener() { AddOffice11ColorsUser(); }
  ~PaletteListener() {
    if (IsWindow(wnd)) DeallocateHWnd(wnd);
    RemoveOffice11ColorsUser();
  }
  // A window destroyed from outside (a test session ending) is made again.
  void EnsureWindow() {
    if (!IsWindow(wnd)) wnd = AllocateHWnd(&PaletteListener::WndProc);
  }
};
PaletteListener* gPaletteListener = nullptr;

bool IsListed(const std::vector<TkcSystemPaletteChangedNotifier*>& list, TkcSystemPaletteChangedNotifier* n) {
  return std::find(list.begin(), list.end(), n) != list.end();
}

void PaletteListener::WndProc(TMessage& Message) {
  HWND wnd = gPaletteListener ? gPaletteListener->wnd : HWND();
  if (Message.Msg == WM_SYSCOLORCHANGE && gPaletteListener) {
    try {
      RecomputeOffice11Colors();
      for (auto* list : {&gPaletteListener->primary, &gPaletteListener->ordinary}) {
        auto snapshot = *list;
        for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it)
          if (gPaletteListener && IsListed(*list, *it)) (*it)->NotifyChanged();
      }
    } catch (...) {
      // A notifier's failure goes to the application and the message still reaches the default.
      HandleException(std::current_exception());
    }
  }
  Message.Result = DefWindowProc(wnd, Message.Msg, Message.WParam, Message.LParam);
}

TkcLookAndFeel* gRoot = nullptr;
bool gCreatingRoot = false;

}  // namespace

TkcSystemPaletteChangedNotifier::TkcSystemPaletteChangedNotifier(bool AIsPrimary) : fIsPrimary(AIsPrimary) {
  if (!gPaletteListener) gPaletteListener = new PaletteListener;
  gPaletteListener->EnsureWindow();
  (fIsPrimary ? gPaletteListener->primary : gPaletteListener->ordinary).push_back(this);
}

TkcSystemPaletteChangedNotifier::~TkcSystemPaletteChangedNotifier() {
  if (!gPaletteListener) return;
  auto& list = fIsPrimary ? gPaletteListener->primary : gPaletteListener->ordinary;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (gPaletteListener->primary.empty() && gPaletteListener->ordinary.empty()) {
    delete gPaletteListener;
    gPaletteListener = nullptr;
  }
}

HWND SystemPaletteListenerWindow() {
  if (!gPaletteListener) return HWND();
  gPaletteListener->EnsureWindow();
  return gPaletteListener->wnd;
}

// ---- TkcLookAndFeel -------------------------------------------------------------------------

TkcLookAndFeel* RootLookAndFeel() {
  if (!gRoot && !gCreatingRoot) {
    gCreatingRoot = true;
    gRoot = new TkcLookAndFeel(nullptr, TkcLookAndFeel::RootTag{});
    gCreatingRoot = false;
  }
  return gRoot;
}

TkcLookAndFeel::TkcLookAndFeel(TPersistent* AOwner, RootTag) : TkcInterfacedPersistent(AOwner) {
  fIsRoot = true;
  fNotifier = std::make_unique<TkcSystemPaletteChangedNotifier>();
  fNotifier->OnSystemPaletteChanged = [this] { SystemPaletteChanged(); };
  fEffectiveKind = InternalGetKind();
  fEffectiveNativeStyle = InternalGetNativeStyle();
}

TkcLookAndFeel::TkcLookAndFeel(TPersistent* AOwner) : TkcInterfacedPersistent(AOwner) {
  fNotifier = std::make_unique<TkcSystemPaletteChangedNotifier>();
  fNotifier->OnSystemPaletteChanged = [this] { SystemPaletteChanged(); };
  if (TkcLookAndFeel* root = RootLookAndFeel()) root->AddListener(this);
  fEffectiveKind = InternalGetKind();
  fEffectiveNativeStyle = InternalGetNativeStyle();
}

TkcLookAndFeel::~TkcLookAndFeel() {
  fNotifier.reset();
  fDestroying = true;
  for (std::size_t i = 0; i < fListeners.size(); ++i) fListeners[i]->MasterLookAndFeelDestroying(this);
  fListeners.clear();
  if (TkcLookAndFeel* master = MasterLookAndFeel()) master->RemoveListener(this);
  if (fIsRoot && gRoot == this) gRoot = nullptr;
}

bool TkcLookAndFeel::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcLookAndFeelListener>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

TkcLookAndFeelKind TkcLookAndFeel::InternalGetKind() const {
  if (fAssignedValues.Contains(lfvKind)) return fKind;
  if (fIsRoot) return lfUltraFlat;
  TkcLookAndFeel* master = MasterLookAndFeel();
  return master ? master->Kind() : lfUltraFlat;
}

bool TkcLookAndFeel::InternalGetNativeStyle() const {
  if (fAssignedValues.Contains(lfvNativeStyle)) return fNativeStyle;
  if (fIsRoot) return false;
  TkcLookAndFeel* master = MasterLookAndFeel();
  return master ? master->NativeStyle() : false;
}

void TkcLookAndFeel::SystemPaletteChanged() { Changed({lfvNativeStyle}); }

TkcLookAndFeel* TkcLookAndFeel::MasterLookAndFeel() const {
  if (fIsRoot) return nullptr;
  return fMaster ? fMaster : gRoot;
}

void TkcLookAndFeel::SaveEffective() {
  fSavedKind = fEffectiveKind;
  fSavedNativeStyle = fEffectiveNativeStyle;
}

void TkcLookAndFeel::AnnounceEffectiveChanges() {
  TkcLookAndFeelValues changed;
  if (InternalGetKind() != fSavedKind) changed.Include(lfvKind);
  if (InternalGetNativeStyle() != fSavedNativeStyle) changed.Include(lfvNativeStyle);
  Changed(changed);
}

void TkcLookAndFeel::SetKind(TkcLookAndFeelKind Value) {
  SaveEffective();
  fAssignedValues.Include(lfvKind);
  fKind = Value;
  AnnounceEffectiveChanges();
}

void TkcLookAndFeel::SetNativeStyle(bool Value) {
  SaveEffective();
  fAssignedValues.Include(lfvNativeStyle);
  fNativeStyle = Value;
  AnnounceEffectiveChanges();
}

void TkcLookAndFeel::SetAssignedValues(TkcLookAndFeelValues Value) {
  if (fAssignedValues == Value) return;
  SaveEffective();
  fAssignedValues = Value;
  AnnounceEffectiveChanges();
}

void TkcLookAndFeel::SetMasterLookAndFeel(TkcLookAndFeel* Value) {
  if (fIsRoot || Value == this || Value == MasterLookAndFeel()) return;
  SaveEffective();
  if (TkcLookAndFeel* old = MasterLookAndFeel()) old->RemoveListener(this);
  fMaster = Value;
  if (TkcLookAndFeel* now = MasterLookAndFeel()) now->AddListener(this);
  AnnounceEffectiveChanges();
}

void TkcLookAndFeel::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcLookAndFeel*>(Source)) {
    SaveEffective();
    fKind = s->fKind;
    fNativeStyle = s->fNativeStyle;
    fAssignedValues = s->fAssignedValues;
    TkcLookAndFeel* master = s->MasterLookAndFeel();
    if (!fIsRoot && master != this && master != MasterLookAndFeel()) {
      if (TkcLookAndFeel* old = MasterLookAndFeel()) old->RemoveListener(this);
      fMaster = master;
      if (TkcLookAndFeel* now = MasterLookAndFeel()) now->AddListener(this);
    }
    AnnounceEffectiveChanges();
    return;
  }
  inherited::Assign(Source);
}

void TkcLookAndFeel::AddListener(IkcLookAndFeelListener* AListener) {
  if (!AListener) return;
  bool isController = dynamic_cast<TkcLookAndFeelController*>(AListener->GetObject()) != nullptr;
  if (isController && !fIsRoot) return;
  if (std::find(fListeners.begin(), fListeners.end(), AListener) != fListeners.end()) return;
  fListeners.push_back(AListener);
  if (isController) ++fControllerCount;
}

void TkcLookAndFeel::RemoveListener(IkcLookAndFeelListener* AListener) {
  if (!AListener || fDestroying) return;
  auto it = std::find(fListeners.begin(), fListeners.end(), AListener);
  if (it == fListeners.end()) return;
  fListeners.erase(it);
  if (dynamic_cast<TkcLookAndFeelController*>(AListener->GetObject()) && --fControllerCount == 0) Reset();
}

void TkcLookAndFeel::Changed(TkcLookAndFeelValues AChangedValues) {
  if (AChangedValues.Empty() || fDestroying) return;
  fEffectiveKind = InternalGetKind();
  fEffectiveNativeStyle = InternalGetNativeStyle();
  std::size_t i = 0;
  while (i < fListeners.size()) {
    std::size_t count = fListeners.size();
    fListeners[i]->MasterLookAndFeelChanged(this, AChangedValues);
    if (fListeners.size() == count) ++i;
  }
  if (OnChanged) OnChanged(this, AChangedValues);
}

void TkcLookAndFeel::MasterLookAndFeelChanged(TkcLookAndFeel*, TkcLookAndFeelValues AChangedValues) {
  Changed(AChangedValues - fAssignedValues);
}

void TkcLookAndFeel::MasterLookAndFeelDestroying(TkcLookAndFeel*) { SetMasterLookAndFeel(nullptr); }

TkcLookAndFeelPainterClass TkcLookAndFeel::GetAvailablePainter(TkcThemedObjectTypes ATypes) const {
  if (NativeStyle() && AreThemesAvailable(ATypes)) return TkcWinXPLookAndFeelPainter::Instance();
  return PainterOfKind(Kind());
}

TkcLookAndFeelPainterClass TkcLookAndFeel::GetAvailablePainterForType(TkcThemedObjectType AType) const {
  return GetAvailablePainter(TkcThemedObjectTypes{AType});
}

TkcLookAndFeelKind StyleCodeToLookAndFeelKind(int AStyleCode) {
  switch (AStyleCode) {
    case 0: return lfFlat;
    case 2: return lfUltraFlat;
    case 4: return lfOffice11;
    default: return lfStandard;
  }
}

// ---- TkcLookAndFeelController ---------------------------------------------------------------

TkcLookAndFeelController::TkcLookAndFeelController(TComponent* AOwner) : TComponent(AOwner) {
  if (TkcLookAndFeel* root = RootLookAndFeel()) root->AddListener(this);
}

TkcLookAndFeelController::~TkcLookAndFeelController() {
  if (gRoot) gRoot->RemoveListener(this);
}

bool TkcLookAndFeelController::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcLookAndFeelListener>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

TkcLookAndFeelKind TkcLookAndFeelController::Kind() const { return gRoot ? gRoot->Kind() : lfUltraFlat; }
void TkcLookAndFeelController::SetKind(TkcLookAndFeelKind Value) {
  if (TkcLookAndFeel* root = RootLookAndFeel()) root->SetKind(Value);
}
bool TkcLookAndFeelController::NativeStyle() const { return gRoot ? gRoot->NativeStyle() : false; }
void TkcLookAndFeelController::SetNativeStyle(bool Value) {
  if (TkcLookAndFeel* root = RootLookAndFeel()) root->SetNativeStyle(Value);
}
