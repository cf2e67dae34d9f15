// Work done in a copy of the process, whose changes stay in the copy: the
// cheapest way to look ahead with state too large to put back by hand (the
// strong search's table may be a gigabyte; the copy shares its pages until
// it writes to them, and only those few are copied).
#pragma once

#include <cstddef>

// Runs work(context, result) in a child process made with fork and copies
// the size bytes it leaves in result back into result here; nothing else of
// the child's comes back.  Every output stream is flushed first.  The child
// runs on the calling thread alone, so work may touch no lock another
// thread could hold (the input queue, say), and it must neither print nor
// write files.  false, result undefined, when no child could be made or it
// did not hand back all of result (it died).
bool run_in_process_copy(void (*work)(void* context, void* result), void* context, void* result, size_t size);
