#include "server/library/demo_library.h"

#include <filesystem>
#include <system_error>

namespace quilla::server::library {

std::string BuiltDemoLibraryFolder() {
  return QUILLA_DEMO_LIBRARY_BUILD_DIR;
}

std::string DemoLibraryFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed =
        program.parent_path().parent_path() / "share" / "quilla" / "demo-library";
    if (program.parent_path().filename() == "bin" &&
        std::filesystem::is_directory(installed, error)) {
      return installed.string();
    }
  }
  return BuiltDemoLibraryFolder();
}

}  // namespace quilla::server::library
