#pragma once

#include <string>
#include <string_view>

namespace vfd {

// Rewrites text from one script or form into another. The display's character sets are small;
// everything they lack is brought within reach by these steps before it is mapped to codes. The
// platform's backend uses ICU; it is used on the event thread only.
class Transliterator {
 public:
  enum class Form {
    kComposed,  // canonical composition: a letter and its combining accent become one
    kDecomposed,  // compatibility decomposition: "é" to "e" and its accent, "ﬁ" to "fi", "²" to "2"
    kLatin,       // any script in Latin letters ("Москва" to "Moskva", "東京" to pinyin)
    kHalfwidthKatakana,  // hiragana and katakana as the half-width katakana of JIS X 0201
  };
  virtual ~Transliterator() = default;
  // `text` in `form`; characters the step has no rule for come back unchanged.
  virtual std::u32string Transliterate(Form form, std::u32string_view text) = 0;
};

// Leaves every text as it is: only what a character set holds (or folds to) shows, everything
// else becomes '?'. For builds and tests without the platform's backend.
class NoTransliterator : public Transliterator {
 public:
  std::u32string Transliterate(Form, std::u32string_view text) override {
    return std::u32string(text);
  }
  static Transliterator& Instance() {
    static NoTransliterator none;
    return none;
  }
};

}  // namespace vfd
