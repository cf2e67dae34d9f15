// Standard input, read while the engine thinks.
//
// One reader thread reads the descriptor as bytes arrive and appends them to
// a queue; the interpreter reads the same bytes, in the same order, through
// an ordinary FILE (so every command reads its arguments exactly as from a
// file).  While a search runs, a front end may look at the complete lines
// that have arrived and take out the few that must act at once (a GUI's
// "move now", "stop", "isready"); everything else waits its turn.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

class input_queue {
public:
    static constexpr size_t TAKE_LINE_VIEW = 1024;
    // Appends bytes (the reader thread).
    void push(const char* data, size_t size);
    // No more bytes will come (end of input or a read error).
    void close();
    // Waits for at least one byte or the end; returns the number of bytes
    // copied (at most size), 0 at the end.
    size_t read(char* out, size_t size);
    // Looks at the complete lines that have arrived and not yet been read,
    // from the first that begins at a line boundary.  The first line for
    // which wanted(line, context) is true (the text without its line end,
    // cut at TAKE_LINE_VIEW - 1 bytes) is removed from the queue and copied
    // to out (cut at out_size - 1 bytes); true then.  Never waits, never
    // allocates.
    bool take_line(bool (*wanted)(const char* line, void* context), void* context, char* out, size_t out_size);
    // Every byte that has arrived has been read (blanks aside), and more may
    // come: the other side has yet to say anything.
    bool waiting() const;
    // As waiting(), but complete lines for which passes(line, context) is
    // true count as blanks: lines that whatever comes next takes anyway.
    // Never allocates.
    bool waiting_but_for(bool (*passes)(const char* line, void* context), void* context) const;
    // No more bytes will come.
    bool ended() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::string bytes_;          // bytes not yet read, from head_ on
    size_t head_ = 0;
    bool closed_ = false;
    bool at_line_start_ = true;  // the last byte handed to the reader ended a line (or none was)

    // The whole line bytes_[start, end) (end at its '\n') as text in line,
    // without its '\r', cut at TAKE_LINE_VIEW - 1 bytes; its full length in
    // length.  False for a line with an embedded NUL, which would hide its rest.
    bool view_line(size_t start, size_t end, char (&line)[TAKE_LINE_VIEW], size_t& length) const;
};

// Starts the reader thread on descriptor fd and returns an unbuffered stream
// that delivers its bytes.  The queue and the thread live until the process
// ends; queue, when not null, receives the queue for take_line.
FILE* open_threaded_input(int fd, input_queue** queue);

// A stream over a queue that the caller fills (for tests).
FILE* open_queue_stream(input_queue& queue);
