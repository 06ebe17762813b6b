// Test builds only (never the shipped plug-in): the lens copies the screen as it does on Windows
// XP and 7, under Wine too. Linked ahead of the magnifier library, this definition replaces the one
// there.
#include "magnifier/screen_source.h"

bool CopiesTheScreenAsOnWindows7() { return true; }
