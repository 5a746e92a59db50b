#include "platform/forms/ImgList.h"

#include <algorithm>

TChangeLink::~TChangeLink() {
  if (fSender) fSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(fSender);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}
TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : fLinks) link->fSender = nullptr;
  fLinks.clear();
  if (fHandle) ImageList_Destroy(fHandle);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value || Value->fSender == this) return;
  if (Value->fSender) Value->fSender->UnRegisterChanges(Value);
  Value->fSender = this;
  fLinks.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(fLinks.begin(), fLinks.end(), Value);
  if (it == fLinks.end()) return;
  fLinks.erase(it);
  Value->fSender = nullptr;
}

void TCustomImageList::Changed() {
  if (OnChange) OnChange(this);
  // A link's client may unregister links while being told; only links still registered hear.
  const std::vector<TChangeLink*> links = fLinks;
  for (TChangeLink* link : links)
    if (std::find(fLinks.begin(), fLinks.end(), link) != fLinks.end()) link->Change();
}

void TCustomImageList::Recreate() {
  if (fHandle) ImageList_Destroy(fHandle);
  fHandle = HIMAGELIST();
  Changed();
}

HIMAGELIST TCustomImageList::Handle() {
  if (!fHandle) fHandle = ImageList_Create(fWidth, fHeight, ILC_MASK | ILC_COLOR32, 4, 4);
  return fHandle;
}

void TCustomImageList::SetWidth(int v) {
  if (v == fWidth || v <= 0) return;
  fWidth = v;
  Recreate();
}
void TCustomImageList::SetHeight(int v) {
  if (v == fHeight || v <= 0) return;
  fHeight = v;
  Recreate();
}

int TCustomImageList::Count() const { return fHandle ? ImageList_GetImageCount(fHandle) : 0; }

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  if (!Image || Image->Empty()) return -1;
  int r = ImageList_Add(Handle(), Image->Handle(), Mask && !Mask->Empty() ? Mask->Handle() : HBITMAP());
  Changed();
  return r;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty()) return -1;
  if (MaskColor == clDefault) MaskColor = Image->TransparentColor();
  int r = ImageList_AddMasked(Handle(), Image->Handle(), ColorToRGB(MaskColor));
  Changed();
  return r;
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid image index");
  ImageList_Replace(Handle(), Index, Image->Handle(), Mask ? Mask->Handle() : HBITMAP());
  Changed();
}

void TCustomImageList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid image index");
  ImageList_Remove(Handle(), Index);
  Changed();
}

void TCustomImageList::Clear() {
  if (fHandle) ImageList_Remove(fHandle, -1);
  Changed();
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (Index < 0 || Index >= Count()) return;
  if (Enabled)
    ImageList_Draw(fHandle, Index, Canvas->Handle(), X, Y, ILD_TRANSPARENT);
  else
    ImageList_DrawDisabled(fHandle, Index, Canvas->Handle(), X, Y);
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
  if (!Image) return;
  Image->SetSize(fWidth, fHeight);
  Image->Canvas()->Brush()->SetColor(BkColor == clNone ? clWhite : BkColor);
  Image->Canvas()->FillRect(Bounds(0, 0, fWidth, fHeight));
  Draw(Image->Canvas(), 0, 0, Index);
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* o = dynamic_cast<TCustomImageList*>(Source);
  if (!o) {
    TComponent::Assign(Source);
    return;
  }
  fWidth = o->fWidth;
  fHeight = o->fHeight;
  Recreate();
  for (int i = 0; i < o->Count(); ++i) {
    TBitmap b;
    o->GetBitmap(i, &b);
    AddMasked(&b, o->BkColor == clNone ? clWhite : o->BkColor);
  }
}
