#include "support/PrivateXServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sablewick::test {
namespace {

// Xvfb names the display it chose on this descriptor once it takes connections.
constexpr int displayDescriptor = 3;

}  // namespace

PrivateXServer::PrivateXServer()
{
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        m_error = std::string("no pipe for Xvfb: ") + std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 leaves the copy open across exec, whatever the original's flags.
    posix_spawn_file_actions_adddup2(&actions, pipe[1], displayDescriptor);
    const std::string descriptor = std::to_string(displayDescriptor);
    const char* arguments[] = {"Xvfb",         "-displayfd", descriptor.c_str(), "-screen", "0",
                               "1920x1080x24", "-noreset",   "-nolisten",        "tcp",     nullptr};
    const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (spawned != 0) {
        m_pid = -1;
        ::close(pipe[0]);
        m_error = std::string("Xvfb did not start (is the xvfb package installed?): ") + std::strerror(spawned);
        return;
    }
    // The number ends with a newline; the pipe closes without one when the server gives up.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (number.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{pipe[0], POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&readable, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[32];
        const ssize_t got = ::read(pipe[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe[0]);
    if (number.find('\n') == std::string::npos) {
        m_error = "Xvfb named no display";
        return;
    }
    m_display = ":" + number.substr(0, number.find('\n'));
}

PrivateXServer::~PrivateXServer()
{
    if (m_pid <= 0)
        return;
    // TERM first; KILL when the server has not ended within 5 s.
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace sablewick::test
