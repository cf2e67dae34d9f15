// "bookmake" over PGN files, and SAN typed at the console, run through the
// built program.  A PGN file is judged against the game files with the same
// moves in coordinates and the winner's word: both must leave the same
// book.dat bytes and the same position.  The coordinates of the xboard games
// below were written out by pgn-extract (-Wuci), a program of its own; those
// of the hand-made games were worked out on a board and are checked again
// here by the game-file pass, which refuses any move that is not legal.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "session_text.h"
#include "session_util.h"

using namespace session;

namespace {

constexpr size_t TABLE_OFFSET = 3080;
const std::string CLEARED_ENTRY("\xff\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);

// Entries of a book.dat image that are not cleared.
int used_entries(const std::string& book) {
    int used = 0;
    for (size_t slot = 0; slot < 65536; ++slot)
        if (book.compare(TABLE_OFFSET + 16 * slot, 16, CLEARED_ENTRY) != 0) ++used;
    return used;
}

// Runs "bookmake" on a PGN file (and saves the board), then on each game
// file in turn, and expects the same book and board from both.  Returns the
// PGN run.
session_result expect_same_as_game_files(const std::string& pgn, const std::vector<std::string>& game_files,
                                         int expected_entries) {
    session_options by_pgn;
    by_pgn.files["games.pgn"] = pgn;
    const session_result a = run_session("xboard bookmake games.pgn save quit", by_pgn);
    session_options by_files;
    std::string script = "xboard ";
    for (size_t i = 0; i < game_files.size(); ++i) {
        const std::string name = "game" + std::to_string(i) + ".txt";
        by_files.files[name] = game_files[i];
        script += "bookmake " + name + " ";
    }
    const session_result b = run_session(script + "save quit", by_files);
    EXPECT_EQ(b.err, "") << "a game file here names a move that is not legal";
    const std::string& book = a.file("book.dat");
    EXPECT_EQ(book.size(), 1051656u);
    EXPECT_TRUE(book == b.file("book.dat")) << "the books differ";
    EXPECT_EQ(used_entries(book), expected_entries);
    EXPECT_EQ(a.file("board.txt"), b.file("board.txt"));
    EXPECT_EQ(game_count_of(book), 0u);  // learning counts no finished game
    return a;
}

// Two games of a match Orvane played against Fairy-Max under xboard 4.9,
// as xboard saved them.
const std::string XBOARD_GAMES =
    "[Event \"Computer Chess Game\"]\n[Site \"vm\"]\n[Date \"2026.12.07\"]\n[Round \"1\"]\n"
    "[White \"Orvane 1.25 by Quenwick\"]\n[Black \"Fairy-Max 5.0b\"]\n[Result \"0-1\"]\n[TimeControl \"40/30\"]\n"
    "[Annotator \"1. +0.98   1... +0.08\"]\n\n"
    "1. e4 {+0.98/5} d5 {+0.08/6 0.6} 2. e5 {+0.98/5 0.1} c5 {+0.15/6 0.6} 3.\n"
    "Nc3 {+1.01/5 0.1} f6 {+0.09/6 0.9} 4. Bb5+ {+1.07/5 0.1} Nc6 {+0.03/5 0.6}\n"
    "5. f4 {+2.96/5 0.1} Bd7 {+0.05/5 0.6} 6. Nxd5 {+2.99/5 0.1} Nxe5\n"
    "{+0.01/7 0.9} 7. fxe5 {+1.05/5 0.1} Bxb5 {+0.42/7 0.4} 8. c4 {+1.06/5 0.1}\n"
    "Bxc4 {+1.07/8 0.8} 9. Nf4 {+0.04/5 0.1} Qc7 {+1.61/7 0.9} 10. d4\n"
    "{+0.05/5 0.1} cxd4 {+1.78/7 0.8} 11. Nf3 {-0.94/5 0.1} fxe5 {+2.35/6 0.4}\n"
    "12. Nh3 {-2.01/5 0.1} d3 {+2.94/6 0.9} 13. g4 {-1.99/5 0.2} O-O-O\n"
    "{+3.35/6 0.9} 14. Nd2 {-1.98/5 0.1} Qa5 {+3.16/7 0.9} 15. a3 {-1.04/5 0.1}\n"
    "Nf6 {+3.08/7 0.8} 16. g5 {-1.00/5 0.1} Nd7 {+2.89/7 0.5} 17. b4\n"
    "{-0.02/5 0.1} Qd5 {+3.52/8 0.5} 18. Rf1 {-2.00/5 0.2} Qd4 {+4.64/8 0.4} 19.\n"
    "Nxc4 {-2.02/5 0.1} Qxa1 {+4.60/8 1.8} 20. Be3 {-3.96/5 0.1} Qc3+\n"
    "{+5.50/8 0.5} 21. Nd2 {-7.97/6 0.1} Qxa3 {+5.52/8 0.6} 22. b5 {-3.06/5 0.1}\n"
    "e6 {+5.54/7 0.6} 23. b6 {-5.02/5 0.2} axb6 {+6.24/7 0.4} 24. Bxb6\n"
    "{-6.07/5 0.2} Nxb6 {+8.40/7 0.7} 25. Rf7 {-8.08/5 0.2} Bb4 {+8.66/7 0.7}\n"
    "26. Rxg7 {-8.08/5 0.1} Nc4 {+10.88/7 0.3} 27. Rf7 {-12.17/6 0.3} Bxd2+\n"
    "{+11.44/7 0.8} 28. Kf2 {-14.15/6 0.3} Be3+ {+11.40/7 1.1} 29. Kf1\n"
    "{-11.07/5 0.1} Bd4 {+12.22/7 0.6} 30. Rf3 {-14.10/6 0.7} Qa2 {+13.23/8 0.8}\n"
    "31. Rxd3 {-15.04/6 0.3} Rhf8+ {+19.30/8 0.4} 32. Ke1 {-19.04/6 0.1} Bc3+\n"
    "{+1000.04/9 0.4} 33. Rd2 {-1000.03/6 0.1} Bxd2+ {+1000.03/16 0.4} 34. Ke2\n"
    "{-1000.02/7 0.3} Bc3+ {+1000.02/28 0.1} 35. Qc2 {-1000.01/6 0.2} Qxc2#\n"
    "{+1000.01/28 0.1}\n{Xboard adjudication: Checkmate} 0-1\n\n"
    "[Event \"Computer Chess Game\"]\n[Site \"vm\"]\n[Date \"2026.12.07\"]\n[Round \"2\"]\n"
    "[White \"Fairy-Max 5.0b\"]\n[Black \"Orvane 1.25 by Quenwick\"]\n[Result \"1-0\"]\n[TimeControl \"40/30\"]\n"
    "[Annotator \"1. +0.00   1... -1.04\"]\n\n"
    "1. c3 {+0.00/7 0.7} e6 {-1.04/5} 2. d4 {+0.05/6 0.8} Qh4 {-1.04/5 0.1} 3. Nf3\n"
    "{+0.13/6 0.8} Qg4 {-1.11/5 0.1} 4. h3 {+0.23/6 0.6} Qg6 {-1.06/5 0.1} 5. Ne5\n"
    "{+0.40/7 0.6} Qe4 {-1.06/5 0.1} 6. Nd2 {+1.67/8 0.6} Qf5 {-0.06/5 0.1} 7. g4\n"
    "{+1.71/7 0.7} Qf4 {-0.08/5 0.1} 8. Ndf3 {+1.71/7 0.7} Qe4 {-0.05/5 0.1} 9.\n"
    "Nxf7 {+3.18/7 0.8} b5 {-3.07/5 0.1} 10. Nxh8 {+3.44/7 0.7} Bb7 {-5.04/5 0.1}\n"
    "11. Bg2 {+3.52/6 0.7} Qc6 {-7.12/5 0.1} 12. O-O {+3.54/6 0.7} b4 {-6.95/6 0.2}\n"
    "13. Bf4 {+4.07/6 1.1} bxc3 {-7.02/5 0.1} 14. bxc3 {+4.55/6 0.7} Qxc3\n"
    "{-6.07/5 0.1} 15. Rc1 {+4.37/7 0.8} Qa5 {-7.02/5 0.1} 16. Rxc7 {+5.66/7 0.7}\n"
    "Qa6 {-8.06/5 0.1} 17. Qb1 {+6.65/7 0.7} Bxf3 {-8.10/5 0.2} 18. Bxf3\n"
    "{+6.66/7 0.7} d5 {-10.00/5 0.2} 19. Qh7 {+8.90/8 0.7} Ne7 {-17.05/5 0.3} 20.\n"
    "Qh5+ {+20.99/9 0.6} g6 {-17.16/5 0.2} 21. Nxg6 {+28.60/10 0.6} Nxg6\n"
    "{-17.20/5 0.1} 22. Qxg6+ {+28.63/10 0.6} Kd8 {-1000.04/6 0.2} 23. Qf6+\n"
    "{+28.68/11 0.7} Ke8 {-1000.03/5 0.1} 24. Qf7+ {+28.65/10 0.7} Kd8\n"
    "{-1000.02/5 0.1} 25. Qf8#\n{+1000.01/28 0.5}\n{Xboard adjudication: Checkmate} 1-0\n";

const std::vector<std::string> XBOARD_GAME_FILES = {
    "blackwillwin\n"
    "e2e4 d7d5 e4e5 c7c5 b1c3 f7f6 f1b5 b8c6 f2f4 c8d7 c3d5 c6e5 f4e5 d7b5 c2c4 b5c4 d5f4 d8c7 d2d4 c5d4\n"
    "g1f3 f6e5 f4h3 d4d3 g2g4 e8c8 f3d2 c7a5 a2a3 g8f6 g4g5 f6d7 b2b4 a5d5 h1f1 d5d4 d2c4 d4a1 c1e3 a1c3\n"
    "c4d2 c3a3 b4b5 e7e6 b5b6 a7b6 e3b6 d7b6 f1f7 f8b4 f7g7 b6c4 g7f7 b4d2 e1f2 d2e3 f2f1 e3d4 f7f3 a3a2\n"
    "f3d3 h8f8 f1e1 d4c3 d3d2 c3d2 e1e2 d2c3 d1c2 a2c2 quit\n",
    "whitewillwin\n"
    "c2c3 e7e6 d2d4 d8h4 g1f3 h4g4 h2h3 g4g6 f3e5 g6e4 b1d2 e4f5 g2g4 f5f4 d2f3 f4e4 e5f7 b7b5 f7h8 c8b7\n"
    "f1g2 e4c6 e1g1 b5b4 c1f4 b4c3 b2c3 c6c3 a1c1 c3a5 c1c7 a5a6 d1b1 b7f3 g2f3 d7d5 b1h7 g8e7 h7h5 g7g6\n"
    "h8g6 e7g6 h5g6 e8d8 g6f6 d8e8 f6f7 e8d8 f7f8 quit\n",
};

// What orvane-tool book printed, and its exit status.
struct tool_run {
    std::string out, err;
    int status = -1;
    // The line of the output that begins with label, "" if none does.
    std::string line(const std::string& label) const {
        for (const std::string& l : lines_of(out))
            if (l.compare(0, label.size(), label) == 0) return l;
        return "";
    }
};

// Runs orvane-tool book on a copy of a book image, with a position if given.
tool_run run_book_tool(const std::string& book, const std::string& position, const std::string& name = "book.dat") {
    const std::filesystem::path dir = make_temp_directory();
    const std::filesystem::path file = dir / name;
    write_file(file, book);
    std::string command = std::string(ORVANE_TOOL_BINARY) + " book '" + file.string() + "'";
    if (!position.empty()) command += " --position '" + position + "'";
    command += " 2>'" + (dir / "err").string() + "'";
    tool_run run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe != nullptr) {
        char chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, n);
        const int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.err = read_file(dir / "err");
    // The tool only reads: the file is as it was, and nothing new is beside it.
    EXPECT_EQ(read_file(file), book);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 2);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    // The file's own name in the first line is that of the copy.
    const size_t end = run.out.find('\n');
    if (run.out.compare(0, 5, "book ") == 0 && end != std::string::npos)
        run.out.replace(0, end, "book " + name + run.out.substr(run.out.rfind(',', end), end - run.out.rfind(',', end)));
    return run;
}

