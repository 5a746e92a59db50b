#include "editors-extended/kcImage.h"

#include "controls/kcLocalize.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Jpeg.h"

// ---- Menu layout -----------------------------------------------------------------------------

TkcPopupMenuLayout::~TkcPopupMenuLayout() = default;

void TkcPopupMenuLayout::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcPopupMenuLayout*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  MenuItems = source->MenuItems;
  CustomMenuItemCaption = source->CustomMenuItemCaption;
  SetCustomMenuItemGlyph(source->fGlyph.get());
}

TBitmap* TkcPopupMenuLayout::CustomMenuItemGlyph() {
  if (!fGlyph) fGlyph = std::make_unique<TBitmap>();
  return fGlyph.get();
}

void TkcPopupMenuLayout::SetCustomMenuItemGlyph(TBitmap* Value) {
  if (!Value) {
    fGlyph.reset();
    return;
  }
  CustomMenuItemGlyph()->Assign(Value);
}

// ---- Properties ------------------------------------------------------------------------------

TkcCustomImageProperties::TkcCustomImageProperties(TPersistent* AOwner)
    : TkcCustomEditProperties(AOwner),
      fGraphicClass(GetDefaultGraphicClass()),
      fPopupMenuLayout(std::make_unique<TkcPopupMenuLayout>()) {}

TkcCustomImageProperties::~TkcCustomImageProperties() = default;

void TkcCustomImageProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomImageProperties*>(Source);
  if (!source) {
    TkcCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomEditProperties::Assign(Source);
    SetCaption(source->Caption());
    SetCenter(source->Center());
    SetCustomFilter(source->CustomFilter());
    SetGraphicClass(source->GraphicClass());
    SetGraphicTransparency(source->GraphicTransparency());
    SetPopupMenuLayout(source->PopupMenuLayout());
    SetShowFocusRect(source->ShowFocusRect());
    SetStretch(source->Stretch());
    OnAssignPicture = source->OnAssignPicture;
    OnCustomClick = source->OnCustomClick;
    OnGetGraphicClass = source->OnGetGraphicClass;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TkcCustomImageProperties::SetGraphicClass(TGraphicClass Value) {
  if (fGraphicClass.ClassInfo() == Value.ClassInfo()) return;
  fGraphicClass = Value;
  Changed();
}

String TkcCustomImageProperties::GraphicClassName() const {
  return fGraphicClass ? String(fGraphicClass.ClassInfo()->ClassName()) : String();
}

void TkcCustomImageProperties::SetGraphicClassName(const String& Value) {
  if (Value.empty()) {
    SetGraphicClass(nullptr);
    return;
  }
  if (TGraphicClass found = FindGraphicClass(Value)) SetGraphicClass(found);
}

void TkcCustomImageProperties::SetPopupMenuLayout(TkcPopupMenuLayout* Value) {
  fPopupMenuLayout->Assign(Value);
  Changed();
}

WideString TkcCustomImageProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  if (VarIsNull(AEditValue)) return WideString();
  return Utf8ToWide(fCaption);
}

TGraphicClass TkcCustomImageProperties::GetDefaultGraphicClass() {
  const auto& classes = GetRegisteredGraphicClasses();
  return classes.empty() ? TGraphicClass() : classes.front();
}

TGraphicClass TkcCustomImageProperties::GetGraphicClass(TObject* AItem, int ARecordIndex, bool APastingFromClipboard) {
  TGraphicClass result = fGraphicClass;
  if (!result && APastingFromClipboard) result = TGraphicClass::Of<TBitmap>();
  if (OnGetGraphicClass) OnGetGraphicClass(AItem, ARecordIndex, APastingFromClipboard, result);
  return result;
}

// ---- Pictures --------------------------------------------------------------------------------

const std::vector<TGraphicClass>& GetRegisteredGraphicClasses() {
  static const std::vector<TGraphicClass> classes = {TGraphicClass::Of<TBitmap>(), TGraphicClass::Of<TIcon>(),
                                                     TGraphicClass::Of<TMetafile>(), TGraphicClass::Of<TJPEGImage>()};
  return classes;
}

TGraphicClass FindGraphicClass(const String& AName) {
  for (const TGraphicClass& c : GetRegisteredGraphicClasses())
    if (SameText(c.ClassInfo()->ClassName(), AName)) return c;
  return nullptr;
}

