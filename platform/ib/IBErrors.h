#pragma once
// The errors of the database access components. A server error carries the interpreted
// lines of the status vector joined with CR LF (a final "." dropped), its SQL code and the
// first GDS code of the vector.

#include "platform/core/SysUtils.h"

#include <ibase.h>

#include <cstdint>
#include <string>

class EIBError : public Exception {
public:
  explicit EIBError(std::string message, long sqlCode = 0, long ibErrorCode = 0)
      : Exception(std::move(message)), fSQLCode(sqlCode), fIBErrorCode(ibErrorCode) {}
  const char* ClassName() const override { return "EIBError"; }
  long SQLCode() const { return fSQLCode; }
  long IBErrorCode() const { return fIBErrorCode; }

private:
  long fSQLCode;
  long fIBErrorCode;
};

VT_DECLARE_EXCEPTION(EIBInterBaseError, EIBError);
VT_DECLARE_EXCEPTION(EIBClientError, EIBError);
VT_DECLARE_EXCEPTION(EIBPlanError, EIBError);

// GDS codes the components and their users test for.
inline constexpr long ibeNothingToCancel = 335544933;
inline constexpr long ibeOperationCancelled = 335544794;

// True when the status vector reports an error.
inline bool IBStatusFailed(const ISC_STATUS* status) { return status[0] == 1 && status[1] != 0; }

// The interpreted lines of a status vector joined with CR LF, a final "." dropped.
std::string IBStatusText(const ISC_STATUS* status);

// The error of a failed call: EIBInterBaseError with the text, SQL code and GDS code.
EIBInterBaseError IBDataBaseError(const ISC_STATUS* status);

// Raises IBDataBaseError when the status vector reports an error.
void IBCheck(const ISC_STATUS* status);

// The text a failed cancel shows: "SQL code: " and the code, then the SQL code's own
// explanation and each interpreted line, each after a line feed and a carriage return.
std::string IBSQLCodeMessage(const ISC_STATUS* status);
