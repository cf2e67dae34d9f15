// The game: its position and legal moves, the record of the moves played
// (so that moves can be taken back), the per-game clock accounts, and the
// engine's turn.  Front ends drive it and print; nothing here writes to
// standard output.
#pragma once

#include <cstdint>

#include "rules/move_text.h"
#include "rules/rules.h"
#include "search/request.h"

extern position game_position;  // the game's position
extern move_list game_moves;    // legal moves of side_to_move in game_position
extern move user_move;          // the last parsed user move or game-file move

// Per-game time accounting, cleared by new_game.
extern int32_t engine_moves_made;  // engine turns taken with the clock on
extern int32_t time_used;          // clock units used by those turns

// --- Starting a game ---
// A new game in game_position: start position, WHITE to move, the clock
// accounts cleared, the record empty.  Draws nothing and lists no moves
// (game_moves is the caller's to regenerate, as after any set-up).
void new_game();
// The game goes on from pos with side to move, as if it had begun there: the
// record starts afresh (no move before it can be taken back).  The clock
// accounts are left alone.  halfmove_clock: half-moves already played since
// the last capture or pawn move (a FEN's fifth field); move_number: the
// number of the move the game goes on with (its sixth), for game scores.
void game_begin_at(const position& pos, int side, int halfmove_clock = 0, int move_number = 1);

// Back to where start-up leaves the game layer: the GUI's clock forgotten,
// no user move, standard chess, a new game.
void reset_game_state();

// --- Chess960 ---
// Whether the games begun from now on (new_game, and the positions a GUI
// sets up, which read their FEN by it) are Chess960 games: castling is the
// king taking its own rook, the strong search plays them, and the learning
// book is neither consulted nor added to.  UCI's UCI_Chess960 and xboard's
// "variant fischerandom" set it; a game already begun keeps its kind.
void set_chess960_games(bool on);
bool chess960_games();

// --- The record ---
// Plays m for side_to_move on game_position (make_move) and records it.  The
// caller flips side_to_move, as after any make_move.
void game_play(const move& m);
// Moves that can be taken back: those recorded since the game began (or
// since game_begin_at), of a very long game only the last 1024 or more.
int game_plies();
// Takes back the last plies moves: game_position, its history and draw flags
// and side_to_move become exactly what they were before them, and game_moves
// is regenerated.  false, nothing changed, when fewer moves were recorded.
bool game_take_back(int plies);

// The record as a game score needs it: the position it starts from (where
// the game began, or where the oldest moves of a very long game were folded
// in), that position's side to move, half-moves since a capture or pawn
// move and move number; and recorded move i (0 to game_plies() - 1) with
// the side that played it and whether it was the engine's
// (game_note_engine_move).
const position& game_record_start(int& side, int& halfmove_clock, int& move_number);
const move& game_recorded_move(int i, int& side, bool& by_engine);
void game_note_engine_move();

// The game has ended off the board: a draw was claimed, or the GUI said so.
// Starting or setting up a game, and taking a move back, clear it.
extern bool game_ended;

// --- Around a move ---
// Hands the move to the other side: flips side_to_move and lists its legal
// moves in game_moves.  Returns their number (0: mate, stalemate or a drawn
// position).
int game_hand_over();
// 1 if colour has no mating material in game_position.
inline int insufficient_material(int colour) { return insufficient_material(game_position, colour); }
// Whether m names a move of list in game_position (see is_listed_move).
inline int is_listed_move(const move& m, const move_list& list) { return is_listed_move(game_position, m, list); }