void LoadPicture(TPicture* APicture, TGraphicClass AGraphicClass, const Variant& AValue) {
  if (VarType(AValue) != varString) {
    APicture->AdoptGraphic(nullptr);
    return;
  }
  const std::string bytes = VarToStr(AValue);
  TMemoryStream stream;
  if (!bytes.empty()) stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  if (bytes.size() >= 8) {
    // The header a blob field may carry before the picture's own stream.
    const std::uint16_t a = stream.ReadUInt16();
    const std::uint16_t b = stream.ReadUInt16();
    const std::uint32_t n = stream.ReadUInt32();
    if (!(a == 1 && b == 0x0100 && n == bytes.size() - 8)) stream.SetPosition(0);
  } else {
    stream.Clear();
  }
  if (stream.Position() >= stream.Size()) {
    APicture->AdoptGraphic(nullptr);
    return;
  }
  try {
    if (AGraphicClass) {
      std::unique_ptr<TGraphic> graphic(AGraphicClass.Create());
      graphic->LoadFromStream(&stream);
      APicture->AdoptGraphic(std::move(graphic));
    } else {
      auto bitmap = std::make_unique<TBitmap>();
      bitmap->LoadFromStream(&stream);
      APicture->AdoptGraphic(std::move(bitmap));
    }
  } catch (const Exception&) {
    APicture->AdoptGraphic(nullptr);
  }
}

