// The engine's folders form a one-way stack: each includes only the folders
// below it (or beside it on its floor, where the floor allows), the rules
// include nothing outside themselves, the two protocol rooms never include
// each other, and the search and the game print nothing (they report; the
// front ends print).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Floors, bottom to top; a folder includes itself and the folders of lower
// floors, never a folder beside it on its own floor.
struct floor {
    std::vector<std::string> folders;
};
const std::vector<floor> FLOORS = {
    {{"io", "settings", "rules"}},
    {{"eval"}},
    {{"book"}},
    {{"search"}},
    {{"game"}},
    {{"learn"}},
    {{"protocol"}},
    {{"cecp", "uci"}},  // the console with xboard, and UCI: never each other
    {{"app"}},
};

std::vector<std::string> all_folders() {
    std::vector<std::string> folders;
    for (const floor& f : FLOORS) folders.insert(folders.end(), f.folders.begin(), f.folders.end());
    return folders;
}
const std::vector<std::string> LAYERS = all_folders();

int layer_of(const std::string& folder) {
    for (size_t i = 0; i < FLOORS.size(); ++i)
        for (const std::string& f : FLOORS[i].folders)
            if (f == folder) return static_cast<int>(i);
    return -1;
}

// Whether a file in folder may include from target.
bool may_include(const std::string& folder, const std::string& target) {
    return folder == target || layer_of(target) < layer_of(folder);
}

std::vector<std::filesystem::path> sources_of(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ORVANE_SOURCE_DIR) + "/src/" + folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    return files;
}

// The folder of a project include ("rules" for #include "rules/rules.h"), or "".
std::string included_folder(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return "";
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return "";
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || line[i] != '"') return "";
    const size_t slash = line.find('/', i);
    if (slash == std::string::npos) return "";
    return line.substr(i + 1, slash - i - 1);
}

// Whether a line names one of the ways to write to standard output or error.
bool writes_output(const std::string& line) {
    static const char* const calls[] = {"printf", "puts", "fputc", "putchar", "fwrite", "cout", "cerr", "stdout"};
    for (const char* call : calls)
        if (line.find(call) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(Layers, EachFolderIncludesOnlyTheFoldersBelowIt) {
    int checked = 0;
    for (const std::string& folder : LAYERS) {
        for (const auto& file : sources_of(folder)) {
            std::ifstream in(file);
            std::string line;
            while (std::getline(in, line)) {
                const std::string target = included_folder(line);
                if (target.empty()) continue;
                ++checked;
                SCOPED_TRACE(file.string() + ": " + line);
                ASSERT_GE(layer_of(target), 0) << "a folder outside the layers";
                EXPECT_TRUE(may_include(folder, target)) << "an include upwards or sideways";
                if (folder == "rules") {
                    EXPECT_EQ(target, "rules");
                }
            }
        }
    }
    EXPECT_GT(checked, 20);  // the scan did find the includes
}

// The rule itself, on made-up pairs: a protocol room that reached into the
// other, or a lower floor into a higher one, would be refused.
TEST(Layers, TheRuleRefusesUpwardsAndSidewaysIncludes) {
    EXPECT_FALSE(may_include("cecp", "uci"));
    EXPECT_FALSE(may_include("uci", "cecp"));
    EXPECT_FALSE(may_include("protocol", "cecp"));
    EXPECT_FALSE(may_include("rules", "io"));
    EXPECT_FALSE(may_include("search", "game"));
    EXPECT_TRUE(may_include("uci", "protocol"));
    EXPECT_TRUE(may_include("app", "uci"));
    EXPECT_TRUE(may_include("book", "io"));
}

// Every folder under src/ has its floor: a new room must be placed.
TEST(Layers, EveryFolderHasAFloor) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(ORVANE_SOURCE_DIR) + "/src")) {
        if (entry.is_directory()) {
            EXPECT_GE(layer_of(entry.path().filename().string()), 0) << entry.path();
        }
    }
}

// Only the session policy reads the console-or-GUI setting.
TEST(Layers, OnlyTheSessionPolicyReadsTheMode) {
    for (const std::string& folder : LAYERS) {
        for (const auto& file : sources_of(folder)) {
            if (file.filename() == "session.cpp" || file.filename() == "settings.cpp" ||
                file.filename() == "settings.h")
                continue;
            std::ifstream in(file);
            std::string line;
            int number = 0;
            while (std::getline(in, line)) {
                ++number;
                const size_t at = line.find("human_mode");
                if (at == std::string::npos || line.find("//") < at) continue;
                // Setting it is the "xboard" command's job; reading it is the policy's.
                const bool sets_it = line.find("human_mode = ") != std::string::npos &&
                                     line.find("==") == std::string::npos;
                EXPECT_TRUE(sets_it) << file.string() << ":" << number << ": " << line;
            }
        }
    }
}

TEST(Layers, TheSearchAndTheGameWriteNoOutput) {
    for (const std::string folder : {"search", "game"}) {
        for (const auto& file : sources_of(folder)) {
            std::ifstream in(file);
            std::string line;
            int number = 0;
            while (std::getline(in, line)) {
                ++number;
                EXPECT_FALSE(writes_output(line)) << file.string() << ":" << number << ": " << line;
            }
        }
    }
}
