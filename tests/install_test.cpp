// The program's two options and what "cmake --install" puts where: the
// programs, the manual page and the engine-list file xboard scans.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "session_util.h"

namespace fs = std::filesystem;

namespace {

struct run_result {
    int exit_code = -1;
    std::string out, err;
    std::vector<std::string> left_behind;  // files the program created in its working directory
};

// Runs a program (looked up in PATH when the name has no slash) with
// arguments, in a fresh empty directory, standard input empty.
run_result run(const std::vector<std::string>& args) {
    run_result result;
    const fs::path base = session::make_temp_directory();
    const fs::path work = base / "work";
    fs::create_directory(work);
    const std::string out_path = (base / "stdout").string(), err_path = (base / "stderr").string();
    const std::string work_path = work.string();
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(work_path.c_str()) != 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::alarm(120);  // survives exec
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid > 0) ::waitpid(pid, &status, 0);
    result.exit_code = pid > 0 ? session::decode_status(status) : -1;
    result.out = session::read_file(out_path);
    result.err = session::read_file(err_path);
    for (const auto& entry : fs::directory_iterator(work)) result.left_behind.push_back(entry.path().filename());
    fs::remove_all(base);
    return result;
}

}  // namespace

TEST(Install, VersionPrintsTheBannerAndStartsNothing) {
    const run_result r = run({ORVANE_BINARY, "--version"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Orvane 1.25 by Quenwick\n");
    EXPECT_EQ(r.err, "");
    // Answered before start-up: no log, no book, no board.
    EXPECT_TRUE(r.left_behind.empty()) << r.left_behind.front();
}

TEST(Install, HelpDescribesTheProgramOnStandardOutput) {
    const run_result r = run({ORVANE_BINARY, "--help"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("usage: orvane [-h | --help | -v | --version]\n", 0), 0u) << r.out;
    for (const char* text : {"Orvane 1.25 by Quenwick", "standard input", "book.dat", "orvane.log", "board.txt",
                             "orvane.ini", "xboard -fcp orvane -fd DIR", "-h, --help", "-v, --version"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
    EXPECT_TRUE(r.left_behind.empty()) << r.left_behind.front();
}

// The usage text names both engines, where each plays unless chosen, and
// every way of choosing: the option under either protocol and the console's
// words.
TEST(Install, HelpNamesTheTwoEnginesAndHowToChoose) {
    const std::string out = run({ORVANE_BINARY, "--help"}).out;
    for (const char* text : {"Strong", "Classic", "under UCI", "\"protover 2\"", "at the console",
                             "setoption name Search value Classic", "option Search=Strong", "\"strongsearch\"",
                             "\"classicsearch\"", "orvane.ini"})
        EXPECT_NE(out.find(text), std::string::npos) << text << " not in:\n" << out;
}

// The short forms answer exactly as the long ones, and start nothing either.
TEST(Install, ShortOptionsAnswerAsTheLongOnes) {
    const run_result help = run({ORVANE_BINARY, "-h"}), long_help = run({ORVANE_BINARY, "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out, long_help.out);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.left_behind.empty());
    const run_result version = run({ORVANE_BINARY, "-v"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out, "Orvane 1.25 by Quenwick\n");
    EXPECT_EQ(version.err, "");
    EXPECT_TRUE(version.left_behind.empty());
}

TEST(Install, AnyOtherArgumentIsAnErrorWithTheUsage) {
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{ORVANE_BINARY, "--bogus"}, "--bogus"},
        {{ORVANE_BINARY, "-x"}, "-x"},
        {{ORVANE_BINARY, "-H"}, "-H"},
        {{ORVANE_BINARY, "-hv"}, "-hv"},
        {{ORVANE_BINARY, "--version", "extra"}, "extra"},
        {{ORVANE_BINARY, "-v", "-h"}, "-h"},
        {{ORVANE_BINARY, "xboard", "--help"}, "xboard"},
    };
    for (const auto& c : cases) {
        const run_result r = run(c.args);
        EXPECT_EQ(r.exit_code, 2) << c.named;
        EXPECT_EQ(r.out, "") << c.named;
        EXPECT_EQ(r.err.rfind(std::string("orvane: unexpected argument '") + c.named + "'\nusage: orvane", 0), 0u)
            << r.err;
        EXPECT_TRUE(r.left_behind.empty()) << c.named;
    }
}

TEST(Install, CmakeInstallPutsTheFilesWhereXboardAndManLookForThem) {
    const fs::path build = fs::path(ORVANE_BINARY).parent_path();
    const fs::path prefix = session::make_temp_directory();
    ASSERT_FALSE(prefix.empty());
    ::unsetenv("DESTDIR");  // the prefix alone decides where the files go
    const run_result install = run({"cmake", "--install", build.string(), "--prefix", prefix.string()});
    ASSERT_EQ(install.exit_code, 0) << install.out << install.err;

    const fs::path program = prefix / "bin" / "orvane";
    ASSERT_TRUE(fs::is_regular_file(program));
    EXPECT_NE(fs::status(program).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(run({program.string(), "--version"}).out, "Orvane 1.25 by Quenwick\n");
    EXPECT_TRUE(fs::is_regular_file(prefix / "bin" / "orvane-tool"));
    EXPECT_NE(fs::status(prefix / "bin" / "orvane-tool").permissions() & fs::perms::owner_exec, fs::perms::none);

    const std::string page = session::read_file(prefix / "share" / "man" / "man6" / "orvane.6");
    EXPECT_EQ(page.rfind(".TH ORVANE 6", 0), 0u) << page.substr(0, 80);

    // The engine-list file goes where xboard scans for them, as shipped:
    // xboard's own header line, then the command it starts and the one
    // variant Orvane plays.
    const std::string plugin = session::read_file(prefix / "share" / "games" / "plugins" / "xboard" / "orvane.eng");
    EXPECT_EQ(plugin, session::read_file(fs::path(ORVANE_SOURCE_DIR) / "doc" / "orvane.eng"));
    const std::vector<std::string> lines = session::lines_of(plugin);
    ASSERT_EQ(lines.size(), 3u) << plugin;
    EXPECT_EQ(lines[1], "orvane");
    EXPECT_EQ(lines[2], "chess");

    // Nothing else: no test program, no library.
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(prefix)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4);
    fs::remove_all(prefix);
}
