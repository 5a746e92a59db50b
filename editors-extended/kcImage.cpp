#include "editors-extended/kcImage.h"

#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"
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
