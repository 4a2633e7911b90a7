#pragma once

// Whether a shown widget has the room its content asks for and is seen whole, not cut by the
// edges of its parents.

#include <QWidget>

#include <string>

namespace sablewick::test {

// Empty when `widget` is visible, at least as large as its content needs (its size hint, or for
// text that wraps the height that its width needs) and not cut by any parent; otherwise why not.
inline std::string clippingOf(const QWidget* widget)
{
    if (!widget)
        return "no widget";
    const std::string name = widget->objectName().isEmpty() ? widget->metaObject()->className()
                                                            : widget->objectName().toStdString();
    if (!widget->isVisible())
        return name + " is not shown";
    const QSize size = widget->size();
    const auto text = [](QSize s) { return std::to_string(s.width()) + "x" + std::to_string(s.height()); };
    if (widget->hasHeightForWidth()) {
        const QSize least(widget->minimumSizeHint().width(), widget->heightForWidth(size.width()));
        if (size.width() < least.width() || size.height() < least.height())
            return name + " is " + text(size) + " but needs " + text(least);
    } else if (const QSize hint = widget->sizeHint(); size.width() < hint.width() || size.height() < hint.height()) {
        return name + " is " + text(size) + " but needs " + text(hint);
    }
    // Cut by a parent's edge: the part of it that can be seen is smaller than the widget.
    // Each parent's rectangle is in its own coordinates: brought into the widget's.
    QRect seen = widget->rect();
    for (const QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        seen &= QRect(widget->mapFrom(parent, QPoint()), parent->size());
        if (parent->isWindow())
            break;
    }
    if (seen != widget->rect())
        return name + " shows only " + text(seen.size()) + " of " + text(size);
    return {};
}

}  // namespace sablewick::test
