#include "DescriptorBuffer.h"

#include <unistd.h>

#include <cerrno>

namespace edload {

namespace {

constexpr size_t kBufferBytes = 1 << 16;

}  // namespace

DescriptorBuffer::DescriptorBuffer(int fd, Start start)
    : m_fd(fd), m_truncate(start == Start::kTruncate), m_buffer(kBufferBytes) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

bool DescriptorBuffer::Flush() {
    if (!Drain()) return false;
    if (m_truncate && ftruncate(m_fd, 0) != 0) Fail(errno);
    m_truncate = false;
    return m_error == 0;
}

void DescriptorBuffer::Fail(int error) {
    if (m_error == 0) m_error = error;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int DescriptorBuffer::sync() {
    return Drain() ? 0 : -1;
}

std::streamsize DescriptorBuffer::xsputn(const char* data, std::streamsize size) {
    const auto room = epptr() - pptr();
    if (size <= room) {
        traits_type::copy(pptr(), data, static_cast<size_t>(size));
        pbump(static_cast<int>(size));
        return size;
    }
    // A large piece goes out directly rather than through the buffer.
    if (!Drain() || !WriteAll(data, static_cast<size_t>(size))) return 0;
    return size;
}

bool DescriptorBuffer::Drain() {
    const bool written = WriteAll(pbase(), static_cast<size_t>(pptr() - pbase()));
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return written;
}

bool DescriptorBuffer::WriteAll(const char* data, size_t size) {
    if (m_error != 0) return false;
    if (size > 0 && m_truncate) {
        m_truncate = false;
        if (ftruncate(m_fd, 0) != 0) {
            Fail(errno);
            return false;
        }
    }
    while (size > 0) {
        const ssize_t written = write(m_fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            Fail(written < 0 ? errno : EIO);
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace edload