std::string SavePicture(TPicture* APicture) {
  if (IsPictureBlank(APicture)) return std::string();
  TMemoryStream stream;
  APicture->Graphic()->SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

bool IsPictureBlank(TPicture* APicture) { return !APicture || !APicture->Graphic() || APicture->Graphic()->Empty(); }

TRect CalculateProportionalRect(const TRect& ARect, int AWidth, int AHeight) {
  const int w = ARect.right - ARect.left, h = ARect.bottom - ARect.top;
  if (w <= 0 || h <= 0 || AWidth <= 0 || AHeight <= 0) return ARect;
  // w / h >= AWidth / AHeight, compared without division.
  if (std::int64_t(w) * AHeight >= std::int64_t(h) * AWidth)
    return Bounds(ARect.left, ARect.top, static_cast<LONG>(std::int64_t(h) * AWidth / AHeight), h);
  return Bounds(ARect.left, ARect.top, w, static_cast<LONG>(std::int64_t(w) * AHeight / AWidth));
}

TRect CalculatePictureRect(const TRect& AClient, int AWidth, int AHeight, bool ACenter, bool AStretch,
                           const TPoint& AScrollOffset) {
  TRect r = AStretch ? CalculateProportionalRect(AClient, AWidth, AHeight)
                     : Bounds(AClient.left, AClient.top, AWidth, AHeight);
  int dx = 0, dy = 0;
  if (ACenter) {
    dx = ((AClient.right - AClient.left) - (r.right - r.left)) / 2;
    dy = ((AClient.bottom - AClient.top) - (r.bottom - r.top)) / 2;
  } else if (!AStretch) {
    dx = -AScrollOffset.x;
    dy = -AScrollOffset.y;
  }
  return Rect(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
}

bool CanPasteImageFromClipboard(TGraphicClass AGraphicClass) {
  const TClass c = AGraphicClass.ClassInfo();
  if (c == TBitmap::StaticClass() || c == TJPEGImage::StaticClass()) return Clipboard()->HasFormat(CF_BITMAP);
  if (c == TIcon::StaticClass()) return false;
  if (c == TMetafile::StaticClass()) return Clipboard()->HasFormat(CF_METAFILEPICT);
  return Clipboard()->HasFormat(CF_PICTURE);
}

namespace {

// The clipboard's drawing of its picture, as a bitmap.
std::unique_ptr<TBitmap> ClipboardBitmap() {
  TPicture pasted;
  Clipboard()->AssignTo(&pasted);
  auto bitmap = std::make_unique<TBitmap>();
  if (auto* b = dynamic_cast<TBitmap*>(pasted.Graphic())) {
    bitmap->Assign(b);
  } else if (pasted.Graphic()) {
    bitmap->SetSize(pasted.Width(), pasted.Height());
    pasted.Graphic()->Draw(bitmap->Canvas(), Rect(0, 0, pasted.Width(), pasted.Height()));
  }
  return bitmap;
}

}  // namespace

void PasteImageFromClipboard(TPicture* APicture, TGraphicClass APasteClass) {
  if (!Clipboard()->HasFormat(CF_BITMAP)) {
    Clipboard()->AssignTo(APicture);
    return;
  }
  std::unique_ptr<TBitmap> bitmap = ClipboardBitmap();
  if (APasteClass.ClassInfo() == TJPEGImage::StaticClass()) {
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->Assign(bitmap.get());
    jpeg->JPEGNeeded();
    APicture->AdoptGraphic(std::move(jpeg));
    return;
  }
  APicture->AdoptGraphic(std::move(bitmap));
}

TClass TkcCustomImageProperties::GetContainerClass() { return TkcImage::StaticClass(); }

TkcCustomEditViewData* TkcCustomImageProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                bool APreviewMode) {
  auto* data = new TkcImageViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

// ---- View data and view info ---------------------------------------------------------------

TkcImageViewInfo::~TkcImageViewInfo() {
  if (OwnsPicture) delete Picture;
}

TRect TkcImageViewInfo::PictureRect() const {
  if (IsPictureBlank(Picture)) return TRect{};
  TRect client = ClientRect;
  if (ShowFocusFrame) InflateRect(&client, -1, -1);
  return CalculatePictureRect(client, Picture->Width(), Picture->Height(), Center, Stretch, ScrollOffset);
}

void TkcImageViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  TkcCustomEditViewInfo::DrawBackground(ACanvas);
  TRect client = ClientRect;
  if (IsPictureBlank(Picture)) {
    if (!Caption.empty()) {
      ACanvas->SetFont(Font);
      ACanvas->Font()->SetColor(TextColor);
      ACanvas->Brush()->SetStyle(bsClear);
      ACanvas->DrawText(Caption, client, kctfHCenter | kctfVCenter | kctfSingleLine);
      ACanvas->Brush()->SetStyle(bsSolid);
    }
    if (ShowFocusFrame) ACanvas->FrameRect(client, clWindowFrame);
    return;
  }
  if (ShowFocusFrame) {
    ACanvas->FrameRect(client, clWindowFrame);
    InflateRect(&client, -1, -1);
  }
  const TRect picture = PictureRect();
  const int saved = SaveDC(ACanvas->Handle());
  ACanvas->IntersectClipRect(client);
  Picture->Graphic()->Draw(ACanvas->Canvas(), picture);
  RestoreDC(ACanvas->Handle(), saved);
}

void TkcImageViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcImageViewInfo*>(AViewInfo);
  TkcCustomImageProperties* p = ImageProperties();
  auto* image = Edit ? dynamic_cast<TkcCustomImage*>(Edit->GetEditObject()) : nullptr;
  if (image && !info->OwnsPicture) info->Picture = image->Picture();
  if (IsRectEmpty(&ABounds)) return;
  info->Caption = p->Caption();
  info->Center = p->Center();
  info->Stretch = p->Stretch();
  info->ShowFocusFrame = p->ShowFocusRect() && Focused && !IsInplace;
  info->ScrollOffset = image && !info->Center && !info->Stretch ? image->ScrollOffset() : TPoint{};
}

void TkcImageViewData::FillViewInfoValue(const Variant& AEditValue, TkcImageViewInfo* AViewInfo) {
  if (!AViewInfo->OwnsPicture) {
    AViewInfo->Picture = new TPicture;
    AViewInfo->OwnsPicture = true;
  }
  if (VarType(AEditValue) == varString && !VarToStr(AEditValue).empty())
    LoadPicture(AViewInfo->Picture, ImageProperties()->GetGraphicClass(nullptr, -1), AEditValue);
  else
    AViewInfo->Picture->AdoptGraphic(nullptr);
  TkcImageTransparency t = ImageProperties()->GraphicTransparency();
  if (t != gtDefault && !IsPictureBlank(AViewInfo->Picture))
    AViewInfo->Picture->Graphic()->SetTransparent(t == gtTransparent);
}

