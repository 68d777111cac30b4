// The C interface of libedloader in the build tree: what a load gives, what a failure says, and that
// nothing taken from a structure depends on the host's objects.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "edloader/edloader.h"
#include "support/EdText.h"
#include "support/TempFolder.h"

namespace {

using edtest::EdText;
using edtest::TempFolder;

std::string Text(const char* text) {
    return text ? text : "(null)";
}

// "Name{id: Child{...}}" with each component's properties as name/group=value and, on instances,
// "@x,y,z" for a placement, "#r,g,b" for a colour and "hidden".
std::string Dump(const edl_component* c) {
    std::string text =
        edl_component_kind(c) == EDL_PROXY ? "->" + Text(edl_component_link(c)) : Text(edl_component_name(c));
    for (size_t i = 0; i < edl_property_count(c); ++i) {
        const edl_property* p = edl_property_at(c, i);
        text += " " + Text(p->name) + "/" + Text(p->group) + "=" + Text(p->value);
    }
    if (edl_child_count(c) == 0) return text;
    text += "{";
    for (size_t i = 0; i < edl_child_count(c); ++i) {
        const edl_instance* child = edl_child_at(c, i);
        text += (i ? ", " : "") + Text(edl_instance_id(child));
        edl_placement at;
        if (edl_instance_placement(child, &at))
            for (int k = 0; k < 3; ++k)
                text += (k ? "," : "@") + std::to_string(std::lround(at.translation[k] * 1000));
        edl_colour colour;
        if (edl_instance_colour(child, &colour))
            for (int k = 0; k < 3; ++k)
                text += (k ? "," : "#") + std::to_string(std::lround(colour.rgba[k] * 100));
        if (!edl_instance_visible(child)) text += " hidden";
        text += ": " + Dump(edl_instance_component(child));
    }
    return text + "}";
}

// The instances below `c`, counted by walking the interface itself.
size_t CountInstances(const edl_component* c) {
    size_t count = edl_child_count(c);
    for (size_t i = 0; i < edl_child_count(c); ++i)
        count += CountInstances(edl_instance_component(edl_child_at(c, i)));
    return count;
}

class EdLoaderApiTest : public ::testing::Test {
  protected:
    // The dump of the root of `ed`, or "failed: <message>".
    std::string Load(const std::string& ed) {
        edl_structure* s = nullptr;
        char message[512];
        if (edl_load(m_folder.Write("t.ed", ed).c_str(), &s, message, sizeof message) != EDL_OK)
            return "failed: " + std::string(message);
        std::string dump = edl_root(s) ? Dump(edl_root(s)) : "(no root)";
        edl_free(s);
        return dump;
    }

