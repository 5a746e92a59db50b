#include "platform/forms/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg's default error exit ends the process; ours jumps back to the caller, which turns
// the message code into an exception outside the library's frames.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}
void OutputMessage(j_common_ptr) {}

jpeg_error_mgr* InitErrors(ErrorManager& err) {
  jpeg_error_mgr* mgr = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  return mgr;
}

struct HeaderInfo {
  int width = 0, height = 0, components = 0;
  bool gray = false;
};

// Answers 0, or libjpeg's message code. Only plain data lives in this frame across setjmp.
int ReadHeader(const unsigned char* data, unsigned long size, HeaderInfo* info) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = InitErrors(err);
  if (setjmp(err.jump)) {
    int code = err.pub.msg_code;
    jpeg_destroy_decompress(&cinfo);
    return code ? code : -1;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  info->width = static_cast<int>(cinfo.image_width);
  info->height = static_cast<int>(cinfo.image_height);
  info->components = cinfo.num_components;
  info->gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

// Decodes into `out` (width * height pixels, allocated by the caller after the header check).
int Decode(const unsigned char* data, unsigned long size, Pixel* out, int width, int height) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  unsigned char* row = nullptr;
  cinfo.err = InitErrors(err);
  if (setjmp(err.jump)) {
    int code = err.pub.msg_code;
    jpeg_destroy_decompress(&cinfo);
    std::free(row);
    return code ? code : -1;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  bool inverted = cmyk && cinfo.saw_Adobe_marker;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  row = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(cinfo.output_width) * 4));
  while (cinfo.output_scanline < cinfo.output_height) {
    int y = static_cast<int>(cinfo.output_scanline);
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (y >= height) continue;
    Pixel* dst = out + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width && x < static_cast<int>(cinfo.output_width); ++x) {
      const unsigned char* p = row + x * 4;
      if (cmyk) {
        int c = p[0], m = p[1], yl = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, yl = 255 - yl, k = 255 - k;
        dst[x] = 0xFF000000u | static_cast<Pixel>(c * k / 255) << 16 | static_cast<Pixel>(m * k / 255) << 8 |
                 static_cast<Pixel>(yl * k / 255);
      } else {
        dst[x] = 0xFF000000u | static_cast<Pixel>(p[2]) << 16 | static_cast<Pixel>(p[1]) << 8 | p[0];
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(row);
  return 0;
}

// Compresses 32-bit pixels; *out is malloc'ed by libjpeg (the caller frees it).
int Encode(const Pixel* pixels, int width, int height, int stride, int quality, unsigned char** out,
           unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = InitErrors(err);
  if (setjmp(err.jump)) {
    int code = err.pub.msg_code;
    jpeg_destroy_compress(&cinfo);
    return code ? code : -1;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        reinterpret_cast<JSAMPROW>(const_cast<Pixel*>(pixels + static_cast<std::size_t>(cinfo.next_scanline) * stride));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

[[noreturn]] void Fail(int code) { throw EJPEG("JPEG error #" + std::to_string(code)); }

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::LoadFromStream(TStream* stream) {
  std::string bytes = ReadStreamBytes(stream);
  fBytes.clear();
  fBitmap.reset();
  fWidth = fHeight = 0;
  HeaderInfo info;
  int code =
      ReadHeader(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()), &info);
  if (code) Fail(code);
  if (info.width <= 0 || info.height <= 0 || info.width > MaxGraphicSide || info.height > MaxGraphicSide ||
      std::int64_t(info.width) * info.height > MaxGraphicPixels)
    throw EJPEG("JPEG image is too large");
  fBytes = std::move(bytes);
  fWidth = info.width;
  fHeight = info.height;
  fGrayscale = info.gray;
  fModified = false;
  if (OnChange) OnChange(this);
}

void TJPEGImage::DIBNeeded() {
  if (fBitmap || fBytes.empty()) return;
  std::vector<Pixel> pixels(static_cast<std::size_t>(fWidth) * fHeight, 0xFF000000u);
  int code = Decode(reinterpret_cast<const unsigned char*>(fBytes.data()), static_cast<unsigned long>(fBytes.size()),
                    pixels.data(), fWidth, fHeight);
  if (code) Fail(code);
  auto b = std::make_unique<TBitmap>();
  b->AssignPixels(fWidth, fHeight, pixels.data(), fWidth);
  fBitmap = std::move(b);
}

TBitmap* TJPEGImage::Bitmap() {
  DIBNeeded();
  return fBitmap.get();
}

void TJPEGImage::JPEGNeeded() {
  if (!fBytes.empty() || !fBitmap || fBitmap->Empty()) return;
  Surface* px = fBitmap->Pixels();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  int code = Encode(px->Bits(), px->Width(), px->Height(), px->Stride(), CompressionQuality, &out, &size);
  if (code) {
    std::free(out);
    Fail(code);
  }
  fBytes.assign(reinterpret_cast<const char*>(out), size);
  std::free(out);
}

void TJPEGImage::SaveToStream(TStream* stream) {
  JPEGNeeded();
  if (!fBytes.empty()) stream->WriteBuffer(fBytes.data(), static_cast<std::int64_t>(fBytes.size()));
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& r) {
  DIBNeeded();
  if (!fBitmap) return;
  fBitmap->SetTransparent(false);
  fBitmap->Draw(canvas, r);
}

void TJPEGImage::Assign(TPersistent* Source) {
  if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
    if (j == this) return;
    fBytes = j->fBytes;
    fWidth = j->fWidth;
    fHeight = j->fHeight;
    fGrayscale = j->fGrayscale;
    fBitmap.reset();
    if (j->fBitmap) {
      fBitmap = std::make_unique<TBitmap>();
      fBitmap->Assign(j->fBitmap.get());
    }
    CompressionQuality = j->CompressionQuality;
    fModified = j->fModified;
    if (OnChange) OnChange(this);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    fBytes.clear();
    fBitmap = std::make_unique<TBitmap>();
    fBitmap->Assign(b);
    fWidth = b->Width();
    fHeight = b->Height();
    fGrayscale = false;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}
