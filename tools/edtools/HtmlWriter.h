#pragma once

#include <memory>
#include <ostream>

#include "JsonValues.h"
#include "LoadSession.h"
#include "StructureWalk.h"

namespace edload {

struct HtmlOptions {
    bool zUp = true;  // the structure's up axis is Z; otherwise Y, as the page's 3D view has it
};

// Writes one load as a single self-contained HTML page: the tree, the details of each component and
// its box in 3D, with the page's script and three.js inlined so that it opens from disk, offline. The
// structure goes in as one row per instance in walk order, compressed while the walk goes. False when
// the compressor failed; the page is incomplete then.
bool WriteHtml(std::ostream& out, const LoadResult& result, const HtmlOptions& options);

// The rows of a page as a walk enters them, for a page that shows more than one walk (ed-diff puts
// the removed instances of the old structure among the new one's rows). One thread.
class HtmlRows : public StructureVisitor {
  public:
    HtmlRows();
    ~HtmlRows() override;

    void Enter(const WalkStep& step) override;
    // As Enter, with `details` as the first members of the row's details.
    void Enter(const WalkStep& step, json::Json details);
    void Leave(const WalkStep& step) override;
    // Writes the page with `head` (HtmlHead, members added as the page reads them) and the rows
    // entered. False when the compressor failed.
    bool Write(std::ostream& out, json::Json head);

  private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

// The head of the scene for one load: file, up axis, the load's state and the root's colour.
json::Json HtmlHead(const LoadResult& result, const HtmlOptions& options);

}  // namespace edload
