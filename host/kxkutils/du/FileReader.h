#pragma once

#include <cstddef>
#include <string>
#include <system_error>

#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace du {

// A file that could not be read to its end; what() is `cannot read "FILE": ` and the system's reason.
class ReadError : public std::system_error {
  public:
    ReadError(const std::string& fileName, int error);
};

// A file opened for sequential reading; LineReader splits it into lines. Held by counted reference.
// Not thread-safe: one reader serves one thread.
//
// Besides real files it serves in-memory files registered with RegisterMemoryFile, so that a fuzzer
// or a test can feed bytes through the very same path without touching the disk.
class FileReader : public RefCounted {
  public:
    FileReader();
    ~FileReader() override;

    // `mode` and `bufferSize` are accepted for the host's signature; reads are sized by LineReader.
    // False when the file cannot be opened (missing, a directory, no permission); LastError() says why.
    bool Open(const Symbol& fileName, int mode = 0, size_t bufferSize = 8192);
    void Close();
    bool IsOpen() const;

    // Reads up to `size` bytes; returns the count read, 0 at the end, -1 on a read error.
    long Read(char* buffer, size_t size);
    // Reads until `size` bytes are in or the input ends; returns the count read, less than `size` only
    // at the end. Throws ReadError on a read error, which the host lets leave a loader's parse, so that
    // the load fails with the reason instead of ending where the error struck.
    size_t ReadFully(char* buffer, size_t size);
    // Size of the file in bytes when known (0 otherwise); used to size the first read.
    size_t SizeHint() const { return m_sizeHint; }
    const std::string& LastError() const { return m_lastError; }

    // Makes `fileName` open the `size` bytes at `data` instead of a file; the bytes are not copied and
    // must outlive every reader that opens the name. Thread-safe.
    static void RegisterMemoryFile(const std::string& fileName, const char* data, size_t size);
    static void UnregisterMemoryFile(const std::string& fileName);

  private:
    int m_fd;
    const char* m_memory;
    size_t m_memorySize;
    size_t m_memoryPos;
    size_t m_sizeHint;
    std::string m_fileName;  // as opened, for error texts
    std::string m_lastError;
    int m_readError = 0;  // errno of the last failed read
};

}  // namespace du
