#pragma once

#include <streambuf>
#include <vector>

namespace edload {

// An output stream buffer over a file descriptor that keeps the reason of the first failed write,
// which a std::ofstream loses: a full disk reads "No space left on device", not a guess. After a
// failure it takes nothing more. A regular file opened in place can be cut to what is written, at the
// first write, so that a load that writes nothing leaves it as it was. Does not own the descriptor.
// One thread.
class DescriptorBuffer : public std::streambuf {
  public:
    enum class Start { kAsIs, kTruncate };
    explicit DescriptorBuffer(int fd, Start start = Start::kAsIs);

    // Writes what is buffered (and truncates a file that got nothing yet). False when any write
    // failed; `Error()` then says why.
    bool Flush();
    int Error() const { return m_error; }
    // Records a failure that happened outside the buffer, such as the descriptor's close.
    void Fail(int error);

  protected:
    int_type overflow(int_type c) override;
    int sync() override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;

  private:
    bool Drain();
    bool WriteAll(const char* data, size_t size);

    int m_fd;
    bool m_truncate;
    int m_error = 0;
    std::vector<char> m_buffer;
};

}  // namespace edload
