#include "du/LineReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "du/FileSystem.h"
#include "support/TempFolder.h"

namespace {

using Lines = std::vector<std::string>;

// Reads every line of `name`, checking that each buffer is terminated right after its length.
Lines ReadAll(const std::string& name) {
    du::SmartPtr<du::FileReader> reader(new du::FileReader);
    if (!reader->Open(du::Symbol(name), 0, 8192)) return {"<cannot open>"};
    du::LineReader lines(reader.get(), 0);
    Lines result;
    while (lines.ReadLine()) {
        EXPECT_EQ('\0', lines.GetBuffer()[lines.GetLength()]);
        result.emplace_back(lines.GetBuffer(), lines.GetLength());
        // Callers scribble on the line; that must not reach the next one.
        lines.GetBuffer()[0] = '#';
    }
    return result;
}

class LineReaderTest : public ::testing::Test {
  protected:
    // Reads `bytes` once from memory and once from a real file; both must agree.
    Lines Read(const std::string& bytes) {
        const std::string memoryName = "memory:LineReaderTest";
        du::FileReader::RegisterMemoryFile(memoryName, bytes.data(), bytes.size());
        Lines fromMemory = ReadAll(memoryName);
        du::FileReader::UnregisterMemoryFile(memoryName);
        Lines fromFile = ReadAll(m_folder.Write("f.ed", bytes));
        EXPECT_EQ(fromMemory, fromFile);
        return fromFile;
    }
    edtest::TempFolder m_folder;
};

TEST_F(LineReaderTest, SplitsAtLineFeeds) {
    // Many short lines cross the boundaries of the reads.
    std::string many;
    Lines manyLines;
    for (int i = 0; i < 100000; ++i) many += manyLines.emplace_back("C " + std::to_string(i) + " 1 0\n");
    // Longer than the largest first read, so the buffer must grow mid-line.
    std::string longLine(20 * 1024 * 1024, 'x');
    longLine[12345] = '\0';
    struct Case {
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\n", {"\n"}},
        {"a\nbc\n", {"a\n", "bc\n"}},
        {"a\r\nb\r\n", {"a\r\n", "b\r\n"}},
        {"a\nlast", {"a\n", "last"}},
        {"\n\n", {"\n", "\n"}},
        {std::string("x\0y\nz\n", 6), {std::string("x\0y\n", 4), "z\n"}},
        {many, manyLines},
        {"a\n" + longLine + "\nb\n" + longLine, {"a\n", longLine + "\n", "b\n", longLine}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.lines, Read(c.bytes)) << "input: " << c.bytes.substr(0, 20);
}

// Opening failures.

TEST_F(LineReaderTest, OpenFailsWithTheFileAndTheReason) {
    du::FileReader reader;
    std::string missing = m_folder.Path() + "/missing.ed";
    EXPECT_FALSE(reader.Open(du::Symbol(missing)));
    EXPECT_NE(std::string::npos, reader.LastError().find(missing + "\": No such file"));
    EXPECT_FALSE(reader.Open(du::Symbol(m_folder.Path())) || reader.IsOpen());
    EXPECT_NE(std::string::npos, reader.LastError().find("directory"));
    if (geteuid() != 0) {  // root reads anything
        std::string locked = m_folder.Write("locked.ed", "C 1 0 0\n");
        chmod(locked.c_str(), 0);
        EXPECT_FALSE(reader.Open(du::Symbol(locked)));
        EXPECT_NE(std::string::npos, reader.LastError().find("Permission denied"));
    }
    // Only regular and registered memory files exist.
    EXPECT_FALSE(du::FileSystem::FileExists(m_folder.Path()) || du::FileSystem::FileExists(missing));
    du::FileReader::RegisterMemoryFile("memory:exists", "", 0);
    EXPECT_TRUE(du::FileSystem::FileExists("memory:exists"));
    du::FileReader::UnregisterMemoryFile("memory:exists");
    EXPECT_FALSE(du::FileSystem::FileExists("memory:exists"));
}

}  // namespace
