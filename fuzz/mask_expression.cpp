// A mask expression compiled, then fed text with forced completion on, stepped back and reset.
#include "FuzzTarget.h"
#include "editors/kcRegExpr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t options = in.Byte();
  const std::string source = in.Part();
  TkcRegExpr expr;
  expr.SetCaseInsensitive(options & 1);
  std::size_t appended = 0;
  expr.OnCharAppended = [&appended](char32_t) { ++appended; };
  try {
    expr.SetUpdateOn(options & 2);
    expr.Compile(source);
  } catch (const Exception&) {
    return 0;
  }
  expr.FilterText(in.Rest());
  expr.IsFinal();
  while (expr.Prev()) {}
  expr.Reset();
  expr.Print();
  return 0;
}
