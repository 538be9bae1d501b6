// Starts a program once and measures it: the time from just before the spawn to the first paint that the
// program reports on the descriptor named by CANDLEWATCHER_TRACE_FIRST_PAINT, and its peak resident
// memory (VmHWM) a settle time after that paint. Also the CPU time all its threads had used when the
// paint was reported (from /proc/<pid>/task/*/schedstat, in nanoseconds), a figure that other load on
// the machine disturbs far less than the wall time. Prints
// "first_paint_ms=<ms> cpu_ms=<ms> vmhwm_kb=<kB>".
//
//     startup_probe [--settle-ms N] PROGRAM [ARGUMENTS...]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long long MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long PeakKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

double CpuMilliseconds(pid_t pid) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    long long total = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        long long onCpu = 0;
        if (schedstat >> onCpu) {
            total += onCpu;
        }
    }
    return static_cast<double>(total) / 1e6;
}

int Fail(const char* what) {
    std::fprintf(stderr, "startup_probe: %s: %s\n", what, std::strerror(errno));
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    int first = 1;
    int settleMs = 300;
    if (argc > 2 && std::strcmp(argv[1], "--settle-ms") == 0) {
        settleMs = std::atoi(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: startup_probe [--settle-ms N] PROGRAM [ARGUMENTS...]\n");
        return 2;
    }

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return Fail("pipe");
    }
    // Only the write end goes to the program.
    if (fcntl(fds[1], F_SETFD, 0) != 0) {
        return Fail("fcntl");
    }
    setenv("CANDLEWATCHER_TRACE_FIRST_PAINT", std::to_string(fds[1]).c_str(), 1);

    pid_t pid = 0;
    const long long start = MonotonicNs();
    if (posix_spawn(&pid, argv[first], nullptr, nullptr, argv + first, environ) != 0) {
        return Fail(argv[first]);
    }
    close(fds[1]);

    std::string text;
    pollfd waitFor{fds[0], POLLIN, 0};
    while (text.find('\n') == std::string::npos && poll(&waitFor, 1, 20000) > 0) {
        char buffer[128];
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    long long paint = 0;
    if (std::sscanf(text.c_str(), "first-paint %lld", &paint) != 1) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::fprintf(stderr, "startup_probe: %s reported no first paint\n", argv[first]);
        return 1;
    }
    const double cpu = CpuMilliseconds(pid);
    usleep(static_cast<useconds_t>(settleMs) * 1000);
    const long peak = PeakKilobytes(pid);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::printf("first_paint_ms=%.2f cpu_ms=%.2f vmhwm_kb=%ld\n", static_cast<double>(paint - start) / 1e6,
                cpu, peak);
    return 0;
}