// The same text with each LF turned into end.
std::string with_line_ends(const std::string& text, const std::string& end) {
    std::string out;
    for (const char c : text) out += c == '\n' ? end : std::string(1, c);
    return out;
}

}  // namespace

TEST(PgnLearning, XboardGamesTeachWhatTheirGameFilesTeach) {
    // Black's 35 moves of the first game, White's 25 of the second.
    const session_result r = expect_same_as_game_files(XBOARD_GAMES, XBOARD_GAME_FILES, 60);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, START_OUTPUT);  // the diagram of the new game, as the game-file pass draws it
    // Line ends of other systems, and a byte-order mark, teach the same.
    for (const std::string end : {"\r\n", "\r"}) {
        SCOPED_TRACE(end.size());
        expect_same_as_game_files("\xef\xbb\xbf" + with_line_ends(XBOARD_GAMES, end), XBOARD_GAME_FILES, 60);
    }
}

TEST(PgnLearning, HandMadeGamesCoverTheNotationAndTheResults) {
    const std::string pgn =
        "% written by hand\n"
        "[Event \"Hand-made\"]\n[White \"Ann\"]\n[Black \"Ben\"]\n\n"
        // No Result tag: the token that ends the movetext names the winner.
        "1.e4 Nf6 2.e5 d5 3.exd6 e.p. Qxd6 {the queen takes back} 4.d4 Nc6!? 5.Nf3 $1 Bg4 (5...Bf5 6.Bd3\n"
        "(6.c3) Bxd3) 6.Be2 O-O-O+ 7.0-0 e5 ; a line comment: 8.Nd2 would be ambiguous\n"
        "%8.Ng5\n"
        "8.Nbd2 exd4 9.Nc4 Qd5 10.Nfd2 1-0\n\n"
        "[White \"Cy\"]\n[Black \"Di\"]\n[Result \"0-1\"]\n"
        "1. Nf3 h5 2. g4 hxg4 3. Rg1 gxf3 4. d3 fxe2 5. Nc3 exf1=B 6. Rxf1 0-1\n"
        // The Result tag outweighs a token that says otherwise.
        "[Result \"1-0\"]\n"
        "1. a4 b5 2. axb5 a6 3. bxa6 Bb7 4. axb7 Nc6 5. bxa8R Qb8 6. Rxb8+ Nxb8 0-1\n"
        // Draws and unfinished games teach nothing, however they end.
        "[Result \"1/2-1/2\"]\n1. h4 h5 2. Rh3 Rh6 1/2-1/2\n"
        "[Result \"*\"]\n1. g4 1-0\n"
        "1. b4 *\n"
        "[White \"No result\"]\n1. b3 e5\n"
        "[White \"Still none\"]\n1. c3\n";
    const session_result r = expect_same_as_game_files(
        pgn,
        {"whitewillwin e2e4 g8f6 e4e5 d7d5 e5d6 d8d6 d2d4 b8c6 g1f3 c8g4 f1e2 e8c8 e1g1 e7e5 b1d2 e5d4 d2c4 d6d5 "
         "f3d2 quit",
         "blackwillwin g1f3 h7h5 g2g4 h5g4 h1g1 g4f3 d2d3 f3e2 b1c3 e2f1b g1f1 quit",
         "whitewillwin a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6 b7a8r d8b8 a8b8 c6b8 quit"},
        // 10 + 5 + 6 moves of the winners; the third game's first move
        // takes the start position's slot from the first game's.
        20);
    EXPECT_EQ(r.err, "");
}

