#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "DescriptorBuffer.h"

namespace edload {

// The file that -o names, replaced only by a complete output: the output goes to a temporary file
// beside it, which is renamed over it on Commit, so a failed load, a full disk, a crash or a signal
// leaves the file as it was (the signals that end a process remove the temporary file). A symbolic
// link is followed: its target is replaced and the link stays. Written directly instead: a target
// that exists and is not a regular file (a terminal, a pipe, /dev/null), which cannot be replaced, and
// a writable file in a folder where no file can be made, which is cut and rewritten at the first
// write. One thread.
//
//   std::unique_ptr<OutputFile> file = OutputFile::Create("out.json", error);
//   file->Stream() << text;
//   if (!file->Commit(error)) ...
class OutputFile {
  public:
    // Null with `error` set, saying why, when nothing can be written to `path`.
    static std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::ostream& Stream() { return m_stream; }
    // Flushes, closes and puts the output in place. False with `error` set, saying why (the reason
    // the system gave), when a step fails; a replaced target is then untouched.
    bool Commit(std::string& error);

  private:
    OutputFile(std::string path, std::string target, std::string temporary, int fd,
               DescriptorBuffer::Start start);

    std::string m_path;       // as given, for messages
    std::string m_target;     // with links followed
    std::string m_temporary;  // empty when the target is written directly
    int m_fd;
    DescriptorBuffer m_buffer;
    std::ostream m_stream;
};

// True when both paths name one existing file (same device and inode, links followed).
bool SameFile(const std::string& first, const std::string& second);

}  // namespace edload