TSize TkcImageViewData::GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue,
                                       const TkcEditSizeProperties& ASize) {
  TkcCustomImageProperties* p = ImageProperties();
  auto* image = Edit ? dynamic_cast<TkcCustomImage*>(Edit->GetEditObject()) : nullptr;
  if (!IsInplace) return image ? TSize{image->Picture()->Width(), image->Picture()->Height()} : TSize{0, 0};
  if (image) {
    const TRect border = GetBorderExtent();
    return TSize{image->Width() - border.left - border.right, image->Height() - border.top - border.bottom};
  }
  TSize size{0, p->DefaultContentHeight()};
  if (VarType(AEditValue) == varString) {
    TPicture picture;
    LoadPicture(&picture, p->GetGraphicClass(nullptr, -1), AEditValue);
    const int w = picture.Width(), h = picture.Height();
    size = TSize{w, h};
    if (p->Stretch()) {
      if (ASize.Width > 0 && w > 0)
        size = TSize{ASize.Width, MulDiv(ASize.Width, h, w)};
      else if (ASize.Height > 0 && h > 0)
        size = TSize{MulDiv(ASize.Height, w, h), ASize.Height};
    }
  } else if (!p->Caption().empty() && ACanvas) {
    ACanvas->SetFont(Style->GetVisibleFont());
    size = ACanvas->TextExtent(p->Caption());
  }
  return size;
}

// ---- Image editor --------------------------------------------------------------------------

TkcCustomImage::~TkcCustomImage() {
  if (fPicture) fPicture->OnChange = nullptr;
}

void TkcCustomImage::Initialize() {
  fPicture = std::make_unique<TPicture>();
  fPicture->OnChange = TNotifyEvent(this, &TkcCustomImage::PictureChanged);
  TkcCustomEdit::Initialize();
  SetAutoSize(false);
  SetBounds(Left(), Top(), 140, 100);
}

template <class F>
void TkcCustomImage::AsUser(F&& f) {
  const bool was = fUserChange;
  fUserChange = true;
  try {
    f();
  } catch (...) {
    fUserChange = was;
    throw;
  }
  fUserChange = was;
}

Variant TkcCustomImage::GetEditValue() {
  if (IsPictureBlank(fPicture.get())) return Null();
  return Variant(SavePicture(fPicture.get()));
}

void TkcCustomImage::SynchronizeDisplayValue() {
  const bool was = fLoading;
  fLoading = true;
  try {
    const Variant value = TkcCustomEdit::GetEditValue();
    if (VarType(value) == varString)
      LoadPicture(fPicture.get(), GetGraphicClass(false), value);
    else
      fPicture->AdoptGraphic(nullptr);
  } catch (...) {
    fLoading = was;
    throw;
  }
  fLoading = was;
  SetModified(false);
}

void TkcCustomImage::PictureChanged(TObject*) {
  LockChangeEvents(true);
  try {
    TkcImageTransparency t = ActiveProperties()->GraphicTransparency();
    if (t != gtDefault && !IsPictureBlank(fPicture.get())) {
      TNotifyEvent saved = fPicture->OnChange;
      fPicture->OnChange = nullptr;
      fPicture->Graphic()->SetTransparent(t == gtTransparent);
      fPicture->OnChange = saved;
    }
    fScrollOffset = TPoint{};
    if (!fLoading) {
      // The stored value follows the picture, so a reset after Escape has what to go back to.
      SetStoredEditValue(GetEditValue());
      if (fUserChange) SetModifiedAfterEnter(true);
      DoChange();
    }
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
  CalculateViewInfo(TPoint{-1, -1}, false);
  UpdateScrollBars();
}

bool TkcCustomImage::IsPictureScrollable() {
  TkcCustomImageProperties* p = ActiveProperties();
  return !IsInplace() && !p->Center() && !p->Stretch() && !IsPictureBlank(fPicture.get());
}

void TkcCustomImage::InitScrollBarsParameters() {
  const TRect client = EditViewInfo() ? EditViewInfo()->ClientRect : TRect{};
  const bool scrollable = IsPictureScrollable() && !IsRectEmpty(&client);
  const int pw = scrollable ? fPicture->Width() : 0, ph = scrollable ? fPicture->Height() : 0;
  SetScrollBarInfo(sbHorizontal, 0, pw - 1, 8, client.right - client.left, fScrollOffset.x, scrollable, true);
  SetScrollBarInfo(sbVertical, 0, ph - 1, 8, client.bottom - client.top, fScrollOffset.y, scrollable, true);
}

void TkcCustomImage::Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APosition) {
  if (!IsPictureScrollable()) return;
  const TRect client = EditViewInfo()->ClientRect;
  const bool horizontal = AKind == sbHorizontal;
  const int extent = horizontal ? fPicture->Width() : fPicture->Height();
  const int page = horizontal ? client.right - client.left : client.bottom - client.top;
  int& offset = horizontal ? fScrollOffset.x : fScrollOffset.y;
  int position = offset;
  switch (ACode) {
    case scLineUp: position -= 8; break;
    case scLineDown: position += 8; break;
    case scPageUp: position -= page; break;
    case scPageDown: position += page; break;
    case scTop: position = 0; break;
    case scBottom: position = extent; break;
    default: position = APosition; break;
  }
  // Never beyond the picture's end, never before its start.
  offset = std::max(0, std::min(position, extent - page));
  APosition = offset;
  ApplyScrollOffsets();
}

