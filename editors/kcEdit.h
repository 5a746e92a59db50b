#pragma once
// The windowless editor model: an editor kind's properties (shared by every editor and grid
// cell of that kind), the defaults a data source supplies through its provider, the content
// alignment and the edit buttons. Whatever a properties object needs of an edit control it
// asks through IkcEditHost, so a grid cell formats, validates and measures with no control.

#include <memory>

#include "controls/kcClasses.h"
#include "data/kcDataFields.h"
#include "platform/core/Variants.h"
#include "platform/db/DB.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Menus.h"

class TkcCustomEditProperties;
class TkcCustomEditStyle;
class TkcCustomEditViewData;
struct TkcEditSizeProperties;
class TkcCanvas;

// ---- Default values provider ---------------------------------------------------------------

enum TkcBlobKind { bkNone = 0, bkGraphic = 2, bkMemo = 3, bkOle = 4 };

struct IkcEditDefaultValuesProvider : IInterface {
  VT_INTERFACE("{AE727882-6FDF-4E3A-AB35-E58AB28EFE7B}")
  virtual bool CanEnterEditMode() = 0;
  virtual void DetachProperties() = 0;
  virtual TAlignment GetDefaultAlignment() = 0;
  virtual int GetDefaultBlobKind() = 0;
  virtual bool CanModifyValue() = 0;
  virtual String GetDefaultDisplayFormat() = 0;
  virtual String GetDefaultEditFormat() = 0;
  virtual String GetDefaultEditMask() = 0;
  virtual bool IsFloatValue() = 0;
  virtual int GetDefaultMaxLength() = 0;
  virtual double GetDefaultMaxValue() = 0;
  virtual double GetDefaultMinValue() = 0;
  virtual int GetDefaultPrecision() = 0;
  virtual bool GetDefaultReadOnly() = 0;
  virtual bool GetDefaultRequired() = 0;
  virtual TObject* GetInstance() = 0;
  virtual bool IsFieldBased() = 0;
  virtual bool IsBlobValue() = 0;
  virtual bool IsCurrencyValue() = 0;
  virtual bool IsSourceActive() = 0;
  virtual bool HasDisplayFormat(bool AAcceptCurrency) = 0;
  virtual bool HasCustomDisplayText() = 0;
  virtual bool AcceptsChar(char32_t ACh) = 0;

protected:
  ~IkcEditDefaultValuesProvider() = default;
};

// Neutral answers; data-aware providers derive from it. Destroying a provider detaches it from
// every properties object that still refers to it.
class TkcCustomEditDefaultValuesProvider : public TkcInterfacedPersistent, public IkcEditDefaultValuesProvider {
  VT_CLASS(TkcCustomEditDefaultValuesProvider, TkcInterfacedPersistent)
public:
  explicit TkcCustomEditDefaultValuesProvider(TPersistent* AOwner = nullptr) : TkcInterfacedPersistent(AOwner) {}
  ~TkcCustomEditDefaultValuesProvider() override;

  bool CanEnterEditMode() override { return true; }
  void DetachProperties() override;
  TAlignment GetDefaultAlignment() override { return taLeftJustify; }
  int GetDefaultBlobKind() override { return bkMemo; }
  bool CanModifyValue() override { return true; }
  String GetDefaultDisplayFormat() override { return String(); }
  String GetDefaultEditFormat() override { return String(); }
  String GetDefaultEditMask() override { return String(); }
  bool IsFloatValue() override { return false; }
  int GetDefaultMaxLength() override { return 0; }
  double GetDefaultMaxValue() override { return 0; }
  double GetDefaultMinValue() override { return 0; }
  int GetDefaultPrecision() override { return 15; }
  bool GetDefaultReadOnly() override { return false; }
  bool GetDefaultRequired() override { return false; }
  TObject* GetInstance() override { return this; }
  bool IsFieldBased() override { return false; }
  bool IsBlobValue() override { return false; }
  bool IsCurrencyValue() override { return false; }
  bool IsSourceActive() override { return true; }
  bool HasDisplayFormat(bool) override { return false; }
  bool HasCustomDisplayText() override { return false; }
  bool AcceptsChar(char32_t) override { return true; }

  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
};

// ---- What the model asks of an edit control --------------------------------------------------

