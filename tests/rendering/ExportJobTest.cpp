#include "rendering/ExportJob.h"
#include "rendering/ExporterError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace sablewick {
namespace {

TEST(ExportJobTest, CancelIsSetOnceAndStays)
{
    ExportJob job;
    EXPECT_FALSE(job.isCancelled());
    EXPECT_NO_THROW(job.throwIfCancelled());
    job.cancel();
    job.cancel();
    EXPECT_TRUE(job.isCancelled());
    try {
        job.throwIfCancelled();
        FAIL() << "a cancelled job must throw";
    } catch (const ExporterFailure& failure) {
        EXPECT_EQ(failure.error(), ExporterError::cancelled);
        EXPECT_STREQ(failure.what(), "Export cancelled.");
    }
}

TEST(ExportJobTest, ReadersOnOtherThreadsSeeTheCancel)
{
    ExportJob job;
    std::atomic<int> sawCancel{0};
    std::atomic<bool> started{false};
    auto reader = [&] {
        started = true;
        while (!job.isCancelled())
            std::this_thread::yield();
        ++sawCancel;
    };
    std::thread first(reader);
    std::thread second(reader);
    while (!started)
        std::this_thread::yield();
    job.cancel();
    first.join();
    second.join();
    EXPECT_EQ(sawCancel, 2);
}

TEST(ExportJobTest, EveryErrorHasItsMessage)
{
    struct Row {
        ExporterError error;
        const char* message;
    };
    for (const Row& row : {
             Row{ExporterError::noVideo, "This file has no video track."},
             Row{ExporterError::readerUnavailable, "Could not read the source video."},
             Row{ExporterError::encoderUnavailable, "This computer cannot encode the selected format."},
             Row{ExporterError::writeFailed, "Could not finish the export."},
             Row{ExporterError::musicUnavailable,
                 "The selected music file is missing or unreadable. Choose it again."},
             Row{ExporterError::cancelled, "Export cancelled."},
             Row{ExporterError::sourceOverwrite,
                 "Choose a different filename. An export cannot replace its source recording."},
         }) {
        EXPECT_EQ(errorDescription(row.error), QString::fromUtf8(row.message));
        const ExporterFailure failure(row.error);
        EXPECT_STREQ(failure.what(), row.message);
        EXPECT_EQ(failure.error(), row.error);
    }
}

}  // namespace
}  // namespace sablewick
