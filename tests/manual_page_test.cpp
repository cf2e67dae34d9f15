// The manual page keeps up with the README: every command of the README's
// command tables and every option of its option tables is named in
// doc/orvane.6 in bold, the way a manual page shows words to be typed.
// Prose that merely uses a word ("go on", "undo the damage") does not count.
#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "session_util.h"

namespace {

// ---- The README's tables --------------------------------------------------

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
        start = end + 1;
    }
    return result;
}

bool is_table_row(const std::string& line) { return !line.empty() && line[0] == '|'; }

// "|---|:--|" and the like: the line under a table's header.
bool is_separator_row(const std::string& line) {
    return is_table_row(line) && line.find_first_not_of("|-: ") == std::string::npos;
}

// The first cell of a table row, its "|" inside backticks kept.
std::string first_cell(const std::string& row) {
    bool quoted = false;
    for (size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '`') quoted = !quoted;
        if (row[i] == '|' && !quoted) return row.substr(1, i - 1);
    }
    return row.substr(1);
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The backticked spans of a cell: "`depth N`, `ply N`" gives "depth N", "ply N".
std::vector<std::string> backticked(const std::string& cell) {
    std::vector<std::string> spans;
    size_t open = cell.find('`');
    while (open != std::string::npos) {
        const size_t close = cell.find('`', open + 1);
        if (close == std::string::npos) break;
        spans.push_back(cell.substr(open + 1, close - open - 1));
        open = cell.find('`', close + 1);
    }
    return spans;
}

void add_once(std::vector<std::string>& names, const std::string& name) {
    for (const std::string& known : names)
        if (known == name) return;
    names.push_back(name);
}

// The first-column spans of the body rows of every table among these lines
// (header and separator rows left out).  whole_span: the span as it stands
// (an option's name may hold spaces); otherwise its first word (the command).
std::vector<std::string> first_column_names(const std::vector<std::string>& text, bool whole_span,
                                            const std::string& header_first_cell) {
    std::vector<std::string> names;
    bool in_wanted_table = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const std::string& line = text[i];
        if (!is_table_row(line)) {
            in_wanted_table = false;
            continue;
        }
        if (is_separator_row(line)) continue;
        if (i + 1 < text.size() && is_separator_row(text[i + 1])) {  // a header
            in_wanted_table = header_first_cell.empty() || trimmed(first_cell(line)) == header_first_cell;
            continue;
        }
        if (!in_wanted_table) continue;
        for (const std::string& span : backticked(first_cell(line))) {
            const std::string name = whole_span ? trimmed(span) : trimmed(span).substr(0, trimmed(span).find(' '));
            if (!name.empty()) add_once(names, name);
        }
    }
    return names;
}

// The command words of every table under "## Commands", up to the next
// "## " heading: "`depth N`, `ply N`" gives "depth" and "ply".
std::vector<std::string> readme_commands(const std::string& readme) {
    std::vector<std::string> section;
    bool inside = false;
    for (const std::string& line : lines(readme)) {
        if (line.rfind("## ", 0) == 0) inside = trimmed(line.substr(3)) == "Commands";
        else if (inside) section.push_back(line);
    }
    return first_column_names(section, false, "");
}

// The words of the first table under "## Commands": the console's own.
std::vector<std::string> readme_console_commands(const std::string& readme) {
    std::vector<std::string> table;
    bool inside = false;
    for (const std::string& line : lines(readme)) {
        if (line.rfind("## ", 0) == 0) {
            inside = trimmed(line.substr(3)) == "Commands";
        } else if (inside) {
            if (is_table_row(line)) table.push_back(line);
            else if (!table.empty()) break;
        }
    }
    return first_column_names(table, false, "");
}

// The names of every option table of the README, the tables whose first
// column is headed "Option" (xboard's and UCI's), each name once.
std::vector<std::string> readme_option_names(const std::string& readme) {
    return first_column_names(lines(readme), true, "Option");
}

// ---- The manual page's bold text ------------------------------------------

