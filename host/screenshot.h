// Saves what the screen shows, so a script run leaves a picture to look at.
#pragma once

#include <windows.h>

#include <string>

// Captures the whole virtual screen, layered windows included, in the screen's own pixels, into a
// PNG file at `path` (Windows-1251). Returns the picture's size; throws Error on failure.
SIZE SaveScreenshot(const std::string& path);
// The same for the part of the screen inside `area` (screen coordinates, cut to the screen).
SIZE SaveScreenshot(const std::string& path, const RECT& area);
