// The reader: lines read on the caller's thread or on one of their own, a record that fails, the
// scanners of its fields, and the id tables' chain order against a model.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "du/HashNextPrime.h"
#include "du/LineReader.h"
#include "du/Symbol.h"
#include "ed/reader/BlockLines.h"
#include "ed/reader/IdIndex.h"
#include "ed/reader/IdTable.h"
#include "ed/reader/ScanInt.h"
#include "ed/reader/ValueList.h"
#include "kxk/ComponentNode.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"
#include "support/TraceRecorder.h"

namespace {

using namespace std::string_literals;

du::SmartPtr<du::FileReader> Open(const std::string& bytes) {
    du::FileReader::RegisterMemoryFile("/memory/ahead.ed", bytes.data(), bytes.size());
    du::SmartPtr<du::FileReader> reader(new du::FileReader);
    EXPECT_TRUE(reader->Open(du::Symbol("/memory/ahead.ed")));
    return reader;
}

std::vector<std::string> Drain(du::LineReader& lines) {
    std::vector<std::string> out;
    while (lines.ReadLine()) out.emplace_back(lines.GetBuffer(), lines.GetLength());
    return out;
}

std::vector<std::string> Drain(ed::BlockLines& lines) {
    std::vector<std::string> out;
    while (lines.NextBlock()) {
        size_t begin = 0;
        for (size_t end : lines.Ends()) {
            out.emplace_back(lines.Bytes() + begin, end - begin);
            lines.Bytes()[begin] = '#';  // handlers write into their line
            begin = end;
        }
        lines.Bytes()[begin] = '\0';  // the spare byte, where the parser ends the last line
    }
    return out;
}

ed::LoadOptions BlocksOf(size_t blockSize) {
    ed::LoadOptions options;
    options.blockSize = blockSize;
    options.blocksInFlight = 2;
    return options;
}

// Lines of every length from 0 to 70, so that line feeds fall at every offset of a 64-byte step.
std::string LinesOfEveryLength() {
    std::string text;
    for (size_t length = 0; length <= 70; ++length) text += std::string(length, 'x') + '\n';
    return text + "last";
}

TEST(BlockLinesTest, HandsOutLineReadersLinesWhateverTheBlockSizeAndThread) {
    for (const std::string& text :
         {""s, "a"s, "\n"s, "\n\n\nlast"s, "C 1 0 0\r\nI 0 1 0 0 a\0b\n"s,
          std::string(100, 'x') + "\nshort\n" + std::string(50, 'y'), LinesOfEveryLength()}) {
        for (size_t blockSize : {1, 3, 16, 200, 4096}) {
            for (bool ownThread : {false, true}) {
                const du::SmartPtr<du::FileReader> reader = Open(text);
                ed::BlockLines lines(reader.get(), BlocksOf(blockSize), ownThread);
                du::LineReader reference(Open(text).get());
                EXPECT_EQ(Drain(reference), Drain(lines))
                    << text.substr(0, 9) << " in blocks of " << blockSize;
                EXPECT_FALSE(lines.NextBlock());
            }
        }
    }
}

// The blocks in flight hold the texts they interned until they go.
TEST(BlockLinesTest, StoppingEarlyJoinsTheReaderAndReleasesItsTexts) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "V 0 " + std::to_string(i) + " 0 0 value " + std::to_string(i) + "\n";
    const du::SmartPtr<du::FileReader> reader = Open(text);
    const size_t live = du::Symbol::LiveCount();
    for (int lines = 0; lines < 3; ++lines) {
        {
            ed::BlockLines ahead(reader.get(), BlocksOf(64), true);
            for (int i = 0; i < lines; ++i) ASSERT_TRUE(ahead.NextBlock());
        }
        EXPECT_EQ(live, du::Symbol::LiveCount());
    }
}

