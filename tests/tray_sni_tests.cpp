// The tray icon as a StatusNotifier desktop sees it: the real Qt tray on an X server and a
// session bus of the test's own, with a small host in the test that registers the watcher,
// receives the icon's registration and then acts as a panel does (activates the icon, reads its
// tip and its menu, clicks a menu entry).
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include "shell/Program.h"
#include "support/ChildProcess.h"
#include "support/Fakes.h"
#include "support/VirtualEventLoop.h"
#include "ui/MainWindowView.h"
#include "ui/QtEventLoop.h"
#include "ui/TrayIconView.h"

namespace vfd::ui {
namespace {

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";

struct MenuEntry {
  int id = 0;
  std::string label;
  bool visible = true;
  bool separator = false;
};

struct ToolTip {
  std::string title;
  std::string text;
};

// A StatusNotifier watcher and host on its own connection and thread, as a panel is its own
// process: calls into the icon block this thread only, while the test keeps Qt's events going.
class StatusNotifierHost {
 public:
  explicit StatusNotifierHost(const std::string& address) {
    static const sd_bus_vtable kTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", &StatusNotifierHost::RegisterItem,
                      SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("RegisterStatusNotifierHost", "s", "", &StatusNotifierHost::RegisterHost,
                      SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_PROPERTY("RegisteredStatusNotifierItems", "as", &StatusNotifierHost::Get, 0, 0),
        SD_BUS_PROPERTY("IsStatusNotifierHostRegistered", "b", &StatusNotifierHost::Get, 0, 0),
        SD_BUS_PROPERTY("ProtocolVersion", "i", &StatusNotifierHost::Get, 0, 0),
        SD_BUS_SIGNAL("StatusNotifierItemRegistered", "s", 0),
        SD_BUS_SIGNAL("StatusNotifierItemUnregistered", "s", 0),
        SD_BUS_SIGNAL("StatusNotifierHostRegistered", "", 0),
        SD_BUS_VTABLE_END};
    ok_ = sd_bus_new(&bus_) >= 0 && sd_bus_set_address(bus_, address.c_str()) >= 0 &&
          sd_bus_set_bus_client(bus_, 1) >= 0 && sd_bus_start(bus_) >= 0 &&
          sd_bus_add_object_vtable(bus_, nullptr, "/StatusNotifierWatcher", kWatcher, kTable,
                                   this) >= 0 &&
          sd_bus_request_name(bus_, kWatcher, 0) >= 0 &&
          // An item whose connection goes is forgotten, as a real watcher forgets it: Qt may
          // register from a connection it drops again.
          sd_bus_match_signal(bus_, nullptr, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "NameOwnerChanged",
                              &StatusNotifierHost::OwnerChanged, this) >= 0;
    if (ok_) thread_ = std::thread([this] { Run(); });
  }
  ~StatusNotifierHost() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    sd_bus_flush_close_unref(bus_);
  }
  bool Ok() const { return ok_; }

  // The bus name of the item that registered, once one has.
  // The item registered last whose connection is still there.
  std::optional<std::string> Item() {
    std::lock_guard lock(mutex_);
    if (items_.empty()) return std::nullopt;
    return items_.back();
  }
  // How many registrations came so far: an icon shown again registers again.
  int Registrations() {
    std::lock_guard lock(mutex_);
    return registrations_;
  }

