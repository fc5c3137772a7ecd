#include "core/Form.h"

namespace vfd {

void Form::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed.Emit();
}

void Form::Show() {
  if (!loaded_) {
    loaded_ = true;
    OnLoad();
  }
  shown.Emit();
}

void Form::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  OnUnload();
  closed.Emit();
}

}  // namespace vfd