TEST(PgnLearning, SetUpGamesStartFromTheirFen) {
    session_options o;
    o.files["games.pgn"] =
        "[White \"E\"]\n[Black \"F\"]\n[Result \"1-0\"]\n[SetUp \"1\"]\n[FEN \"4k3/P7/8/8/8/8/7p/4K3 w - - 0 1\"]\n\n"
        "1. a8=Q+ Kd7 2. Qe4 h1N 1-0\n";
    const session_result r = run_session("xboard bookmake games.pgn save quit", o);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("board.txt"), board_file({". . . . . . . . ", ". . . k . . . . ", ". . . . . . . . ",
                                               ". . . . . . . . ", ". . . . Q . . . ", ". . . . . . . . ",
                                               ". . . . . . . . ", ". . . . K . . n "},
                                              1));
    const std::string& book = r.file("book.dat");
    EXPECT_EQ(used_entries(book), 2);
    // The developer tool reads the hints back: before White's two moves, and
    // none before Black's (the winner is White).
    const tool_run before_promotion = run_book_tool(book, "4k3/P7/8/8/8/8/7p/4K3 w - - 0 1");
    EXPECT_EQ(before_promotion.line("hint"), "hint: a7a8q, depth 3000 (book-made), stored for white, the side to move");
    EXPECT_EQ(run_book_tool(book, "Q7/3k4/8/8/8/8/7p/4K3 w - - 1 2").line("hint"),
              "hint: a8e4, depth 3000 (book-made), stored for white, the side to move");
    EXPECT_EQ(run_book_tool(book, "Q3k3/8/8/8/8/8/7p/4K3 b - - 0 1").line("hint"), "hint: none (the slot is empty)");
}

