#include "kxk/ViewStateSource.h"

namespace kxk {

bool ViewStateSource::Create(du::SmartPtr<ViewStateSource>& out, const ObjectWithRWLock* owner,
                             const du::Symbol& second, VIEWSTATESOURCE_TYPE type, const du::Symbol& first,
                             unsigned int number) {
    out = new ViewStateSource(owner, second, type, first, number);
    return true;
}

}  // namespace kxk
