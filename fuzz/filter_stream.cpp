// A saved filter (".flt" stream) read into the criteria tree, shown as text, evaluated and
// written back.
#include "FuzzTarget.h"
#include "data/FilterTestSupport.h"
#include "platform/core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TTestCriteria criteria;
  criteria.Rows = {{Variant("abc"), Variant(3), Variant::FromDate(45000.5)}};
  TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<std::int64_t>(size));
  stream.SetPosition(0);
  try {
    criteria.ReadData(&stream);
    criteria.BuildFilterText(true);
    criteria.BuildFilterText(false);
    criteria.EvaluateRecord(0);
    TMemoryStream out;
    criteria.WriteData(&out);
  } catch (const Exception&) {}
  return 0;
}
