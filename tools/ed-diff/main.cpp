// ed-diff: loads two revisions of an ED file through the ED loader plug-in, as ed-load does, and
// tells what changed between the structures they build: as text, as a JSON document or as the
// explorer page with the changes marked. Exit status as diff has it: 0 the same, 1 different,
// 2 trouble.

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "Comparison.h"
#include "DescriptorBuffer.h"
#include "DiffHtml.h"
#include "DiffJson.h"
#include "DiffText.h"
#include "LoadSession.h"
#include "OutputFile.h"
#include "PluginPath.h"
#include "ProgressIndicator.h"
#include "StandardOutput.h"
#include "TraceCapture.h"

namespace {

constexpr int kSame = 0;
constexpr int kDifferent = 1;
constexpr int kTrouble = 2;

struct Options {
    std::string format = "text";
    std::string output;
    std::string plugin;
    bool quiet = false;
    double tolerance = eddiff::Tolerance().metres;
    std::string oldFile;
    std::string newFile;
};

void Describe(CLI::App& app, Options& options) {
    app.set_version_flag("--version", std::string("ed-diff ") + ED_LOAD_VERSION);
    app.add_option("--format", options.format, "text (default), json or html")
        ->check(CLI::IsMember({"text", "json", "html"}));
    app.add_option("-o,--output", options.output, "Write to OUT instead of standard output")
        ->option_text("OUT");
    app.add_option("--plugin", options.plugin, "The loader plug-in library (default: found beside ed-diff)")
        ->option_text("PATH");
    app.add_flag("--quiet", options.quiet, "No traces and no progress on standard error");
    app.add_option("--tolerance", options.tolerance,
                   "Placements and boxes this close are the same (default 1e-6); turns within 1e-4 "
                   "degrees are the same")
        ->option_text("METRES");
    app.add_option("old", options.oldFile, "The old revision")->required()->option_text("OLD.ed");
    app.add_option("new", options.newFile, "The new revision")->required()->option_text("NEW.ed");
}

// Empty when the options make sense together; else what is wrong, for a usage error.
std::string UsageError(const CLI::App& app, const Options& options) {
    if (!std::isfinite(options.tolerance) || options.tolerance < 0)
        return "--tolerance needs a distance of 0 or more metres";
    if (app.count("--plugin") > 0 && options.plugin.empty()) return "--plugin needs a path";
    // Checked before anything is opened for writing, which would cut an input short.
    for (const std::string* input : {&options.oldFile, &options.newFile})
        if (!options.output.empty() && edload::SameFile(options.output, *input))
            return "the output \"" + options.output + "\" is the input file \"" + *input + "\"";
    return std::string();
}

// The colour escapes go to a terminal only, and never when the user asked for none.
bool UseColour(const Options& options) {
    const char* noColour = std::getenv("NO_COLOR");
    return options.output.empty() && isatty(STDOUT_FILENO) && !(noColour && *noColour);
}

// One load after the other, not both at once: the parse runs on a worker thread of the host's, which
// starts without the requesting thread's trace sink, so the traces of two loads would meet in the one
// process sink unattributed; and a session keeps its fetch time and what escaped a load in
// process-wide state that one load at a time owns. A large file's load keeps two cores busy already.
bool Load(edload::LoadSession& session, const Options& options, const std::string& file,
          edload::LoadResult& result) {
    edload::ProgressIndicator progress(file, !options.quiet && isatty(STDERR_FILENO));
    edload::TraceCapture traces(
        options.quiet ? edload::TraceCapture::Mode::kDrop : edload::TraceCapture::Mode::kForward, progress);
    result = session.Load(file, traces, progress);
    if (result.RanOutOfMemory()) {
        std::cerr << "ed-diff: out of memory while loading " << file << '\n';
        return false;
    }
    if (!result.Succeeded()) {
        std::cerr << "ed-diff: cannot load \"" << file << "\": " << result.FailureReason() << '\n';
        return false;
    }
    return true;
}

bool Write(std::ostream& out, const Options& options, const edload::LoadResult& old,
           const edload::LoadResult& now, const eddiff::StructureIndex& oldIndex,
           const eddiff::StructureIndex& newIndex, const eddiff::Comparison& comparison) {
    if (options.format == "html") return eddiff::WriteDiffHtml(out, old, now, oldIndex, newIndex, comparison);
    if (options.format == "json")
        eddiff::WriteDiffJson(out, options.oldFile, options.newFile, comparison);
    else
        eddiff::WriteDiffText(out, comparison, UseColour(options));
    return true;
}

int Run(const Options& options) {
    std::string error;
    std::unique_ptr<edload::OutputFile> file;
    if (!options.output.empty() && !(file = edload::OutputFile::Create(options.output, error))) {
        std::cerr << "ed-diff: " << error << '\n';
        return kTrouble;
    }
    // The standard output goes through a buffer of ours, which keeps a failed write's reason.
    edload::DescriptorBuffer standardOutput(STDOUT_FILENO);
    std::ostream standardStream(&standardOutput);
    std::ostream& out = file ? file->Stream() : standardStream;

    const std::string pluginPath = options.plugin.empty() ? edload::DefaultPluginPath() : options.plugin;
    std::unique_ptr<edload::LoadSession> session = edload::LoadSession::Open(pluginPath, error);
    if (!session) {
        std::cerr << "ed-diff: " << error << '\n';
        return kTrouble;
    }
    edload::LoadResult old, now;
    if (!Load(*session, options, options.oldFile, old) || !Load(*session, options, options.newFile, now))
        return kTrouble;

    const eddiff::StructureIndex oldIndex(*old.structure), newIndex(*now.structure);
    eddiff::Tolerance tolerance;
    tolerance.metres = options.tolerance;
    const eddiff::Comparison comparison = eddiff::CompareStructures(oldIndex, newIndex, tolerance);
    if (!Write(out, options, old, now, oldIndex, newIndex, comparison)) {
        std::cerr << "ed-diff: the page could not be compressed\n";
        return kTrouble;
    }
    if (!edload::FinishOutput(out, file.get(), error)) {
        std::cerr << "ed-diff: " << error << '\n';
        return kTrouble;
    }
    return comparison.summary.Same() ? kSame : kDifferent;
}

}  // namespace

int main(int argc, char** argv) {
    edload::TuneAllocator();
    std::ios::sync_with_stdio(false);
    CLI::App app{"Loads two revisions of an ED file through the ED loader plug-in and tells what changed."};
    Options options;
    Describe(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end the parse too, with a success code.
        return app.exit(e) == 0 ? kSame : kTrouble;
    }
    if (std::string error = UsageError(app, options); !error.empty()) {
        std::cerr << "ed-diff: " << error << '\n';
        return kTrouble;
    }
    try {
        return Run(options);
    } catch (const std::bad_alloc&) {
        std::cerr << "ed-diff: out of memory\n";
        return kTrouble;
    }
}
