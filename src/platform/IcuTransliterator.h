#pragma once

#include <array>
#include <memory>

#include "core/Transliterator.h"

namespace vfd {

// The transliteration steps with ICU: its normalizers for composing and decomposing, its
// transforms for scripts and kana. A transform is built the first time a text needs it: the
// first one loads ICU's registry of transforms (some 15 ms and 3 MB), the Chinese readings
// some 90 ms and 2 MB more, so a program that only ever meets European text pays for none of
// them. Used on the event thread only: ICU's transforms are not to be shared between threads.
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

  // The Latin transform and the katakana one.
  std::array<std::unique_ptr<Transform>, 2> transforms_;
};

}  // namespace vfd
