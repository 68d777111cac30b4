#pragma once

#include <cstdint>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {

// A file that can be viewed beside a node's geometry (document, drawing, image, ...). The family
// tells which kind; the concrete classes add their own settings. Immutable after creation; held
// by counted reference.
class ViewableSource : public du::RefCounted {
  public:
    enum Family { DOCUMENT, DRAWING, ECAD, ILLUSTRATION, ILLUSTRATION3D, IMAGE, OLEDOC, FILE };

    Family GetFamily() const { return m_family; }
    // "document", "drawing", "ecad", "illustration", "illustration3d", "image", "oledoc" or "file".
    const char* GetFamilyName() const { return FamilyName(m_family); }
    static const char* FamilyName(Family family);

    const du::Symbol& GetFileName() const { return m_fileName; }
    const du::Symbol& GetDisplayName() const { return m_displayName; }
    uint8_t GetFlag() const { return m_flag; }

  protected:
    ViewableSource(Family family, const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : m_family(family), m_fileName(fileName), m_displayName(displayName), m_flag(flag) {}

  private:
    Family m_family;
    du::Symbol m_fileName;
    du::Symbol m_displayName;
    uint8_t m_flag;
};

// A family whose sources need nothing beyond their file and display names; the family headers name
// each one (DocumentSource, ImageSource, ...).
template <ViewableSource::Family kFamily>
class PlainViewableSource : public ViewableSource {
  public:
    // Always makes a source and returns true.
    static bool Create(du::SmartPtr<PlainViewableSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag) {
        out = new PlainViewableSource(fileName, displayName, flag);
        return true;
    }

  private:
    PlainViewableSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag)
        : ViewableSource(kFamily, fileName, displayName, flag) {}
};

}  // namespace kxk
