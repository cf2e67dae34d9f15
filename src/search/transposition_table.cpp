// The strong search's transposition table.
#include "search/transposition_table.h"

void transposition_table::resize_mb(int32_t mb) {
    if (mb < 1) mb = 1;
    if (buckets_ && mb_ == mb) return;
    buckets_ = nullptr;  // the old table goes before the new one comes
    count_ = static_cast<uint64_t>(mb) * 1024 * 1024 / sizeof(tt_bucket);
    buckets_ = std::unique_ptr<tt_bucket[]>(new tt_bucket[count_]);  // the entries start empty
    mb_ = mb;
}

void transposition_table::release_memory() {
    buckets_ = nullptr;
    count_ = 0;
    mb_ = 0;
}

void transposition_table::clear_entries() {
    for (uint64_t i = 0; i < count_; ++i)
        for (tt_entry& e : buckets_[i].e) e.empty_entry();
    age_ = 0;
}

int transposition_table::permill_used() const {
    if (!buckets_) return 0;
    int used = 0;
    const uint64_t sample = count_ < 250 ? count_ : 250;
    for (uint64_t i = 0; i < sample; ++i)
        for (const tt_entry& e : buckets_[i].e) {
            const tt_fields f = e.fields_now();
            if (f.bound_kind() != BOUND_NONE && (f.age_bound >> 2) == (age_ & 63)) ++used;
        }
    return sample == 0 ? 0 : static_cast<int>(used * 1000 / (sample * BUCKET));
}

tt_entry* transposition_table::probe_entry(uint64_t key, tt_fields& found) const {
    tt_bucket& b = bucket_of(key);
    for (tt_entry& e : b.e)
        if (e.holds_key(key, found) && found.bound_kind() != BOUND_NONE) return &e;
    return nullptr;
}

void transposition_table::store_entry(uint64_t key, int depth, int score, int eval, int bound, uint16_t packed_move) {
    tt_bucket& b = bucket_of(key);
    tt_entry* slot = nullptr;
    tt_fields old{};
    for (tt_entry& e : b.e)
        if (e.holds_key(key, old)) {
            slot = &e;
            break;
        }
    if (slot == nullptr) {
        // Replace the entry worth least: shallow, and from an older search.
        int worst = 1 << 30;
        for (tt_entry& e : b.e) {
            const tt_fields f = e.fields_now();
            const int age_gap = (age_ - (f.age_bound >> 2)) & 63;
            const int worth = f.bound_kind() == BOUND_NONE ? -1000 : f.depth - 8 * age_gap;
            if (worth < worst) {
                worst = worth;
                slot = &e;
            }
        }
        old = tt_fields{};
    } else if (bound != BOUND_EXACT && depth + 2 < old.depth && ((old.age_bound >> 2) == age_)) {
        // A much deeper entry of this search stays; only its move may be new.
        if (packed_move != 0 && old.packed_move == 0) {
            old.packed_move = packed_move;
            slot->write_entry(key, old);
        }
        return;
    }
    tt_fields f;
    f.score = static_cast<int16_t>(score);
    f.eval = static_cast<int16_t>(eval);
    f.packed_move = packed_move != 0 ? packed_move : old.packed_move;
    f.depth = static_cast<int8_t>(depth < -1 ? -1 : (depth > 120 ? 120 : depth));
    f.age_bound = static_cast<uint8_t>((age_ & 63) << 2 | bound);
    slot->write_entry(key, f);
}
