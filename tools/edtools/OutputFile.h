#pragma once

#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace edload {

// The file that -o names, replaced only by a complete output: the output goes to a temporary file
// beside it, which is renamed over it on Commit, so a failed load, a full disk or a crash leaves the
// file as it was. The temporary file is removed unless committed. A target that exists and is not a
// regular file (a terminal, a pipe, /dev/null) cannot be replaced and is written directly. One thread.
//
//   std::unique_ptr<OutputFile> file = OutputFile::Create("out.json", error);
//   file->Stream() << text;
//   if (!file->Commit(error)) ...
class OutputFile {
  public:
    // Null with `error` set, saying why, when nothing can be written beside `path`.
    static std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::ostream& Stream() { return m_stream; }
    // Flushes, closes and puts the output in place. False with `error` set, saying why, when a step
    // fails; the target is then untouched.
    bool Commit(std::string& error);

  private:
    OutputFile(std::string path, std::string temporary);

    std::string m_path;
    std::string m_temporary;  // empty when the target is written directly
    std::ofstream m_stream;
};

// True when both paths name one existing file (same device and inode, links followed).
bool SameFile(const std::string& first, const std::string& second);

}  // namespace edload
