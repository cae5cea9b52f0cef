// A module that exports no class factory at all.
extern "C" __attribute__((visibility("default"))) int PlainModuleVersion() { return 1; }
