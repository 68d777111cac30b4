#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/TempFolder.h"

namespace edtest {

// What one run of ed-load left.
struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;

    // The standard output as one JSON document, keys in document order; discarded (an empty value)
    // when it does not parse, which every JSON check then reports.
    nlohmann::ordered_json Json() const { return nlohmann::ordered_json::parse(out, nullptr, false); }
};

// A folder named by the test environment, or the build's own when the variable is not set.
inline std::string EnvPath(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

inline std::string EdLoadPath() {
    return EnvPath("ED_BIN", ED_DEFAULT_BIN) + "/ed-load";
}
inline std::string PluginPath() {
    return EnvPath("ED_LIB", ED_DEFAULT_LIB) + "/ed.so";
}
inline std::string Example(const std::string& relative) {
    return EnvPath("ED_EXAMPLES", ED_DEFAULT_EXAMPLES) + "/" + relative;
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `program` with `args`, standard input read from `input`, and collects its exit code and both
// outputs. A non-zero `addressSpace` limits the program's virtual memory to that many bytes.
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            rlim_t addressSpace = 0, const std::string& input = "/dev/null") {
    TempFolder folder;
    std::string outPath = folder.Path() + "/out", errPath = folder.Path() + "/err";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
        if (!freopen(input.c_str(), "r", stdin) || !freopen(outPath.c_str(), "w", stdout) ||
            !freopen(errPath.c_str(), "w", stderr))
            _exit(127);
        const rlimit limit{addressSpace, addressSpace};
        if (addressSpace != 0 && setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    RunResult result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

inline RunResult RunEdLoad(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
    return RunProgram(EdLoadPath(), args, 0, input);
}

// ed-load writing `file` in `format` to "out.FORMAT" in `folder`, quietly, after `options`.
inline RunResult RunToFile(const TempFolder& folder, const std::string& format, const std::string& file,
                           std::vector<std::string> options = {}) {
    options.insert(options.end(),
                   {"--quiet", "--format", format, "-o", folder.Path() + "/out." + format, file});
    return RunEdLoad(options);
}

}  // namespace edtest
