#include "core/Controls.h"

#include <algorithm>

namespace vfd {

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  NotifyChanged();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  NotifyChanged();
}

void Control::SetToolTip(std::string text) {
  if (tool_tip_ == text) return;
  tool_tip_ = std::move(text);
  NotifyChanged();
}

void CaptionControl::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  NotifyChanged();
}

void Button::Click() {
  if (Enabled() && on_click) on_click();
}

void Button::SetCheckable(bool checkable) {
  if (checkable_ == checkable) return;
  checkable_ = checkable;
  if (!checkable_) checked_ = false;
  NotifyChanged();
}

void Button::SetChecked(bool checked) {
  checked = checked && checkable_;
  if (checked_ == checked) return;
  checked_ = checked;
  NotifyChanged();
}

void Label::SetFont(int size, bool bold) {
  if (font_size_ == size && bold_ == bold) return;
  font_size_ = size;
  bold_ = bold;
  NotifyChanged();
}

void TextBox::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  NotifyChanged();
  if (on_change) on_change();
}

void ListBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  NotifyChanged();
}

void ListBox::Clear() {
  items_.clear();
  index_ = -1;
  NotifyChanged();
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == index_) return;
  index_ = index;
  NotifyChanged();
  if (on_select) on_select();
}

void ListBox::Pick(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index != index_) {
    SetListIndex(index);
    return;
  }
  if (on_select) on_select();
}

void ListBox::RemoveItem(const std::string& text) {
  int at = Find(text);
  if (at < 0 || at == index_) return;
  items_.erase(items_.begin() + at);
  if (at < index_) --index_;
  NotifyChanged();
}

std::string ListBox::Text() const {
  return index_ >= 0 ? items_[index_] : std::string();
}

int ListBox::Find(const std::string& text) const {
  auto it = std::find(items_.begin(), items_.end(), text);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void ComboBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  NotifyChanged();
}

void ComboBox::Clear() {
  items_.clear();
  text_.clear();
  NotifyChanged();
}

void ComboBox::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  NotifyChanged();
}

void OptionButton::SetValue(bool value) {
  bool changed_now = value_ != value;
  value_ = value;
  if (changed_now) NotifyChanged();
  if (value && on_click) on_click();
}

void CheckBox::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  NotifyChanged();
  if (on_click) on_click();
}

void Slider::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value_ == value) return;
  value_ = value;
  NotifyChanged();
  if (on_change) on_change();
}

void Slider::SetSteps(int small_change, int large_change, int tick_frequency) {
  small_change_ = small_change;
  large_change_ = large_change;
  tick_frequency_ = tick_frequency;
  NotifyChanged();
}

void Calendar::SetDate(int year, int month, int day) {
  year = std::clamp(year, 1, 9999);
  month = std::clamp(month, 1, 12);
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  day = std::clamp(day, 1, last);
  if (year == year_ && month == month_ && day == day_) return;
  year_ = year;
  month_ = month;
  day_ = day;
  NotifyChanged();
}

}  // namespace vfd
