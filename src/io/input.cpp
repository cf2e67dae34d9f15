// Reading words and numbers from the input stream, the way "%s" and "%d"
// would, but bounded: a word never overflows its buffer and a number never
// overflows its integer, whatever the stream holds.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "io/io.h"

FILE* input_stream = stdin;

namespace {
// White space as the C locale's isspace sees it; bytes above 127 are never space.
inline bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool is_digit(int c) { return c >= '0' && c <= '9'; }

// Skips white space; returns the first other character (or EOF), consumed.
int skip_space(FILE* stream) {
    int c;
    do c = std::getc(stream);
    while (c != EOF && is_space(c));
    return c;
}
}  // namespace

bool read_word(FILE* stream, char* buffer) {
    int c = skip_space(stream);
    if (c == EOF) return false;
    int length = 0;
    while (c != EOF && !is_space(c)) {
        // Characters beyond the buffer are read and dropped, so the rest of an
        // over-long word does not come back as a word of its own.
        if (length < WORD_BUFFER_SIZE - 1) buffer[length++] = static_cast<char>(c);
        c = std::getc(stream);
    }
    buffer[length] = '\0';
    // The blank that ended the word stays in the stream, as with "%s".
    if (c != EOF) std::ungetc(c, stream);
    return true;
}

bool read_int(FILE* stream, int32_t& value) {
    int c = skip_space(stream);
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::getc(stream);
    }
    if (!is_digit(c)) {
        // Only one character can be pushed back: a sign before a non-digit is
        // lost, which is what "%d" does too.
        if (c != EOF) std::ungetc(c, stream);
        return false;
    }
    // The magnitude stops growing just past the 32-bit range; the digits that
    // follow are still consumed, so the whole number is one argument.
    int64_t magnitude = 0;
    while (is_digit(c)) {
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (c - '0');
        c = std::getc(stream);
    }
    if (c != EOF) std::ungetc(c, stream);
    int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX) result = INT32_MAX;
    if (result < INT32_MIN) result = INT32_MIN;
    value = static_cast<int32_t>(result);
    return true;
}

bool read_text(FILE* stream, const char* text) {
    for (; *text != '\0'; ++text) {
        if (is_space(static_cast<unsigned char>(*text))) {
            // A blank in the expected text stands for any amount of white
            // space, none included, as in a scanf format.
            const int c = skip_space(stream);
            if (c != EOF) std::ungetc(c, stream);
            continue;
        }
        const int c = std::getc(stream);
        if (c != static_cast<unsigned char>(*text)) {
            if (c != EOF) std::ungetc(c, stream);
            return false;
        }
    }
    return true;
}

bool parse_int(const char*& text, int32_t& value) {
    const char* p = text;
    while (is_space(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!is_digit(static_cast<unsigned char>(*p))) return false;
    int64_t magnitude = 0;
    while (is_digit(static_cast<unsigned char>(*p))) {
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*p - '0');
        ++p;
    }
    int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX) result = INT32_MAX;
    if (result < INT32_MIN) result = INT32_MIN;
    value = static_cast<int32_t>(result);
    text = p;
    return true;
}

bool read_rest_of_line(FILE* stream, char* buffer, size_t size) {
    int c = std::getc(stream);
    while (c == ' ' || c == '\t') c = std::getc(stream);
    size_t length = 0;
    bool any = false;
    while (c != EOF && c != '\n') {
        any = true;
        // The rest of an over-long line is read and dropped.
        if (c != '\r' && size > 0 && length < size - 1) buffer[length++] = static_cast<char>(c);
        c = std::getc(stream);
    }
    if (size > 0) buffer[length] = '\0';
    return any || c == '\n';
}

bool read_fraction_ms(FILE* stream, int64_t whole, int64_t& ms) {
    // Whole units have been read; a fraction may follow directly (".5", ".25").
    int64_t fraction_ms = 0;
    int c = std::getc(stream);
    if (c == '.') {
        int64_t scale = 100;
        for (c = std::getc(stream); is_digit(c); c = std::getc(stream)) {
            fraction_ms += (c - '0') * scale;
            scale /= 10;
        }
    }
    if (c != EOF) std::ungetc(c, stream);
    if (whole > INT64_MAX / 2000) whole = INT64_MAX / 2000;
    if (whole < -INT64_MAX / 2000) whole = -INT64_MAX / 2000;
    ms = whole * 1000 + (whole < 0 ? -fraction_ms : fraction_ms);
    return true;
}

bool read_seconds_ms(FILE* stream, int64_t& ms) {
    int32_t whole = 0;
    const int c = skip_space(stream);
    if (c == '.') {
        // A fraction without whole seconds (".5").
        std::ungetc(c, stream);
        return read_fraction_ms(stream, 0, ms);
    }
    if (c != EOF) std::ungetc(c, stream);
    if (!read_int(stream, whole)) return false;
    return read_fraction_ms(stream, whole, ms);
}
