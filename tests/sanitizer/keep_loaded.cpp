// Preloaded into the sanitizer stage's processes: libraries are never
// unloaded. Mesa's GL driver is opened at run time and closed again while
// the process exits, before LeakSanitizer looks; a leak from inside it
// would then show only "<unknown module>" frames, which no suppression can
// name and nobody can read. Kept loaded, its frames name the driver.
extern "C" int dlclose(void*) { return 0; }
