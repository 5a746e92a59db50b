#pragma once
// JPEG pictures over libjpeg. A loaded picture keeps its compressed bytes and saves them back
// unchanged; a picture assigned from a bitmap is compressed when its bytes are first needed.
// Every decoder error is an EJPEG "JPEG error #<code>" (libjpeg's message code); headers
// asking for more than the graphic size caps are refused before any pixel memory is taken.

#include <memory>

#include "platform/forms/Graphics.h"

VT_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic);

constexpr int DefaultJPEGQuality = 90;

class TJPEGImage : public TGraphic {
  VT_CLASS(TJPEGImage, TGraphic)
public:
  TJPEGImage();
  ~TJPEGImage() override;
  void Assign(TPersistent* Source) override;
  int Width() const override { return fWidth; }
  int Height() const override { return fHeight; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool Empty() const override { return fBytes.empty() && !fBitmap; }
  bool Grayscale() const { return fGrayscale; }
  int CompressionQuality = DefaultJPEGQuality;
  void Draw(TCanvas* canvas, const TRect& r) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // Compresses the assigned bitmap when there are no bytes yet.
  void JPEGNeeded();
  // Decodes the bytes into the bitmap when not done yet.
  void DIBNeeded();
  TBitmap* Bitmap();
  const std::string& Bytes() const { return fBytes; }

private:
  std::string fBytes;
  std::unique_ptr<TBitmap> fBitmap;
  int fWidth = 0, fHeight = 0;
  bool fGrayscale = false;
};
