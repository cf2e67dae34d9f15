// Writing the game as PGN: the tags, the moves replayed from the record's
// start in SAN, and the result the rules give.
#include <cstring>
#include <ctime>

#include "game/game.h"
#include "game/pgn.h"
#include "rules/san.h"

namespace {

// The text being written, bounded by its buffer.
struct pgn_text {
    char* out;
    size_t length = 0;
    size_t line_start = 0;
    void add(const char* text) {
        const size_t n = std::strlen(text);
        if (length + n + 1 >= PGN_TEXT_SIZE) return;  // no game fills it; a full buffer drops the rest
        std::memcpy(out + length, text, n);
        length += n;
        out[length] = '\0';
    }
    // A movetext token: lines stay within 80 characters, as export format asks.
    void token(const char* text) {
        if (length > line_start) {
            if (length - line_start + 1 + std::strlen(text) > 79) {
                add("\n");
                line_start = length;
            } else {
                add(" ");
            }
        }
        add(text);
    }
    void tag(const char* name, const char* value) {
        add("[");
        add(name);
        add(" \"");
        add(value);
        add("\"]\n");
    }
};

// The decimal digits of a number (at least width of them, zeros in front) after text.
void append_number(char* text, long value, int width = 1) {
    char digits[24];
    int n = 0;
    if (value < 0) value = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 && n < 20);
    while (n < width) digits[n++] = '0';
    char* end = text + std::strlen(text);
    while (n > 0) *end++ = digits[--n];
    *end = '\0';
}

bool standard_start(const position& pos, int side) {
    static position start;
    set_start_position(start);
    return side == WHITE && std::memcmp(pos.board, start.board, 64) == 0 && pos.white_castle_right &&
           pos.white_castle_left && pos.black_castle_right && pos.black_castle_left &&
           pos.en_passant_file == NO_EN_PASSANT;
}

// The result the rules give the position now: mate, or a draw the game
// cannot go on from; "*" while it goes on.
const char* result_now(const position& pos, int side) {
    if (pos.repetition_draw || pos.fifty_move_draw) return "1/2-1/2";
    if (dead_position(pos)) return "1/2-1/2";
    static move_list legal;
    const int saved = side_to_move;
    side_to_move = side;
    generate_moves(pos, legal);
    const bool mated = legal.count == 0 && in_check(pos);
    side_to_move = saved;
    if (legal.count == 0) return mated ? (side == WHITE ? "0-1" : "1-0") : "1/2-1/2";
    return "*";
}

}  // namespace

size_t format_game_pgn(char* out, const char* engine_name) {
    pgn_text text{out};
    out[0] = '\0';
    int side = WHITE, halfmove = 0, number = 1;
    static position pos;
    copy_position(pos, game_record_start(side, halfmove, number));
    // A Chess960 game names its start, even the standard array's.
    const bool set_up = !standard_start(pos, side) || pos.chess960;

    // Who played: the engine's colours by its name.
    bool engine_played[3] = {false, false, false};
    for (int i = 0; i < game_plies(); ++i) {
        int s = WHITE;
        bool by_engine = false;
        game_recorded_move(i, s, by_engine);
        if (by_engine && (s == WHITE || s == BLACK)) engine_played[s] = true;
    }
    const int saved_side = side_to_move;
    // The moves, replayed: each one's SAN is written from the position before it.
    static char moves_text[PGN_TEXT_SIZE];
    pgn_text moves{moves_text};
    moves_text[0] = '\0';
    bool first = true, whole = true;
    for (int i = 0; i < game_plies(); ++i) {
        int s = WHITE;
        bool by_engine = false;
        const move& m = game_recorded_move(i, s, by_engine);
        if (s != side) {  // a hand-over without a move: the score cannot go on
            whole = false;
            break;
        }
        char token[SAN_TEXT_SIZE + 16];
        if (side == WHITE || first) {
            token[0] = '\0';
            append_number(token, number);
            std::strcat(token, side == WHITE ? "." : "...");
            moves.token(token);
        }
        write_san(pos, side, m, token);
        moves.token(token);
        side_to_move = side;
        make_move(pos, m);
        if (side == BLACK) ++number;
        side = other_colour(side);
        first = false;
    }
    side_to_move = saved_side;
    const char* result = whole ? result_now(pos, side) : "*";
    moves.token(result);

    char date[40] = "????.??.??";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr && local.tm_year >= -1900) {
        date[0] = '\0';
        append_number(date, local.tm_year + 1900L, 4);
        std::strcat(date, ".");
        append_number(date, local.tm_mon + 1L, 2);
        std::strcat(date, ".");
        append_number(date, local.tm_mday, 2);
    }
    text.tag("Event", "Casual game");
    text.tag("Site", "?");
    text.tag("Date", date);
    text.tag("Round", "-");
    text.tag("White", engine_played[WHITE] ? engine_name : "?");
    text.tag("Black", engine_played[BLACK] ? engine_name : "?");
    text.tag("Result", result);
    if (pos.chess960) text.tag("Variant", "Chess960");
    if (set_up) {
        int start_side = WHITE, start_halfmove = 0, start_number = 1;
        const position& start = game_record_start(start_side, start_halfmove, start_number);
        char fen[FEN_TEXT_SIZE];
        write_fen(start, start_side, start_halfmove, start_number, fen);
        text.tag("SetUp", "1");
        text.tag("FEN", fen);
    }
    text.add("\n");
    text.add(moves_text);
    text.add("\n\n");
    return text.length;
}
