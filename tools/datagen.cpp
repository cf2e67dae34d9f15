// datagen: the strong search plays itself at a fixed node count per move,
// from openings made of a few random moves, and writes the quiet positions
// of each game with the game's result: the data the evaluation is tuned on.
//
// Output, one position a line: "FEN;RESULT" with RESULT 1, 0.5 or 0 for
// white; with --scores "FEN;RESULT;SCORE", the search's score of the
// position in centipawns for white (for the tuner's --blend).
// Deterministic for a seed (one thread, an empty table and book every game,
// no clock).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "book/book.h"
#include "game/game.h"
#include "rules/position_key.h"
#include "search/request.h"
#include "search/strong_search.h"
#include "tools/tool.h"

namespace {

struct datagen_options {
    long games = 100;
    uint64_t nodes = 5000;
    uint64_t seed = 1;
    int random_plies = 8;
    bool scores = false;
    const char* out = nullptr;
};

uint64_t next_random(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The board, side and castling rights as a FEN; the en-passant field is
// left "-" (the evaluation does not read it) and the clocks 0 1.
std::string fen_of(const position& pos, int side) {
    static const char LETTERS[] = " prnbqk";
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const uint8_t piece = pos.board[square_index(file, rank)];
            if (piece == 0) {
                ++empty;
                continue;
            }
            if (empty != 0) text += static_cast<char>('0' + empty);
            empty = 0;
            char letter = LETTERS[piece_type(piece)];
            if (piece_colour(piece) == WHITE) letter = static_cast<char>(letter - 'a' + 'A');
            text += letter;
        }
        if (empty != 0) text += static_cast<char>('0' + empty);
        if (rank > 0) text += '/';
    }
    text += side == WHITE ? " w " : " b ";
    std::string rights;
    if (pos.white_castle_right) rights += 'K';
    if (pos.white_castle_left) rights += 'Q';
    if (pos.black_castle_right) rights += 'k';
    if (pos.black_castle_left) rights += 'q';
    text += rights.empty() ? "-" : rights;
    text += " - 0 1";
    return text;
}

bool is_capture(const position& pos, const move& m) {
    if (pos.board[square_index(m.to_file, m.to_rank)] != 0) return true;
    const uint8_t piece = pos.board[square_index(m.from_file, m.from_rank)];
    return piece_type(piece) == PAWN && m.from_file != m.to_file;
}

struct played_game {
    std::vector<std::string> quiet;  // FENs kept
    std::vector<int> white_scores;   // the search's score of each, centipawns for white
    double result = 0.5;             // for white
    bool discarded = false;          // the opening came out unbalanced
};

