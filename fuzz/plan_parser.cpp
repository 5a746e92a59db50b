// The server's PLAN text into the node tree, at the default budget and at a budget that never
// runs out (the unit cap must end it).
#include "FuzzTarget.h"
#include "analyzer/PlanParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const int depth = in.Byte() % 2 == 0 ? 200 : 0;
  TPlanParser parser;
  parser.SetMaxDepth(depth);
  parser.SetPlanText(in.Rest());
  try {
    parser.Parse();
  } catch (const EPlanParserError&) {}
  return 0;
}
