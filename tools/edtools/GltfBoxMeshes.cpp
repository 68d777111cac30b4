#include "GltfBoxMeshes.h"

#include <cstdint>
#include <cstring>

namespace edload::gltf {

namespace {

constexpr int kFaces = 6;
constexpr int kVertices = 4 * kFaces;
constexpr int kIndices = 6 * kFaces;
constexpr size_t kVec3Bytes = kVertices * 3 * sizeof(float);
constexpr size_t kIndexBytes = kIndices * sizeof(uint16_t);
constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;

void AppendLittleEndian(std::string& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

void AppendFloat(std::string& bytes, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    AppendLittleEndian(bytes, bits, 4);
}

// Face `face` lies across axis a = face / 2, on its negative side for even faces. Its corners go
// counter-clockwise seen from outside: (-,-), (+,-), (+,+), (-,+) in the next two axes, whose cross
// product is the positive axis, and the reverse order on the negative side.
void AppendFace(std::string& positions, std::string& normals, int face) {
    int a = face / 2, u = (a + 1) % 3, v = (a + 2) % 3;
    float side = face % 2 ? 0.5f : -0.5f;
    static const float kCorners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    for (int k = 0; k < 4; ++k) {
        const float* corner = kCorners[side > 0 ? k : 3 - k];
        float point[3];
        point[a] = side;
        point[u] = corner[0];
        point[v] = corner[1];
        for (int axis = 0; axis < 3; ++axis) {
            AppendFloat(positions, point[axis]);
            AppendFloat(normals, axis == a ? 2 * side : 0.0f);
        }
    }
}

json::Json Accessor(size_t view, int componentType, int count, const char* type) {
    return {{"bufferView", view}, {"componentType", componentType}, {"count", count}, {"type", type}};
}

json::Json View(size_t offset, size_t length, int target) {
    return {{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}, {"target", target}};
}

}  // namespace

size_t GltfBoxMeshes::MeshFor(size_t material) {
    if (material >= m_meshByMaterial.size()) m_meshByMaterial.resize(material + 1);
    std::optional<size_t>& mesh = m_meshByMaterial[material];
    if (!mesh) {
        mesh = m_meshes.size();
        json::Json primitive = {
            {"attributes", {{"POSITION", 0}, {"NORMAL", 1}}}, {"indices", 2}, {"material", material}};
        m_meshes.push_back({{"name", "box"}, {"primitives", json::Json::array({std::move(primitive)})}});
    }
    return *mesh;
}

void GltfBoxMeshes::AddTo(json::Json& document, const std::optional<std::string>& bufferUri) const {
    if (Empty()) return;
    json::Json position = Accessor(0, kFloat, kVertices, "VEC3");
    position["min"] = {-0.5, -0.5, -0.5};
    position["max"] = {0.5, 0.5, 0.5};
    document["meshes"] = m_meshes;
    document["accessors"] = {position, Accessor(1, kFloat, kVertices, "VEC3"),
                             Accessor(2, kUnsignedShort, kIndices, "SCALAR")};
    document["bufferViews"] = {View(0, kVec3Bytes, kArrayBuffer), View(kVec3Bytes, kVec3Bytes, kArrayBuffer),
                               View(2 * kVec3Bytes, kIndexBytes, kElementArrayBuffer)};
    json::Json buffer = {{"byteLength", 2 * kVec3Bytes + kIndexBytes}};
    if (bufferUri) buffer["uri"] = *bufferUri;
    document["buffers"] = json::Json::array({std::move(buffer)});
}

std::string GltfBoxMeshes::Buffer() const {
    if (Empty()) return {};
    std::string positions, normals, indices;
    for (int face = 0; face < kFaces; ++face) {
        AppendFace(positions, normals, face);
        for (int corner : {0, 1, 2, 0, 2, 3}) AppendLittleEndian(indices, 4 * face + corner, 2);
    }
    return positions + normals + indices;
}

}  // namespace edload::gltf
