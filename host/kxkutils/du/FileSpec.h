#pragma once

#include <string>

namespace du {

// A file path split into folder and file name. Absolute are POSIX paths ("/a/b") and the Windows forms
// that files written on Windows carry ("C:\dir\file", "C:/dir/file", "\\server\share\file"); either
// separator splits the file name off. Plain value, no I/O.
class FileSpec {
  public:
    explicit FileSpec(const std::string& path = std::string());

    bool IsAbsolute() const;
    // The file name part (after the last separator). False when the path ends with a separator.
    bool GetFile(std::string& file) const;
    // Replaces the file name part, keeping the folder.
    void SetFile(const std::string& file);
    // The whole path. False when it is empty.
    bool GetFileSpec(std::string& path) const;

  private:
    std::string m_path;
};

}  // namespace du
