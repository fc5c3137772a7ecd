#pragma once

#include <array>
#include <memory>

#include "core/Transliterator.h"

namespace vfd {

// The transliteration steps with ICU's transforms. Each transform is built the first time it is
// asked for (the Latin one takes a moment and some memory, and most texts never need it). Used
// on the event thread only: ICU's transforms are not to be shared between threads.
class IcuTransliterator : public Transliterator {
 public:
  IcuTransliterator();
  ~IcuTransliterator() override;
  IcuTransliterator(const IcuTransliterator&) = delete;
  IcuTransliterator& operator=(const IcuTransliterator&) = delete;

  std::u32string Transliterate(Form form, std::u32string_view text) override;

 private:
  struct Transform;
  Transform* Get(Form form);

  std::array<std::unique_ptr<Transform>, 4> transforms_;
};

}  // namespace vfd
