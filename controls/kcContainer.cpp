#include "controls/kcContainer.h"

#include <algorithm>

#include "controls/kcOffice11.h"
#include "platform/core/Math.h"

namespace {

std::vector<TkcCustomPopupWindow*>& PopupList() {
  static std::vector<TkcCustomPopupWindow*> list;
  return list;
}

bool IsShownPopup(TkcCustomPopupWindow* APopup) {
  const auto& list = PopupList();
  return std::find(list.begin(), list.end(), APopup) != list.end();
}

TkcStyleController* gDefaultStyleController = nullptr;

}  // namespace

int GetContainerBorderWidth(TkcContainerBorderStyle AStyle) {
  static const int widths[] = {0, 1, 2, 2, 2, 1, 1};
  return widths[AStyle];
}

int GetDefaultBorderWidthOfKind(TkcLookAndFeelKind AKind) {
  static const int widths[] = {2, 2, 1, 1};
  return widths[AKind];
}

// ---- Window relations -----------------------------------------------------------------------

bool IsChildWindowOfControl(TWinControl* AControl, HWND AWindow) {
  return AControl->HandleAllocated() && IsChild(AControl->Handle(), AWindow);
}

bool IsWindowOfControl(TWinControl* AControl, HWND AWindow, bool ARelated) {
  if (!AControl) return false;
  if (AControl->HandleAllocated() && AControl->Handle() == AWindow) return true;
  return ARelated && IsRelatedWindow(AControl, AWindow);
}

bool IsRelatedWindow(TWinControl* AControl, HWND AWindow) {
  if (!AControl || !AWindow) return false;
  if (AControl->HandleAllocated() && AControl->Handle() == AWindow) return false;
  return IsChildWindowOfControl(AControl, AWindow) || IsWindowInPopups(AControl, AWindow);
}

namespace {
bool SearchInside(TWinControl* AControl, HWND AWindow) {
  for (int i = 0; i < AControl->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(AControl->Controls(i));
    if (!child) continue;
    if (child->HandleAllocated() && child->Handle() == AWindow) return true;
    if (SearchInside(child, AWindow)) return true;
    if (IsChildWindowOfControl(child, AWindow)) return true;
  }
  return false;
}

bool SearchPopup(TkcCustomPopupWindow* APopup, HWND AWindow) {
  return (APopup->HandleAllocated() && APopup->Handle() == AWindow) || SearchInside(APopup, AWindow);
}
}  // namespace

bool IsWindowInPopups(TWinControl* AControl, HWND AWindow) {
  if (SearchInside(AControl, AWindow)) return true;
  std::vector<TkcCustomPopupWindow*> popups = PopupList();
  if (auto* self = dynamic_cast<TkcCustomPopupWindow*>(AControl)) {
    for (auto* p : popups)
      if (p != self && p->OwnerControl() && p->OwnerControl()->GetParentForm() == self && SearchPopup(p, AWindow))
        return true;
  }
  for (auto* p : popups)
    if (p->OwnerControl() == AControl && SearchPopup(p, AWindow)) return true;
  return false;
}

bool IsWindowInControlForm(TControl* AControl, HWND AWindow) {
  if (!AControl) return false;
  TCustomForm* form = AControl->GetParentForm();
  if (!form) return false;
  if (IsWindowOfControl(form, AWindow, true)) return true;
  return false;
}

HWND FindNonChildParentWindow(HWND AWindow) {
  for (HWND w = AWindow; w; w = GetParent(w))
    if (!HasChildWindowStyle(w)) return w;
  return HWND();
}

TkcContainer* GetContainerOfControl(TControl* AControl) {
  if (auto* container = dynamic_cast<TkcContainer*>(AControl)) return container;
  IkcContainerInnerControl* inner;
  if (AControl && Supports(static_cast<TObject*>(AControl), inner)) return inner->GetControlContainer();
  return nullptr;
}

bool HasOpenPopupWindow(TControl* AControl) {
  TkcContainer* container = GetContainerOfControl(AControl);
  return container && container->HasPopupWindow();
}

bool IsWindowVisibleControl(TWinControl* AControl) {
  return AControl->HandleAllocated() && IsWindowVisible(AControl->Handle());
}

