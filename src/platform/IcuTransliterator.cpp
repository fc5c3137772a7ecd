#include "platform/IcuTransliterator.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace vfd {
namespace {

// ICU's own transform names. Russian and Greek read as their speakers write them in Latin
// (BGN and UN romanizations: "Щука" as "Shchuka", "Αθήνα" as "Athina"); every other script
// takes ICU's general rule. The result is composed again so that a letter and its accent that
// the Latin step wrote apart can still find the set's accented letter.
const char* IdOf(Transliterator::Form form) {
  return form == Transliterator::Form::kLatin
             ? "Russian-Latin/BGN; Greek-Latin/UNGEGN; Any-Latin; Any-NFC"
             : "Hiragana-Katakana; Fullwidth-Halfwidth";
}

icu::UnicodeString FromUtf32(std::u32string_view text) {
  return icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                       static_cast<int32_t>(text.size()));
}

std::u32string ToUtf32(const icu::UnicodeString& s, std::u32string_view fallback) {
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = s.toUTF32(nullptr, 0, status);
  std::u32string out(static_cast<size_t>(length), U'\0');
  status = U_ZERO_ERROR;
  s.toUTF32(reinterpret_cast<UChar32*>(out.data()), length, status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
    return std::u32string(fallback);
  return out;
}

}  // namespace

struct IcuTransliterator::Transform {
  bool tried = false;
  std::unique_ptr<icu::Transliterator> transform;
};

IcuTransliterator::IcuTransliterator() = default;
IcuTransliterator::~IcuTransliterator() = default;

IcuTransliterator::Transform* IcuTransliterator::Get(Form form) {
  std::unique_ptr<Transform>& slot = transforms_[form == Form::kLatin ? 0 : 1];
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
  if (text.empty()) return {};
  icu::UnicodeString s = FromUtf32(text);
  if (form == Form::kComposed || form == Form::kDecomposed) {
    // The normalizers need none of the transforms' data.
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* normalizer = form == Form::kComposed
                                             ? icu::Normalizer2::getNFCInstance(status)
                                             : icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status) || normalizer == nullptr) return std::u32string(text);
    const icu::UnicodeString normal = normalizer->normalize(s, status);
    return U_FAILURE(status) ? std::u32string(text) : ToUtf32(normal, text);
  }
  Transform* t = Get(form);
  if (t->transform == nullptr) return std::u32string(text);
  t->transform->transliterate(s);
  return ToUtf32(s, text);
}

}  // namespace vfd
