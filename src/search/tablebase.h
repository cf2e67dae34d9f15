// Syzygy endgame tables, read through the Fathom library: the one module
// that talks to it.  The strong search asks two things of the tables: the
// result of a position met in the tree (WDL, right after a capture or a pawn
// move, which is all Fathom answers there), and once per search, at the root,
// which moves keep the best result the tables know (DTZ, or WDL where the
// DTZ tables are missing).  The settings live here too, set from the option
// table between searches.
#pragma once

#include <cstdint>
#include <string>

#include "rules/rules.h"

// Scores of positions the tables judge, in the strong search's centipawns:
// a win is TB_WIN_SCORE less the plies from the root to the position judged,
// above any evaluation and below every mate; a loss is its negative.
inline constexpr int TB_WIN_SCORE = 20000;
inline constexpr int TB_WIN_BOUND = TB_WIN_SCORE - 200;  // scores beyond are wins the tables proved

// The tables' five results, from the side to move's point of view.  A cursed
// win is a win the fifty-move rule turns into a draw; a blessed loss the same
// for the loser.
enum class tb_wdl : int { loss = -2, blessed_loss = -1, draw = 0, cursed_win = 1, win = 2 };

// Loads the tables under path (folders separated by ':'; "" or "<empty>":
// none), dropping those loaded before.  Returns the men of the largest table
// found (0: none).  Never while a search runs.
int tb_load(const std::string& path);
const std::string& tb_path();
// No tables, and every setting at its default (as at start-up).
void tb_reset();
// The men of the largest table loaded (0: none).
int tb_largest();

// The settings GUIs know as SyzygyProbeDepth (the least depth a node below
// the root must have to be probed when it has as many men as the largest
// tables), Syzygy50MoveRule (cursed wins and blessed losses count as draws)
// and SyzygyProbeLimit (positions with more men are never probed).
int tb_probe_depth();
void set_tb_probe_depth(int depth);
bool tb_rule50();
void set_tb_rule50(bool on);
int tb_probe_limit();
void set_tb_probe_limit(int men);
// The most men a position may have to be probed: the lower of the largest
// table and the probe limit (0: no probing at all).
int tb_probe_men();

// The men on pos's board.
int tb_men(const position& pos);

// The tables' result for pos with side to move, which must have no castling
// right and have just had a capture or a pawn move (the fifty-move count
// at 0): false when they cannot say.  Safe from every search thread (the
// probes take turns).
bool tb_probe_wdl(const position& pos, int side, tb_wdl& result);

// At the root, once per search: the tables rank every legal move of pos for
// side (with halfmove_clock half-moves since the last capture or pawn move,
// and repeated when a position has stood twice since then), and keep[i] is
// set for each of the count moves that keeps the best rank.  result is that
// best result, with cursed wins and blessed losses already counted as draws
// when the fifty-move rule is on; used_dtz says whether the DTZ tables
// ranked the moves (else the WDL tables did: a result without a way to make
// progress).  False, keep untouched, when the tables cannot rank the root.
bool tb_rank_root(const position& pos, int side, int halfmove_clock, bool repeated, const move* moves, int count,
                  bool* keep, tb_wdl& result, bool& used_dtz);
