#include "rendering/ExportOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace sablewick {
namespace {

TEST(ExportOptionsTest, OutputSizeScalesTheShortSideToTheResolution)
{
    struct Row {
        const char* name;
        QSizeF canvas;
        ExportResolution resolution;
        QSize expected;
    };
    const std::vector<Row> rows{
        {"720p", {1920, 1080}, ExportResolution::p720, {1280, 720}},
        {"1080p", {1920, 1080}, ExportResolution::p1080, {1920, 1080}},
        {"1440p", {1920, 1080}, ExportResolution::p1440, {2560, 1440}},
        {"2160p", {1920, 1080}, ExportResolution::p2160, {3840, 2160}},
        {"vertical", {1080, 1920}, ExportResolution::p2160, {2160, 3840}},
        {"limited by the long side", {4320, 1080}, ExportResolution::p2160, {8192, 2048}},
        {"square", {1080, 1080}, ExportResolution::p720, {720, 720}},
        {"odd side made even", {1081.5, 1080}, ExportResolution::p720, {720, 720}},
        {"auto canvas", {1794, 1080}, ExportResolution::p1080, {1794, 1080}},
        {"scaled up", {960, 540}, ExportResolution::p1080, {1920, 1080}},
        {"at least two", {100000, 1}, ExportResolution::p720, {8192, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(size(row.resolution, row.canvas), row.expected);
    }
    EditSettings vertical;
    vertical.aspect = AspectRatio::vertical;
    EXPECT_EQ(size(ExportResolution::p1080, vertical), QSize(1080, 1920));
}

TEST(ExportOptionsTest, BitRateAndGifRateFollowTheClampedQuality)
{
    struct Row {
        ExportFormat format;
        int quality;
        std::int64_t bitrate;  // at 1920 x 1080
        int gifRate;
    };
    for (const Row& row : std::vector<Row>{{ExportFormat::mp4, 1, 12441600, 12},
                                           {ExportFormat::mp4, 0, 6842880, 8},
                                           {ExportFormat::mp4, 2, 22394880, 15},
                                           {ExportFormat::mov, 0, 4354560, 8},
                                           {ExportFormat::mov, 1, 8087040, 12},
                                           {ExportFormat::mov, 2, 13685760, 15},
                                           {ExportFormat::gif, 5, 22394880, 15},
                                           {ExportFormat::mp4, -1, 6842880, 8}}) {
        SCOPED_TRACE(int(row.format) * 10 + row.quality);
        const ExportOptions options{row.format, ExportResolution::p1080, row.quality};
        EXPECT_EQ(options.bitrate({1920, 1080}), row.bitrate);
        EXPECT_EQ(options.gifFrameRate(), row.gifRate);
    }
}

TEST(ExportOptionsTest, CasesHaveTheirStoredValuesAndTexts)
{
    EXPECT_EQ(ExportOptions{}, (ExportOptions{ExportFormat::mp4, ExportResolution::p1080, 1}));
    EXPECT_NE(ExportOptions{}, (ExportOptions{ExportFormat::mp4, ExportResolution::p1080, 2}));

    EXPECT_EQ(fromStoredValue<ExportFormat>("MOV"), ExportFormat::mov);
    EXPECT_EQ(fromStoredValue<ExportFormat>("mov"), std::nullopt);
    EXPECT_EQ(fileExtension(ExportFormat::gif), "gif");
    EXPECT_EQ(fileTypeName(ExportFormat::mp4), "MPEG-4 movie");
    EXPECT_EQ(description(ExportFormat::mp4), QString::fromUtf8("H.264 · plays almost everywhere"));
    EXPECT_EQ(description(ExportFormat::mov),
              QString::fromUtf8("HEVC · smaller Apple-friendly video"));
    EXPECT_EQ(description(ExportFormat::gif), QString::fromUtf8("Animated image · no audio"));

    EXPECT_EQ(exportResolutionFromStoredValue(1440), ExportResolution::p1440);
    EXPECT_EQ(exportResolutionFromStoredValue(1000), std::nullopt);
    EXPECT_EQ(label(ExportResolution::p2160), QString::fromUtf8("4K · 2160p"));
    EXPECT_EQ(label(ExportResolution::p720), QString::fromUtf8("720p · HD"));
}

}  // namespace
}  // namespace sablewick