TEST(PgnLearning, BadGamesAreNamedOnStandardErrorAndThePassGoesOn) {
    const std::string pgn =
        "[White \"G\"]\n[Black \"H\"]\n[Result \"1-0\"]\n1. e4 e5 2. Nf9 Nc6 1-0\n"
        "[White \"I\"]\n[Black \"J\"]\n[Result \"0-1\"]\n1. d4 d5 2. Ke3 0-1\n"
        "[Result \"1-0\"]\n1. d4 d5 2. Nf3 Nf6 3. Nd2 1-0\n"
        "[White \"K\"]\n[Result \"1-0\"]\n[SetUp \"1\"]\n1. e4 1-0\n"
        "[White \"L\"]\n[Black \"M\"]\n[Result \"0-1\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1\"]\n"
        "1. Kg2 0-1\n"
        "[Result \"1-0\"]\n1. c4 e5 1-0\n"
        "1. " + std::string(40, 'a') + " 1-0\n"
        "[Result \"1/2-1/2\"]\n1. Kx9 1/2-1/2\n"
        "[White \"\x1b[2J\"]\n[Black \"\x7f\"]\n[Result \"1-0\"]\n1. e\x01 1-0\n"
        "[White \"N\"]\n[Black \"O\"]\n[Result \"1-0\"]\n1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. e4 1-0\n";
    const session_result r = expect_same_as_game_files(
        pgn,
        {"whitewillwin e2e4 e7e5 quit", "blackwillwin d2d4 d7d5 quit", "whitewillwin d2d4 d7d5 g1f3 g8f6 quit",
         "whitewillwin c2c4 e7e5 quit", "whitewillwin quit", "whitewillwin quit",
         "whitewillwin g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 quit"},
        // The start position's slot (last taken by g1f3), d7d5 after d4,
        // g1f3 after d4 d5, f3g1 after Nf3 Nf6.
        4);
    const std::string prefix = "orvane: bookmake: games.pgn: game ";
    EXPECT_EQ(r.err,
              prefix + "1 (G - H): Nf9 is not a move; the game is learnt up to it\n" +
                  prefix + "2 (I - J): Ke3 is not a legal move here; the game is learnt up to it\n" +
                  prefix + "3 (? - ?): Nd2 could be more than one move; the game is learnt up to it\n" +
                  prefix + "4 (K - ?): SetUp \"1\" without a FEN; the game is skipped\n" +
                  prefix +
                  "5 (L - M): its FEN \"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1\" is refused (the side not to move is in "
                  "check); the game is skipped\n" +
                  prefix + "7 (? - ?): " + std::string(31, 'a') + "... is not a move; the game is learnt up to it\n" +
                  prefix + "9 (?[2J - ?): e? is not a move; the game is learnt up to it\n" +
                  prefix +
                  "10 (N - O): e4 is not a legal move here (the engine's own draw rule has ended the game); the "
                  "game is learnt up to it\n");
}

