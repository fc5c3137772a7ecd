#include "ui/StatusLog.h"

#include <cstdio>

#include <QDateTime>
#include <QPointer>

namespace vfd::ui {

StatusLog::StatusLog(Label& status)
    : StatusLog(
          status,
          [] {
            return QDateTime::currentDateTime()
                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                .toStdString();
          },
          [](const std::string& line) {
            std::fwrite(line.data(), 1, line.size(), stderr);
            std::fflush(stderr);
          }) {}

StatusLog::StatusLog(Label& status, std::function<std::string()> stamp, Sink out)
    : status_(status), stamp_(std::move(stamp)), out_(std::move(out)) {
  QPointer<StatusLog> self(this);
  status_.changed.Connect([self] {
    if (self) self->Changed();
  });
  Changed();
}

void StatusLog::Changed() {
  const std::string& text = status_.Caption();
  if (text == last_) return;
  last_ = text;
  // A cleared status line says nothing new.
  if (!text.empty()) out_(stamp_() + " status: " + text + "\n");
}

}  // namespace vfd::ui
