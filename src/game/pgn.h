// Reading PGN, the portable game notation that GUIs and databases write,
// game by game: the tags a game needs and its move words in order.  The
// reader is lenient where real files are (missing move numbers, "1.e4",
// comments anywhere, variations, '%' lines, any line ends, a byte-order
// mark) and bounded: one game takes the same memory however long the file
// or the game is.
#pragma once

#include <cstdint>
#include <cstdio>

inline constexpr int PGN_TAG_VALUE_SIZE = 256;  // a tag value of at most 255 bytes and its terminator
inline constexpr int PGN_WORD_SIZE = 32;        // a move word of at most 31 bytes and its terminator
inline constexpr int PGN_MAX_WORDS = 4096;      // move words kept per game; the rest are dropped

// One move word as it stood in the file (a move number or dots before it
// taken off: "1.e4" gives "e4").
struct pgn_word {
    char text[PGN_WORD_SIZE];
    bool cut;  // the word was longer than PGN_WORD_SIZE - 1 bytes and text holds its start
};

// Where a game's movetext ended.
enum class pgn_end : uint8_t {
    result,     // at its result token (1-0, 0-1, 1/2-1/2 or *)
    next_tags,  // at the tag section of the next game
    file_end,   // at the end of the input
};

struct pgn_game {
    // The values of the tags a learner needs ("" when missing), bytes as
    // they stand (Latin-1 or UTF-8 alike), escapes \" and \\ undone; a value
    // longer than the buffer keeps its start.
    char white[PGN_TAG_VALUE_SIZE];
    char black[PGN_TAG_VALUE_SIZE];
    char result[PGN_TAG_VALUE_SIZE];
    char setup[PGN_TAG_VALUE_SIZE];
    char fen[PGN_TAG_VALUE_SIZE];
    bool has_result, has_setup, has_fen;  // the tag was there (its value may be empty)
    int tag_count;                        // every tag pair read, these and the others
    pgn_word words[PGN_MAX_WORDS];
    int word_count;
    bool words_dropped;  // the game had more than PGN_MAX_WORDS move words
    pgn_end end;
    char end_token[8];   // the result token that ended the movetext, "" if none did
    long first_line;     // the line (from 1) the game began on
};

// Reads games from a stream that stays the caller's.  The stream is read in
// blocks and from where it stands, so a caller that looked at its start must
// rewind it first.
class pgn_reader {
   public:
    explicit pgn_reader(FILE* stream);
    // Reads the next game into game; false at the end of the input when no
    // game (no tag, move word or result) was left.
    bool next_game(pgn_game& game);

   private:
    int peek();
    int get();
    void skip_line();
    void skip_comment();
    void skip_variation();
    void read_tag(pgn_game& game);
    // Reads one word of movetext (up to a blank or a character that stands
    // on its own) into word; length counts all its bytes, also those not kept.
    void read_word(char* word, int size, int& length);

    FILE* stream_;
    unsigned char buffer_[65536];
    int position_ = 0;
    int filled_ = 0;
    bool input_ended_ = false;
    bool at_line_start_ = true;   // the next character opens a line ('%' escapes it)
    bool after_cr_ = false;       // the last character was a CR (CRLF is one line end)
    bool started_ = false;        // a byte-order mark is looked for once, at the start
    long line_ = 1;
};

// --- Writing ---
// The most bytes a game score takes: the tags, and the record's moves in SAN.
inline constexpr size_t PGN_TEXT_SIZE = 65536;
// The game so far as PGN, as a person keeps it: the seven standard tags
// (Event, Site, Date, Round, White, Black, Result), SetUp and FEN when the
// record starts elsewhere than at the standard start, the moves in SAN, and
// the result ("*" while the game goes on).  engine_name names the colours
// the engine has played this game, "?" the others.  Into out (PGN_TEXT_SIZE
// bytes), ending in a blank line; returns the length.
size_t format_game_pgn(char* out, const char* engine_name);
