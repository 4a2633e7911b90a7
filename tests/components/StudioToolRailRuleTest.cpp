#include "components/StudioToolRailRule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sablewick {
namespace {

enum class Page { canvas, focus, cursor, audio };

TEST(StudioToolRailRule, ActiveOnlyWhileShownOnThatPage)
{
    EXPECT_TRUE(toolRailItemActive(true, true));
    EXPECT_FALSE(toolRailItemActive(true, false));
    EXPECT_FALSE(toolRailItemActive(false, true));
    EXPECT_FALSE(toolRailItemActive(false, false));
}

TEST(StudioToolRailRule, WritingOnSelectsShowsAndReportsInOrder)
{
    struct Row {
        Page selection;
        bool presented;
        Page clicked;
        bool write;
        Page expectedSelection;
        bool expectedPresented;
        int expectedReports;
    };
    const Row rows[] = {
        // A hidden inspector: any click shows it on the clicked page.
        {Page::canvas, false, Page::canvas, true, Page::canvas, true, 1},
        {Page::canvas, false, Page::audio, true, Page::audio, true, 1},
        // A shown inspector switches page.
        {Page::canvas, true, Page::focus, true, Page::focus, true, 1},
        // Turning an item off never hides the inspector and reports nothing.
        {Page::focus, true, Page::focus, false, Page::focus, true, 0},
        {Page::focus, false, Page::focus, false, Page::focus, false, 0},
    };
    for (const Row& row : rows) {
        Page selection = row.selection;
        bool presented = row.presented;
        std::vector<std::string> log;
        StudioBinding<Page> selectionBinding{[&] { return selection; },
                                             [&](const Page& p) { selection = p; log.push_back("select"); }};
        StudioBinding<bool> presentedBinding{[&] { return presented; },
                                             [&](const bool& v) { presented = v; log.push_back("present"); }};
        int reports = 0;
        auto item = toolRailItemBinding<Page>(selectionBinding, presentedBinding, row.clicked,
                                              [&](const Page& p) {
                                                  EXPECT_EQ(p, row.clicked);
                                                  ++reports;
                                                  log.push_back("report");
                                              });
        item.set(row.write);
        EXPECT_EQ(selection, row.expectedSelection);
        EXPECT_EQ(presented, row.expectedPresented);
        EXPECT_EQ(reports, row.expectedReports);
        if (row.write) {
            EXPECT_EQ(log, (std::vector<std::string>{"select", "present", "report"}));
        }
        EXPECT_EQ(item.get(), row.write || (row.presented && row.selection == row.clicked));
    }
}

} // namespace
} // namespace sablewick
