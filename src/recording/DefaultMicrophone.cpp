#include "recording/DefaultMicrophone.h"

#include "platform/PulseConnection.h"
#include "platform/PulseSourceWatch.h"

namespace sablewick::DefaultMicrophone {

namespace {

constexpr double kAudioServerTimeout = 1.0;

std::optional<PulseConnection::ServerNames> microphoneSource()
{
    try {
        PulseConnection connection("Sablewick", kAudioServerTimeout);
        PulseConnection::ServerNames names = connection.serverNames(kAudioServerTimeout);
        if (names.defaultSource.empty() || names.defaultSourceIsMonitor)
            return std::nullopt;
        return names;
    } catch (const PulseError&) {
        return std::nullopt;
    }
}

class SourceWatch : public DeviceWatch {
public:
    explicit SourceWatch(std::function<void()> changed) : m_watch(std::move(changed)) {}

private:
    PulseSourceWatch m_watch;
};

}  // namespace

std::unique_ptr<DeviceWatch> watch(std::function<void()> changed)
{
    try {
        return std::make_unique<SourceWatch>(std::move(changed));
    } catch (const PulseError&) {
        return nullptr;
    }
}

std::optional<QString> identifier()
{
    if (const auto names = microphoneSource())
        return QString::fromStdString(names->defaultSource);
    return std::nullopt;
}

std::optional<QString> name()
{
    const auto names = microphoneSource();
    if (!names)
        return std::nullopt;
    return QString::fromStdString(names->defaultSourceDescription.empty() ? names->defaultSource
                                                                          : names->defaultSourceDescription);
}

}  // namespace sablewick::DefaultMicrophone
