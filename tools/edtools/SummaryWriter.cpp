#include "SummaryWriter.h"

#include <malloc.h>

#include <cstdio>
#include <optional>
#include <string>

#include "ProcessMemory.h"
#include "StructureCounts.h"
#include "TreeText.h"
#include "du/Symbol.h"

namespace edload {

namespace {

void Row(std::ostream& out, const char* label, const std::string& value) {
    char padded[24];
    std::snprintf(padded, sizeof padded, "%-18s", label);
    out << padded << value << '\n';
}

void Row(std::ostream& out, const char* label, size_t value) {
    Row(out, label, std::to_string(value));
}

std::string Phase(const std::optional<double>& seconds) {
    return seconds ? text::Duration(*seconds) : "unknown";
}

std::string Memory(const std::optional<double>& mebibytes) {
    if (!mebibytes) return "unknown";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f MiB", *mebibytes);
    return buffer;
}

void Sources(std::ostream& out, const StructureCounts& counts) {
    Row(out, "sources", counts.Sources());
    Row(out, "  shape", counts.shapeSources);
    Row(out, "  thumbnail", counts.thumbnails);
    for (size_t family = 0; family < StructureCounts::kFamilies; ++family) {
        std::string label = std::string("  ") +
                            kxk::ViewableSource::FamilyName(static_cast<kxk::ViewableSource::Family>(family));
        Row(out, label.c_str(), counts.viewables[family]);
    }
}

}  // namespace

void WriteSummary(std::ostream& out, LoadResult& result, size_t traceCount) {
    const StructureCounts counts = CountStructure(*result.structure);
    const kxk::Structure& structure = *result.structure;
    Row(out, "file", result.file);
    Row(out, "loaded", std::to_string(structure.GetLoaded()));
    Row(out, "components", counts.Components());
    Row(out, "  nodes", counts.nodes);
    Row(out, "  proxies", counts.proxies);
    Row(out, "instances", counts.instances);
    Row(out, "properties", counts.properties);
    Sources(out, counts);
    Row(out, "view points", counts.viewPoints);
    Row(out, "view states", counts.viewStates);
    Row(out, "layer groups", counts.layerGroups);
    Row(out, "property groups", structure.GetPropertyGroupsLoaded().size());
    Row(out, "traces", traceCount);
    Row(out, "fetch", Phase(result.timings.fetch));
    Row(out, "parse and build", Phase(result.timings.parseAndBuild));
    Row(out, "total", text::Duration(result.timings.total));
    Row(out, "peak memory", Memory(PeakMemory()));
    result.structure = nullptr;
    // The symbol table and the allocator keep what was freed for the next use; given back, the
    // resident figure shows what the load itself still holds.
    du::Symbol::Sweep();
    malloc_trim(0);
    Row(out, "memory at start", Memory(result.memoryAtStart));
    Row(out, "after release", Memory(ResidentMemory()));
}

}  // namespace edload
