// The "Overnight Settings..." command: where the program offers it and what
// choosing it does.
#include <string>
#include <vector>

#include "core/program_state.h"
#include "support/test_support.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/overnight_window.h"

namespace {

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";
using Items = std::vector<std::string>;

class OvernightCommandTest : public ProgramTest {
 protected:
  // One scene in the queue list, a fifth rendered.
  static void QueueScene() {
    g.queue.scenePaths = {"C:\\S\\a.lws"};
    g.queue.fields.resize(1);
    g.queue.fields[0][kFieldPercentDone] = "20";
    pf::AddControlItem(kQueueList, "C:\\S\\a.lws");
    g.queue.count = 1;
  }
  static Items MenusShown() {
    Items menus;
    for (const auto& line : headless::Log())
      if (line.rfind("menu", 0) == 0) menus.push_back(line);
    return menus;
  }
  static pf::Event MenuChoice(int item) {
    pf::Event e;
    e.code = pf::kEventMenu;
    e.window = kMainWindow;
    e.item = item;
    return e;
  }
};

// Both menus offer the commands always: the tray menu below its queue
// status lines, and alone with no scene queued.
TEST_F(OvernightCommandTest, TheMenusOfferTheCommand) {
  struct Row {
    const char* what;
    const char* overnight;   // appended to the settings file
    bool scene;
    Items menus;             // shown by a right-click on the tray icon
  };
  const std::string status = "menu | 1 Render Progress: | - | 2 C:\\S\\a.lws  -  (20% done)";
  const Row rows[] = {
      {"defaults, no scene", "", false, {"menu | 8208 Overnight Settings... | 8224 Send Queue to Farm..."}},
      {"defaults, a scene", "", true, {status + " | - | 8208 Overnight Settings... | 8224 Send Queue to Farm..."}},
      {"in use, no scene", "[Overnight]\r\nRetries = 1\r\n", false, {"menu | 8208 Overnight Settings... | 8224 Send Queue to Farm..."}},
      {"in use, a scene", "[Overnight]\r\nStart at = 22:30\r\n", true,
       {status + " | - | 8208 Overnight Settings... | 8224 Send Queue to Farm..."}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TearDown();
    SetUp();
    WriteWinFile(kIni, ReadWinFile(kIni) + row.overnight);
    Run({[&row] {
           if (row.scene) QueueScene();
           headless::PushTray(1);
         }});
    EXPECT_EQ(headless::SystemMenuItems(kMainWindow), Items({"-", "8208 Overnight Settings...", "8224 Send Queue to Farm..."}));
    EXPECT_EQ(MenusShown(), row.menus);
  }
}

// Only the command opens the Overnight window, beside the main window; the
// status lines and the number kept for a later command do nothing.
TEST_F(OvernightCommandTest, TheCommandOpensTheOvernightWindow) {
  struct Row {
    int item;
    bool opens;
  };
  const Row rows[] = {{kOvernightCommand, true}, {1, false}, {2, false}, {kFarmCommand, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.item);
    TearDown();
    SetUp();
    bool opened = false;
    Run({[&row] {
           QueueScene();
           headless::PushEvent(MenuChoice(row.item));
         },
         [&opened] {
           opened = pf::IsWindowVisible(kOvernightWindow);
           if (!opened) return;
           EXPECT_EQ(pf::WindowX(kOvernightWindow), pf::WindowX(kMainWindow) + 20);
           EXPECT_EQ(pf::WindowY(kOvernightWindow), pf::WindowY(kMainWindow) + 20);
           EXPECT_TRUE(headless::IsTopmost(kOvernightWindow));
           headless::PushGadget(kOvernightCancelButton);
         }});
    EXPECT_EQ(opened, row.opens);
    EXPECT_FALSE(pf::WindowExists(kOvernightWindow));
  }
}

}  // namespace
