#pragma once

#include <functional>
#include <string>

#include "core/Signal.h"

namespace vfd {

// A window: the main window or one of the modeless settings dialogs. Each exists once; showing
// a form that is already open brings the same window back to the front.
class Form {
 public:
  Form(std::string name, std::string caption)
      : name_(std::move(name)), caption_(std::move(caption)) {}
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  bool Loaded() const { return loaded_; }
  // Loads the form (running its load step) unless it is loaded, then shows it in front.
  void Show();
  // Closes the form. What was typed into it without Apply is gone.
  void Unload();

  // Raised when the form should appear or come to the front, and when it is closed.
  Signal<> shown;
  Signal<> closed;
  Signal<> changed;

 protected:
  virtual void OnLoad() {}
  virtual void OnUnload() {}

 private:
  std::string name_;
  std::string caption_;
  bool loaded_ = false;
};

}  // namespace vfd
