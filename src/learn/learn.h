// Learning from games: the "bookmake" pass over a game file (move words up
// to "quit", with "whitewillwin" or "blackwillwin" naming the side whose
// moves are learnt) or over a PGN file (every decisive game).  The winner's
// moves are stored in the book before they are made; the book is saved at
// the end of the pass.
#pragma once

#include <cstdio>

#include "rules/rules.h"

// Called once the pass has started its new game, so that the front end can
// show the board a person expects (nullptr: nothing is shown).
using new_game_shown = void (*)();

// The "bookmake" pass over file_name.  word_buffer holds "quit" afterwards,
// so that the name is not taken for a command or a move by the tests that
// follow; the game position is where the pass left it.
void learn_game_file(const char* file_name, new_game_shown show = nullptr);
// One move of a game being learnt (user_move's form: promotion 0 for none):
// the winner's moves are stored in the book before they are made; then it
// is played and the side flips.
void learn_move(const move& m, int winner);
// Whether an open file holds PGN: after a byte-order mark and white space
// it begins with '[', a '%' line or a move number.  The file is rewound.
bool looks_like_pgn(FILE* file);
// Learns every game of a PGN file into the book (the caller saves it); name
// is for the messages.  The position is then that of the end of the last
// game learnt (a new game when none was).
void learn_pgn_games(FILE* file, const char* name, new_game_shown show = nullptr);
