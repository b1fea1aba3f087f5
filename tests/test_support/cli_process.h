#pragma once

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace swapwright::test {

// swapwright-cli started as a real process in a folder, with its standard streams on pipes.
class CliProcess {
public:
    CliProcess(const std::string& folder, const std::vector<std::string>& args, const std::string& input = "") {
        int in[2], out[2], err[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0)
            std::abort();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
                ::close(fd);
            if (::chdir(folder.c_str()) != 0)
                ::_exit(120);
            std::vector<char*> argv{const_cast<char*>(SWAPWRIGHT_CLI_PATH)};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(SWAPWRIGHT_CLI_PATH, argv.data());
            ::_exit(121);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        if (!input.empty())
            (void)!::write(in[1], input.data(), input.size());
        ::close(in[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~CliProcess() {
        if (m_pid > 0 && !m_done)
            ::kill(m_pid, SIGKILL), wait();
    }

    // Reads standard output until it holds `text` (or ends); true when found.
    bool waitForOutput(const std::string& text) {
        while (m_stdout.find(text) == std::string::npos)
            if (!readSome(m_out, m_stdout))
                return false;
        return true;
    }
    void signal(int sig) { ::kill(m_pid, sig); }
    // Closes the reading end of standard output, as a reader that goes away does.
    void closeOutput() {
        if (m_out >= 0)
            ::close(m_out);
        m_out = -1;
    }

    // Waits for the end; the exit status, or -signal.
    int wait() {
        while (readSome(m_out, m_stdout)) {
        }
        while (readSome(m_err, m_stderr)) {
        }
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_done = true;
        closeOutput();
        ::close(m_err);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    const std::string& out() const { return m_stdout; }
    const std::string& err() const { return m_stderr; }

private:
    static bool readSome(int fd, std::string& into) {
        if (fd < 0)
            return false;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return false;
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1, m_err = -1;
    bool m_done = false;
    std::string m_stdout, m_stderr;
};

// Runs to the end and returns the process for its status and output.
struct CliResult {
    int status;
    std::string out, err;
};
inline CliResult runCli(const std::string& folder, const std::vector<std::string>& args, const std::string& input = "") {
    CliProcess p(folder, args, input);
    const int status = p.wait();
    return {status, p.out(), p.err()};
}

} // namespace swapwright::test
