// One engine turn's limits.
#include "protocol/turn.h"

#include <cinttypes>
#include <cstdio>

#include "io/io.h"
#include "protocol/options.h"
#include "protocol/session.h"
#include "protocol/thinking.h"
#include "settings/settings.h"

search_limits turn_limits;

search_limits limits_for_turn(bool analysis) {
    search_limits limits = turn_limits;
    if (limits.node_limit != 0) limits.node_limit += nodes_since_start();  // a cap per turn
    if (standard_input_queue != nullptr) limits.poll = poll_input_during_search;
    limits.strict_root = strict_root();
    limits.multi_pv = multi_pv_lines;
    begin_turn_watch(analysis);
    return limits;
}

void reset_protocol_state() {
    turn_limits = search_limits{};
    multi_pv_lines = 1;
    ponder_enabled = 0;
    reset_session();
}

void log_node_count() {
    if (!log_nodes) return;
    char line[40];
    std::snprintf(line, sizeof line, "nodes %" PRIu64, nodes_since_start());
    log_line(line);
}
