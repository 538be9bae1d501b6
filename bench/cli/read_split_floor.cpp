// The floor for a --list process: a program that only reads birthday.dat and splits its lines, with no
// library beyond the C++ runtime. Prints how many lines it found, so the work cannot be left out.
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    auto bytes = std::make_unique_for_overwrite<char[]>(size);
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = ::read(fd, bytes.get() + got, size - got);
        if (n <= 0) {
            std::perror(argv[1]);
            return 1;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    std::size_t lines = 0;
    for (const char *p = bytes.get(), *end = p + size; p < end; ++lines) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        p = lf == nullptr ? end : static_cast<const char*>(lf) + 1;
    }
    std::printf("%zu\n", lines);
    return 0;
}