bool RemoveMessages(HWND AWindow, UINT AMinMessage, UINT AMaxMessage, bool AAll) {
  bool removed = false;
  MSG msg;
  while (PeekMessage(&msg, AWindow, AMinMessage, AMaxMessage, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    removed = true;
    if (!AAll) break;
  }
  return removed;
}

int ConvertMouseButton(TMouseButton AButton) {
  switch (AButton) {
    case mbLeft: return 1;
    case mbRight: return 2;
    default: return 3;
  }
}

// ---- Regions and drawing --------------------------------------------------------------------

TkcRegion* CreateContainerWindowRegion(const TRect& R, bool ANoRegion, bool AShadow, const TRect& AExcludeRect) {
  if (ANoRegion) return nullptr;
  auto* region = new TkcRegion(R);
  if (AShadow) {
    TRect shadow = R;
    OffsetRect(&shadow, 3, 3);
    region->CombineWith(new TkcRegion(shadow), roAdd);
  }
  if (!IsRectEmpty(&AExcludeRect)) region->CombineWith(new TkcRegion(AExcludeRect), roSubtract);
  return region;
}

void ApplyWindowRegion(HWND AWindow, const TRect& R, bool ANoRegion, bool AShadow, const TRect& AExcludeRect) {
  std::unique_ptr<TkcRegion> region(CreateContainerWindowRegion(R, ANoRegion, AShadow, AExcludeRect));
  TkcRegion present;
  bool hasRegion = GetWindowRgn(AWindow, present.Handle()) != ERROR && !present.IsEmpty();
  bool differs = region ? !hasRegion || !region->SameAs(&present) : hasRegion;
  if (!differs) return;
  SetWindowRgn(AWindow, region ? region->ReleaseHandle() : HRGN(), TRUE);
}

void SetWindowRegionFromRect(TWinControl* AControl, const TkcControlArea& AArea) {
  if (!AControl->HandleAllocated()) return;
  SetWindowRgn(AControl->Handle(), AArea.Full ? HRGN() : CreateRectRgnIndirect(AArea.Rect), TRUE);
}

void PaintContainerShadow(TkcCanvas* ACanvas, const TRect& R) {
  TRect bottom{R.left + 3, R.bottom, R.right, R.bottom + 3};
  TRect right{R.right, R.top + 3, R.right + 3, R.bottom + 3};
  ACanvas->SetBrushColor(clBtnShadow);
  ACanvas->FillRect(bottom, nullptr, true);
  ACanvas->FillRect(right, nullptr, true);
}

void ExpandRectByEdges(TRect& R, int AWidth, TkcBorders AEdges) {
  if (AEdges.Contains(bLeft)) R.left -= AWidth;
  if (AEdges.Contains(bTop)) R.top -= AWidth;
  if (AEdges.Contains(bRight)) R.right += AWidth;
  if (AEdges.Contains(bBottom)) R.bottom += AWidth;
}

void ShrinkRectOnMissingEdges(TRect& R, int AWidth, TkcBorders AEdges) {
  if (!AEdges.Contains(bLeft)) R.left += AWidth;
  if (!AEdges.Contains(bTop)) R.top += AWidth;
  if (!AEdges.Contains(bRight)) R.right -= AWidth;
  if (!AEdges.Contains(bBottom)) R.bottom -= AWidth;
}

namespace {
// The bands of R around Inner (left, top, right, bottom).
std::vector<TRect> BandsAround(const TRect& R, const TRect& AInner) {
  return {TRect{R.left, R.top, AInner.left, R.bottom}, TRect{AInner.left, R.top, AInner.right, AInner.top},
          TRect{AInner.right, R.top, R.right, R.bottom}, TRect{AInner.left, AInner.bottom, AInner.right, R.bottom}};
}
}  // namespace

void FillRectExcluding(TkcCanvas* ACanvas, const TRect& R, const TRect& AInner, TColor AColor) {
  if (IsRectEmpty(&R) || R == AInner) return;
  if (IsRectEmpty(&AInner)) {
    ACanvas->FillRect(R, AColor);
    return;
  }
  for (const TRect& band : BandsAround(R, AInner)) ACanvas->FillRect(band, AColor);
}

void InvalidateRectExcluding(HWND AWindow, const TRect& R, const TRect& AInner, bool AErase) {
  if (IsRectEmpty(&R) || R == AInner) return;
  if (IsRectEmpty(&AInner)) {
    InvalidateRect(AWindow, &R, AErase);
    return;
  }
  for (const TRect& band : BandsAround(R, AInner))
    if (!IsRectEmpty(&band)) InvalidateRect(AWindow, &band, AErase);
}

bool CanUseNativeStyle(bool ANativeStyle, TkcThemedObjectType AType) {
  return ANativeStyle && IsThemeObjectAvailable(AType);
}

bool IsScrollBarInfoAvailable() { return true; }

bool GetWindowScrollBarInfo(HWND AWindow, LONG AObjectId, SCROLLBARINFO& AInfo) {
  AInfo.cbSize = 60;
  return GetScrollBarInfo(AWindow, AObjectId, &AInfo);
}

TkcScreenCanvas* GetContainerScreenCanvas() {
  static TkcScreenCanvas* canvas = new TkcScreenCanvas;
  return canvas;
}

// ---- View info ------------------------------------------------------------------------------

void TkcContainerViewInfo::DrawBorder(TkcCanvas* ACanvas, const TRect& R) {
  switch (BorderStyle) {
    case cbsSingle:
    case cbsThick: ACanvas->FrameRect(R, BorderColor, BorderWidth); break;
    case cbsFlat:
      ACanvas->DrawEdge(R, true, false, Edges);
      ACanvas->FrameRect(TRect{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1}, clBtnFace);
      break;
    case cbs3D: {
      ACanvas->DrawEdge(R, true, false, Edges);
      TRect inner{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
      ACanvas->DrawTwoColorFrame(inner, cl3DDkShadow, cl3DLight, Edges);
      break;
    }
    default: break;
  }
}

void TkcContainerViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  if (!NativeStyle) {
    TRect r = BorderRect;
    r.left -= BorderWidth;
    r.top -= BorderWidth;
    if (Edges.Contains(bRight)) r.right += BorderWidth;
    if (Edges.Contains(bBottom)) r.bottom += BorderWidth;
    if (Shadow) PaintContainerShadow(ACanvas, r);
    if (!Edges.Contains(bRight)) r.right += BorderWidth;
    if (!Edges.Contains(bBottom)) r.bottom += BorderWidth;
    DrawBorder(ACanvas, r);
    ACanvas->FillRect(BorderRect, BackgroundColor);
    return;
  }
  if (BorderStyle == cbsNone) {
    ACanvas->FillRect(Bounds, BackgroundColor);
    return;
  }
  HTHEME theme = GetThemeHandle(ThemedObjectType);
  RECT content = Bounds;
  GetThemeBackgroundContentRect(theme, ACanvas->Handle(), NativePart, NativeState, &Bounds, &content);
  ACanvas->FillRect(content, BackgroundColor);
  COLORREF border = ColorToRGB(clBtnShadow);
  GetThemeColor(GetThemeHandle(totComboBox), 1, 1, 3801, &border);
  FillRectExcluding(ACanvas, Bounds, content, static_cast<TColor>(border));
}

void TkcContainerViewInfo::OffsetBounds(int DX, int DY) {
  OffsetRect(&BorderRect, DX, DY);
  OffsetRect(&Bounds, DX, DY);
  OffsetRect(&ClientRect, DX, DY);
}

// ---- Container styles -----------------------------------------------------------------------

TkcStyleController* GetDefaultStyleControllerInstance() { return gDefaultStyleController; }
void SetDefaultStyleControllerInstance(TkcStyleController* AController) { gDefaultStyleController = AController; }

TkcContainerStyle::TkcContainerStyle(TPersistent* AOwner, bool AIsLightweight, TkcContainerStyle* AParentStyle,
                                     TkcContainerStyleState AState)
    : fOwner(AOwner),
      fParentStyle(AState == cssNormal ? nullptr : AParentStyle),
      fState(AState),
      fLightweight(AIsLightweight),
      fVisibleFont(std::make_unique<TFont>()) {
  if (IsBaseStyle()) {
    fLookAndFeel = std::make_unique<TkcLookAndFeel>(this);
    fLookAndFeel->OnChanged = [this](TkcLookAndFeel*, TkcLookAndFeelValues) { Changed(); };
    if (!fLightweight) {
      fFont = new TFont;
      fOwnsFont = true;
      fFont->OnChange = TNotifyEvent(this, &TkcContainerStyle::FontChanged);
    }
    // A style of the default controller itself does not listen to it.
    fStyleController = GetDefaultStyleController();
    if (fStyleController && fOwner == fStyleController) fStyleController = nullptr;
    if (fStyleController) fStyleController->AddListener(this);
  }
}

TkcContainerStyle::~TkcContainerStyle() {
  fDestroying = true;
  if (IsBaseStyle() && fStyleController) fStyleController->RemoveListener(this);
  if (fLookAndFeel) fLookAndFeel->OnChanged = nullptr;
  fLookAndFeel.reset();
  if (fOwnsFont) {
    fFont->OnChange = nullptr;
    delete fFont;
  }
}

TkcContainer* TkcContainerStyle::GetContainer() const { return dynamic_cast<TkcContainer*>(fOwner); }

void TkcContainerStyle::EndUpdate() {
  if (fUpdateCount == 0) return;
  --fUpdateCount;
  CheckChanges();
}

void TkcContainerStyle::CheckChanges() {
  if (!fModified || fUpdateCount != 0) return;
  fModified = false;
  if (!fDestroying && !fLightweight && OnChanged) OnChanged(this);
}

void TkcContainerStyle::Changed() {
  fModified = true;
  CheckChanges();
}

void TkcContainerStyle::ControllerChangedNotification() {
  UpdateFont();
  Changed();
}

void TkcContainerStyle::ControllerFreeNotification(TkcStyleController* AController) {
  if (AController == GetEffectiveStyleController()) {
    Base()->fStyleController = nullptr;
    if (AController != GetDefaultStyleController()) SetStyleController(nullptr);
  }
}

TkcContainerStyleValues TkcContainerStyle::AssignedValues() const {
  if (fLightweight) {
    TkcContainerStyleValues all;
    for (int i = 0; i < 10; ++i) all.Include(TkcContainerStyleValue(i));
    return all;
  }
  return fAssignedValues;
}

void TkcContainerStyle::SetAssignedValues(TkcContainerStyleValues Value) {
  if (fAssignedValues == Value) return;
  fAssignedValues = Value;
  if (IsBaseStyle()) UpdateFont();
  Changed();
}

TkcStyleController* TkcContainerStyle::GetEffectiveStyleController() { return Base()->fStyleController; }

TkcStyleController* TkcContainerStyle::StyleController() {
  TkcStyleController* c = GetEffectiveStyleController();
  return c == GetDefaultStyleController() ? nullptr : c;
}

TkcStyleController* TkcContainerStyle::GetDefaultStyleController() { return GetDefaultStyleControllerInstance(); }

void TkcContainerStyle::SetStyleController(TkcStyleController* Value) {
  TkcContainerStyle* base = Base();
  if (base != this) return base->SetStyleController(Value);
  if (fOwner && fOwner == GetDefaultStyleController()) return;
  if (!Value) Value = GetDefaultStyleController();
  // A controller whose chain reaches this style is refused.
  for (TkcStyleController* c = Value; c; c = c->GetNormalStyle()->fStyleController)
    if (c->GetNormalStyle() == this) return;
  if (Value == fStyleController) return;
  if (fStyleController) fStyleController->RemoveListener(this);
  fStyleController = Value;
  if (Value) Value->AddListener(this);
  ControllerChangedNotification();
}

TkcContainerStyle* TkcContainerStyle::ControllerStyleAssigning(TkcContainerStyleValue AValue) {
  TkcStyleController* controller = GetEffectiveStyleController();
  for (int depth = 0; controller && depth < 16; ++depth) {
    TkcContainerStyle* s = controller->GetStyleForState(fState);
    if (s->fAssignedValues.Contains(AValue)) return s;
    controller = s->GetEffectiveStyleController();
  }
  return nullptr;
}

bool TkcContainerStyle::IsValueAssigned(TkcContainerStyleValue AValue) {
  if (static_cast<int>(AValue) >= 10) return false;
  TkcContainerStyle* holder = GetCommonStyleValues().Contains(AValue) ? Base() : this;
  return holder->AssignedValues().Contains(AValue) || holder->ControllerStyleAssigning(AValue) != nullptr;
}

template <class T>
void TkcContainerStyle::SetValue(T& AField, const T& AValue, TkcContainerStyleValue AWhich, bool ACompareToCurrent,
                                 const T& ACurrent) {
  bool assigned = fAssignedValues.Contains(AWhich);
  if (assigned && (ACompareToCurrent ? ACurrent == AValue : AField == AValue)) return;
  AField = AValue;
  fAssignedValues.Include(AWhich);
  Changed();
}

TColor TkcContainerStyle::BorderColor() {
  if (fLightweight) return clDefault;
  if (fAssignedValues.Contains(csvBorderColor)) return fBorderColor;
  if (auto* s = ControllerStyleAssigning(csvBorderColor)) return s->fBorderColor;
  return DefaultBorderColor();
}
void TkcContainerStyle::SetBorderColor(TColor Value) { SetValue(fBorderColor, Value, csvBorderColor, false, Value); }

TkcContainerBorderStyle TkcContainerStyle::BorderStyle() {
  if (fAssignedValues.Contains(csvBorderStyle)) return fBorderStyle;
  if (!fLightweight)
    if (auto* s = ControllerStyleAssigning(csvBorderStyle)) return s->fBorderStyle;
  return DefaultBorderStyle();
}
void TkcContainerStyle::SetBorderStyle(TkcContainerBorderStyle Value) {
  SetValue(fBorderStyle, Value, csvBorderStyle, false, Value);
}

TColor TkcContainerStyle::GetColor() {
  if (fLightweight) return fColor;
  TkcContainer* container = GetContainer();
  if (IsBaseStyle() && container && container->ParentColor() && container->Parent())
    return container->Parent()->Color();
  if (fAssignedValues.Contains(csvColor)) return fColor;
  if (auto* s = ControllerStyleAssigning(csvColor)) return s->fColor;
  return DefaultColor();
}
void TkcContainerStyle::SetColor(TColor Value) { SetValue(fColor, Value, csvColor, false, Value); }

TColor TkcContainerStyle::GetVisibleColor() {
  if (fLightweight) return fColor;
  if (fAssignedValues.Contains(csvColor)) return fColor;
  if (auto* s = ControllerStyleAssigning(csvColor)) return s->fColor;
  TkcContainer* container = GetContainer();
  if (IsBaseStyle() && container && !container->IsInplace() && container->ParentColor() && container->Parent())
    return container->Parent()->Color();
  return DefaultColor();
}

TkcBorders TkcContainerStyle::Edges() {
  TkcContainerStyle* base = Base();
  if (base->fLightweight) return {};
  if (base->fAssignedValues.Contains(csvEdges)) return base->fEdges;
  if (auto* s = base->ControllerStyleAssigning(csvEdges)) return s->fEdges;
  return base->DefaultEdges();
}
void TkcContainerStyle::SetEdges(TkcBorders Value) {
  TkcContainerStyle* b = Base();
  b->SetValue(b->fEdges, Value, csvEdges, false, Value);
}

bool TkcContainerStyle::HotTrack() {
  TkcContainerStyle* base = Base();
  if (base->fAssignedValues.Contains(csvHotTrack)) return base->fHotTrack;
  if (!base->fLightweight)
    if (auto* s = base->ControllerStyleAssigning(csvHotTrack)) return s->fHotTrack;
  return base->DefaultHotTrack();
}
void TkcContainerStyle::SetHotTrack(bool Value) {
  TkcContainerStyle* b = Base();
  b->SetValue(b->fHotTrack, Value, csvHotTrack, false, Value);
}

bool TkcContainerStyle::Shadow() {
  TkcContainerStyle* base = Base();
  if (base->fLightweight) return false;
  if (base->fAssignedValues.Contains(csvShadow)) return base->fShadow;
  if (auto* s = base->ControllerStyleAssigning(csvShadow)) return s->fShadow;
  return base->DefaultShadow();
}
void TkcContainerStyle::SetShadow(bool Value) {
  TkcContainerStyle* b = Base();
  b->SetValue(b->fShadow, Value, csvShadow, false, Value);
}

bool TkcContainerStyle::TransparentBorder() {
  TkcContainerStyle* base = Base();
  if (base->fLightweight) return true;
  if (base->fAssignedValues.Contains(csvTransparentBorder)) return base->fTransparentBorder;
  if (auto* s = base->ControllerStyleAssigning(csvTransparentBorder)) return s->fTransparentBorder;
  return base->DefaultTransparentBorder();
}
void TkcContainerStyle::SetTransparentBorder(bool Value) {
  TkcContainerStyle* b = Base();
  b->SetValue(b->fTransparentBorder, Value, csvTransparentBorder, false, Value);
}

TFont* TkcContainerStyle::Font() {
  TkcContainerStyle* base = Base();
  if (!base->fLightweight && !base->fAssignedValues.Contains(csvFont))
    if (auto* s = base->ControllerStyleAssigning(csvFont)) return s->Font();
  return base->fFont;
}

void TkcContainerStyle::SetFont(TFont* Value) {
  TkcContainerStyle* base = Base();
  if (base != this) return base->SetFont(Value);
  if (fLightweight) {
    fFont = Value;
    return;
  }
  fFontAssignLock++;
  fFont->Assign(Value);
  fFontAssignLock--;
  fAssignedValues.Include(csvFont);
  Changed();
}

void TkcContainerStyle::FontChanged(TObject*) {
  if (fFontAssignLock == 0) fAssignedValues.Include(csvFont);
  Changed();
}

TColor TkcContainerStyle::GetTextColor() {
  if (fLightweight) return fTextColor;
  if (fAssignedValues.Contains(csvTextColor)) return fTextColor;
  if (auto* s = ControllerStyleAssigning(csvTextColor)) return s->fTextColor;
  return DefaultTextColor();
}
void TkcContainerStyle::SetTextColor(TColor Value) { SetValue(fTextColor, Value, csvTextColor, true, GetTextColor()); }

TFontStyles TkcContainerStyle::GetTextStyle() {
  if (fLightweight) return Font() ? Font()->Style() : TFontStyles{};
  if (fAssignedValues.Contains(csvTextStyle)) return fTextStyle;
  if (auto* s = ControllerStyleAssigning(csvTextStyle)) return s->fTextStyle;
  return DefaultTextStyle();
}
void TkcContainerStyle::SetTextStyle(TFontStyles Value) {
  SetValue(fTextStyle, Value, csvTextStyle, true, GetTextStyle());
}

TkcLookAndFeel* TkcContainerStyle::LookAndFeel() { return Base()->fLookAndFeel.get(); }

TColor TkcContainerStyle::DefaultBorderColor() {
  if (fState == cssDisabled) return clBtnShadow;
  if (IsBaseStyle()) return clWindowFrame;
  return fParentStyle->BorderColor();
}

TkcContainerBorderStyle TkcContainerStyle::DefaultBorderStyle() {
  if (IsBaseStyle()) {
    static const TkcContainerBorderStyle byKind[] = {cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11};
    return byKind[LookAndFeel()->Kind()];
  }
  TkcContainerBorderStyle normal = fParentStyle->BorderStyle();
  if (fState == cssDisabled || !HotTrack()) return normal;
  switch (normal) {
    case cbsNone: return cbsFlat;
    case cbsSingle: return cbsThick;
    case cbsFlat: return cbs3D;
    default: return normal;
  }
}

TColor TkcContainerStyle::DefaultColor() {
  TkcContainer* container = Base()->GetContainer();
  bool parentColor = !container || container->DefaultParentColor();
  if (IsBaseStyle()) return parentColor ? clBtnFace : clWindow;
  if (fState == cssDisabled && !parentColor) return clBtnFace;
  return fParentStyle->GetColor();
}

TColor TkcContainerStyle::DefaultTextColor() {
  if (fState == cssDisabled) return clBtnShadow;
  if (IsBaseStyle()) return Font() ? Font()->Color() : clWindowText;
  return fParentStyle->TextColor();
}

TFontStyles TkcContainerStyle::DefaultTextStyle() {
  if (IsBaseStyle()) return Font() ? Font()->Style() : TFontStyles{};
  return fParentStyle->TextStyle();
}

TFont* TkcContainerStyle::GetVisibleFont() {
  if (TFont* f = Font()) fVisibleFont->Assign(f);
  fVisibleFont->SetColor(TextColor());
  fVisibleFont->SetStyle(TextStyle());
  return fVisibleFont.get();
}

void TkcContainerStyle::UpdateFont() {
  if (fLightweight || !fFont || fAssignedValues.Contains(csvFont)) return;
  fFontAssignLock++;
  if (auto* s = ControllerStyleAssigning(csvFont)) {
    fFont->Assign(s->Font());
  } else {
    TkcContainer* container = GetContainer();
    if (!container || !container->ParentFont()) {
      TFont fresh;
      fFont->Assign(&fresh);
    }
  }
  fFontAssignLock--;
}

bool TkcContainerStyle::GetStyleValueName(int AIndex, String& AName) {
  static const char* const names[] = {"BorderColor", "BorderStyle", "Color",     "Edges",     "Font",
                                      "HotTrack",    "Shadow",      "TextColor", "TextStyle", "TransparentBorder"};
  if (AIndex < 0 || AIndex >= 10) {
    AName.clear();
    return false;
  }
  AName = names[AIndex];
  return true;
}

bool TkcContainerStyle::GetStyleValueIndex(const String& AName, int& AIndex) {
  for (int i = 0; i < GetStyleValueCount(); ++i) {
    String name;
    if (GetStyleValueName(i, name) && SameText(name, AName)) {
      AIndex = i;
      return true;
    }
  }
  return false;
}

bool TkcContainerStyle::IsStatePropertyStored(const String& AName) {
  if (SameText(AName, "LookAndFeel") || SameText(AName, "StyleController")) return false;
  int index;
  if (!GetStyleValueIndex(AName, index)) return true;
  return index >= 10 || !GetCommonStyleValues().Contains(TkcContainerStyleValue(index));
}

void TkcContainerStyle::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TkcContainerStyle*>(Source);
  if (!s) return inherited::Assign(Source);
  BeginUpdate();
  if (IsBaseStyle()) {
    SetStyleController(s->StyleController());
    LookAndFeel()->Assign(s->LookAndFeel());
  }
  fBorderColor = s->fBorderColor;
  fBorderStyle = s->fBorderStyle;
  fEdges = s->fEdges;
  fHotTrack = s->fHotTrack;
  fShadow = s->fShadow;
  fTransparentBorder = s->fTransparentBorder;
  fColor = s->fColor;
  if (fLightweight) {
    fFont = s->Font();
    fTextColor = s->fTextColor;
  } else {
    if (fFont && s->Font()) {
      fFontAssignLock++;
      fFont->Assign(s->Font());
      if (s->fLightweight) fFont->SetColor(s->fTextColor);
      fFontAssignLock--;
    }
    fTextColor = s->fTextColor;
    fTextStyle = s->fTextStyle;
  }
  fAssignedValues = s->fAssignedValues;
  Changed();
  EndUpdate();
}

