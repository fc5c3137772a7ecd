#include "ui/WeatherConfigView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/Binders.h"
#include "ui/FormView.h"
#include "ui/SlotGridView.h"

namespace vfd::ui {

WeatherConfigView::WeatherConfigView(FrmWeatherConfig& form, QWidget* parent) : QDialog(parent) {
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  // The location first.
  auto* zip_row = new QHBoxLayout;
  auto* zip_label = new QLabel(this);
  auto* zip = new QLineEdit(this);
  zip_label->setBuddy(zip);
  BindLabel(form.lblZip, zip_label);
  BindTextBox(form.txtZip, zip);
  zip_row->addWidget(zip_label);
  zip_row->addWidget(zip, 1);
  layout->addLayout(zip_row);
  AddSlotGrid(form, this, layout, 9, 16);

  new FormView(form, this);
}

}  // namespace vfd::ui
