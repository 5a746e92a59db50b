// A filter file loaded into the filter builder's rows over a link of three columns, then
// shown as text and caption and saved again: a file loads whole or is refused with the
// builder's own error.
#include "FuzzTarget.h"
#include "filter-builder/FakeLink.h"
#include "platform/core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFakeLink link;
  TkcFilterControlModel model;
  model.SetLink(&link);
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<std::int64_t>(size));
  stream.SetPosition(0);
  try {
    model.LoadFromStream(&stream);
  } catch (const EkcFilterControlError&) {
    return 0;
  }
  try {
    model.GetFilterText();
    model.GetFilterCaption();
    TMemoryStream out;
    model.SaveToStream(&out);
    // What was saved loads again.
    out.SetPosition(0);
    model.LoadFromStream(&out);
  } catch (const EkcFilterControlError&) {
  }
  return 0;
}
