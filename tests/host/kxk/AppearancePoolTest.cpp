#include <gtest/gtest.h>

#include <limits>
#include <thread>
#include <vector>

#include "du/RefCounted.h"
#include "kxg/AppearancePool.h"

namespace {

using AppearanceRef = du::SmartPtr<kxg::Appearance>;

// Every test leaves the pool as it found it: no appearance is leaked, and no entry outlives its
// appearance.
class AppearancePoolTest : public ::testing::Test {
  protected:
    ~AppearancePoolTest() override {
        EXPECT_EQ(m_liveAtStart, du::RefCounted::LiveCount()) << "appearances leaked";
        EXPECT_EQ(m_entriesAtStart, Pool().Size()) << "pool kept entries of released appearances";
    }
    static kxg::AppearancePool& Pool() { return kxg::GetAppearancePool(); }
    static AppearanceRef Get(float r, float g, float b, float a = 1) {
        return Pool().GetAppearanceFromColor(dg::Color(r, g, b, a));
    }

    size_t m_liveAtStart = du::RefCounted::LiveCount(), m_entriesAtStart = Pool().Size();
};

// The pool holds no reference of its own: the last release removes the entry. -0 finds the entry of
// 0, and NaN its own.
TEST_F(AppearancePoolTest, OneAppearancePerColourWhileHeld) {
    EXPECT_EQ(1, Get(0.1f, 0.2f, 0.3f)->ReferenceCount());
    EXPECT_EQ(m_entriesAtStart, Pool().Size());
    AppearanceRef base = Get(0.5f, 0.5f, 0.5f, 1);
    EXPECT_EQ(m_entriesAtStart + 1, Pool().Size());
    EXPECT_EQ(base.get(), Get(0.5f, 0.5f, 0.5f, 1).get());
    for (const dg::Color& c : {dg::Color(0.6f, 0.5f, 0.5f, 1), dg::Color(0.5f, 0.6f, 0.5f, 1),
                               dg::Color(0.5f, 0.5f, 0.6f, 1), dg::Color(0.5f, 0.5f, 0.5f, 0.25f)}) {
        AppearanceRef other = Pool().GetAppearanceFromColor(c);
        EXPECT_NE(base.get(), other.get());
        EXPECT_EQ(c, other->GetColor());
    }
    EXPECT_EQ(Get(0, 0, 0).get(), Get(-0.0f, 0, 0).get());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    AppearanceRef a = Get(nan, 0, 0);
    EXPECT_EQ(a.get(), Get(nan, 0, 0).get());
}

// Threads take and drop the same few colours over and over, so lookups keep meeting appearances
// whose count has just reached zero. Nothing may be freed twice, and once the threads are done
// nothing is left beyond the pool's pins.
TEST_F(AppearancePoolTest, ConcurrentTakeAndDropNeitherLeaksNorDoubleFrees) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 20000; ++i)
                ASSERT_EQ(Get(float((i + t) % 3), 1, 0).get(), Get(float((i + t) % 3), 1, 0).get());
        });
    for (auto& thread : threads) thread.join();
    EXPECT_LE(Pool().Size(), 3u);
    Pool().ReleasePins();
}

}  // namespace
