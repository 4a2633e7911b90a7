#pragma once

#include "components/StudioBinding.h"
#include "components/StudioTokens.h"

#include <QString>

#include <functional>

class QVBoxLayout;
class QWidget;

namespace sablewick {

class InspectorSection;
class SettingSlider;
class StudioButton;
class StudioLabel;

// The small parts that the Focus, Cursor and Audio pages share besides their sections.
namespace InspectorParts {

// A page: a column of sections.
QVBoxLayout* page(QWidget* widget);
// A titled section appended to a page (an empty title: no header).
InspectorSection* section(QVBoxLayout* page, const QString& title);
// Shows a new title over a section in place.
void retitle(InspectorSection* section, const QString& title);
// An explanatory note: caption-size, secondary colour, wrapping.
StudioLabel* note(const QString& text, StudioTextStyle style = StudioTextStyle::caption);
// The pages' text buttons: secondary, compact, a label.
StudioButton* button(const QString& title, const QString& symbol = QString());
// A row of a caption-size title and, at the trailing edge, its value; returns the value label.
StudioLabel* valueRow(QVBoxLayout* into, const QString& title);

// A titled slider over a value with the value's text beside the title, appended to `into`.
SettingSlider* settingSlider(QVBoxLayout* into, const QString& title, StudioBinding<double> value, double lower,
                             double upper, std::function<QString(double)> format);

}  // namespace InspectorParts

}  // namespace sablewick
