#include "GltfMaterials.h"

#include <cstdio>
#include <string>

namespace edload::gltf {

namespace {

// The structure keeps colour components as read; glTF wants them within 0 and 1.
// Clamping first also gives NaN components a key that compares equal to itself.
float Clamp(float value) {
    if (!(value > 0)) return 0;
    return value < 1 ? value : 1;
}

std::string Name(const json::Json& factor) {
    std::string name = "colour";
    for (const auto& component : factor) {
        char text[16];
        std::snprintf(text, sizeof text, " %.3g", component.get<double>());
        name += text;
    }
    return name;
}

json::Json Material(const dg::Color& color) {
    json::Json factor =
        json::Json::array({double(color.r), double(color.g), double(color.b), double(color.a)});
    json::Json material = {
        {"name", Name(factor)},
        {"pbrMetallicRoughness",
         {{"baseColorFactor", factor}, {"metallicFactor", 0.0}, {"roughnessFactor", 0.6}}}};
    if (factor[3].get<double>() < 1) material["alphaMode"] = "BLEND";
    return material;
}

}  // namespace

size_t GltfMaterials::For(const dg::Color& given) {
    dg::Color color(Clamp(given.r), Clamp(given.g), Clamp(given.b), Clamp(given.a));
    auto found = m_indices.find(color);
    if (found != m_indices.end()) return found->second;
    size_t index = m_materials.size();
    m_materials.push_back(Material(color));
    m_indices.emplace(color, index);
    return index;
}

}  // namespace edload::gltf