    TempFolder m_folder;
};

TEST_F(EdLoaderApiTest, StructuresOfSmallFiles) {
    struct Case {
        const char* what;
        std::string ed;
        const char* dump;
    } cases[] = {
        {"a property keeps its group",
         EdText().Type(1, "Geometry").Node(1, 0, "Root").Prop(1, "Material", {"Steel"}).Str(),
         "Root Material/Geometry=Steel"},
        {"children in file order with their ids",
         EdText().Node(1, 0, "Root").Node(2, 1, "A").Node(3, 1, "B").Prop(2, "kxCid", {"a1"}).Str(),
         "Root{a1: A, : B}"},
        {"placement in metres, colour and hidden",
         EdText()
             .Node(1, 0, "Root")
             .Node(2, 1, "A")
             .Prop(1, "length_unit", {"MM"})
             .Prop(2, "location", {"0 0 0 10 20 30"})
             .Prop(2, "color", {"0.5 0.25 1 1"})
             .Prop(2, "renderenable", {"0"})
             .Str(),
         "Root{@10,20,30#50,25,100 hidden: A}"},
        {"a linked node is a proxy", EdText().Node(1, 0, "Root").Node(2, 1).Link(2, "part.ed").Str(),
         "Root{: ->part.ed}"},
        {"bytes that are not UTF-8 are replaced", "J utf-8\nC 1 0 0\nI 0 1 0 0 A\xff-B\n", "A\uFFFD-B"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.dump, Load(c.ed)) << c.what;
}

TEST_F(EdLoaderApiTest, PumpExampleCountsWhatItsWalkReaches) {
    edl_structure* s = nullptr;
    ASSERT_EQ(EDL_OK, edl_load(ED_DEFAULT_EXAMPLES "/pump/pump.ed", &s, nullptr, 0));
    const edl_component* root = edl_root(s);
    EXPECT_STREQ("Centrifugal Pump CP-80", edl_component_name(root));
    EXPECT_EQ(CountInstances(root), edl_instance_count(s));
    EXPECT_GT(edl_instance_count(s), 5u);
    const edl_source* thumbnail = edl_component_thumbnail(root);
    ASSERT_NE(nullptr, thumbnail);
    EXPECT_STREQ("thumbnails/cp80.png", thumbnail->file);
    EXPECT_GE(edl_viewable_count(root), 3u);
    EXPECT_EQ(nullptr, edl_property_at(root, edl_property_count(root)));
    edl_free(s);
}

// Loads are serialised inside the library; two threads loading at once both get their structure.
TEST_F(EdLoaderApiTest, LoadsFromTwoThreadsBothSucceed) {
    const std::string file = m_folder.Write("two.ed", EdText().Node(1, 0, "Root").Node(2, 1, "A").Str());
    int status[2] = {-1, -1};
    size_t count[2] = {};
    auto load = [&](int k) {
        edl_structure* s = nullptr;
        status[k] = edl_load(file.c_str(), &s, nullptr, 0);
        count[k] = edl_instance_count(s);
        edl_free(s);
    };
    std::thread other(load, 1);
    load(0);
    other.join();
    EXPECT_EQ(0, status[0] + status[1]);
    EXPECT_EQ(2u, count[0] + count[1]);
}

// ---- Failures ----

TEST_F(EdLoaderApiTest, MissingFileFailsWithTheReason) {
    edl_structure* s = reinterpret_cast<edl_structure*>(&s);
    char message[256];
    const std::string missing = m_folder.Path() + "/missing.ed";
    EXPECT_EQ(EDL_LOAD_FAILED, edl_load(missing.c_str(), &s, message, sizeof message));
    EXPECT_EQ(nullptr, s);
    EXPECT_NE(std::string::npos, std::string(message).find(missing)) << message;
}

TEST_F(EdLoaderApiTest, MessagesAreCutToTheBufferAndTerminated) {
    edl_structure* s = nullptr;
    char message[8] = "xxxxxxx";
    EXPECT_EQ(EDL_BAD_ARGUMENT, edl_load(nullptr, &s, message, sizeof message));
    EXPECT_EQ(7u, std::string(message).size());
    EXPECT_EQ(EDL_BAD_ARGUMENT, edl_load("x.ed", nullptr, nullptr, 0));
    EXPECT_EQ(0u, edl_instance_count(nullptr));
    EXPECT_EQ(nullptr, edl_root(nullptr));
    edl_free(nullptr);
}

// ---- Diagnostics ----

TEST_F(EdLoaderApiTest, CheckReportsCodeSeverityLineAndRecord) {
    edl_diagnostics* d = nullptr;
    const std::string file = m_folder.Write("link.ed", "C 1 0 0\nC 2 1 0\nL 0 1 0 0 a.ed\nK\n");
    ASSERT_EQ(EDL_OK, edl_check(file.c_str(), &d, nullptr, 0));
    ASSERT_EQ(2u, edl_diagnostic_count(d));
    const edl_diagnostic* first = edl_diagnostic_at(d, 0);
    EXPECT_STREQ("root-is-link", first->code);
    EXPECT_EQ(EDL_ERROR, first->severity);
    EXPECT_EQ(3u, first->line);
    EXPECT_EQ('L', first->record);
    EXPECT_EQ(4u, edl_diagnostic_at(d, 1)->line);
    EXPECT_EQ(1u, edl_diagnostics_total(d, EDL_ERROR));
    EXPECT_EQ(1u, edl_diagnostics_total(d, EDL_INFO));
    edl_diagnostics_free(d);

    char message[256];
    EXPECT_EQ(EDL_LOAD_FAILED,
              edl_check((m_folder.Path() + "/none.ed").c_str(), &d, message, sizeof message));
    EXPECT_EQ(nullptr, d);
    EXPECT_NE(std::string::npos, std::string(message).find("none.ed")) << message;
}

}  // namespace
