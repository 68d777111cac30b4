#include "du/FileSpec.h"

#include <cctype>

namespace du {

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// Length of the folder part, separator included; 0 when the path is a bare file name.
size_t FolderLength(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos) return slash + 1;
    // "C:file" names a file in the drive's current folder: the drive is its folder part.
    return HasDrive(path) ? 2 : 0;
}

}  // namespace

FileSpec::FileSpec(const std::string& path) : m_path(path) {}

// Paths written on Windows arrive here too, so a drive letter with a separator and a leading
// backslash (a UNC share or a path rooted on the current drive) count as absolute.
bool FileSpec::IsAbsolute() const {
    if (m_path.empty()) return false;
    if (IsSeparator(m_path[0])) return true;
    return HasDrive(m_path) && m_path.size() >= 3 && IsSeparator(m_path[2]);
}

bool FileSpec::GetFile(std::string& file) const {
    file = m_path.substr(FolderLength(m_path));
    return !file.empty();
}

void FileSpec::SetFile(const std::string& file) {
    m_path = m_path.substr(0, FolderLength(m_path)) + file;
}

bool FileSpec::GetFileSpec(std::string& path) const {
    path = m_path;
    return !path.empty();
}

}  // namespace du
