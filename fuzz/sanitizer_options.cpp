// AddressSanitizer's defaults for the fuzz targets (ASAN_OPTIONS still overrides them).
//
// The client decodes a picture for every unit it creates; with the default 256 MB
// quarantine every decode's buffers came from fresh pages, and the page faults cost
// about 40 % of an execution. 16 MB still holds far more than one input frees.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

// LeakSanitizer's suppressions for the fuzz targets. Where SDL 1.2 is sdl12-compat, the SDL2
// under it opens D-Bus on its own when the system has it, and D-Bus keeps its allocations for
// the process's life: they are D-Bus's, not ours (tests/hostile/lsan.supp says the same).
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
