// Failures that no caller can be told of (a window procedure's, an export's that has no way to
// report one) still leave a line for a debugger.
#pragma once

// Writes "Vitrelle: <place>: <what failed>" with OutputDebugStringW: the exception being handled
// (its text, and a system error's code), or the place alone outside a handler. Never throws.
void TraceFailure(const char* place) noexcept;
