// Runs the built program in a fresh temporary directory, the way a person or
// a GUI would: standard input scripted, standard output and standard error
// captured, and every file the program left behind read back.
//
//   session_result r = run_session("xboard\nforce\ne2e4\nquit\n");
//   r.out, r.err, r.exit_code, r.files["orvane.log"], r.has("book.dat")
//
//   session_options o;  o.files["orvane.ini"] = "depth 6 end\n";
//   run_session("quit\n", o);
//
// live_session keeps standard input open, so that a test can wait for some
// output, write more words or send a signal, as xboard does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace session {

// Files placed in the working directory before the program starts.
struct session_options {
    std::map<std::string, std::string> files;
    std::vector<std::string> directories;  // empty directories to create (say, to block a file name)
    std::vector<std::string> fifos;        // named pipes to make before the program starts
    std::string binary =
#ifdef ORVANE_BINARY
        ORVANE_BINARY;
#else
        "";
#endif
    int timeout_seconds = 60;  // the program is killed (SIGALRM) after this
    bool keep_directory = false;  // leave the directory behind, for debugging
    bool close_output = false;    // standard output is a pipe nobody reads (closed at once)
};

struct session_result {
    std::string out;
    std::string err;
    int exit_code = -1;   // the exit status, or 128 + the signal that ended it
    std::map<std::string, std::string> files;  // every regular file in the working directory afterwards

    bool has(const std::string& name) const { return files.count(name) != 0; }
    const std::string& file(const std::string& name) const {
        static const std::string none;
        auto it = files.find(name);
        return it == files.end() ? none : it->second;
    }
};

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

// A fresh directory under the system's temporary directory.
inline std::filesystem::path make_temp_directory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvane-session-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) return {};
    return std::filesystem::path(name.data());
}

inline int decode_status(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// The program, started in base/work with stdout and stderr going to files in
// base; standard input is the read end of a pipe held by the test.
class live_session {
   public:
    explicit live_session(const session_options& options = {}) : options_(options) {
        base_ = make_temp_directory();
        work_ = base_ / "work";
        std::filesystem::create_directory(work_);
        for (const auto& [name, content] : options.files) write_file(work_ / name, content);
        for (const std::string& name : options.directories) std::filesystem::create_directories(work_ / name);
        for (const std::string& name : options.fifos) ::mkfifo((work_ / name).c_str(), 0644);
        int pipe_fds[2], out_fds[2] = {-1, -1};
        if (::pipe(pipe_fds) != 0) return;
        if (options.close_output && ::pipe(out_fds) != 0) return;
        const std::string out_path = (base_ / "stdout").string(), err_path = (base_ / "stderr").string();
        const std::string work = work_.string();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipe_fds[0], 0);
            ::close(pipe_fds[0]);
            ::close(pipe_fds[1]);
            const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(options_.close_output ? out_fds[1] : out, 1);
            ::dup2(err, 2);
            if (options_.close_output) {
                ::close(out_fds[0]);
                ::close(out_fds[1]);
            }
            // Dispositions as a GUI leaves them: the program must cope itself.
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            ::signal(SIGPIPE, SIG_DFL);
            if (::chdir(work.c_str()) != 0) ::_exit(126);
            ::alarm(static_cast<unsigned>(options_.timeout_seconds));  // survives exec
            ::execl(options_.binary.c_str(), options_.binary.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe_fds[0]);
        if (options.close_output) {
            ::close(out_fds[0]);
            ::close(out_fds[1]);
        }
        stdin_fd_ = pipe_fds[1];
    }
    live_session(const live_session&) = delete;
    live_session& operator=(const live_session&) = delete;
    ~live_session() {
        if (pid_ > 0 && !finished_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (stdin_fd_ >= 0) ::close(stdin_fd_);
        if (!options_.keep_directory && !base_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(base_, ignored);
        }
    }

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::filesystem::path& directory() const { return work_; }

    // Writes text to the program's standard input.
    void send(const std::string& text) {
        const char* data = text.data();
        size_t left = text.size();
        while (left > 0 && stdin_fd_ >= 0) {
            const ssize_t written = ::write(stdin_fd_, data, left);
            if (written <= 0) break;
            data += written;
            left -= static_cast<size_t>(written);
        }
    }
    // Ends the program's standard input.
    void close_input() {
        if (stdin_fd_ >= 0) ::close(stdin_fd_);
        stdin_fd_ = -1;
    }
    void signal(int number) { ::kill(pid_, number); }

    // The standard output written so far.
    std::string output() const { return read_file(base_ / "stdout"); }
    // The standard error written so far.
    std::string error_output() const { return read_file(base_ / "stderr"); }

    // Waits until the output contains text; false after the timeout.
    bool wait_for_output(const std::string& text, int timeout_ms = 10000) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            if (output().find(text) != std::string::npos) return true;
            ::usleep(2000);
        }
        return false;
    }

    // Waits for the program to end (killing it after timeout_ms, if given)
    // and collects its output and files.  How long it took is in elapsed_ms.
    session_result finish(int timeout_ms = -1) {
        session_result result;
        const auto start = std::chrono::steady_clock::now();
        int status = 0;
        if (pid_ > 0 && !finished_) {
            if (timeout_ms < 0) {
                ::waitpid(pid_, &status, 0);
            } else {
                while (::waitpid(pid_, &status, WNOHANG) == 0) {
                    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeout_ms)) {
                        ::kill(pid_, SIGKILL);
                        ::waitpid(pid_, &status, 0);
                        break;
                    }
                    ::usleep(1000);
                }
            }
            finished_ = true;
        }
        elapsed_ms = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count());
        result.exit_code = decode_status(status);
        result.out = read_file(base_ / "stdout");
        result.err = read_file(base_ / "stderr");
        for (const auto& entry : std::filesystem::directory_iterator(work_))
            if (entry.is_regular_file()) result.files[entry.path().filename().string()] = read_file(entry.path());
        return result;
    }

    int elapsed_ms = 0;

   private:
    session_options options_;
    std::filesystem::path base_, work_;
    pid_t pid_ = -1;
    int stdin_fd_ = -1;
    bool finished_ = false;
};

// One whole run: the script as standard input (then its end), the result.
inline session_result run_session(const std::string& input, const session_options& options = {}) {
    // A program that ends early closes its end of the pipe; the test must not die of that.
    ::signal(SIGPIPE, SIG_IGN);
    live_session live(options);
    live.send(input);
    live.close_input();
    return live.finish();
}

// The lines of a text, without their newlines (a last line without one included).
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The next whole line of live's output after the first seen bytes that
// begins with prefix, waiting up to timeout_ms; "" then.  The lines passed on
// the way are in passed; seen moves past every line read.
inline std::string next_line_with(live_session& live, size_t& seen, std::vector<std::string>& passed,
                                  const std::string& prefix, int timeout_ms) {
    passed.clear();
    using clock = std::chrono::steady_clock;
    for (const auto end = clock::now() + std::chrono::milliseconds(timeout_ms); clock::now() < end; ::usleep(1000)) {
        const std::string out = live.output();
        for (size_t eol; (eol = out.find('\n', seen)) != std::string::npos;) {
            const std::string line = out.substr(seen, eol - seen);
            seen = eol + 1;
            if (line.rfind(prefix, 0) == 0) return line;
            passed.push_back(line);
        }
    }
    return "";
}

}  // namespace session
