// Records of the record storage read from a stream into columns of every value type, then
// written back and compared.
#include "FuzzTarget.h"
#include "data/kcDataStorage.h"
#include "platform/core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t shape = in.Byte();
  const TkcValueTypeClass types[] = {
      TkcStringValueType::Class(),   TkcWideStringValueType::Class(), TkcSmallintValueType::Class(),
      TkcIntegerValueType::Class(),  TkcWordValueType::Class(),       TkcBooleanValueType::Class(),
      TkcFloatValueType::Class(),    TkcCurrencyValueType::Class(),   TkcDateTimeValueType::Class(),
      TkcLargeIntValueType::Class(), TkcFMTBcdValueType::Class(),     TkcSQLTimeStampValueType::Class(),
      TkcVariantValueType::Class()};
  TkcDataStorage storage;
  storage.SetUseRecordID(shape & 1);
  for (std::size_t i = 0; i < std::size(types); ++i)
    storage.ValueDefs()->AddColumn(types[i], true, (shape >> 1) & 1 && i % 3 == 0, nullptr);
  storage.SetRecordCount(3);
  const std::string bytes = in.Rest();
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  for (int r = 0; r < storage.RecordCount(); ++r) {
    try {
      storage.ReadRecordFromStream(r, &stream);
    } catch (const Exception&) {}
  }
  TMemoryStream out;
  for (int r = 0; r < storage.RecordCount(); ++r) {
    try {
      storage.WriteRecord(r, &out);
    } catch (const Exception&) {}
  }
  return 0;
}
