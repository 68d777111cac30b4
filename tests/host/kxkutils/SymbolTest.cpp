#include "du/Symbol.h"

#include "du/TextSlabs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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

// Lengths on both sides of the hash's and the slabs' boundaries, past the largest slab block, and
// zero bytes inside.
TEST(SymbolTest, TextsOfAnyLengthKeepEveryByte) {
    const size_t before = Symbol::LiveCount();
    for (size_t length : {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 243, 244, 245, 4096, 100000}) {
        std::string text(length, '\0');
        for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i % 3 ? 'a' + i % 26 : 0);
        const Symbol s(text.data(), length);
        ASSERT_EQ(length, s.length());
        EXPECT_TRUE(s == text);
        EXPECT_EQ('\0', s.c_str()[length]);
        EXPECT_EQ(s.c_str(), Symbol(text).c_str());
        EXPECT_NE(s, Symbol(text + 'a'));
        for (size_t i = 0; i < length; i += 1 + length / 64) {
            std::string other = text;
            other[i] ^= 1;
            EXPECT_NE(s, Symbol(other)) << "length " << length << ", byte " << i;
        }
    }
    EXPECT_EQ(before, Symbol::LiveCount());
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
    // Texts can be interned again after they were freed, and many stay distinct and findable: enough
    // of one length that some share their whole hash.
    const auto text = [](int i) {
        std::string t = "text-" + std::to_string(i);
        t.resize(12, '.');
        return t;
    };
    constexpr int kTexts = 200000;
    std::vector<Symbol> symbols;
    for (int i = 0; i < kTexts; ++i) symbols.emplace_back(text(i));
    EXPECT_EQ(before + kTexts, Symbol::LiveCount());
    for (int i = 0; i < kTexts; ++i) ASSERT_EQ(symbols[i].c_str(), Symbol(text(i)).c_str());
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
                // Some shared texts are too long for the slabs.
                Symbol shared("shared-" + std::to_string(i % 7) + std::string(i % 2 * 300, 'x'));
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

// Blocks of every size, handed out, partly released and handed out again, never overlap; once all
// are released, no slab but the spare is kept.
TEST(TextSlabsTest, ReusedBlocksStayApartAndEmptySlabsGoBack) {
    struct Block {
        char* data;
        size_t size;
        char fill;
    };
    du::TextSlabs slabs;
    std::vector<Block> blocks;
    for (int round = 0; round < 3; ++round) {
        for (size_t i = 0; i < 3000; ++i) {
            const size_t size = 1 + (i * 37 + round) % du::TextSlabs::kMaxBlock;
            Block block{static_cast<char*>(slabs.Allocate(size)), size,
                        static_cast<char>(blocks.size() % 251)};
            ASSERT_EQ(0u, reinterpret_cast<uintptr_t>(block.data) % 8);
            std::memset(block.data, block.fill, size);
            blocks.push_back(block);
        }
        std::vector<Block> kept;
        for (size_t k = 0; k < blocks.size(); ++k) {
            const Block& block = blocks[k];
            ASSERT_EQ(std::string(block.size, block.fill), std::string(block.data, block.size)) << k;
            if (k % 2)
                slabs.Release(block.data);
            else
                kept.push_back(block);
        }
        blocks.swap(kept);
    }
    EXPECT_LT(1u, slabs.SlabCount());
    for (const Block& block : blocks) slabs.Release(block.data);
    EXPECT_GE(1u, slabs.SlabCount());
}

}  // namespace
