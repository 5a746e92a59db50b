// Picture files as they come from disk or the clipboard: bitmap (any format the image reader
// knows), JPEG, metafile and icon, loaded, decoded and saved back.
#include "FuzzTarget.h"
#include "platform/core/Classes.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Jpeg.h"

namespace {
template <class T>
void Load(const std::string& bytes) {
  T graphic;
  TMemoryStream in;
  in.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  in.SetPosition(0);
  try {
    graphic.LoadFromStream(&in);
    graphic.Width();
    graphic.Height();
    if constexpr (std::is_same_v<T, TJPEGImage>) graphic.Bitmap();
    TMemoryStream out;
    graphic.SaveToStream(&out);
  } catch (const Exception&) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t kind = in.Byte() % 4;
  const std::string bytes = in.Rest();
  switch (kind) {
    case 0: Load<TBitmap>(bytes); break;
    case 1: Load<TJPEGImage>(bytes); break;
    case 2: Load<TMetafile>(bytes); break;
    default: Load<TIcon>(bytes); break;
  }
  return 0;
}