// Each form of the list's one word (none, a symbol, a null value, a plain text, a block) through the
// steps that change it, against the values a vector would hold; copies agree and every text goes.
TEST(ValueListTest, EveryFormHoldsItsValuesInOrder) {
    alignas(4) static const char plain[] = "1 2 3";
    const size_t live = du::Symbol::LiveCount();
    {
        const du::Symbol a("ValueList-a"), b("ValueList-b"), none;
        struct Case {
            std::string steps;  // p: SetPlain, a/b/0: push_back a, b or a null symbol, t: TakeFront
            std::vector<du::Symbol> values;
            du::Symbol taken;
        };
        const Case cases[] = {
            {"", {}, none},
            {"a", {a}, none},
            {"0", {none}, none},
            {"0a", {none, a}, none},
            {"p", {du::Symbol(plain)}, none},
            {"pa", {du::Symbol(plain), a}, none},
            {"abab0a", {a, b, a, b, none, a}, none},
            {"at", {none}, a},
            {"abt", {none, b}, a},
            {"pt", {du::Symbol(plain)}, du::Symbol(plain)},
            {"ata", {none, a}, a},
        };
        for (const Case& c : cases) {
            ed::ValueList values;
            du::Symbol taken;
            for (char step : c.steps) {
                if (step == 'p') values.SetPlain(plain);
                if (step == 't') taken = values.TakeFront();
                if (step == 'a' || step == 'b' || step == '0')
                    values.push_back(step == 'a' ? a : step == 'b' ? b : none);
            }
            const ed::ValueList copy = values;
            for (const ed::ValueList* list : {static_cast<const ed::ValueList*>(&values), &copy}) {
                EXPECT_EQ(c.values, std::vector<du::Symbol>(list->begin(), list->end())) << c.steps;
                EXPECT_EQ(c.steps == "p" || c.steps == "pt", list->IsPlain()) << c.steps;
                const char* front = list->FrontText();
                EXPECT_EQ(c.values.empty() || c.values[0].is_null(), front == nullptr) << c.steps;
                if (front) {
                    EXPECT_STREQ(c.values[0].c_str(), front) << c.steps;
                }
            }
            EXPECT_EQ(c.taken, taken) << c.steps;
        }
    }
    EXPECT_EQ(live, du::Symbol::LiveCount());
}

// A sink that fails while a record handler traces, so that the exception leaves the handler.
class FailingTraces : public edtest::TraceRecorder {
    void Write(const dp::TraceMessage& message) override {
        edtest::TraceRecorder::Write(message);
        if (message.text.find("AddCheckout") != std::string::npos ||
            message.text.find("redefinition") != std::string::npos)
            throw std::runtime_error("sink failed");
    }
};

// A property of node `node` under property id `id`.
std::string Property(int id, int node, const std::string& name, const std::string& value) {
    const std::string p = std::to_string(id);
    return "P " + p + " " + std::to_string(node) + " 1\nN 0 " + p + " 0 0 " + name + "\nV 0 " + p + " 0 0 " +
           value + "\n";
}

// Both ways over the same file (read on one thread, and with the reading thread of a large file):
// converted names, odd spacing, zero bytes, builder properties whose values the block scan leaves
// plain (rejected ones first, in the parents' units), copies; then a failing line.
TEST(BlockLinesTest, ParsesAsOnOneThreadAndStopsAtAFailedLine) {
    std::string text = "J windows-1252\nT 1 Geometry\n";
    for (int i = 1; i <= 3000; ++i) {
        const std::string id = std::to_string(i);
        text += "C " + id + " " + std::to_string(i / 2) + " 0\nI 0 " + id + " 0 0  Part " + id +
                (i % 7 ? "" : " \xe9t\xe9") + "\nP " + id + " " + id + " 1\nN 0 " + id + " 0 0 Mass\nV 0 " +
                id + " 0 0 " + std::to_string(i % 13) + (i % 11 ? " kg\n" : "\0 kg\r\n"s);
        if (i % 5 == 0) text += Property(10000 + i, i, "location", "0 x");
        text += Property(20000 + i, i, i % 2 ? "location" : "Location",
                         "0 0 " + std::to_string(i % 90) + " " + id + ". 2 0");
        if (i % 3 == 0) text += Property(30000 + i, i, "length_unit", "CM");
        if (i % 4 == 0)
            text += Property(40000 + i, i, "bbox", "-1 -2 -3 " + id + " 5 .5" + (i % 8 ? "" : " mm"));
        if (i % 6 == 0) text += Property(50000 + i, i, "color", i % 12 ? "1 0.5 0 1" : "0 0 1 0.5");
        if (i % 97 == 0)
            text += "X " + std::to_string(5000 + i) + " " + id + " " + std::to_string(i / 3) + "\n";
    }
    std::vector<std::string> dumps;
    for (size_t from : {size_t{1} << 30, size_t{0}}) {
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.SetReadAheadFrom(from);
        EXPECT_TRUE(inspect.ParseText(text));
        dumps.push_back(edtest::Dump(*inspect.Structure()));
        FailingTraces traces;
        const size_t middle = text.find('\n', text.size() / 2) + 1;
        EXPECT_FALSE(inspect.ParseText(text.substr(0, middle) + "K boom\n" + text.substr(middle)));
        EXPECT_EQ(2u, traces.Texts().size());
    }
    EXPECT_NE(std::string::npos, dumps[1].find("Part 7 \xc3\xa9t\xc3\xa9 @0.070000 0 Mass[Geometry]=7 kg\n"));
    EXPECT_NE(std::string::npos,
              dumps[1].find("Part 5 @0.005000 0 Mass[Geometry]=5 kg location[Geometry]=0 x\n"));
    EXPECT_EQ(dumps[0], dumps[1]);
}

