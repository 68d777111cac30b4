#include "PluginPath.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace edload {

namespace {

// The folder of the executable itself, not of the command as typed: ed-load may be started through a
// symbolic link or from PATH.
std::filesystem::path ExecutableFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::current_path(error);
    return self.parent_path();
}

}  // namespace

std::string DefaultPluginPath() {
    std::filesystem::path folder = ExecutableFolder();
    std::vector<std::filesystem::path> candidates{folder / ".." / "lib" / ED_PLUGIN_FILE_NAME};
    std::filesystem::path installed = folder / ".." / ED_INSTALL_LIBDIR / ED_PLUGIN_FILE_NAME;
    if (installed != candidates.front()) candidates.push_back(installed);
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal().string();
    }
    return candidates.front().lexically_normal().string();
}

}  // namespace edload
