#include "app/HeadlessPreview.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace vfd::app {
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

HeadlessPreview::HeadlessPreview(FrmMain& form, Charset charset, EventLoop& loop,
                                 MonotonicClock& clock)
    : HeadlessPreview(form, std::move(charset), loop, clock, ToStream(stdout)) {}

HeadlessPreview::HeadlessPreview(FrmMain& form, Charset charset, EventLoop& loop,
                                 MonotonicClock& clock, Sink preview_out)
    : form_(form),
      charset_(std::move(charset)),
      loop_(loop),
      clock_(clock),
      preview_out_(std::move(preview_out)),
      self_(std::make_shared<HeadlessPreview*>(this)) {
  gap_.SetExact(true);
  gap_.on_tick = [this] {
    gap_.SetEnabled(false);
    Flush();
  };
  gap_.AttachHost(&loop_);
  std::weak_ptr<HeadlessPreview*> weak = self_;
  auto schedule = [weak] {
    if (auto self = weak.lock()) (*self)->Schedule();
  };
  form_.Line1.changed.Connect(schedule);
  form_.Line2.changed.Connect(schedule);
  // What the preview shows before anything changes is worth a block too.
  Schedule();
}

HeadlessPreview::~HeadlessPreview() = default;

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
  constexpr int64_t kGapUs = 1'000'000 / kMaxBlocksPerSecond;
  const int64_t wait_us =
      printed_at_us_ < 0
          ? 0
          : std::max<int64_t>(0, kGapUs - (clock_.MonotonicMicros() - printed_at_us_));
  if (wait_us < 1000) {
    std::weak_ptr<HeadlessPreview*> weak = self_;
    loop_.Post([weak] {
      if (auto self = weak.lock()) (*self)->Flush();
    });
    return;
  }
  gap_.SetInterval(static_cast<int>((wait_us + 999) / 1000));
  gap_.SetEnabled(true);
}

void HeadlessPreview::Flush() {
  pending_ = false;
  std::string block = Block();
  if (block == last_block_) return;
  last_block_ = std::move(block);
  printed_at_us_ = clock_.MonotonicMicros();
  preview_out_(last_block_);
}

}  // namespace vfd::app