// --- The game as standard chess sees it ---
// A GUI judges the game by standard chess, whose draws differ from the
// engine's own: a repetition counts only the same position with the same
// side to move and the same castling and en-passant rights, the fifty-move
// count restarts at pawn moves too, and only a position in which no mate is
// possible at all is dead.
enum class standard_draw { none, repetition, fifty_moves, dead_position };
// The draw standard chess grants in game_position with side_to_move to move
// (mate and stalemate are the caller's to look at first).
standard_draw game_standard_draw();
// Half-moves since the last capture or pawn move.
int game_halfmove_clock();
// The most positions game_repetition_keys hands over: the whole record.
inline constexpr int MAX_EARLIER_POSITIONS = 2049;
// The game's positions since the last capture or pawn move, oldest first,
// the position now not among them, as the strong search's keys
// (position_key): into out, the newest capacity of them at most.  Returns
// how many.  Only positions the record still holds are known.
int game_repetition_keys(uint64_t* out, int capacity);
// 1 if no sequence of moves can end in mate: kings alone, a king and one
// minor piece against a king, or kings and bishops all on squares of one colour.
int dead_position(const position& pos);
// Clears the engine's own repetition and fifty-move flags of game_position,
// so that its moves are listed again where standard chess plays on.
void game_clear_own_draw_flags();

// --- The engine's turn ---
// What a front end may add to the engine's turn: an observer of the
// iterations and limits that can end it early.
struct turn_options {
    search_observer* observer = nullptr;
    const search_limits* limits = nullptr;
    // A search to exactly this depth, as the fixed-depth setting does it
    // (no clock, null move and cutting off), whatever the settings say (0: the settings decide).
    int fixed_depth = 0;
    // A search until stopped: the clock's budget never ends it.
    bool infinite = false;
    // xboard's analysis: a search until stopped, on no clock at all (the
    // GUI's clock and depth cap are for games) and accounting no time;
    // think_turn chooses nothing and returns false.
    bool analysis = false;
    // UCI's "go ponder": a search until stopped, as under infinite, whose
    // clock is not known yet; start_pondered_clock (the GUI's ponderhit,
    // once the time manager has heard the go's clock) limits it from then
    // on, the time since the turn began counted.  The move is chosen as usual.
    bool clock_at_ponderhit = false;
    // Pondering: the engine thinks on the opponent's time, on the position
    // after the reply it expects (already played into the game), in the
    // settings' clock mode but with no budget and no clock until
    // start_pondered_clock.  think_turn then chooses nothing; the turn ends
    // with pondered_turn_answer or pondered_turn_missed.
    bool ponder = false;
};
// Thinks for side_to_move in game_position with the budget of the level
// settings (or to the fixed depth) and chooses one of the best root moves
// into chosen, playing nothing; the turn's time is accounted.  side_to_move
// is left at the engine's colour.  false when the engine has no move (mated,
// stalemated, or a drawn position).
bool think_turn(move& chosen, const turn_options& options = {});
// The expected move has come (called from the search's poll, or after the
// pondered search has ended): the turn's clock starts now, exactly as
// think_turn would start it, and limits the search still in progress.  For
// a turn of clock_at_ponderhit: the plan's budget, from the turn's start,
// becomes the search's deadline (when the GUI gave a clock).
void start_pondered_clock();
// The pondered turn's move, chosen as think_turn chooses, its time
// accounted; false when the engine has no move.
bool pondered_turn_answer(move& chosen);
// The prediction failed: the ordering hints and the learning table go back
// to what they were before the pondered search, so that the next turn
// thinks exactly as without it.
void pondered_turn_missed();
// think_turn, then the chosen move played into the game with game_play.
bool engine_turn(move& played, const turn_options& options = {});

// A move to suggest to the user for side_to_move in game_position, from a
// short search that leaves the game, the learning table and whatever the
// next search reads exactly as they were; false when there is no move.  The
// search that plays gives it: the classic one looks 4 plies deep (at most
// 2,000,000 nodes), its traces put back afterwards; the strong one (chosen,
// or playing a level) at full strength 10 plies deep (at most 250,000
// nodes), with a searcher and a table of its own (a private look), so the
// game's table and histories are untouched.  node_cap (not
// 0) lowers the node bound, as a fuzzer's cap on every turn does.
bool hint_move(move& suggested, uint64_t node_cap = 0);
