// Under the sanitizer build: fontconfig keeps its font cache until the process ends and Qt
// never asks it to let go, so LeakSanitizer reports that cache at exit. On the xcb platform
// Qt also opens a D-Bus connection (themes, accessibility) whose libdbus buffers live until
// exit. Neither is a leak of ours; everything else is still checked.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";
}
