// The PGN reader: a byte at a time from a block buffer, with one byte of
// look-ahead, so that memory stays the same whatever the input holds.
#include "game/pgn.h"

#include <cstring>

namespace {

inline bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0; }
inline bool is_digit(int c) { return c >= '0' && c <= '9'; }

// Characters that end a movetext word and stand on their own.
inline bool ends_word(int c) {
    return c == EOF || is_blank(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == ';' || c == '[' ||
           c == ']' || c == '$';
}

// Copies text into a buffer of size bytes, cut to fit.
void copy_cut(char* to, int size, const char* text) {
    int i = 0;
    for (; i < size - 1 && text[i] != '\0'; ++i) to[i] = text[i];
    to[i] = '\0';
}

bool is_result_token(const char* word) {
    return std::strcmp(word, "1-0") == 0 || std::strcmp(word, "0-1") == 0 || std::strcmp(word, "1/2-1/2") == 0 ||
           std::strcmp(word, "*") == 0;
}

void clear_game(pgn_game& game) {
    game.white[0] = game.black[0] = game.result[0] = game.setup[0] = game.fen[0] = '\0';
    game.has_result = game.has_setup = game.has_fen = false;
    game.tag_count = 0;
    game.word_count = 0;
    game.words_dropped = false;
    game.end = pgn_end::file_end;
    game.end_token[0] = '\0';
    game.first_line = 0;
}

}  // namespace

pgn_reader::pgn_reader(FILE* stream) : stream_(stream) {}

int pgn_reader::peek() {
    if (position_ == filled_) {
        if (input_ended_) return EOF;
        filled_ = static_cast<int>(std::fread(buffer_, 1, sizeof buffer_, stream_));
        position_ = 0;
        if (filled_ == 0) {
            input_ended_ = true;
            return EOF;
        }
        // A UTF-8 byte-order mark may open the file; it is no part of the text.
        if (!started_ && filled_ >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB && buffer_[2] == 0xBF) position_ = 3;
        started_ = true;
        if (position_ == filled_) return peek();
    }
    return buffer_[position_];
}

int pgn_reader::get() {
    const int c = peek();
    if (c == EOF) return EOF;
    ++position_;
    // CR, LF and CRLF each end one line.
    if (c == '\n') {
        if (!after_cr_) ++line_;
    } else if (c == '\r') {
        ++line_;
    }
    after_cr_ = c == '\r';
    at_line_start_ = c == '\n' || c == '\r';
    return c;
}

void pgn_reader::skip_line() {
    for (int c = get(); c != EOF && c != '\n' && c != '\r'; c = get()) {
    }
}

void pgn_reader::skip_comment() {
    // The opening brace has been read; braces do not nest.
    for (int c = get(); c != EOF && c != '}'; c = get()) {
    }
}

void pgn_reader::skip_variation() {
    // The opening parenthesis has been read.  Comments inside are skipped as
    // comments, so that a parenthesis in one does not count.  A '[' cannot
    // stand in a variation: one that was never closed ends at the next tags.
    int depth = 1;
    for (;;) {
        const int c = peek();
        if (c == EOF || c == '[') return;
        if (at_line_start_ && c == '%') {
            skip_line();
            continue;
        }
        get();
        if (c == '{') skip_comment();
        if (c == ';') skip_line();
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) return;
    }
}

void pgn_reader::read_word(char* word, int size, int& length) {
    length = 0;
    while (!ends_word(peek())) {
        const int c = get();
        if (length < size - 1) word[length] = static_cast<char>(c);
        ++length;
    }
    word[length < size - 1 ? length : size - 1] = '\0';
}

