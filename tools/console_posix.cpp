#include "tools/console.h"

FILE* openScratchFile() { return std::tmpfile(); }
