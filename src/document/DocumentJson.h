#pragma once

#include "document/EditSettings.h"
#include "document/FocusPoint.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace sablewick {

// The JSON form of the document records: field names as keys, absent optionals left out, colours
// as decimal integers, URLs as absolute URL strings, UUIDs as upper-case hyphenated text,
// enumerations as their stored values.
//
// Encoders throw DocumentError (notEncodable) for a NaN or infinite number (JSON cannot hold it)
// and for an empty or invalid URL (no reader would take it back). Decoders throw
// DocumentError (malformed) when a required key is missing or null, any value has the wrong JSON
// type, an integer is out of range, a number is not finite, or a string is no stored value, URL or
// UUID; keys they do not know are ignored. They never repair: any fault rejects the whole value.
namespace DocumentJson {

// `path` names the value in error messages ("settings.cropLeft is not a finite number").
nlohmann::json encode(const BackgroundPreset& preset, const std::string& path = "background");
nlohmann::json encode(const EditSettings& settings, const std::string& path = "settings");
nlohmann::json encode(const FocusPoint& point, const std::string& path = "point");
nlohmann::json encode(const PointerSample& sample, const std::string& path = "pointer sample");
nlohmann::json encode(const std::vector<FocusPoint>& points, const std::string& path = "events");
nlohmann::json encode(const std::vector<PointerSample>& samples, const std::string& path = "pointerSamples");

BackgroundPreset decodeBackgroundPreset(const nlohmann::json& object, const std::string& path = "background");
EditSettings decodeEditSettings(const nlohmann::json& object, const std::string& path = "settings");
FocusPoint decodeFocusPoint(const nlohmann::json& object, const std::string& path = "point");
PointerSample decodePointerSample(const nlohmann::json& object, const std::string& path = "pointer sample");
std::vector<FocusPoint> decodeFocusPoints(const nlohmann::json& array, const std::string& path = "events");
std::vector<PointerSample> decodePointerSamples(const nlohmann::json& array,
                                                const std::string& path = "pointerSamples");

// The text forms used for UUIDs and URLs.
std::string uuidText(const QUuid& id);
std::string urlText(const QUrl& url);

}  // namespace DocumentJson
}  // namespace sablewick
