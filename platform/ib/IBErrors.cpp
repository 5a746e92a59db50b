#include "platform/ib/IBErrors.h"

#include "platform/ib/IBIntf.h"

#include <vector>

namespace {
// One interpreted line per call; bounded by the buffer size (never the unbounded variant).
std::vector<std::string> InterpretedLines(const ISC_STATUS* status) {
  std::vector<std::string> lines;
  const TIBClientLibrary& ib = IBClient();
  const ISC_STATUS* cursor = status;
  char buffer[1024];
  for (int guard = 0; guard < 64; ++guard) {
    ISC_LONG n = ib.fb_interpret(buffer, sizeof buffer, &cursor);
    if (n <= 0) break;
    lines.emplace_back(buffer, static_cast<size_t>(n));
  }
  return lines;
}
}  // namespace

std::string IBStatusText(const ISC_STATUS* status) {
  std::string text;
  for (const std::string& line : InterpretedLines(status)) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

EIBInterBaseError IBDataBaseError(const ISC_STATUS* status) {
  long sqlCode = IBClient().isc_sqlcode(status);
  long gds = (status[0] == 1) ? static_cast<long>(status[1]) : 0;
  return EIBInterBaseError(IBStatusText(status), sqlCode, gds);
}

void IBCheck(const ISC_STATUS* status) {
  if (IBStatusFailed(status)) throw IBDataBaseError(status);
}

std::string IBSQLCodeMessage(const ISC_STATUS* status) {
  const TIBClientLibrary& ib = IBClient();
  ISC_LONG code = ib.isc_sqlcode(status);
  std::string message = "SQL code: " + std::to_string(code) + "\n\r";
  std::vector<char> buffer(20480, '\0');
  ib.isc_sql_interprete(static_cast<short>(code), buffer.data(), static_cast<short>(buffer.size() - 1));
  message += buffer.data();
  for (const std::string& line : InterpretedLines(status)) message += "\n\r" + line;
  return message;
}