  // What a panel does, each run on the host's thread.
  std::future<bool> Activate() {
    return Post<bool>([](sd_bus* bus, const std::string& item) {
      sd_bus_error error = SD_BUS_ERROR_NULL;
      const int r = sd_bus_call_method(bus, item.c_str(), kItemPath, kItemInterface, "Activate",
                                       &error, nullptr, "ii", 40, 10);
      sd_bus_error_free(&error);
      return r >= 0;
    });
  }
  std::future<ToolTip> ReadToolTip() {
    return Post<ToolTip>([](sd_bus* bus, const std::string& item) {
      ToolTip tip;
      sd_bus_error error = SD_BUS_ERROR_NULL;
      sd_bus_message* reply = nullptr;
      if (sd_bus_get_property(bus, item.c_str(), kItemPath, kItemInterface, "ToolTip", &error,
                              &reply, "(sa(iiay)ss)") >= 0) {
        const char* icon = nullptr;
        const char* title = nullptr;
        const char* text = nullptr;
        if (sd_bus_message_enter_container(reply, 'r', "sa(iiay)ss") >= 0 &&
            sd_bus_message_read(reply, "s", &icon) >= 0 &&
            sd_bus_message_skip(reply, "a(iiay)") >= 0 &&
            sd_bus_message_read(reply, "ss", &title, &text) >= 0) {
          tip = {title, text};
        }
      }
      sd_bus_message_unref(reply);
      sd_bus_error_free(&error);
      return tip;
    });
  }
  // The entries of the icon's menu, as the panel would draw them.
  std::future<std::vector<MenuEntry>> ReadMenu() {
    return Post<std::vector<MenuEntry>>([](sd_bus* bus, const std::string& item) {
      std::vector<MenuEntry> entries;
      const std::optional<std::string> path = MenuPath(bus, item);
      if (!path) return entries;
      sd_bus_error error = SD_BUS_ERROR_NULL;
      sd_bus_message* reply = nullptr;
      if (sd_bus_call_method(bus, item.c_str(), path->c_str(), kMenuInterface, "GetLayout", &error,
                             &reply, "iias", 0, -1, 0) >= 0) {
        ReadLayout(reply, entries);
      }
      sd_bus_message_unref(reply);
      sd_bus_error_free(&error);
      return entries;
    });
  }
  // A click on the menu entry of `id`.
  std::future<bool> ClickMenuEntry(int id) {
    return Post<bool>([id](sd_bus* bus, const std::string& item) {
      const std::optional<std::string> path = MenuPath(bus, item);
      if (!path) return false;
      sd_bus_error error = SD_BUS_ERROR_NULL;
      const int r = sd_bus_call_method(bus, item.c_str(), path->c_str(), kMenuInterface, "Event",
                                       &error, nullptr, "isvu", id, "clicked", "i", 0, 0u);
      sd_bus_error_free(&error);
      return r >= 0;
    });
  }

 private:
  template <typename R>
  std::future<R> Post(std::function<R(sd_bus*, const std::string&)> work) {
    auto promise = std::make_shared<std::promise<R>>();
    std::future<R> result = promise->get_future();
    std::lock_guard lock(mutex_);
    const std::string item = items_.empty() ? "" : items_.back();
    jobs_.push_back([promise, work, item](sd_bus* bus) { promise->set_value(work(bus, item)); });
    return result;
  }

  void Run() {
    while (!stop_) {
      std::vector<std::function<void(sd_bus*)>> jobs;
      {
        std::lock_guard lock(mutex_);
        jobs.swap(jobs_);
      }
      for (auto& job : jobs)
        job(bus_);
      while (sd_bus_process(bus_, nullptr) > 0) {
      }
      sd_bus_wait(bus_, 10'000);
    }
  }

  static std::optional<std::string> MenuPath(sd_bus* bus, const std::string& item) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::optional<std::string> path;
    const char* text = nullptr;
    if (sd_bus_get_property(bus, item.c_str(), kItemPath, kItemInterface, "Menu", &error, &reply,
                            "o") >= 0 &&
        sd_bus_message_read(reply, "o", &text) >= 0) {
      path = text;
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return path;
  }

  // The layout's top entry holds the menu's entries as its children.
  static void ReadLayout(sd_bus_message* reply, std::vector<MenuEntry>& entries) {
    uint32_t revision = 0;
    int32_t id = 0;
    if (sd_bus_message_read(reply, "u", &revision) < 0 ||
        sd_bus_message_enter_container(reply, 'r', "ia{sv}av") < 0 ||
        sd_bus_message_read(reply, "i", &id) < 0 || sd_bus_message_skip(reply, "a{sv}") < 0 ||
        sd_bus_message_enter_container(reply, 'a', "v") < 0)
      return;
    while (sd_bus_message_enter_container(reply, 'v', "(ia{sv}av)") > 0) {
      MenuEntry entry;
      sd_bus_message_enter_container(reply, 'r', "ia{sv}av");
      sd_bus_message_read(reply, "i", &entry.id);
      sd_bus_message_enter_container(reply, 'a', "{sv}");
      while (sd_bus_message_enter_container(reply, 'e', "sv") > 0) {
        const char* key = nullptr;
        sd_bus_message_read(reply, "s", &key);
        const std::string name = key ? key : "";
        if (name == "label" || name == "type") {
          const char* value = nullptr;
          sd_bus_message_read(reply, "v", "s", &value);
          if (name == "label") entry.label = value ? value : "";
          if (name == "type") entry.separator = value && std::strcmp(value, "separator") == 0;
        } else if (name == "visible") {
          int visible = 1;
          sd_bus_message_read(reply, "v", "b", &visible);
          entry.visible = visible != 0;
        } else {
          sd_bus_message_skip(reply, "v");
        }
        sd_bus_message_exit_container(reply);
      }
      sd_bus_message_exit_container(reply);
      sd_bus_message_skip(reply, "av");
      sd_bus_message_exit_container(reply);
      sd_bus_message_exit_container(reply);
      entries.push_back(entry);
    }
  }

  static int RegisterItem(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<StatusNotifierHost*>(data);
    const char* service = nullptr;
    int r = sd_bus_message_read(m, "s", &service);
    if (r < 0) return r;
    // An item may name itself by its path only; its bus name is then the caller's.
    std::string name = service && service[0] != '/' ? service : sd_bus_message_get_sender(m);
    {
      std::lock_guard lock(self->mutex_);
      std::erase(self->items_, name);
      self->items_.push_back(name);
      ++self->registrations_;
    }
    sd_bus_emit_signal(self->bus_, "/StatusNotifierWatcher", kWatcher,
                       "StatusNotifierItemRegistered", "s", name.c_str());
    return sd_bus_reply_method_return(m, "");
  }
  static int OwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
    auto* self = static_cast<StatusNotifierHost*>(data);
    const char* name = nullptr;
    const char* old_owner = nullptr;
    const char* new_owner = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &old_owner, &new_owner) < 0) return 0;
    if (new_owner != nullptr && new_owner[0] == '\0') {
      std::lock_guard lock(self->mutex_);
      std::erase(self->items_, std::string(name));
    }
    return 0;
  }
  static int RegisterHost(sd_bus_message* m, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(m, "");
  }
  static int Get(sd_bus*, const char*, const char*, const char* property, sd_bus_message* reply,
                 void* data, sd_bus_error*) {
    auto* self = static_cast<StatusNotifierHost*>(data);
    const std::string p = property;
    if (p == "IsStatusNotifierHostRegistered") return sd_bus_message_append(reply, "b", 1);
    if (p == "ProtocolVersion") return sd_bus_message_append(reply, "i", 0);
    std::lock_guard lock(self->mutex_);
    if (self->items_.empty()) return sd_bus_message_append(reply, "as", 0);
    return sd_bus_message_append(reply, "as", 1, self->items_.back().c_str());
  }

  sd_bus* bus_ = nullptr;
  bool ok_ = false;
  std::atomic<bool> stop_ = false;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> items_;
  int registrations_ = 0;
  std::vector<std::function<void(sd_bus*)>> jobs_;
};

