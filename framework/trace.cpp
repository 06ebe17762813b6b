#include "framework/trace.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <new>

#include "framework/errors.h"

void TraceFailure(const char* place) noexcept {
  char line[512];
  try {
    if (const std::exception_ptr failure = std::current_exception()) std::rethrow_exception(failure);
    std::snprintf(line, sizeof line, "Vitrelle: %s\n", place);
  } catch (const SystemError& e) {
    std::snprintf(line, sizeof line, "Vitrelle: %s: %s (system code 0x%08lX)\n", place, e.what(), e.Code());
  } catch (const std::exception& e) {
    std::snprintf(line, sizeof line, "Vitrelle: %s: %s\n", place, e.what());
  } catch (...) {
    std::snprintf(line, sizeof line, "Vitrelle: %s: an unknown exception\n", place);
  }
  wchar_t wide[512];
  if (MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, 512) > 0) OutputDebugStringW(wide);
}
