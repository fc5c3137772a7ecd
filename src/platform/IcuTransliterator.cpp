#include "platform/IcuTransliterator.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace vfd {
namespace {

// ICU's own transform names. Russian and Greek read as their speakers write them in Latin
// (BGN and UN romanizations: "Щука" as "Shchuka", "Αθήνα" as "Athina"); every other script
// takes ICU's general rule. The result is composed again so that a letter and its accent that
// the Latin step wrote apart can still find the set's accented letter.
const char* IdOf(Transliterator::Form form) {
  switch (form) {
    case Transliterator::Form::kComposed:
      return "Any-NFC";
    case Transliterator::Form::kLatin:
      return "Russian-Latin/BGN; Greek-Latin/UNGEGN; Any-Latin; Any-NFC";
    case Transliterator::Form::kAscii:
      return "Latin-ASCII";
    case Transliterator::Form::kHalfwidthKatakana:
      return "Hiragana-Katakana; Fullwidth-Halfwidth";
  }
  return "Null";
}

}  // namespace

struct IcuTransliterator::Transform {
  bool tried = false;
  std::unique_ptr<icu::Transliterator> transform;
};

IcuTransliterator::IcuTransliterator() = default;
IcuTransliterator::~IcuTransliterator() = default;

IcuTransliterator::Transform* IcuTransliterator::Get(Form form) {
  std::unique_ptr<Transform>& slot = transforms_[static_cast<size_t>(form)];
  if (!slot) slot = std::make_unique<Transform>();
  if (!slot->tried) {
    slot->tried = true;
    UErrorCode status = U_ZERO_ERROR;
    slot->transform.reset(icu::Transliterator::createInstance(
        icu::UnicodeString::fromUTF8(IdOf(form)), UTRANS_FORWARD, status));
    // Without ICU's data the step does nothing, and the text shows what the set alone allows.
    if (U_FAILURE(status)) slot->transform.reset();
  }
  return slot.get();
}

std::u32string IcuTransliterator::Transliterate(Form form, std::u32string_view text) {
  Transform* t = Get(form);
  if (t->transform == nullptr || text.empty()) return std::u32string(text);
  icu::UnicodeString s = icu::UnicodeString::fromUTF32(
      reinterpret_cast<const UChar32*>(text.data()), static_cast<int32_t>(text.size()));
  t->transform->transliterate(s);
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = s.toUTF32(nullptr, 0, status);
  std::u32string out(static_cast<size_t>(length), U'\0');
  status = U_ZERO_ERROR;
  s.toUTF32(reinterpret_cast<UChar32*>(out.data()), length, status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::u32string(text);
  return out;
}

}  // namespace vfd
