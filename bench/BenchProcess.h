// One whole process as the benchmarks run it: its wall time, its CPU time and its peak resident
// memory, standard output thrown away.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace BenchProcess {

struct Run {
    double seconds = 0; // wall
    double cpu = 0;     // user + system
    long maxRssKb = 0;
    int exitCode = -1; // -1 when it did not exit normally
};

inline Run Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.maxRssKb = usage.ru_maxrss;
    const auto secondsOf = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
    };
    run.cpu = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

// The same, saying on standard error when the process failed: its times would mean nothing.
inline Run SpawnChecked(const std::vector<std::string>& args) {
    const Run run = Spawn(args);
    if (run.exitCode != 0)
        std::fprintf(stderr, "%s failed (exit code %d)\n", args[0].c_str(), run.exitCode);
    return run;
}

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The runs of one program, for their medians.
struct Series {
    std::vector<double> seconds, cpu, rssKb;
    void add(const Run& r) {
        seconds.push_back(r.seconds);
        cpu.push_back(r.cpu);
        rssKb.push_back(double(r.maxRssKb));
    }
    double wall() const { return Median(seconds); }
    double cpuTime() const { return Median(cpu); }
    double rss() const { return Median(rssKb); }
};

} // namespace BenchProcess
