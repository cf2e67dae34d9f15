// The learning book: key numbers, the table of best-move hints, the count of
// finished games, and the file book.dat that keeps them from run to run.
#include "book/book.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "book/random.h"
#include "eval/eval.h"
#include "io/files.h"
#include "settings/settings.h"

uint32_t zobrist_keys[BOOK_KEY_COUNT];
book_entry book_table[BOOK_SLOTS];
int32_t game_count = 0;

namespace {
constexpr const char* BOOK_FILE = "book.dat";
constexpr const char* BOOK_TEMP_FILE = "book.dat.tmp";
constexpr const char* BOOK_DAMAGED_FILE = "book.dat.bad";
constexpr size_t BOOK_HEADER_BYTES = 8 + 4 * BOOK_KEY_COUNT;  // version, game_count, keys
constexpr size_t BOOK_ENTRY_BYTES = 16;
static_assert(BOOK_HEADER_BYTES + BOOK_ENTRY_BYTES * BOOK_SLOTS == BOOK_FILE_SIZE);
static_assert(BOOK_WRITE_BUFFER_SIZE >= BOOK_HEADER_BYTES && BOOK_WRITE_BUFFER_SIZE % BOOK_ENTRY_BYTES == 0);

// Little-endian, whatever the machine: the file is the same everywhere.
inline void put32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}
inline uint32_t get32(const uint8_t* in) {
    return in[0] | static_cast<uint32_t>(in[1]) << 8 | static_cast<uint32_t>(in[2]) << 16 |
           static_cast<uint32_t>(in[3]) << 24;
}

void encode_entry(const book_entry& entry, uint8_t* out) {
    const move& m = entry.best_move;
    out[0] = static_cast<uint8_t>(m.from_file);
    out[1] = static_cast<uint8_t>(m.from_rank);
    out[2] = static_cast<uint8_t>(m.to_file);
    out[3] = static_cast<uint8_t>(m.to_rank);
    out[4] = m.promotion;
    out[5] = m.capture_value;
    out[6] = m.spare[0];
    out[7] = m.spare[1];
    put32(out + 8, static_cast<uint32_t>(m.score));
    out[12] = static_cast<uint8_t>(entry.depth);
    out[13] = static_cast<uint8_t>(entry.depth >> 8);
    out[14] = static_cast<uint8_t>(entry.side);
    out[15] = entry.reserved;
}

void decode_entry(const uint8_t* in, book_entry& entry) {
    move& m = entry.best_move;
    m.from_file = static_cast<int8_t>(in[0]);
    m.from_rank = static_cast<int8_t>(in[1]);
    m.to_file = static_cast<int8_t>(in[2]);
    m.to_rank = static_cast<int8_t>(in[3]);
    m.promotion = in[4];
    m.capture_value = in[5];
    m.spare[0] = in[6];
    m.spare[1] = in[7];
    m.score = static_cast<int32_t>(get32(in + 8));
    entry.depth = static_cast<uint16_t>(in[12] | in[13] << 8);
    entry.side = static_cast<int8_t>(in[14]);
    entry.reserved = in[15];
}

// Writes all of data, carrying on after short writes and interruptions.
bool write_all(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Reads the table part of a version-2 file; false if the file ends early.
bool read_book_body(FILE* file, int32_t& count) {
    static uint8_t chunk[BOOK_WRITE_BUFFER_SIZE];
    if (std::fread(chunk, 1, BOOK_HEADER_BYTES - 4, file) != BOOK_HEADER_BYTES - 4) return false;
    count = static_cast<int32_t>(get32(chunk));
    for (int i = 0; i < BOOK_KEY_COUNT; ++i) zobrist_keys[i] = get32(chunk + 4 + 4 * i);
    constexpr int entries_per_chunk = static_cast<int>(sizeof chunk / BOOK_ENTRY_BYTES);
    for (int first = 0; first < BOOK_SLOTS; first += entries_per_chunk) {
        if (std::fread(chunk, 1, sizeof chunk, file) != sizeof chunk) return false;
        for (int i = 0; i < entries_per_chunk; ++i) decode_entry(chunk + BOOK_ENTRY_BYTES * i, book_table[first + i]);
    }
    return true;
}
}  // namespace

namespace {

// The key number of the board byte piece on square, or 0 for an empty
// square.  A hand-made board may hold bytes that are no piece; they count
// as empty rather than being read beside the table.
inline uint32_t piece_key(uint8_t piece, int square) {
    if (piece == 0) return 0;
    const int colour = piece_colour(piece), type = piece_type(piece);
    if (colour < WHITE || colour > BLACK || type < PAWN || type > KING) return 0;
    return zobrist_keys[(6 * (colour - 1) + (type - 1)) * 64 + square];
}

}  // namespace

uint32_t position_key(const position& pos) {
    uint32_t key = 0;
    for (int square = 0; square < 64; ++square) key ^= piece_key(pos.board[square], square);
    return key;
}

uint32_t position_key_after(uint32_t key, const uint8_t* before, const uint8_t* after, uint64_t changed) {
    for (; changed != 0; changed &= changed - 1) {
        const int square = __builtin_ctzll(changed);
        key ^= piece_key(before[square], square) ^ piece_key(after[square], square);
    }
    return key;
}

