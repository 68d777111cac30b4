#pragma once

#include <string>

namespace edloader {

// The loader plug-in installed beside this library (the same folder in the build tree and once
// installed), found from where the library itself was loaded, not from the program or the current
// folder. Empty when the library cannot tell where it is.
std::string PluginBesideLibrary();

}  // namespace edloader
