#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"
#include "support/EdText.h"
#include "support/ParserInspector.h"
#include "support/TraceRecorder.h"

namespace edtest {

// Parses ED texts into a real stand-in structure and looks at what the build made.
class BuildTest : public ::testing::Test {
  protected:
    // A `creationLimit` above 0 makes the host refuse components beyond that many.
    bool Parse(const std::string& text, size_t creationLimit = 0) {
        structure = new kxk::Structure;
        if (creationLimit > 0) structure->SetCreationLimit(creationLimit);
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.SetStructure(structure);
        return inspect.ParseText(text);
    }
    bool Parse(const EdText& text, size_t creationLimit = 0) { return Parse(text.Str(), creationLimit); }

    const kxk::ComponentNode& Root() const { return *structure->GetRoot(); }
    // The instance reached from the root through child indexes, e.g. Instance({0, 1}).
    const kxk::ComponentInstance& Instance(std::initializer_list<size_t> path) const {
        const kxk::ComponentNode* node = structure->GetRoot().get();
        const kxk::ComponentInstance* instance = nullptr;
        for (size_t index : path) {
            instance = node->GetChildren().at(index).get();
            node = dynamic_cast<const kxk::ComponentNode*>(instance->GetComponent().get());
        }
        return *instance;
    }
    // The node reached through child indexes; {} is the root.
    const kxk::ComponentNode& Node(std::initializer_list<size_t> path) const {
        if (path.size() == 0) return Root();
        return dynamic_cast<const kxk::ComponentNode&>(*Instance(path).GetComponent());
    }
    // "name=value" of every host property of a node, in order, with the type name when `withType`.
    static std::vector<std::string> PropertiesOf(const kxk::ComponentNode& node, bool withType = false) {
        std::vector<std::string> out;
        for (const kxk::Property& p : node.GetProperties().GetAll()) {
            std::string type = p.typeName.is_null() ? "(null)" : p.typeName.c_str();
            out.push_back(std::string(p.name.safe_c_str()) + (withType ? ":" + type : "") + "=" +
                          p.value.safe_c_str());
        }
        return out;
    }

    edtest::TraceRecorder traces;
    du::SmartPtr<kxk::Structure> structure;
};

}  // namespace edtest
