// The engine's folders form a one-way stack: each includes only the folders
// below it, the rules include nothing outside themselves, and the search and
// the game print nothing (they report; the front ends print).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> LAYERS = {"settings", "rules", "eval", "book", "search", "game", "frontend"};

int layer_of(const std::string& folder) {
    for (size_t i = 0; i < LAYERS.size(); ++i)
        if (LAYERS[i] == folder) return static_cast<int>(i);
    return -1;
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
                EXPECT_LE(layer_of(target), layer_of(folder)) << "an include upwards";
                if (folder == "rules") {
                    EXPECT_EQ(target, "rules");
                }
            }
        }
    }
    EXPECT_GT(checked, 20);  // the scan did find the includes
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
