#include "ui/HeadlessPreview.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include <QPointer>
#include <QTimer>

namespace vfd::ui {
namespace {

HeadlessPreview::Sink ToStream(std::FILE* stream) {
  return [stream](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
  };
}

void AppendRows(std::string& out, std::string_view caption, const CharacterSet& set) {
  // The 4x20 preview keeps its four rows in one label, separated by CR LF.
  for (;;) {
    size_t end = caption.find("\r\n");
    out += '|';
    out += set.PictureOf(caption.substr(0, end));
    out += "|\n";
    if (end == std::string_view::npos) break;
    caption.remove_prefix(end + 2);
  }
}

}  // namespace

HeadlessPreview::HeadlessPreview(FrmMain& form, PreviewCharset charset)
    : HeadlessPreview(form, std::move(charset), ToStream(stdout)) {}

HeadlessPreview::HeadlessPreview(FrmMain& form, PreviewCharset charset, Sink preview_out)
    : form_(form), charset_(std::move(charset)), preview_out_(std::move(preview_out)) {
  QPointer<HeadlessPreview> self(this);
  auto schedule = [self] {
    if (self) self->Schedule();
  };
  form_.Line1.changed.Connect(schedule);
  form_.Line2.changed.Connect(schedule);
  // What the preview shows before anything changes is worth a block too.
  Schedule();
}

std::string HeadlessPreview::Block() const {
  std::string block;
  const CharacterSet& set = charset_();
  if (form_.Line1.Visible()) AppendRows(block, form_.Line1.Caption(), set);
  if (form_.Line2.Visible()) AppendRows(block, form_.Line2.Caption(), set);
  block += '\n';
  return block;
}

void HeadlessPreview::Schedule() {
  if (pending_) return;
  pending_ = true;
  // Changes within one pass of the event loop make one block; after a block, the next waits
  // out the rest of its tenth of a second and then shows whatever is newest.
  constexpr qint64 kGapMs = 1000 / kMaxBlocksPerSecond;
  const qint64 wait =
      since_print_.isValid() ? std::max<qint64>(0, kGapMs - since_print_.elapsed()) : 0;
  QTimer::singleShot(static_cast<int>(wait), Qt::PreciseTimer, this, [this] { Flush(); });
}

void HeadlessPreview::Flush() {
  pending_ = false;
  std::string block = Block();
  if (block == last_block_) return;
  last_block_ = std::move(block);
  since_print_.start();
  preview_out_(last_block_);
}

}  // namespace vfd::ui
