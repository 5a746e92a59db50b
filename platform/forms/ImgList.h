#pragma once
// Image lists as components over the device layer's image lists.

#include <vector>

#include "platform/forms/Graphics.h"
#include "platform/gdi/ImageList.h"

class TCustomImageList;

// A client's link to an image list: told of every change of the list's images. A list being
// destroyed lets go of its links (Sender becomes null); a link destroyed first unregisters.
class TChangeLink {
public:
  TChangeLink() = default;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  ~TChangeLink();
  TCustomImageList* Sender() const { return fSender; }
  TNotifyEvent OnChange;
  void Change();

private:
  friend class TCustomImageList;
  TCustomImageList* fSender = nullptr;
};

class TCustomImageList : public TComponent {
  VT_CLASS(TCustomImageList, TComponent)
public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  void Assign(TPersistent* Source) override;

  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  // Changing the size clears the list.
  void SetWidth(int v);
  void SetHeight(int v);
  int Count() const;
  HIMAGELIST Handle();
  // Appends the images the bitmap holds side by side; answers the first index.
  int Add(TBitmap* Image, TBitmap* Mask);
  int AddMasked(TBitmap* Image, TColor MaskColor);
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void Delete(int Index);
  void Clear();
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  // The image (and its mask) as a bitmap.
  void GetBitmap(int Index, TBitmap* Image);
  TColor BkColor = clNone;
  TNotifyEvent OnChange;
  // A link is registered with one list at a time; registering it here takes it from another.
  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);

private:
  void Changed();
  std::vector<TChangeLink*> fLinks;
  void Recreate();
  int fWidth = 16, fHeight = 16;
  HIMAGELIST fHandle;
};

class TImageList : public TCustomImageList {
  VT_CLASS(TImageList, TCustomImageList)
public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};

class TDragImageList : public TCustomImageList {
  VT_CLASS(TDragImageList, TCustomImageList)
public:
  explicit TDragImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