void TkcContainerStyle::ResetToDefaults() {
  BeginUpdate();
  fAssignedValues.Clear();
  if (IsBaseStyle()) {
    LookAndFeel()->Reset();
    if (TkcContainer* container = GetContainer()) {
      container->SetParentColor(false);
      container->SetParentFont(true);
    } else if (!fLightweight && fFont) {
      TFont fresh;
      fFont->Assign(&fresh);
    }
    TkcContainer* container = GetContainer();
    if (container && container->DefaultParentColor() && !ControllerStyleAssigning(csvColor))
      container->SetParentColor(true);
  }
  Changed();
  EndUpdate();
}

// ---- TkcContainerStyles, TkcStyleController --------------------------------------------------

TkcContainerStyles::TkcContainerStyles(TPersistent* AOwner, TkcContainerStyleClass AStyleClass) {
  fStyles[cssNormal] = AStyleClass.Create(AOwner, false, nullptr, cssNormal);
  for (int s = cssFocused; s <= cssHot; ++s)
    fStyles[s] = AStyleClass.Create(AOwner, false, fStyles[cssNormal], TkcContainerStyleState(s));
}

TkcContainerStyles::~TkcContainerStyles() {
  for (int s = cssHot; s >= cssNormal; --s) delete fStyles[s];
}

