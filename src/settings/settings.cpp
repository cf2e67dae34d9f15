#include "settings/settings.h"

int32_t search_depth = 4;
int32_t move_time_ms = 6562;
int32_t clock_mode = 1;
int32_t eval_variant = 2;
int32_t advanced_search = 0;
int32_t book_enabled = 1;
int32_t book_saving_enabled = 1;
int32_t cutting_enabled = 0;
int32_t null_move_enabled = 0;
int32_t emotion = 0;
int32_t sound_enabled = 0;
int32_t human_mode = 1;
int32_t board_reversed = 0;
int32_t settings_locked = 0;
int32_t force_mode = 0;
int32_t log_nodes = 0;
int32_t strong_search = 0;
int32_t san_enabled = 0;

void set_default_settings() {
    search_depth = 4;
    move_time_ms = 6562;
    clock_mode = 1;
    eval_variant = 2;
    advanced_search = 0;
    book_enabled = 1;
    book_saving_enabled = 1;
    cutting_enabled = 0;
    null_move_enabled = 0;
    emotion = 0;
    sound_enabled = 0;
    human_mode = 1;
    board_reversed = 0;
    settings_locked = 0;
    force_mode = 0;
    log_nodes = 0;
    strong_search = 0;
    san_enabled = 0;
}
