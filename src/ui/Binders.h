#pragma once

#include <string>
#include <string_view>

#include <QString>

#include "core/Controls.h"

class QAbstractButton;
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

// Model texts are single bytes (Windows-1252); Qt works in Unicode.
QString FromCp1252(std::string_view bytes);
std::string ToCp1252(const QString& text);
// A preview text in display codes; CR LF between rows becomes a line break.
QString FromDisplayText(std::string_view bytes);

// How a label's caption is to be read.
enum class LabelText {
  kWindows1252,   // ordinary window text
  kDisplayCodes,  // the display preview: the glass's own character set, rows split by CR LF
};

// Binders keep one widget in step with one control model for the rest of the widget's life: the
// widget mirrors the model on every change, and what the user does to the widget goes to the
// model, which runs the program's handlers. The widget is named after the control. Mirroring never
// feeds back into the model. The model must outlive the widget; a model that changes after the
// widget is gone is ignored.
void BindButton(Button& model, QAbstractButton* widget);
// Labels mirror the model's font size and bold on top of the widget's own font family.
void BindLabel(Label& model, QLabel* widget, LabelText text = LabelText::kWindows1252);
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
