// Work in a copy of the process: its result comes back, nothing else of
// what it changed does, and a copy that dies before answering is told apart.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>

#include "io/process_copy.h"

namespace {

int32_t table[4096];  // state the work changes, as a search changes its tables

struct answer {
    int32_t sum;
    int32_t doubled;
};

// Doubles every entry of table and answers the sum before and one entry after.
void double_table(void* context, void* result) {
    answer& a = *static_cast<answer*>(result);
    a.sum = 0;
    for (int32_t& v : table) {
        a.sum += v;
        v *= 2;
    }
    a.doubled = table[*static_cast<int*>(context)];
}

void die_before_answering(void*, void*) { ::_exit(3); }

}  // namespace

TEST(ProcessCopy, TheResultComesBackAndTheChangesStayInTheCopy) {
    for (int i = 0; i < 4096; ++i) table[i] = i % 7;
    int index = 100;  // 100 % 7 = 2
    answer a{-1, -1};
    ASSERT_TRUE(run_in_process_copy(double_table, &index, &a, sizeof a));
    // 4096 entries: 585 rounds of 0..6 (21 each) and 0 at the last.
    EXPECT_EQ(a.sum, 585 * 21);
    EXPECT_EQ(a.doubled, 4);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(table[i], i % 7) << i;
    // Again: the copy starts from the table as it stands here.
    answer b{-1, -1};
    ASSERT_TRUE(run_in_process_copy(double_table, &index, &b, sizeof b));
    EXPECT_EQ(b.sum, a.sum);
}

TEST(ProcessCopy, ACopyThatDiesGivesNoResult) {
    answer a{-1, -1};
    EXPECT_FALSE(run_in_process_copy(die_before_answering, nullptr, &a, sizeof a));
}
