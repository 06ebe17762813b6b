#include "int_conv.h"

#include "framework/errors.h"
#include "resources/texts.h"

#include <string>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::int32_t> TryParseInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  const auto rest = text.substr(i);
  std::size_t digits = 0;
  if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) {
    digits = i + 1;
  } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
    digits = i + 2;
  }

  if (digits != 0) {
    if (digits == text.size()) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t k = digits; k < text.size(); ++k) {
      const int d = HexDigit(text[k]);
      if (d < 0 || value > 0x0FFFFFFFu) return std::nullopt;
      value = value << 4 | static_cast<std::uint32_t>(d);
    }
    // Two's complement: the 32 bits read as signed, then negated after a minus.
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }

  if (i == text.size()) return std::nullopt;
  // Magnitude limit: 2147483647, or 2147483648 after a minus.
  const std::uint32_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  std::uint32_t value = 0;
  for (std::size_t k = i; k < text.size(); ++k) {
    const char c = text[k];
    if (c < '0' || c > '9') return std::nullopt;
    const auto d = static_cast<std::uint32_t>(c - '0');
    if (value > (limit - d) / 10) return std::nullopt;
    value = value * 10 + d;
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t ParseInt(std::string_view text) {
  if (auto value = TryParseInt(text)) return *value;
  throw ConversionError(texts::NotAnInteger(text));
}