void TkcContainerStyles::SetOnChanged(const TNotifyEvent& AEvent) {
  for (auto* s : fStyles) s->OnChanged = AEvent;
}

TkcStyleController::TkcStyleController(TComponent* AOwner) : TComponent(AOwner) {}

TkcStyleController::~TkcStyleController() {
  fDestroying = true;
  for (auto* style : std::vector<TkcContainerStyle*>(fListeners)) style->ControllerFreeNotification(this);
  if (gDefaultStyleController == this) gDefaultStyleController = nullptr;
  fStyles.reset();
}

TkcContainerStyles* TkcStyleController::Styles() {
  if (!fStyles) {
    fStyles = std::make_unique<TkcContainerStyles>(this, GetContainerStyleClass());
    fStyles->SetOnChanged([this](TObject*) { Changed(); });
  }
  return fStyles.get();
}

void TkcStyleController::Loaded() {
  inherited::Loaded();
  Changed();
}

void TkcStyleController::Changed() {
  if (OnStyleChanged) OnStyleChanged(this);
  if (fDestroying) return;
  for (auto* style : std::vector<TkcContainerStyle*>(fListeners)) style->ControllerChangedNotification();
}

void TkcStyleController::AddListener(TkcContainerStyle* AStyle) {
  if (!AStyle || std::find(fListeners.begin(), fListeners.end(), AStyle) != fListeners.end()) return;
  fListeners.push_back(AStyle);
  AStyle->LookAndFeel()->SetMasterLookAndFeel(GetNormalStyle()->LookAndFeel());
}

void TkcStyleController::RemoveListener(TkcContainerStyle* AStyle) {
  auto it = std::find(fListeners.begin(), fListeners.end(), AStyle);
  if (it == fListeners.end()) return;
  if (!fDestroying) fListeners.erase(it);
  if (!AStyle->fDestroying) AStyle->LookAndFeel()->SetMasterLookAndFeel(nullptr);
}

void TkcStyleController::ChangeFontScale(int M, int D) {
  TkcContainerStyle* normal = GetNormalStyle();
  if (normal->fAssignedValues.Contains(csvFont)) {
    if (fFontScaled) return;
    fFontScaled = true;
    normal->Font()->SetSize(MulDiv(normal->Font()->Size(), M, D));
  } else if (TkcStyleController* c = normal->GetEffectiveStyleController(); c && c != this) {
    c->ChangeFontScale(M, D);
  }
}

// ---- TkcContainer ---------------------------------------------------------------------------

TkcContainer::TkcContainer(TComponent* AOwner) : TkcContainer(AOwner, TDeferCreation{}) { CreateContainerObjects(); }

TkcContainer::TkcContainer(TComponent* AOwner, TDeferCreation) : TkcControl(AOwner) {}

void TkcContainer::CreateContainerObjects() {
  if (fStyles) return;
  fCreating = true;
  fStyles = std::make_unique<TkcContainerStyles>(this, GetContainerStyleClass());
  fStyles->SetOnChanged(TNotifyEvent(this, &TkcContainer::ContainerStyleChanged));
  fCachedStyle = fStyles->Normal();
  fViewInfo.reset(GetViewInfoClass().Create());
  LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  TControlStyle style = ControlStyle();
  style.Include(csCaptureMouse);
  style.Include(csSetCaption);
  SetControlStyle(style);
  SetTabStop(true);
  bool parentColor = DefaultParentColor() && !IsInplace() && !Style()->IsValueAssigned(csvColor);
  SetParentColor(parentColor);
  if (!parentColor) SetColor(clWindow);
  ResetInnerControlArea();
  fCreating = false;
}

TkcContainer::~TkcContainer() {
  EndMouseTracking(Caller());
  fDestroying = true;
  fViewInfo.reset();
  if (fStyles) fStyles->SetOnChanged(nullptr);
  fStyles.reset();
}

bool TkcContainer::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcMouseTrackingCaller>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

void TkcContainer::SetInnerControl(TWinControl* Value) {
  if (fInnerControl == Value) return;
  if (fInnerControl) fInnerControl->RemoveFreeNotification(this);
  fInnerControl = Value;
  if (fInnerControl) fInnerControl->FreeNotification(this);
}

void TkcContainer::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fInnerControl) fInnerControl = nullptr;
}

TkcContainerStyle* TkcContainer::GetActiveStyle() {
  if (!(fViewInfo->ContainerState == fCachedState)) {
    fCachedState = fViewInfo->ContainerState;
    fCachedStyle = CalculateActiveStyle();
  }
  return fCachedStyle;
}

TkcContainerStyle* TkcContainer::CalculateActiveStyle() {
  const TkcContainerState& s = fViewInfo->ContainerState;
  if (s.Contains(csDisabled)) return StyleDisabled();
  if (s.Contains(csActive)) return StyleFocused();
  if (Style()->HotTrack() && s.Contains(csHotTrack)) return StyleHot();
  return Style();
}

bool TkcContainer::IsNativeStyle() {
  return CanUseNativeStyle(Style()->LookAndFeel()->NativeStyle(), GetThemedObjectType());
}

bool TkcContainer::HasShadow() { return GetActiveStyle()->Shadow() && !IsNativeStyle(); }

int TkcContainer::GetNativeState() {
  if (!Enabled()) return 4;
  if (Focused()) return 5;
  return fViewInfo->ContainerState.Contains(csHotTrack) ? 2 : 1;
}

void TkcContainer::CalculateViewInfo(const TPoint& P, bool AHotAllowed) {
  TkcContainerViewInfo& v = *fViewInfo;
  v.NativeStyle = IsNativeStyle();
  int oldWidth = GetContainerBorderWidth(v.BorderStyle);
  auto calcState = [&] {
    TkcContainerState state;
    if (!Enabled()) {
      state = {csDisabled};
    } else if (IsDesigning()) {
      state = {csNormal};
    } else {
      state = Focused() ? TkcContainerState{csActive} : TkcContainerState{csNormal};
      TRect tracking;
      GetMouseTrackingBounds(tracking);
      if (AHotAllowed && PtInRect(&tracking, P)) state.Include(csHotTrack);
    }
    v.ContainerState = state;
    TkcContainerStyle* active = GetActiveStyle();
    v.HighlightState = !active->HotTrack() ? 0 : (state.Contains(csActive) || state.Contains(csHotTrack)) ? 2 : 1;
    if (v.NativeStyle) {
      v.BorderStyle = Style()->BorderStyle();
    } else {
      v.BorderStyle = active->BorderStyle();
      if (v.BorderStyle == cbsUltraFlat || v.BorderStyle == cbsOffice11) v.BorderStyle = cbsSingle;
    }
  };
  calcState();
  if (!v.NativeStyle && GetContainerBorderWidth(v.BorderStyle) < oldWidth) calcState();
  if (v.NativeStyle) {
    v.ThemedObjectType = GetThemedObjectType();
    v.NativePart = GetNativePart();
    v.NativeState = GetNativeState();
  }
  TkcContainerStyle* active = GetActiveStyle();
  v.Bounds = TRect{0, 0, Width(), Height()};
  TRect extent;
  GetBorderExtent(extent);
  v.BorderRect = v.Bounds;
  DeflateRectByMargins(v.BorderRect, extent);
  v.ClientRect = v.BorderRect;
  v.BorderWidth = GetContainerBorderWidth(v.BorderStyle);
  v.Edges = active->Edges();
  v.Shadow = HasShadow();
  TkcContainerBorderStyle activeBorder = active->BorderStyle();
  if (activeBorder != cbsUltraFlat && activeBorder != cbsOffice11) {
    v.BorderColor = active->BorderColor();
  } else if (v.ContainerState.Contains(csActive) || (v.ContainerState.Contains(csHotTrack) && active->HotTrack()) ||
             (IsDesigning() && Enabled())) {
    v.BorderColor = activeBorder == cbsOffice11 ? Office11SelectedBorderColor : clHighlight;
  } else {
    v.BorderColor = clBtnShadow;
  }
  if (!v.NativeStyle || Enabled()) {
    v.SetBackgroundColor(active->GetColor());
  } else {
    COLORREF fill = ColorToRGB(active->GetColor());
    GetThemeColor(GetThemeHandle(v.ThemedObjectType), v.NativePart, v.NativeState, 3802, &fill);
    v.SetBackgroundColor(static_cast<TColor>(fill));
  }
}

