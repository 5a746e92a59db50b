// Picture files as they come from disk or the clipboard: bitmap (any format the image reader
// knows), JPEG, metafile and icon, loaded, decoded and saved back; or the clipboard's own
// picture format, a graphic class name, a NUL and that class's stream.
#include "FuzzTarget.h"
#include "platform/core/Classes.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Jpeg.h"

#include <memory>

namespace {
void Load(TGraphic& graphic, const std::string& bytes) {
  TMemoryStream in;
  in.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  in.SetPosition(0);
  try {
    graphic.LoadFromStream(&in);
    graphic.Width();
    graphic.Height();
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(&graphic)) jpeg->Bitmap();
    TMemoryStream out;
    graphic.SaveToStream(&out);
  } catch (const Exception&) {}
}

template <class T>
void Load(const std::string& bytes) {
  T graphic;
  Load(graphic, bytes);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t kind = in.Byte() % 5;
  if (kind == 4) {
    const TGraphicClass cls = GraphicClassByName(in.Part());
    if (cls) {
      std::unique_ptr<TGraphic> graphic(cls.Create());
      Load(*graphic, in.Rest());
    }
    return 0;
  }
  const std::string bytes = in.Rest();
  switch (kind) {
    case 0: Load<TBitmap>(bytes); break;
    case 1: Load<TJPEGImage>(bytes); break;
    case 2: Load<TMetafile>(bytes); break;
    default: Load<TIcon>(bytes); break;
  }
  return 0;
}
