// Position and rules: the position record, moves, making moves, attack tests,
// legality, move generation and the draw rules.  The room also holds where
// the men reach on an empty board (reach_tables.h), which both the strong
// evaluation and the strong search read: facts of the board belong here,
// under the two of them, and include nothing.
//
// Every rule operation works for the colour in the global side_to_move: own
// pieces are that colour's, enemy pieces the other colour's.  Making a move
// never changes side_to_move; whoever makes a move flips it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

// Colour codes and piece types.  A board byte is colour * 16 + type (0 = empty);
// note the type order: rook before knight and bishop.
inline constexpr int WHITE = 1;
inline constexpr int BLACK = 2;
inline constexpr int PAWN = 1;
inline constexpr int ROOK = 2;
inline constexpr int KNIGHT = 3;
inline constexpr int BISHOP = 4;
inline constexpr int QUEEN = 5;
inline constexpr int KING = 6;

inline constexpr uint8_t NO_PROMOTION = 255;  // promotion byte of a move that promotes nothing
inline constexpr uint8_t NO_EN_PASSANT = 255;  // en_passant_file when the last move was no double step
inline constexpr int HISTORY_SIZE = 101;       // boards kept for the repetition rule
inline constexpr int MOVE_LIST_SIZE = 512;     // more than any position's legal moves

// Results of make_move, also the kind passed to record_position.
inline constexpr int MOVE_QUIET = 0;      // no capture, no promotion (castling included)
inline constexpr int MOVE_CAPTURE = 1;    // a capture, en passant included
inline constexpr int MOVE_PROMOTION = 2;  // a promotion, capturing or not

// Ordering bonuses the generator adds to a promotion's capture_value.
inline constexpr int PROMOTION_QUEEN_BONUS = 8;
inline constexpr int PROMOTION_KNIGHT_BONUS = 2;

constexpr int piece_colour(uint8_t b) { return (b & 0x30) >> 4; }
constexpr int piece_type(uint8_t b) { return b & 0x0F; }
constexpr int square_index(int file, int rank) { return file + 8 * rank; }
constexpr bool on_board(int file, int rank) { return (unsigned)file < 8 && (unsigned)rank < 8; }
constexpr int other_colour(int colour) { return 3 - colour; }

// One move.  from_file 255 (-1) marks the search's null move, which is never
// made.  capture_value is the ordering key; score is what the search found.
struct move {
    int8_t from_file;
    int8_t from_rank;
    int8_t to_file;
    int8_t to_rank;
    uint8_t promotion;      // piece type, or NO_PROMOTION
    uint8_t capture_value;  // captured value + promotion bonus (+ search bonuses)
    uint8_t spare[2];       // unused; copied along into book entries
    int32_t score;
};
static_assert(sizeof(move) == 12);
static_assert(std::is_trivially_copyable_v<move>);

// 1 when a and b name the same move: the same squares and the same
// promotion byte (how ordering hints are matched against a node's list).
inline bool same_move(const move& a, const move& b) {
    return a.from_file == b.from_file && a.from_rank == b.from_rank && a.to_file == b.to_file &&
           a.to_rank == b.to_rank && a.promotion == b.promotion;
}

// The legal moves of one position, in generator order.
struct move_list {
    move moves[MOVE_LIST_SIZE];
    uint16_t count;
};

// A board that stood in the position since the history was last cleared, and
// how often it stood there.
struct history_entry {
    uint8_t board[64];
    int8_t occurrences;
};
static_assert(sizeof(history_entry) == 65);

// The one representation of a chess position.  It is a plain value with no
// pointers: the game, every search node and the legality test each hold their
// own copy.  The fixed part comes first and the history last, so that
// copy_position can copy only the entries in use.
struct alignas(64) position {
    uint8_t board[64];           // square = file + 8 * rank; byte = colour * 16 + type
    int8_t white_castle_right;   // white may still castle king-side (h1 rook)
    int8_t white_castle_left;    // white may still castle queen-side (a1 rook)
    int8_t black_castle_right;   // the same for black, h8 rook
    int8_t black_castle_left;    // the same for black, a8 rook
    int8_t white_castled;        // white has castled; never cleared by play
    int8_t black_castled;        // black has castled
    uint8_t en_passant_file;     // file of a pawn that just made a double step, or 255
    int8_t white_king_file;      // the king squares: the attack tests find the
    int8_t white_king_rank;      // kings only through these fields
    int8_t black_king_file;
    int8_t black_king_rank;
    int8_t fifty_move_count;     // half-moves since the last capture
    int8_t fifty_move_draw;      // set when fifty_move_count reaches 100
    int8_t repetition_draw;      // set when a board stands for the third time
    uint8_t history_count;       // history entries in use, 0 to HISTORY_SIZE
    int8_t white_material;       // P 1, N 3, B 3, R 5, Q 9, K 0
    int8_t black_material;
    // Chess960 (1): castling is made and written as the king taking its own
    // rook, and the files below say where king and rooks castle from.  In
    // standard chess (0) they are not read: the king castles from e, with
    // the rooks of a and h, as a position built field by field expects.
    int8_t chess960;
    int8_t castle_king_file[2];  // by colour - 1
    int8_t castle_rook_file[4];  // by castle_slot: white right, white left, black right, black left
    history_entry history[HISTORY_SIZE];  // entries at history_count and beyond are never read
};
static_assert(std::is_trivially_copyable_v<position>);
static_assert(offsetof(position, board) == 0 && sizeof(position::board) == 64);

