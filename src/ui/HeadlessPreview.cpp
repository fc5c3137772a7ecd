#include "ui/HeadlessPreview.h"

#include <cstdio>
#include <string_view>

#include <QPointer>
#include <QTimer>

#include "core/Charset.h"

namespace vfd::ui {
namespace {

HeadlessPreview::Sink ToStream(std::FILE* stream) {
  return [stream](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
  };
}

void AppendRows(std::string& out, std::string_view caption) {
  // The 4x20 preview keeps its four rows in one label, separated by CR LF.
  for (;;) {
    size_t end = caption.find("\r\n");
    out += '|';
    out += DisplayTextToUtf8(caption.substr(0, end));
    out += "|\n";
    if (end == std::string_view::npos) break;
    caption.remove_prefix(end + 2);
  }
}

}  // namespace

HeadlessPreview::HeadlessPreview(FrmMain& form)
    : HeadlessPreview(form, ToStream(stdout), ToStream(stderr)) {}

HeadlessPreview::HeadlessPreview(FrmMain& form, Sink preview_out, Sink status_out)
    : form_(form), preview_out_(std::move(preview_out)), status_out_(std::move(status_out)) {
  QPointer<HeadlessPreview> self(this);
  auto schedule = [self] {
    if (self) self->Schedule();
  };
  form_.Line1.changed.Connect(schedule);
  form_.Line2.changed.Connect(schedule);
  form_.lblStatus.changed.Connect([self] {
    if (self) self->StatusChanged();
  });
  // What the preview shows before anything changes is worth a block too.
  Schedule();
  StatusChanged();
}

std::string HeadlessPreview::Block() const {
  std::string block;
  if (form_.Line1.Visible()) AppendRows(block, form_.Line1.Caption());
  if (form_.Line2.Visible()) AppendRows(block, form_.Line2.Caption());
  block += '\n';
  return block;
}

void HeadlessPreview::Schedule() {
  if (pending_) return;
  pending_ = true;
  QTimer::singleShot(0, this, [this] { Flush(); });
}

void HeadlessPreview::Flush() {
  pending_ = false;
  std::string block = Block();
  if (block == last_block_) return;
  last_block_ = std::move(block);
  preview_out_(last_block_);
}

void HeadlessPreview::StatusChanged() {
  const std::string& status = form_.lblStatus.Caption();
  if (status == last_status_) return;
  last_status_ = status;
  // A cleared status line shows nothing, as in the window.
  if (!status.empty()) status_out_("status: " + Cp1252ToUtf8(status) + "\n");
}

}  // namespace vfd::ui
