#pragma once

#include <sys/types.h>

#include <string>

namespace sablewick::test {

// An X server of this test program's own (Xvfb, one 1920x1080 screen, kept as it is when its last
// client leaves), for tests that change what the shared server's other clients would see: the
// screen's size, its outputs. The server is stopped by its process id when the object goes.
class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // ":N", or empty when the server did not start (then error() says why).
    const std::string& display() const { return m_display; }
    const std::string& error() const { return m_error; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_error;
};

}  // namespace sablewick::test
