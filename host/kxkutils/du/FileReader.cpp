#include "du/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "du/Env.h"
#include "du/MemoryFiles.h"

namespace du {

namespace {

struct MemoryFiles {
    std::mutex mutex;
    std::unordered_map<std::string, std::pair<const char*, size_t>> files;
};

// Built on first use and never destroyed, so registrations from static constructors and lookups
// from static destructors both work.
MemoryFiles& TheMemoryFiles() {
    static MemoryFiles* files = new MemoryFiles;
    return *files;
}

std::string ErrorText(const std::string& fileName, const char* reason) {
    return "Cannot open \"" + fileName + "\": " + reason;
}

}  // namespace

bool FindMemoryFile(const std::string& fileName, const char** data, size_t* size) {
    MemoryFiles& registry = TheMemoryFiles();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.files.find(fileName);
    if (it == registry.files.end()) return false;
    *data = it->second.first;
    *size = it->second.second;
    return true;
}

void FileReader::RegisterMemoryFile(const std::string& fileName, const char* data, size_t size) {
    MemoryFiles& registry = TheMemoryFiles();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.files[fileName] = {data, size};
}

void FileReader::UnregisterMemoryFile(const std::string& fileName) {
    MemoryFiles& registry = TheMemoryFiles();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.files.erase(fileName);
}

FileReader::FileReader() : m_fd(-1), m_memory(nullptr), m_memorySize(0), m_memoryPos(0), m_sizeHint(0) {}

FileReader::~FileReader() {
    Close();
}

bool FileReader::Open(const Symbol& fileName, int, size_t) {
    Close();
    m_lastError.clear();
    std::string name = fileName;
    m_fileName = name;
    if (name.empty()) {
        m_lastError = ErrorText(name, "no file name");
        return false;
    }
    const char* data = nullptr;
    size_t size = 0;
    if (FindMemoryFile(name, &data, &size)) {
        // A registered file of zero bytes may have no storage at all; keep a valid pointer.
        m_memory = data ? data : "";
        m_memorySize = data ? size : 0;
        m_memoryPos = 0;
        m_sizeHint = m_memorySize;
        return true;
    }
    const int fd = Env::Get().Open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = ErrorText(name, std::strerror(errno));
        return false;
    }
    // open() succeeds on a directory; reading it would fail later with a less helpful message.
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        m_lastError = ErrorText(name, std::strerror(errno));
        ::close(fd);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        m_lastError = ErrorText(name, std::strerror(EISDIR));
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_sizeHint = S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) : 0;
    return true;
}

void FileReader::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_memory = nullptr;
    m_memorySize = 0;
    m_memoryPos = 0;
    m_sizeHint = 0;
}

bool FileReader::IsOpen() const {
    return m_fd >= 0 || m_memory != nullptr;
}

long FileReader::Read(char* buffer, size_t size) {
    if (m_memory) {
        size_t n = std::min(size, m_memorySize - m_memoryPos);
        std::memcpy(buffer, m_memory + m_memoryPos, n);
        m_memoryPos += n;
        return static_cast<long>(n);
    }
    if (m_fd < 0) return -1;
    Env& env = Env::Get();
    long n;
    do {
        n = env.Read(m_fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_readError = errno;
        m_lastError = "Cannot read \"" + m_fileName + "\": " + std::strerror(m_readError);
    }
    return n;
}

size_t FileReader::ReadFully(char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const long n = Read(buffer + done, size - done);
        if (n < 0) throw ReadError(m_fileName, m_fd < 0 ? EBADF : m_readError);
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

ReadError::ReadError(const std::string& fileName, int error)
    : std::system_error(error, std::generic_category(), "cannot read \"" + fileName + "\"") {}

}  // namespace du
