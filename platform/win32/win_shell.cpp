#include "platform/win32/win_shell.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/backend/backend_internal.h"

namespace {

bool OpenerExists(const char* name) {
    const char* path = getenv("PATH");
    if (!path) return false;
    std::string all(path);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string dir = all.substr(start, end - start);
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCmd) {
    auto result = [](int r) { return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(r)); };
    if (platform::detail::IsHeadless()) {
        platform::detail::Headless().shell.push_back({owner, verb != nullptr, verb ? verb : "", file ? file : "",
                                                      parameters ? parameters : "", directory ? directory : "",
                                                      showCmd});
        return result(platform::detail::Headless().shellResult);
    }
    if (!file || !*file) return result(SE_ERR_FNF);
    const char* opener = "xdg-open";
    if (!OpenerExists(opener)) return result(SE_ERR_NOASSOC);
    // Detached: the opener runs in a grandchild, so nothing is left to reap.
    pid_t child = fork();
    if (child < 0) return result(SE_ERR_NOASSOC);
    if (child == 0) {
        if (fork() == 0) {
            if (directory && *directory && chdir(directory) != 0) _exit(127);
            execlp(opener, opener, file, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return result(42);
}
