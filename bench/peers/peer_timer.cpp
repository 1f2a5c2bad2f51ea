// peer_timer RUNS -- COMMAND... [--vs COMMAND...]
// Runs each command RUNS times as a whole process (the two alternating, so
// that both meet the same machine load), output thrown away, and prints one
// line per command: median wall milliseconds and peak resident MiB. Exit
// status 1 when a run fails.
// The timer and every run keep to the processor the timer started on
// (PEER_TIMER_PIN=0: wherever the system puts them). On a virtual machine
// of two processors the idle one sleeps through a long peer's run and
// then takes the next short run cold: a 9 ms render took 12-15 ms there,
// which tells of the host rather than of either program.
// peer_timer busy MS: keeps one processor busy for MS milliseconds and
// touches no memory: a stand-in for a peer, to tell what alternating with
// a long run costs on this machine from what the peer itself leaves behind.
#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double ms;
    double mib;
    bool ok;
};

Run RunOnce(std::vector<char*>& argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return {0, 0, false};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    return {took.count(), static_cast<double>(usage.ru_maxrss) / 1024.0, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "busy") == 0) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double, std::milli>(std::atof(argv[2]));
        volatile std::uint64_t spin = 0;
        while (std::chrono::steady_clock::now() < until) {
            for (int i = 0; i < 10000; ++i) spin = spin + 1;
        }
        return 0;
    }
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        std::fprintf(stderr, "usage: peer_timer RUNS -- COMMAND... [--vs COMMAND...]\n");
        return 2;
    }
    const char* pin = std::getenv("PEER_TIMER_PIN");
    if (pin == nullptr || std::strcmp(pin, "0") != 0) {
        if (const int cpu = sched_getcpu(); cpu >= 0) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            sched_setaffinity(0, sizeof one, &one);
        }
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<std::vector<char*>> commands(1);
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--vs") == 0) {
            commands.emplace_back();
        } else {
            commands.back().push_back(argv[i]);
        }
    }
    for (auto& c : commands) c.push_back(nullptr);
    std::vector<std::vector<double>> ms(commands.size()), mib(commands.size());
    bool ok = true;
    for (int r = 0; r < runs; ++r) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const Run run = RunOnce(commands[c]);
            ok = ok && run.ok;
            ms[c].push_back(run.ms);
            mib[c].push_back(run.mib);
        }
    }
    for (std::size_t c = 0; c < commands.size(); ++c) {
        std::printf("%.2f %.2f\n", Median(ms[c]), *std::max_element(mib[c].begin(), mib[c].end()));
    }
    return ok ? 0 : 1;
}
