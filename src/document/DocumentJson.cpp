#include "document/DocumentJson.h"

#include "document/JsonFields.h"

namespace sablewick::DocumentJson {

using nlohmann::json;
using namespace jsonfields;

namespace {

json encodePreset(const BackgroundPreset& preset, const std::string& path)
{
    ObjectWriter out(path);
    out.string("id", preset.id);
    out.string("name", preset.name);
    out.color("first", preset.first);
    out.color("second", preset.second);
    out.optionalColor("glow", preset.glow);
    out.optionalColor("fourth", preset.fourth);
    return out.take();
}

json encodeSettings(const EditSettings& s, const std::string& path)
{
    ObjectWriter out(path);
    out.number("trimStart", s.trimStart);
    out.number("trimEnd", s.trimEnd);
    out.number("zoomDuration", s.zoomDuration);
    out.number("zoomStrength", s.zoomStrength);
    out.value("background", encodePreset(s.background, out.pathOf("background")));
    out.enumeration("backgroundKind", s.backgroundKind);
    out.color("solidColor", s.solidColor);
    out.optionalUrl("backgroundImageURL", s.backgroundImageURL);
    out.optionalEnumeration("backgroundArtwork", s.backgroundArtwork);
    out.enumeration("aspect", s.aspect);
    out.optionalInteger("customAspectWidth", s.customAspectWidth);
    out.optionalInteger("customAspectHeight", s.customAspectHeight);
    out.number("cornerRadius", s.cornerRadius);
    out.number("canvasPadding", s.canvasPadding);
    out.number("shadowStrength", s.shadowStrength);
    out.optionalNumber("frameInset", s.frameInset);
    out.optionalColor("frameColor", s.frameColor);
    out.optionalBoolean("balancedCorners", s.balancedCorners);
    out.optionalNumber("sourceAspectWidth", s.sourceAspectWidth);
    out.optionalNumber("sourceAspectHeight", s.sourceAspectHeight);
    out.optionalBoolean("pointerVisible", s.pointerVisible);
    out.optionalNumber("pointerSize", s.pointerSize);
    out.optionalEnumeration("pointerStyle", s.pointerStyle);
    out.optionalBoolean("pointerSmooth", s.pointerSmooth);
    out.optionalBoolean("pointerPress", s.pointerPress);
    out.optionalBoolean("pointerRipple", s.pointerRipple);
    out.optionalNumber("zoomTransition", s.zoomTransition);
    out.number("backgroundBlur", s.backgroundBlur);
    out.number("cropLeft", s.cropLeft);
    out.number("cropRight", s.cropRight);
    out.number("cropTop", s.cropTop);
    out.number("cropBottom", s.cropBottom);
    out.boolean("zoomEnabled", s.zoomEnabled);
    out.optionalEnumeration("musicChoice", s.musicChoice);
    out.optionalUrl("musicFileURL", s.musicFileURL);
    out.optionalNumber("musicVolume", s.musicVolume);
    out.optionalNumber("sourceVolume", s.sourceVolume);
    out.optionalBoolean("interactionSounds", s.interactionSounds);
    out.optionalEnumeration("interactionSoundStyle", s.interactionSoundStyle);
    out.optionalNumber("interactionVolume", s.interactionVolume);
    out.optionalBoolean("clickSounds", s.clickSounds);
    out.optionalBoolean("typingSounds", s.typingSounds);
    return out.take();
}

json encodePoint(const FocusPoint& p, const std::string& path)
{
    ObjectWriter out(path);
    out.uuid("id", p.id);
    out.number("time", p.time);
    out.number("x", p.x);
    out.number("y", p.y);
    out.enumeration("kind", p.kind);
    out.optionalNumber("zoomDuration", p.zoomDuration);
    out.optionalNumber("zoomStrength", p.zoomStrength);
    out.optionalEnumeration("zoomMode", p.zoomMode);
    out.optionalNumber("zoomTransition", p.zoomTransition);
    return out.take();
}

json encodeSample(const PointerSample& sample, const std::string& path)
{
    ObjectWriter out(path);
    out.number("time", sample.time);
    out.number("x", sample.x);
    out.number("y", sample.y);
    out.boolean("visible", sample.visible);
    return out.take();
}

template <class T, class Encode>
json encodeList(const std::vector<T>& items, const std::string& path, Encode encodeItem)
{
    json array = json::array();
    for (std::size_t i = 0; i < items.size(); ++i)
        array.push_back(encodeItem(items[i], element(path, i)));
    return array;
}

template <class Decode>
auto decodeList(const json& value, const std::string& path, Decode decodeItem)
{
    const json& array = toArray(value, path);
    std::vector<decltype(decodeItem(array, path))> items;
    items.reserve(array.size());
    for (std::size_t i = 0; i < array.size(); ++i)
        items.push_back(decodeItem(array[i], element(path, i)));
    return items;
}

}  // namespace

json encode(const BackgroundPreset& preset, const std::string& path) { return encodePreset(preset, path); }
json encode(const EditSettings& settings, const std::string& path) { return encodeSettings(settings, path); }
json encode(const FocusPoint& point, const std::string& path) { return encodePoint(point, path); }
json encode(const PointerSample& sample, const std::string& path) { return encodeSample(sample, path); }
json encode(const std::vector<FocusPoint>& points, const std::string& path) { return encodeList(points, path, encodePoint); }
json encode(const std::vector<PointerSample>& samples, const std::string& path)
{
    return encodeList(samples, path, encodeSample);
}

// ---- decoders -----------------------------------------------------------------------------------

BackgroundPreset decodeBackgroundPreset(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    BackgroundPreset preset;
    preset.id = in.string("id");
    preset.name = in.string("name");
    preset.first = in.color("first");
    preset.second = in.color("second");
    preset.glow = in.optionalColor("glow");
    preset.fourth = in.optionalColor("fourth");
    return preset;
}

EditSettings decodeEditSettings(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    EditSettings s;
    s.trimStart = in.number("trimStart");
    s.trimEnd = in.number("trimEnd");
    s.zoomDuration = in.number("zoomDuration");
    s.zoomStrength = in.number("zoomStrength");
    s.background = decodeBackgroundPreset(in.required("background"), in.pathOf("background"));
    s.backgroundKind = in.enumeration<BackgroundKind>("backgroundKind");
    s.solidColor = in.color("solidColor");
    s.backgroundImageURL = in.optionalUrl("backgroundImageURL");
    s.backgroundArtwork = in.optionalEnumeration<BackgroundArtwork>("backgroundArtwork");
    s.aspect = in.enumeration<AspectRatio>("aspect");
    s.customAspectWidth = in.optionalInteger("customAspectWidth");
    s.customAspectHeight = in.optionalInteger("customAspectHeight");
    s.cornerRadius = in.number("cornerRadius");
    s.canvasPadding = in.number("canvasPadding");
    s.shadowStrength = in.number("shadowStrength");
    s.frameInset = in.optionalNumber("frameInset");
    s.frameColor = in.optionalColor("frameColor");
    s.balancedCorners = in.optionalBoolean("balancedCorners");
    s.sourceAspectWidth = in.optionalNumber("sourceAspectWidth");
    s.sourceAspectHeight = in.optionalNumber("sourceAspectHeight");
    s.pointerVisible = in.optionalBoolean("pointerVisible");
    s.pointerSize = in.optionalNumber("pointerSize");
    s.pointerStyle = in.optionalEnumeration<PointerStyle>("pointerStyle");
    s.pointerSmooth = in.optionalBoolean("pointerSmooth");
    s.pointerPress = in.optionalBoolean("pointerPress");
    s.pointerRipple = in.optionalBoolean("pointerRipple");
    s.zoomTransition = in.optionalNumber("zoomTransition");
    s.backgroundBlur = in.number("backgroundBlur");
    s.cropLeft = in.number("cropLeft");
    s.cropRight = in.number("cropRight");
    s.cropTop = in.number("cropTop");
    s.cropBottom = in.number("cropBottom");
    s.zoomEnabled = in.boolean("zoomEnabled");
    s.musicChoice = in.optionalEnumeration<MusicChoice>("musicChoice");
    s.musicFileURL = in.optionalUrl("musicFileURL");
    s.musicVolume = in.optionalNumber("musicVolume");
    s.sourceVolume = in.optionalNumber("sourceVolume");
    s.interactionSounds = in.optionalBoolean("interactionSounds");
    s.interactionSoundStyle = in.optionalEnumeration<InteractionSoundStyle>("interactionSoundStyle");
    s.interactionVolume = in.optionalNumber("interactionVolume");
    s.clickSounds = in.optionalBoolean("clickSounds");
    s.typingSounds = in.optionalBoolean("typingSounds");
    return s;
}

FocusPoint decodeFocusPoint(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    FocusPoint p;
    p.id = in.uuid("id");
    p.time = in.number("time");
    p.x = in.number("x");
    p.y = in.number("y");
    p.kind = in.enumeration<FocusKind>("kind");
    p.zoomDuration = in.optionalNumber("zoomDuration");
    p.zoomStrength = in.optionalNumber("zoomStrength");
    p.zoomMode = in.optionalEnumeration<ZoomMode>("zoomMode");
    p.zoomTransition = in.optionalNumber("zoomTransition");
    return p;
}

PointerSample decodePointerSample(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    return PointerSample{in.number("time"), in.number("x"), in.number("y"), in.boolean("visible")};
}

std::vector<FocusPoint> decodeFocusPoints(const json& array, const std::string& path)
{
    return decodeList(array, path, decodeFocusPoint);
}

std::vector<PointerSample> decodePointerSamples(const json& array, const std::string& path)
{
    return decodeList(array, path, decodePointerSample);
}

std::string uuidText(const QUuid& id) { return jsonfields::uuidText(id); }
std::string urlText(const QUrl& url) { return jsonfields::urlText(url, "URL"); }

}  // namespace sablewick::DocumentJson
