// Fontconfig keeps its configuration, loaded once for the fonts of the pop-ups, until the
// process ends; LeakSanitizer would report it at every exit of the test program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