void pgn_reader::read_tag(pgn_game& game) {
    // The '[' has been read: a name, a quoted value, the closing ']'.  A tag
    // that breaks off at the end of its line is taken as far as it went.
    char name[16];
    int name_length = 0;
    while (peek() == ' ' || peek() == '\t') get();
    for (int c = peek(); c != EOF && !is_blank(c) && c != '"' && c != ']'; c = peek()) {
        get();
        if (name_length < static_cast<int>(sizeof name) - 1) name[name_length] = static_cast<char>(c);
        ++name_length;
    }
    name[name_length < static_cast<int>(sizeof name) - 1 ? name_length : sizeof name - 1] = '\0';
    if (name_length >= static_cast<int>(sizeof name)) name[0] = '\0';  // no tag this engine reads is so long
    while (peek() == ' ' || peek() == '\t') get();
    char value[PGN_TAG_VALUE_SIZE];
    int length = 0;
    const auto keep = [&](int c) {
        if (length < PGN_TAG_VALUE_SIZE - 1) value[length++] = static_cast<char>(c);
    };
    if (peek() == '"') {
        get();
        for (int c = peek(); c != EOF && c != '"' && c != '\n' && c != '\r'; c = peek()) {
            get();
            if (c == '\\' && (peek() == '"' || peek() == '\\')) c = get();
            keep(c);
        }
        if (peek() == '"') get();
    } else {
        // No quotes: the value runs to the ']'.
        for (int c = peek(); c != EOF && c != ']' && c != '\n' && c != '\r'; c = peek()) keep(get());
        while (length > 0 && (value[length - 1] == ' ' || value[length - 1] == '\t')) --length;
    }
    value[length] = '\0';
    for (int c = peek(); c != EOF && c != ']' && c != '\n' && c != '\r'; c = peek()) get();
    if (peek() == ']') get();
    ++game.tag_count;
    if (std::strcmp(name, "White") == 0) copy_cut(game.white, PGN_TAG_VALUE_SIZE, value);
    if (std::strcmp(name, "Black") == 0) copy_cut(game.black, PGN_TAG_VALUE_SIZE, value);
    if (std::strcmp(name, "Result") == 0) {
        copy_cut(game.result, PGN_TAG_VALUE_SIZE, value);
        game.has_result = true;
    }
    if (std::strcmp(name, "SetUp") == 0) {
        copy_cut(game.setup, PGN_TAG_VALUE_SIZE, value);
        game.has_setup = true;
    }
    if (std::strcmp(name, "FEN") == 0) {
        copy_cut(game.fen, PGN_TAG_VALUE_SIZE, value);
        game.has_fen = true;
    }
}

bool pgn_reader::next_game(pgn_game& game) {
    clear_game(game);
    bool started = false;      // the game has shown a tag, a move word or a result
    bool in_movetext = false;  // ... and its movetext has begun: the next '[' is the next game
    const auto start = [&] {
        if (!started) game.first_line = line_;
        started = true;
    };
    for (;;) {
        const int c = peek();
        if (c == EOF) {
            game.end = pgn_end::file_end;
            return started;
        }
        if (at_line_start_ && c == '%') {
            skip_line();  // an escaped line: for other programs
            continue;
        }
        if (is_blank(c) || c == ')' || c == ']' || c == '}') {
            get();  // stray closing marks are dropped
            continue;
        }
        if (c == '{') {
            get();
            skip_comment();
            continue;
        }
        if (c == ';') {
            skip_line();
            continue;
        }
        if (c == '[') {
            if (in_movetext) {
                game.end = pgn_end::next_tags;
                return true;
            }
            start();
            get();
            read_tag(game);
            continue;
        }
        start();
        in_movetext = true;
        if (c == '(') {
            get();
            skip_variation();
            continue;
        }
        if (c == '$') {
            get();  // a numeric annotation glyph
            while (is_digit(peek())) get();
            continue;
        }
        char word[64];
        int length = 0;
        read_word(word, sizeof word, length);
        if (length < static_cast<int>(sizeof word) && is_result_token(word)) {
            copy_cut(game.end_token, sizeof game.end_token, word);
            game.end = pgn_end::result;
            return true;
        }
        const char* text = word;
        // A move number with its dots ("12.", "12...", "12.Nf3"); castling
        // written with zeros is a move, not a number.
        if (is_digit(text[0]) && std::strncmp(text, "0-0", 3) != 0) {
            const char* p = text;
            while (is_digit(*p)) ++p;
            if (*p == '.' || *p == '\0') {
                while (*p == '.') ++p;
                text = p;
            }
        }
        // Dots alone ("1. ... e5") and the en-passant mark written apart.
        if (text[0] == '.' && text[std::strspn(text, ".")] == '\0') continue;
        if (text[0] == '\0' || std::strcmp(text, "e.p.") == 0) continue;
        if (game.word_count == PGN_MAX_WORDS) {
            game.words_dropped = true;
            continue;
        }
        pgn_word& kept = game.words[game.word_count++];
        copy_cut(kept.text, PGN_WORD_SIZE, text);
        kept.cut = length >= static_cast<int>(sizeof word) || std::strlen(text) >= PGN_WORD_SIZE;
    }
}
