#include "DocumentSamples.h"

#include "document/DocumentJson.h"
#include "document/Project.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace sablewick {
namespace {

using nlohmann::json;

TEST(DocumentJson, DefaultSettingsWriteOnlyTheSeventeenRequiredKeys)
{
    const json expected = json::parse(R"({
        "trimStart": 0, "trimEnd": 0, "zoomDuration": 2.2, "zoomStrength": 1.65,
        "background": {"id": "prism", "name": "Prism", "first": 4217819, "second": 13145576,
                       "glow": 6940140, "fourth": 16759526},
        "backgroundKind": "Gradient", "solidColor": 15265010, "aspect": "16:9",
        "cornerRadius": 24, "canvasPadding": 7.5, "shadowStrength": 0.24, "backgroundBlur": 0,
        "cropLeft": 0, "cropRight": 0, "cropTop": 0, "cropBottom": 0, "zoomEnabled": true})");
    const json encoded = DocumentJson::encode(EditSettings());
    EXPECT_EQ(encoded, expected) << encoded.dump();
    EXPECT_THAT(encoded.dump(), ::testing::HasSubstr(R"("solidColor":15265010)"));
    EXPECT_EQ(DocumentJson::decodeEditSettings(encoded), EditSettings());
}

TEST(DocumentJson, EveryFieldRoundTrips)
{
    const EditSettings full = test::fullSettings();
    const json encoded = DocumentJson::encode(full);
    EXPECT_EQ(encoded.size(), 42u);
    EXPECT_EQ(encoded["aspect"], "Custom");
    EXPECT_EQ(encoded["backgroundKind"], "Image");
    EXPECT_EQ(encoded["backgroundArtwork"], "clayFolds");
    EXPECT_EQ(encoded["pointerStyle"], "Dot");
    EXPECT_EQ(encoded["interactionSoundStyle"], "Tactile");
    EXPECT_EQ(encoded["musicChoice"], "custom");
    EXPECT_EQ(encoded["frameColor"], 4294967295u);
    EXPECT_EQ(encoded["backgroundImageURL"], "file:///home/user/My%20Pictures/desk%20(1).png");
    EXPECT_FALSE(encoded["background"].contains("glow"));
    EXPECT_EQ(DocumentJson::decodeEditSettings(encoded), full);

    const FocusProject project = test::fullProject();
    EXPECT_EQ(FocusProject::fromJson(project.toJson()), project);
    EXPECT_EQ(ProjectFile::parseProject(ProjectFile::recoveryText(project)), project);
}

// A stored link must read back as the same URL, whatever the file's name holds, or the project
// points at another file (or at none).
TEST(DocumentJson, StoredUrlsReadBackExactly)
{
    std::vector<QUrl> urls;
    for (const char* name : {"a#b.mp4", "100%.mp4", "what?.mp4", "my clip.mp4", "Aufnahme äö 日本.mp4", "%23.mp4",
                             "a%2Fb.mp4", "x#y?z%w &=+.mp4"})
        urls.push_back(QUrl::fromLocalFile(QStringLiteral("/home/ada/Videos/") + QString::fromUtf8(name)));
    for (const char* text : {"file:///m.mp4#a#b", "file:///m.mp4#a%23b", "file:///m.mp4#[x]%20%25", "file:///m.mp4?#",
                             "https://example.com/a b/ä?q=%23#c#d ö"})
        urls.emplace_back(QString::fromUtf8(text));
    QUrl decodedFragment = QUrl::fromLocalFile(QStringLiteral("/tmp/a #b?.mp4"));
    decodedFragment.setFragment(QStringLiteral("p#q r%s"), QUrl::DecodedMode);
    urls.push_back(decodedFragment);

    for (const QUrl& url : urls) {
        ASSERT_TRUE(url.isValid()) << url.toString().toStdString();
        FocusProject project = test::fullProject();
        project.movieURL = url;
        const std::string text = ProjectFile::recoveryText(project);
        const FocusProject back = ProjectFile::parseProject(text);
        EXPECT_EQ(back.movieURL, url) << url.toString().toStdString() << " was stored as "
                                      << json::parse(text)["movieURL"].get<std::string>();
        EXPECT_EQ(back.movieURL.toLocalFile(), url.toLocalFile());
    }
}

