// A classic edit mask parsed, then text fitted to it, checked and its value extracted.
#include "FuzzTarget.h"
#include "editors/kcStandardMask.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t options = in.Byte();
  TkcStandardMask mask;
  mask.SetMask(in.Part());
  String text = in.Rest();
  String fitted = text;
  mask.FitText(fitted, options & 1, options & 2);
  String checked = fitted;
  mask.IsFullyValid(checked);
  mask.ExtractValue(fitted);
  mask.GetEmptyText();
  mask.GetEmptyValue();
  return 0;
}
