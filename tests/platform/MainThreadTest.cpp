#include "platform/Guarded.h"
#include "platform/MainThread.h"
#include "platform/WorkerThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace sablewick {
namespace {

// Work posted from other threads runs on the main thread with its receiver; once the receiver
// has gone, it is dropped, unless it takes the receiver through a QPointer and so asks to hear of
// the end (with null).
TEST(MainThreadTest, PostedWorkRunsOnTheMainThreadOrIsDroppedWithItsReceiver)
{
    struct Seen {
        bool ran = false;
        bool onMain = false;
        std::optional<bool> receiverAlive;
    };
    const struct {
        const char* name;
        bool receiverGoes;
        bool takesPointer;  // f(QObject*) given a QPointer
        bool expectRun;
        std::optional<bool> expectAlive;
    } rows[] = {
        {"plain, alive", false, false, true, std::nullopt},
        {"plain, gone", true, false, false, std::nullopt},
        {"with the receiver, alive", false, true, true, true},
        {"with the receiver, gone", true, true, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto receiver = std::make_unique<QObject>();
        const QPointer<QObject> pointer(receiver.get());
        Seen seen;
        std::thread([&] {
            if (row.takesPointer) {
                postToMain(pointer, [&](QObject* alive) {
                    seen.ran = true;
                    seen.onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
                    seen.receiverAlive = alive != nullptr;
                });
            } else {
                postToMain(receiver.get(), [&] {
                    seen.ran = true;
                    seen.onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
                });
            }
        }).join();
        EXPECT_FALSE(seen.ran) << "nothing runs on the posting thread";
        if (row.receiverGoes)
            receiver.reset();
        QCoreApplication::processEvents();
        EXPECT_EQ(seen.ran, row.expectRun);
        EXPECT_EQ(seen.onMain, row.expectRun);
        EXPECT_EQ(seen.receiverAlive, row.expectAlive);
    }
}

TEST(MainThreadTest, PublishAnnouncesOnlyAChange)
{
    std::optional<std::string> field;
    int announced = 0;
    const auto changed = [&] { ++announced; };
    EXPECT_TRUE(publish(field, std::optional<std::string>("a"), changed));
    EXPECT_FALSE(publish(field, std::optional<std::string>("a"), changed));
    EXPECT_TRUE(publish(field, std::optional<std::string>(), changed));
    EXPECT_EQ(field, std::nullopt);
    EXPECT_EQ(announced, 2);
}

// A consumer waits on the guarded data with a predicate; a producer changes it under its lock.
TEST(GuardedTest, AWaitSeesWhatAnotherThreadChangedUnderTheLock)
{
    Guarded<std::vector<int>> items;
    std::condition_variable changed;
    std::thread producer([&] {
        for (int i = 1; i <= 100; ++i) {
            items.lock()->push_back(i);
            changed.notify_one();
        }
    });
    {
        auto locked = items.lock();
        locked.wait(changed, [](const std::vector<int>& v) { return v.size() == 100; });
        EXPECT_EQ(locked->back(), 100);
    }
    producer.join();
    const auto& constItems = items;
    EXPECT_EQ(constItems.lock()->front(), 1);
}

TEST(WorkerThreadTest, WhateverTheBodyThrowsEndsItWithAReason)
{
    const struct {
        const char* name;
        std::function<void()> body;
        std::optional<std::string> reason;
    } rows[] = {
        {"returns", [] {}, std::nullopt},
        {"an error", [] { throw std::runtime_error("disk gone"); }, "disk gone"},
        {"anything else", [] { throw 7; }, "could not go on"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<std::string> reason;
        bool ended = false;
        std::thread([&] {
            ended = runCatchingAll(row.body, "could not go on", [&](const std::string& r) { reason = r; });
        }).join();
        EXPECT_EQ(ended, !row.reason);
        EXPECT_EQ(reason, row.reason);
    }
}

}  // namespace
}  // namespace sablewick
