#include "BenchFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "EdGenerator.h"

namespace edbench {

namespace {

// Part of the cached file names: bump it when the generator's output changes.
constexpr int kGeneratorVersion = 2;
constexpr unsigned kSeed = 1;

std::filesystem::path CacheFolder() {
    if (const char* folder = std::getenv("ED_BENCH_CACHE")) return folder;
    return std::filesystem::temp_directory_path() / "ed-bench-cache";
}

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "ed-bench: %s\n", why.c_str());
    std::exit(1);
}

// Generates into a temporary name first, so that an interrupted run leaves no truncated file behind.
std::string MakeFile(size_t nodes) {
    const std::filesystem::path folder = CacheFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ostringstream name;
    name << "gen" << kGeneratorVersion << "-nodes" << nodes << "-seed" << kSeed << ".ed";
    const std::filesystem::path path = folder / name.str();
    if (std::filesystem::exists(path)) return path.string();
    const std::string partial = path.string() + ".partial";
    std::string why;
    edgen::GeneratorOptions options;
    options.nodes = nodes;
    options.seed = kSeed;
    if (!edgen::GenerateEdFile(options, partial, why)) Fail(why);
    std::filesystem::rename(partial, path, error);
    if (error) Fail("cannot rename \"" + partial + "\": " + error.message());
    return path.string();
}

size_t CountLines(const std::string& bytes) {
    return static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

}  // namespace

const BenchFile& GetBenchFile(size_t nodes) {
    static std::map<size_t, std::unique_ptr<BenchFile>> files;
    std::unique_ptr<BenchFile>& file = files[nodes];
    if (file) return *file;
    file.reset(new BenchFile);
    file->nodes = nodes;
    file->path = MakeFile(nodes);
    std::ifstream in(file->path, std::ios::binary | std::ios::ate);
    file->bytes.resize(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(file->bytes.data(), static_cast<std::streamsize>(file->bytes.size())))
        Fail("cannot read \"" + file->path + "\"");
    file->lines = CountLines(file->bytes);
    return *file;
}

}  // namespace edbench