// Records that the block scan reads and those it leaves to their handlers, at every place in a
// block: the structure is the same as when the handlers scan every line.
TEST(BlockScanTest, RecordsReadAsTheirHandlersReadThem) {
    // clang-format off
    const std::vector<std::string> records = {
        "V 0 # 0 0 plain", "V 0 # 0 0   blanks \r", "V\t0\t#\t0\t0\ttab", "V -0 +# x0 y0 z",
        "V 0 4294967296# 0 0 w", "V 0 # 0 0", "V 0 # 0", "V 0 # 0 0 a\0b"s, "V 0\0 # 0 0 cut"s,
        "V 0 # 0 0 \xe9t\xe9 long", "V 0 000# 0 0 five", "V 0 000000# 0 0 eight", "V 0000 000# 0 0 x",
        "N 0 # 0 0 Mass", "N 0 # 0 0 \xe9", "I 0 # 0 0 Part", "I0#0 0  \xe9",
        "P 0000000# 1 00000001", "P #            1 1", "P 1844674407370955161# 1 1", "P #\0 1 1"s,
        "C 9# 1", "X 8# 1 14", "C 7# 2 0 x", "V 0 # 0 0 last"};
    // clang-format on
    // Ids of five to eight digits, none of them zero, which the scan reads from the window in one step.
    std::string text =
        "J windows-1252\nC 1 0 0\nI 0 1 0 0 Root\nT 1 G\nC 98765 1 0\nI 0 98765 0 0 Mid\nC 12345678 1 0\n"
        "I 0 12345678 0 0 Big\nP 87654321 12345678 1\nN 0 87654321 0 0 big\nV 0 87654321 0 0 eight\n";
    for (size_t i = 0; i < records.size(); ++i) {
        const std::string id = std::to_string(i + 2);
        std::string record = records[i];
        record.replace(record.find('#'), 1, id);
        // A P record's property shows once it has a name and a value.
        text += "C " + id + " 1 0\n" +
                (record[0] == 'P' ? record + "\nN 0 " + id + " 0 0 named\nV 0 " + id + " 0 0 v"
                                  : "P " + id + " 1 1\nN 0 " + id + " 0 0 name" + id + "\n" + record) +
                (i + 1 < records.size() ? "\n" : "");
    }
    std::string expected;
    for (size_t blockSize : {256 * 1024, 5, 24, 64}) {
        for (bool scanRecords : {false, true}) {
            ed::Parser parser;
            ed::ParserInspector inspect(parser);
            inspect.Read(text, ed::ParserInspector::kDefaultFileName, {blockSize, scanRecords});
            inspect.Build();
            const std::string dump = edtest::Dump(*inspect.Structure());
            if (expected.empty()) expected = dump;
            EXPECT_EQ(expected, dump) << "blocks of " << blockSize << (scanRecords ? ", scanned" : "");
        }
    }
    EXPECT_NE(std::string::npos, expected.find("tab"));
    EXPECT_NE(std::string::npos, expected.find("Mid"));
    EXPECT_NE(std::string::npos, expected.find("Big @0.000000 0 big[G]=eight"));
}

