#include "editors-extended/kcBlobEdit.h"

#include "editors/kcEditUtils.h"
#include "platform/core/Utf8.h"

namespace tl = kcTextLayout;

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

// ---- Icons -----------------------------------------------------------------------------------

namespace {

// One 18 by 16 icon at X of the strip: a sheet for every kind, its contents drawn only for a
// value that is present (an empty value shows the bare sheet in grey).
void DrawBlobIcon(TCanvas* C, int AIndex, int X) {
  const bool filled = AIndex % 2 == 1;
  const int kind = AIndex / 2;  // 0 blob, 1 memo, 2 picture, 3 OLE
  const TColor ink = filled ? clBlack : clGray;
  C->Pen()->SetColor(ink);
  C->Brush()->SetColor(clWhite);
  C->Rectangle(X + 2, 1, X + 16, 15);
  C->Brush()->SetColor(ink);
  switch (kind) {
    case 0:  // bytes: a block of dots
      for (int y = 4; y < 12; y += 3)
        for (int x = X + 5; x < X + 14; x += 3) C->FillRect(TRect{x, y, x + 2, y + 2});
      break;
    case 1:  // text: lines
      for (int y = 4; y < 13; y += 2) C->FillRect(TRect{X + 5, y, X + (y == 12 ? 10 : 14), y + 1});
      break;
    case 2:  // picture: sun and hill
      if (filled) {
        C->Brush()->SetColor(clYellow);
        C->Ellipse(X + 10, 3, X + 14, 7);
        C->Brush()->SetColor(clGreen);
        C->Pen()->SetColor(clGreen);
      }
      C->Polygon({TPoint{X + 4, 13}, TPoint{X + 8, 7}, TPoint{X + 14, 13}});
      break;
    default:  // embedded object: two frames
      C->Brush()->SetStyle(bsClear);
      C->Rectangle(X + 4, 3, X + 11, 9);
      C->Rectangle(X + 7, 7, X + 14, 13);
      C->Brush()->SetStyle(bsSolid);
      break;
  }
}

}  // namespace

TCustomImageList* BlobImages() {
  // Lives to the end of the process, as the navigator's glyphs do.
  static TCustomImageList* images = [] {
    auto* list = new TCustomImageList(nullptr);
    list->SetWidth(18);
    list->SetHeight(16);
    TBitmap strip(18 * 8, 16);
    TCanvas* c = strip.Canvas();
    c->Brush()->SetColor(clOlive);
    c->FillRect(TRect{0, 0, strip.Width(), strip.Height()});
    for (int i = 0; i < 8; ++i) DrawBlobIcon(c, i, i * 18);
    list->AddMasked(&strip, clOlive);
    return list;
  }();
  return images;
}

// ---- View data and view info ----------------------------------------------------------------

TkcCustomEditViewData* TkcCustomBlobEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* data = new TkcBlobEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

void TkcBlobEditViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  if (!ACanvas->RectVisible(Bounds)) return;
  const HDC dc = ACanvas->Handle();
  // The icon's exclusion holds for the background below only.
  const int outer = SaveDC(dc);
  if (ImageIndex != -1) {
    TRect r{};
    IntersectRect(&r, &ImageRect, &ClientRect);
    DrawImageListImage(ACanvas, BlobImages(), ImageIndex, ImageRect, r, Transparent, BackgroundColor, Enabled);
  }
  // The background, and the text when there is no icon.
  TkcCustomTextEditViewInfo::DrawBackground(ACanvas);
  RestoreDC(dc, outer);
  if (ShowFocusRect) {
    TCanvas* c = ACanvas->Canvas();
    c->Font()->SetColor(clWhite);
    c->Brush()->SetColor(clBlack);
    TRect r = ClientRect;
    InflateRect(&r, -1, -1);
    c->DrawFocusRect(r);
  }
}

void TkcBlobEditViewInfo::OffsetBounds(int DX, int DY) {
  TkcCustomTextEditViewInfo::OffsetBounds(DX, DY);
  OffsetRect(&ImageRect, DX, DY);
}

String TkcBlobEditViewData::GetDisplayText(const Variant& AEditValue) {
  return WideToUtf8(BlobProperties()->GetBlobText(AEditValue));
}

void TkcBlobEditViewData::FillViewInfoValue(TkcCanvas* ACanvas, const Variant& AEditValue,
                                            TkcCustomTextEditViewInfo* AViewInfo) {
  auto* info = static_cast<TkcBlobEditViewInfo*>(AViewInfo);
  TkcCustomBlobEditProperties* p = BlobProperties();
  p->ResolveAutoEditKind();
  if (p->BlobPaintStyle() == bpsIcon) {
    info->Text.clear();
    info->IsLaidOut = false;
    // An unresolved kind keeps what it showed.
    if (p->BlobEditKind() != bekAuto) info->ImageIndex = p->GetBlobImageIndex(AEditValue);
    return;
  }
  TkcCustomDropDownEditViewData::FillViewInfoValue(ACanvas, AEditValue, AViewInfo);
  info->ImageIndex = -1;
}

void TkcBlobEditViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                    TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomDropDownEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcBlobEditViewInfo*>(AViewInfo);
  TCustomImageList* images = BlobImages();
  const TRect& c = info->ClientRect;
  const int left = c.left + (c.right - c.left - images->Width()) / 2;
  const int top = c.top + (c.bottom - c.top - images->Height()) / 2;
  info->ImageRect = TRect{left, top, left + images->Width(), top + images->Height()};
  // A stand-alone editor shows its own value.
  if (auto* edit = Edit ? dynamic_cast<TkcCustomEdit*>(Edit->GetEditObject()) : nullptr)
    FillViewInfoValue(ACanvas, edit->EditValue(), info);
  info->IsHighlighted = false;
  info->TextFlags = tl::kctfSingleLine | tl::kctfVCenter | (!IsInplace || EndEllipsis ? tl::kctfEndEllipsis : 0u);
  info->BaseTextFlags = info->TextFlags;
  info->WrapRequested = false;
  info->ShowFocusRect = Focused && !IsInplace && !HasPopupWindow;
}

TSize TkcBlobEditViewData::GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue,
                                          const TkcEditSizeProperties& ASize) {
  TSize size = TkcCustomDropDownEditViewData::GetContentSize(ACanvas, AEditValue, ASize);
  if (BlobProperties()->BlobPaintStyle() == bpsIcon) size.cx += BlobImages()->Width();
  return size;
}

// ---- Popup keys ------------------------------------------------------------------------------

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