void TkcContainer::GetBorderExtent(TRect& AExtent) {
  TkcContainerStyle* active = GetActiveStyle();
  bool native = fViewInfo->NativeStyle;
  if (active->TransparentBorder()) {
    AExtent = TRect{2, 2, 2, 2};
  } else if (!active->HasBorder() || (native && Style()->BorderStyle() == cbsNone)) {
    AExtent = TRect{};
  } else if (native) {
    AExtent = TRect{2, 2, 2, 2};
  } else {
    int w = GetContainerBorderWidth(fViewInfo->BorderStyle);
    TkcBorders e = active->Edges();
    AExtent = TRect{e.Contains(bLeft) ? w : 0, e.Contains(bTop) ? w : 0, e.Contains(bRight) ? w : 0,
                    e.Contains(bBottom) ? w : 0};
  }
  if (HasShadow()) {
    AExtent.right += 3;
    AExtent.bottom += 3;
  }
}

void TkcContainer::GetVisibleBounds(TRect& R) {
  R = fViewInfo->Bounds;
  TRect extent;
  GetBorderExtent(extent);
  DeflateRectByMargins(R, extent);
  int w = GetContainerBorderWidth(fViewInfo->BorderStyle);
  InflateRect(&R, w, w);
  ShrinkRectOnMissingEdges(R, w, GetActiveStyle()->Edges());
}

void TkcContainer::GetMouseTrackingBounds(TRect& R) {
  R = TRect{0, 0, Width(), Height()};
  if (IsInplace()) return;
  if (fViewInfo->Shadow) R.right -= 3, R.bottom -= 3;
  TkcContainerStyle* normal = Style();
  if (normal->HasBorder()) {
    if (fViewInfo->NativeStyle) {
      if (normal->BorderStyle() == cbsNone && normal->TransparentBorder()) InflateRect(&R, -2, -2);
    } else if (normal->TransparentBorder()) {
      int w = GetContainerBorderWidth(fViewInfo->BorderStyle);
      InflateRect(&R, w - 2, w - 2);
      ShrinkRectOnMissingEdges(R, w, fViewInfo->Edges);
    }
  } else if (normal->TransparentBorder()) {
    InflateRect(&R, -2, -2);
  }
  if (R.bottom < R.top) R = TRect{R.left, 0, R.right, 0};
}

void TkcContainer::GetInnerControlVisibleArea(const TRect& R, TWinControl* AControl, TkcControlArea& AArea) {
  if (!AControl) {
    AArea = TkcControlArea{};
    return;
  }
  TRect area{0, 0, AControl->Width(), AControl->Height()};
  TRect b = AControl->BoundsRect();
  if (b.left < R.left) area.left = R.left - b.left;
  if (b.top < R.top) area.top = R.top - b.top;
  if (R.right < b.right) area.right -= b.right - R.right;
  if (R.bottom < b.bottom) area.bottom -= b.bottom - R.bottom;
  AArea.Rect = area;
  AArea.Full = area == (TRect{0, 0, AControl->Width(), AControl->Height()});
}

void TkcContainer::AdjustInnerControl() {
  if (!fInnerControl) return;
  fInnerControl->SetColor(fViewInfo->BackgroundColor);
  fInnerControl->SetFont(GetActiveStyle()->GetVisibleFont());
}

void TkcContainer::AdjustBounds() {
  if (!fInnerControl) return;
  const TRect& c = fViewInfo->ClientRect;
  if (fInnerControl->BoundsRect() == c) return;
  fAdjustingBounds = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fAdjustingBounds};
  fInnerControl->SetBounds(c.left, c.top, c.right - c.left, c.bottom - c.top);
}

void TkcContainer::UpdateWindowRegion() {
  if (!HandleAllocated()) return;
  TRect r;
  GetVisibleBounds(r);
  ApplyWindowRegion(Handle(), r, fViewInfo->NativeStyle && fViewInfo->BorderStyle != cbsNone, fViewInfo->Shadow,
                    TRect{});
}

void TkcContainer::IntersectClipWithShape() {
  TRect r;
  GetVisibleBounds(r);
  if (TkcRegion* region = CreateContainerWindowRegion(r, fViewInfo->NativeStyle, fViewInfo->Shadow, TRect{}))
    Canvas()->SetClipRegion(region, roIntersect);
}

bool TkcContainer::UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool) {
  if (fAdjustingBounds || IsContainerDestroying()) return true;
  (void)AButton;
  bool hotAllowed = AShift.Empty() && GetActiveStyle()->HotTrack();
  CalculateViewInfo(P, hotAllowed);
  AdjustBounds();
  AdjustInnerControl();
  UpdateWindowRegion();
  if (HandleAllocated()) {
    TRect all{0, 0, Width(), Height()};
    if (fInnerControl)
      InvalidateRectExcluding(Handle(), all, fViewInfo->BorderRect, false);
    else
      ::InvalidateRect(Handle(), &all, FALSE);
  }
  if (fViewInfo->ContainerState.Contains(csHotTrack)) {
    TRect tracking;
    GetMouseTrackingBounds(tracking);
    BeginMouseTracking(this, tracking, Caller());
  }
  return true;
}

bool TkcContainer::UpdateStateFromCursor(bool AIsMouseEvent) {
  if (!HandleAllocated() || IsContainerDestroying() || fUpdatingState) return false;
  fUpdatingState = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fUpdatingState};
  return UpdateContainerState(ScreenToClient(Mouse->CursorPos()), 0, GetShiftState(), AIsMouseEvent);
}

void TkcContainer::MouseTrackingLeave() {
  TkcControl::MouseLeave(nullptr);
  UpdateStateFromCursor(true);
  EndMouseTracking(Caller());
}

void TkcContainer::ContainerStyleChanged(TObject*) {
  if (fCreating || ComponentState().Contains(csLoading)) return;
  UpdateStateFromCursor(false);
  fInternalChange = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fInternalChange};
  if (!ParentColor() || Style()->AssignedValues().Contains(csvColor)) SetColor(Style()->GetVisibleColor());
  if (TFont* f = Style()->Font()) TControl::SetFont(f);
  if (Style()->IsValueAssigned(csvFont)) SetParentFont(false);
}

void TkcContainer::DragCanceled() {
  inherited::DragCanceled();
  if (fInnerControl) fInnerControl->DragCanceled();
}

TDragImageList* TkcContainer::GetDragImages() {
  return fInnerControl ? fInnerControl->GetDragImages() : inherited::GetDragImages();
}

bool TkcContainer::IsStyleValueStored(const String& AName, bool AIsStateStyle, TkcContainerStyle* AStyle) {
  bool stored = !AIsStateStyle || AStyle->IsStatePropertyStored(AName);
  int index;
  if (stored && AStyle->GetStyleValueIndex(AName, index) && index < 32)
    stored = !GetUnusedStyleValues().Contains(TkcContainerStyleValue(index));
  return stored;
}

void TkcContainer::FocusInnerControl() {
  if (fInnerControl) fInnerControl->SetFocus();
}

bool TkcContainer::MayFocus() { return !(fInnerControl && fInnerControl->Focused()); }

bool TkcContainer::CanFocusOnClick() {
  return inherited::CanFocusOnClick() && !(fInnerControl && fInnerControl->Focused()) && !InnerMouseDown;
}

bool TkcContainer::Focused() {
  if (IsDesigning() || ControlState().Contains(csDestroyingHandle)) return false;
  HWND focus = GetFocus();
  if (!focus) return false;
  return (HandleAllocated() && focus == Handle()) ||
         (fInnerControl && fInnerControl->HandleAllocated() && focus == fInnerControl->Handle());
}

void TkcContainer::SetFocus() {
  if (IsDesigning() || IsContainerFocused()) return;
  inherited::SetFocus();
  if (fInnerControl && fInnerControl->HandleAllocated() && HandleAllocated() && GetFocus() == Handle()) {
    FocusInnerControl();
    if (TCustomForm* form = GetParentForm()) form->FocusControl(fInnerControl);
  }
}

void TkcContainer::FocusChanged() {
  inherited::FocusChanged();
  UpdateStateFromCursor(false);
}

void TkcContainer::EnabledChanged() { UpdateStateFromCursor(false); }

void TkcContainer::MouseEnter(TControl* AControl) {
  inherited::MouseEnter(AControl);
  UpdateStateFromCursor(true);
  TRect tracking;
  GetMouseTrackingBounds(tracking);
  if (HandleAllocated()) BeginMouseTracking(this, tracking, Caller());
}

void TkcContainer::MouseLeave(TControl* AControl) {
  inherited::MouseLeave(AControl);
  UpdateStateFromCursor(true);
  EndMouseTracking(Caller());
}

void TkcContainer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (link.Alive()) UpdateContainerState(TPoint{X, Y}, ConvertMouseButton(Button), Shift, true);
}

void TkcContainer::InnerMouseDownAt(TMouseButton Button, TShiftState Shift, int X, int Y) {
  InnerMouseDown = true;
  TkcObjectLinkScope link(this);
  MouseDown(Button, Shift, X, Y);
  if (link.Alive()) InnerMouseDown = false;
}

void TkcContainer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (link.Alive()) UpdateContainerState(TPoint{X, Y}, ConvertMouseButton(Button), Shift, true);
}

void TkcContainer::MouseMove(TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseMove(Shift, X, Y);
  if (!link.Alive()) return;
  UpdateContainerState(TPoint{X, Y}, 0, Shift, true);
  TRect tracking;
  GetMouseTrackingBounds(tracking);
  BeginMouseTracking(this, tracking, Caller());
}