TEST(PgnLearning, ThePassEndsAtTheLastGameLearntAndLeavesQuitBehind) {
    // The draw after the won game is not played: the position is the end
    // of the won game, with Black to move; the next word of orvane.ini is
    // Black's move there.
    session_options o;
    o.files["games.pgn"] = "[Result \"1-0\"]\n1. e4 e5 2. Nf3 1-0\n\n[Result \"1/2-1/2\"]\n1. d4 d5 1/2-1/2\n";
    o.files["orvane.ini"] = "xboard force bookmake games.pgn Nc6 end";
    const session_result r = run_session("save quit", o);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("orvane.log"), "xboard\nforce\nbookmake\nNc6\nB8C6\nend\nsave\n");
    const session_result c = run_session("xboard force e2e4 e7e5 g1f3 b8c6 save quit");
    EXPECT_EQ(r.file("board.txt"), c.file("board.txt"));
    EXPECT_EQ(used_entries(r.file("book.dat")), 2);
    // At the console the pass draws what the game-file pass draws: the
    // diagram of the new game.
    session_options h;
    h.files["games.pgn"] = "\n\n  1. e4 e5 2. Nf3 1-0\n";
    h.files["game.txt"] = "whitewillwin e2e4 e7e5 g1f3 quit";
    const session_result by_pgn = run_session("bookmake games.pgn save quit", h);
    const session_result by_file = run_session("bookmake game.txt save quit", h);
    EXPECT_EQ(by_pgn.out, START_OUTPUT + diagram(START_RANKS) + "Saved\n");
    EXPECT_EQ(by_pgn.out, by_file.out);
    EXPECT_TRUE(by_pgn.file("book.dat") == by_file.file("book.dat"));
    EXPECT_EQ(by_pgn.file("board.txt"), by_file.file("board.txt"));
}

