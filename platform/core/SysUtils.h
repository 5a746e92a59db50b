#pragma once
// The run-time library's exception classes and basic string types.
// Strings are UTF-8 in std::string; wide strings are UTF-16 in std::u16string.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

using String = std::string;
using AnsiString = std::string;
using WideString = std::u16string;
using TDateTime = double;  // days since 1899-12-30, time as the fraction

// Base of every failure the system reports: a message text shown to the user as it stands.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : fMessage(std::move(message)) {}
  ~Exception() override = default;
  const char* what() const noexcept override { return fMessage.c_str(); }
  const std::string& Message() const { return fMessage; }
  void SetMessage(std::string message) { fMessage = std::move(message); }
  // The most-derived class name, as the framework's ClassName would give it.
  virtual const char* ClassName() const { return "Exception"; }

private:
  std::string fMessage;
};

#define VT_DECLARE_EXCEPTION(Name, Base)                                   \
  class Name : public Base {                                               \
  public:                                                                  \
    using Base::Base;                                                      \
    const char* ClassName() const override { return #Name; }               \
  }

// The silent abort: ends an operation without a message (a cancelled dialog, for instance).
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
  explicit EAbort(std::string message) : Exception(std::move(message)) {}
  const char* ClassName() const override { return "EAbort"; }
};

VT_DECLARE_EXCEPTION(EConvertError, Exception);
VT_DECLARE_EXCEPTION(EListError, Exception);
VT_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VT_DECLARE_EXCEPTION(EInvalidArgument, Exception);
VT_DECLARE_EXCEPTION(EAbstractError, Exception);
VT_DECLARE_EXCEPTION(EInvalidCast, Exception);
VT_DECLARE_EXCEPTION(EOutOfResources, Exception);
VT_DECLARE_EXCEPTION(EOSError, Exception);
VT_DECLARE_EXCEPTION(EStreamError, Exception);
VT_DECLARE_EXCEPTION(EReadError, EStreamError);    // "Stream read error"
VT_DECLARE_EXCEPTION(EWriteError, EStreamError);   // "Stream write error"
VT_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VT_DECLARE_EXCEPTION(EFCreateError, EStreamError);

// Raises the silent abort.
[[noreturn]] inline void Abort() { throw EAbort(); }
