#include "du/RefCounted.h"

#include <gtest/gtest.h>

#include "du/SmartPtr.h"

namespace {

class Counted : public du::RefCounted {
  public:
    explicit Counted(bool agree = true) : m_agree(agree) {}
    bool ZeroReferenceCountHook() const override {
        ++hookCalls;
        countInHook = ReferenceCount();
        return m_agree;
    }
    mutable int hookCalls = 0;
    mutable int countInHook = -1;

  private:
    bool m_agree;
};

TEST(RefCountedTest, LastSmartPtrDeletes) {
    size_t before = du::RefCounted::LiveCount();
    {
        du::SmartPtr<Counted> a(new Counted);
        du::SmartPtr<Counted> b = a;
        b = a;  // the same object again
        EXPECT_EQ(2, a->ReferenceCount());
        b = nullptr;
        du::ConstSmartPtr<Counted> c(a);
        EXPECT_EQ(2, c->ReferenceCount());
        EXPECT_EQ(before + 1, du::RefCounted::LiveCount());
    }
    EXPECT_EQ(before, du::RefCounted::LiveCount());
}

TEST(RefCountedTest, HookAnsweringFalseKeepsTheObject) {
    size_t before = du::RefCounted::LiveCount();
    Counted* object = new Counted(false);
    { du::SmartPtr<Counted> p(object); }
    EXPECT_EQ(1, object->hookCalls);
    EXPECT_EQ(1, object->countInHook);
    EXPECT_EQ(1, object->ReferenceCount());  // the reference the hook was given stays
    EXPECT_EQ(before + 1, du::RefCounted::LiveCount());
    EXPECT_EQ(0, object->RemoveReference(nullptr));
    delete object;
    EXPECT_EQ(before, du::RefCounted::LiveCount());
}

}  // namespace
