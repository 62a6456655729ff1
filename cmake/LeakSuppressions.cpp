// Linked into every test program of a sanitizer build: caches that system libraries keep for the
// life of the process and never free are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";
}
