#pragma once

#include <ostream>
#include <string>

#include "GltfNodes.h"
#include "LoadSession.h"

namespace edload::gltf {

// How a structure becomes a glTF document.
struct GltfOptions {
    enum class Up { kZ, kY };
    Up up = Up::kZ;  // the structure's up axis; glTF's is Y
    NodeOptions nodes;
};

// Where the document's buffer goes.
enum class BufferPlace {
    kDataUri,      // into the JSON text, base64-encoded
    kBinaryChunk,  // beside it, in a binary container's chunk: the buffer gets no URI
};

// Writes a loaded structure to `out` as the JSON text of one glTF 2.0 document: a scene whose single
// top node, named after the file, turns the structure to glTF's axes and holds the structure's root;
// a node per component placed by its instance; boxes with their meshes, materials and buffer. The
// text is streamed while the structure is walked, so that what the export holds does not grow with
// the document. Returns the buffer's bytes, empty when the document has no geometry. The same load and
// options give the same text every time.
std::string WriteGltfJson(std::ostream& out, const LoadResult& result, const GltfOptions& options,
                          BufferPlace place);

}  // namespace edload::gltf
