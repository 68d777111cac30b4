#pragma once

#include <string>

namespace du {

class FileSystem {
  public:
    // True when `path` names an existing regular file (or a registered in-memory file).
    static bool FileExists(const std::string& path);
};

}  // namespace du
