// Reading texts as signed 32-bit whole numbers, the way action parameters and host answers are read.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// Leading blanks, an optional sign, decimal digits or a hexadecimal number after "$", "x", "X",
// "0x" or "0X", and nothing after the digits. Hexadecimal values are 32 bits read as signed.
std::optional<std::int32_t> TryParseInt(std::string_view text);

// As TryParseInt, failing with ConversionError "'<text>' is not a valid integer value".
std::int32_t ParseInt(std::string_view text);