void TkcContainer::KeyDown(WORD& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key != VK_TAB || !Focused() || Shift.Contains(ssAlt) || Shift.Contains(ssCtrl) || IsTabKeyIgnored()) return;
  Key = 0;
  TCustomForm* form = GetParentForm();
  if (form) form->SelectNext(form->ActiveControl(), !Shift.Contains(ssShift), true);
  if (HandleAllocated() && GetFocus() == Handle() && fInnerControl) fInnerControl->SetFocus();
}

void TkcContainer::DoContextPopup(TPoint MousePos, bool& Handled) {
  if ((MousePos.x == -1 && MousePos.y == -1) || CanShowPopupMenu(MousePos)) {
    inherited::DoContextPopup(MousePos, Handled);
  } else {
    Handled = true;
  }
}

bool TkcContainer::InnerControlMenuHandler(TMessage& AMessage) {
  if (AMessage.Msg != CN_KEYDOWN && AMessage.Msg != CN_SYSKEYDOWN) return false;
  TMessage copy = AMessage;
  for (TWinControl* c = this; c; c = c->Parent())
    if (auto* k = dynamic_cast<TkcControl*>(c); k && IsPopupMenuShortCut(k->PopupMenu(), copy)) {
      AMessage.Result = 1;
      return true;
    }
  return false;
}

void TkcContainer::LockAlignControls(bool ALock) {
  if (ALock)
    ++fAlignLockCount;
  else if (fAlignLockCount > 0)
    --fAlignLockCount;
}

void TkcContainer::AlignControls(TControl* AControl, TRect& Rect) {
  if (UsesStandardChildLayout()) return inherited::AlignControls(AControl, Rect);
  if (fAlignLockCount > 0 || IsInternalControl(AControl)) return;
  if (!AControl) return inherited::AlignControls(AControl, Rect);
  auto* control = dynamic_cast<TWinControl*>(AControl);
  if (fCreating || !control || !control->HandleAllocated()) return;
  TkcControlArea area;
  GetInnerControlVisibleArea(Rect, control, area);
  if (control != fInnerControl || !(area == fInnerArea)) {
    SetWindowRegionFromRect(control, area);
    fInnerArea = area;
  }
}

void TkcContainer::AdjustClientRect(TRect& Rect) {
  if (!IsContainerDestroying()) Rect = fViewInfo->ClientRect;
}

void TkcContainer::CreateHandle() {
  inherited::CreateHandle();
  UpdateStateFromCursor(false);
}

void TkcContainer::Resize() {
  inherited::Resize();
  if (!fCreating) UpdateStateFromCursor(false);
}

void TkcContainer::Paint() {
  TRect bounds = fViewInfo->Bounds;
  if (!Canvas()->RectVisible(bounds)) return;
  if (ControlState().Contains(csPaintCopy)) IntersectClipWithShape();
  fViewInfo->Paint(Canvas());
}

void TkcContainer::PostScrollBarsUpdate() {
  if (!IsContainerDestroying() && HandleAllocated() && fInnerControl) PostMessage(Handle(), KCM_UPDATESCROLLBARS);
}

void TkcContainer::SetScrollBarsParameters(bool AIsScrolling) {
  if (!fInnerControl || !HasScrollBars() || IsContainerDestroying() || !IsScrollBarInfoAvailable()) return;
  for (TkcScrollBar* bar : {static_cast<TkcScrollBar*>(HScrollBar()), static_cast<TkcScrollBar*>(VScrollBar())}) {
    if (!bar) continue;
    if (!AIsScrolling) AdjustScrollBarPosition(bar);
    if (!bar->Visible()) continue;
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(fInnerControl->Handle(), bar->Kind() == sbHorizontal ? SB_HORZ : SB_VERT, &si)) continue;
    int page = si.nMax < static_cast<int>(si.nPage) ? si.nMax : static_cast<int>(si.nPage);
    bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, true);
  }
}

void TkcContainer::AdjustScrollBarPosition(TkcScrollBar* ABar) {
  SCROLLBARINFO info;
  if (!fInnerControl || !fInnerControl->HandleAllocated() || !HandleAllocated() ||
      !GetWindowScrollBarInfo(fInnerControl->Handle(), ABar->Kind() == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL,
                              info) ||
      (info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN))) {
    ABar->SetVisible(false);
    return;
  }
  ABar->SetEnabled(Enabled() && !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE));
  TPoint tl = ScreenToClient(TPoint{info.rcScrollBar.left, info.rcScrollBar.top});
  int w = info.rcScrollBar.right - info.rcScrollBar.left, h = info.rcScrollBar.bottom - info.rcScrollBar.top;
  bool inside = tl.x >= 0 && tl.y >= 0 && w <= Width() && h <= Height();
  ABar->SetBounds(inside ? tl.x : 0, inside ? tl.y : 0, inside ? w : 0, inside ? h : 0);
  ABar->SetVisible(inside);
  if (inside) ABar->BringToFront();
}

void TkcContainer::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS:
      if (!Visible()) return;
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case CN_KEYDOWN:
    case CN_KEYUP:
    case CN_CHAR:
      if (fInnerControl) {
        Message.Result = SendMessage(fInnerControl->Handle(), Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (DragMode() == dmAutomatic && !IsDesigning()) {
        BeginDrag(false);
        return;
      }
      break;
  }
  inherited::WndProc(Message);
}

void TkcContainer::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KILLFOCUS:
      if (fInnerControl && fInnerControl->HandleAllocated() &&
          HWND(static_cast<std::uintptr_t>(Message.WParam)) == fInnerControl->Handle()) {
        Message.Result = 0;
        return;
      }
      break;
    case WM_SETFOCUS: {
      if (IsContainerDestroying() || !HandleAllocated() || !fInnerControl || !fInnerControl->HandleAllocated()) break;
      if (HWND(static_cast<std::uintptr_t>(Message.WParam)) == fInnerControl->Handle()) return;
      inherited::Dispatch(Message);
      if (fInnerControl && fInnerControl->CanFocus()) fInnerControl->SetFocus();
      return;
    }
    case WM_NCPAINT: Message.Result = 0; return;
    case WM_WINDOWPOSCHANGING:
      if (IsContainerDestroying()) {
        Message.Result = 0;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
      inherited::Dispatch(Message);
      EnabledChanged();
      return;
    case CM_COLORCHANGED:
      // The constructor's own default colour is not a colour of the style.
      if (!fInternalChange && !fCreating) {
        Style()->SetColor(Color());
        return;
      }
      inherited::Dispatch(Message);
      UpdateStateFromCursor(false);
      return;
    case CM_FONTCHANGED:
      if (fInternalChange) {
        inherited::Dispatch(Message);
        AdjustBounds();
        UpdateStateFromCursor(false);
        return;
      }
      {
        bool wasAssigned = Style()->AssignedValues().Contains(csvFont);
        Style()->SetFont(Font());
        if (!wasAssigned) {
          TkcContainerStyleValues values = Style()->AssignedValues();
          values.Exclude(csvFont);
          Style()->fAssignedValues = values;
        }
      }
      break;
    case CM_SYSCOLORCHANGE:
      inherited::Dispatch(Message);
      UpdateStateFromCursor(false);
      return;
    case KCM_UPDATESCROLLBARS: SetScrollBarsParameters(false); return;
    case CM_CURSORCHANGED:
      inherited::Dispatch(Message);
      if (fInnerControl) fInnerControl->SetCursor(Cursor());
      return;
    case CM_PARENTCOLORCHANGED: {
      bool wasAssigned = Style()->AssignedValues().Contains(csvColor);
      inherited::Dispatch(Message);
      if (!wasAssigned || ParentColor()) Style()->fAssignedValues.Exclude(csvColor);
      if (Style()->GetColor() != Color()) ContainerStyleChanged(Style());
      if (IsTransparentBackground() && !ParentColor()) Invalidate();
      return;
    }
    case CM_PARENTFONTCHANGED: {
      bool wasAssigned = Style()->AssignedValues().Contains(csvFont);
      inherited::Dispatch(Message);
      if (!ParentFont()) Style()->UpdateFont();
      if (!wasAssigned || ParentFont()) Style()->fAssignedValues.Exclude(csvFont);
      return;
    }
    case WM_SETCURSOR:
      if (fInnerControl && HWND(static_cast<std::uintptr_t>(Message.WParam)) == Handle() &&
          LOWORD(Message.LParam) == HTCLIENT) {
        TPoint p = ScreenToClient(Mouse->CursorPos());
        if (!PtInRect(&fViewInfo->ClientRect, p)) {
          ::SetCursor(Screen->Cursors(crArrow));
          Message.Result = 1;
          return;
        }
      }
      break;
  }
  inherited::Dispatch(Message);
}

// ---- Custom popup windows -------------------------------------------------------------------

const std::vector<TkcCustomPopupWindow*>& ShownPopups() { return PopupList(); }

bool IsPopupWindowShown(TControl* AControl) {
  auto* popup = dynamic_cast<TkcCustomPopupWindow*>(AControl);
  return popup && IsShownPopup(popup);
}

void PostPopupCloseMessage(TkcCustomPopupWindow* APopup) {
  if (APopup->HandleAllocated()) PostMessage(APopup->Handle(), KCM_CLOSEPOPUP);
}

TWinControl* FindPopupFocusTarget(TkcCustomPopupWindow* APopup, TWinControl* AControl) {
  if (!AControl) return APopup;
  if (AControl->CanFocus() && AControl->TabStop()) return AControl;
  if (TWinControl* next = APopup->FindNextControl(nullptr, true, false, true)) return next;
  return APopup;
}