TEST(PgnLearning, OnlyTheContentTellsAPgnFile) {
    // A file that opens with a move number or a '%' line is PGN, whatever
    // its name; one that opens with a word is a game file as before, in
    // which SAN means nothing.
    session_options o;
    o.files["a.txt"] = "1. e4 e5 1-0\n";
    o.files["b.txt"] = "%x\n1. e4 e5 1-0\n";
    o.files["c.pgn"] = "whitewillwin e4 e5 e2e4 quit\n";
    o.files["d.pgn"] = "";
    for (const std::string name : {"a.txt", "b.txt"}) {
        const session_result r = run_session("xboard bookmake " + name + " quit", o);
        EXPECT_EQ(r.err, "") << name;
        EXPECT_EQ(used_entries(r.file("book.dat")), 1) << name;
    }
    session_options g;
    g.files["game.txt"] = "whitewillwin e2e4 quit";
    const std::string learnt_e2e4 = run_session("xboard bookmake game.txt quit", g).file("book.dat");
    EXPECT_TRUE(run_session("xboard bookmake a.txt quit", o).file("book.dat") == learnt_e2e4);
    EXPECT_TRUE(run_session("xboard bookmake c.pgn quit", o).file("book.dat") == learnt_e2e4);
    const session_result empty = run_session("xboard bookmake d.pgn quit", o);
    EXPECT_EQ(empty.err, "");
    EXPECT_EQ(used_entries(empty.file("book.dat")), 0);
}

TEST(BookTool, TellsWhatABookHoldsWithoutWritingIt) {
    // A book made by hand: version 2, five finished games, every key number
    // 0 (so that every position falls in slot 0), slot 0 holding the
    // book-made e2e4 for White and slot 9 a search's entry.
    std::string book = std::string("\x02\0\0\0\x05\0\0\0", 8) + std::string(3072, '\0');
    for (int slot = 0; slot < 65536; ++slot) book += CLEARED_ENTRY;
    const auto put_entry = [&book](int slot, const std::string& entry) { book.replace(TABLE_OFFSET + 16 * slot, 16, entry); };
    put_entry(0, std::string("\x04\x01\x04\x03\xff\0\0\0\xff\xff\xff\x7f\xb8\x0b\x01\0", 16));
    put_entry(9, std::string("\x04\x06\x04\x07\x02\0\0\0\x10\0\0\0\x07\0\x02\0", 16));
    const std::string header =
        "book book.dat, version 2\n"
        "entries used: 2 of 65536\n"
        "book-made entries (depth 3000): 1\n"
        "finished games: 5\n";
    tool_run t = run_book_tool(book, "");
    EXPECT_EQ(t.status, 0);
    EXPECT_EQ(t.out, header);
    t = run_book_tool(book, "startpos");
    EXPECT_EQ(t.out, header +
                         "position: startpos, white to move\n"
                         "slot: 0\n"
                         "hint: e2e4, depth 3000 (book-made), stored for white, the side to move\n");
    t = run_book_tool(book, "4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    EXPECT_EQ(t.line("hint"), "hint: e2e4, depth 3000 (book-made), stored for white, not the side to move (the search ignores it here)");
    // Slot 9 moved to slot 0: a rook promotion found by a search for Black.
    std::string other = book;
    other.replace(TABLE_OFFSET, 16, book.substr(TABLE_OFFSET + 16 * 9, 16));
    EXPECT_EQ(run_book_tool(other, "4k3/8/8/8/8/8/8/4K3 b - - 0 1").line("hint"),
              "hint: e7e8r, depth 7, stored for black, the side to move");
    other.replace(TABLE_OFFSET, 16, CLEARED_ENTRY);
    EXPECT_EQ(run_book_tool(other, "startpos").line("hint"), "hint: none (the slot is empty)");
    // What it cannot read it says so, and leaves alone (no book.dat.bad).
    t = run_book_tool(book.substr(0, 5000), "");
    EXPECT_EQ(t.status, 1);
    EXPECT_EQ(t.out, "");
    EXPECT_NE(t.err.find(": it is shorter than a book\n"), std::string::npos) << t.err;
    std::string version_three = book;
    version_three[0] = '\x03';
    t = run_book_tool(version_three, "");
    EXPECT_EQ(t.status, 1);
    EXPECT_NE(t.err.find(": it is no book of this version\n"), std::string::npos) << t.err;
    t = run_book_tool(book, "not a fen");
    EXPECT_EQ(t.status, 2);
    EXPECT_EQ(t.err, "book: cannot read the position 'not a fen'\n");
}

TEST(SanAtTheConsole, MovesPlayAsTheirCoordinateText) {
    const session_result r =
        run_session("xboard force e4 d5 exd5 Nf6 Nc3 Nxd5 Nf3 Bg4 Be2 e6 O-O Be7 save quit");
    const session_result c = run_session(
        "xboard force e2e4 d7d5 e4d5 g8f6 b1c3 f6d5 g1f3 c8g4 f1e2 e7e6 e1g1 f8e7 save quit");
    EXPECT_EQ(r.out, START_OUTPUT);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("board.txt"), c.file("board.txt"));
    EXPECT_EQ(r.file("orvane.log"),
              "xboard\nforce\ne4\nE2E4\nd5\nD7D5\nexd5\nE4D5\nNf6\nG8F6\nNc3\nB1C3\nNxd5\nF6D5\nNf3\nG1F3\nBg4\nC8G4\n"
              "Be2\nF1E2\ne6\nE7E6\nO-O\nE1G1\nBe7\nF8E7\nsave\n");
    // A mate in SAN ends the game as in coordinates.
    EXPECT_EQ(run_session("xboard force f3 e5 g4 Qh4# quit").out, START_OUTPUT + "0-1 {Black mates}\n");
    // Out of force mode the engine answers a SAN move.
    EXPECT_NE(run_session("xboard depth 1 Nf3 quit").out.find("\nmove "), std::string::npos);
}

