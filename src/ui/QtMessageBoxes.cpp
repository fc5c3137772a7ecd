#include "ui/QtMessageBoxes.h"

#include <algorithm>
#include <cstdio>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>

#include "ui/Binders.h"

namespace vfd::ui {
namespace {

constexpr int kGap = 8;

// A box with its text and one plain OK button; some themes would give the button an icon.
QMessageBox* MakeBox(const std::string& text, const std::string& title, QWidget* parent) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, FromText(title), FromText(text), QMessageBox::Ok,
                              parent);
  if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->setIcon(QIcon());
  return box;
}

// A box about a dialog's input goes beside the dialog, so that the row it names stays in view.
void PlaceBesideDialog(QMessageBox& box, QWidget* parent) {
  auto* dialog = qobject_cast<QDialog*>(parent);
  if (!dialog || !dialog->isVisible() || !dialog->screen()) return;
  box.adjustSize();
  box.move(PlaceBeside(dialog->frameGeometry(), box.frameGeometry().size(),
                       dialog->screen()->availableGeometry()));
}

}  // namespace

QPoint PlaceBeside(const QRect& dialog, const QSize& box, const QRect& screen) {
  // Right of the dialog, else left of it, else below it; always on the screen.
  QPoint at(dialog.right() + 1 + kGap, dialog.top());
  if (at.x() + box.width() > screen.right() + 1) at.setX(dialog.left() - kGap - box.width());
  if (at.x() < screen.left()) at = QPoint(dialog.left(), dialog.bottom() + 1 + kGap);
  at.setX(
      std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - box.width())));
  at.setY(
      std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - box.height())));
  return at;
}

void QtMessageBoxes::ShowMessage(const std::string& text, const std::string& title) {
  if (headless_) {
    std::string line = title + ": " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return;
  }
  QWidget* parent = QApplication::activeWindow();
  QMessageBox* box = MakeBox(text, title, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  PlaceBesideDialog(*box, parent);
  box->exec();
}

void QtMessageBoxes::ShowNotice(const std::string& text, const std::string& title) {
  if (headless_) {
    ShowMessage(text, title);
    return;
  }
  QWidget* parent = QApplication::activeWindow();
  QMessageBox* box = MakeBox(text, title, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  PlaceBesideDialog(*box, parent);
  box->show();
}

}  // namespace vfd::ui