// What a troff escape other than a font change stands for in the text
// (\- a minus, \(aq a quote, \& nothing); pos is just past the backslash and
// is moved past the escape.
std::string escaped_text(const std::string& text, size_t& pos) {
    if (pos >= text.size()) return "";
    const char c = text[pos++];
    auto special = [](const std::string& name) -> std::string {
        if (name == "aq") return "'";
        if (name == "dq" || name == "lq" || name == "rq") return "\"";
        if (name == "em" || name == "en" || name == "hy" || name == "mi") return "-";
        if (name == "rs") return "\\";
        if (name == "bu") return "*";
        return "";
    };
    switch (c) {
        case '-': return "-";
        case 'e': case '\\': return "\\";
        case ' ': case '~': case '0': return " ";
        case '&': case ':': case '/': case ',': case '^': case '|': case ')': return "";
        case '(': {
            const std::string name = text.substr(pos, 2);
            pos += name.size();
            return special(name);
        }
        case '[': {
            const size_t close = text.find(']', pos);
            const std::string name = text.substr(pos, close == std::string::npos ? std::string::npos : close - pos);
            pos = close == std::string::npos ? text.size() : close + 1;
            return special(name);
        }
        default: return std::string(1, c);
    }
}

// A font escape's font name (\fB, \f(CB, \f[BI]); pos is just past "\f".
std::string font_name(const std::string& text, size_t& pos) {
    if (pos >= text.size()) return "";
    if (text[pos] == '(') {
        const std::string name = text.substr(pos + 1, 2);
        pos += 1 + name.size();
        return name;
    }
    if (text[pos] == '[') {
        const size_t close = text.find(']', pos);
        const std::string name = text.substr(pos + 1, close == std::string::npos ? std::string::npos : close - pos - 1);
        pos = close == std::string::npos ? text.size() : close + 1;
        return name.empty() ? "P" : name;
    }
    return std::string(1, text[pos++]);
}

bool is_bold_font(const std::string& name) { return name == "B" || name == "BI" || name == "CB"; }

struct font_state {
    bool bold = false;
    bool previous = false;  // what \fP returns to
};

std::string collapse_white_space(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!result.empty() && result.back() != ' ') result += ' ';
        } else {
            result += c;
        }
    }
    if (!result.empty() && result.back() == ' ') result.pop_back();
    return result;
}

// Appends the runs of bold text of one piece of troff text, escapes turned
// into what they print, starting in the font of state (which is left as the
// text leaves it).
void collect_bold_runs(const std::string& text, font_state& state, std::vector<std::string>& runs) {
    std::string run;
    auto end_run = [&] {
        const std::string clean = collapse_white_space(run);
        if (!clean.empty()) runs.push_back(clean);
        run.clear();
    };
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] != '\\') {
            if (state.bold) run += text[pos];
            ++pos;
            continue;
        }
        ++pos;
        if (pos < text.size() && text[pos] == 'f') {
            ++pos;
            const std::string name = font_name(text, pos);
            const bool was = state.bold;
            state.bold = name == "P" ? state.previous : is_bold_font(name);
            state.previous = was;
            if (was && !state.bold) end_run();
            continue;
        }
        if (pos < text.size() && text[pos] == '"') break;  // a comment to the end of the line
        const std::string printed = escaped_text(text, pos);
        if (state.bold) run += printed;
    }
    end_run();
}

