#include "du/RefCounted.h"

#include <gtest/gtest.h>

#include "du/SmartPtr.h"

namespace {

class Counted : public du::RefCounted {
  public:
    explicit Counted(bool agree) : m_agree(agree) {}
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

TEST(RefCountedTest, LastSmartPtrDeletesUnlessTheHookRefuses) {
    const size_t before = du::RefCounted::LiveCount();
    {
        du::SmartPtr<Counted> a(new Counted(true));
        du::SmartPtr<Counted> b = a;
        b = a;  // the same object again
        b = nullptr;
        du::ConstSmartPtr<Counted> c(a);
        EXPECT_EQ(2, c->ReferenceCount());
    }
    EXPECT_EQ(before, du::RefCounted::LiveCount());

    Counted* kept = new Counted(false);
    { du::SmartPtr<Counted> p(kept); }
    EXPECT_EQ(1, kept->hookCalls);
    EXPECT_EQ(1, kept->countInHook);
    EXPECT_EQ(1, kept->ReferenceCount());  // the reference the hook was given stays
    EXPECT_EQ(0, kept->RemoveReference(nullptr));
    delete kept;
    EXPECT_EQ(before, du::RefCounted::LiveCount());
}

}  // namespace
