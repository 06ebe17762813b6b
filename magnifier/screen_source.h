// A switch for test builds. The shipped plug-in chooses the source of the lens's picture by the
// system's true version and checks each copy of the screen for the lens before it uses it (see
// magnifier/lens_source.h). A test build may turn this on: under Wine, whose copies show the lens,
// it then copies the screen every frame without that check, as the plug-in does on Windows XP
// and 7, where copies leave the lens out.
#pragma once

bool CopiesTheScreenAsOnWindows7();
// On for the rest of the process. Plain memory work: a static initializer may call it.
void CopyTheScreenAsOnWindows7();