TEST(SanAtTheConsole, PromotionsAndRankDisambiguation) {
    session_result r = run_session("xboard force\nsetboard 4k3/P7/8/8/8/8/7p/4K3 w - - 0 1\na8=R+ Kd7 Rh8 h1=B save quit\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("orvane.log"), "xboard\nforce\nsetboard\na8=R+\nA7A8R\nKd7\nE8D7\nRh8\nA8H8\nh1=B\nH2H1B\nsave\n");
    EXPECT_EQ(r.file("board.txt"), board_file({". . . . . . . R ", ". . . k . . . . ", ". . . . . . . . ",
                                               ". . . . . . . . ", ". . . . . . . . ", ". . . . . . . . ",
                                               ". . . . . . . . ", ". . . . K . . b "},
                                              1));
    // Rooks on a1 and a5: "R1a3" is coordinate text in shape, but R is no
    // file, and as SAN it names a legal move; "R2a3" names none and gets the
    // coordinate path's answer as before; "Ra3" names two.
    r = run_session("xboard force\nsetboard 4k3/8/8/R7/8/8/8/R3K3 w - - 0 1\nR2a3 Ra3 R1a3 quit\n");
    EXPECT_EQ(r.out, START_OUTPUT + "Illegal move: r2a3\nIllegal move: Ra3\n");
    EXPECT_EQ(r.file("orvane.log"), "xboard\nforce\nsetboard\nR2a3\nRa3\nR1a3\nA1A3\n");
}

TEST(SanAtTheConsole, WordsThatNameNoMove) {
    // Piece moves and castling that name no legal move are answered as
    // typed; pawn words that name none, and chatter, pass in silence.
    const session_result r = run_session(
        "xboard force Nf6 Qh4+ O-O Nd2 e2 e5 exd5 e8=Q hard easy random computer white black . ? otim 100 "
        "name Bob Smith\nKxe2 save quit");
    EXPECT_EQ(r.out, START_OUTPUT +
                         "Illegal move: Nf6\nIllegal move: Qh4+\nIllegal move: O-O\nIllegal move: Nd2\n"
                         "Illegal move: Kxe2\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.file("board.txt"), run_session("xboard save quit").file("board.txt"));
    // UCI reads its moves in coordinates only.
    const session_result u = run_session("uci\nposition startpos moves Nf3\nisready\nquit\n");
    EXPECT_NE(u.out.find("info string move Nf3 is not legal here; the position stays as it was\n"), std::string::npos);
}