struct IkcEditHost : IInterface {
  VT_INTERFACE("{35C1A0F6-3D27-4B0E-9E51-7F4A2C61B8D3}")
  // The sender of the edit's events.
  virtual TObject* GetEditObject() = 0;
  // The edit's own properties, and those of its repository item (null without one).
  virtual TkcCustomEditProperties* GetOwnProperties() = 0;
  virtual TkcCustomEditProperties* GetRepositoryItemProperties() = 0;
  virtual Variant GetEditDisplayValue() = 0;
  virtual bool IsEditFocused() = 0;
  virtual bool IsEditInplace() = 0;
  virtual bool IsEditDesigning() = 0;
  virtual bool IsEditModifiedAfterEnter() = 0;
  // The visible index of the edit button held pressed under the mouse capture, -1 for none.
  virtual int GetCapturedButtonIndex() { return -1; }
  // Whether the edit holds the mouse capture (it stays hot while a button is held down).
  virtual bool IsEditMouseCaptured() { return false; }
  virtual void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) = 0;

protected:
  ~IkcEditHost() = default;
};

// ---- Alignment and assigned values -----------------------------------------------------------

enum TkcEditVertAlignment { taTopJustify, taBottomJustify, taVCenter };

class TkcEditAlignment : public TPersistent {
  VT_CLASS(TkcEditAlignment, TPersistent)
public:
  explicit TkcEditAlignment(TPersistent* AOwner) : fOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TAlignment Horz() const { return fHorz; }
  void SetHorz(TAlignment Value);
  TkcEditVertAlignment Vert() const { return fVert; }
  void SetVert(TkcEditVertAlignment Value);
  bool IsHorzAssigned() const { return fIsHorzAssigned; }
  // Forgets the assigned horizontal alignment (the value stays).
  void Reset();
  bool IsHorzStored() const { return fIsHorzAssigned; }
  bool IsVertStored() const { return fVert != taTopJustify; }
  TNotifyEvent OnChanged;

protected:
  TPersistent* GetOwner() override { return fOwner; }

private:
  friend class TkcCustomEditProperties;
  void DoChanged();
  TPersistent* fOwner;
  TAlignment fHorz = taLeftJustify;
  bool fIsHorzAssigned = false;
  TkcEditVertAlignment fVert = taTopJustify;
};

// Which values are set on the properties instead of taken from the data source.
class TkcCustomEditPropertiesValues : public TPersistent {
  VT_CLASS(TkcCustomEditPropertiesValues, TPersistent)
public:
  using TConstructorArgs = std::tuple<TPersistent*>;
  explicit TkcCustomEditPropertiesValues(TPersistent* AOwner) : fOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  void BeginUpdate();
  void EndUpdate();
  virtual void RestoreDefaults();
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool Value);

protected:
  TPersistent* GetOwner() override { return fOwner; }
  TkcCustomEditProperties* Properties() const;
  virtual void Changed();
  // Sets a flag and tells the properties on a real change.
  void SetFlag(bool& AFlag, bool AValue);

private:
  TPersistent* fOwner;
  bool fReadOnly = false;
};
using TkcCustomEditPropertiesValuesClass = TClassOf<TkcCustomEditPropertiesValues, TPersistent*>;

// ---- Edit buttons ----------------------------------------------------------------------------

enum TkcEditButtonKind { bkEllipsis, bkDown, bkGlyph, bkText };

class TkcEditButton : public TCollectionItem {
  VT_CLASS(TkcEditButton, TCollectionItem)
public:
  explicit TkcEditButton(TCollection* Collection);
  void Assign(TPersistent* Source) override;

