#include "du/FileSpec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* path;
    bool absolute;
    const char* file;       // GetFile
    const char* withOther;  // after SetFile("other.ed")
};

const Case kCases[] = {
    {"/a/b.ed", true, "b.ed", "/a/other.ed"},
    {"C:\\dir\\f.ed", true, "f.ed", "C:\\dir\\other.ed"},
    {"C:/dir/f.ed", true, "f.ed", "C:/dir/other.ed"},
    {"\\\\server\\share\\f.ed", true, "f.ed", "\\\\server\\share\\other.ed"},
    {"rel/f.ed", false, "f.ed", "rel/other.ed"},
    {"f.ed", false, "f.ed", "other.ed"},
    {"C:f.ed", false, "f.ed", "C:other.ed"},
    {"mixed\\dir/f.ed", false, "f.ed", "mixed\\dir/other.ed"},
    {"/dir/", true, "", "/dir/other.ed"},
    {"", false, "", "other.ed"},
};

TEST(FileSpecTest, SplitsAndReplacesTheFileName) {
    for (const Case& c : kCases) {
        du::FileSpec spec{std::string(c.path)};
        EXPECT_EQ(c.absolute, spec.IsAbsolute()) << c.path;
        std::string file = "stale";
        EXPECT_EQ(*c.file != '\0', spec.GetFile(file)) << c.path;
        EXPECT_EQ(c.file, file) << c.path;
        std::string path;
        EXPECT_EQ(*c.path != '\0', spec.GetFileSpec(path)) << c.path;
        EXPECT_EQ(c.path, path);
        spec.SetFile("other.ed");
        EXPECT_TRUE(spec.GetFileSpec(path));
        EXPECT_EQ(c.withOther, path) << c.path;
    }
}

}  // namespace