played_game play_one(uint64_t& rng, const datagen_options& options) {
    played_game game;
    static position pos;
    set_start_position(pos);
    int side = WHITE;
    move_list list;
    std::vector<uint64_t> keys;  // since the last capture or pawn move
    int halfmove = 0;
    clear_book_table();
    strong_clear_table();

    auto play = [&](const move& m) {
        const bool resets = is_capture(pos, m) || piece_type(pos.board[square_index(m.from_file, m.from_rank)]) == PAWN;
        keys.push_back(position_key(pos, side));
        side_to_move = side;
        const int kind = make_move(pos, m);
        record_position(pos, kind);
        side = other_colour(side);
        halfmove = resets ? 0 : halfmove + 1;
        if (resets) keys.clear();
    };

    for (int ply = 0; ply < options.random_plies; ++ply) {
        side_to_move = side;
        generate_moves(pos, list);
        if (list.count == 0) {
            game.discarded = true;
            return game;
        }
        play(list.moves[next_random(rng) % list.count]);
    }

    int winning_run = 0, drawn_run = 0, last_sign = 0;
    for (int ply = 0; ply < 400; ++ply) {
        side_to_move = side;
        generate_moves(pos, list);
        if (list.count == 0) {
            side_to_move = side;
            game.result = in_check(pos) ? (side == WHITE ? 0.0 : 1.0) : 0.5;
            return game;
        }
        if (pos.fifty_move_draw || pos.repetition_draw || halfmove >= 100 ||
            (insufficient_material(pos, WHITE) && insufficient_material(pos, BLACK))) {
            game.result = 0.5;
            return game;
        }
        search_request request = strong_nodes_request(pos, side, options.nodes);
        request.earlier_keys = keys.data();
        request.earlier_count = static_cast<int>(keys.size());
        request.halfmove_clock = halfmove;
        const search_result result = run_search(request);
        if (result.best_count == 0) {
            game.discarded = true;
            return game;
        }
        const move best = result.best_moves[0];
        const int cp = tool_centipawns(result.score);
        if (ply == 0 && (cp > 120 || cp < -120)) {
            game.discarded = true;
            return game;
        }
        // Keep the position if it is quiet and the move found is quiet too.
        if (!is_capture(pos, best) && best.promotion == NO_PROMOTION && cp < 2000 && cp > -2000 &&
            strong_root_is_quiet(pos, side)) {
            game.quiet.push_back(fen_of(pos, side));
            game.white_scores.push_back(side == WHITE ? cp : -cp);
        }
        // Adjudication: a score both sides agree is decisive for long enough,
        // or a long quiet level endgame.
        const int white_cp = side == WHITE ? cp : -cp;
        const int sign = white_cp >= 1000 ? 1 : white_cp <= -1000 ? -1 : 0;
        winning_run = sign != 0 && sign == last_sign ? winning_run + 1 : (sign != 0 ? 1 : 0);
        last_sign = sign;
        if (winning_run >= 6) {
            game.result = sign > 0 ? 1.0 : 0.0;
            return game;
        }
        drawn_run = ply >= 80 && white_cp < 15 && white_cp > -15 ? drawn_run + 1 : 0;
        if (drawn_run >= 12) {
            game.result = 0.5;
            return game;
        }
        play(best);
    }
    game.result = 0.5;
    return game;
}

}  // namespace

int tool_datagen(int argc, char** argv) {
    datagen_options options;
    for (int i = 0; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (std::strcmp(argv[i], "--games") == 0 && has_value) {
            options.games = std::atol(argv[++i]);
        } else if (std::strcmp(argv[i], "--nodes") == 0 && has_value) {
            options.nodes = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seed") == 0 && has_value) {
            options.seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--random-plies") == 0 && has_value) {
            options.random_plies = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--scores") == 0) {
            options.scores = true;
        } else if (std::strcmp(argv[i], "--out") == 0 && has_value) {
            options.out = argv[++i];
        } else {
            std::fprintf(stderr, "datagen: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (options.games < 1 || options.nodes < 100 || options.random_plies < 0 || options.random_plies > 40) {
        std::fprintf(stderr, "datagen: --games 1 or more, --nodes 100 or more, --random-plies 0 to 40\n");
        return 2;
    }
    std::FILE* out = options.out != nullptr ? std::fopen(options.out, "a") : stdout;
    if (out == nullptr) {
        std::fprintf(stderr, "datagen: cannot open %s\n", options.out);
        return 1;
    }
    reset_engine_state();
    set_strong_hash_mb(DEFAULT_HASH_MB);
    strong_prepare_table();
    uint64_t rng = options.seed;
    long written = 0, played = 0, score[3] = {0, 0, 0};
    for (long g = 0; g < options.games; ++g) {
        const played_game game = play_one(rng, options);
        if (game.discarded) continue;
        ++played;
        ++score[game.result > 0.75 ? 0 : game.result < 0.25 ? 2 : 1];
        const char* result = tool_result_text(game.result);
        for (size_t q = 0; q < game.quiet.size(); ++q) {
            if (options.scores)
                std::fprintf(out, "%s;%s;%d\n", game.quiet[q].c_str(), result, game.white_scores[q]);
            else
                std::fprintf(out, "%s;%s\n", game.quiet[q].c_str(), result);
        }
        written += static_cast<long>(game.quiet.size());
        std::fflush(out);
        if ((g + 1) % 100 == 0)
            std::fprintf(stderr, "datagen: %ld games (+%ld =%ld -%ld), %ld positions\n", played, score[0], score[1],
                         score[2], written);
    }
    if (out != stdout) std::fclose(out);
    std::fprintf(stderr, "datagen: %ld games (+%ld =%ld -%ld), %ld positions\n", played, score[0], score[1], score[2],
                 written);
    return 0;
}
