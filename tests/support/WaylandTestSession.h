#pragma once

#include <QString>

#include <optional>

namespace sablewick::test {

// Makes the test command's headless Wayland desktop (and its session bus) this process's own.
void enterWaylandSession();
// Why the desktop is not there, or none when it is. Wayland tests fail with this reason.
std::optional<QString> waylandSessionProblem();

}  // namespace sablewick::test
