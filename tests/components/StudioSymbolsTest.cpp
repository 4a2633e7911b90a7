#include "components/StudioSymbols.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace sablewick {
namespace {

// The installed Adwaita theme keeps every symbolic icon as a scalable SVG in one of its contexts.
bool adwaitaHas(std::string_view name)
{
    const std::filesystem::path root = "/usr/share/icons/Adwaita/scalable";
    std::error_code error;
    for (const auto& context : std::filesystem::directory_iterator(root, error))
        if (std::filesystem::exists(context.path() / (std::string(name) + ".svg")))
            return true;
    return false;
}

TEST(StudioSymbols, EverySymbolEndsInAnAdwaitaIcon)
{
    const auto table = studioSymbolTable();
    ASSERT_FALSE(table.empty());
    for (const StudioSymbolEntry& entry : table) {
        // The kit draws a few symbols itself; those name no icon at all.
        if (entry.drawing != StudioSymbolDrawing::none) {
            EXPECT_TRUE(entry.iconNames.empty()) << entry.symbol;
            continue;
        }
        ASSERT_FALSE(entry.iconNames.empty()) << entry.symbol;
        EXPECT_TRUE(adwaitaHas(entry.iconNames.back()))
            << entry.symbol << " -> " << entry.iconNames.back();
    }
}

TEST(StudioSymbols, LookupFindsEveryEntryAndNothingElse)
{
    const auto table = studioSymbolTable();
    for (std::size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(table[i - 1].symbol, table[i].symbol) << "table must stay sorted";
    for (const StudioSymbolEntry& entry : table)
        EXPECT_EQ(freedesktopIconNames(entry.symbol).data(), entry.iconNames.data()) << entry.symbol;
    EXPECT_EQ(freedesktopIconNames("trash").front(), "user-trash-symbolic");
    EXPECT_EQ(freedesktopIconNames("crop").size(), 3u);
    EXPECT_TRUE(freedesktopIconNames("no.such.symbol").empty());
    EXPECT_TRUE(freedesktopIconNames("").empty());
    EXPECT_TRUE(freedesktopIconNames("Trash").empty());
}

} // namespace
} // namespace sablewick
