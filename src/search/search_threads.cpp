// The thread count as the options set it; the searching threads themselves
// are started from it.
#include "search/search_threads.h"

namespace {
int thread_count = 1;
}  // namespace

bool set_search_threads(int count) {
    if (count < 1 || count > MAX_SEARCH_THREADS) return false;
    thread_count = count;
    return true;
}

int search_threads() { return thread_count; }
