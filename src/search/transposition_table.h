// The strong search's transposition table: one object, shared by every
// thread of a search.  Threads read and write it without locks.  Each entry
// is two words, the data and the key mixed with the data, each written and
// read whole; an entry whose words come from two different writes fails the
// key check and is never trusted.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

#include "rules/rules.h"

enum : uint8_t { BOUND_NONE = 0, BOUND_UPPER = 1, BOUND_LOWER = 2, BOUND_EXACT = 3 };

// What an entry says, packed into its data word.
struct tt_fields {
    int16_t score;
    int16_t eval;
    uint16_t packed_move;
    int8_t depth;
    uint8_t age_bound;  // age << 2 | bound
    int bound_kind() const { return age_bound & 3; }
};
static_assert(sizeof(tt_fields) == 8);

class tt_entry {
public:
    // The entry's fields as they are now (whatever position wrote them).
    tt_fields fields_now() const { return unpack_fields(data_.load(std::memory_order_relaxed)); }
    // Whether it holds key: both words from the same write, and that write key's.
    bool holds_key(uint64_t key, tt_fields& out) const {
        const uint64_t data = data_.load(std::memory_order_relaxed);
        if ((check_.load(std::memory_order_relaxed) ^ data) != key) return false;
        out = unpack_fields(data);
        return true;
    }
    void write_entry(uint64_t key, const tt_fields& f) {
        uint64_t data;
        std::memcpy(&data, &f, sizeof data);
        data_.store(data, std::memory_order_relaxed);
        check_.store(key ^ data, std::memory_order_relaxed);
    }
    void empty_entry() {
        data_.store(0, std::memory_order_relaxed);
        check_.store(0, std::memory_order_relaxed);
    }

private:
    static tt_fields unpack_fields(uint64_t data) {
        tt_fields f;
        std::memcpy(&f, &data, sizeof f);
        return f;
    }
    std::atomic<uint64_t> check_{0};
    std::atomic<uint64_t> data_{0};
};
static_assert(sizeof(tt_entry) == 16);

class transposition_table {
public:
    static constexpr int BUCKET = 4;
    struct alignas(64) tt_bucket {
        tt_entry e[BUCKET];
    };

    // Allocates mb megabytes (nothing happens when it has that size already);
    // the entries are empty.
    void resize_mb(int32_t mb);
    void release_memory();
    void clear_entries();
    bool allocated() const { return buckets_ != nullptr; }
    // A new search: entries of earlier ones are replaced first.
    void age_for_new_search() { age_ = static_cast<uint8_t>((age_ + 1) & 63); }
    // Permill of the entries used by this search (a sample of the first ones).
    int permill_used() const;

    tt_bucket& bucket_of(uint64_t key) const {
        return buckets_[static_cast<uint64_t>((static_cast<unsigned __int128>(key) * count_) >> 64)];
    }
    void prefetch_bucket(uint64_t key) const { __builtin_prefetch(&bucket_of(key)); }
    // The entry that holds key, with its fields, or nullptr.
    tt_entry* probe_entry(uint64_t key, tt_fields& found) const;
    // Keeps what a node found (score already in the table's units).
    void store_entry(uint64_t key, int depth, int score, int eval, int bound, uint16_t packed_move);

private:
    std::unique_ptr<tt_bucket[]> buckets_;
    uint64_t count_ = 0;
    int32_t mb_ = 0;
    uint8_t age_ = 0;
};
