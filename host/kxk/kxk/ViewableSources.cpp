// The viewable-source families: each factory always makes its source.
#include "kxk/ComponentNode.h"
#include "kxk/DrawingSource.h"
#include "kxk/EcadSource.h"
#include "kxk/Illustration3dSource.h"
#include "kxk/ViewableSource.h"

namespace kxk {

const char* ViewableSource::FamilyName(Family family) {
    switch (family) {
        case DOCUMENT:
            return "document";
        case DRAWING:
            return "drawing";
        case ECAD:
            return "ecad";
        case ILLUSTRATION:
            return "illustration";
        case ILLUSTRATION3D:
            return "illustration3d";
        case IMAGE:
            return "image";
        case OLEDOC:
            return "oledoc";
        case FILE:
            return "file";
    }
    return "unknown";
}

bool DrawingSource::Create(du::SmartPtr<DrawingSource>& out, const du::Symbol& fileName,
                           const du::Symbol& displayName, uint8_t flag, bool, bool,
                           const std::vector<du::SmartPtr<DrawingSheetSource>>*) {
    out = new DrawingSource(fileName, displayName, flag);
    return true;
}

bool EcadSource::Create(du::SmartPtr<EcadSource>& out, const du::Symbol& fileName,
                        const du::Symbol& displayName, uint8_t flag, EcadType type, const du::Symbol& extra) {
    out = new EcadSource(fileName, displayName, flag, type, extra);
    return true;
}

bool Illustration3dSource::Create(du::SmartPtr<Illustration3dSource>& out, const du::Symbol& fileName,
                                  const du::Symbol& displayName, uint8_t flag,
                                  const du::SmartPtr<ComponentNode>& node) {
    out = new Illustration3dSource(fileName, displayName, flag, node.get());
    return true;
}

}  // namespace kxk
