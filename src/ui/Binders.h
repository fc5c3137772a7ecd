#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QString>

#include "core/Controls.h"
#include "display/CharacterSet.h"

class QAbstractButton;
class QAction;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSlider;
class QWidget;

namespace vfd::ui {

// Model texts are UTF-8.
QString FromText(std::string_view text);
std::string ToText(const QString& text);
// A preview text in display codes, as `set` shows them; CR LF between rows becomes a line break.
QString FromDisplayText(std::string_view codes, const CharacterSet& set);

// The character set a preview label's codes are drawn with, asked for on each change.
using PreviewCharset = std::function<const CharacterSet&()>;

// Binders keep one widget in step with one control model for the rest of the widget's life: the
// widget mirrors the model on every change, and what the user does to the widget goes to the
// model, which runs the program's handlers. The widget is named after the control. Mirroring never
// feeds back into the model. The model must outlive the widget; a model that changes after the
// widget is gone is ignored.
// A checkable model makes the widget checkable; its mark follows the model only.
void BindButton(Button& model, QAbstractButton* widget);
// A menu entry standing for a button: its caption, enabled and visible state, and its click.
void BindAction(Button& model, QAction* action);
// Labels mirror the model's font size and bold on top of the widget's own font family.
// A label given a preview charset shows display codes (a preview of the glass).
void BindLabel(Label& model, QLabel* widget, PreviewCharset codes = {});
void BindFrame(Frame& model, QGroupBox* widget);
void BindShape(Shape& model, QWidget* widget);
void BindTextBox(TextBox& model, QLineEdit* widget);
void BindListBox(ListBox& model, QListWidget* widget);
// A list box shown as a drop-down list.
void BindListBox(ListBox& model, QComboBox* widget);
void BindComboBox(ComboBox& model, QComboBox* widget);
void BindOptionButton(OptionButton& model, QRadioButton* widget);
void BindCheckBox(CheckBox& model, QCheckBox* widget);
void BindSlider(Slider& model, QSlider* widget);
void BindCalendar(Calendar& model, QCalendarWidget* widget);

// Shows and hides `companion` (a caption beside the control, say) with the control.
void FollowVisibility(Control& model, QWidget* companion);

}  // namespace vfd::ui
