#include "ui/Binders.h"

#include <QAbstractButton>
#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStringList>

#include "core/Charset.h"

namespace vfd::ui {
namespace {

// Runs `mirror(widget)` now and on every change of the model, for as long as the widget lives.
// The core's signals cannot be disconnected, so the widget is held weakly.
template <typename W, typename F>
void Mirror(Control& model, W* widget, F mirror) {
  widget->setObjectName(QString::fromStdString(model.Name()));
  mirror(widget);
  QPointer<W> weak(widget);
  model.changed.Connect([weak, mirror] {
    if (weak) mirror(weak.data());
  });
}

// A widget without a parent yet is a window as far as Qt knows, and showing it would pop it up on
// its own; windows are shown and hidden by their form's view instead. isHidden() is only true for
// widgets hidden on purpose, so children of a window that is not shown yet are left alone.
void MirrorVisible(const Control& model, QWidget* widget) {
  if (widget->isWindow()) {
    if (!model.Visible()) widget->setVisible(false);
    return;
  }
  if (widget->isHidden() == model.Visible()) widget->setVisible(model.Visible());
}

void MirrorState(const Control& model, QWidget* widget) {
  if (widget->isEnabled() != model.Enabled()) widget->setEnabled(model.Enabled());
  const QString tip = FromText(model.ToolTip());
  if (widget->toolTip() != tip) widget->setToolTip(tip);
  MirrorVisible(model, widget);
}

void MirrorChecked(const Button& model, QAbstractButton* widget) {
  if (widget->isCheckable() != model.Checkable()) widget->setCheckable(model.Checkable());
  if (widget->isChecked() != model.Checked()) {
    QSignalBlocker block(widget);
    widget->setChecked(model.Checked());
  }
}

QStringList ItemsOf(const std::vector<std::string>& items) {
  QStringList out;
  out.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items)
    out.push_back(FromText(item));
  return out;
}

QStringList ItemsOf(const QListWidget& widget) {
  QStringList out;
  for (int i = 0; i < widget.count(); ++i)
    out.push_back(widget.item(i)->text());
  return out;
}

QStringList ItemsOf(const QComboBox& widget) {
  QStringList out;
  for (int i = 0; i < widget.count(); ++i)
    out.push_back(widget.itemText(i));
  return out;
}

// Replaces the combo's entries only when they differ, so that an open popup is not reset by an
// unrelated change such as enabling the control.
void MirrorComboItems(const std::vector<std::string>& items, QComboBox* widget) {
  QStringList wanted = ItemsOf(items);
  if (ItemsOf(*widget) == wanted) return;
  widget->clear();
  widget->addItems(wanted);
}

}  // namespace

QString FromText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToText(const QString& text) {
  return text.toStdString();
}