// A macro line's arguments as troff splits them: at spaces, with "..."
// grouping and "" inside quotes standing for one quote.
std::vector<std::string> macro_arguments(const std::string& rest) {
    std::vector<std::string> arguments;
    size_t pos = 0;
    while (pos < rest.size()) {
        while (pos < rest.size() && (rest[pos] == ' ' || rest[pos] == '\t')) ++pos;
        if (pos >= rest.size()) break;
        std::string argument;
        if (rest[pos] == '"') {
            ++pos;
            while (pos < rest.size()) {
                if (rest[pos] == '"') {
                    if (pos + 1 < rest.size() && rest[pos + 1] == '"') {
                        argument += '"';
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                argument += rest[pos++];
            }
        } else {
            while (pos < rest.size() && rest[pos] != ' ' && rest[pos] != '\t') argument += rest[pos++];
        }
        arguments.push_back(argument);
    }
    return arguments;
}

// Every run of bold text of a manual page written with the man macros:
// the arguments of .B (or the next line, when it has none), the bold
// arguments of .BR/.BI/.RB/.IB, and \fB...\fR in any line.
std::vector<std::string> bold_runs(const std::string& page) {
    std::vector<std::string> runs;
    font_state text_font;
    bool next_line_bold = false;
    for (const std::string& line : lines(page)) {
        if (line.empty()) continue;
        if (line[0] != '.' && line[0] != '\'') {
            font_state state = text_font;
            if (next_line_bold) state = {true, text_font.bold};
            collect_bold_runs(line, state, runs);
            if (!next_line_bold) text_font = state;
            next_line_bold = false;
            continue;
        }
        size_t pos = 1;
        while (pos < line.size() && line[pos] == ' ') ++pos;
        const size_t name_end = line.find_first_of(" \t", pos);
        const std::string macro = line.substr(pos, name_end == std::string::npos ? std::string::npos : name_end - pos);
        if (macro.rfind("\\\"", 0) == 0) continue;  // a comment line
        const std::vector<std::string> arguments =
            macro_arguments(name_end == std::string::npos ? "" : line.substr(name_end));
        if (macro == "B" && arguments.empty()) {
            next_line_bold = true;
            continue;
        }
        // Which arguments start bold: all of .B's, alternate ones of the
        // alternating macros, none of any other macro.
        for (size_t i = 0; i < arguments.size(); ++i) {
            bool bold = false;
            if (macro == "B") bold = true;
            else if (macro == "BR" || macro == "BI") bold = i % 2 == 0;
            else if (macro == "RB" || macro == "IB") bold = i % 2 == 1;
            font_state state{bold, bold};
            // .B's arguments print as one text, separated by spaces.
            if (macro == "B") {
                std::string joined;
                for (const std::string& argument : arguments) joined += (joined.empty() ? "" : " ") + argument;
                collect_bold_runs(joined, state, runs);
                break;
            }
            collect_bold_runs(arguments[i], state, runs);
        }
    }
    return runs;
}

bool is_word_character(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; }

// Whether name stands in text as a whole word (or words): "go" is in
// "go depth 3" but not in "golf" or "ago".
bool contains_word(const std::string& text, const std::string& name) {
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const bool starts = at == 0 || !is_word_character(text[at - 1]) || !is_word_character(name.front());
        const size_t end = at + name.size();
        const bool ends = end == text.size() || !is_word_character(text[end]) || !is_word_character(name.back());
        if (starts && ends) return true;
    }
    return false;
}

// The names that no bold run of the page holds as a word, in their order.
std::vector<std::string> missing_from_page(const std::string& page, const std::vector<std::string>& names) {
    const std::vector<std::string> runs = bold_runs(page);
    std::vector<std::string> missing;
    for (const std::string& name : names) {
        bool found = false;
        for (const std::string& run : runs) found = found || contains_word(run, name);
        if (!found) missing.push_back(name);
    }
    return missing;
}

std::string source_file(const char* relative) {
    return session::read_file(std::string(ORVANE_SOURCE_DIR) + "/" + relative);
}

using names = std::vector<std::string>;

}  // namespace

// ---- The real README and manual page ---------------------------------------

TEST(ManualPage, NamesEveryCommandOfTheReadmesTables) {
    const std::string readme = source_file("README.md");
    const std::string page = source_file("doc/orvane.6");
    ASSERT_FALSE(readme.empty());
    ASSERT_FALSE(page.empty());
    const names commands = readme_commands(readme);
    // Both tables are read: the engine's own commands and the protocol's.
    EXPECT_GE(commands.size(), 40u);
    const std::set<std::string> all(commands.begin(), commands.end());
    for (const char* expected : {"xboard", "depth", "ply", "twoplayers", "advancedsearchingoff", "quit", "undo",
                                 "remove", "otim", "sd", "?", "result", "option"})
        EXPECT_TRUE(all.count(expected)) << expected << " not read from the README's tables";
    // Arguments and the header are not commands.
    for (const char* not_a_command : {"N", "FILE", "Command", "NAME=VALUE", "..."})
        EXPECT_FALSE(all.count(not_a_command)) << not_a_command;
    EXPECT_EQ(missing_from_page(page, commands), names{}) << "commands of README.md missing from doc/orvane.6";
}

// "help" at the console lists every word of the README's table of the
// console's commands, each at the start of a line or after a comma.
TEST(ManualPage, HelpListsEveryConsoleWordOfTheReadme) {
    const names words = readme_console_commands(source_file("README.md"));
    EXPECT_GE(words.size(), 40u);
    const std::set<std::string> all(words.begin(), words.end());
    for (const char* expected : {"xboard", "hint", "savepgn", "sanoff", "help", "elo", "quit"})
        EXPECT_TRUE(all.count(expected)) << expected;
    EXPECT_FALSE(all.count("undo")) << "the protocol's table is not the console's";
    const session::session_result r = session::run_session("help\nquit\n");
    std::set<std::string> listed;
    for (const std::string& line : session::lines_of(r.out)) {
        if (line.rfind("  ", 0) != 0) continue;
        // "  donullmove, docutting  switch on ...": the words before the text.
        std::string head = line.substr(2, line.find("  ", 2) - 2);
        size_t start = 0;
        while (start < head.size()) {
            size_t end = head.find(", ", start);
            if (end == std::string::npos) end = head.size();
            const std::string word = head.substr(start, end - start);
            listed.insert(word.substr(0, word.find(' ')));
            start = end + 2;
        }
    }
    for (const std::string& word : words) EXPECT_TRUE(listed.count(word)) << word << " is not in help";
}

