#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Signal.h"

namespace vfd {

// Headless models of the window controls. Each keeps the properties that the program reads and
// writes (caption, text, enabled, visible, selection) and raises the control's event through a
// plain handler, as a click or a change would. A view mirrors the model through `changed`.
class Control {
 public:
  explicit Control(std::string name) : name_(std::move(name)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // One line on what the control does, shown when the pointer rests on it; empty for none.
  const std::string& ToolTip() const { return tool_tip_; }
  void SetToolTip(std::string text);

  // Raised after any property change; views redraw from the model.
  Signal<> changed;

 protected:
  void NotifyChanged() { changed.Emit(); }

 private:
  std::string name_;
  bool enabled_ = true;
  bool visible_ = true;
  std::string tool_tip_;
};

// Caption-bearing control (button, label, frame, option, check box).
class CaptionControl : public Control {
 public:
  CaptionControl(std::string name, std::string caption)
      : Control(std::move(name)), caption_(std::move(caption)) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

 private:
  std::string caption_;
};

class Button : public CaptionControl {
 public:
  using CaptionControl::CaptionControl;
  // What a click does. Code that acts "as if clicked" (the schedulers) calls the handler
  // directly; Click() is the user's click and is ignored while the button is disabled.
  std::function<void()> on_click;
  void Click();

  // A button that shows whether what it starts is running, as a pressed-in tool button does. The
  // mark is the program's to set; a click does not toggle it.
  bool Checkable() const { return checkable_; }
  void SetCheckable(bool checkable);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 private:
  bool checkable_ = false;
  bool checked_ = false;
};

class Label : public CaptionControl {
 public:
  using CaptionControl::CaptionControl;
  // Points; 0 means the window's own font.
  int FontSize() const { return font_size_; }
  bool Bold() const { return bold_; }
  void SetFont(int size, bool bold);

 private:
  int font_size_ = 0;
  bool bold_ = false;
};

// A shape or line that only shows or hides.
class Shape : public Control {
 public:
  using Control::Control;
};

class Frame : public CaptionControl {
 public:
  using CaptionControl::CaptionControl;
};

class TextBox : public Control {
 public:
  TextBox(std::string name, std::string text) : Control(std::move(name)), text_(std::move(text)) {}
  const std::string& Text() const { return text_; }
  // Raises on_change when the text really changes, whether the user typed or code set it.
  void SetText(std::string text);
  std::function<void()> on_change;

 private:
  std::string text_;
};

// List box and drop-down list: entries plus one selected index (-1 = none).
class ListBox : public Control {
 public:
  ListBox(std::string name, std::vector<std::string> items = {})
      : Control(std::move(name)), items_(std::move(items)) {}

  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(std::string item);
  void Clear();
  int ListIndex() const { return index_; }
  // Selecting a different entry (or clearing the selection with -1) raises on_select, as a
  // click on the list does; selecting the entry that is already selected raises nothing.
  void SetListIndex(int index);
  // The user picks an entry: as SetListIndex, but picking the entry already selected raises
  // on_select again, which is how a user retries a choice (a port after a fault).
  void Pick(int index);
  // Removes the entry equal to `text`; the selection stays on the entry it was on, and nothing
  // is raised. The selected entry itself is never removed.
  void RemoveItem(const std::string& text);
  // The selected entry's text, or empty.
  std::string Text() const;
  // Index of the entry equal to `text`, or -1.
  int Find(const std::string& text) const;

  std::function<void()> on_select;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

// A drop-down whose text may also be typed (or set to a text that is not an entry).
class ComboBox : public Control {
 public:
  using Control::Control;
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(std::string item);
  void Clear();
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  std::function<void()> on_click;

 private:
  std::vector<std::string> items_;
  std::string text_;
};

class OptionButton : public CaptionControl {
 public:
  using CaptionControl::CaptionControl;
  bool Value() const { return value_; }
  // Setting the value to true raises on_click, as selecting the option does.
  void SetValue(bool value);
  std::function<void()> on_click;

 private:
  bool value_ = false;
};

class CheckBox : public CaptionControl {
 public:
  using CaptionControl::CaptionControl;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  std::function<void()> on_click;

 private:
  bool checked_ = false;
};

class Slider : public Control {
 public:
  Slider(std::string name, int min, int max) : Control(std::move(name)), min_(min), max_(max) {}
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Value() const { return value_; }
  // Values are kept inside [min, max]; a real change raises on_change.
  void SetValue(int value);
  int SmallChange() const { return small_change_; }
  int LargeChange() const { return large_change_; }
  int TickFrequency() const { return tick_frequency_; }
  void SetSteps(int small_change, int large_change, int tick_frequency);
  std::function<void()> on_change;

 private:
  int min_;
  int max_;
  int value_ = 0;
  int small_change_ = 1;
  int large_change_ = 1;
  int tick_frequency_ = 1;
};

// A month calendar: one chosen day. It only ever holds real dates.
class Calendar : public Control {
 public:
  using Control::Control;
  int Year() const { return year_; }
  int Month() const { return month_; }
  int Day() const { return day_; }
  // A day beyond the month's end becomes its last day; months and years are kept in range.
  void SetDate(int year, int month, int day);

 private:
  int year_ = 2000;
  int month_ = 1;
  int day_ = 1;
};

}  // namespace vfd
