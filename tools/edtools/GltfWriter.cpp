#include "GltfWriter.h"

#include <cstdint>
#include <limits>
#include <string>

#include "Base64.h"

namespace edload {

namespace {

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kGlbVersion = 2;
constexpr uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr uint32_t kBinChunk = 0x004E4942;   // "BIN\0"
constexpr size_t kGlbHeaderBytes = 12;
constexpr size_t kChunkHeaderBytes = 8;

void PutUint32(std::ostream& out, uint32_t value) {
    char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    out.write(bytes, 4);
}

size_t Padded(size_t length) {
    return (length + 3) & ~size_t(3);
}

// Chunks start and end on four-byte boundaries; JSON pads with spaces, binary data with zeros.
void PutChunk(std::ostream& out, uint32_t type, const std::string& data, char pad) {
    PutUint32(out, static_cast<uint32_t>(Padded(data.size())));
    PutUint32(out, type);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    for (size_t i = data.size(); i < Padded(data.size()); ++i) out.put(pad);
}

bool WriteGlb(std::ostream& out, const gltf::GltfDocument& document) {
    std::string json = document.JsonText(std::nullopt);
    const std::string& buffer = document.Buffer();
    size_t total = kGlbHeaderBytes + kChunkHeaderBytes + Padded(json.size());
    if (!buffer.empty()) total += kChunkHeaderBytes + Padded(buffer.size());
    if (total > std::numeric_limits<uint32_t>::max()) return false;
    PutUint32(out, kGlbMagic);
    PutUint32(out, kGlbVersion);
    PutUint32(out, static_cast<uint32_t>(total));
    PutChunk(out, kJsonChunk, json, ' ');
    if (!buffer.empty()) PutChunk(out, kBinChunk, buffer, '\0');
    return true;
}

}  // namespace

bool WriteGltf(std::ostream& out, const LoadResult& result, const gltf::GltfOptions& options,
               GltfContainer container) {
    gltf::GltfDocument document(result, options);
    if (container == GltfContainer::kBinary) return WriteGlb(out, document);
    std::optional<std::string> uri;
    if (!document.Buffer().empty()) uri = "data:application/octet-stream;base64," + Base64(document.Buffer());
    out << document.JsonText(uri) << '\n';
    return true;
}

}  // namespace edload
