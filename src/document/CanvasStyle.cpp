#include "document/CanvasStyle.h"

#include "document/DocumentError.h"
#include "document/DocumentJson.h"
#include "document/JsonFields.h"

#include "platform/PreferencesStore.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace sablewick {

using nlohmann::json;
using namespace jsonfields;

// ---- CanvasStyle --------------------------------------------------------------------------------

CanvasStyle::CanvasStyle(const EditSettings& settings)
    : background(settings.background)
    , kind(settings.backgroundKind)
    , color(settings.solidColor)
    , image(settings.backgroundImageURL)
    , artwork(settings.backgroundArtwork)
    , radius(settings.cornerRadius)
    , padding(settings.canvasPadding)
    , shadow(settings.shadowStrength)
    , blur(settings.backgroundBlur)
    , inset(settings.effectiveFrameInset())
    , frameColor(settings.effectiveFrameColor())
    , balancedCorners(settings.effectiveBalancedCorners())
{
}

void CanvasStyle::applyTo(EditSettings& settings) const
{
    settings.background = background;
    settings.backgroundKind = kind;
    settings.solidColor = color;
    settings.backgroundImageURL = image;
    settings.backgroundArtwork = artwork;
    settings.cornerRadius = radius;
    settings.canvasPadding = padding;
    settings.shadowStrength = shadow;
    settings.backgroundBlur = blur;
    settings.frameInset = inset;
    settings.frameColor = frameColor;
    settings.balancedCorners = balancedCorners;
}

namespace {

json encodeStyle(const CanvasStyle& style, const std::string& path)
{
    ObjectWriter out(path);
    out.value("background", DocumentJson::encode(style.background, out.pathOf("background")));
    out.enumeration("kind", style.kind);
    out.color("color", style.color);
    out.optionalUrl("image", style.image);
    out.optionalEnumeration("artwork", style.artwork);
    out.number("radius", style.radius);
    out.number("padding", style.padding);
    out.number("shadow", style.shadow);
    out.number("blur", style.blur);
    out.number("inset", style.inset);
    out.color("frameColor", style.frameColor);
    out.boolean("balancedCorners", style.balancedCorners);
    return out.take();
}

CanvasStyle decodeStyle(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    CanvasStyle style;
    style.background = DocumentJson::decodeBackgroundPreset(in.required("background"), in.pathOf("background"));
    style.kind = in.enumeration<BackgroundKind>("kind");
    style.color = in.color("color");
    style.image = in.optionalUrl("image");
    style.artwork = in.optionalEnumeration<BackgroundArtwork>("artwork");
    style.radius = in.number("radius");
    style.padding = in.number("padding");
    style.shadow = in.number("shadow");
    style.blur = in.number("blur");
    style.inset = in.number("inset");
    style.frameColor = in.color("frameColor");
    style.balancedCorners = in.boolean("balancedCorners");
    return style;
}

json encodeNamed(const NamedCanvasStyle& preset, const std::string& path)
{
    ObjectWriter out(path);
    out.uuid("id", preset.id);
    out.string("name", preset.name);
    out.value("style", encodeStyle(preset.style, out.pathOf("style")));
    return out.take();
}

NamedCanvasStyle decodeNamed(const json& object, const std::string& path)
{
    const ObjectReader in(object, path);
    NamedCanvasStyle preset;
    preset.id = in.uuid("id");
    preset.name = in.string("name");
    preset.style = decodeStyle(in.required("style"), in.pathOf("style"));
    return preset;
}

}  // namespace

json CanvasStyle::toJson() const { return encodeStyle(*this, "style"); }
CanvasStyle CanvasStyle::fromJson(const json& object) { return decodeStyle(object, "style"); }
json NamedCanvasStyle::toJson() const { return encodeNamed(*this, "preset"); }
NamedCanvasStyle NamedCanvasStyle::fromJson(const json& object) { return decodeNamed(object, "preset"); }

// ---- CanvasPresets ------------------------------------------------------------------------------

