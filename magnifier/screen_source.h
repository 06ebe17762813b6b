// Where the lens's capture mode reads what lies beneath it. On Windows it copies the screen,
// which leaves layered windows (the lens among them) out. Wine's copy of the screen shows them,
// so there the lens builds its picture from the windows below it instead.
#pragma once

// True under Wine. Test builds link magnifier/screen_copy_only.cpp, whose answer is always false,
// so that the Windows branch runs under Wine too.
bool ScreenCopyShowsLayeredWindows();
