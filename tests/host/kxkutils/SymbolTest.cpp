#include "du/Symbol.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using du::Symbol;

TEST(SymbolTest, EqualTextsShareOnePointerWhateverTheSource) {
    std::string text = "Bolt";
    Symbol a("Bolt"), b(text), c(text.c_str(), 4), d(a);
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.c_str(), c.c_str());
    EXPECT_EQ(a.c_str(), d.c_str());
    EXPECT_NE(a.c_str(), Symbol("bolt").c_str());
    EXPECT_EQ(Symbol("Bo"), Symbol("Bolt", 2));
    EXPECT_STREQ("Bo", Symbol("Bolt", 2).c_str());
}

TEST(SymbolTest, NullIsNotEmpty) {
    Symbol none, fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.is_null());
    EXPECT_STREQ("", none.safe_c_str());
    EXPECT_FALSE(Symbol::EMPTY.is_null());
    EXPECT_EQ(Symbol::EMPTY, Symbol(""));
    EXPECT_NE(Symbol::EMPTY, none);
    EXPECT_FALSE(none == "");
    EXPECT_TRUE(none == static_cast<const char*>(nullptr));
}

TEST(SymbolTest, FindSubstrAndComparisonsUseTheWholeText) {
    Symbol s("a.b.ed");
    EXPECT_EQ(3u, s.find('.', 2));
    EXPECT_EQ(Symbol::npos, s.find("ed", 5));
    EXPECT_EQ("b", s.substr(2, 1));
    EXPECT_FALSE(s == "a.b.e");
    EXPECT_FALSE(s == "a.b.edx");
    EXPECT_FALSE(Symbol() == std::string());
    std::ostringstream out;
    out << s << Symbol() << s;
    EXPECT_EQ("a.b.eda.b.ed", out.str());
}

TEST(SymbolTest, LastHolderFreesTheText) {
    size_t before = Symbol::LiveCount();
    {
        Symbol a("LastHolderFreesTheText-1");
        Symbol b = a;
        Symbol c("LastHolderFreesTheText-2");
        EXPECT_EQ(before + 2, Symbol::LiveCount());
        a = c;
        b = std::move(c);
        EXPECT_EQ(before + 1, Symbol::LiveCount());
        Symbol& alias = a;  // self-assignment without the compiler's warning about it
        a = alias;
        EXPECT_EQ(before + 1, Symbol::LiveCount());
    }
    EXPECT_EQ(before, Symbol::LiveCount());
    // Texts can be interned again after they were freed, and many stay distinct and findable.
    std::vector<Symbol> symbols;
    for (int i = 0; i < 20000; ++i) symbols.emplace_back("text-" + std::to_string(i));
    EXPECT_EQ(before + 20000, Symbol::LiveCount());
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(symbols[i].c_str(), Symbol("text-" + std::to_string(i)).c_str());
    symbols.clear();
    EXPECT_EQ(before, Symbol::LiveCount());
}

// Eight threads intern, copy and drop the same few texts and texts of their own at once, so that a
// last release regularly meets a lookup of the same text.
TEST(SymbolTest, ConcurrentInterningAgreesAndLeaksNothing) {
    // Held throughout: a thread that ended before the last one started would otherwise free the text,
    // and the next would rightly get a new one.
    const Symbol kept("shared-kept");
    size_t before = Symbol::LiveCount();
    constexpr int kThreads = 8;
    std::vector<std::vector<const char*>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            Symbol keep("shared-kept");
            seen[t].push_back(keep.c_str());
            for (int i = 0; i < 20000; ++i) {
                Symbol shared("shared-" + std::to_string(i % 7));
                Symbol copy = shared;
                Symbol own("own-" + std::to_string(t) + "-" + std::to_string(i % 100));
                if (copy != shared || own.substr(0, 4) != "own-") seen[t].push_back(nullptr);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(1u, seen[t].size());
        EXPECT_EQ(kept.c_str(), seen[t][0]);
    }
    EXPECT_EQ(before, Symbol::LiveCount());
}

}  // namespace
