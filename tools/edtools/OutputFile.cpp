#include "OutputFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "RemovalOnSignal.h"

namespace edload {

namespace {

constexpr int kMostLinks = 40;  // as the kernel's own limit on links in one lookup

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write \"" + path + "\": " + std::strerror(error);
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The file that `path` finally names, links followed one by one so that a link to a file yet to be
// made names that file. False with `error` set for a loop.
bool FollowLinks(const std::string& path, std::string& target, int& error) {
    target = path;
    std::vector<char> link(PATH_MAX);
    for (int hops = 0; hops < kMostLinks; ++hops) {
        const ssize_t length = readlink(target.c_str(), link.data(), link.size());
        // Not a link, or not there: the open that follows gives the reason, if there is one.
        if (length < 0) return true;
        const std::string next(link.data(), static_cast<size_t>(length));
        target = next[0] == '/' ? next : Folder(target) + next;
    }
    error = ELOOP;
    return false;
}

// The mode a plain open would have given a new file, or the mode of the file being replaced.
mode_t ModeFor(const struct stat* existing) {
    if (existing) return existing->st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// A hidden name in the target's folder, so the rename stays within one file system.
std::vector<char> TemporaryPattern(const std::string& path) {
    const std::string pattern = Folder(path) + "." + path.substr(Folder(path).size()) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return buffer;
}

// A file in a folder that takes no new files can still be rewritten where it is.
bool WritableInPlace(int mkstempError, bool exists, const std::string& target) {
    return exists && (mkstempError == EACCES || mkstempError == EPERM) && access(target.c_str(), W_OK) == 0;
}

}  // namespace

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, std::string& error) {
    std::string target;
    int failure = 0;
    if (!FollowLinks(path, target, failure)) {
        error = CannotWrite(path, failure);
        return nullptr;
    }
    struct stat status;
    const bool exists = stat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        const int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) {
            error = CannotWrite(path, errno);
            return nullptr;
        }
        return std::unique_ptr<OutputFile>(
            new OutputFile(path, target, "", fd, DescriptorBuffer::Start::kAsIs));
    }
    RemovalOnSignal::Hold hold;
    std::vector<char> temporary = TemporaryPattern(target);
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        const int made = errno;
        const int inPlace =
            WritableInPlace(made, exists, target) ? open(target.c_str(), O_WRONLY | O_CLOEXEC) : -1;
        if (inPlace < 0) {
            error = CannotWrite(path, made);
            return nullptr;
        }
        return std::unique_ptr<OutputFile>(
            new OutputFile(path, target, "", inPlace, DescriptorBuffer::Start::kTruncate));
    }
    fchmod(fd, ModeFor(exists ? &status : nullptr));
    std::unique_ptr<OutputFile> file(
        new OutputFile(path, target, temporary.data(), fd, DescriptorBuffer::Start::kAsIs));
    RemovalOnSignal::Arm(file->m_temporary.c_str());
    return file;
}

OutputFile::OutputFile(std::string path, std::string target, std::string temporary, int fd,
                       DescriptorBuffer::Start start)
    : m_path(std::move(path)),
      m_target(std::move(target)),
      m_temporary(std::move(temporary)),
      m_fd(fd),
      m_buffer(fd, start),
      m_stream(&m_buffer) {}

OutputFile::~OutputFile() {
    if (m_fd >= 0) close(m_fd);
    if (m_temporary.empty()) return;
    // Removed before the handler forgets it: a signal in between finds the file gone, not left.
    unlink(m_temporary.c_str());
    RemovalOnSignal::Disarm();
}

bool OutputFile::Commit(std::string& error) {
    m_buffer.Flush();
    if (close(m_fd) != 0) m_buffer.Fail(errno);
    m_fd = -1;
    if (m_buffer.Error() != 0) {
        error = CannotWrite(m_path, m_buffer.Error());
        return false;
    }
    if (m_temporary.empty()) return true;
    if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        error = CannotWrite(m_path, errno);
        return false;
    }
    RemovalOnSignal::Disarm();
    m_temporary.clear();
    return true;
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

}  // namespace edload
