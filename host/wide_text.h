// Host strings (Windows-1251) as UTF-16, for the wide Windows API.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring WideFromHost(const std::string& cp1251) {
  std::wstring out(cp1251.size(), L'\0');  // one code unit per byte in this code page
  const int n = MultiByteToWideChar(1251, 0, cp1251.data(), static_cast<int>(cp1251.size()), out.data(),
                                    static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}
