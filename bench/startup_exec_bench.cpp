// Start-up of the real program from exec to its first frame on the window: each iteration starts
// the built `farewander` beside this program (SDL's offscreen video and dummy audio drivers) with
// the first-frame probe preloaded; the probe notes the moment the first frame is on the window
// and ends the process there. Time: from just before the program is started to that moment
// (wall, manual timing). The files are in the page cache after the first start.
// Counters: `linked_ms`, from the start to the moment every shared library was loaded and
// relocated (the probe's constructor), and the median and fastest start of the run.
// Target: under 20 ms.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The descriptor the probe writes its line to in the program; high enough to be free there.
constexpr int kProbeFd = 100;
// A start that has put no frame on the window by then is killed and reported.
constexpr int kTimeoutMs = 10000;

long long NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

struct Start {
    bool ok = false;
    std::string error;
    double linkedSeconds = 0;
    double frameSeconds = 0;
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// The last few non-empty lines the program wrote to its error stream (its log), joined by " | ".
std::string LastLines(int fd, int count) {
    std::string text;
    char buf[4096];
    if (lseek(fd, 0, SEEK_SET) != 0) return text;
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t nl = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, nl - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(std::move(line));
        at = nl + 1;
    }
    std::string joined;
    for (size_t i = lines.size() > size_t(count) ? lines.size() - count : 0; i < lines.size(); ++i)
        joined += (joined.empty() ? "" : " | ") + lines[i];
    return joined;
}

std::string Ended(int status, int errFd) {
    std::string why = WIFEXITED(status)     ? "exited with status " + std::to_string(WEXITSTATUS(status))
                      : WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                            : "ended";
    std::string last = LastLines(errFd, 3);
    return "the program " + why + " before presenting a frame" + (last.empty() ? "" : " (" + last + ")");
}

// The environment of the program: the caller's, with the drivers, the probe and its descriptor.
std::vector<std::string> ProgramEnvironment(const std::string& probe) {
    std::string preload = probe;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        if (name == "LD_PRELOAD") {
            std::string more = entry.substr(name.size() + 1);
            if (!more.empty()) preload += ":" + more;
            continue;
        }
        if (name == "SDL_VIDEODRIVER" || name == "SDL_AUDIODRIVER" || name == "FW_FIRST_FRAME_FD") continue;
        env.push_back(std::move(entry));
    }
    env.push_back("SDL_VIDEODRIVER=offscreen");
    env.push_back("SDL_AUDIODRIVER=dummy");
    env.push_back("LD_PRELOAD=" + preload);
    env.push_back("FW_FIRST_FRAME_FD=" + std::to_string(kProbeFd));
    return env;
}

Start StartToFirstFrame(const std::string& program, const std::vector<std::string>& envStrings) {
    Start result;
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0) {
        result.error = std::string("pipe: ") + strerror(errno);
        return result;
    }
    Fd readEnd(p[0]), writeEnd(p[1]);
    Fd errOut(memfd_create("farewander-stderr", MFD_CLOEXEC));
    if (errOut.get() < 0) {
        result.error = std::string("memfd_create: ") + strerror(errno);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errOut.get(), STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), kProbeFd);
    // Its own process group, so that a start that hangs is killed with whatever it started.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    std::vector<char*> envp;
    for (const std::string& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = -1;
    const long long startNs = NowNs();
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        result.error = "can't start " + program + ": " + strerror(rc);
        return result;
    }
    writeEnd.Close();

    std::string line;
    const long long deadline = startNs + kTimeoutMs * 1000000LL;
    bool timedOut = false;
    for (;;) {
        long long leftMs = (deadline - NowNs()) / 1000000;
        if (leftMs <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{readEnd.get(), POLLIN, 0};
        int n = poll(&pfd, 1, int(leftMs));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            timedOut = n == 0;
            break;
        }
        char buf[128];
        ssize_t got = read(readEnd.get(), buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        line.append(buf, size_t(got));
        if (line.find('\n') != std::string::npos) break;
    }
    if (timedOut) kill(-pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    long long linkedNs = 0, frameNs = 0;
    if (timedOut) {
        result.error = "no frame within " + std::to_string(kTimeoutMs / 1000) + " s; the program was killed";
    } else if (line.find('\n') == std::string::npos || sscanf(line.c_str(), "%lld %lld", &linkedNs, &frameNs) != 2) {
        result.error = Ended(status, errOut.get());
    } else {
        result.ok = true;
        result.linkedSeconds = double(linkedNs - startNs) * 1e-9;
        result.frameSeconds = double(frameNs - startNs) * 1e-9;
    }
    return result;
}

void BM_ExecToFirstFrame(benchmark::State& state) {
    std::error_code ec;
    const fs::path folder = fs::read_symlink("/proc/self/exe", ec).parent_path();
    const fs::path program = folder / "farewander";
    const fs::path probe = folder / "libfw_first_frame_probe.so";
    const char* missing = ec                                            ? "this benchmark's own folder"
                          : access(program.c_str(), X_OK) != 0         ? "the program farewander"
                          : !fs::exists(probe)                          ? "the probe libfw_first_frame_probe.so"
                          : !fs::exists(folder / "libbass.so")          ? "the sound library libbass.so"
                          : !fs::exists(folder / "data" / "tamble.res") ? "the game data (data/tamble.res)"
                                                                        : nullptr;
    if (missing) {
        state.SkipWithError((std::string("not found beside the benchmark in ") + folder.string() + ": " + missing).c_str());
        return;
    }
    const std::vector<std::string> env = ProgramEnvironment(probe.string());

    std::vector<double> frames;
    double linkedSum = 0;
    for (auto _ : state) {
        Start s = StartToFirstFrame(program.string(), env);
        if (!s.ok) {
            state.SkipWithError(s.error.c_str());
            return;
        }
        state.SetIterationTime(s.frameSeconds);
        frames.push_back(s.frameSeconds);
        linkedSum += s.linkedSeconds;
    }
    if (frames.empty()) return;
    std::sort(frames.begin(), frames.end());
    state.counters["linked_ms"] = linkedSum * 1e3 / double(frames.size());
    state.counters["median_ms"] = frames[frames.size() / 2] * 1e3;
    state.counters["fastest_ms"] = frames.front() * 1e3;
}
BENCHMARK(BM_ExecToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
