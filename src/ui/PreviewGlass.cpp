#include "ui/PreviewGlass.h"

#include <algorithm>
#include <utility>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include "ui/Binders.h"

namespace vfd::ui {
namespace {

// Near-black glass and the blue-green of a vacuum fluorescent display's phosphor.
constexpr QColor kGlass(0x03, 0x09, 0x08);
constexpr QColor kRim(0x1d, 0x2b, 0x29);
constexpr QColor kLit(0x5e, 0xf5, 0xd3);
constexpr QColor kHalo(0x2f, 0xe0, 0xbc, 60);
constexpr QColor kUnlit(0x10, 0x24, 0x20);
constexpr QColor kDivider(0x1c, 0x6b, 0x5d);

constexpr int kMarginX = 16;
constexpr int kMarginY = 12;
constexpr int kLineGap = 4;
// The number of rows and the longest row of a caption (4x20 captions hold four rows).
std::pair<int, int> RowsAndColumns(const std::string& caption) {
  int rows = 1, longest = 0, current = 0;
  for (char c : caption) {
    if (c == '\n') {
      ++rows;
      current = 0;
    } else if (c != '\r') {
      longest = std::max(longest, ++current);
    }
  }
  return {rows, longest};
}

// A fixed-pitch face that has the half-width katakana the displays show: IPAGothic where it is
// installed, otherwise the system's monospace face.
QString PreviewFamily() {
  const QStringList families = QFontDatabase::families();
  for (const char* wanted : {"IPAGothic", "IPAexGothic", "VL Gothic", "Noto Sans Mono CJK JP"}) {
    const QString name = QString::fromLatin1(wanted);
    if (families.contains(name)) return name;
  }
  return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

}  // namespace

PreviewGlass::PreviewGlass(Label& line1, Label& line2, ::vfd::Shape& divider, Button& sleep,
                           QWidget* parent)
    : QFrame(parent), divider_(divider), sleep_(sleep), base_family_(PreviewFamily()) {
  setObjectName(QStringLiteral("preview"));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  // Everything is painted here; nothing behind it needs painting first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  lines_[0].model = &line1;
  lines_[1].model = &line2;
  QPointer<PreviewGlass> self(this);
  for (size_t i = 0; i < lines_.size(); ++i) {
    lines_[i].model->changed.Connect([self, i] {
      if (self) self->LineChanged(i);
    });
  }
  divider_.changed.Connect([self] {
    if (self) self->Relayout();
  });
  sleep_.changed.Connect([self] {
    if (self) self->SleepChanged();
  });
  dark_ = sleep_.Caption() == "Wake";
  for (Line& line : lines_)
    Refresh(line);
  Relayout();
}

QString PreviewGlass::LineText(int index) const {
  const Line& line = lines_[static_cast<size_t>(index)];
  return line.stale ? FromDisplayText(line.model->Caption()) : line.text;
}

void PreviewGlass::Refresh(Line& line) const {
  if (!line.stale) return;
  line.text = FromDisplayText(line.model->Caption());
  line.stale = false;
}

void PreviewGlass::LineChanged(size_t index) {
  Line& line = lines_[index];
  line.stale = true;
  // The 4x20 preview keeps its four rows in one caption; a change of the row count, a font or a
  // visibility moves things, anything else repaints the line where it is.
  const auto [rows, columns] = RowsAndColumns(line.model->Caption());
  QFont font(base_family_);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (line.model->FontSize() > 0) font.setPointSize(line.model->FontSize());
  font.setBold(line.model->Bold());
  if (rows != line.rows || columns > line.columns || font != line.font ||
      line.model->Visible() != !line.rect.isNull()) {
    Relayout();
    return;
  }
  // The halo reaches a pixel beyond the text.
  if (isVisible()) update(line.rect.translated(Shift(), 0).adjusted(-1, -1, 1, 1));
}

int PreviewGlass::Shift() const {
  // The text block is centred on the glass.
  return std::max(0, (width() - size_hint_.width()) / 2);
}

void PreviewGlass::SleepChanged() {
  const bool dark = sleep_.Caption() == "Wake";
  if (dark == dark_) return;
  dark_ = dark;
  update();
}

void PreviewGlass::Relayout() {
  int y = kMarginY;
  int width = 0;
  for (Line& line : lines_) {
    const auto [rows, columns] = RowsAndColumns(line.model->Caption());
    line.rows = rows;
    QFont font(base_family_);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (line.model->FontSize() > 0) font.setPointSize(line.model->FontSize());
    font.setBold(line.model->Bold());
    // A new font is a new geometry: the width starts again from what the line shows now.
    line.columns = font == line.font ? std::max(line.columns, columns) : columns;
    line.font = font;
    if (!line.model->Visible()) {
      line.rect = QRect();
      continue;
    }
    const QFontMetrics metrics(font);
    const int w = metrics.horizontalAdvance(QString(std::max(line.columns, 1), QLatin1Char('M')));
    line.rect = QRect(kMarginX, y, w, metrics.lineSpacing() * line.rows);
    width = std::max(width, w);
    y += line.rect.height() + kLineGap;
    if (&line == &lines_[0]) {
      divider_rect_ = divider_.Visible() ? QRect(kMarginX, y, 0, 1) : QRect();
      if (divider_.Visible()) y += 1 + kLineGap;
    }
  }
  divider_rect_.setWidth(divider_rect_.isNull() ? 0 : width);
  const QSize hint(width + 2 * kMarginX, y - kLineGap + kMarginY);
  if (hint != size_hint_) {
    size_hint_ = hint;
    updateGeometry();
  }
  update();
}

void PreviewGlass::showEvent(QShowEvent* event) {
  QFrame::showEvent(event);
  update();
}

void PreviewGlass::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), palette().window());
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kRim, 2));
  p.setBrush(kGlass);
  p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
  const int shift = Shift();
  p.translate(shift, 0);
  if (!divider_rect_.isNull()) p.fillRect(divider_rect_, dark_ ? kUnlit : kDivider);
  for (Line& line : lines_) {
    const QRect area = line.rect.translated(shift, 0).adjusted(-1, -1, 1, 1);
    if (line.rect.isNull() || !event->rect().intersects(area)) continue;
    Refresh(line);
    p.setFont(line.font);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
    if (!dark_) {
      p.setPen(kHalo);
      for (QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        p.drawText(line.rect.translated(offset), flags, line.text);
    }
    p.setPen(dark_ ? kUnlit : kLit);
    p.drawText(line.rect, flags, line.text);
  }
}

}  // namespace vfd::ui
