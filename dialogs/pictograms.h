// The dialogs' small pictures, drawn in 16 colours: the object pictogram beside the note on the
// object type, and the glyph of the object picker. The colour of each one's lower-left pixel is
// the one left out when it is drawn.
#pragma once

#include <memory>

#include "framework/dib.h"

// 20 by 20: a hatched square framed in black.
std::unique_ptr<Dib> ObjectPictogram();
// 17 by 16: a list with a pointer, for "pick from the list".
std::unique_ptr<Dib> PickerGlyph();