// Bytes of a position that are live: the fixed part and the history in use.
inline constexpr size_t POSITION_FIXED_BYTES = offsetof(position, history);

// The index of one castling right in castle_rook_file: colour's right
// (king-side, towards the h-file) or left one.
constexpr int castle_slot(int colour, bool right) { return (colour - 1) * 2 + (right ? 0 : 1); }
// The files a castling king and rook end on, in either kind of game.
inline constexpr int CASTLED_KING_FILE_RIGHT = 6, CASTLED_ROOK_FILE_RIGHT = 5;
inline constexpr int CASTLED_KING_FILE_LEFT = 2, CASTLED_ROOK_FILE_LEFT = 3;
// Whether m, a move of side_to_move in pos, castles: in Chess960 the king
// taking its own rook, in standard chess the king's two-file step from e.
bool is_castling(const position& pos, const move& m);
// Sets the castling files of standard chess (king e, rooks h and a) and
// leaves Chess960 off; the rights themselves are not touched.
void set_standard_castling_files(position& pos);

// Bit s set when square s differs between the two boards: what a move
// changed, for whoever keeps sums over the board up to date.
uint64_t changed_squares(const uint8_t* before, const uint8_t* after);

// Copies a position.  Only the live part is copied; entries of the history
// beyond history_count are stale in the copy, as the record allows.
void copy_position(position& dst, const position& src);

// --- State of the subsystem, one copy per thread ---
// Each thread that works with positions (the game's, and each of the strong
// search's threads) has its own: a search on one thread never sees another
// thread's side to move or generator flags.
extern thread_local constinit int side_to_move;       // WHITE or BLACK: whose move it is (game or search node)
extern thread_local constinit int side_in_check;      // set by the generator / legal-move test for the position tested
extern thread_local constinit int castle_right_safe;  // king-side transit square (f1/f8) not attacked, right held
extern thread_local constinit int castle_left_safe;   // queen-side transit square (d1/d8) not attacked, right held
extern thread_local constinit position scratch_position;  // the legality test's trial copy; meaningless between calls

// --- Position record and new game ---
// Sets pos to the start of a game: pieces, counters, flags and the start board
// recorded in the history.  Does not touch side_to_move.
void set_start_position(position& pos);

// --- Making moves ---
// Makes a legal move of side_to_move on pos.  Returns MOVE_QUIET, MOVE_CAPTURE
// or MOVE_PROMOTION.
int make_move(position& pos, const move& m);
// make_move without record_position: the history, the fifty-move count and
// the draw flags are left as they were (for a search that keeps its own).
int make_move_unrecorded(position& pos, const move& m);
// Records the board in the history after a move of the given kind and keeps
// the fifty-move count and both draw flags.
void record_position(position& pos, int kind);

// --- Attacks and legality ---
// 1 if the first piece met from (file, rank) along (df, dr) is an enemy slider
// attacking along that line.
int ray_attacked(const uint8_t* board, int file, int rank, int df, int dr);
// 1 if the king of side_to_move is attacked in pos (adjacent kings included).
int in_check(const position& pos);
// Whether m, a legal move of side_to_move made on before into after, gives
// check: what in_check says of after for the other side.  Most moves are
// judged by the two squares they change alone, which needs the other side
// not to have stood in check in before (as after every legal move).
int move_gives_check(const position& before, const position& after, const move& m);
// 1 if the king of side_to_move would be attacked standing on (file, rank),
// the board and the other king unchanged: what in_check says after the king's
// square field has been set to (file, rank).  Used for the castling transit squares.
int king_attacked_on(const position& pos, int file, int rank);
// 1 if making m would leave the king of side_to_move attacked.  Needs
// side_in_check to be right for pos.  Out of check, a non-king move is
// judged along the one line from the king through its from-square only.
int leaves_king_attacked(const position& pos, const move& m);
// The same judged in full: m made on a scratch copy, then in_check.  What
// leaves_king_attacked does for king moves and out of check.
int leaves_king_attacked_after_making(const position& pos, const move& m);

// Drops from list, generated for side_to_move in pos, the en-passant
// captures that leave the mover's king attacked, judged in full: the quick
// test looks along the line through the capturing pawn's square only, not
// through the captured pawn's, which also leaves the rank.  Every other kind
// of move the generator already judges exactly.  The classic search keeps
// the generator's list as it is (its trees depend on it); whoever needs the
// legal moves to the letter filters through this.
void drop_bad_en_passant(const position& pos, move_list& list);