// The X server and the session bus, started before Qt so that Qt finds both.
struct Desktop {
  std::unique_ptr<testing::ChildProcess> x_server;
  std::unique_ptr<testing::ChildProcess> bus;
  std::unique_ptr<StatusNotifierHost> host;
  std::string problem;
};
Desktop* desktop = nullptr;

// The answer of a call into the icon, Qt's events kept going meanwhile.
template <typename T>
std::optional<T> Await(std::future<T> answer) {
  QElapsedTimer clock;
  clock.start();
  while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
    if (clock.elapsed() > 10000) return std::nullopt;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return answer.get();
}

struct ProgramWithTray {
  QtEventLoop loop;
  testing::VirtualEventLoop clock;
  testing::ScriptedRandom random;
  testing::FakeSerialDevice serial{clock};
  testing::FakeParallelPort parallel{clock};
  testing::FakeMessageBoxes boxes;
  testing::MemoryFiles files;
  testing::FakeFileDialogs file_dialogs;
  UsRegionalFormats formats;
  testing::FakeHttp http{clock};
  testing::FakeMediaPlayer player;
  testing::FakeSensors sensors;
  testing::FakeTidePages tides{clock};
  Program program{Services{.loop = loop,
                           .monotonic = clock,
                           .wall = clock,
                           .formats = formats,
                           .random = random,
                           .serial = serial,
                           .parallel = parallel,
                           .boxes = boxes,
                           .files = files,
                           .file_dialogs = file_dialogs,
                           .http = http,
                           .player = player,
                           .sensors = sensors,
                           .tides = tides}};
  MainWindowView window{program};
  TrayIconView tray{program.tray(), &window};
};

class StatusNotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(desktop && desktop->problem.empty()) << (desktop ? desktop->problem : "");
    rig = std::make_unique<ProgramWithTray>();
    rig->window.show();
    rig->program.Start();
  }
  // Minimizes the window and waits until it is in the tray and the host knows the icon.
  void MinimizeIntoTheTray() {
    const int before = desktop->host->Registrations();
    rig->window.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig->window.isVisible(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return desktop->host->Registrations() > before && desktop->host->Item(); }, 5000));
  }
  std::vector<MenuEntry> Menu() {
    std::vector<MenuEntry> shown;
    for (const MenuEntry& e : Await(desktop->host->ReadMenu()).value_or(std::vector<MenuEntry>{}))
      if (e.visible && !e.separator) shown.push_back(e);
    return shown;
  }
  static std::vector<std::string> Labels(const std::vector<MenuEntry>& entries) {
    std::vector<std::string> labels;
    for (const MenuEntry& e : entries)
      labels.push_back(e.label);
    return labels;
  }
  std::string Tip() {
    const ToolTip tip = Await(desktop->host->ReadToolTip()).value_or(ToolTip{});
    return tip.title + "|" + tip.text;
  }

  std::unique_ptr<ProgramWithTray> rig;
};