TEST(DocumentJson, FocusPointsUseUpperCaseUuidsAndStoredValues)
{
    const QUuid id = QUuid::fromString(QStringLiteral("6ba7b810-9dad-11d1-80b4-00c04fd430c8"));
    const FocusPoint point{id, 2, 0.25, 0.75, FocusKind::typing, std::nullopt, std::nullopt, ZoomMode::follow};
    const json encoded = DocumentJson::encode(point);
    EXPECT_EQ(encoded, json::parse(R"({"id": "6BA7B810-9DAD-11D1-80B4-00C04FD430C8", "time": 2, "x": 0.25,
                                      "y": 0.75, "kind": "typing", "zoomMode": "Follow cursor"})"));
    EXPECT_EQ(DocumentJson::decodeFocusPoint(encoded), point);

    // Readers take lower-case hexadecimal as well.
    json lower = encoded;
    lower["id"] = "6ba7b810-9dad-11d1-80b4-00c04fd430c8";
    EXPECT_EQ(DocumentJson::decodeFocusPoint(lower).id, id);
}

TEST(DocumentJson, ReadersIgnoreUnknownKeysAndTakeNullOptionalsAsAbsent)
{
    json text = test::fullProject().toJson();
    text["comment"] = "made by hand";
    text["settings"]["futureSetting"] = {1, 2, 3};
    text["settings"]["background"]["shine"] = true;
    text["events"][0]["pressure"] = 0.5;
    text["settings"]["pointerSize"] = nullptr;
    text["interactionEvents"] = nullptr;
    const FocusProject read = FocusProject::fromJson(text);
    EXPECT_FALSE(read.settings.pointerSize);
    EXPECT_EQ(read.settings.effectivePointerSize(), 1.6);
    EXPECT_FALSE(read.interactionEvents);
    ASSERT_EQ(read.events.size(), 3u);
    EXPECT_EQ(read.events[0].time, 1.25);
}

struct Rejection {
    const char* name;
    const char* pointer;  // the value to change; empty: the whole document
    json replacement;     // a discarded value removes the key
};

void PrintTo(const Rejection& rejection, std::ostream* out) { *out << rejection.name; }

class ProjectRejection : public ::testing::TestWithParam<Rejection> {};

TEST_P(ProjectRejection, RefusesTheWholeFile)
{
    json document = test::fullProject().toJson();
    const json::json_pointer pointer(GetParam().pointer);
    if (GetParam().replacement.is_discarded())
        document[pointer.parent_pointer()].erase(pointer.back());
    else
        document[pointer] = GetParam().replacement;
    try {
        FocusProject::fromJson(document);
        FAIL() << "accepted " << document.dump();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::malformed) << error.what();
    }
}

