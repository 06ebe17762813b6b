// Errors carry the message text that ends up in a host variable or on screen.
#pragma once
#include <stdexcept>
#include <string>

class Error : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A text that does not read as a number.
class ConversionError : public Error {
public:
  using Error::Error;
};

// A system call that failed. An author reads the text; the code the system gave (GetLastError's,
// or an HRESULT) is kept for a debugger.
class SystemError : public Error {
public:
  SystemError(const std::string& text, unsigned long code) : Error(text), code_(code) {}
  unsigned long Code() const { return code_; }

private:
  unsigned long code_;
};