TEST_F(StatusNotifierTest, TheHostsActivationBringsTheWindowBackAndItsMenuHasTheEntries) {
  clsSysTray& model = rig->program.tray();
  EXPECT_TRUE(model.available);
  EXPECT_TRUE(model.restore_on_click);
  MinimizeIntoTheTray();

  EXPECT_EQ(Labels(Menu()), (std::vector<std::string>{"Show Window", "Sleep Display", "Exit"}));
  EXPECT_NE(Tip().find("VFD Vorlinx: Code Cracker"), std::string::npos) << Tip();

  // One activation, as a panel sends for a click: the window is back and the icon gone.
  ASSERT_EQ(Await(desktop->host->Activate()), std::optional<bool>(true));
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig->window.isVisible(); }, 5000));
  EXPECT_FALSE(rig->window.isMinimized());
  EXPECT_FALSE(model.WindowHidden());
  EXPECT_EQ(rig->program.main().WindowState(), 0);
  EXPECT_EQ(rig->window.windowTitle(), QStringLiteral("VFD Vorlinx Version 3.10"));
  // Back in the tray, it comes back again the same way.
  MinimizeIntoTheTray();
  ASSERT_EQ(Await(desktop->host->Activate()), std::optional<bool>(true));
  EXPECT_TRUE(QTest::qWaitFor([&] { return rig->window.isVisible(); }, 5000));
}

TEST_F(StatusNotifierTest, TheMenuSleepsTheDisplayAndTheTipAndMenuSaySo) {
  MinimizeIntoTheTray();
  std::vector<MenuEntry> menu = Menu();
  ASSERT_EQ(menu.size(), 3u);
  ASSERT_EQ(Await(desktop->host->ClickMenuEntry(menu[1].id)), std::optional<bool>(true));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return rig->program.main().cmdSleep.Caption() == "Wake"; }, 5000));
  EXPECT_TRUE(rig->program.modes().RunningFunctionCode() == "0");
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Tip().find("the display sleeps") != std::string::npos; }, 5000));
  EXPECT_EQ(Labels(Menu()), (std::vector<std::string>{"Show Window", "Wake Display", "Exit"}));
  // The window entry brings it back; the display still sleeps.
  ASSERT_EQ(Await(desktop->host->ClickMenuEntry(menu[0].id)), std::optional<bool>(true));
  EXPECT_TRUE(QTest::qWaitFor([&] { return rig->window.isVisible(); }, 5000));
  EXPECT_EQ(rig->program.main().cmdSleep.Caption(), "Wake");
}

}  // namespace
}  // namespace vfd::ui

int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i)
    listing = listing || std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
  vfd::ui::Desktop desktop;
  if (!listing) {
    // A display of its own (the first free one) and a bus of its own: nothing of the user's
    // desktop is touched, and its tray (if any) plays no part.
    desktop.x_server = std::make_unique<vfd::testing::ChildProcess>(
        "/usr/bin/Xvfb", std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp", "-screen",
                                                  "0", "1024x768x24"});
    desktop.bus = std::make_unique<vfd::testing::ChildProcess>(
        "/usr/bin/dbus-daemon",
        std::vector<std::string>{"--session", "--nofork", "--print-address=1"});
    if (!desktop.x_server->StdoutShows("\n") || !desktop.bus->StdoutShows("\n")) {
      desktop.problem = "Xvfb or dbus-daemon did not start (./build.sh installs both)";
    } else {
      std::string display = desktop.x_server->output();
      std::string address = desktop.bus->output();
      display.erase(display.find('\n'));
      address.erase(address.find('\n'));
      setenv("DISPLAY", (":" + display).c_str(), 1);
      setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
      setenv("QT_QPA_PLATFORM", "xcb", 1);
      unsetenv("QT_QPA_PLATFORMTHEME");
      unsetenv("XDG_CURRENT_DESKTOP");
      unsetenv("WAYLAND_DISPLAY");
      desktop.host = std::make_unique<vfd::ui::StatusNotifierHost>(address);
      if (!desktop.host->Ok()) desktop.problem = "the host could not take the watcher's name";
    }
  } else {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  vfd::ui::desktop = &desktop;
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  desktop.host.reset();
  return result;
}
