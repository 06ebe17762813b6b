// Linked into a test build of the plug-in (never the shipped one): the lens copies the screen as
// it does on Windows XP and 7, under Wine too.
#include "magnifier/screen_source.h"

namespace {

// Under the loader lock, as the plug-in loads: it only sets a flag.
const bool installed = (CopyTheScreenAsOnWindows7(), true);

}  // namespace
