// The engine's options as GUIs show them: one table that both protocols
// read, so that every option exists in both under the same name and with the
// same range.  Each protocol only writes and parses them in its own form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct engine_option {
    const char* name;             // as UCI GUIs show it
    const char* xboard_name;      // the same without blanks: xboard clients split the option line at them
    bool check;                   // a check box (0 or 1); otherwise a number from low to high
    int32_t low, high;
    int32_t (*get)();             // the current value, within low..high
    void (*set)(int32_t);
    bool locked_by_levellock;     // "levellock" makes a change do nothing
    const char* const* labels;    // UCI shows the number as a choice of these, low first (nullptr: a spin)
    // A choice xboard shows as one too (-combo); the older rows with labels
    // stay spins there, as GUIs have always seen them.
    bool xboard_combo = false;
    // A button: setting it (with any value, or none) does its deed once.
    bool button = false;
    // Offered to UCI GUIs only: xboard has a command of its own for it.
    bool uci_only = false;
    // A text (a folder list): get and set are unused, these read and set
    // it, the setter answering with a line for the user on what it did.
    std::string (*get_text)() = nullptr;
    std::string (*set_text)(const std::string& text) = nullptr;
};

extern const engine_option ENGINE_OPTIONS[];
extern const int ENGINE_OPTION_COUNT;

// The option called name (length bytes of it; either of its two names,
// letters in either case, as UCI and xboard GUIs may send them), or nullptr.
const engine_option* find_engine_option(const char* name, size_t length);

enum class option_change { done, out_of_range, locked };
// Sets value if it lies in the option's range and no lock holds.
option_change change_engine_option(const engine_option& option, int32_t value);

// The label of option's value that text names, letters in either case, into
// value; false when text is none of its labels (or it has none).
bool option_label_value(const engine_option& option, const char* text, int32_t& value);

// The search a session starts with (the session policy chooses it at the
// handshake): set as the Search option sets it, but no choice of the user's.
void start_with_search(bool strong);

// Loads the Syzygy tables under path (folders separated by ':'; "" or
// "<empty>": none) and says what came of it, in a line for the user: how
// many men the tables found cover, or that there are none and the engine
// goes on without them.
std::string set_syzygy_path(const std::string& path);

// The GUI lets the engine think on the opponent's time ("Ponder"; xboard's
// "hard" and "easy").
extern int32_t ponder_enabled;
