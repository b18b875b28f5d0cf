// Exceptions and message formatting.
//
// Every error raised by the system is an Exception carrying the system's exact message. The
// class library's own error classes are declared here; each layer adds its own classes
// (EPNException, ERBDLLLoadError, ...) by deriving from Exception.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }

 private:
  std::string FMessage;
};

#define PF_DECLARE_EXCEPTION(Name, Base)   \
  class Name : public Base {               \
   public:                                 \
    using Base::Base;                      \
  }

PF_DECLARE_EXCEPTION(EListError, Exception);
PF_DECLARE_EXCEPTION(ERangeError, Exception);
PF_DECLARE_EXCEPTION(EConvertError, Exception);
PF_DECLARE_EXCEPTION(EInvalidOperation, Exception);
PF_DECLARE_EXCEPTION(EInvalidPointer, Exception);
PF_DECLARE_EXCEPTION(EAbort, Exception);
PF_DECLARE_EXCEPTION(EOutOfMemory, Exception);
PF_DECLARE_EXCEPTION(EStreamError, Exception);
PF_DECLARE_EXCEPTION(EFOpenError, EStreamError);
PF_DECLARE_EXCEPTION(EFCreateError, EStreamError);
PF_DECLARE_EXCEPTION(EFilerError, EStreamError);
PF_DECLARE_EXCEPTION(EReadError, EFilerError);
PF_DECLARE_EXCEPTION(EWriteError, EFilerError);
PF_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
PF_DECLARE_EXCEPTION(EComponentError, Exception);
PF_DECLARE_EXCEPTION(EThread, Exception);
PF_DECLARE_EXCEPTION(EIntfCastError, Exception);  // "Interface not supported"
PF_DECLARE_EXCEPTION(EInvalidCast, Exception);    // "Invalid class typecast"
PF_DECLARE_EXCEPTION(EDivByZero, Exception);      // "Division by zero"

// printf-style formatting into a std::string ("%u" of -1 prints 4294967295, as the
// messages expect).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// The file errors of the class library's file streams, with the system's reason for errno
// error: EFOpenError "Cannot open file "<name>". <reason>" and EFCreateError "Cannot create
// file "<name>". <reason>".
[[noreturn]] void RaiseFileOpenError(const std::string& fileName, int error);
[[noreturn]] void RaiseFileCreateError(const std::string& fileName, int error);

}  // namespace platform
