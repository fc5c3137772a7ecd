#include "ui/QtMessageBoxes.h"

#include <cstdio>

#include <QApplication>
#include <QMessageBox>

#include "ui/Binders.h"

namespace vfd::ui {

void QtMessageBoxes::ShowMessage(const std::string& text, const std::string& title) {
  if (headless_) {
    std::string line = title + ": " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, FromText(title), FromText(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void QtMessageBoxes::ShowNotice(const std::string& text, const std::string& title) {
  if (headless_) {
    ShowMessage(text, title);
    return;
  }
  auto* box = new QMessageBox(QMessageBox::NoIcon, FromText(title), FromText(text), QMessageBox::Ok,
                              QApplication::activeWindow());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace vfd::ui
