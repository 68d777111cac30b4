#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "du/RefCounted.h"
#include "kxg/AppearancePool.h"

namespace {

using AppearanceRef = du::SmartPtr<kxg::Appearance>;

class AppearancePoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_liveAtStart = du::RefCounted::LiveCount();
        m_entriesAtStart = Pool().Size();
    }
    void TearDown() override {
        EXPECT_EQ(m_liveAtStart, du::RefCounted::LiveCount()) << "appearances leaked";
        EXPECT_EQ(m_entriesAtStart, Pool().Size()) << "pool kept entries of released appearances";
    }
    static kxg::AppearancePool& Pool() { return kxg::GetAppearancePool(); }
    static AppearanceRef Get(float r, float g, float b, float a = 1) {
        return Pool().GetAppearanceFromColor(dg::Color(r, g, b, a));
    }

  private:
    size_t m_liveAtStart = 0;
    size_t m_entriesAtStart = 0;
};

// --- Sharing -------------------------------------------------------------------------------------

// The pool holds no reference of its own: the last release removes the entry.
TEST_F(AppearancePoolTest, OneAppearancePerColourWhileHeld) {
    const size_t before = Pool().Size();
    EXPECT_EQ(1, Get(0.1f, 0.2f, 0.3f)->ReferenceCount());
    EXPECT_EQ(before, Pool().Size());
    AppearanceRef base = Get(0.5f, 0.5f, 0.5f, 1);
    EXPECT_EQ(1, base->ReferenceCount());
    EXPECT_EQ(before + 1, Pool().Size());
    EXPECT_EQ(base.get(), Get(0.5f, 0.5f, 0.5f, 1).get());
    const dg::Color others[] = {
        {0.6f, 0.5f, 0.5f, 1}, {0.5f, 0.6f, 0.5f, 1}, {0.5f, 0.5f, 0.6f, 1}, {0.5f, 0.5f, 0.5f, 0.25f}};
    for (const dg::Color& c : others) {
        AppearanceRef other = Pool().GetAppearanceFromColor(c);
        EXPECT_NE(base.get(), other.get());
        EXPECT_EQ(c, other->GetColor());
    }
    // -0 finds the entry of 0, and NaN its own.
    EXPECT_EQ(Get(0, 0, 0).get(), Get(-0.0f, 0, 0).get());
    float nan = std::numeric_limits<float>::quiet_NaN();
    AppearanceRef a = Get(nan, 0, 0);
    EXPECT_EQ(a.get(), Get(nan, 0, 0).get());
}

// --- Threads -------------------------------------------------------------------------------------

// Threads take and drop the same few colours over and over, so lookups keep meeting appearances
// whose count has just reached zero. Nothing may be freed twice, and once the threads are done
// nothing is left beyond the pool's pins.
TEST_F(AppearancePoolTest, ConcurrentTakeAndDropNeitherLeaksNorDoubleFrees) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 20000; ++i) {
                AppearanceRef a = Get(float((i + t) % 3), 1, 0);
                AppearanceRef b = Get(float((i + t) % 3), 1, 0);
                ASSERT_EQ(a.get(), b.get());
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_LE(Pool().Size(), 3u);
    Pool().ReleasePins();
}

}  // namespace
