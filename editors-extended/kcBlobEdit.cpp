#include "editors-extended/kcBlobEdit.h"

#include "platform/core/Utf8.h"

const char* const kcBlobImageNames[8] = {"KCBMBLOB_BLOB_NULL", "KCBMBLOB_BLOB", "KCBMBLOB_MEMO_NULL", "KCBMBLOB_MEMO",
                                         "KCBMBLOB_PICT_NULL", "KCBMBLOB_PICT", "KCBMBLOB_OLE_NULL",  "KCBMBLOB_OLE"};

TkcCustomBlobEditProperties::TkcCustomBlobEditProperties(TPersistent* AOwner)
    : TkcCustomPopupEditProperties(AOwner), fPictureGraphicClass(TkcCustomImageProperties::GetDefaultGraphicClass()) {
  // The drop-down button of a popup editor.
  if (Buttons()->Count() == 0) Buttons()->Add();
  // Room for the memo and the two buttons; straight into the fields, nothing to announce yet.
  fPopupMinWidth = 160;
  fPopupMinHeight = 140;
}

void TkcCustomBlobEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomBlobEditProperties*>(Source);
  if (!source) {
    TkcCustomPopupEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomPopupEditProperties::Assign(Source);
    AlwaysSaveData = source->AlwaysSaveData;
    SetBlobEditKind(source->BlobEditKind());
    SetBlobPaintStyle(source->BlobPaintStyle());
    ImmediatePopup = source->ImmediatePopup;
    MemoAutoReplace = source->MemoAutoReplace;
    MemoCharCase = source->MemoCharCase;
    MemoMaxLength = source->MemoMaxLength;
    MemoOEMConvert = source->MemoOEMConvert;
    MemoScrollBars = source->MemoScrollBars;
    MemoWantReturns = source->MemoWantReturns;
    MemoWantTabs = source->MemoWantTabs;
    MemoWordWrap = source->MemoWordWrap;
    PictureAutoSize = source->PictureAutoSize;
    PictureFilter = source->PictureFilter;
    SetPictureGraphicClass(source->PictureGraphicClass());
    PictureTransparency = source->PictureTransparency;
    ShowExPopupItems = source->ShowExPopupItems;
    ShowPicturePopup = source->ShowPicturePopup;
    OnAssignPicture = source->OnAssignPicture;
    OnGetGraphicClass = source->OnGetGraphicClass;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TkcCustomBlobEditProperties::SetBlobEditKind(TkcBlobEditKind Value) {
  if (fBlobEditKind == Value) return;
  fBlobEditKind = Value;
  if (Buttons()->Count() > 0) Buttons()->Items(0)->SetKind(Value == bekMemo || Value == bekPict ? bkDown : bkEllipsis);
  Changed();
}

void TkcCustomBlobEditProperties::SetPictureGraphicClass(TGraphicClass Value) {
  if (fPictureGraphicClass.ClassInfo() == Value.ClassInfo()) return;
  fPictureGraphicClass = Value;
  Changed();
}

String TkcCustomBlobEditProperties::PictureGraphicClassName() const {
  return fPictureGraphicClass ? String(fPictureGraphicClass.ClassInfo()->ClassName()) : String();
}

void TkcCustomBlobEditProperties::SetPictureGraphicClassName(const String& Value) {
  if (Value.empty()) {
    SetPictureGraphicClass(nullptr);
    return;
  }
  if (TGraphicClass found = FindGraphicClass(Value)) SetPictureGraphicClass(found);
}

void TkcCustomBlobEditProperties::ResolveAutoEditKind() {
  if (fBlobEditKind != bekAuto) return;
  IkcEditDefaultValuesProvider* provider = DefaultValuesProvider();
  if (provider && !provider->IsSourceActive()) return;
  TkcBlobEditKind kind = bekBlob;
  if (provider) {
    switch (provider->GetDefaultBlobKind() % 128) {
      case bkGraphic: kind = bekPict; break;
      case bkMemo: kind = bekMemo; break;
      case bkOle: kind = bekOle; break;
      default: kind = bekBlob; break;
    }
  }
  // The kind is a consequence of the data, not a change of the user's settings.
  const bool locked = IsChangeLocked();
  LockChanged(true);
  SetBlobEditKind(kind);
  LockChanged(locked);
}

TGraphicClass TkcCustomBlobEditProperties::GetGraphicClass(TObject* AItem, int ARecordIndex,
                                                           bool APastingFromClipboard) {
  TGraphicClass result = fPictureGraphicClass;
  if (!result && APastingFromClipboard) result = TGraphicClass::Of<TBitmap>();
  if (OnGetGraphicClass) OnGetGraphicClass(AItem, ARecordIndex, APastingFromClipboard, result);
  return result;
}

WideString TkcCustomBlobEditProperties::GetBlobText(const Variant& AValue, bool AFullText) {
  const bool isString = VarIsStr(AValue);
  if (AFullText && fBlobEditKind == bekMemo && isString) return VarToWideStr(AValue);
  switch (fBlobPaintStyle) {
    case bpsDefault:
      if (fBlobEditKind == bekMemo) return Utf8ToWide(LocalizeText(VarIsNull(AValue) ? "(memo)" : "(MEMO)"));
      if (fBlobEditKind == bekPict) return Utf8ToWide(LocalizeText(VarIsNull(AValue) ? "(picture)" : "(PICTURE)"));
      return WideString();
    case bpsText:
      if (fBlobEditKind == bekMemo && isString) {
        WideString text = VarToWideStr(AValue);
        const std::size_t end = text.find_first_of(u"\r\n");
        if (end != WideString::npos) text.resize(end);
        return text;
      }
      return WideString();
    default: return WideString();
  }
}

WideString TkcCustomBlobEditProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool) {
  if (VarIsNull(AEditValue)) return WideString();
  switch (fBlobEditKind) {
    case bekMemo: return GetBlobText(AEditValue, AFullText);
    case bekPict: return Utf8ToWide(LocalizeText("(PICTURE)"));
    case bekOle: return u"OLE";
    case bekBlob: return u"BLOB";
    default: return WideString();
  }
}

