#include "magnifier/screen_source.h"

namespace {

constinit bool copies_as_on_windows7 = false;

}  // namespace

bool CopiesTheScreenAsOnWindows7() { return copies_as_on_windows7; }

void CopyTheScreenAsOnWindows7() { copies_as_on_windows7 = true; }
