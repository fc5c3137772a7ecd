#include "sources/MotherboardMonitor.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace vfd {

FunctionRegistration MotherboardMonitor::Registration() {
  // ActivateMbm is the mode controller's activation with the first frame after the brightness:
  // the other function timers off, Timer6 on, the level re-sent, then one MbmTick at once.
  return {.code = 6,
          .button = &c_.cmdMBM,
          .timer = &c_.Timer6,
          .first_frame = FirstFrame::kAfter,
          .tick = [this] { MbmTick(); },
          .dialog = &dialog_,
          .config_button = &c_.cmdMBMConfig,
          .load =
              [this](const Settings& s) {
                sensor = s.MbmSensor;
                label = s.MbmLabel;
                // What each choice follows comes from beside the file, once it is read.
                origin = {};
              },
          .store =
              [this](Settings& s) {
                s.MbmSensor = sensor;
                s.MbmLabel = label;
              }};
}

std::array<std::string, 4> MotherboardMonitor::Segments() {
  bool any_sensor = false;
  for (const std::string& choice : sensor)
    any_sensor = any_sensor || SensorChoiceEntry(choice) >= 0;
  // One reading serves all eight slots, so the values of one frame belong together.
  return Segments(any_sensor ? sensors_.ReadTable() : SensorTable{});
}

int MotherboardMonitor::Follow(size_t k, const SensorTable& table) {
  const int entry = FindSensorChoice(sensor[k], origin[k], table);
  if (entry < 0) return entry;
  const SensorEntry& e = table[entry];
  if (origin[k].Empty()) {
    // Chosen under another numbering, the number alone cannot tell which sensor was meant; the
    // name it was chosen by can.
    if (!e.chip.empty() &&
        SensorChoiceName(sensor[k]) == SensorChoiceName(SensorChoiceItem(entry, e)))
      origin[k] = OriginOf(e);
    return entry;
  }
  std::string now = SensorChoiceItem(entry, e);
  if (now != sensor[k]) sensor[k] = std::move(now);
  return entry;
}

std::array<std::string, 4> MotherboardMonitor::Segments(const SensorTable& table) {
  std::array<std::string, 8> value;
  for (size_t k = 0; k < value.size(); ++k) {
    const int entry = Follow(k, table);
    value[k] = entry >= 0               ? FormatSensorReading(table[entry])
               : entry == kSensorAbsent ? kAbsentReading
                                        : "";
  }
  std::array<std::string, 4> segments;
  for (size_t s = 0; s < segments.size(); ++s) {
    const size_t a = 2 * s, b = 2 * s + 1;
    // The labels are the user's and the sensors' names the machine's: any script, counted as
    // shown.
    segments[s] = display_.TextCodes(label[a] + value[a] + label[b] + value[b]);
  }
  return segments;
}

