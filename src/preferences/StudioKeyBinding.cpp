#include "preferences/StudioKeyBinding.h"

#include <QKeyEvent>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <array>
#include <string_view>

namespace sablewick {
namespace {

// X11 keysyms and modifier masks (X11/keysymdef.h, X11/X.h); spelled out so that this layer needs
// no X11 headers.
constexpr quint32 xkSpace = 0x0020;
constexpr quint32 xkBackSpace = 0xff08;
constexpr quint32 xkTab = 0xff09;
constexpr quint32 xkReturn = 0xff0d;
constexpr quint32 xkEscape = 0xff1b;
constexpr quint32 xkLeft = 0xff51;
constexpr quint32 xkUp = 0xff52;
constexpr quint32 xkRight = 0xff53;
constexpr quint32 xkDown = 0xff54;
constexpr quint32 xkDelete = 0xffff;
constexpr quint32 xkF1 = 0xffbe;
constexpr quint32 xkIsoLeftTab = 0xfe20;
constexpr quint32 xShiftMask = 1u << 0;
constexpr quint32 xControlMask = 1u << 2;
constexpr quint32 xMod1Mask = 1u << 3;  // Alt
constexpr quint32 xMod4Mask = 1u << 6;  // Super / Meta

// The one table of keys: stored key code, key name, Qt key, X11 keysym and the name shown in
// display texts. Character keys of the US layout carry the stored code of the key that types them
// (shifted symbols share their key's code); their display name is the character upper-cased.
struct KeyRow {
    quint32 keyCode;
    std::u16string_view name;
    int qtKey;
    quint32 keysym;
    std::u16string_view shown;
};

constexpr KeyRow special(quint32 code, std::u16string_view name, Qt::Key qtKey, quint32 keysym,
                         std::u16string_view shown)
{
    return {code, name, qtKey, keysym, shown};
}

constexpr KeyRow character(quint32 code, char16_t c)
{
    // Qt names a letter key by its upper-case letter; X11 by its lower-case one.
    const int qtKey = (c >= u'a' && c <= u'z') ? c - u'a' + u'A' : c;
    return {code, {}, qtKey, static_cast<quint32>(c), {}};
}

// `name` of a character row is filled in by keyName() from the keysym.
constexpr std::array kKeys{
    special(49, u"space", Qt::Key_Space, xkSpace, u"Space"),
    special(123, u"left", Qt::Key_Left, xkLeft, u"Left"),
    special(124, u"right", Qt::Key_Right, xkRight, u"Right"),
    special(126, u"up", Qt::Key_Up, xkUp, u"Up"),
    special(125, u"down", Qt::Key_Down, xkDown, u"Down"),
    special(36, u"return", Qt::Key_Return, xkReturn, u"Return"),
    special(48, u"tab", Qt::Key_Tab, xkTab, u"Tab"),
    special(51, u"delete", Qt::Key_Backspace, xkBackSpace, u"Backspace"),
    special(117, u"forwardDelete", Qt::Key_Delete, xkDelete, u"Del"),
    special(53, u"escape", Qt::Key_Escape, xkEscape, u"Esc"),
    special(122, u"f1", Qt::Key_F1, xkF1 + 0, u"F1"),
    special(120, u"f2", Qt::Key_F2, xkF1 + 1, u"F2"),
    special(99, u"f3", Qt::Key_F3, xkF1 + 2, u"F3"),
    special(118, u"f4", Qt::Key_F4, xkF1 + 3, u"F4"),
    special(96, u"f5", Qt::Key_F5, xkF1 + 4, u"F5"),
    special(97, u"f6", Qt::Key_F6, xkF1 + 5, u"F6"),
    special(98, u"f7", Qt::Key_F7, xkF1 + 6, u"F7"),
    special(100, u"f8", Qt::Key_F8, xkF1 + 7, u"F8"),
    special(101, u"f9", Qt::Key_F9, xkF1 + 8, u"F9"),
    special(109, u"f10", Qt::Key_F10, xkF1 + 9, u"F10"),
    special(103, u"f11", Qt::Key_F11, xkF1 + 10, u"F11"),
    special(111, u"f12", Qt::Key_F12, xkF1 + 11, u"F12"),
    character(0, u'a'), character(1, u's'), character(2, u'd'), character(3, u'f'), character(4, u'h'),
    character(5, u'g'), character(6, u'z'), character(7, u'x'), character(8, u'c'), character(9, u'v'),
    character(11, u'b'), character(12, u'q'), character(13, u'w'), character(14, u'e'), character(15, u'r'),
    character(16, u'y'), character(17, u't'), character(31, u'o'), character(32, u'u'), character(34, u'i'),
    character(35, u'p'), character(37, u'l'), character(38, u'j'), character(40, u'k'), character(45, u'n'),
    character(46, u'm'),
    character(18, u'1'), character(19, u'2'), character(20, u'3'), character(21, u'4'), character(23, u'5'),
    character(22, u'6'), character(26, u'7'), character(28, u'8'), character(25, u'9'), character(29, u'0'),
    character(24, u'='), character(27, u'-'), character(30, u']'), character(33, u'['), character(39, u'\''),
    character(41, u';'), character(42, u'\\'), character(43, u','), character(44, u'/'), character(47, u'.'),
    character(50, u'`'),
    character(18, u'!'), character(19, u'@'), character(20, u'#'), character(21, u'$'), character(23, u'%'),
    character(22, u'^'), character(26, u'&'), character(28, u'*'), character(25, u'('), character(29, u')'),
    character(24, u'+'), character(27, u'_'), character(30, u'}'), character(33, u'{'), character(39, u'"'),
    character(41, u':'), character(42, u'|'), character(43, u'<'), character(44, u'?'), character(47, u'>'),
    character(50, u'~'),
};

QString keyName(const KeyRow& row)
{
    if (!row.name.empty())
        return QString::fromUtf16(row.name.data(), static_cast<qsizetype>(row.name.size()));
    return QString(QChar(static_cast<char16_t>(row.keysym)));
}

const KeyRow* rowForName(const QString& name)
{
    for (const KeyRow& row : kKeys) {
        if (keyName(row) == name)
            return &row;
    }
    return nullptr;
}

const KeyRow* rowForQtKey(int qtKey)
{
    for (const KeyRow& row : kKeys) {
        if (row.qtKey == qtKey)
            return &row;
    }
    return nullptr;
}

const KeyRow* rowForKeysym(quint32 keysym)
{
    for (const KeyRow& row : kKeys) {
        if (row.keysym == keysym)
            return &row;
    }
    return nullptr;
}

// "f" followed by a decimal number: n, else 0.
int functionKeyNumber(const QString& key)
{
    if (key.size() < 2 || key.front() != QLatin1Char('f'))
        return 0;
    int n = 0;
    for (qsizetype i = 1; i < key.size(); ++i) {
        const char16_t c = key[i].unicode();
        if (c < u'0' || c > u'9' || n > 1000)
            return 0;
        n = n * 10 + (c - u'0');
    }
    return n;
}

bool isControlOrFormat(char32_t scalar)
{
    const QChar::Category category = QChar::category(scalar);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

bool isSingleCharacter(const QString& key)
{
    if (key.isEmpty())
        return false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, key);
    return graphemes.toNextBoundary() == key.size();
}

std::optional<StudioKeyBinding> bindingFor(const KeyRow* row, qint64 modifiers)
{
    if (!row)
        return std::nullopt;
    return StudioKeyBinding{keyName(*row), row->keyCode, modifiers};
}

}  // namespace

const std::set<QString>& StudioKeyBinding::specialKeys()
{
    static const std::set<QString> keys = [] {
        std::set<QString> names;
        for (int n = 1; n <= 12; ++n)
            names.insert(QStringLiteral("f") + QString::number(n));
        for (const char* name :
             {"space", "left", "right", "up", "down", "return", "tab", "delete", "forwardDelete", "escape"})
            names.insert(QString::fromLatin1(name));
        return names;
    }();
    return keys;
}

bool StudioKeyBinding::isValid() const
{
    if (keyCode > 127 || modifiers < 0 || modifiers > 15)
        return false;
    if (specialKeys().count(key))
        return true;
    if (!isSingleCharacter(key))
        return false;
    for (char32_t scalar : key.toUcs4()) {
        if (isControlOrFormat(scalar))
            return false;
    }
    return true;
}

QString StudioKeyBinding::display() const
{
    // The order of Qt's own shortcut texts, so menus and the settings window agree.
    QStringList parts;
    if (modifiers & controlBit)
        parts << QStringLiteral("Meta");
    if (modifiers & commandBit)
        parts << QStringLiteral("Ctrl");
    if (modifiers & optionBit)
        parts << QStringLiteral("Alt");
    if (modifiers & shiftBit)
        parts << QStringLiteral("Shift");
    const KeyRow* row = rowForName(key);
    if (row && !row->shown.empty())
        parts << QString::fromUtf16(row->shown.data(), static_cast<qsizetype>(row->shown.size()));
    else
        parts << key.toUpper();
    return parts.join(QLatin1Char('+'));
}

QKeyCombination StudioKeyBinding::qtShortcut() const
{
    Qt::KeyboardModifiers qtModifiers;
    if (modifiers & commandBit)
        qtModifiers |= Qt::ControlModifier;
    if (modifiers & optionBit)
        qtModifiers |= Qt::AltModifier;
    if (modifiers & controlBit)
        qtModifiers |= Qt::MetaModifier;
    if (modifiers & shiftBit)
        qtModifiers |= Qt::ShiftModifier;

    int qtKey = Qt::Key_Space;
    const int function = functionKeyNumber(key);
    if (const KeyRow* row = rowForName(key)) {
        qtKey = row->qtKey;
    } else if (function >= 1 && function <= 35) {
        qtKey = Qt::Key_F1 + function - 1;
    } else if (!key.isEmpty()) {
        // Qt names a character key by its upper-case code point.
        const char32_t first = key.toUcs4().value(0);
        qtKey = static_cast<int>(QChar::toUpper(first));
    }
    return QKeyCombination(qtModifiers, static_cast<Qt::Key>(qtKey));
}

quint32 StudioKeyBinding::x11Keysym() const
{
    if (const KeyRow* row = rowForName(key))
        return row->keysym;
    const int function = functionKeyNumber(key);
    if (function >= 1 && function <= 35)
        return xkF1 + static_cast<quint32>(function - 1);
    const QList<uint> scalars = key.toLower().toUcs4();
    if (scalars.size() != 1)
        return 0;
    const uint c = scalars.front();
    // Latin-1 characters are their own keysyms; other Unicode characters use the Unicode range.
    if ((c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0xff))
        return c;
    return 0x01000000u + c;
}

quint32 StudioKeyBinding::x11Modifiers() const
{
    quint32 mask = 0;
    if (modifiers & commandBit)
        mask |= xControlMask;
    if (modifiers & optionBit)
        mask |= xMod1Mask;
    if (modifiers & controlBit)
        mask |= xMod4Mask;
    if (modifiers & shiftBit)
        mask |= xShiftMask;
    return mask;
}

std::optional<StudioKeyBinding> StudioKeyBinding::capture(const QKeyEvent& event)
{
    return capture(event.key(), event.modifiers());
}

std::optional<StudioKeyBinding> StudioKeyBinding::capture(int qtKey, Qt::KeyboardModifiers qtModifiers)
{
    qint64 bits = 0;
    if (qtModifiers & Qt::ControlModifier)
        bits |= commandBit;
    if (qtModifiers & Qt::AltModifier)
        bits |= optionBit;
    if (qtModifiers & Qt::MetaModifier)
        bits |= controlBit;
    if (qtModifiers & Qt::ShiftModifier)
        bits |= shiftBit;
    // Shift+Tab reaches Qt as Backtab.
    if (qtKey == Qt::Key_Backtab)
        qtKey = Qt::Key_Tab;
    return bindingFor(rowForQtKey(qtKey), bits);
}

std::optional<StudioKeyBinding> StudioKeyBinding::fromX11(quint32 keysym, quint32 state)
{
    qint64 bits = 0;
    if (state & xControlMask)
        bits |= commandBit;
    if (state & xMod1Mask)
        bits |= optionBit;
    if (state & xMod4Mask)
        bits |= controlBit;
    if (state & xShiftMask)
        bits |= shiftBit;
    if (keysym >= 'A' && keysym <= 'Z')
        keysym += 'a' - 'A';
    if (keysym == xkIsoLeftTab)
        keysym = xkTab;
    return bindingFor(rowForKeysym(keysym), bits);
}

}  // namespace sablewick
