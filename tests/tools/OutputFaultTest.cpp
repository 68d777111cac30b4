// ed-load's output when writing goes wrong: the reason a failed write gives, a signal during -o,
// memory running out while writing or starting, and where -o writes through links and closed folders.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

const char kBefore[] = "what was there before";

// ed-load with `args`, its standard output to `out` and its standard error to `err`, after `prepare`
// ran in the child; the child's id.
pid_t Start(
    const std::vector<std::string>& args, const std::string& out, const std::string& err,
    const std::function<void()>& prepare = [] {}) {
    const std::string program = EdLoadPath();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(127);
        prepare();
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

// A whole run: its wait status and what it said on standard error.
std::pair<int, std::string> RunWith(const std::vector<std::string>& args, const std::string& out,
                                    const std::function<void()>& prepare) {
    TempFolder folder;
    int status = 0;
    waitpid(Start(args, out, folder.Path() + "/err", prepare), &status, 0);
    return {status, ReadFile(folder.Path() + "/err")};
}

// The names in `folder` that begin with a dot: temporary files left behind.
std::vector<std::string> Hidden(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string()[0] == '.') names.push_back(entry.path().filename());
    return names;
}

TEST(EdLoadOutputTest, AFailedWriteGivesTheSystemsReason) {
    TempFolder folder;
    const std::string pump = Example("pump/pump.ed");
    const auto sizeLimit = [] {
        signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead of ending the process
        const rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    struct Case {
        std::string out;  // -o OUT, or standard output when empty
        std::string stdoutPath;
        std::function<void()> prepare;
        std::string said;
        std::vector<const char*> formats = {"gltf", "html"};  // those that once lost the reason
    };
    const Case cases[] = {
        {"/dev/full",
         "/dev/null",
         [] {},
         "cannot write \"/dev/full\": No space left on device\n",
         {"tree", "json", "gltf", "glb", "html"}},
        {"", "/dev/full", [] {}, "cannot write the standard output: No space left on device\n"},
        {folder.Path() + "/limited", "/dev/null", sizeLimit,
         "cannot write \"" + folder.Path() + "/limited\": File too large\n"},
    };
    for (const Case& c : cases)
        for (const char* format : c.formats) {
            std::vector<std::string> args = {"--quiet", "--format", format, pump};
            if (!c.out.empty()) args.insert(args.begin(), {"-o", c.out});
            const auto [status, said] = RunWith(args, c.stdoutPath, c.prepare);
            EXPECT_EQ("ed-load: " + c.said, said) << format;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << format << " " << status;
        }
    EXPECT_EQ(std::vector<std::string>(), Hidden(folder.Path()));
}

TEST(EdLoadOutputTest, ASignalDuringTheWriteRemovesTheTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) {
        TempFolder folder;
        const std::string input = folder.Path() + "/in.ed", out = folder.Write("out.json", kBefore);
        // Reading a pipe that nobody writes holds the load while the temporary file is there.
        ASSERT_EQ(0, mkfifo(input.c_str(), 0600));
        const pid_t child = Start({"--format", "json", "-o", out, input}, "/dev/null", "/dev/null", [] {
            const rlimit none{0, 0};  // no core file from SIGXFSZ
            setrlimit(RLIMIT_CORE, &none);
        });
        while (Hidden(folder.Path()).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << " " << status;
        EXPECT_EQ(std::vector<std::string>(), Hidden(folder.Path())) << signal;
        EXPECT_EQ(kBefore, ReadFile(out)) << signal;
    }
}

TEST(EdLoadOutputTest, RunningOutOfMemoryWhileWritingKeepsTheOutput) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reports a failed allocation instead of throwing";
#endif
    TempFolder folder;
    // The load fits in the limit (it takes about 130 MiB of address space); each writer's copies of the
    // value do not (the JSON writer's need about 190).
    const std::string file =
        folder.Write("value.ed", "C 1 0 0\nI 0 1 0 0 Root\nP 1 1 0\nN 0 1 0 0 note\nV 0 1 0 0 " +
                                     std::string(28 << 20, 'v') + "\n");
    const rlim_t limit = 144 << 20;
    EXPECT_EQ(0, RunProgram(EdLoadPath(), {"--quiet", "--format", "summary", file}, limit).exitCode);
    for (const char* format : {"json", "glb"}) {
        const std::string out = folder.Write("out", kBefore);
        const RunResult run =
            RunProgram(EdLoadPath(), {"--quiet", "--format", format, "-o", out, file}, limit);
        EXPECT_EQ(1, run.exitCode) << format;
        EXPECT_EQ("ed-load: out of memory while writing " + out + "\n", run.err) << format;
        EXPECT_EQ(kBefore, ReadFile(out)) << format;
    }
    EXPECT_EQ(std::vector<std::string>(), Hidden(folder.Path()));
    const RunResult starting = RunProgram(EdLoadPath(), {Example("pump/pump.ed")}, 32 << 20);
    EXPECT_EQ(1, starting.exitCode);
    EXPECT_EQ("ed-load: out of memory while starting\n", starting.err);
}

TEST(EdLoadOutputTest, LinksAreFollowedAndAFileInAClosedFolderIsRewrittenInPlace) {
    TempFolder folder;
    const std::string input = folder.Write("in.ed", "C 1 0 0\nI 0 1 0 0 Root\n"),
                      broken = folder.Write("bad.ed", "C 1 0 0\nC 2 0 0\n");
    const std::string closed = folder.Path() + "/closed", kept = folder.Write("closed/kept", kBefore);
    const std::string file = folder.Write("closed/file", kBefore);
    std::filesystem::create_symlink("real", folder.Path() + "/link");
    std::filesystem::create_symlink("link", folder.Path() + "/chain");
    chmod(folder.Path().c_str(), 0755);
    chmod(file.c_str(), 0666);
    chmod(kept.c_str(), 0666);
    chmod(closed.c_str(), 0555);
    // The folder must really refuse new files, which it does not for root.
    const std::function<void()> asNobody = [] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
    };
    const std::function<void()> asIs = [] {};
    struct stat before;
    stat(file.c_str(), &before);
    struct Case {
        std::string out;     // -o OUT
        std::string source;  // the file to load
        int exitCode;
        std::string written;  // the file that holds the output then
        std::string holds;    // part of what it holds
        bool closedFolder;
    };
    const Case cases[] = {
        {folder.Path() + "/chain", input, 0, folder.Path() + "/real", "+ Root", false},
        {folder.Path() + "/link", input, 0, folder.Path() + "/real", "+ Root", false},
        {file, input, 0, file, "+ Root", true},
        {kept, broken, 1, kept, kBefore, true},
        {closed + "/new", input, 1, closed + "/new", "", true},
    };
    for (const Case& c : cases) {
        const auto [status, said] =
            RunWith({"--quiet", "-o", c.out, c.source}, "/dev/null", c.closedFolder ? asNobody : asIs);
        ASSERT_NE(126, WEXITSTATUS(status)) << "cannot run as another user";
        EXPECT_EQ(c.exitCode, WEXITSTATUS(status)) << c.out << said;
        EXPECT_TRUE(Contains(ReadFile(c.written), c.holds)) << c.written;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Path() + "/link"));
    struct stat after;
    stat(file.c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino) << "rewritten in place";
    EXPECT_EQ(std::vector<std::string>(), Hidden(closed));
    chmod(closed.c_str(), 0755);
}

}  // namespace
}  // namespace edtest