TkcCustomPopupWindow::TkcCustomPopupWindow(TControl* AOwnerControl)
    : TkcCustomPopupWindow(AOwnerControl, TDeferCreation{}) {
  CreatePopupStyle();
}

void TkcCustomPopupWindow::CreatePopupStyle() {
  if (fStyle) return;
  fStyle.reset(GetContainerStyleClass().Create(this, false, nullptr, cssNormal));
  fStyle->OnChanged = TNotifyEvent(this, &TkcCustomPopupWindow::StyleChanged);
}

TkcCustomPopupWindow::TkcCustomPopupWindow(TControl* AOwnerControl, TDeferCreation)
    : TkcPopupWindow(nullptr), fOwnerControl(AOwnerControl) {
  InstallPopupHooks();
  SetFormStyle(fsNormal);
  SetVisible(false);
  fViewInfo = std::make_unique<TkcContainerViewInfo>();
  if (fOwnerControl) fOwnerControl->FreeNotification(this);
  SetKeyPreview(true);
}

TkcCustomPopupWindow::~TkcCustomPopupWindow() {
  auto& list = PopupList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  fViewInfo.reset();
  if (fStyle) fStyle->OnChanged = nullptr;
  fStyle.reset();
}

void TkcCustomPopupWindow::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == fOwnerControl) fOwnerControl = nullptr;
  if (AComponent == fFocusTarget) fFocusTarget = nullptr;
}

bool TkcCustomPopupWindow::IsShown() const { return IsShownPopup(const_cast<TkcCustomPopupWindow*>(this)); }

bool TkcCustomPopupWindow::IsOwnerControlVisible() {
  auto* owner = dynamic_cast<TWinControl*>(fOwnerControl);
  return owner && owner->HandleAllocated() && IsWindowVisible(owner->Handle());
}

bool TkcCustomPopupWindow::HasCapture() { return HandleAllocated() && GetCapture() == Handle(); }

void TkcCustomPopupWindow::SetTakesFocus(bool Value) {
  if (fTakesFocus == Value) return;
  fTakesFocus = Value;
  if (HandleAllocated()) RecreateWnd();
  if (IsShown()) {
    ClosePopup();
    ShowPopup(fFocusTarget);
  }
}

void TkcCustomPopupWindow::SetInheritTopMost(bool Value) {
  if (fInheritTopMost == Value) return;
  fInheritTopMost = Value;
  if (HandleAllocated()) RecreateWnd();
  if (IsShown()) {
    ClosePopup();
    ShowPopup(fFocusTarget);
  }
}

void TkcCustomPopupWindow::GetOwnerScreenBounds(TRect& R) {
  R = OwnerBounds;
  auto* owner = dynamic_cast<TWinControl*>(fOwnerControl);
  if (owner && owner->HandleAllocated() && HasChildWindowStyle(owner->Handle()) && OwnerParent()) {
    TPoint a = OwnerParent()->ClientToScreen(TPoint{R.left, R.top});
    TPoint b = OwnerParent()->ClientToScreen(TPoint{R.right, R.bottom});
    R = TRect{a.x, a.y, b.x, b.y};
  }
}

void TkcCustomPopupWindow::AdjustBoundsToDesktop(TPoint& P) {
  if (!CanShrinkToDesktop()) return;
  int w = Width(), h = Height();
  TRect r = GetDesktopWorkArea(P);
  if (P.x < r.left) w -= r.left - P.x, P.x = r.left;
  if (P.y < r.top) h -= r.top - P.y, P.y = r.top;
  h = std::min<int>(h, r.bottom - P.y);
  SetBounds(Left(), Top(), std::min<int>(w, r.right - P.x), h);
  if (Height() != h && P.y == r.top) P.y += h - Height();
}

void TkcCustomPopupWindow::ShowPopup(TWinControl* AFocusControl) {
  if (IsShown() || !IsOwnerControlVisible()) return;
  InitPopup();
  CalculateSize();
  TPoint p;
  CalculatePosition(p);
  AdjustBoundsToDesktop(p);
  PopupList().push_back(this);
  if (OnPopupShowing) OnPopupShowing(this);
  {
    // Placing the still hidden window must not read as the popup being hidden.
    fShowing = true;
    struct Clear {
      bool& flag;
      ~Clear() { flag = false; }
    } clear{fShowing};
    SetBounds(p.x, p.y, Width(), Height());
    Show();
    SetBounds(p.x, p.y, Width(), Height());
  }
  TWinControl* target = fTakesFocus ? FindPopupFocusTarget(this, AFocusControl) : AFocusControl;
  if (fFocusTarget) fFocusTarget->RemoveFreeNotification(this);
  fFocusTarget = target;
  if (fFocusTarget && fFocusTarget != this) fFocusTarget->FreeNotification(this);
  if (target && target->CanFocus())
    target->SetFocus();
  else if (!target && fTakesFocus)
    SetFocus();
  TCustomForm* form = fOwnerControl ? fOwnerControl->GetParentForm() : nullptr;
  bool topmost =
      !form || !form->HandleAllocated() || (GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) || !fTakesFocus;
  SetWindowPos(Handle(), topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
               SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  SetModalResult(mrNone);
  NotifyShown();
  if (!fTakesFocus || !ModalLoop) return;
  TkcObjectLinkScope link(this);
  while (link.Alive() && Visible() && IsShown() && !Application->Terminated()) {
    MSG msg;
    // Alt+Enter, Alt and Alt+Space would reach the owner form's system menu.
    while (PeekMessage(&msg, HWND(), WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
           (msg.wParam == VK_RETURN || msg.wParam == VK_MENU || msg.wParam == VK_SPACE))
      PeekMessage(&msg, HWND(), WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
    if (ModalResult() != mrNone) {
      if (CloseQuery())
        ClosePopupWithModalResult();
      else
        SetModalResult(mrNone);
      continue;
    }
    Application->HandleMessage();
  }
}

void TkcCustomPopupWindow::ClosePopup() {
  if (!IsShown()) return;
  auto& list = PopupList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  TkcObjectLinkScope link(this);
  NotifyClosing();
  if (!link.Alive()) return;
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  Hide();
  NotifyClosed();
  if (!link.Alive()) return;
  if (HandleAllocated()) {
    HWND capture = GetCapture();
    if (capture && (capture == Handle() || IsRelatedWindow(this, capture))) SetCaptureControl(nullptr);
  }
}

bool TkcCustomPopupWindow::Focused() {
  HWND focus = GetFocus();
  return IsShown() && fTakesFocus && focus && IsWindowOfControl(this, focus, true);
}

void TkcCustomPopupWindow::Deactivate() {
  if (fDeactivatingByMessage) return;
  HWND active = GetActiveWindow();
  bool stopped = false;
  TkcObjectLinkScope link(this);
  for (int i = static_cast<int>(PopupList().size()) - 1; i >= 0; --i) {
    if (i >= static_cast<int>(PopupList().size())) continue;
    TkcCustomPopupWindow* p = PopupList()[i];
    if (p->HandleAllocated() && p->Handle() == active) {
      stopped = true;
      break;
    }
    if (p->HandleAllocated() && IsWindowEnabled(p->Handle())) p->ClosePopup();
  }
  if (link.Alive() && !stopped && !PopupList().empty()) ClosePopup();
}

void TkcCustomPopupWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  TCustomForm* form = fOwnerControl ? fOwnerControl->GetParentForm() : nullptr;
  if (fTakesFocus) {
    if (form) Params.WndParent = form->Handle();
    Params.Style = (Params.Style & ~WS_CHILD) | WS_POPUP;
    if (fInheritTopMost &&
        (!form || (form->HandleAllocated() && (GetWindowLong(form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST))))
      Params.ExStyle |= WS_EX_TOPMOST;
  } else {
    // A tool window that never activates (our layer hosts it as a non-activating popup).
    Params.Style = WS_POPUP;
    Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    if (!Params.WndParent) Params.WndParent = GetHiddenMessageWindow()->Handle();
  }
  Params.Style |= WS_CLIPCHILDREN;
}

void TkcCustomPopupWindow::CreateWnd() { inherited::CreateWnd(); }

void TkcCustomPopupWindow::CreateHandle() {
  bool listed = IsShown();
  if (!listed) PopupList().push_back(this);
  struct Unlist {
    TkcCustomPopupWindow* p;
    bool listed;
    ~Unlist() {
      if (!listed) {
        auto& list = PopupList();
        list.erase(std::remove(list.begin(), list.end(), p), list.end());
      }
    }
  } unlist{this, listed};
  inherited::CreateHandle();
}

void TkcCustomPopupWindow::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && IsShown() && HasCapture()) {
    SetCaptureControl(nullptr);
    Key = 0;
    return;
  }
  TWinControl::KeyDown(Key, Shift);
}

void TkcCustomPopupWindow::VisibleChanged() {
  auto* owner = dynamic_cast<TWinControl*>(fOwnerControl);
  if (!fTakesFocus || !owner || !HandleAllocated() || IsWindowVisible(Handle())) return;
  TCustomForm* form = owner->GetParentForm();
  if (form && form->HandleAllocated() && GetFocus() == form->Handle() && owner->CanFocus() &&
      !form->ComponentState().Contains(csDesigning))
    owner->SetFocus();
}

void TkcCustomPopupWindow::PaintWindow(HDC dc) {
  TkcCanvas canvas(Canvas());
  Canvas()->SetHandle(dc);
  fViewInfo->Bounds = fViewInfo->BorderRect = fViewInfo->ClientRect = ClientRect();
  fViewInfo->Paint(&canvas);
  Canvas()->SetHandle(HDC());
  TkcPopupWindow::PaintWindow(dc);
}

void TkcCustomPopupWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATEAPP: return;
    case WM_ERASEBKGND:
      if (NeedsEraseBackground()) break;
      Message.Result = 1;
      return;
    case KCM_CLOSEPOPUP: {
      TkcObjectLinkScope link(this);
      fDeactivatingByMessage = true;
      struct Clear {
        TkcCustomPopupWindow* p;
        TkcObjectLinkScope& link;
        ~Clear() {
          if (link.Alive()) p->fDeactivatingByMessage = false;
        }
      } clear{this, link};
      ClosePopup();
      if (!link.Alive()) return;
      if (auto* owner = dynamic_cast<TWinControl*>(fOwnerControl); owner && owner->HandleAllocated())
        SendMessage(owner->Handle(), WM_SETFOCUS);
      return;
    }
    case KCM_SHOWPOPUPAGAIN: ShowPopup(fFocusTarget); return;
  }
  inherited::Dispatch(Message);
}

