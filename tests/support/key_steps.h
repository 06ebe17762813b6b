// The keys of the lens, pressed in turn on a lens opened at zoom 3, centred on the 1280 by 1024
// screen at (515, 387): where the lens stands, and its zoom, after each. Then the edges, each from
// a place of its own: the confinement and the size limits. Capture mode runs both tables,
// thumbnail mode the first (its edges take the same ways).
#pragma once

#include <windows.h>

struct KeyStep {
  WORD held, key;
  RECT r;
  int zoom;
};

inline constexpr KeyStep kKeySteps[] = {
    {0, VK_OEM_PLUS, {515, 387, 765, 637}, 4},   {0, VK_RIGHT, {525, 387, 775, 637}, 4},
    {VK_CONTROL, VK_LEFT, {524, 387, 774, 637}, 4}, {0, VK_DOWN, {524, 397, 774, 647}, 4},
    {VK_CONTROL, VK_UP, {524, 396, 774, 646}, 4}, {VK_SHIFT, VK_RIGHT, {524, 396, 784, 646}, 4},
    {VK_SHIFT, VK_DOWN, {524, 396, 784, 656}, 4}, {VK_SHIFT, VK_LEFT, {524, 396, 774, 656}, 4},
    {VK_SHIFT, VK_UP, {524, 396, 774, 646}, 4},   {0, VK_ADD, {524, 396, 774, 646}, 8},
    {0, VK_PRIOR, {524, 396, 774, 646}, 16},      {0, VK_OEM_PLUS, {524, 396, 774, 646}, 16},
    {0, VK_OEM_MINUS, {524, 396, 774, 646}, 8},   {0, VK_SUBTRACT, {524, 396, 774, 646}, 4},
    {0, VK_NEXT, {524, 396, 774, 646}, 2},        {0, VK_NEXT, {524, 396, 774, 646}, 2},
    {0, VK_HOME, {515, 387, 765, 637}, 2},  // where it opened
};

struct KeyEdge {
  RECT at;
  WORD held, key;
  RECT r;
};

inline constexpr KeyEdge kKeyEdges[] = {
    {{-120, 300, 130, 550}, 0, VK_LEFT, {-124, 300, 126, 550}},
    {{-124, 300, 126, 550}, VK_CONTROL, VK_LEFT, {-124, 300, 126, 550}},
    {{300, 895, 550, 1145}, 0, VK_DOWN, {300, 895, 550, 1145}},
    {{300, 300, 455, 455}, VK_SHIFT, VK_LEFT, {300, 300, 450, 455}},
    {{300, 300, 450, 450}, VK_SHIFT, VK_UP, {300, 300, 450, 450}},
    {{100, 100, 895, 900}, VK_SHIFT, VK_RIGHT, {100, 100, 900, 900}},
};
