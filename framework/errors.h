// Errors carry the message text that ends up in a host variable or on screen.
#pragma once
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A text that does not read as a number.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};