TEST(ManualPage, NamesEveryOptionOfTheReadmesTables) {
    const std::string readme = source_file("README.md");
    const std::string page = source_file("doc/orvane.6");
    const names options = readme_option_names(readme);
    EXPECT_GE(options.size(), 8u);
    const std::set<std::string> all(options.begin(), options.end());
    for (const char* expected : {"Evaluation", "Null move", "Move-count cutting", "Learning book", "Move Overhead"})
        EXPECT_TRUE(all.count(expected)) << expected << " not read from the README's option tables";
    // Only the first column: the "Same as" column holds commands, not options.
    EXPECT_FALSE(all.count("advancelevel N"));
    EXPECT_EQ(missing_from_page(page, options), names{}) << "options of README.md missing from doc/orvane.6";
}

TEST(ManualPage, AMadeUpCommandIsReportedMissing) {
    const std::string page = source_file("doc/orvane.6");
    EXPECT_EQ(missing_from_page(page, {"levellock", "frobnicate", "Move Overhead", "Hash size"}),
              (names{"frobnicate", "Hash size"}));
}

// ---- The readers, on made-up text ------------------------------------------

TEST(ManualPage, ReadsOnlyTheTablesUnderTheCommandsHeading) {
    const std::string readme =
        "# Title\n"
        "| Command | What |\n|---|---|\n| `before` | not in the section |\n"
        "## Commands\n\n"
        "Text with `inline` words.\n\n"
        "| Command | What it does |\n"
        "|---|---|\n"
        "| `depth N`, `ply N` | limits |\n"
        "| `a|b` | a bar inside backticks |\n"
        "| `result ...` | end; `notthis` is in the second column |\n"
        "\n"
        "| Command | What it does |\n"
        "|:--|--:|\n"
        "| `?` | move now |\n"
        "| `depth N` | again: named once |\n"
        "## Next\n"
        "| Command | What |\n|---|---|\n| `after` | not in the section |\n";
    EXPECT_EQ(readme_commands(readme), (names{"depth", "ply", "a|b", "result", "?"}));
}

TEST(ManualPage, ReadsTheOptionTablesWholeNames) {
    const std::string readme =
        "| Option | Values | Same as |\r\n"
        "|---|---|---|\r\n"
        "| `Null move` | check | `donullmove` |\r\n"
        "| `Move Overhead` | 0 to 5000 | time |\r\n"
        "\r\n"
        "| Command | What |\r\n|---|---|\r\n| `go` | not an option |\r\n"
        "\r\n"
        "| Option | Type | Values |\r\n"
        "|---|---|---|\r\n"
        "| `Null move` | check | default false |\r\n"
        "| `MultiPV` | spin | 1 to 64 |\r\n";
    EXPECT_EQ(readme_option_names(readme), (names{"Null move", "Move Overhead", "MultiPV"}));
}

TEST(ManualPage, CountsOnlyBoldWordsWithTheEscapesResolved) {
    const std::string page =
        ".TH T 6\n"
        ".\\\" a comment: .B commented\n"
        ".TP\n"
        ".BR force \", \" twoplayers\n"
        ".RB roman \" bold \" notbold\n"
        ".BI level \" M T I\"\n"
        ".B \"Move\\-count cutting\"\n"
        ".B\n"
        "undo\n"
        "You can go on, play golf, or \\fBremove\\fR and \\fIitalic\\fP; \\f(CBcode\\fR \\f[B]analyze\\f[]\n"
        "Across lines \\fBfirst\n"
        "second\\fP done\n"
        "\\fB\\&?\\fR and \\fBoption\\fR \\fINAME\\fB=\\fIVALUE\\fR\n"
        ".BR \"Don\\(aqt stop\" .\n";
    const names present = {"force",         "twoplayers", "bold", "level", "Move-count cutting", "undo", "remove",
                           "code",          "analyze",    "first", "second", "?", "option", "=", "Don't stop"};
    EXPECT_EQ(missing_from_page(page, present), names{});
    // Roman and italic words, prose, comments, and parts of a bold word.
    const names absent = {"roman", "notbold", "M", "go", "golf", "italic", "commented", "done", "NAME", "Move", "count"};
    EXPECT_EQ(missing_from_page(page, absent), absent);
}
