#include "RunProgram.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds) {
    ProgramResult result;
    char outPath[] = "/tmp/run-program-out-XXXXXX";
    char errPath[] = "/tmp/run-program-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    if (outFd < 0 || errFd < 0)
        return result;

    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);

    if (spawned == 0) {
        int status = 0;
        const timespec pause{0, 10 * 1000 * 1000};
        for (int waited = 0;; ++waited) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                if (WIFEXITED(status))
                    result.exitCode = WEXITSTATUS(status);
                break;
            }
            if (done < 0)
                break;
            if (waited >= timeoutSeconds * 100) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            nanosleep(&pause, nullptr);
        }
    }
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    unlink(outPath);
    unlink(errPath);
    return result;
}

}  // namespace testing_support
