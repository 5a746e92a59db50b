#pragma once
// The message of an exception held in an exception_ptr (an Exception of ours).

#include <exception>

#include "platform/core/SysUtils.h"

inline String ExceptionText(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const Exception& x) {
    return x.Message();
  }
}