void clear_book_table() {
    for (book_entry& entry : book_table) {
        std::memset(&entry, 0, sizeof entry);
        entry.best_move.from_file = -1;
    }
}

void make_fresh_book() {
    for (uint32_t& key : zobrist_keys) {
        const uint32_t high = static_cast<uint32_t>(random_next());
        const uint32_t low = static_cast<uint32_t>(random_next());
        key = high * 65536 + low;
    }
    clear_book_table();
}

void load_book() {
    FILE* file = nullptr;
    if (book_enabled) {
        const char* why = nullptr;
        file = open_regular_file(BOOK_FILE, why);
        // A missing book is a first run; a book that is there and cannot be
        // read (a directory, a pipe, no permission) is worth a word.
        if (file == nullptr && errno != ENOENT)
            std::fprintf(stderr, "orvane: cannot read %s (%s); starting a fresh book\n", BOOK_FILE, why);
    }
    if (file != nullptr) {
        uint8_t version[4];
        const bool has_version = std::fread(version, 1, 4, file) == 4;
        if (has_version && static_cast<int32_t>(get32(version)) == BOOK_VERSION) {
            int32_t count = 0;
            const bool whole = read_book_body(file, count);
            std::fclose(file);
            if (whole) {
                game_count = count;
                return;
            }
            // A cut-off book would give half-read keys and entries; keep the
            // file for whoever wants to look at it, and start afresh.
            if (std::rename(BOOK_FILE, BOOK_DAMAGED_FILE) == 0)
                std::fprintf(stderr, "orvane: %s is shorter than a book; moved it to %s, starting a fresh book\n",
                             BOOK_FILE, BOOK_DAMAGED_FILE);
            else
                std::fprintf(stderr, "orvane: %s is shorter than a book (%s could not be made: %s); starting a fresh book\n",
                             BOOK_FILE, BOOK_DAMAGED_FILE, std::strerror(errno));
        } else {
            std::fclose(file);
        }
    }
    make_fresh_book();
}

const char* read_book_file(const char* name) {
    const char* why = nullptr;
    FILE* file = open_regular_file(name, why);
    if (file == nullptr) return why;
    uint8_t version[4];
    int32_t count = 0;
    if (std::fread(version, 1, 4, file) != 4)
        why = "it is shorter than a book";
    else if (static_cast<int32_t>(get32(version)) != BOOK_VERSION)
        why = "it is no book of this version";
    else if (!read_book_body(file, count))
        why = "it is shorter than a book";
    std::fclose(file);
    if (why == nullptr) game_count = count;
    return why;
}

bool write_book_file(const char* temp_name, const char* final_name, uint8_t* buffer) {
    const int fd = ::open(temp_name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return false;
    put32(buffer, static_cast<uint32_t>(BOOK_VERSION));
    put32(buffer + 4, static_cast<uint32_t>(game_count));
    for (int i = 0; i < BOOK_KEY_COUNT; ++i) put32(buffer + 8 + 4 * i, zobrist_keys[i]);
    bool ok = write_all(fd, buffer, BOOK_HEADER_BYTES);
    constexpr int entries_per_chunk = static_cast<int>(BOOK_WRITE_BUFFER_SIZE / BOOK_ENTRY_BYTES);
    for (int first = 0; ok && first < BOOK_SLOTS; first += entries_per_chunk) {
        for (int i = 0; i < entries_per_chunk; ++i) encode_entry(book_table[first + i], buffer + BOOK_ENTRY_BYTES * i);
        ok = write_all(fd, buffer, BOOK_WRITE_BUFFER_SIZE);
    }
    // On the disk before the rename, and the rename itself on the disk
    // after it: a machine that stops at any moment leaves the old book or
    // the new one, never a file that was named but not yet written.
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp_name, final_name) == 0) {
        sync_folder_of(final_name);
        return true;
    }
    const int saved = errno;
    ::unlink(temp_name);
    errno = saved;
    return false;
}

void save_book() {
    static uint8_t buffer[BOOK_WRITE_BUFFER_SIZE];
    if (!book_saving_enabled) return;
    if (!write_book_file(BOOK_TEMP_FILE, BOOK_FILE, buffer))
        std::fprintf(stderr, "orvane: could not write %s (%s); the old file is kept\n", BOOK_FILE,
                     std::strerror(errno));
}

void store_book_move(const position& pos, move m) {
    m.score = MATE_SCORE;
    book_entry& entry = book_table[position_key(pos) & 0xFFFF];
    // A book-made entry replaces everything a search can store, and every
    // earlier book-made entry of its slot.
    if (entry.depth > BOOK_MADE_DEPTH) return;
    entry.best_move = m;
    entry.depth = BOOK_MADE_DEPTH;
    entry.side = static_cast<int8_t>(side_to_move);
    entry.reserved = 0;
}

int book_fill_permille() {
    int used = 0;
    for (int i = 0; i < 1000; ++i) used += book_table[i].depth > 0 && book_table[i].best_move.from_file >= 0;
    return used;
}
