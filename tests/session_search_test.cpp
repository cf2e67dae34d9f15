// Option names and values reach the engine in either case of letters.
// Whole sessions of the built program over pipes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "session_text.h"
#include "session_util.h"

using namespace session;

namespace {

const std::string UCI_CLASSIC = "option name Search type combo default Classic var Classic var Strong";
const std::string XBOARD_CLASSIC = "feature option=\"Search -combo *Classic /// Strong\"";

}  // namespace

// UCI: option names and values in any case of letters; a value that is no
// label is still refused, in the case it was sent.
TEST(SessionSearch, UciOptionNamesAndValuesInAnyCase) {
    const session_result r = run_session(
        "uci\nsetoption name search value classic\nsetoption name NULL MOVE value TRUE\n"
        "setoption name emotion value fewer MEN\nsetoption name uci_elo value 1500\nsetoption name CLEAR HASH\n"
        "setoption name multipv value 2\nsetoption name Search value weak\nuci\nquit\n");
    std::vector<std::string> told, second;
    int handshakes = 0;
    for (const std::string& line : lines_of(r.out)) {
        if (line.rfind("info string", 0) == 0) told.push_back(line);
        if (line.rfind("id name", 0) == 0) ++handshakes;
        if (handshakes == 2 && line.rfind("option name ", 0) == 0) second.push_back(line);
    }
    EXPECT_EQ(told, std::vector<std::string>{"info string 'weak' is no value for Search; nothing changed"});
    const std::vector<std::string> expected = {
        UCI_CLASSIC,
        "option name Null move type check default true",
        "option name Emotion type combo default Fewer men var More men var Neutral var Fewer men",
        "option name UCI_Elo type spin default 1500 min 1200 max 2100",
        "option name MultiPV type spin default 2 min 1 max 64",
    };
    for (const std::string& line : expected)
        EXPECT_NE(std::find(second.begin(), second.end(), line), second.end()) << line;
}

// xboard: option names (either form) and combo labels in any case; a bare
// button too.
TEST(SessionSearch, XboardOptionNamesAndValuesInAnyCase) {
    const session_result r = run_session(
        "xboard\nprotover 2\noption search=STRONG\noption search=CLASSIC\noption NULLMOVE=1\noption clearhash\noption uci_elo=1500\n"
        "option Search=weak\noption HASH=8\nprotover 2\nquit\n");
    // The option lines of the second handshake.
    std::vector<std::string> second;
    int handshakes = 0;
    for (const std::string& line : lines_of(r.out)) {
        if (line.rfind("feature myname=", 0) == 0) ++handshakes;
        if (handshakes == 2 && line.rfind("feature option=", 0) == 0) second.push_back(line);
    }
    for (const std::string& line : {XBOARD_CLASSIC, std::string("feature option=\"NullMove -check 1\""),
                                    std::string("feature option=\"UCI_Elo -spin 1500 1200 2100\""),
                                    std::string("feature option=\"Hash -spin 8 1 1024\"")})
        EXPECT_NE(std::find(second.begin(), second.end(), line), second.end()) << line << "\n" << r.out;
    EXPECT_EQ(r.err, "orvane: option Search: weak is not one of Classic, Strong\n");
}