void MotherboardMonitor::MbmTick() {
  const std::array<std::string, 4> seg = Segments();
  switch (display_.screen_type) {
    case kScreen2x20:
      display_.Write2x20(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen2x40:
      display_.Write2x40(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen2x24:
      display_.Write2x24(seg[0] + seg[1], seg[2] + seg[3]);
      break;
    case kScreen4x20:
      display_.Write4x20(seg[0], seg[1], seg[2], seg[3]);
      break;
    default:
      break;
  }
}

FrmMBMConfig::FrmMBMConfig(MotherboardMonitor& monitor, TimerHost& timers)
    : SlotGridForm("frmMBMConfig", "VFD Vorlinx - MBM Config", timers), monitor_(monitor) {}

void FrmMBMConfig::OnLoad() {
  sensor_on_load_ = monitor_.sensor;
  origin_on_load_ = monitor_.origin;
  label_on_load_ = monitor_.label;
  lblLine1.SetCaption(kRuler);
  lblLine2.SetCaption(kRuler);
  items_.clear();
  for (ListBox* list : VariableLists())
    list->Clear();
  FillLists(monitor_.sensors().ReadTable());
  const std::array<TextBox*, 8> boxes = LabelBoxes();
  for (size_t k = 0; k < boxes.size(); ++k)
    boxes[k]->SetText(monitor_.label[k]);
  tmrUpdate.SetEnabled(true);
}

FrmMBMConfig::Item FrmMBMConfig::AbsentItem(size_t k) const {
  return {"-- " + SensorChoiceName(monitor_.sensor[k]) + " (absent)", monitor_.sensor[k],
          monitor_.origin[k]};
}

std::vector<FrmMBMConfig::Item> FrmMBMConfig::ItemsFor(const SensorTable& table) {
  std::vector<Item> items{{kNoSensor, kNoSensor, {}}};
  for (int i = 0; i < kSensorEntries; ++i) {
    std::string text = SensorChoiceItem(i, table[i]);
    items.push_back({text, text, OriginOf(table[i])});
  }
  for (size_t k = 0; k < monitor_.sensor.size(); ++k) {
    const std::string& choice = monitor_.sensor[k];
    if (FindSensorChoice(choice, monitor_.origin[k], table) != kSensorAbsent) continue;
    Item absent = AbsentItem(k);
    if (std::find(items.begin(), items.end(), absent) == items.end()) items.push_back(absent);
  }
  return items;
}

void FrmMBMConfig::FillLists(const SensorTable& table) {
  // A choice whose sensor moved takes its number now, before the lists show it.
  std::array<int, 8> entry;
  for (size_t k = 0; k < entry.size(); ++k)
    entry[k] = monitor_.Follow(k, table);
  std::vector<Item> items = ItemsFor(table);
  const bool changed = items != items_;
  items_ = std::move(items);
  const std::array<ListBox*, 8> lists = VariableLists();
  for (size_t k = 0; k < lists.size(); ++k) {
    ListBox& list = *lists[k];
    if (changed) {
      list.SetListIndex(-1);
      list.Clear();
      for (const Item& item : items_)
        list.AddItem(item.text);
    }
    // A choice made when the sensor had another name (or none) and that follows no sensor still
    // names its entry by number; the list shows that entry under today's name. A choice that
    // names no entry shows as none.
    int index = entry[k] >= 0 ? entry[k] + 1 : 0;
    if (entry[k] == kSensorAbsent)
      index =
          static_cast<int>(std::find(items_.begin(), items_.end(), AbsentItem(k)) - items_.begin());
    list.SetListIndex(index);
  }
}

void FrmMBMConfig::OnUnload() {
  tmrUpdate.SetEnabled(false);
  // Closing keeps the edits, including one made since the last update.
  if (!cancelling_) CopyIntoSlots();
}

void FrmMBMConfig::CopyIntoSlots() {
  const std::array<ListBox*, 8> lists = VariableLists();
  const std::array<TextBox*, 8> boxes = LabelBoxes();
  for (size_t k = 0; k < lists.size(); ++k) {
    const int index = lists[k]->ListIndex();
    if (index >= 0 && static_cast<size_t>(index) < items_.size()) {
      monitor_.sensor[k] = items_[index].choice;
      monitor_.origin[k] = items_[index].origin;
    } else {
      monitor_.sensor[k] = lists[k]->Text();
      monitor_.origin[k] = {};
    }
    monitor_.label[k] = boxes[k]->Text();
  }
}

void FrmMBMConfig::Update() {
  CopyIntoSlots();
  const SensorTable table = monitor_.sensors().ReadTable();
  const std::array<std::string, 4> seg = monitor_.Segments(table);
  // Chips that came or went since the lists were filled: the lists show the table as it is now.
  if (ItemsFor(table) != items_) FillLists(table);
  lblLine1.SetCaption((seg[0] + seg[1]).substr(0, 40));
  lblLine2.SetCaption((seg[2] + seg[3]).substr(0, 40));
}

void FrmMBMConfig::Cancel() {
  cancelling_ = true;
  Unload();
  cancelling_ = false;
  monitor_.sensor = sensor_on_load_;
  monitor_.origin = origin_on_load_;
  monitor_.label = label_on_load_;
}

}  // namespace vfd
