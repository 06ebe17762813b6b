// A seam for test builds. The shipped plug-in chooses the source of the lens's picture by the
// system's true version and checks each copy of the screen for the lens before it uses it (see
// magnifier/lens_source.h). Test builds link magnifier/screen_copy_only.cpp, whose answer here is
// yes: under Wine, whose copies show the lens, they copy the screen every frame without that
// check, as the plug-in does on Windows XP and 7, where copies leave the lens out.
#pragma once

bool CopiesTheScreenAsOnWindows7();
