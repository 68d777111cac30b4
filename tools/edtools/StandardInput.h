#pragma once

#include <string>

namespace edload {

// `-` as a file name: standard input, read whole and served in memory under that name for as long as
// this object lives, so that the check and the load can each read it from the start.
class StandardInput {
  public:
    static constexpr const char* kName = "-";

    // Reads standard input to its end when `fileName` is kName; else does nothing.
    explicit StandardInput(const std::string& fileName);
    ~StandardInput();
    StandardInput(const StandardInput&) = delete;
    StandardInput& operator=(const StandardInput&) = delete;

    // Empty when it was read, or not asked for; else why it could not be.
    const std::string& Error() const { return m_error; }

  private:
    bool m_registered = false;
    std::string m_bytes;
    std::string m_error;
};

}  // namespace edload