// --- Move generation ---
// Which promotions a list holds.  The classic engine's trees, its book and
// its node counts know the queen and the knight only; the strong search
// plays chess to the letter and lists the rook and the bishop too (each
// right after the knight, with no ordering bonus).
enum class promotions : uint8_t { queen_and_knight, all };
// Fills list with the legal moves of side_to_move, in the fixed order, and
// sets side_in_check, castle_right_safe and castle_left_safe.
void generate_moves(const position& pos, move_list& list, promotions which = promotions::queen_and_knight);
// The moves of generate_moves that take a man (en passant included) or
// promote, in the same order, with the same flags set: for a quiescence
// search, which looks at no other move, without the cost of listing them.
void generate_captures(const position& pos, move_list& list, promotions which = promotions::queen_and_knight);
// Bit s set when square s of board holds anything (a byte of no man too).
uint64_t occupied_squares(const uint8_t* board);
// 1 if a man of side_to_move other than a king, standing on none of the
// lines through the square its king fields name, has a candidate move:
// out of check such a move is legal (leaves_king_attacked judges it by that
// line alone).  0 says nothing about the other men.  A quick answer for
// whoever only asks whether some legal move exists.
int unaligned_man_can_move(const position& pos);
// Appends the legal moves of the slider on (file, rank) along (df, dr).
void generate_slider_moves(const position& pos, move_list& list, int file, int rank, int df, int dr,
                           int& count);

// --- Perft ---
// The legal moves of side in pos (every promotion; the draw flags ignored)
// into root_moves, and for each the leaves of the legal-move tree depth - 1
// plies below it into counts (MOVE_LIST_SIZE entries): a perft's divide.
// Returns the number of root moves; depth at least 1.
int perft_divide(const position& pos, int side, int depth, move_list& root_moves, uint64_t* counts);

// --- Positions from text ---
// Reads a FEN (board, side, castling, en passant; the counters are ignored)
// the way the board file is loaded: empty history, draw flags clear,
// material summed from the board.  Castling rights whose king or rook is not
// at home are dropped.  Returns false, leaving pos and side alone, for a FEN
// it cannot read.  In standard chess K, Q, k and q (or the outer rooks'
// files H, A, h and a) name the rights; with chess960 the position is a
// Chess960 one, and a right is a rook's file letter (Shredder-FEN) or K, Q,
// k, q for the outermost rook on that side of the king (X-FEN).
bool parse_fen(const char* fen, position& pos, int& side, bool chess960 = false);

// Writes pos with side to move as a FEN into out (FEN_TEXT_SIZE bytes at
// least): the castling rights whose king and rook stand at home (in a
// Chess960 position as the rooks' file letters, Shredder-FEN), the
// en-passant square only where the capture can be made, and the two counters.
inline constexpr int FEN_TEXT_SIZE = 96;
// The move number of a FEN's sixth field, 1 when it is missing, 0 or not a
// number, and at most MAX_FEN_MOVE_NUMBER (so that counting on from it
// stays far inside the int range).
inline constexpr int MAX_FEN_MOVE_NUMBER = 1000000;
int fen_move_number(const char* fen);
void write_fen(const position& pos, int side, int halfmove, int fullmove, char* out);

// --- Positions from outside ---
// Why pos, with side to move, cannot be played, or nullptr when it can: it
// needs exactly one king of each colour (the king fields are set from the
// board) and the side not to move must not stand in check.
const char* position_problem(position& pos, int side);
// Whether the en-passant file of pos names a capture side can make: the enemy
// pawn that has just made its double step, and the two squares it passed empty.
bool en_passant_possible(const position& pos, int side);
// Whether a pawn of side stands beside the pawn that has just made its
// double step (en_passant_file), so that it could take it en passant.
bool en_passant_capturer_beside(const position& pos, int side);
// What is wrong with the fields of fen beyond its board (pos, as parse_fen
// read it), or nullptr: at most six fields; the side w or b; castling "-"
// or K, Q, k, q (or H, A, h, a), White's first, each with its king and rook
// at home (in a Chess960 position: K, Q, k, q or rook files, each naming a
// rook on its side of a king on its first rank); en passant "-" or a square
// on the rank the side not to move's pawn passed; clocks of digits, 0 or
// more.  Fields left out are not wrong.
const char* fen_fields_problem(const char* fen, const position& pos);
// A position given as a FEN, checked as a GUI's set-up is checked: readable,
// every field valid (fen_fields_problem), one king each, the side not to move not in check; an en-passant file that
// names no capture dropped; halfmove from the FEN's fifth field (0 without
// one).  nullptr when pos, side and halfmove are set, else why not.
const char* read_set_up_position(const char* fen, position& pos, int& side, int& halfmove, bool chess960 = false);

// --- Draw rules ---
// 1 if colour has no mating material in pos: no pawn, rook or queen, and at
// most one bishop or knight.
int insufficient_material(const position& pos, int colour);
