// The "DataController1" stream loaded into an unbound data controller with value columns of
// several types; a stream that loads is written again.
#include <memory>
#include <vector>

#include "FuzzTarget.h"
#include "data/kcCustomData.h"
#include "platform/core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TkcValueTypeClass types[] = {TkcIntegerValueType::Class(), TkcStringValueType::Class(),
                                     TkcFloatValueType::Class(), TkcDateTimeValueType::Class(),
                                     TkcBooleanValueType::Class()};
  TkcDataController dc(nullptr);
  std::vector<std::unique_ptr<TObject>> items;
  for (std::size_t i = 0; i < std::size(types); ++i) {
    items.push_back(std::make_unique<TObject>());
    dc.AddItem(items.back().get());
    dc.ChangeValueTypeClass(static_cast<int>(i), types[i]);
  }
  dc.SetRecordCount(2);
  dc.SetValue(0, 0, Variant(1));
  dc.SetValue(1, 1, Variant("kept"));
  TMemoryStream in;
  in.WriteBuffer(data, static_cast<std::int64_t>(size));
  in.SetPosition(0);
  try {
    dc.LoadFromStream(&in);
  } catch (const Exception&) {
    return 0;
  }
  TMemoryStream out;
  dc.SaveToStream(&out);
  return 0;
}
