// AddressSanitizer's defaults for the fuzz targets (ASAN_OPTIONS still overrides them).
//
// The client decodes a picture for every unit it creates; with the default 256 MB
// quarantine every decode's buffers came from fresh pages, and the page faults cost
// about 40 % of an execution. 16 MB still holds far more than one input frees.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
