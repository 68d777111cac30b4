#include "GzipBase64Writer.h"

#include "Base64.h"

namespace edload {

namespace {

constexpr int kGzipWindow = 15 + 16;  // the largest window, with a gzip header and trailer
constexpr int kMemoryLevel = 8;
constexpr size_t kChunk = 1 << 16;

}  // namespace

GzipBase64Writer::GzipBase64Writer(std::ostream& out) : m_out(out) {
    m_ok = deflateInit2(&m_stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindow, kMemoryLevel,
                        Z_DEFAULT_STRATEGY) == Z_OK;
}

GzipBase64Writer::~GzipBase64Writer() {
    if (m_ok) deflateEnd(&m_stream);
}

void GzipBase64Writer::Write(std::string_view text) {
    Deflate(text, Z_NO_FLUSH);
    Encode(false);
}

bool GzipBase64Writer::Finish() {
    Deflate({}, Z_FINISH);
    Encode(true);
    return m_ok;
}

void GzipBase64Writer::Deflate(std::string_view text, int flush) {
    if (!m_ok) return;
    // zlib's input pointer is not const, but deflate only reads through it.
    m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    m_stream.avail_in = static_cast<uInt>(text.size());
    char buffer[kChunk];
    int status;
    do {
        m_stream.next_out = reinterpret_cast<Bytef*>(buffer);
        m_stream.avail_out = kChunk;
        status = deflate(&m_stream, flush);
        m_pending.append(buffer, kChunk - m_stream.avail_out);
    } while (status == Z_OK && (m_stream.avail_out == 0 || m_stream.avail_in > 0 || flush == Z_FINISH));
    if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END) m_ok = false;
}

void GzipBase64Writer::Encode(bool last) {
    size_t whole = last ? m_pending.size() : m_pending.size() / 3 * 3;
    m_out << Base64(std::string_view(m_pending).substr(0, whole));
    m_pending.erase(0, whole);
}

}  // namespace edload
