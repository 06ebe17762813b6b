// Data (RCDATA) resources of a module: the lens frame picture, the About banner.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Resource memory belongs to the module and lives as long as it; nothing frees it.
struct ResourceBytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The data resource `name` of `module`; null data when the module has none of that name.
ResourceBytes FindDataResource(HMODULE module, const char* name);
