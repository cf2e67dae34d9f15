// Work in a copy of the process: its result comes back, nothing else of
// what it changed does, and a copy that dies before answering is told apart.
#include <gtest/gtest.h>

#include <unistd.h>

#include "io/process_copy.h"

namespace {

int table[4096];  // state the work changes, as a search changes its tables

// Doubles every entry of table and answers the sum of the doubled entries.
void double_table(void*, void* result) {
    int& sum = *static_cast<int*>(result);
    sum = 0;
    for (int& v : table) sum += v *= 2;
}

void die_before_answering(void*, void*) { ::_exit(3); }

}  // namespace

TEST(ProcessCopy, TheResultComesBackTheChangesStayInTheCopy) {
    for (int& v : table) v = 1;
    int sum = -1;
    ASSERT_TRUE(run_in_process_copy(double_table, nullptr, &sum, sizeof sum));
    EXPECT_EQ(sum, 2 * 4096);
    for (const int v : table) ASSERT_EQ(v, 1);
    EXPECT_FALSE(run_in_process_copy(die_before_answering, nullptr, &sum, sizeof sum));
}
