// What the program prints and writes, written out by hand once for the
// session tests: the banner, the diagram, board files and book numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace session {

// The banner and the two lines of text printed at start-up.
inline const std::string BANNER_TEXT =
    "Chess engine Orvane 1.25 by Quenwick\n"
    "\n"
    "Please read txt file. There is a information about settings, control,\n"
    "and graphic interface.\n";

// The diagram of a board given rank 8 first (each rank as its eight tokens):
// an empty line, the ranks with their numbers, an empty line, the letters.
inline std::string diagram(const std::vector<std::string>& ranks) {
    std::string text = "\n";
    for (size_t i = 0; i < 8; ++i) text += std::to_string(8 - i) + " " + ranks[i] + "\n";
    return text + "\n  A B C D E F G H\n\n";
}

inline const std::vector<std::string> START_RANKS = {
    "r n b q k b n r ", "p p p p p p p p ", ". . . . . . . . ", ". . . . . . . . ",
    ". . . . . . . . ", ". . . . . . . . ", "P P P P P P P P ", "R N B Q K B N R "};

// What every run in human mode prints before it reads its first word.
inline const std::string START_OUTPUT = BANNER_TEXT + diagram(START_RANKS);

// The answer to "protover 2" with the default settings: the name first, the
// features, one option line per setting a GUI may change, done=1 last.  The
// Search line shows the search the session starts with (xboard's combo marks
// it with a star).
inline std::string handshake_showing(const std::string& search_choices) {
    return "feature myname=\"Orvane 1.25 by Quenwick\"\n"
           "feature ping=1 setboard=1 time=1 draw=1 sigint=0 reuse=1 colors=0 analyze=1 playother=0 usermove=0 nps=1 "
           "exclude=1 memory=1 smp=1 variants=\"normal,fischerandom\" egt=\"syzygy\"\n"
           "feature option=\"Evaluation -spin 2 0 3\"\n"
           "feature option=\"NullMove -check 0\"\n"
           "feature option=\"MoveCountCutting -check 0\"\n"
           "feature option=\"CaptureExtension -check 0\"\n"
           "feature option=\"Emotion -spin 0 -1 1\"\n"
           "feature option=\"LearningBook -check 1\"\n"
           "feature option=\"LogNodeCounts -check 0\"\n"
           "feature option=\"MoveOverhead -spin 50 0 5000\"\n"
           "feature option=\"MultiPV -spin 1 1 64\"\n"
           "feature option=\"Ponder -check 0\"\n"
           "feature option=\"Search -combo " + search_choices + "\"\n"
           "feature option=\"Hash -spin 16 1 1024\"\n"
           "feature option=\"Threads -spin 1 1 64\"\n"
           "feature option=\"UCI_LimitStrength -check 0\"\n"
           "feature option=\"UCI_Elo -spin 1600 1200 2100\"\n"
           "feature option=\"ClearHash -button\"\n"
           "feature option=\"SyzygyProbeDepth -spin 1 1 100\"\n"
           "feature option=\"Syzygy50MoveRule -check 1\"\n"
           "feature option=\"SyzygyProbeLimit -spin 7 0 7\"\n"
           "feature done=1\n";
}
// Typed at the console (no "xboard" before it): the classic search stays.
inline const std::string HANDSHAKE = handshake_showing("*Classic /// Strong");
// After "xboard": a GUI of protocol 2 starts with the strong search.
inline const std::string GUI_HANDSHAKE = handshake_showing("Classic /// *Strong");

// A board file of these ranks, no castling, no en passant, player to move.
inline std::string board_file(const std::vector<std::string>& ranks, int player) {
    std::string text;
    for (const std::string& rank : ranks) text += rank + "\n";
    return text +
           "\nWhite castle (was,right,left) = 0 0 0\n"
           "Black castle (was,right,left) = 0 0 0\n"
           "EnPassant (0=NULL) = 0\n"
           "Player = " +
           std::to_string(player) + "\n";
}

// The little-endian 32-bit number at offset of a file's bytes.
inline uint32_t get32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 4; i-- > 0;) value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

// The game count of a book.dat image (UINT32_MAX when there is none).
inline uint32_t game_count_of(const std::string& book) { return book.size() < 8 ? UINT32_MAX : get32(book, 4); }

}  // namespace session
