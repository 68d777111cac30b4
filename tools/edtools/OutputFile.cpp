#include "OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace edload {

namespace {

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write \"" + path + "\": " + std::strerror(error);
}

// The mode a plain open would have given a new file, or the mode of the file being replaced.
mode_t ModeFor(const struct stat* existing) {
    if (existing) return existing->st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A hidden name in the target's folder, so the rename stays within one file system.
std::string TemporaryPattern(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    return folder + "." + path.substr(slash + 1) + ".XXXXXX";
}

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, std::string& error) {
    struct stat status;
    const bool exists = stat(path.c_str(), &status) == 0;
    std::string temporary;
    if (!exists || S_ISREG(status.st_mode)) {
        const std::string pattern = TemporaryPattern(path);
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const int fd = mkstemp(buffer.data());
        if (fd < 0) {
            error = CannotWrite(path, errno);
            return nullptr;
        }
        fchmod(fd, ModeFor(exists ? &status : nullptr));
        close(fd);
        temporary = buffer.data();
    }
    std::unique_ptr<OutputFile> file(new OutputFile(path, temporary));
    if (!file->m_stream) {
        error = CannotWrite(path, errno);
        return nullptr;
    }
    return file;
}

OutputFile::OutputFile(std::string path, std::string temporary)
    : m_path(std::move(path)), m_temporary(std::move(temporary)) {
    m_stream.open(m_temporary.empty() ? m_path : m_temporary, std::ios::binary | std::ios::trunc);
}

OutputFile::~OutputFile() {
    if (!m_temporary.empty()) std::remove(m_temporary.c_str());
}

bool OutputFile::Commit(std::string& error) {
    errno = 0;
    m_stream.close();
    if (!m_stream) {
        // A stream keeps no reason; the last call's errno is the write or close that failed.
        error = CannotWrite(m_path, errno != 0 ? errno : EIO);
        return false;
    }
    if (m_temporary.empty()) return true;
    if (std::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        error = CannotWrite(m_path, errno);
        return false;
    }
    m_temporary.clear();
    return true;
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

}  // namespace edload
