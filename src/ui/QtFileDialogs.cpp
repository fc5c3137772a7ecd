#include "ui/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include "ui/Binders.h"

namespace vfd::ui {

std::optional<std::string> QtFileDialogs::OpenFile(const std::string& title,
                                                   const std::string& filter,
                                                   const std::string& proposed_name) {
  if (headless_) return std::nullopt;
  QString proposed = QDir::current().filePath(FromText(proposed_name));
  QString chosen = QFileDialog::getOpenFileName(QApplication::activeWindow(), FromText(title),
                                                proposed, FromText(filter));
  if (chosen.isEmpty()) return std::nullopt;
  // The path travels as the file system's bytes, which the program keeps untouched.
  return std::string(QFile::encodeName(chosen).constData());
}

}  // namespace vfd::ui
