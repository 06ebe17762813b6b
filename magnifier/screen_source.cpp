#include "magnifier/screen_source.h"

namespace {

constinit bool copiesAsOnWindows7 = false;

}  // namespace

bool CopiesTheScreenAsOnWindows7() { return copiesAsOnWindows7; }

void CopyTheScreenAsOnWindows7() { copiesAsOnWindows7 = true; }