int TkcCustomBlobEditProperties::GetBlobImageIndex(const Variant& AValue) {
  ResolveAutoEditKind();
  if (fBlobPaintStyle != bpsIcon) return -1;
  int index;
  switch (fBlobEditKind) {
    case bekMemo: index = 2; break;
    case bekPict: index = 4; break;
    case bekOle: index = 6; break;
    case bekBlob: index = 0; break;
    default: return -1;
  }
  const bool empty = VarIsNull(AValue) || (VarIsStr(AValue) && VarToStr(AValue).empty());
  return empty ? index : index + 1;
}

bool TkcCustomBlobEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  ResolveAutoEditKind();
  return fBlobPaintStyle == bpsText && fBlobEditKind == bekMemo && VarIsStr(AEditValue1) && VarIsStr(AEditValue2) &&
         VarToStr(AEditValue1) == VarToStr(AEditValue2);
}

int TkcCustomBlobEditProperties::GetSpecialFeatures() {
  int features = TkcCustomPopupEditProperties::GetSpecialFeatures();
  if (fBlobEditKind == bekPict) features |= 1;
  return features;
}

int TkcCustomBlobEditProperties::GetOperationSupport() {
  int support = 1 << 2;
  if (Buttons()->Count() > 0) support |= 1 << 5;
  return support;
}

bool TkcCustomBlobEditProperties::IsProviderFormatUsed(bool) {
  ResolveAutoEditKind();
  IkcEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return fBlobEditKind == bekMemo && (!provider || !provider->IsBlobValue());
}

TModalResult TranslateBlobPopupKey(WORD AKey, TShiftState AShift, bool AAlwaysSaveData, bool ACloseOnEnter) {
  const bool alt = AShift.Contains(ssAlt);
  if ((AKey == VK_F4 && !alt) || AKey == VK_ESCAPE || ((AKey == VK_UP || AKey == VK_DOWN) && alt))
    return AAlwaysSaveData && AKey != VK_ESCAPE ? mrOk : mrCancel;
  if (AKey == VK_RETURN && (AShift.Contains(ssCtrl) || ACloseOnEnter)) return mrOk;
  return mrNone;
}

bool ShouldPostBlobPopupValue(bool APopupModified, TModalResult AModalResult, bool AAlwaysSaveData) {
  return APopupModified && (AModalResult == mrOk || (AModalResult != mrCancel && AAlwaysSaveData));
}
