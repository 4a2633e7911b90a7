#include "platform/SingleInstance.h"

#include "support/TemporaryEnvironment.h"

#include <gtest/gtest.h>

namespace sablewick {
namespace {

// What a later launch hands over: its own relative paths must not be read against the first
// process's working directory.
TEST(SingleInstanceTest, CommandLineFilesBecomeAbsoluteFileUrls)
{
    const std::pair<QString, QString> cases[] = {
        {"clip.mp4", "file:///home/ada/Videos/clip.mp4"},
        {"../Desktop/My Project.sablewick.json", "file:///home/ada/Desktop/My%20Project.sablewick.json"},
        {"/tmp/a b/c.png", "file:///tmp/a%20b/c.png"},
        {"notes:draft.mp4", "file:///home/ada/Videos/notes:draft.mp4"},
        {"file:///tmp/given.mov", "file:///tmp/given.mov"},
        {"./sub/../x.gif", "file:///home/ada/Videos/x.gif"},
    };
    for (const auto& [argument, url] : cases)
        EXPECT_EQ(SingleInstance::fileUrls({argument}, "/home/ada/Videos"), QStringList{url}) << argument.toStdString();
    EXPECT_TRUE(SingleInstance::fileUrls({""}, "/home/ada").isEmpty());
}

// Without a session bus every process runs on its own rather than refusing to start.
TEST(SingleInstanceTest, WithoutASessionBusAProcessRunsAlone)
{
    test::ScopedEnvironment environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    SingleInstance instance;
    EXPECT_EQ(instance.claim({"clip.mp4"}), SingleInstance::Role::alone);
}

}  // namespace
}  // namespace sablewick
