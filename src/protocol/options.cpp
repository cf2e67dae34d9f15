// The option table.
#include "protocol/options.h"

#include <strings.h>

#include <cstring>

#include "game/game.h"
#include "game/strength.h"
#include "game/time_manager.h"
#include "protocol/session.h"
#include "protocol/thinking.h"
#include "search/request.h"
#include "search/tablebase.h"
#include "settings/settings.h"

int32_t ponder_enabled = 0;

namespace {
int32_t sign_of(int32_t v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}
// An evaluation outside the four variants ("advancelevel 7") shows as the default.
int32_t shown_variant() {
    return eval_variant >= 0 && eval_variant <= 3 ? eval_variant : 2;
}

const char* const EMOTION_LABELS[] = {"More men", "Neutral", "Fewer men"};  // emotion -1, 0, 1
const char* const SEARCH_LABELS[] = {"Classic", "Strong"};                 // strong_search 0, 1

// The strong search's table exists only while that search thinks (chosen,
// or playing a level), so the classic engine keeps its small footprint.
void match_table_to_search() {
    if (strong_search_thinks())
        strong_prepare_table();
    else
        strong_release_table();
}
void choose_search(int32_t v) {
    strong_search = v;
    match_table_to_search();
    session_note_search_named();
}
void set_limit_strength(int32_t v) {
    limit_strength = v;
    match_table_to_search();
}
void set_hash_size(int32_t mb) {
    set_strong_hash_mb(mb);
    if (strong_search_thinks()) strong_prepare_table();
}
}  // namespace

