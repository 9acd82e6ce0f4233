#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

// Runs a program and writes the peak resident size of its process tree, in KiB, to the file
// named first. A process inherits the peak of the one it was forked from, so the benchmark
// cannot measure its children directly: its own size would count. This probe is small.
//     peak_rss_probe <result file> <program> [arguments...]
int main(int argc, char* argv[]) {
    if (argc < 3)
        return 2;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(argv[2], argv + 2);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) < 0)
        return 1;
    FILE* result = std::fopen(argv[1], "w");
    if (!result)
        return 1;
    std::fprintf(result, "%ld\n", usage.ru_maxrss);
    std::fclose(result);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
