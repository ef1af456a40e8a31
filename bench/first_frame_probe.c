/* Preloaded into the real program (LD_PRELOAD) to time its start-up: it stands in for
 * SDL_UpdateWindowSurface, the call that puts a frame on the window, lets the real one put the
 * first frame there, notes the moment and ends the process at once (status 0, or 3 when the
 * frame could not be put on the window). Nothing of the program runs after its first frame.
 *
 * With FW_FIRST_FRAME_FD naming an open descriptor, one line goes to it first:
 *   "<linked> <frame>\n"
 * both CLOCK_MONOTONIC nanoseconds: <linked> when this library's constructor ran (every shared
 * library loaded and relocated, just before the program's own initialisation), <frame> when
 * the first frame was on the window. Without it the probe only ends the program, for timing
 * the whole command from outside. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static long long g_linked_ns;

static long long now_ns(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

__attribute__((constructor)) static void note_linked(void) { g_linked_ns = now_ns(); }

static void report(long long frame_ns) {
    const char* fd_text = getenv("FW_FIRST_FRAME_FD");
    if (!fd_text || !*fd_text) return;
    char* end = NULL;
    long fd = strtol(fd_text, &end, 10);
    if (*end || fd < 0) return;
    char line[64];
    int n = snprintf(line, sizeof line, "%lld %lld\n", g_linked_ns, frame_ns);
    const char* p = line;
    while (n > 0) {
        ssize_t w = write((int)fd, p, (size_t)n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        p += w;
        n -= (int)w;
    }
}

int SDL_UpdateWindowSurface(void* window) {
    int (*real)(void*) = (int (*)(void*))dlsym(RTLD_NEXT, "SDL_UpdateWindowSurface");
    int rc = real ? real(window) : -1;
    long long frame_ns = now_ns();
    if (rc == 0) report(frame_ns);
    _exit(rc == 0 ? 0 : 3);
}
