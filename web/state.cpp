// The page's window onto the garden's state: what it shows as chosen and
// which controls act now. Read only; the page changes the garden through
// its handlers alone.
#include <emscripten/emscripten.h>

#include "app/garden.h"

extern "C" {

// 0 draw mode (the plan), 1 display mode (3-D).
EMSCRIPTEN_KEEPALIVE int sandmereDisplayMode() { return displayMode; }
// 0 one tine, 1 three tines, 2 five tines.
EMSCRIPTEN_KEEPALIVE int sandmereRakeType() { return rakeType; }
// 0 the rake, 1 the small rock, 2 the large rock.
EMSCRIPTEN_KEEPALIVE int sandmereEditTool() { return editTool; }
// 0 light sand, 1 dark sand.
EMSCRIPTEN_KEEPALIVE int sandmereDarkSand() { return darkSand; }

}  // extern "C"
