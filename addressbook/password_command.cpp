#include "addressbook/password_command.h"

#include "addressbook/address_book_error.h"
#include "data/translation.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace candlewatcher {

namespace {

struct Pipe {
    int Ends[2] = {-1, -1};
    ~Pipe() {
        for (int end : Ends)
            if (end >= 0)
                ::close(end);
    }
    void Close(int which) {
        ::close(Ends[which]);
        Ends[which] = -1;
    }
};

[[noreturn]] void Fail(const std::string& reason) {
    // TRANSLATORS: %1 says how the command the user gave for the password failed.
    throw AddressBookError(FillIn(Tr("the password command failed: %1"), {reason}));
}

} // namespace

std::string RunPasswordCommand(const std::string& command) {
    Pipe output;
    if (::pipe2(output.Ends, O_CLOEXEC) != 0)
        Fail(std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.Ends[1], STDOUT_FILENO);
    const char* arguments[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t child = 0;
    const int spawned =
        ::posix_spawn(&child, "/bin/sh", &actions, nullptr, const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        Fail(std::strerror(spawned));
    output.Close(1);

    // Everything is read, so that a command that prints more than a pipe holds is not stuck; only the
    // first line is kept.
    std::string firstLine;
    bool lineEnded = false;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(output.Ends[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got && !lineEnded; ++i) {
            if (buffer[i] == '\n')
                lineEnded = true;
            else
                firstLine += buffer[i];
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!firstLine.empty() && firstLine.back() == '\r')
        firstLine.pop_back();
    if (WIFSIGNALED(status))
        // TRANSLATORS: %1 is the number of the signal that ended the password command.
        Fail(FillIn(Tr("ended by signal %1"), {std::to_string(WTERMSIG(status))}));
    if (WEXITSTATUS(status) != 0)
        // TRANSLATORS: %1 is the password command's exit status, a number.
        Fail(FillIn(Tr("exit status %1"), {std::to_string(WEXITSTATUS(status))}));
    if (firstLine.empty())
        Fail(Tr("it printed no password"));
    return firstLine;
}

} // namespace candlewatcher
