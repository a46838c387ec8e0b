#include "linux/rdp/freerdp_process.h"

#include "linux/ports/fd_io.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace korvan::rdp {
namespace {

volatile sig_atomic_t childPid = 0;

void forwardSignal(int signal) {
    if (childPid > 0) ::kill(static_cast<pid_t>(childPid), signal);
}

constexpr int kForwarded[] = {SIGTERM, SIGINT, SIGHUP};

[[noreturn]] void runChild(pid_t parent, int input, int errorPipe, const std::string& program,
                           const std::vector<std::string>& args, const sigset_t& oldMask) {
    // Dies with the stand-in even when the stand-in is killed outright, so
    // that closing every "mstsc.exe" also closes the sessions. The check
    // after it covers a parent that died before the request took effect.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(127);
    for (int s : kForwarded) ::signal(s, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    ::sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    if (::dup2(input, STDIN_FILENO) < 0) {
        int err = errno;
        (void)!::write(errorPipe, &err, sizeof err);
        ::_exit(127);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    int err = errno;
    (void)!::write(errorPipe, &err, sizeof err);
    ::_exit(127);
}

}  // namespace

Result<int> runWithPassword(const std::string& program, const std::vector<std::string>& args,
                            std::string_view password) {
    int input[2];
    int errorPipe[2];  // carries errno from a failed exec; closed by a good one
    if (::pipe2(input, O_CLOEXEC) != 0)
        return makeError(ErrorCode::Failed,
                         std::string("cannot make a pipe: ") + std::strerror(errno));
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        int err = errno;
        ::close(input[0]);
        ::close(input[1]);
        return makeError(ErrorCode::Failed,
                         std::string("cannot make a pipe: ") + std::strerror(err));
    }

    // Signals that arrive before the child's id is known wait, blocked,
    // until the handlers can pass them on.
    sigset_t forwarded, oldMask;
    sigemptyset(&forwarded);
    for (int s : kForwarded) sigaddset(&forwarded, s);
    ::sigprocmask(SIG_BLOCK, &forwarded, &oldMask);

    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0) runChild(parent, input[0], errorPipe[1], program, args, oldMask);
    int forkErr = errno;
    ::close(input[0]);
    ::close(errorPipe[1]);
    if (pid < 0) {
        ::sigprocmask(SIG_SETMASK, &oldMask, nullptr);
        ::close(input[1]);
        ::close(errorPipe[0]);
        return makeError(ErrorCode::Failed,
                         std::string("cannot start ") + program + ": " + std::strerror(forkErr));
    }

    childPid = pid;
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kForwarded) ::sigaction(s, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);  // a child that exits early must not kill us mid-write
    ::sigprocmask(SIG_SETMASK, &oldMask, nullptr);

    int execErr = 0;
    ssize_t got;
    do got = ::read(errorPipe[0], &execErr, sizeof execErr);
    while (got < 0 && errno == EINTR);
    ::close(errorPipe[0]);

    if (got <= 0) {
        // A child that ends without reading gives EPIPE here; its exit
        // status below says more than the failed write would.
        std::string line(password);
        line += '\n';
        (void)writeAll(input[1], line);
    }
    ::close(input[1]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            childPid = 0;
            return makeError(ErrorCode::Failed, std::string("cannot wait for ") + program + ": " +
                                                    std::strerror(errno));
        }
    }
    childPid = 0;
    if (got > 0)
        return makeError(ErrorCode::NotFound,
                         "cannot start " + program + ": " + std::strerror(execErr));
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace korvan::rdp
