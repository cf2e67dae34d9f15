// Standard input through the reader's queue: bytes arrive in pieces from
// another thread and reach the interpreter's reads whole and in order; lines
// taken out for acting at once are only whole lines the interpreter has not
// begun to read.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "cecp/cecp.h"
#include "io/io.h"
#include "learn/learn.h"
#include "protocol/session.h"
#include "protocol/turn.h"
#include "io/input_queue.h"

namespace {

bool is_move_now(const char* line, void*) { return std::strcmp(line, "?") == 0; }

std::vector<std::string> words_until_end(FILE* stream) {
    std::vector<std::string> words;
    char word[WORD_BUFFER_SIZE];
    while (read_word(stream, word)) words.push_back(word);
    return words;
}

}  // namespace

TEST(InputQueue, PiecesFromAnotherThreadArriveWholeAndInOrder) {
    input_queue queue;
    FILE* stream = open_queue_stream(queue);
    ASSERT_NE(stream, nullptr);
    // A command and its arguments split at awkward places, as a pipe may deliver them.
    const std::vector<std::string> pieces = {"lev", "el 40 0:", "30 0\nde", "pth", " 6\r\ne2e4", "\n"};
    std::thread writer([&] {
        for (const std::string& piece : pieces) {
            queue.push(piece.data(), piece.size());
            ::usleep(2000);
        }
        queue.close();
    });
    char word[WORD_BUFFER_SIZE];
    int32_t number = 0;
    ASSERT_TRUE(read_word(stream, word));
    EXPECT_STREQ(word, "level");
    ASSERT_TRUE(read_int(stream, number));
    EXPECT_EQ(number, 40);
    ASSERT_TRUE(read_word(stream, word));
    EXPECT_STREQ(word, "0:30");
    ASSERT_TRUE(read_int(stream, number));
    EXPECT_EQ(number, 0);
    EXPECT_EQ(words_until_end(stream), (std::vector<std::string>{"depth", "6", "e2e4"}));
    writer.join();
    std::fclose(stream);
}

TEST(InputQueue, AnUrgentLineIsTakenOutAndTheRestKeepsItsOrder) {
    input_queue queue;
    FILE* stream = open_queue_stream(queue);
    ASSERT_NE(stream, nullptr);
    const std::string text = "e2e4\n?\nping 5\n?\r\n";
    queue.push(text.data(), text.size());
    char line[16];
    ASSERT_TRUE(queue.take_line(is_move_now, nullptr, line, sizeof line));
    EXPECT_STREQ(line, "?");
    ASSERT_TRUE(queue.take_line(is_move_now, nullptr, line, sizeof line));  // the CRLF one
    EXPECT_STREQ(line, "?");
    EXPECT_FALSE(queue.take_line(is_move_now, nullptr, line, sizeof line));
    queue.close();
    EXPECT_EQ(words_until_end(stream), (std::vector<std::string>{"e2e4", "ping", "5"}));
    std::fclose(stream);
}

TEST(InputQueue, OnlyWholeLinesTheInterpreterHasNotBegunAreLookedAt) {
    input_queue queue;
    FILE* stream = open_queue_stream(queue);
    ASSERT_NE(stream, nullptr);
    char word[WORD_BUFFER_SIZE], line[16];
    const std::string first = "go ?\n";
    queue.push(first.data(), first.size());
    ASSERT_TRUE(read_word(stream, word));
    EXPECT_STREQ(word, "go");
    // The rest of "go ?" belongs to the line being read.
    EXPECT_FALSE(queue.take_line(is_move_now, nullptr, line, sizeof line));
    // A line still being typed is not looked at until it ends.
    queue.push("?", 1);
    EXPECT_FALSE(queue.take_line(is_move_now, nullptr, line, sizeof line));
    queue.push("\n", 1);
    EXPECT_TRUE(queue.take_line(is_move_now, nullptr, line, sizeof line));
    queue.close();
    EXPECT_EQ(words_until_end(stream), (std::vector<std::string>{"?"}));
    std::fclose(stream);
}

// Whether the other side has said anything that matters yet: blanks and the
// lines the caller names do not count; a line still being typed, or the
// rest of one the interpreter has begun, does.
TEST(InputQueue, WaitingButForLinesThatPass) {
    input_queue queue;
    FILE* stream = open_queue_stream(queue);
    ASSERT_NE(stream, nullptr);
    auto waiting = [&] { return queue.waiting_but_for(is_move_now, nullptr); };
    EXPECT_TRUE(waiting());
    queue.push(" \n?\r\n\n", 6);
    EXPECT_FALSE(queue.waiting()) << "the plain test counts every line";
    EXPECT_TRUE(waiting());
    queue.push("?", 1);
    EXPECT_FALSE(waiting()) << "a line not yet ended may turn out to be anything";
    queue.push(" x\n", 3);
    EXPECT_FALSE(waiting());
    char word[WORD_BUFFER_SIZE];
    ASSERT_TRUE(read_word(stream, word));  // "?", the first word of the second line
    ASSERT_TRUE(read_word(stream, word));  // "?" of "? x": the interpreter is inside that line
    EXPECT_STREQ(word, "?");
    EXPECT_FALSE(waiting()) << "the rest of a begun line is the interpreter's";
    ASSERT_TRUE(read_word(stream, word));
    EXPECT_STREQ(word, "x");
    EXPECT_TRUE(waiting());
    queue.push("??\n", 3);
    EXPECT_FALSE(waiting());
    queue.close();
    EXPECT_FALSE(waiting()) << "after the end nothing more comes";
    std::fclose(stream);
}