void TkcCustomImage::ApplyScrollOffsets() {
  CalculateViewInfo(TPoint{-1, -1}, false);
  UpdateScrollBars();
}

void TkcCustomImage::PropertiesChanged(TObject* Sender) {
  if (fPicture) PictureChanged(fPicture.get());
  TkcCustomEdit::PropertiesChanged(Sender);
}

TGraphicClass TkcCustomImage::GetGraphicClass(bool APastingFromClipboard) {
  TkcCustomImageProperties* p = ActiveProperties();
  if (IsInplace()) return p->GetGraphicClass(this, -1, APastingFromClipboard);
  TGraphicClass result = p->GraphicClass();
  if (!result && APastingFromClipboard) result = TGraphicClass::Of<TBitmap>();
  if (OnGetGraphicClass) OnGetGraphicClass(this, APastingFromClipboard, result);
  return result;
}

bool TkcCustomImage::CanPasteFromClipboard() { return CanPasteImageFromClipboard(ActiveProperties()->GraphicClass()); }

void TkcCustomImage::CopyToClipboard() {
  if (fPicture->Graphic()) Clipboard()->Assign(fPicture.get());
}

void TkcCustomImage::CutToClipboard() {
  CopyToClipboard();
  ClearPicture();
}

void TkcCustomImage::PasteFromClipboard() {
  if (!CanModify() || !CanPasteFromClipboard() || !DoEditing()) return;
  AsUser([this] { PasteImageFromClipboard(fPicture.get(), GetGraphicClass(true)); });
}

void TkcCustomImage::ClearPicture() {
  if (!CanModify() || !DoEditing()) return;
  AsUser([this] { fPicture->AdoptGraphic(nullptr); });
}

void TkcCustomImage::DoCustomClick() {
  if (Properties() && static_cast<TkcCustomImageProperties*>(Properties())->OnCustomClick)
    static_cast<TkcCustomImageProperties*>(Properties())->OnCustomClick(this);
  if (RepositoryItem()) {
    auto* p = static_cast<TkcCustomImageProperties*>(RepositoryItem()->Properties());
    if (p->OnCustomClick) p->OnCustomClick(this);
  }
}

bool TkcCustomImage::ExecuteDialog(TOpenDialog& ADialog) {
  // The editor counts as focused while its dialog is open, so it keeps its focused look.
  fDialogOpen = true;
  try {
    const bool confirmed = ADialog.Execute();
    fDialogOpen = false;
    return confirmed;
  } catch (...) {
    fDialogOpen = false;
    throw;
  }
}

void TkcCustomImage::LoadFromFile() {
  if (!CanModify()) return;
  TkcCustomImageProperties* p = ActiveProperties();
  TOpenDialog dialog(nullptr);
  dialog.Filter = !p->CustomFilter().empty() ? p->CustomFilter() : GraphicFilter(p->GraphicClass());
  const bool loaded = ExecuteDialog(dialog) && DoEditing();
  if (loaded) {
    // A file that is no picture leaves the picture as it was and says why.
    TPicture picture;
    picture.LoadFromFile(dialog.FileName);
    AsUser([&] { fPicture->Assign(&picture); });
  }
  if (p->OnClosePopup) p->OnClosePopup(this, loaded ? crEnter : crCancel);
}