QString FromDisplayText(std::string_view codes, const CharacterSet& set) {
  QString text = QString::fromStdString(set.PictureOf(codes));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

void BindButton(Button& model, QAbstractButton* widget) {
  Mirror(model, widget, [&model](QAbstractButton* w) {
    QString caption = FromText(model.Caption());
    if (w->text() != caption) w->setText(caption);
    MirrorChecked(model, w);
    MirrorState(model, w);
  });
  QPointer<QAbstractButton> weak(widget);
  QObject::connect(widget, &QAbstractButton::clicked, widget, [&model, weak] {
    model.Click();
    // A checkable button toggles itself before it reports the click; the mark is the model's.
    if (weak) MirrorChecked(model, weak.data());
  });
}

void BindAction(Button& model, QAction* action) {
  action->setObjectName(QString::fromStdString(model.Name()));
  auto mirror = [&model](QAction* a) {
    const QString caption = FromText(model.Caption());
    if (a->text() != caption) a->setText(caption);
    if (a->isEnabled() != model.Enabled()) a->setEnabled(model.Enabled());
    if (a->isVisible() != model.Visible()) a->setVisible(model.Visible());
  };
  mirror(action);
  QPointer<QAction> weak(action);
  model.changed.Connect([weak, mirror] {
    if (weak) mirror(weak.data());
  });
  QObject::connect(action, &QAction::triggered, action, [&model] { model.Click(); });
}

void BindLabel(Label& model, QLabel* widget, PreviewCharset codes) {
  // Plain text: a caption is never markup, and runs of blanks must stay as they are.
  widget->setTextFormat(Qt::PlainText);
  Mirror(model, widget, [&model, codes](QLabel* w) {
    QString caption = codes ? FromDisplayText(model.Caption(), codes()) : FromText(model.Caption());
    if (w->text() != caption) w->setText(caption);
    QFont font = w->font();
    // A label without a size of its own keeps the window's font.
    if (model.FontSize() > 0 &&
        (font.pointSize() != model.FontSize() || font.bold() != model.Bold())) {
      font.setPointSize(model.FontSize());
      font.setBold(model.Bold());
      w->setFont(font);
    }
    MirrorState(model, w);
  });
}

void BindFrame(Frame& model, QGroupBox* widget) {
  Mirror(model, widget, [&model](QGroupBox* w) {
    QString caption = FromText(model.Caption());
    if (w->title() != caption) w->setTitle(caption);
    MirrorState(model, w);
  });
}

void BindShape(Shape& model, QWidget* widget) {
  Mirror(model, widget, [&model](QWidget* w) { MirrorState(model, w); });
}

void BindTextBox(TextBox& model, QLineEdit* widget) {
  Mirror(model, widget, [&model](QLineEdit* w) {
    QString text = FromText(model.Text());
    if (w->text() != text) {
      // A text the model changed (a handler tidied it) is shown; the caret stays where it was.
      const int cursor = w->cursorPosition();
      QSignalBlocker block(w);
      w->setText(text);
      w->setCursorPosition(cursor);
    }
    MirrorState(model, w);
  });
  QObject::connect(widget, &QLineEdit::textEdited, widget,
                   [&model](const QString& text) { model.SetText(ToText(text)); });
}

void BindListBox(ListBox& model, QListWidget* widget) {
  widget->setSelectionMode(QAbstractItemView::SingleSelection);
  Mirror(model, widget, [&model](QListWidget* w) {
    QSignalBlocker block(w);
    QStringList wanted = ItemsOf(model.Items());
    if (ItemsOf(*w) != wanted) {
      w->clear();
      w->addItems(wanted);
    }
    if (w->currentRow() != model.ListIndex()) w->setCurrentRow(model.ListIndex());
    if (model.ListIndex() < 0) w->clearSelection();
    MirrorState(model, w);
  });
  QObject::connect(widget, &QListWidget::currentRowChanged, widget,
                   [&model](int row) { model.SetListIndex(row); });
}

void BindListBox(ListBox& model, QComboBox* widget) {
  widget->setEditable(false);
  Mirror(model, widget, [&model](QComboBox* w) {
    QSignalBlocker block(w);
    MirrorComboItems(model.Items(), w);
    if (w->currentIndex() != model.ListIndex()) w->setCurrentIndex(model.ListIndex());
    MirrorState(model, w);
  });
  // activated: the user's choice only, also when it picks the entry already shown.
  QObject::connect(widget, &QComboBox::activated, widget,
                   [&model](int index) { model.Pick(index); });
}

void BindComboBox(ComboBox& model, QComboBox* widget) {
  widget->setEditable(true);
  widget->setInsertPolicy(QComboBox::NoInsert);
  Mirror(model, widget, [&model](QComboBox* w) {
    QSignalBlocker block(w);
    MirrorComboItems(model.Items(), w);
    QString text = FromText(model.Text());
    // The entry the text names is the one the list highlights when it drops down.
    const int index = w->findText(text, Qt::MatchExactly);
    if (w->currentIndex() != index) w->setCurrentIndex(index);
    if (w->currentText() != text) w->setEditText(text);
    MirrorState(model, w);
  });
  QObject::connect(widget, &QComboBox::editTextChanged, widget,
                   [&model](const QString& text) { model.SetText(ToText(text)); });
  QObject::connect(widget, &QComboBox::activated, widget, [&model, widget](int index) {
    model.SetText(ToText(widget->itemText(index)));
    if (model.on_click) model.on_click();
  });
}

void BindOptionButton(OptionButton& model, QRadioButton* widget) {
  Mirror(model, widget, [&model](QRadioButton* w) {
    QString caption = FromText(model.Caption());
    if (w->text() != caption) w->setText(caption);
    if (w->isChecked() != model.Value()) {
      // Checking this option unchecks its siblings in the widget; their toggles reach their
      // models, as selecting an option clears the others of its group.
      QSignalBlocker block(w);
      w->setChecked(model.Value());
    }
    MirrorState(model, w);
  });
  QObject::connect(widget, &QRadioButton::toggled, widget,
                   [&model](bool checked) { model.SetValue(checked); });
}

void BindCheckBox(CheckBox& model, QCheckBox* widget) {
  Mirror(model, widget, [&model](QCheckBox* w) {
    QString caption = FromText(model.Caption());
    if (w->text() != caption) w->setText(caption);
    if (w->isChecked() != model.Checked()) {
      QSignalBlocker block(w);
      w->setChecked(model.Checked());
    }
    MirrorState(model, w);
  });
  QObject::connect(widget, &QCheckBox::clicked, widget,
                   [&model](bool checked) { model.SetChecked(checked); });
}

void BindSlider(Slider& model, QSlider* widget) {
  Mirror(model, widget, [&model](QSlider* w) {
    QSignalBlocker block(w);
    w->setRange(model.Min(), model.Max());
    w->setSingleStep(model.SmallChange());
    w->setPageStep(model.LargeChange());
    w->setTickInterval(model.TickFrequency());
    if (w->value() != model.Value()) w->setValue(model.Value());
    MirrorState(model, w);
  });
  QObject::connect(widget, &QSlider::valueChanged, widget,
                   [&model](int value) { model.SetValue(value); });
}

void BindCalendar(Calendar& model, QCalendarWidget* widget) {
  Mirror(model, widget, [&model](QCalendarWidget* w) {
    QSignalBlocker block(w);
    QDate date(model.Year(), model.Month(), model.Day());
    if (w->selectedDate() != date) w->setSelectedDate(date);
    // The month on show is the chosen day's, also after the user browsed away from it.
    if (w->yearShown() != date.year() || w->monthShown() != date.month())
      w->setCurrentPage(date.year(), date.month());
    MirrorState(model, w);
  });
  QObject::connect(widget, &QCalendarWidget::selectionChanged, widget, [&model, widget] {
    QDate date = widget->selectedDate();
    model.SetDate(date.year(), date.month(), date.day());
  });
}

void FollowVisibility(Control& model, QWidget* companion) {
  MirrorVisible(model, companion);
  QPointer<QWidget> weak(companion);
  model.changed.Connect([&model, weak] {
    if (weak) MirrorVisible(model, weak.data());
  });
}

}  // namespace vfd::ui
