#include "magnifier/screen_source.h"

// Alone in its file: a program that links its own definition first keeps this one out.
bool CopiesTheScreenAsOnWindows7() { return false; }