// Values of builder properties that the build only reads are kept plain after the block scan left them
// uninterned; wherever such a value ends up taken as a symbol after all, the structure is the one the
// handlers build when they intern every value.
TEST(BlockScanTest, ValuesKeptPlainBuildAsInternedOnes) {
    struct Case {
        std::string records;  // for node 2, under property ids from 5
        std::string shows;
    };
    const std::vector<Case> cases = {
        {"P 5 2 1\nN 0 5 0 0 location\nV 0 5 0 0 0 x\n", "location[G]=0 x"},
        {"P 5 2 1\nN 0 5 0 0 location\nV 0 5 0 0 0 0 0 1 2 3\nN 0 5 0 0 Material\n",
         "Material[G]=0 0 0 1 2 3"},
        {"P 5 2 1\nN 0 5 0 0 location\nV 0 5 0 0 0 x\nV 0 5 0 0 0 0 0 1 2 3\n", "location[G]=0 x"},
        {"P 5 2 1\nN 0 5 0 0 bbox\nV 0 5 0 0 1 2 3 4 5 6\nP 6 2 1\nN 0 6 0 0 bbox\nV 0 6 0 0 9 9 9 1 1 1\n",
         "bbox[G]=9 9 9 1 1 1"},
        {"P 5 2 1\nN 0 5 0 0 color\nP 6 2 1\nV 0 6 0 0 1 0 0\nN 0 6 0 0 Finish\n", "Finish[G]=1 0 0"},
        {"P 5 2 1\nN 0 5 0 0 color\nV 0 5 0 0 1 0 x\nX 7 2 1\n", "Copy @"},
        {"P 5 2 1\nN 0 5 0 0 location\nV 0 5 0 0 " + std::string(5000, '7') +
             "\nP 6 2 1\nN 0 6 0 0 location\n" + "V 0 6 0 0 0 0 0 1 2 x\n",
         "location[G]=" + std::string(5000, '7') + " location[G]=0 0 0 1 2 x"},
    };
    for (const Case& c : cases) {
        const std::string text = "C 1 0 0\nI 0 1 0 0 Root\nT 1 G\nC 2 1 0\nI 0 2 0 0 Copy\n" + c.records;
        std::string scanned;
        for (bool scanRecords : {false, true}) {
            ed::Parser parser;
            ed::ParserInspector inspect(parser);
            inspect.Read(text, ed::ParserInspector::kDefaultFileName, {256 * 1024, scanRecords});
            inspect.Build();
            const std::string dump = edtest::Dump(*inspect.Structure());
            if (scanRecords) {
                EXPECT_EQ(scanned, dump) << c.records;
            }
            scanned = dump;
        }
        EXPECT_NE(std::string::npos, scanned.find(c.shows)) << scanned;
    }
}

TEST(ParseDriverTest, ExceptionInAHandlerStopsTheParseWithItsLineAndTheParserRunsAgain) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    {
        FailingTraces recorder;
        EXPECT_FALSE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\nT 1 G\nP 5 1 1\nK boom \nM after\n"));
        EXPECT_EQ((std::vector<std::string>{"AddCheckout not yet implemented - K boom \n\n",
                                            "ed parser: Exception parsing line \"K boom \n\"\n"}),
                  recorder.Texts());
        EXPECT_EQ(nullptr, inspect.Structure()->GetRoot().get());
        EXPECT_TRUE(inspect.Structure()->GetPropertyGroupsLoaded().empty());
    }
    {
        // A line read from its scan alone is not ended while it is handled, but its trace shows it alone.
        FailingTraces recorder;
        inspect.SetStructure(new kxk::Structure);
        EXPECT_FALSE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\nP 5 1 1\nP 5 1 1\nM after\n"));
        ASSERT_EQ(2u, recorder.Texts().size());
        EXPECT_EQ("ed parser: Exception parsing line \"P 5 1 1\n\"\n", recorder.Texts()[1]);
    }
    inspect.SetStructure(new kxk::Structure);
    EXPECT_TRUE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\n", "/memory/second.ed"));
    EXPECT_STREQ("/memory/second.ed", parser.GetFileName().c_str());
    EXPECT_TRUE(inspect.Structure()->GetRoot());
}

TEST(ParseDriverTest, NoFileNameNoStructureOrNoFileFails) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    edtest::TraceRecorder traces;
    EXPECT_FALSE(parser.Parse(du::Symbol(), inspect.Structure()));
    EXPECT_FALSE(parser.Parse(du::Symbol::EMPTY, inspect.Structure()));
    EXPECT_FALSE(parser.Parse(du::Symbol("/memory/x.ed"), nullptr));
    EXPECT_TRUE(parser.GetFileName().is_null());
    EXPECT_FALSE(inspect.ParseFile("/no/such/folder/x.ed"));
    EXPECT_STREQ("/no/such/folder/x.ed", parser.GetFileName().c_str());
    EXPECT_TRUE(traces.Texts().empty());
}

TEST(ScanIntTest, SkipsEveryNonDigitAndWrapsAt32Bits) {
    struct Case {
        std::string field;
        std::vector<int> values;
        std::string rest;  // what the cursor stands on afterwards
    };
    const Case cases[] = {
        {"  -12x", {12}, "x"},
        {"12 34", {12, 34, 0}, ""},
        {"\"7\"\r\n", {7, 0}, ""},
        {"\xb5"
         "5,6",
         {5, 6},
         ""},
        {"4294967295", {-1}, ""},
        {"4294967296", {0}, ""},
        {"99999999999", {1215752191}, ""},  // 99999999999 mod 2^32
        {"2147483648", {-2147483647 - 1}, ""},
    };
    for (const Case& c : cases) {
        const char* cursor = c.field.c_str();
        for (int expected : c.values) EXPECT_EQ(expected, ed::ScanInt(cursor)) << c.field;
        EXPECT_EQ(c.rest, cursor) << c.field;
    }
}

