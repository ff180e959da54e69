#include "tools/console.h"

#include <windows.h>

// The C library's tmpfile makes its file in the root of the current drive,
// where a user without administrator rights may not write: the scratch file
// goes in the user's temporary folder instead, deleted when closed ("D").
FILE* openScratchFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return nullptr;
    if (GetTempFileNameW(folder, L"smp", 0, name) == 0) return nullptr;
    FILE* file = _wfopen(name, L"w+bD");
    if (!file) DeleteFileW(name);
    return file;
}
