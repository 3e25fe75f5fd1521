#pragma once
// Where the demo library lives: eight short songs with covers and lyrics that the build
// makes from scratch (tools/make_demo_library), so a fresh machine has music to request.

#include <string>

namespace quilla::server::library {

// The demo library's folder: "<prefix>/share/quilla/demo-library" when the running
// program sits in "<prefix>/bin" and that folder is there (an installed program), else
// the folder the build made. Never empty; the folder may be missing when neither exists.
// Thread-safe; looks at the file system.
std::string DemoLibraryFolder();

// The folder the build made (the build tree). Pure.
std::string BuiltDemoLibraryFolder();

}  // namespace quilla::server::library
