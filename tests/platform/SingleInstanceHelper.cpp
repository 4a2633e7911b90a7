// Another launch of the application, as far as the single-instance rule sees it. "launch FILE..."
// claims with the files and prints the role it got; "hold" claims, prints its role, then stops
// serving its event loop (it answers no call) until its standard input closes.
#include "platform/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

const char* name(sablewick::SingleInstance::Role role)
{
    switch (role) {
    case sablewick::SingleInstance::Role::primary:
        return "primary";
    case sablewick::SingleInstance::Role::secondary:
        return "secondary";
    case sablewick::SingleInstance::Role::alone:
        return "alone";
    case sablewick::SingleInstance::Role::unresponsive:
        return "unresponsive";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    sablewick::SingleInstance instance;
    if (const QByteArray timeout = qgetenv("SINGLE_INSTANCE_ANSWER_TIMEOUT_MS"); !timeout.isEmpty())
        instance.setAnswerTimeout(std::chrono::milliseconds(timeout.toInt()));
    std::printf("%s\n", name(instance.claim(arguments.mid(1))));
    std::fflush(stdout);
    if (arguments.front() == QLatin1String("hold")) {
        char byte = 0;
        while (::read(STDIN_FILENO, &byte, 1) > 0) {
        }
    }
    return 0;
}
