#pragma once

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {

class ObjectWithRWLock;

// One stored state of the model (view state, explode state, alternate representation or section
// cut): a number and two texts. Immutable; held by counted reference. The owner is not owned: it
// normally owns this source, and is only valid while it lives.
class ViewStateSource : public du::RefCounted {
  public:
    enum VIEWSTATESOURCE_TYPE { VIEW_STATE = 0, EXPLODE_STATE = 1, ALTERNATE_REP = 2, SECTION_CUT = 3 };

    // Always makes a source and returns true. The texts are kept as given, nulls included.
    static bool Create(du::SmartPtr<ViewStateSource>& out, const ObjectWithRWLock* owner,
                       const du::Symbol& second, VIEWSTATESOURCE_TYPE type, const du::Symbol& first,
                       unsigned int number);

    const ObjectWithRWLock* GetOwner() const { return m_owner; }
    VIEWSTATESOURCE_TYPE GetType() const { return m_type; }
    const du::Symbol& GetFirst() const { return m_first; }
    const du::Symbol& GetSecond() const { return m_second; }
    unsigned int GetNumber() const { return m_number; }

  private:
    ViewStateSource(const ObjectWithRWLock* owner, const du::Symbol& second, VIEWSTATESOURCE_TYPE type,
                    const du::Symbol& first, unsigned int number)
        : m_owner(owner), m_second(second), m_type(type), m_first(first), m_number(number) {}

    const ObjectWithRWLock* m_owner;
    du::Symbol m_second;
    VIEWSTATESOURCE_TYPE m_type;
    du::Symbol m_first;
    unsigned int m_number;
};

}  // namespace kxk