  const String& Caption() const { return fCaption; }
  void SetCaption(const String& Value);
  // The caption without its hot-key marks ("&&" shows one "&").
  const String& VisibleCaption() const { return fVisibleCaption; }
  bool Default() const { return fDefault; }
  void SetDefault(bool Value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  TBitmap* Glyph();
  void SetGlyph(TBitmap* Value);
  bool HasGlyph() const { return fGlyph != nullptr; }
  TkcEditButtonKind Kind() const { return fKind; }
  void SetKind(TkcEditButtonKind Value);
  bool LeftAlignment() const { return fLeftAlignment; }
  void SetLeftAlignment(bool Value);
  bool Stretchable() const { return fStretchable; }
  void SetStretchable(bool Value);
  TColor TextColor() const { return fTextColor; }
  void SetTextColor(TColor Value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  int Width() const { return fWidth; }
  void SetWidth(int Value);

private:
  template <class T>
  void Set(T& AField, const T& AValue) {
    if (AField == AValue) return;
    AField = AValue;
    Changed(false);
  }
  String fCaption, fVisibleCaption;
  bool fDefault = false, fEnabled = true, fLeftAlignment = false, fStretchable = true, fVisible = true;
  std::unique_ptr<TBitmap> fGlyph;
  TkcEditButtonKind fKind = bkDown;
  TColor fTextColor = clBtnText;
  int fWidth = 0;
};

class TkcEditButtons : public TCollection {
  VT_CLASS(TkcEditButtons, TCollection)
public:
  explicit TkcEditButtons(TPersistent* AOwner);
  TkcEditButton* Add() { return static_cast<TkcEditButton*>(TCollection::Add()); }
  TkcEditButton* Items(int Index) const { return static_cast<TkcEditButton*>(TCollection::Items(Index)); }
  int VisibleCount() const;
  TNotifyEvent OnChange;

protected:
  TPersistent* GetOwner() override { return fOwner; }
  void Update(TCollectionItem* Item) override;

private:
  TPersistent* fOwner;
};

// ---- Properties ------------------------------------------------------------------------------

enum TkcEditButtonsViewKind { bvkNormal, bvkButtonsOnly, bvkButtonsAutoWidth };
enum TkcEditCloseUpReason { crUnknown, crTab, crClose, crCancel, crEnter };

using TkcEditButtonClickEvent = TEvent<void(TObject* Sender, int AButtonIndex)>;
using TkcEditValidateEvent = TEvent<void(TObject* Sender, Variant& DisplayValue, String& ErrorText, bool& Error)>;
using TkcEditClosePopupEvent = TEvent<void(TObject* Sender, TkcEditCloseUpReason AReason)>;

// Operation support bits; a kind answers the set it supports.
constexpr int kcEditOperationButtons = 1 << 5;
// Provider format support bits.
constexpr int kcProviderFormatDisplay = 1 << 0, kcProviderFormatNoCurrency = 1 << 1;

class TkcCustomEditProperties : public TkcInterfacedPersistent {
  VT_CLASS(TkcCustomEditProperties, TkcInterfacedPersistent)
public:
  explicit TkcCustomEditProperties(TPersistent* AOwner);
  ~TkcCustomEditProperties() override;
  void Assign(TPersistent* Source) override;

  void BeginUpdate();
  void EndUpdate(bool AInvokeChanged = true);
  bool IsChangeLocked() const { return fChangeLocked || fUpdateCount > 0; }
  void LockChanged(bool ALock) { fChangeLocked = ALock; }
  bool ChangedOccurred() const { return fChangedOccurred; }
  int UpdateCount() const { return fUpdateCount; }
  virtual void Changed();

  // The published alignment object, prepared on every read: an unassigned Horz shows the
  // provider's default. Writes through it flow back and raise Changed.
  TkcEditAlignment* Alignment();
  TkcEditAlignment* InnerAlignment() const { return fInnerAlignment.get(); }
  virtual void SetAlignment(TkcEditAlignment* Value);
  // Made on first use, of the class the kind names (a constructor cannot ask its descendant).
  TkcCustomEditPropertiesValues* AssignedValues();
  void SetAssignedValues(TkcCustomEditPropertiesValues* Value) { AssignedValues()->Assign(Value); }
  bool AutoSelect() const { return fAutoSelect; }
  void SetAutoSelect(bool Value) { SetAndNotify(fAutoSelect, Value); }
  bool BeepOnError = false;
  TkcEditButtons* Buttons() const { return fButtons.get(); }
  void SetButtons(TkcEditButtons* Value) { fButtons->Assign(Value); }
  TkcEditButtonsViewKind ButtonsViewKind() const { return fButtonsViewKind; }
  void SetButtonsViewKind(TkcEditButtonsViewKind Value) { SetAndNotify(fButtonsViewKind, Value); }
  TShortCut ClearKey = 0;
  TShortCut ClickKey = 0x400D;  // Ctrl+Enter
  bool ImmediatePost = false;
  bool ReadOnly();
  void SetReadOnly(bool Value);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool Value) { SetAndNotify(fTransparent, Value); }
  bool UseLeftAlignmentOnEditing() const { return fUseLeftAlignmentOnEditing; }
  void SetUseLeftAlignmentOnEditing(bool Value) { SetAndNotify(fUseLeftAlignmentOnEditing, Value); }
  bool IsUseLeftAlignmentOnEditingStored() {
    return fUseLeftAlignmentOnEditing != GetDefaultUseLeftAlignmentOnEditing();
  }
  bool UseMouseWheel = true;
  bool ValidateOnEnter = false;
  TPersistent* Owner() const { return TkcInterfacedPersistent::Owner(); }

  IkcEditDefaultValuesProvider* DefaultValuesProvider() const { return fDefaultValuesProvider; }
  void SetDefaultValuesProvider(IkcEditDefaultValuesProvider* AProvider);
  bool CanModify();
  bool IsValueFormattedBySource();
  void DoValidate(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit,
                  bool& ADisplayValueChangedByUser);

  // Virtual operations editor kinds override.
  virtual void AlignmentChangedHandler(TObject* Sender);
  virtual void ButtonsChanged(TObject* Sender);
  virtual bool CanValidate() { return false; }
  virtual bool GetDefaultUseLeftAlignmentOnEditing() { return true; }
  virtual void ClearDefaultValuesProvider() { fDefaultValuesProvider = nullptr; }
  virtual void FreeNotification(TComponent*) {}
  virtual TkcCustomEditPropertiesValuesClass GetAssignedValuesClass();
  virtual TAlignment GetDefaultHorzAlignment();
  virtual int GetProviderFormatSupport() { return 0; }
  virtual String GetValidateErrorText(int AErrorKind);
  virtual bool IsProviderFormatDefined(bool AEditFocused);
  virtual bool HasSeparateChangeEvents() { return false; }
  virtual bool IsDisplayFocusDependent() { return true; }
  virtual bool IsTabKeyWanted() { return false; }
  virtual bool IsEditValueComparable() { return false; }
  virtual bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2);
  virtual WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true);
  virtual int GetSpecialFeatures() { return 0; }
  virtual int GetOperationSupport();
  virtual bool IsActivationKey(char32_t) { return false; }
  virtual bool IsEditValueValid(Variant&, bool) { return true; }
  virtual bool CanResetEditValue() { return false; }
  virtual void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused);
  virtual void RestoreDefaults();
  virtual void CopyDataTo(TkcCustomEditProperties*) {}
  virtual void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit);
  virtual bool IsProviderFormatUsed(bool) { return false; }
  // What an in-place editor of this kind edits: the display text where the provider formats it,
  // else the value (a lookup bound to a lookup field edits its key).
  virtual TkcDataEditValueSource GetEditValueSource(bool AEditFocused) {
    return IsProviderFormatUsed(AEditFocused) ? evsText : evsValue;
  }
  // The edit control class of this kind (a TkcCustomEdit descendant), for in-place editors.
  virtual TClass GetContainerClass();
  // A view data that lays editors of this kind out for AStyle (the caller owns it).
  virtual TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false);
  // The size of an editor of this kind for a value (grid cells and rows, filter value editors).
  TSize GetEditSize(TkcCanvas* ACanvas, TkcCustomEditStyle* AStyle, bool AIsInplace, const Variant& AEditValue,
                    const TkcEditSizeProperties& AEditSizeProperties);

  TkcEditButtonClickEvent OnButtonClick;
  TNotifyEvent OnChange;
  TkcEditClosePopupEvent OnClosePopup;
  TNotifyEvent OnEditValueChanged;
  TkcEditValidateEvent OnValidate;
  TNotifyEvent OnPropertiesChanged;

protected:
  template <class T>
  void SetAndNotify(T& AField, const T& AValue) {
    if (AField == AValue) return;
    AField = AValue;
    Changed();
  }

private:
  bool CanNotify();
  bool fAutoSelect = true;
  bool fChangedOccurred = false;
  bool fChangeLocked = false;
  bool fReadOnly = false;
  bool fTransparent = false;
  bool fUseLeftAlignmentOnEditing = true;
  TkcEditButtonsViewKind fButtonsViewKind = bvkNormal;
  int fUpdateCount = 0;
  std::unique_ptr<TkcEditButtons> fButtons;
  std::unique_ptr<TkcEditAlignment> fInnerAlignment;
  std::unique_ptr<TkcEditAlignment> fAlignment;
  std::unique_ptr<TkcCustomEditPropertiesValues> fAssignedValues;
  std::unique_ptr<TkcFreeNotificator> fFreeNotificator;
  IkcEditDefaultValuesProvider* fDefaultValuesProvider = nullptr;
};

// Every live properties object, in creation order.
const std::vector<TkcCustomEditProperties*>& GetRegisteredEditProperties();

// The nearest component up the owner chain of a persistent (null when none).
TComponent* FindOwnerComponent(TPersistent* APersistent);
