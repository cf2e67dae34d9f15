// Moves as coordinate text ("e2e4", "e7e8q"), read and written.  Every
// protocol, the book-making pass and the tools use this one reader and this
// one writer.
#pragma once

#include "rules/rules.h"

// Whether word has the shape of coordinate text: letter, rank digit, letter,
// rank digit.  Capitalises the two file letters and the character after the
// fourth (the promotion piece, or the terminator of a four-letter word is
// left alone), as the log and the parser expect them.  1 or 0.
int is_move_text(char* word);
// The move of a word that passed is_move_text (capital file letters); its
// promotion is the piece named after the squares, or 0 for none.
move parse_move_text(const char* word);
// Whether m (from parse_move_text) names a move of list, generated in pos:
// the squares must match, and a pawn reaching the last rank must name its
// piece (any of the four, though the generator lists only queen and knight).
int is_listed_move(const position& pos, const move& m, const move_list& list);
// What a word in coordinates names in pos.
enum class move_reading { not_coordinates, not_legal, legal };
// Text to a legal move, the one reading of a move typed at the console or
// sent by a GUI, for every protocol and the game files: whether word has the
// shape of coordinate text (is_move_text, which puts its capitals into word)
// and names a legal move of pos.  With the shape right, m is the move
// parse_move_text reads and list holds pos's moves (generate_moves).
// Castling is read in both forms GUIs send: in a Chess960 position as the
// king taking its own rook, or as the king's step to its castled square
// where no other king move goes there; in standard chess as the king's two
// squares, or, when rook_target_castling is set, as the king onto its rook
// ("e1h1", which some GUIs send).  m is then the listed castling move.
move_reading read_text_move(const position& pos, char* word, move_list& list, move& m,
                            bool rook_target_castling = false);
// A pawn of either colour in pos moving to the first or last rank.
bool needs_promotion(const position& pos, const move& m);
// Lower-cases the capitals of word in place; returns it.
char* lower_case(char* word);
// A castling move's text as players write it: "O-O" towards the h-file,
// "O-O-O" towards the a-file.
inline const char* castling_word(const move& m) { return m.to_file > m.from_file ? "O-O" : "O-O-O"; }
// The coordinate text of a move ("e2e4", "e7e8q"; with capitals "E2E4",
// "E7E8Q") into out, at least 6 bytes.
void coordinate_text(const move& m, char* out, bool capitals = false);