// In the order the handshakes list them.
const engine_option ENGINE_OPTIONS[] = {
    {"Evaluation", "Evaluation", false, 0, 3, shown_variant, [](int32_t v) { eval_variant = v; }, false,
     nullptr},
    {"Null move", "NullMove", true, 0, 1, [] { return null_move_enabled; },
     [](int32_t v) { null_move_enabled = v; }, false, nullptr},
    {"Move-count cutting", "MoveCountCutting", true, 0, 1, [] { return cutting_enabled; },
     [](int32_t v) { cutting_enabled = v; }, false, nullptr},
    {"Capture extension", "CaptureExtension", true, 0, 1, [] { return advanced_search; },
     [](int32_t v) { advanced_search = v; }, false, nullptr},
    {"Emotion", "Emotion", false, -1, 1, [] { return sign_of(emotion); }, [](int32_t v) { emotion = v; },
     false, EMOTION_LABELS},
    // Off: book.dat is neither read for the search's hints nor written this run.
    {"Learning book", "LearningBook", true, 0, 1, [] { return book_saving_enabled; },
     [](int32_t v) {
         book_enabled = v;
         book_saving_enabled = v;
     },
     true, nullptr},
    {"Log node counts", "LogNodeCounts", true, 0, 1, [] { return log_nodes; },
     [](int32_t v) { log_nodes = v; }, false, nullptr},
    {"Move Overhead", "MoveOverhead", false, 0, 5000, [] { return game_time.move_overhead_ms; },
     [](int32_t v) { game_time.move_overhead_ms = v; }, false, nullptr},
    // Above 1 the best N root moves each get their own thinking line; 1
    // searches exactly as without the option.
    {"MultiPV", "MultiPV", false, 1, MAX_MULTI_PV, [] { return multi_pv_lines; },
     [](int32_t v) { multi_pv_lines = v; }, false, nullptr},
    // A GUI that lets the engine think on the opponent's time says so here
    // (UCI), or with "hard" and "easy" (xboard).
    {"Ponder", "Ponder", true, 0, 1, [] { return ponder_enabled; }, [](int32_t v) { ponder_enabled = v; },
     false, nullptr},
    // Which search thinks: the classic one, or the strong one beside it.
    {"Search", "Search", false, 0, 1, [] { return strong_search; }, choose_search, false, SEARCH_LABELS, true},
    // The strong search's transposition table, in MB.
    {"Hash", "Hash", false, 1, MAX_HASH_MB, strong_hash_mb, set_hash_size, false, nullptr},
    // The strong search's threads; the classic search, and a level (its
    // budget is in nodes), think on one whatever this says.
    {"Threads", "Threads", false, 1, MAX_SEARCH_THREADS, [] { return static_cast<int32_t>(search_threads()); },
     [](int32_t v) { set_search_threads(v); }, false, nullptr},
    // Levels in Elo (UCI's standard pair): on, the strong search plays
    // weakened to the level, whichever search the Search option names.
    {"UCI_LimitStrength", "UCI_LimitStrength", true, 0, 1, [] { return limit_strength; }, set_limit_strength, false,
     nullptr},
    {"UCI_Elo", "UCI_Elo", false, LOWEST_ELO, HIGHEST_ELO, [] { return strength_elo; },
     [](int32_t v) { strength_elo = v; }, false, nullptr},
    {"Clear Hash", "ClearHash", false, 0, 0, [] { return 0; }, [](int32_t) { strong_clear_table(); }, false,
     nullptr, false, true},
    // Chess960 for the positions set from now on (xboard says "variant
    // fischerandom" instead); the strong search plays it.
    {"UCI_Chess960", "UCI_Chess960", true, 0, 1, [] { return static_cast<int32_t>(chess960_games()); },
     [](int32_t v) { set_chess960_games(v != 0); }, false, nullptr, false, false, true},
    // Syzygy endgame tables for the strong search: the folders that hold
    // them (xboard says "egtpath syzygy PATH" instead), the least depth at
    // which a node with as many men as the largest tables is probed, whether
    // the fifty-move rule turns a win beyond it into a draw, and the most
    // men probed.
    {"SyzygyPath", "SyzygyPath", false, 0, 0, [] { return 0; }, [](int32_t) {}, false, nullptr, false, false, true,
     [] { return tb_path().empty() ? std::string("<empty>") : tb_path(); }, set_syzygy_path},
    {"SyzygyProbeDepth", "SyzygyProbeDepth", false, 1, 100, [] { return static_cast<int32_t>(tb_probe_depth()); },
     [](int32_t v) { set_tb_probe_depth(v); }, false, nullptr},
    {"Syzygy50MoveRule", "Syzygy50MoveRule", true, 0, 1, [] { return static_cast<int32_t>(tb_rule50()); },
     [](int32_t v) { set_tb_rule50(v != 0); }, false, nullptr},
    {"SyzygyProbeLimit", "SyzygyProbeLimit", false, 0, 7, [] { return static_cast<int32_t>(tb_probe_limit()); },
     [](int32_t v) { set_tb_probe_limit(v); }, false, nullptr},
};
const int ENGINE_OPTION_COUNT = static_cast<int>(sizeof ENGINE_OPTIONS / sizeof ENGINE_OPTIONS[0]);

const engine_option* find_engine_option(const char* name, size_t length) {
    for (const engine_option& option : ENGINE_OPTIONS)
        for (const char* known : {option.name, option.xboard_name})
            if (std::strlen(known) == length && ::strncasecmp(known, name, length) == 0) return &option;
    return nullptr;
}

bool option_label_value(const engine_option& option, const char* text, int32_t& value) {
    if (option.labels == nullptr) return false;
    for (int32_t v = option.low; v <= option.high; ++v)
        if (::strcasecmp(text, option.labels[v - option.low]) == 0) return value = v, true;
    return false;
}

std::string set_syzygy_path(const std::string& path) {
    const int men = tb_load(path);
    if (path.empty() || path == "<empty>") return "Syzygy tables: none";
    if (men == 0) return "no Syzygy tables found in " + path + "; going on without them";
    return "Syzygy tables found in " + path + ", up to " + std::to_string(men) + " men";
}

void start_with_search(bool strong) {
    strong_search = strong ? 1 : 0;
    match_table_to_search();
}

option_change change_engine_option(const engine_option& option, int32_t value) {
    if (value < option.low || value > option.high) return option_change::out_of_range;
    if (option.locked_by_levellock && settings_locked) return option_change::locked;
    option.set(value);
    return option_change::done;
}

