#pragma once

#include <array>
#include <cstdint>

#include <QFont>
#include <QFrame>
#include <QPixmap>
#include <QString>

#include "core/Controls.h"
#include "ui/Binders.h"

class QPainter;

namespace vfd::ui {

// The preview of the display: the main window's two preview lines drawn on a dark glass in the
// phosphor's colour, with a soft halo, and dark while the display sleeps.
//
// It costs next to nothing while a function draws 40 frames a second: a change only asks for a
// repaint of its line's area (Qt paints at most once per pass of the event loop, and not at all
// while the window is hidden or minimized); the size follows the fonts and the number of rows,
// never the text; and each display character is drawn once, with its halo, into a picture of its
// own that painting copies into the character's cell, as the display's own cells: no conversion,
// no text shaping and no blur per frame.
class PreviewGlass : public QFrame {
 public:
  // The lines' codes are drawn as `charset` shows them.
  PreviewGlass(Label& line1, Label& line2, ::vfd::Shape& divider, Button& sleep,
               PreviewCharset charset, QWidget* parent = nullptr);

  // What line 0 or 1 shows now, rows separated by '\n'; and its font.
  QString LineText(int line) const;
  QFont LineFont(int line) const { return lines_[static_cast<size_t>(line)].font; }
  bool Dark() const { return dark_; }

  QSize sizeHint() const override { return size_hint_; }
  QSize minimumSizeHint() const override { return size_hint_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Line {
    Label* model;
    // What the layout was made for.
    int font_size = -1;
    bool bold = false;
    int rows = 1;
    int columns = 0;  // the longest row seen since the font last changed
    QFont font;
    int pitch = 0;  // the width of a character cell
    int row_height = 0;
    int ascent = 0;
    QRect rect;
    // The picture of each display character code shown so far, with its halo; made for `font`,
    // lit or dark, at a number of device pixels per pixel.
    std::array<QPixmap, 256> glyphs;
    bool glyphs_dark = false;
    qreal glyphs_ratio = 0;
  };

  void LineChanged(size_t index);
  void SleepChanged();
  // Sizes and places the lines; only when a font, a visibility or the number of rows changed.
  void Relayout();
  QFont FontFor(const Label& model) const;
  const QPixmap& Glyph(Line& line, const CharacterSet& set, uint8_t code);
  void PaintCells(QPainter& p, Line& line);
  int Shift() const;

  PreviewCharset charset_;
  // What the glyph pictures were drawn for.
  int16_t glyphs_model_ = -1;
  CharsetChoice glyphs_choice_ = CharsetChoice::kJapanese;
  std::array<Line, 2> lines_;
  ::vfd::Shape& divider_;
  Button& sleep_;
  QRect divider_rect_;
  bool repaint_pending_ = false;
  bool dark_ = false;
  QSize size_hint_;
  QString base_family_;
};

}  // namespace vfd::ui
