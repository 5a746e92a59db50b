// The SQL highlighter's scanner over lines of text in one dialect, the range carried from line
// to line as the editor carries it.
#include "FuzzTarget.h"
#include "editor/SxHighlighterSQL.h"
#include "platform/core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const int dialect = in.Byte() % 8;
  // One scanner per dialect for the whole run: building the keyword tables is not under test.
  static TSxSQLSx* scanners[8] = {};
  if (!scanners[dialect]) {
    scanners[dialect] = new TSxSQLSx(nullptr);
    scanners[dialect]->SetSQLDialect(static_cast<TSQLDialect>(dialect));
  }
  TSxSQLSx& scanner = *scanners[dialect];
  TStringList lines;
  lines.SetText(in.Rest());
  scanner.ResetRange();
  for (int i = 0; i < lines.Count(); ++i) {
    scanner.SetLine(lines[i], i);
    for (int guard = 0; !scanner.AtLineEnd() && guard < 1 << 20; ++guard) {
      scanner.GetTokenText();
      scanner.GetTokenAttribute();
      scanner.Next();
    }
    scanner.SetRange(scanner.GetRange());
  }
  return 0;
}