void TkcCustomImage::SaveToFile() {
  if (!fPicture->Graphic()) return;
  TkcCustomImageProperties* p = ActiveProperties();
  TSaveDialog dialog(Application);
  const TGraphicClass cls(fPicture->Graphic()->ClassType());
  dialog.Filter = !p->CustomFilter().empty() ? p->CustomFilter() : GraphicFilter(cls);
  dialog.DefaultExt = GraphicExtension(cls);
  if (ExecuteDialog(dialog)) fPicture->SaveToFile(dialog.FileName);
}

void TkcCustomImage::KeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomEdit::KeyDown(Key, Shift);
  if (Key == 0) return;
  AsUser([&] {
    if (Key == VK_INSERT && Shift.Contains(ssShift)) {
      PasteFromClipboard();
      Key = 0;
    } else if (Key == VK_INSERT && Shift.Contains(ssCtrl)) {
      CopyToClipboard();
      Key = 0;
    } else if (Key == VK_DELETE && Shift.Contains(ssShift)) {
      CutToClipboard();
      Key = 0;
    }
  });
}

void TkcCustomImage::KeyPress(char32_t& Key) {
  TkcCustomEdit::KeyPress(Key);
  AsUser([&] {
    switch (Key) {
      case 3: CopyToClipboard(); break;
      case 22: PasteFromClipboard(); break;
      case 24: CutToClipboard(); break;
      default: return;
    }
    Key = 0;
  });
}

TPopupMenu* TkcCustomImage::UpdateContextMenu() {
  static const char* const captions[] = {"Cu&t", "&Copy", "&Paste", "&Delete", "-", "&Load...", "Save &As...", "-", ""};
  if (!fMenu) {
    fMenu = new TPopupMenu(this);
    for (int i = 0; i < 9; ++i) {
      auto* item = new TMenuItem(fMenu);
      item->SetCaption(captions[i]);
      item->OnClick = [this, i](TObject*) {
        AsUser([this, i] {
          switch (i) {
            case 0: CutToClipboard(); break;
            case 1: CopyToClipboard(); break;
            case 2: PasteFromClipboard(); break;
            case 3: ClearPicture(); break;
            case 5: LoadFromFile(); break;
            case 6: SaveToFile(); break;
            case 8: DoCustomClick(); break;
            default: break;
          }
        });
      };
      fMenu->Items()->Add(item);
    }
  }
  TkcCustomImageProperties* p = ActiveProperties();
  const TkcPopupMenuItems shown = p->PopupMenuLayout()->MenuItems;
  const bool editable = CanModify();
  const bool empty = IsPictureBlank(fPicture.get());
  const bool icon = p->GraphicClass().ClassInfo() == TIcon::StaticClass();
  TMenuItem* items = fMenu->Items();
  const bool visible[] = {shown.Contains(pmiCut),   shown.Contains(pmiCopy), shown.Contains(pmiPaste),
                          shown.Contains(pmiDelete), shown.Contains(pmiLoad) || shown.Contains(pmiSave),
                          shown.Contains(pmiLoad),  shown.Contains(pmiSave), shown.Contains(pmiCustom),
                          shown.Contains(pmiCustom)};
  const bool enabled[] = {editable && !empty && !icon, !empty && !icon, editable && CanPasteFromClipboard(),
                          editable && !empty,          true,            editable,
                          !empty,                      true,            true};
  for (int i = 0; i < 9; ++i) {
    TMenuItem* item = items->Items(i);
    item->SetVisible(visible[i]);
    item->SetEnabled(enabled[i]);
    if (i < 8) item->SetCaption(LocalizeText(captions[i]));
  }
  items->Items(8)->SetCaption(p->PopupMenuLayout()->CustomMenuItemCaption);
  return fMenu;
}

void TkcCustomImage::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (PopupMenu() || ActiveProperties()->PopupMenuLayout()->MenuItems.Empty())
    return TkcCustomEdit::DoContextPopup(MousePos, Handled);
  Handled = true;
  if (MousePos.x == -1 && MousePos.y == -1) MousePos = TPoint{10, 10};
  const TPoint screen = ClientToScreen(MousePos);
  UpdateContextMenu()->Popup(screen.x, screen.y);
}