const json kRemove = json(json::value_t::discarded);

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectRejection,
    ::testing::Values(
        Rejection{"missingBackgroundBlur", "/settings/backgroundBlur", kRemove},
        Rejection{"nullRequiredKey", "/settings/backgroundBlur", nullptr},
        Rejection{"missingSettings", "/settings", kRemove},
        Rejection{"missingEvents", "/events", kRemove},
        Rejection{"missingMovie", "/movieURL", kRemove},
        Rejection{"missingVersion", "/version", kRemove},
        Rejection{"versionAsText", "/version", "1"},
        Rejection{"versionAsReal", "/version", 1.0},
        Rejection{"unknownMusic", "/settings/musicChoice", "jazz"},
        Rejection{"lowerCaseKind", "/settings/backgroundKind", "color"},
        Rejection{"unknownAspect", "/settings/aspect", "21:9"},
        Rejection{"unknownArtwork", "/settings/backgroundArtwork", "pattern-dots"},
        Rejection{"unknownPointerStyle", "/settings/pointerStyle", "arrow"},
        Rejection{"lowerCaseZoomMode", "/events/1/zoomMode", "follow"},
        Rejection{"unknownFocusKind", "/events/0/kind", "Click"},
        Rejection{"missingFocusKind", "/events/0/kind", kRemove},
        Rejection{"numberAsText", "/settings/zoomStrength", "1.65"},
        Rejection{"numberAsBoolean", "/settings/trimEnd", true},
        Rejection{"optionalOfWrongType", "/settings/pointerSize", "big"},
        Rejection{"booleanAsNumber", "/settings/zoomEnabled", 1},
        Rejection{"optionalBooleanAsText", "/editablePointer", "true"},
        Rejection{"sampleVisibleAsNumber", "/pointerSamples/1/visible", 0},
        Rejection{"sampleMissingTime", "/pointerSamples/0/time", kRemove},
        Rejection{"negativeColour", "/settings/solidColor", -1},
        Rejection{"colourAbove32Bits", "/settings/solidColor", 4294967296ull},
        Rejection{"colourAsReal", "/settings/solidColor", 15265010.0},
        Rejection{"colourAsText", "/settings/background/first", "#405BDB"},
        Rejection{"presetWithoutFirst", "/settings/background/first", kRemove},
        Rejection{"presetGlowOutOfRange", "/settings/background/glow", -5},
        Rejection{"integerAboveInt64", "/settings/customAspectWidth", 9223372036854775808ull},
        Rejection{"integerAsReal", "/settings/customAspectHeight", 9.5},
        Rejection{"invalidUuid", "/events/0/id", "not-a-uuid"},
        Rejection{"uuidInBraces", "/events/0/id", "{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}"},
        Rejection{"uuidWithBadDigit", "/events/0/id", "6BA7B810-9DAD-11D1-80B4-00C04FD430CG"},
        Rejection{"emptyUrl", "/movieURL", ""},
        Rejection{"unparsableUrl", "/movieURL", "http://[::1"},
        Rejection{"urlAsNumber", "/settings/musicFileURL", 5},
        Rejection{"eventsAsObject", "/events", json::object()},
        Rejection{"eventAsArray", "/events/0", json::array()},
        Rejection{"settingsAsArray", "/settings", json::array()},
        Rejection{"interactionEventsAsText", "/interactionEvents", "none"},
        Rejection{"badInteractionEvent", "/interactionEvents/0/x", "left"},
        Rejection{"wholeDocumentAnArray", "", json::array()}),
    [](const ::testing::TestParamInfo<Rejection>& info) { return std::string(info.param.name); });

TEST(DocumentJson, ErrorsNameTheOffendingKey)
{
    json document = test::fullProject().toJson();
    document["settings"].erase("backgroundBlur");
    EXPECT_THROW(
        {
            try {
                FocusProject::fromJson(document);
            } catch (const DocumentError& error) {
                EXPECT_STREQ(error.what(), "settings.backgroundBlur is missing.");
                throw;
            }
        },
        DocumentError);

    document = test::fullProject().toJson();
    document["events"][1]["zoomMode"] = "follow";
    try {
        FocusProject::fromJson(document);
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_STREQ(error.what(), "events[1].zoomMode holds \"follow\", which is not one of its values.");
    }
}

TEST(DocumentJson, NonFiniteNumbersInTheTextAreRefused)
{
    // An overflowing literal never becomes an infinite setting.
    std::string text = ProjectFile::recoveryText(test::fullProject());
    const std::string needle = "\"trimEnd\":12.25";
    ASSERT_NE(text.find(needle), std::string::npos);
    text.replace(text.find(needle), needle.size(), "\"trimEnd\":1e999");
    try {
        ProjectFile::parseProject(text);
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::malformed);
        EXPECT_STREQ(error.what(), "The file holds a number too large to represent.");
    }
    // A value built in memory is checked as well.
    json settings = DocumentJson::encode(EditSettings());
    settings["cropTop"] = -std::numeric_limits<double>::infinity();
    try {
        DocumentJson::decodeEditSettings(settings);
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_STREQ(error.what(), "settings.cropTop is not a finite number.");
    }
}

