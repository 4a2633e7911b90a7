#include "media/LiveMovieWriter.h"
#include "media/MediaError.h"
#include "media/MovieWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace sablewick {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// Far more than the small disk takes: noise does not compress.
constexpr int kMostFrames = 600;

// A real file system with little room: a tmpfs of `bytes`, mounted over a temporary folder for the
// test's life. Mounting needs root; elsewhere the test is skipped.
class SmallDisk {
public:
    explicit SmallDisk(std::int64_t bytes)
    {
        if (::geteuid() != 0)
            return;
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                            options.c_str())
            == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    std::string filePath(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)).toStdString(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Planes of fresh noise for each frame.
class NoisePicture {
public:
    NoisePicture()
        : m_y(kWidth * kHeight)
        , m_u(kWidth * kHeight / 4)
        , m_v(kWidth * kHeight / 4)
    {
    }
    Yuv420View next()
    {
        for (auto* plane : {&m_y, &m_u, &m_v}) {
            for (std::uint8_t& sample : *plane)
                sample = static_cast<std::uint8_t>(m_random());
        }
        return {m_y.data(), m_u.data(), m_v.data(), kWidth, kWidth / 2, kWidth / 2};
    }

private:
    std::minstd_rand m_random{7};
    std::vector<std::uint8_t> m_y, m_u, m_v;
};

// One movie writer as the test drives it: frames, then the finish.
struct WriterUnderTest {
    std::function<void(const Yuv420View&, int index)> writeFrame;
    std::function<void()> finish;
};

struct DiskFullCase {
    const char* name;
    const char* file;
    std::function<WriterUnderTest(const std::string& path)> open;
    bool keepsFile;  // the recording keeps what it wrote; the export removes its incomplete file
};

class WriterDiskFullTest : public ::testing::TestWithParam<DiskFullCase> {};

// Writing stops with diskFull at the packet that no longer fits, whichever writer hits it, and
// the writer refuses to go on.
TEST_P(WriterDiskFullTest, AFullDiskIsReportedAsSuch)
{
    const DiskFullCase& c = GetParam();
    SmallDisk disk(512 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string path = disk.filePath(c.file);
    std::optional<MediaErrorKind> failure;
    {
        const WriterUnderTest writer = c.open(path);
        NoisePicture noise;
        try {
            for (int i = 0; i < kMostFrames; ++i)
                writer.writeFrame(noise.next(), i);
            writer.finish();
        } catch (const MediaError& error) {
            failure = error.kind();
        }
        ASSERT_EQ(failure, MediaErrorKind::diskFull);
        try {
            writer.writeFrame(noise.next(), kMostFrames);
            ADD_FAILURE() << "a failed writer took another frame";
        } catch (const MediaError& error) {
            EXPECT_EQ(error.kind(), MediaErrorKind::writeFailed);
        }
    }
    EXPECT_EQ(QFileInfo::exists(QString::fromStdString(path)), c.keepsFile);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, WriterDiskFullTest,
    ::testing::Values(DiskFullCase{"export", "Export.mp4",
                                   [](const std::string& path) {
                                       MovieWriterSettings settings;
                                       settings.width = kWidth;
                                       settings.height = kHeight;
                                       settings.frameRate = MediaTime(30, 1);
                                       auto writer = std::make_shared<MovieWriter>(path, settings);
                                       return WriterUnderTest{
                                           [writer](const Yuv420View& frame, int) { writer->writeFrame(frame); },
                                           [writer] { writer->finish(); }};
                                   },
                                   false},
                      DiskFullCase{"recording", "Recording.mov",
                                   [](const std::string& path) {
                                       LiveMovieWriterSettings settings;
                                       settings.width = kWidth;
                                       settings.height = kHeight;
                                       settings.framesPerSecond = 30;
                                       settings.audio = true;
                                       auto writer = std::make_shared<LiveMovieWriter>(path, settings);
                                       return WriterUnderTest{[writer](const Yuv420View& frame, int index) {
                                                                  const std::vector<float> sound(1600 * 2, 0.25f);
                                                                  writer->writeFrame(frame, index / 30.0);
                                                                  writer->writeAudio(sound.data(), 1600);
                                                              },
                                                              [writer] { writer->finish(); }};
                                   },
                                   true}),
    [](const ::testing::TestParamInfo<DiskFullCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sablewick
