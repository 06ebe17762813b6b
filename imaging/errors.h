// The readers' failures. Each carries the message text that ends up in a host variable.
#pragma once

#include "framework/errors.h"

// The image data cannot be read as a picture of the kind expected.
class InvalidImageError : public Error {
public:
  using Error::Error;
};

// The inflate machinery itself failed to start or end.
class CompressionError : public Error {
public:
  using Error::Error;
};