TEST(DocumentJson, OptionalKeysMayBeLeftOut)
{
    json document = test::fullProject().toJson();
    for (const char* key : {"savedProjectURL", "interactionEvents", "pointerSamples", "editablePointer"})
        document.erase(key);
    document["settings"].erase("pointerSize");
    document["events"][1].erase("zoomMode");
    const FocusProject read = FocusProject::fromJson(document);
    EXPECT_FALSE(read.settings.pointerSize);
    EXPECT_FALSE(read.events[1].zoomMode);
    EXPECT_FALSE(read.pointerSamples);
    EXPECT_FALSE(read.editablePointer);
    // Without interactionEvents the recorded points come from events, manual ones left out.
    const std::vector<FocusPoint> recorded = read.effectiveInteractionEvents();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].kind, FocusKind::click);
    EXPECT_EQ(recorded[1].kind, FocusKind::typing);
}

TEST(DocumentJson, VersionRule)
{
    for (const int version : {0, 2, -1}) {
        json document = test::fullProject().toJson();
        document["version"] = version;
        try {
            FocusProject::fromJson(document);
            FAIL() << "accepted version " << version;
        } catch (const DocumentError& error) {
            EXPECT_EQ(error.kind(), DocumentError::Kind::unsupportedVersion) << error.what();
        }
    }
    // A newer version is reported as such even when the rest is not what this reader knows.
    const json future = {{"version", 2}, {"movieURL", "file:///m.mp4"}, {"settings", "new format"}};
    try {
        FocusProject::fromJson(future);
        FAIL();
    } catch (const DocumentError& error) {
        EXPECT_EQ(error.kind(), DocumentError::Kind::unsupportedVersion);
    }
    // Writers always write 1.
    FocusProject project = test::fullProject();
    project.version = 7;
    EXPECT_EQ(project.toJson()["version"], 1);
}

TEST(DocumentJson, WritingANonFiniteNumberIsAnError)
{
    const std::vector<std::function<void(FocusProject&)>> spoilers = {
        [](FocusProject& p) { p.settings.trimEnd = std::numeric_limits<double>::infinity(); },
        [](FocusProject& p) { p.settings.pointerSize = std::nan(""); },
        [](FocusProject& p) { p.events[2].time = -std::numeric_limits<double>::infinity(); },
        [](FocusProject& p) { p.pointerSamples->at(1).x = std::nan(""); },
        [](FocusProject& p) { p.movieURL = QUrl(); },
    };
    for (const auto& spoil : spoilers) {
        FocusProject project = test::fullProject();
        spoil(project);
        try {
            ProjectFile::projectText(project);
            FAIL();
        } catch (const DocumentError& error) {
            EXPECT_EQ(error.kind(), DocumentError::Kind::notEncodable) << error.what();
        }
    }
}

TEST(DocumentJson, SidecarRoundTripsAndNeedsItsEvents)
{
    FocusSidecar sidecar;
    sidecar.events = test::fullProject().events;
    sidecar.pointerSamples = std::vector<PointerSample>{};
    sidecar.editablePointer = true;
    sidecar.recordedPointerVisible = false;
    sidecar.recordedClickHighlights = true;
    const std::string text = ProjectFile::sidecarText(sidecar);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(ProjectFile::parseSidecar(text), sidecar);

    const FocusSidecar minimal = ProjectFile::parseSidecar(R"({"events": []})");
    EXPECT_TRUE(minimal.events.empty());
    EXPECT_FALSE(minimal.pointerSamples);
    EXPECT_FALSE(minimal.editablePointer);
    EXPECT_THROW(ProjectFile::parseSidecar(R"({"pointerSamples": []})"), DocumentError);
    EXPECT_THROW(ProjectFile::parseSidecar(R"({"events": [], "recordedPointerVisible": "yes"})"), DocumentError);
}

}  // namespace
}  // namespace sablewick
