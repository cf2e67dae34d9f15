// Under xboard's protocol 2 a line is one command: a command of its own with
// its argument missing or unreadable gets "Error (...): ..." and the next
// line stays a command of its own.  Sessions piped whole, as a GUI with a
// fault of its own would send them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session_util.h"

using namespace session;

namespace {

const std::string HANDSHAKE = "xboard\nprotover 2\n";

std::vector<std::string> lines_starting(const session_result& r, const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const std::string& line : lines_of(r.out))
        for (const std::string& prefix : prefixes)
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

// A bare ping once took the next line as its argument ("pong force"), and
// the force was lost: the engine then answered the move below it.
TEST(ProtocolLines, ABarePingLeavesTheNextLineACommand) {
    const session_result r = run_session(HANDSHAKE + "ping\nforce\ne2e4\nping 2\nquit\n");
    EXPECT_EQ(lines_starting(r, {"pong", "Error", "move"}),
              (std::vector<std::string>{"Error (missing argument): ping", "pong 2"}));
}

// Each command of its own with a missing or unreadable argument: one error
// line naming it, and the lines after it read as usual.  exclude and
// include take a move, the others a number (st also a fraction); a bare
// result does not end the game.
TEST(ProtocolLines, MissingAndBadArgumentsGetAnErrorAndChangeNothing) {
    const session_result r = run_session(HANDSHAKE +
                                         "exclude\nforce\ninclude\nforce\ntime\nforce\notim abc\nst\nst 1.x\n"
                                         "sd\nsd -\nnps 5k\nmemory\nresult\nping 1\ne2e4\nping 2\nquit\n");
    EXPECT_EQ(lines_starting(r, {"pong", "Error", "move"}),
              (std::vector<std::string>{
                  "Error (missing argument): exclude", "Error (missing argument): include",
                  "Error (missing argument): time", "Error (bad argument): otim abc",
                  "Error (missing argument): st", "Error (bad argument): st 1.x", "Error (missing argument): sd",
                  "Error (bad argument): sd -", "Error (bad argument): nps 5k", "Error (missing argument): memory",
                  "Error (missing argument): result",
                  "pong 1", "pong 2"}));
}

// Well-formed arguments still work as before: sd 1 and st 0.5 are taken (a
// depth-1 answer comes), ping echoes its word.
TEST(ProtocolLines, WellFormedArgumentsAreTaken) {
    const session_result r = run_session(HANDSHAKE + "new\nst 0.5\nsd 1\npost\nping abc\ne2e4\nping 3\nquit\n");
    const std::vector<std::string> answers = lines_starting(r, {"pong", "Error", "move"});
    ASSERT_EQ(answers.size(), 3u) << r.out;
    EXPECT_EQ(answers[0], "pong abc");
    EXPECT_EQ(answers[1].rfind("move ", 0), 0u);
    EXPECT_EQ(answers[2], "pong 3");
    // Thinking lines, every one at ply 1 (sd 1).
    size_t thinking = 0;
    for (const std::string& line : lines_of(r.out))
        if (!line.empty() && line[0] >= '0' && line[0] <= '9' && line.find('\t') != std::string::npos) {
            ++thinking;
            EXPECT_EQ(line.rfind("1 ", 0), 0u) << line;
        }
    EXPECT_GE(thinking, 1u) << r.out;
}

// A corrupted FEN is refused over both protocols, and the game stays as it
// was (python-chess's verdicts on many more: tests/realuse/fen_fields_check.py).
TEST(ProtocolLines, ACorruptedFenIsRefused) {
    const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    for (const char* fields : {" x KQkq - 0 1", " w XYZ - 0 1", " w KQkq e9 0 1", " w KQkq - -3 1",
                                      " w KQkq - 0 1 7", " w KQkqq - 0 1"}) {
        const session_result x = run_session(HANDSHAKE + "force\nsetboard " + start + fields + "\nping 1\nquit\n");
        EXPECT_EQ(lines_starting(x, {"tellusererror", "pong"}),
                  (std::vector<std::string>{"tellusererror Illegal position", "pong 1"}))
            << fields;
        const session_result u = run_session("uci\nposition fen " + start + fields + "\nisready\nquit\n");
        const std::vector<std::string> said = lines_starting(u, {"info string", "readyok"});
        ASSERT_EQ(said.size(), 2u) << fields << u.out;
        EXPECT_NE(said[0].find("refused"), std::string::npos) << said[0];
        EXPECT_EQ(said[1], "readyok");
    }
}

}  // namespace
