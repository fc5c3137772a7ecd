#pragma once

#include <array>

#include <QFont>
#include <QFrame>
#include <QString>

#include "core/Controls.h"

namespace vfd::ui {

// The preview of the display: the main window's two preview lines drawn on a dark glass in the
// phosphor's colour, with a soft halo, and dark while the display sleeps.
//
// It costs next to nothing while a function draws 40 frames a second: a change only marks its
// line and asks for a repaint of that line's area (Qt paints at most once per pass of the event
// loop, and not at all while the window is hidden or minimized); the text is converted when it
// is painted; the size follows the fonts and the number of rows, never the text; and the halo is
// the text drawn a few times at small offsets rather than a blur of the whole area.
class PreviewGlass : public QFrame {
 public:
  PreviewGlass(Label& line1, Label& line2, ::vfd::Shape& divider, Button& sleep,
               QWidget* parent = nullptr);

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
    QFont font;
    QString text;
    bool stale = true;  // the caption changed since `text` was made
    int rows = 1;
    int columns = 0;  // the longest row seen since the font last changed
    QRect rect;
  };

  void LineChanged(size_t index);
  void SleepChanged();
  // Sizes and places the lines; only when a font, a visibility or the number of rows changed.
  void Relayout();
  void Refresh(Line& line) const;
  int Shift() const;

  std::array<Line, 2> lines_;
  ::vfd::Shape& divider_;
  Button& sleep_;
  QRect divider_rect_;
  bool dark_ = false;
  QSize size_hint_;
  QString base_family_;
};

}  // namespace vfd::ui
