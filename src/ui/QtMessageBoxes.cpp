#include "ui/QtMessageBoxes.h"

#include <cstdio>

#include <QApplication>
#include <QMessageBox>

#include "core/Charset.h"
#include "ui/Binders.h"

namespace vfd::ui {

void QtMessageBoxes::ShowMessage(const std::string& text, const std::string& title) {
  if (headless_) {
    std::string line = Cp1252ToUtf8(title) + ": " + Cp1252ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, FromCp1252(title), FromCp1252(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void QtMessageBoxes::ShowNotice(const std::string& text, const std::string& title) {
  if (headless_) {
    ShowMessage(text, title);
    return;
  }
  auto* box = new QMessageBox(QMessageBox::NoIcon, FromCp1252(title), FromCp1252(text),
                              QMessageBox::Ok, QApplication::activeWindow());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

}  // namespace vfd::ui
