#include "GltfWriter.h"

#include <cstdint>
#include <limits>
#include <streambuf>
#include <string>

namespace edload {

namespace {

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kGlbVersion = 2;
constexpr uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr uint32_t kBinChunk = 0x004E4942;   // "BIN\0"
constexpr size_t kGlbHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;

// Counts the bytes written to it and keeps none.
class ByteCounter : public std::streambuf {
  public:
    size_t Count() const { return m_count; }

  protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) ++m_count;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize size) override {
        m_count += static_cast<size_t>(size);
        return size;
    }

  private:
    size_t m_count = 0;
};

void PutUint32(std::ostream& out, uint32_t value) {
    char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    out.write(bytes, 4);
}

size_t Padded(size_t length) {
    return (length + 3) & ~size_t(3);
}

// Chunks start and end on four-byte boundaries; JSON pads with spaces, binary data with zeros.
void PutChunkHeader(std::ostream& out, uint32_t type, size_t length) {
    PutUint32(out, static_cast<uint32_t>(Padded(length)));
    PutUint32(out, type);
}

void PutPadding(std::ostream& out, size_t length, char pad) {
    for (size_t i = length; i < Padded(length); ++i) out.put(pad);
}

// The header and the JSON chunk's length come before the JSON text, which is streamed rather than
// held: the structure is walked once to measure the text and once to write it.
bool WriteGlb(std::ostream& out, const LoadResult& result, const gltf::GltfOptions& options) {
    ByteCounter counter;
    std::ostream counting(&counter);
    const std::string buffer =
        gltf::WriteGltfJson(counting, result, options, gltf::BufferPlace::kBinaryChunk);
    const size_t json = counter.Count();
    size_t total = kGlbHeaderBytes + kChunkHeaderBytes + Padded(json);
    if (!buffer.empty()) total += kChunkHeaderBytes + Padded(buffer.size());
    if (total > std::numeric_limits<uint32_t>::max()) return false;
    PutUint32(out, kGlbMagic);
    PutUint32(out, kGlbVersion);
    PutUint32(out, static_cast<uint32_t>(total));
    PutChunkHeader(out, kJsonChunk, json);
    gltf::WriteGltfJson(out, result, options, gltf::BufferPlace::kBinaryChunk);
    PutPadding(out, json, ' ');
    if (buffer.empty()) return true;
    PutChunkHeader(out, kBinChunk, buffer.size());
    out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    PutPadding(out, buffer.size(), '\0');
    return true;
}

}  // namespace

bool WriteGltf(std::ostream& out, const LoadResult& result, const gltf::GltfOptions& options,
               GltfContainer container) {
    if (container == GltfContainer::kBinary) return WriteGlb(out, result, options);
    gltf::WriteGltfJson(out, result, options, gltf::BufferPlace::kDataUri);
    out << '\n';
    return true;
}

}  // namespace edload
