#include "du/FileSystem.h"

#include <sys/stat.h>

#include "du/MemoryFiles.h"

namespace du {

bool FileSystem::FileExists(const std::string& path) {
    if (path.empty()) return false;
    const char* data;
    size_t size;
    if (FindMemoryFile(path, &data, &size)) return true;
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace du
