#include "kxk/PluginLibrary.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "kxk/MemoryPoolAllocated.h"
#include "kxk/Structure.h"
#include "kxloader/StructureParser.h"
#include "support/TempFolder.h"

namespace {

// The dynamic loader's own account of why `path` or its entry point cannot be had, for comparison.
std::string DlopenError(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return dlerror();
    dlerror();
    dlsym(handle, "KXDllInit");
    const char* text = dlerror();
    std::string error = text ? text : "";
    dlclose(handle);
    return error;
}

// Only the exact kind and name make a loader, in the host's pool; the out pointer lets go of what it
// held only when it gets the loader.
TEST(PluginLibraryTest, LoaderEdIsCreatedInTheHostPoolByExactKindAndName) {
    std::string error;
    auto library = kxk::PluginLibrary::Open(ED_PLUGIN_PATH, error);
    ASSERT_TRUE(library) << error;
    // A counted object that stands for whatever the host's out pointer held before.
    du::SmartPtr<du::RefCounted> previous(new kxk::Structure);
    const std::pair<std::string, std::string> refused[] = {
        {"Loader", "ed"}, {"loader", "ED"},  {"loader", "ed "},
        {"", "ed"},       {"loader", "edz"}, {std::string("loader\0", 7), "ed"},
    };
    for (const auto& [kind, name] : refused) {
        du::SmartPtr<du::RefCounted> out = previous;
        EXPECT_FALSE(library->CreateComponent(kind, name, out)) << '"' << kind << "\" \"" << name << '"';
        EXPECT_EQ(previous, out);
    }
    const size_t poolBytes = kxk::MemoryPoolAllocated::LiveBytes();
    {
        du::SmartPtr<du::RefCounted> out = previous;
        ASSERT_TRUE(library->CreateComponent("loader", "ed", out));
        auto* loader = dynamic_cast<kxloader::StructureParser*>(out.get());
        ASSERT_NE(nullptr, loader);
        EXPECT_TRUE(loader->CapabilityQuery());
        EXPECT_EQ(1, previous->ReferenceCount());
        EXPECT_EQ(1, out->ReferenceCount());
        EXPECT_GT(kxk::MemoryPoolAllocated::LiveBytes(), poolBytes);
    }
    EXPECT_EQ(poolBytes, kxk::MemoryPoolAllocated::LiveBytes());
}

// A library that cannot be opened or has no entry point: the error names it and quotes the reason.
TEST(PluginLibraryTest, UnusableLibraryNamesPathAndTheLoadersReason) {
    edtest::TempFolder folder;
    for (const std::string& path : {folder.Path() + "/absent.so", std::string(NO_ENTRY_POINTS_PATH)}) {
        const std::string expected = DlopenError(path);
        ASSERT_FALSE(expected.empty()) << path;
        std::string error;
        EXPECT_EQ(nullptr, kxk::PluginLibrary::Open(path, error));
        EXPECT_NE(std::string::npos, error.find('"' + path + '"')) << error;
        EXPECT_NE(std::string::npos, error.find(expected)) << error;
    }
}

}  // namespace
