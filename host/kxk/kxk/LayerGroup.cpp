#include "kxk/LayerGroup.h"

namespace kxk {

bool LayerGroup::Create(du::SmartPtr<LayerGroup>& out, const du::Symbol& name,
                        const std::vector<du::Symbol>& members) {
    out = new LayerGroup(name, members);
    return true;
}

}  // namespace kxk
