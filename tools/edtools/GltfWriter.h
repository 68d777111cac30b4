#pragma once

#include <ostream>

#include "GltfDocument.h"
#include "LoadSession.h"

namespace edload {

// The two glTF containers.
enum class GltfContainer {
    kJson,    // .gltf: JSON text, the buffer embedded as a base64 data URI
    kBinary,  // .glb: a header, a JSON chunk and a binary chunk
};

// Writes one load as a glTF 2.0 document in `container`. False, with nothing written, when the
// document is too large for a binary container's 32-bit lengths.
bool WriteGltf(std::ostream& out, const LoadResult& result, const gltf::GltfOptions& options,
               GltfContainer container);

}  // namespace edload
