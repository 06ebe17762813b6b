// The lens frame picture, a PNG kept as an RCDATA resource of the plug-in itself.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/dib.h"

// Decodes the resource `name` of this module (not the host's) into a new 32-bit bitmap of
// B, G, R, A with every fully transparent pixel zero in all four bytes. Throws Error
// "Resource <name> not found", or the reader's own errors.
std::unique_ptr<Dib> LoadFrameImage(const char* name);
// The same from the given module's resources.
std::unique_ptr<Dib> LoadFrameImage(HMODULE module, const char* name);
