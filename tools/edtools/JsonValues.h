#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "dg/Location.h"
#include "dp/KXTracer.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxg/Appearance.h"
#include "kxk/Component.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ShapeSource.h"

// The non-recursive pieces of ed-load's JSON document, each a small value that nlohmann serialises:
// texts, placements, appearances, sources and the flat parts of a component and an instance. The
// document's nesting is written by JsonWriter, never as one nlohmann tree.
namespace edload::json {

// Keeps keys in the order they were added, which is the order of the document's shape.
using Json = nlohmann::ordered_json;

// Compact text; bytes that are not UTF-8 become replacement characters.
std::string Dump(const Json& value);

// Beside every text of `value` (through its objects and arrays) that is not UTF-8, which Dump writes
// with replacement characters, the text's bytes in base64 under the same key with "Bytes" after it
// ("name" and "nameBytes"); in an array of texts, one entry per text, null for those that are UTF-8.
Json WithBytes(Json value);

// For the document's TEXT fields: a null symbol is written as "".
Json Text(const du::Symbol& text);
// For the fields that may be null: null for a null symbol, "" for an empty one.
Json TextOrNull(const du::Symbol& text);
Json Location(const dg::Location& location);
// `appearance` may be empty even when an override was set; its colour is null then.
Json Appearance(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque);
// Null when there is no source; the box is null when it is the empty box.
Json ShapeSource(const du::SmartPtr<kxk::ShapeSource>& source);
Json Trace(const dp::TraceMessage& message);

// The lists of a node, as ComponentHead gives them.
Json Viewables(const kxk::ComponentNode& node);
Json ViewPoints(const kxk::ComponentNode& node);
Json ViewStates(const kxk::ComponentNode& node);
Json LayerGroups(const kxk::ComponentNode& node);

// Everything of a component but its children (which JsonWriter streams after it).
Json ComponentHead(const kxk::Component& component);
// Everything of an instance but its component.
Json InstanceHead(const kxk::ComponentInstance& instance);

}  // namespace edload::json
