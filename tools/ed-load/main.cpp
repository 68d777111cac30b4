// ed-load: loads an ED file through the ED loader plug-in, exactly as a host application does, and
// prints the structure that the loader built as a tree, a JSON document or a summary of counts, or
// writes it as glTF for a 3D viewer or as a page to explore in a browser.

#include <malloc.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "CheckReport.h"
#include "DescriptorBuffer.h"
#include "GltfWriter.h"
#include "HtmlWriter.h"
#include "JsonWriter.h"
#include "LoadSession.h"
#include "OutputFile.h"
#include "PluginPath.h"
#include "ProgressIndicator.h"
#include "StandardInput.h"
#include "StandardOutput.h"
#include "SummaryWriter.h"
#include "TerminalText.h"
#include "TraceCapture.h"
#include "TreeWriter.h"
#include "ed/check/CheckFile.h"
#include "kxloader/FetchRegistry.h"

namespace {

constexpr int kLoaded = 0;
constexpr int kLoadFailed = 1;
constexpr int kBadUsage = 2;

struct Options {
    std::string format = "tree";
    std::string output;
    std::string plugin;
    bool quiet = false;
    std::string file;
    std::string up = "z";
    bool noBoxes = false;
    bool visibleOnly = false;
    bool check = false;
};

void Describe(CLI::App& app, Options& options) {
    app.set_version_flag("--version", std::string("ed-load ") + ED_LOAD_VERSION);
    app.add_option("--format", options.format, "tree (default), json, summary, gltf, glb or html")
        ->check(CLI::IsMember({"tree", "json", "summary", "gltf", "glb", "html"}));
    app.add_option("-o,--output", options.output, "Write to OUT instead of standard output")
        ->option_text("OUT");
    app.add_option("--plugin", options.plugin, "The loader plug-in library (default: found beside ed-load)")
        ->option_text("PATH");
    app.add_flag("--quiet", options.quiet, "No traces and no progress on standard error");
    app.add_option("--up", options.up, "glTF and HTML: the structure's up axis, z (default) or y")
        ->check(CLI::IsMember({"z", "y"}));
    app.add_flag("--no-boxes", options.noBoxes, "glTF: no boxes for the components' bounding boxes");
    app.add_flag("--visible-only", options.visibleOnly, "glTF: leave out instances hidden by default");
    app.add_flag("--check", options.check,
                 "Also report what the loader drops, bends or refuses, line by line (exit status 1 when "
                 "the load fails or an error is found, 0 otherwise, 2 for bad usage)");
    app.add_option("file", options.file, "The ED file to load; - for standard input")
        ->required()
        ->option_text("FILE.ed");
}

// Empty when the options make sense together; else what is wrong, for a usage error.
std::string UsageError(const CLI::App& app, const Options& options) {
    const bool gltf = options.format == "gltf" || options.format == "glb";
    if (!gltf && options.format != "html" && app.count("--up") > 0)
        return "--up applies to --format gltf, glb and html only";
    for (const char* name : {"--no-boxes", "--visible-only"})
        if (!gltf && app.count(name) > 0) return std::string(name) + " applies to --format gltf and glb only";
    if (app.count("--plugin") > 0 && options.plugin.empty()) return "--plugin needs a path";
    // As compressors do: binary bytes garble a terminal and tell the reader nothing.
    if (options.format == "glb" && options.output.empty() && isatty(STDOUT_FILENO))
        return "binary glb output is not written to a terminal; give -o OUT or redirect it";
    // Checked before anything is opened for writing, which would cut the input short.
    if (!options.output.empty() && edload::SameFile(options.output, options.file))
        return "the output \"" + options.output + "\" is the input file";
    return std::string();
}

// Names the first argument left over that looks like an option: a misspelt option is otherwise
// reported as arguments that were not expected. False when there is none.
bool UnknownOption(const CLI::App& app) {
    for (const std::string& argument : app.remaining()) {
        if (argument.size() < 2 || argument[0] != '-') continue;
        std::cerr << "ed-load: unknown option " << argument << "\nRun with --help for more information.\n";
        return true;
    }
    return false;
}

edload::TraceCapture::Mode TraceMode(const Options& options) {
    if (options.format == "json") return edload::TraceCapture::Mode::kKeep;
    return options.quiet ? edload::TraceCapture::Mode::kDrop : edload::TraceCapture::Mode::kForward;
}

bool WriteGltf(std::ostream& out, const Options& options, const edload::LoadResult& result) {
    edload::gltf::GltfOptions gltf;
    gltf.up = options.up == "y" ? edload::gltf::GltfOptions::Up::kY : edload::gltf::GltfOptions::Up::kZ;
    gltf.nodes.boxes = !options.noBoxes;
    gltf.nodes.visibleOnly = options.visibleOnly;
    auto container = options.format == "glb" ? edload::GltfContainer::kBinary : edload::GltfContainer::kJson;
    return edload::WriteGltf(out, result, gltf, container);
}

// False when the format could not hold the structure.
bool Write(std::ostream& out, const Options& options, edload::LoadResult& result,
           const edload::TraceCapture& traces, const ed::check::DiagnosticReport* check) {
    if (options.format == "gltf" || options.format == "glb") return WriteGltf(out, options, result);
    if (options.format == "html")
        return edload::WriteHtml(out, result, edload::HtmlOptions{options.up == "z"});
    if (options.format == "json") {
        const edload::json::Json diagnostics = check ? edload::CheckJson(*check) : edload::json::Json();
        edload::WriteJson(out, result, traces.Messages(), check ? &diagnostics : nullptr);
        return true;
    }
    // Tree and summary are for people: what a file holds reaches their terminal as visible text only.
    edload::TerminalSafeBuffer safe(out);
    std::ostream text(&safe);
    if (options.format == "summary")
        edload::WriteSummary(text, result, traces.Count());
    else
        edload::WriteTree(text, result);
    text.flush();
    return true;
}

// Writes and puts the output in place; the exit status when that failed.
std::optional<int> WriteOutput(std::ostream& out, edload::OutputFile* file, const Options& options,
                               edload::LoadResult& result, const edload::TraceCapture& traces,
                               const ed::check::DiagnosticReport* check) {
    std::string error;
    try {
        if (!Write(out, options, result, traces, check)) {
            std::cerr << "ed-load: the structure is too large for the " << options.format << " format\n";
            return kLoadFailed;
        }
    } catch (const std::bad_alloc&) {
        // The temporary file goes with `file`; an existing output stays as it was.
        std::cerr << "ed-load: out of memory while writing "
                  << (options.output.empty() ? "the standard output" : options.output) << '\n';
        return kLoadFailed;
    }
    if (!edload::FinishOutput(out, file, error)) {
        std::cerr << "ed-load: " << error << '\n';
        return kLoadFailed;
    }
    return std::nullopt;
}

// The check's run when --check asks for it and the file can be read; else the reason on stderr.
std::optional<ed::check::DiagnosticReport> Check(const Options& options) {
    if (!options.check) return std::nullopt;
    const std::string unreadable = kxloader::FetchRegistry::CheckReadable(du::Symbol(options.file));
    if (!unreadable.empty()) {
        std::cerr << "ed-load: cannot check the file: " << unreadable << '\n';
        return std::nullopt;
    }
    std::optional<ed::check::DiagnosticReport> check = ed::check::CheckFile(options.file);
    malloc_trim(0);
    return check;
}

// Why a load failed, as far as the file check can tell: its first error-level finding.
void ExplainFailure(const std::string& file) {
    if (edload::WriteFirstError(std::cerr, file, ed::check::CheckFile(file)))
        std::cerr << "ed-load: --check lists every finding\n";
}

int Run(const Options& options) {
    std::string error;
    const edload::StandardInput input(options.file);
    if (!input.Error().empty()) {
        std::cerr << "ed-load: " << input.Error() << '\n';
        return kLoadFailed;
    }
    std::unique_ptr<edload::OutputFile> file;
    if (!options.output.empty() && !(file = edload::OutputFile::Create(options.output, error))) {
        std::cerr << "ed-load: " << error << '\n';
        return kLoadFailed;
    }
    // The standard output is written through a buffer of ours too, which keeps a failed write's reason.
    edload::DescriptorBuffer standardOutput(STDOUT_FILENO);
    std::ostream standardStream(&standardOutput);
    std::ostream& out = file ? file->Stream() : standardStream;

    std::string pluginPath = options.plugin.empty() ? edload::DefaultPluginPath() : options.plugin;
    std::unique_ptr<edload::LoadSession> session = edload::LoadSession::Open(pluginPath, error);
    if (!session) {
        std::cerr << "ed-load: " << error << '\n';
        return kBadUsage;
    }

    // The check runs first and hands its memory back to the system before the load, so that the peak
    // stays the load's.
    const std::optional<ed::check::DiagnosticReport> check = Check(options);
    edload::ProgressIndicator progress(options.file, !options.quiet && isatty(STDERR_FILENO));
    edload::TraceCapture traces(TraceMode(options), progress);
    edload::LoadResult result = session->Load(options.file, traces, progress);
    // A failed load leaves an output file as it was, unless the output is the document of the failure.
    if (result.Succeeded() || !file || options.format == "json") {
        if (std::optional<int> failed =
                WriteOutput(out, file.get(), options, result, traces, check ? &*check : nullptr))
            return *failed;
    }
    if (result.RanOutOfMemory()) {
        std::cerr << "ed-load: out of memory while loading " << options.file << '\n';
        return kLoadFailed;
    }
    if (std::string reason = result.ReadFailure(); !reason.empty()) {
        std::cerr << "ed-load: " << reason << '\n';
        return kLoadFailed;
    }
    if (check && options.format != "json") edload::WriteCheckText(std::cerr, options.file, *check);
    if (!result.Succeeded()) {
        std::cerr << "ed-load: cannot load \"" << options.file << "\": " << result.FailureReason() << '\n';
        if (!options.check) ExplainFailure(options.file);
        return kLoadFailed;
    }
    return check && check->HasErrors() ? kLoadFailed : kLoaded;
}

int Main(int argc, char** argv) {
    edload::TuneAllocator();
    std::ios::sync_with_stdio(false);
    CLI::App app{"Loads an ED file through the ED loader plug-in and prints the structure it builds."};
    Options options;
    Describe(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ExtrasError& e) {
        return UnknownOption(app) ? kBadUsage : (app.exit(e), kBadUsage);
    } catch (const CLI::ParseError& e) {
        // --help and --version end the parse too, with a success code.
        return app.exit(e) == 0 ? kLoaded : kBadUsage;
    }
    if (std::string error = UsageError(app, options); !error.empty()) {
        std::cerr << "ed-load: " << error << '\n';
        return kBadUsage;
    }
    // The loader's own thread is guarded by the host; this one runs the writers, which may run out too.
    try {
        return Run(options);
    } catch (const std::bad_alloc&) {
        std::cerr << "ed-load: out of memory while loading " << options.file << '\n';
        return kLoadFailed;
    }
}

// Said with a plain write: the streams may be what ran out.
void SayOutOfMemoryAtStart() {
    static const char kMessage[] = "ed-load: out of memory while starting\n";
    [[maybe_unused]] ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
}

}  // namespace

int main(int argc, char** argv) {
    // Memory may run out before anything is loaded, even in the standard streams' set-up.
    try {
        return Main(argc, argv);
    } catch (const std::bad_alloc&) {
        SayOutOfMemoryAtStart();
        return kLoadFailed;
    }
}
