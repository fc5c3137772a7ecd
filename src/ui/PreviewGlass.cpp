#include "ui/PreviewGlass.h"

#include <algorithm>
#include <utility>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include "core/Charset.h"
#include "core/Timer.h"
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
// The halo reaches this far beyond a character's cell.
constexpr int kHaloReach = 1;

// What painting `rect`'s characters touches.
QRect WithHalo(const QRect& rect) {
  return rect.adjusted(-kHaloReach, -kHaloReach, kHaloReach, kHaloReach);
}
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
                           PreviewCharset charset, QWidget* parent)
    : QFrame(parent),
      charset_(std::move(charset)),
      divider_(divider),
      sleep_(sleep),
      base_family_(PreviewFamily()) {
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
  Relayout();
}

QString PreviewGlass::LineText(int index) const {
  return FromDisplayText(lines_[static_cast<size_t>(index)].model->Caption(), charset_());
}

QFont PreviewGlass::FontFor(const Label& model) const {
  QFont font(base_family_);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (model.FontSize() > 0) font.setPointSize(model.FontSize());
  font.setBold(model.Bold());
  return font;
}

const QPixmap& PreviewGlass::Glyph(Line& line, const CharacterSet& set, uint8_t code) {
  QPixmap& picture = line.glyphs[code];
  if (!picture.isNull()) return picture;
  std::string utf8;
  AppendUtf8(utf8, set.Picture(code));
  const QString text = QString::fromStdString(utf8);
  // A character wider than its cell (one the font lacks, drawn from another) keeps its width.
  const int width = std::max(line.pitch, QFontMetrics(line.font).horizontalAdvance(text));
  const qreal ratio = line.glyphs_ratio;
  picture = QPixmap(QSize(width + 2 * kHaloReach, line.row_height + 2 * kHaloReach) * ratio);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setFont(line.font);
  const QPoint origin(kHaloReach, kHaloReach + line.ascent);
  if (!dark_) {
    p.setPen(kHalo);
    for (QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
      p.drawText(origin + offset, text);
  }
  p.setPen(dark_ ? kUnlit : kLit);
  p.drawText(origin, text);
  return picture;
}

void PreviewGlass::PaintCells(QPainter& p, Line& line) {
  // The pictures hold the font, the glass's state and the screen's pixel density they were
  // made for.
  const qreal ratio = devicePixelRatioF();
  const CharacterSet& set = charset_();
  if (set.Model() != glyphs_model_ || set.Choice() != glyphs_choice_) {
    // Another model or ROM: the same codes may show other characters.
    glyphs_model_ = set.Model();
    glyphs_choice_ = set.Choice();
    for (Line& other : lines_)
      other.glyphs = {};
  }
  if (line.glyphs_dark != dark_ || line.glyphs_ratio != ratio) {
    line.glyphs = {};
    line.glyphs_dark = dark_;
    line.glyphs_ratio = ratio;
  }
  const int left = line.rect.left() - kHaloReach;
  int x = left;
  int y = line.rect.top() - kHaloReach;
  for (char c : line.model->Caption()) {
    if (c == '\r') continue;
    if (c == '\n') {
      x = left;
      y += line.row_height;
      continue;
    }
    const auto code = static_cast<uint8_t>(c);
    if (set.Picture(code) != U' ') p.drawPixmap(x, y, Glyph(line, set, code));
    x += line.pitch;
  }
}

void PreviewGlass::LineChanged(size_t index) {
  Line& line = lines_[index];
  // The 4x20 preview keeps its four rows in one caption; a change of the row count, a font or a
  // visibility moves things, anything else repaints the line where it is.
  const auto [rows, columns] = RowsAndColumns(line.model->Caption());
  if (rows != line.rows || columns > line.columns || line.model->FontSize() != line.font_size ||
      line.model->Bold() != line.bold || line.model->Visible() != !line.rect.isNull()) {
    Relayout();
    return;
  }
  if (!isVisible()) return;
  // Both lines change together on every frame of most functions; one area around both reaches
  // the screen in one piece where two would take two.
  const QRect area = WithHalo(lines_[0].rect.united(lines_[1].rect).translated(Shift(), 0));
  if (!Timer::AnyTicking()) {
    update(area);
    return;
  }
  // A frame drawn by a tick is painted when the ticks of this wake-up are done, right there:
  // asking Qt for a later repaint would cost the event loop another pass.
  if (repaint_pending_) return;
  repaint_pending_ = true;
  QPointer<PreviewGlass> self(this);
  Timer::AfterTicks([self, area] {
    if (!self) return;
    self->repaint_pending_ = false;
    // Qt paints nothing while the window is minimized.
    if (self->isVisible()) self->repaint(area);
  });
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
    line.font_size = line.model->FontSize();
    line.bold = line.model->Bold();
    const QFont font = FontFor(*line.model);
    // A new font is a new geometry: the width starts again from what the line shows now.
    if (font == line.font) {
      line.columns = std::max(line.columns, columns);
    } else {
      line.columns = columns;
      line.font = font;
      line.glyphs = {};
    }
    if (!line.model->Visible()) {
      line.rect = QRect();
      continue;
    }
    const QFontMetrics metrics(font);
    line.pitch = metrics.horizontalAdvance(QLatin1Char('M'));
    line.row_height = metrics.lineSpacing();
    line.ascent = metrics.ascent();
    const int w = line.pitch * std::max(line.columns, 1);
    line.rect = QRect(kMarginX, y, w, line.row_height * line.rows);
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
  // A line's repaint lies well inside the glass: plain glass under it, no rim to draw again.
  const QRect inside = rect().adjusted(kMarginX / 2, kMarginY / 2, -kMarginX / 2, -kMarginY / 2);
  if (inside.contains(event->rect())) {
    p.fillRect(event->rect(), kGlass);
  } else {
    p.fillRect(event->rect(), palette().window());
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRim, 2));
    p.setBrush(kGlass);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    p.setRenderHint(QPainter::Antialiasing, false);
  }
  const int shift = Shift();
  p.translate(shift, 0);
  if (!divider_rect_.isNull()) p.fillRect(divider_rect_, dark_ ? kUnlit : kDivider);
  for (Line& line : lines_) {
    if (line.rect.isNull() || !event->rect().intersects(WithHalo(line.rect.translated(shift, 0))))
      continue;
    PaintCells(p, line);
  }
}

}  // namespace vfd::ui