CanvasPresets::CanvasPresets(PreferencesStore& defaults, QObject* parent) : QObject(parent), m_defaults(defaults)
{
    const QVariant stored = m_defaults.value(QString::fromLatin1(storageKey));
    if (!stored.isValid())
        return;
    try {
        if (stored.typeId() != QMetaType::QByteArray)
            throw DocumentError(DocumentError::Kind::malformed, "The stored presets are not data.");
        m_items = decode(stored.toByteArray());
    } catch (const DocumentError&) {
        m_unreadable = stored;
    }
}

CanvasPresets& CanvasPresets::shared()
{
    static CanvasPresets* presets = new CanvasPresets(standardPreferences());
    return *presets;
}

QString CanvasPresets::normalizedName(const QString& name)
{
    const QString trimmed = name.trimmed();
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, trimmed);
    qsizetype end = 0;
    for (int count = 0; count < maximumNameLength; ++count) {
        const qsizetype next = graphemes.toNextBoundary();
        if (next < 0)
            return trimmed;
        end = next;
    }
    return trimmed.left(end);
}

bool CanvasPresets::save(const QString& name, const EditSettings& settings)
{
    const QString kept = normalizedName(name);
    if (kept.isEmpty())
        return false;

    std::vector<NamedCanvasStyle> items = m_items;
    const auto same = std::find_if(items.begin(), items.end(), [&kept](const NamedCanvasStyle& preset) {
        return preset.name.compare(kept, Qt::CaseInsensitive) == 0;
    });
    if (same != items.end())
        same->style = CanvasStyle(settings);
    else
        items.push_back(NamedCanvasStyle{QUuid::createUuid(), kept, CanvasStyle(settings)});

    // Memory and the store always agree: a list that cannot be stored is not taken either.
    if (!persist(items))
        return false;
    m_items = std::move(items);
    emit itemsChanged();
    return true;
}

void CanvasPresets::remove(const QUuid& id)
{
    std::vector<NamedCanvasStyle> items = m_items;
    std::erase_if(items, [&id](const NamedCanvasStyle& preset) { return preset.id == id; });
    if (!persist(items))
        return;
    const bool changed = items.size() != m_items.size();
    m_items = std::move(items);
    if (changed)
        emit itemsChanged();
}

QByteArray CanvasPresets::encode(const std::vector<NamedCanvasStyle>& items)
{
    json array = json::array();
    for (std::size_t i = 0; i < items.size(); ++i)
        array.push_back(encodeNamed(items[i], element("presets", i)));
    try {
        return QByteArray::fromStdString(array.dump());
    } catch (const json::type_error&) {
        throw DocumentError(DocumentError::Kind::notEncodable, "A preset name is not valid UTF-8.");
    }
}

std::vector<NamedCanvasStyle> CanvasPresets::decode(const QByteArray& data)
{
    json array;
    try {
        array = json::parse(data.begin(), data.end());
    } catch (const json::parse_error& error) {
        throw DocumentError(DocumentError::Kind::malformed,
                            "The stored presets are not valid JSON (at byte " + std::to_string(error.byte) + ").");
    } catch (const json::exception&) {
        throw DocumentError(DocumentError::Kind::malformed, "The stored presets hold a number too large to represent.");
    }
    const json& list = toArray(array, "presets");
    std::vector<NamedCanvasStyle> items;
    items.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        items.push_back(decodeNamed(list[i], element("presets", i)));
    return items;
}

bool CanvasPresets::persist(const std::vector<NamedCanvasStyle>& items)
{
    QByteArray data;
    try {
        data = encode(items);
    } catch (const DocumentError&) {
        return false;
    }
    keepUnreadableAside();
    m_defaults.setValue(QString::fromLatin1(storageKey), data);
    return true;
}

void CanvasPresets::keepUnreadableAside()
{
    if (!m_unreadable)
        return;
    m_defaults.keepAside(QString::fromLatin1(backupKey), *m_unreadable);
    m_unreadable.reset();
}

}  // namespace sablewick
