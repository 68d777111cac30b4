#include "kxg/Appearance.h"

#include "kxg/AppearancePool.h"

namespace kxg {

Appearance::~Appearance() = default;

bool Appearance::ZeroReferenceCountHook() const {
    return m_pooled ? GetAppearancePool().Forget(this) : true;
}

}  // namespace kxg