// The scan for a byte of 0x80 or above reads words; every length and position must still be seen.
TEST(ScanTextTest, FindsAHighByteAtEveryPositionOfShortAndLongFields) {
    for (size_t length = 1; length <= 20; ++length) {
        for (size_t at = 0; at < length; ++at) {
            std::string name(length, 'a'), converted(length, 'a');
            name[at] = '\xe9';
            converted.replace(at, 1, "\xc3\xa9");
            ed::Parser parser;
            ed::ParserInspector inspect(parser);
            ASSERT_TRUE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 " + name + "\n"));
            EXPECT_EQ(converted, inspect.Structure()->GetRoot()->GetName().c_str()) << length << " " << at;
        }
    }
}

std::vector<int> Chain(const ed::IdTable<int>& table) {
    std::vector<int> keys;
    table.ForEach([&](int key, int) { keys.push_back(key); });
    return keys;
}

size_t BucketOf(int key, size_t buckets) {
    return static_cast<uint64_t>(static_cast<int64_t>(key)) % buckets;
}

// A plain model of the chain: each key goes to the front when its bucket holds no key yet, else right
// behind the last key of its bucket. Growth replays the old chain into the new bucket count.
struct ChainModel {
    size_t buckets;
    std::vector<int> order;

    void Insert(int key) {
        size_t at = 0;
        bool found = false;
        for (size_t i = 0; i < order.size(); ++i) {
            if (BucketOf(order[i], buckets) == BucketOf(key, buckets)) at = i + 1, found = true;
        }
        order.insert(order.begin() + static_cast<long>(found ? at : 0), key);
    }
    void Lookup(int key) {
        if (order.size() + 1 > buckets && du::HashNextPrime(order.size() + 1) > buckets) {
            std::vector<int> old;
            old.swap(order);
            buckets = du::HashNextPrime(old.size() + 1);
            for (int k : old) Insert(k);
        }
        for (int k : order) {
            if (k == key) return;
        }
        Insert(key);
    }
};

TEST(IdTableTest, ChainGroupsBucketsInReverseOrderOfFirstUse) {
    ed::IdTable<int> table(100);
    ASSERT_EQ(131u, du::HashNextPrime(100));
    // 1, 132, 263 share bucket 1; -1 sign-extends to bucket 64 and 0 and 131 share bucket 0.
    for (int key : {1, 132, 2, -1, 263, 0, 133, 131}) table.Lookup(key) = key * 10;
    EXPECT_EQ((std::vector<int>{0, 131, -1, 2, 133, 1, 132, 263}), Chain(table));
    EXPECT_EQ(-10, table.Lookup(-1));
}

TEST(IdTableTest, GrowsOnTheLookupAfterFillingEveryBucketAndKeepsEveryEntry) {
    ed::IdTable<int> table(1);
    ChainModel model{du::HashNextPrime(1), {}};
    std::vector<int> keys;
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        keys.push_back(static_cast<int>(seed) % 5000);  // negatives and repeats included
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        table.Lookup(keys[i]) = keys[i];
        model.Lookup(keys[i]);
        if (i % 100 == 0) {
            ASSERT_EQ(model.order, Chain(table)) << i;
        }
    }
    EXPECT_EQ(model.order, Chain(table));
    for (int key : keys) ASSERT_EQ(key, table.Lookup(key));
}

// The array grows by 2 MiB segments (262,144 ids of 8 bytes): ids met first far ahead of the array
// live in the hash table until a segment reaches them, and every id keeps one value throughout.
TEST(IdIndexTest, IdsKeepTheirValuesAcrossSegmentsAndTheMoveFromTheHashTable) {
    ed::IdIndex<uint64_t> ids(16);
    const int kFar[] = {700000, 900000, 2000000000};  // moved at the third segment, past the fourth, never
    for (int id : kFar) ids.Lookup(id) = uint64_t(id) * 3;
    for (int round = 0; round < 2; ++round) {
        for (int id = 1; id <= 600000; ++id) {
            uint64_t& value = ids.Lookup(id);
            ASSERT_EQ(round ? uint64_t(id) * 3 : 0u, value) << id;
            value = uint64_t(id) * 3;
        }
        for (int id : kFar) ASSERT_EQ(uint64_t(id) * 3, ids.Lookup(id)) << id;
    }
    ids.Clear();
    EXPECT_EQ(0u, ids.Lookup(700000));
    EXPECT_EQ(0u, ids.Lookup(5));
}

}  // namespace
