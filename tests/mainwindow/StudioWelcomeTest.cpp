// The welcome screen's layouts, lists and actions, offscreen.
#include "components/StudioButton.h"
#include "mainwindow/StudioWelcome.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace sablewick {
namespace {

QStringList visibleTexts(QWidget* root)
{
    QStringList texts;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisibleTo(root))
            texts << label->text();
    return texts;
}

QAbstractButton* button(QWidget* root, const QString& title)
{
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
        if (b->text() == title)
            return b;
    return nullptr;
}

TEST(StudioWelcomeTest, CardsStackBelow900Pixels)
{
    StudioWelcome welcome;
    welcome.show();
    struct Row { int width; bool compact; };
    for (const Row row : {Row{899, true}, Row{900, false}, Row{1380, false}, Row{720, true}}) {
        welcome.resize(row.width, 800);
        QCoreApplication::processEvents();
        EXPECT_EQ(welcome.isCompact(), row.compact) << row.width;
        QAbstractButton* record = button(&welcome, "New recording");
        QAbstractButton* shot = button(&welcome, "Take screenshot");
        const QPoint a = record->mapTo(&welcome, QPoint());
        const QPoint b = shot->mapTo(&welcome, QPoint());
        if (row.compact)
            EXPECT_GT(b.y(), a.y()) << "stacked cards at " << row.width;
        else
            EXPECT_GT(b.x(), a.x()) << "side-by-side cards at " << row.width;
    }
}

TEST(StudioWelcomeTest, ProjectsRecoveryAndEmptyLabel)
{
    StudioWelcome welcome;
    welcome.resize(1200, 900);
    welcome.show();
    const QString empty = "Saved projects will appear here. Your recordings and edits stay on this computer.";
    EXPECT_TRUE(visibleTexts(&welcome).contains(empty));
    EXPECT_FALSE(visibleTexts(&welcome).contains("Your last edit is ready"));

    welcome.setRecoveryAvailable(true);
    EXPECT_FALSE(visibleTexts(&welcome).contains(empty)) << "the recovery banner replaces the empty label";
    EXPECT_TRUE(visibleTexts(&welcome).contains("Your last edit is ready"));

    QList<QUrl> projects;
    for (const char* name : {"One.sablewick.json", "Two.json", "Three", "Four.a.b.json", "Five.sablewick.json"})
        projects << QUrl::fromLocalFile(QString("/home/u/Work/") + name);
    welcome.setRecoveryAvailable(false);
    welcome.setRecentProjects(projects);
    QCoreApplication::processEvents();  // rows added to a shown screen appear on the next turn
    const QStringList texts = visibleTexts(&welcome);
    for (const char* shown : {"One", "Two", "Three", "Four.a"})
        EXPECT_TRUE(texts.contains(shown)) << shown;
    EXPECT_FALSE(texts.contains("Five")) << "at most four recent projects";
    EXPECT_EQ(texts.count("Work"), 4);
    EXPECT_FALSE(texts.contains(empty));

    QSignalSpy recent(&welcome, &StudioWelcome::openRecent);
    for (QAbstractButton* row : welcome.findChildren<QAbstractButton*>())
        if (row->accessibleName() == "Two")
            row->click();
    ASSERT_EQ(recent.count(), 1);
    EXPECT_EQ(recent.at(0).at(0).toUrl(), projects[1]);
}

TEST(StudioWelcomeTest, CaptureButtonsWaitWhileBusyAndOpenStaysAvailable)
{
    StudioWelcome welcome;
    welcome.show();
    QSignalSpy record(&welcome, &StudioWelcome::record);
    QSignalSpy project(&welcome, &StudioWelcome::openProject);
    welcome.setCaptureBusy(true);
    EXPECT_FALSE(button(&welcome, "New recording")->isEnabled());
    EXPECT_FALSE(button(&welcome, "Take screenshot")->isEnabled());
    EXPECT_TRUE(button(&welcome, "Open a file")->isEnabled());
    button(&welcome, QString::fromUtf8("Open project…"))->click();
    EXPECT_EQ(project.count(), 1);
    welcome.setCaptureBusy(false);
    button(&welcome, "New recording")->click();
    EXPECT_EQ(record.count(), 1);
}

}  // namespace
}  // namespace sablewick
