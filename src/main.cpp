// Orvane: the program is its start-up sequence and main loop.
#include "frontend/frontend.h"

int main() { return start_up(); }
