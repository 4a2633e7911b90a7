#include "recording/RecordingTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <cstring>

namespace sablewick::test {

std::vector<std::int16_t> decodedSound(const QString& movie)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-i", movie, "-map", "0:a:0", "-ac", "1", "-ar", "48000", "-f", "s16le", "-"});
    EXPECT_TRUE(ffmpeg.waitForFinished(30000));
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(std::int16_t));
    return samples;
}

}  // namespace sablewick::test