// ---- Hooks that close popups ----------------------------------------------------------------

namespace {

HHOOK gCallWndHook, gGetMessageHook, gMouseHook;
bool gClosingByMouse = false;

bool IsBeingDestroyed(TComponent* AComponent) {
  return AComponent && AComponent->ComponentState().Contains(csDestroying);
}

TCustomForm* OwnerForm(TkcCustomPopupWindow* APopup) {
  return APopup->OwnerControl() ? APopup->OwnerControl()->GetParentForm() : nullptr;
}

HWND FormWindow(TCustomForm* AForm) { return AForm && AForm->HandleAllocated() ? AForm->Handle() : HWND(); }
HWND OwnHandle(TWinControl* AControl) { return AControl->HandleAllocated() ? AControl->Handle() : HWND(); }

void CallWndProcAction(const CWPSTRUCT& cwp) {
  auto& list = PopupList();
  switch (cwp.message) {
    case WM_NCACTIVATE:
      if (cwp.wParam) return;
      if (gClosingByMouse) {
        SuppressNextMessage(cwp.hwnd);
        return;
      }
      for (auto* p : std::vector<TkcCustomPopupWindow*>(list))
        if (!IsBeingDestroyed(p) && FormWindow(OwnerForm(p)) == cwp.hwnd) {
          SuppressNextMessage(cwp.hwnd);
          return;
        }
      return;
    case WM_ACTIVATEAPP: {
      if (cwp.wParam) return;
      for (std::size_t i = 0; i < list.size();) {
        TkcCustomPopupWindow* p = list[i];
        TCustomForm* form = OwnerForm(p);
        if (HWND fw = FormWindow(form)) PostMessage(fw, WM_NCACTIVATE, FALSE, 0);
        bool skip =
            (p->TakesFocus() && form && form->Active()) || (p->HandleAllocated() && !IsWindowEnabled(p->Handle()));
        if (skip) {
          ++i;
          continue;
        }
        TControl* owner = p->OwnerControl();
        p->ClosePopup();
        if (auto* container = dynamic_cast<TkcContainer*>(owner)) container->FocusChanged();
        i = 0;
      }
      return;
    }
    case WM_DESTROY:
      for (auto* p : list)
        if (!IsBeingDestroyed(p) && OwnHandle(p) == cwp.hwnd) {
          p->Close();
          return;
        }
      return;
    case WM_CLOSE:
      for (auto* p : std::vector<TkcCustomPopupWindow*>(list)) {
        if (IsBeingDestroyed(p)) continue;
        if (OwnHandle(p) == cwp.hwnd) {
          TkcObjectLinkScope link(p);
          if (p->CloseQuery()) p->ClosePopup();
          if (link.Alive() && !p->IsShown() && p->TakesFocus() && !IsBeingDestroyed(p->OwnerControl())) {
            auto* owner = dynamic_cast<TWinControl*>(p->OwnerControl());
            if (owner && owner->HandleAllocated())
              if (HWND top = FindNonChildParentWindow(owner->Handle())) SendMessage(top, WM_CLOSE);
          }
          return;
        }
        if (p->TakesFocus()) continue;
        if (IsBeingDestroyed(p->OwnerControl())) continue;
        TCustomForm* form = OwnerForm(p);
        if (!form || !form->HandleAllocated() || form->Handle() == cwp.hwnd) p->ClosePopup();
        return;
      }
      return;
    case WM_SHOWWINDOW: {
      if (cwp.wParam) return;
      for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
        TkcCustomPopupWindow* p = list[i];
        auto* owner = dynamic_cast<TWinControl*>(p->OwnerControl());
        if (IsBeingDestroyed(p) || !owner || IsBeingDestroyed(owner) || !owner->HandleAllocated()) continue;
        // Hiding the owner's window closes its popup and every popup shown after it.
        if (owner->Handle() == cwp.hwnd || OwnHandle(p) == cwp.hwnd) {
          std::vector<TkcCustomPopupWindow*> above(list.begin() + i, list.end());
          for (auto it = above.rbegin(); it != above.rend(); ++it) (*it)->ClosePopup();
          return;
        }
      }
      return;
    }
    case WM_WINDOWPOSCHANGED: {
      bool again = true;
      while (again) {
        again = false;
        for (auto* p : list) {
          if (IsBeingDestroyed(p) || !p->HandleAllocated() || IsBeingDestroyed(p->OwnerControl())) continue;
          if (p->Handle() == cwp.hwnd && !IsWindowVisible(cwp.hwnd) && !p->IsShowing()) {
            p->ClosePopup();
            again = true;
            break;
          }
        }
      }
      return;
    }
  }
}

bool ProcessPopupMouseDown(HWND AWindow, UINT AMessage, const TPoint& P) {
  bool result = true, passThrough = true;
  auto& list = PopupList();
  for (std::size_t i = 0; i < list.size();) {
    TkcCustomPopupWindow* p = list[i];
    TCustomForm* form = OwnerForm(p);
    if ((p->TakesFocus() && !p->Active()) || IsWindowOfControl(p, AWindow, true)) {
      ++i;
      continue;
    }
    auto* popupForm = dynamic_cast<TkcCustomPopupWindow*>(form);
    TControl* owner = p->OwnerControl();
    if (IsWindowInControlForm(owner, AWindow) || (popupForm && !popupForm->IsShown()) || !owner) {
      auto* ownerWin = dynamic_cast<TWinControl*>(owner);
      if ((AMessage == WM_LBUTTONDOWN || AMessage == WM_LBUTTONDBLCLK) && ownerWin &&
          IsWindowOfControl(ownerWin, AWindow, true)) {
        TRect r;
        p->GetOwnerScreenBounds(r);
        if (PtInRect(&r, P)) passThrough = false;
      }
      gClosingByMouse = true;
      p->SetDeactivatingByMessage(true);
      TkcObjectLinkScope link(p);
      struct Clear {
        TkcCustomPopupWindow* p;
        TkcObjectLinkScope& link;
        ~Clear() {
          gClosingByMouse = false;
          if (link.Alive()) p->SetDeactivatingByMessage(false);
        }
      } clear{p, link};
      p->ClosePopup();
      if (!passThrough && ownerWin && (IsBeingDestroyed(ownerWin) || !IsWindowVisibleControl(ownerWin))) result = false;
      i = 0;
      continue;
    }
    ++i;
  }
  return result;
}

LRESULT CALLBACK_CallWndProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && !PopupList().empty()) CallWndProcAction(*reinterpret_cast<CWPSTRUCT*>(lParam));
  return CallNextHookEx(gCallWndHook, code, wParam, lParam);
}

LRESULT CALLBACK_GetMessage(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE && !PopupList().empty()) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    TkcCustomPopupWindow* top = PopupList().back();
    if (msg->message == WM_SYSKEYDOWN && !(top->TakesFocus() && top->ModalLoop) &&
        !top->AcceptsSysKey(static_cast<WORD>(msg->wParam)))
      msg->message = WM_NULL;
  }
  return CallNextHookEx(gGetMessageHook, code, wParam, lParam);
}

LRESULT CALLBACK_Mouse(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && !PopupList().empty()) {
    UINT msg = static_cast<UINT>(wParam);
    if (msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONDBLCLK || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
      auto* info = reinterpret_cast<MOUSEHOOKSTRUCT*>(lParam);
      if (!ProcessPopupMouseDown(info->hwnd, msg, info->pt)) return 1;
    }
  }
  return CallNextHookEx(gMouseHook, code, wParam, lParam);
}

}  // namespace

void InstallPopupHooks() {
  // Installed again each time: a window layer that was reset has dropped its hooks.
  if (gCallWndHook) UnhookWindowsHookEx(gCallWndHook);
  if (gGetMessageHook) UnhookWindowsHookEx(gGetMessageHook);
  if (gMouseHook) UnhookWindowsHookEx(gMouseHook);
  gCallWndHook = SetWindowsHookEx(WH_CALLWNDPROC, CALLBACK_CallWndProc);
  gGetMessageHook = SetWindowsHookEx(WH_GETMESSAGE, CALLBACK_GetMessage);
  gMouseHook = SetWindowsHookEx(WH_MOUSE, CALLBACK_Mouse);
}
