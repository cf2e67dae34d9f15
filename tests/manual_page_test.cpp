// The documents keep up with the engine.  The manual page doc/orvane.6
// names, in bold (the way a manual page shows words to be typed), every word
// the console's "help" lists, every feature and option the engine sends in
// its xboard handshake and every option of its UCI handshake, all read from
// the engine's own output.  The README's table of console words lists
// exactly the words of "help", and its option table exactly the options of
// both handshakes.  Prose that merely uses a word ("go on", "undo the
// damage") does not count.
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

// The cells of a table row, a "|" inside backticks kept in its cell.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> result;
    bool quoted = false;
    size_t start = 1;
    for (size_t i = 1; i < row.size(); ++i) {
        if (row[i] == '`') quoted = !quoted;
        if (row[i] == '|' && !quoted) {
            result.push_back(row.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < row.size()) result.push_back(row.substr(start));
    return result;
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

// The backticked spans of one column of the body rows of every table whose
// first header cell is header (header and separator rows left out).
// whole_span: the span as it stands (an option's name may hold spaces);
// otherwise its first word (a command without its arguments).
std::vector<std::string> column_names(const std::string& text, const std::string& header, size_t column,
                                      bool whole_span) {
    const std::vector<std::string> all = lines(text);
    std::vector<std::string> names;
    bool in_wanted_table = false;
    for (size_t i = 0; i < all.size(); ++i) {
        const std::string& line = all[i];
        if (!is_table_row(line)) {
            in_wanted_table = false;
            continue;
        }
        if (is_separator_row(line)) continue;
        const std::vector<std::string> row = cells(line);
        if (i + 1 < all.size() && is_separator_row(all[i + 1])) {  // a header
            in_wanted_table = !row.empty() && trimmed(row[0]) == header;
            continue;
        }
        if (!in_wanted_table || column >= row.size()) continue;
        for (const std::string& span : backticked(row[column])) {
            const std::string name = whole_span ? trimmed(span) : trimmed(span).substr(0, trimmed(span).find(' '));
            if (!name.empty()) add_once(names, name);
        }
    }
    return names;
}

// The README's table of the console's words: the first column of the table
// headed "Word".
std::vector<std::string> readme_console_words(const std::string& readme) { return column_names(readme, "Word", 0, false); }

// The README's option table (headed "Option"): column 0 holds the UCI names,
// column 1 the xboard names.
std::vector<std::string> readme_option_names(const std::string& readme, size_t column) {
    return column_names(readme, "Option", column, true);
}

// ---- The engine's own lists --------------------------------------------------

// The words "help" lists, in the indented lines after its first line (which
// ends "Words:"), up to the first line that is not indented (the console's
// board, drawn before and after, has indented lines of its own):
// "  donullmove, docutting  switch on ..." gives "donullmove" and
// "docutting" (the text after two blanks is left out, and an argument after
// a word: "level M T I" gives "level").
std::vector<std::string> help_words(const std::string& out) {
    std::vector<std::string> words;
    bool inside = false;
    for (const std::string& line : session::lines_of(out)) {
        if (!inside) {
            inside = line.size() >= 6 && line.compare(line.size() - 6, 6, "Words:") == 0;
            continue;
        }
        if (line.rfind("  ", 0) != 0) break;
        const std::string head = line.substr(2, line.find("  ", 2) - 2);
        size_t start = 0;
        while (start < head.size()) {
            size_t end = head.find(", ", start);
            if (end == std::string::npos) end = head.size();
            const std::string word = head.substr(start, end - start);
            add_once(words, word.substr(0, word.find(' ')));
            start = end + 2;
        }
    }
    return words;
}

struct handshake {
    std::vector<std::string> features;  // "ping=1", ..., "done=1" (myname and the options apart)
    std::vector<std::string> options;   // the names of the "feature option" lines
};

// The xboard handshake as the engine prints it: every "feature" line.
handshake xboard_handshake(const std::string& out) {
    handshake result;
    for (const std::string& line : session::lines_of(out)) {
        if (line.rfind("feature ", 0) != 0) continue;
        const std::string rest = line.substr(8);
        if (rest.rfind("myname=", 0) == 0) continue;
        if (rest.rfind("option=\"", 0) == 0) {
            // option="NAME -type ...": the name ends at the blank before the type.
            const std::string body = rest.substr(8);
            add_once(result.options, body.substr(0, body.find(" -")));
            continue;
        }
        size_t start = 0;
        while (start < rest.size()) {
            size_t end = rest.find(' ', start);
            if (end == std::string::npos) end = rest.size();
            if (end > start) add_once(result.features, rest.substr(start, end - start));
            start = end + 1;
        }
    }
    return result;
}

// The option names of the UCI handshake: "option name NAME type ...".
std::vector<std::string> uci_option_names(const std::string& out) {
    std::vector<std::string> names;
    for (const std::string& line : session::lines_of(out)) {
        if (line.rfind("option name ", 0) != 0) continue;
        const size_t type = line.find(" type ");
        if (type != std::string::npos) add_once(names, line.substr(12, type - 12));
    }
    return names;
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

std::set<std::string> as_set(const names& list) { return std::set<std::string>(list.begin(), list.end()); }

}  // namespace

// ---- The real documents against the real engine --------------------------

TEST(ManualPage, NamesEveryWordThatHelpLists) {
    const names words = help_words(session::run_session("help\nquit\n").out);
    EXPECT_GE(words.size(), 40u);
    const std::set<std::string> all(words.begin(), words.end());
    for (const char* expected : {"new", "twoplayers", "strongsearch", "classicsearch", "elo", "ply", "post",
                                 "analyze", "exit", "savepgn", "help", "quit"})
        EXPECT_TRUE(all.count(expected)) << expected << " not read from help";
    // The text after the words and the words' arguments are not words.
    for (const char* not_a_word : {"N", "FILE", "switch", "M", "Moves:"})
        EXPECT_FALSE(all.count(not_a_word)) << not_a_word;
    EXPECT_EQ(missing_from_page(source_file("doc/orvane.6"), words), names{})
        << "words of help missing from doc/orvane.6";
}

TEST(ManualPage, NamesEveryFeatureAndOptionOfTheXboardHandshake) {
    const handshake sent = xboard_handshake(session::run_session("xboard\nprotover 2\nquit\n").out);
    const std::set<std::string> features(sent.features.begin(), sent.features.end());
    // The features an earlier page left out among them, and the last line.
    for (const char* expected : {"ping=1", "setboard=1", "nps=1", "exclude=1", "memory=1", "done=1"})
        EXPECT_TRUE(features.count(expected)) << expected << " not read from the handshake";
    EXPECT_GE(sent.options.size(), 10u);
    const std::string page = source_file("doc/orvane.6");
    EXPECT_EQ(missing_from_page(page, sent.features), names{}) << "features missing from doc/orvane.6";
    EXPECT_EQ(missing_from_page(page, sent.options), names{}) << "xboard options missing from doc/orvane.6";
}

TEST(ManualPage, NamesEveryOptionOfTheUciHandshake) {
    const names options = uci_option_names(session::run_session("uci\nquit\n").out);
    const std::set<std::string> all(options.begin(), options.end());
    for (const char* expected : {"Null move", "Move Overhead", "Search", "UCI_Elo", "Clear Hash"})
        EXPECT_TRUE(all.count(expected)) << expected << " not read from the handshake";
    EXPECT_EQ(missing_from_page(source_file("doc/orvane.6"), options), names{})
        << "UCI options missing from doc/orvane.6";
}

// The README's table of console words and "help" list the same words.
TEST(Readme, ConsoleTableListsExactlyTheWordsOfHelp) {
    const names table = readme_console_words(source_file("README.md"));
    const names help = help_words(session::run_session("help\nquit\n").out);
    EXPECT_GE(table.size(), 40u);
    const std::set<std::string> in_table = as_set(table), in_help = as_set(help);
    for (const std::string& word : help) EXPECT_TRUE(in_table.count(word)) << word << " of help is not in the README";
    for (const std::string& word : table) EXPECT_TRUE(in_help.count(word)) << word << " of the README is not in help";
}

// The README's option table: the UCI names in its first column, the xboard
// names in its second, each exactly the options the handshakes send.
TEST(Readme, OptionTableListsExactlyTheOptionsOfBothHandshakes) {
    const std::string readme = source_file("README.md");
    const names uci = uci_option_names(session::run_session("uci\nquit\n").out);
    const names xboard = xboard_handshake(session::run_session("xboard\nprotover 2\nquit\n").out).options;
    ASSERT_GE(uci.size(), 10u);
    EXPECT_EQ(as_set(readme_option_names(readme, 0)), as_set(uci)) << "UCI names";
    EXPECT_EQ(as_set(readme_option_names(readme, 1)), as_set(xboard)) << "xboard names";
}

TEST(ManualPage, AMadeUpCommandIsReportedMissing) {
    const std::string page = source_file("doc/orvane.6");
    EXPECT_EQ(missing_from_page(page, {"levellock", "frobnicate", "Move Overhead", "Hash size", "pause=1"}),
              (names{"frobnicate", "Hash size", "pause=1"}));
}

// ---- The readers, on made-up text ------------------------------------------

TEST(ManualPage, ReadsTheColumnsOfTheTablesWithTheirHeader) {
    const std::string readme =
        "# Title\n"
        "| Word | What it does |\n"
        "|---|---|\n"
        "| `depth N`, `ply N` | limits |\n"
        "| `a|b` | a bar inside backticks |\n"
        "| `result ...` | end; `notthis` is in the second column |\n"
        "\n"
        "| Command | What |\n|---|---|\n| `other` | another table |\n"
        "\n"
        "| Word | What it does |\n"
        "|:--|--:|\n"
        "| `?` | move now |\n"
        "| `depth N` | again: named once |\n";
    EXPECT_EQ(readme_console_words(readme), (names{"depth", "ply", "a|b", "result", "?"}));
}

TEST(ManualPage, ReadsTheOptionTablesWholeNamesByColumn) {
    const std::string readme =
        "| Option | xboard name | Type |\r\n"
        "|---|---|---|\r\n"
        "| `Null move` | `NullMove` | check |\r\n"
        "| `Move Overhead` | `MoveOverhead` | spin |\r\n"
        "\r\n"
        "| Word | What |\r\n|---|---|\r\n| `go` | not an option |\r\n";
    EXPECT_EQ(readme_option_names(readme, 0), (names{"Null move", "Move Overhead"}));
    EXPECT_EQ(readme_option_names(readme, 1), (names{"NullMove", "MoveOverhead"}));
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
