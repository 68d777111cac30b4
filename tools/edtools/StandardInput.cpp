#include "StandardInput.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "du/FileReader.h"

namespace edload {

StandardInput::StandardInput(const std::string& fileName) {
    if (fileName != kName) return;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            m_bytes.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            m_error = std::string("cannot read the standard input: ") + std::strerror(errno);
            return;
        }
    }
    du::FileReader::RegisterMemoryFile(kName, m_bytes.data(), m_bytes.size());
    m_registered = true;
}

StandardInput::~StandardInput() {
    if (m_registered) du::FileReader::UnregisterMemoryFile(kName);
}

}  // namespace edload
