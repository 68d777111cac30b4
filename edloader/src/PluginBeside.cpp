#include "PluginBeside.h"

#include <dlfcn.h>

#include <filesystem>

namespace edloader {

std::string PluginBesideLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&PluginBesideLibrary), &info) == 0 || !info.dli_fname) return {};
    std::error_code error;
    std::filesystem::path library = std::filesystem::canonical(info.dli_fname, error);
    if (error) library = info.dli_fname;
    return (library.parent_path() / ED_PLUGIN_FILE_NAME).string();
}

}  // namespace edloader
