// What the web layer's sources take from Emscripten's header, for their
// native build: the mark that keeps a function the page calls, which
// natively is an ordinary function anyway.
#pragma once

#define EMSCRIPTEN_KEEPALIVE
