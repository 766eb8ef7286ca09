// The settings save and the project save with every one of their file
// operations failing in turn, and with the disk filling up after every
// number of bytes they write: the file holds exactly its old bytes or
// exactly the complete new ones, and no temporary file is left beside it.
#include <functional>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "persist/project_file.h"
#include "persist/settings_file.h"
#include "support/test_support.h"
#include "ui/main_window.h"

namespace {

const std::string kIni = "C:\\Tallowbridge\\Tallowbridge.ini";
const std::string kProject = "C:\\Jobs\\night.tbp";

// Runs save once without a fault to learn its operations and the new
// bytes, then once per fault with the old file put back each time.
void WalkFaults(const std::string& file, const std::string& old, const std::function<void()>& save,
                const std::function<bool()>& failureShown) {
  WriteWinFile(file, old);
  headless::FailFileOperation(0);
  save();
  const std::vector<std::string> operations = headless::FileOperations();
  const std::string saved = ReadWinFile(file);
  ASSERT_NE(saved, old);
  ASSERT_FALSE(operations.empty());

  auto check = [&](const std::function<void()>& arm) {
    WriteWinFile(file, old);
    arm();
    save();
    headless::FailWritesAfter(-1);
    headless::FailFileOperation(0);
    const std::string after = ReadWinFile(file);
    EXPECT_TRUE(after == old || after == saved) << "a cut-short or mixed file";
    if (after == old && failureShown) {
      EXPECT_TRUE(failureShown()) << "a failed save was not reported";
    }
    EXPECT_FALSE(WinFileExists(file + "_temp"));
  };
  for (std::size_t n = 1; n <= operations.size(); ++n) {
    SCOPED_TRACE("operation " + std::to_string(n) + " fails: " + operations[n - 1]);
    check([n] { headless::FailFileOperation(static_cast<int>(n)); });
  }
  for (std::int64_t budget = 0; budget <= static_cast<std::int64_t>(saved.size()); ++budget) {
    SCOPED_TRACE("the disk is full after " + std::to_string(budget) + " bytes");
    check([budget] { headless::FailWritesAfter(budget); });
  }
  EXPECT_EQ(ReadWinFile(file), saved);   // the last round had room for all of it
}

class SaveFaultWalkTest : public ProgramTest {};

TEST_F(SaveFaultWalkTest, SettingsFile) {
  pf::OpenWindowAt(0, 233, 177, 294, 451, "Tallowbridge v1.1", pf::kWindowHidden);
  g.settings.rendererPath = "C:\\LightWave 8\\Programs\\lwsn.exe";
  g.settings.lastSceneDirectory = "C:\\Scenes\\";
  g.settings.idleTimeout = 25;
  WalkFaults(kIni, "[Required Settings]\r\nLWSN.EXE Location = C:\\old\\lwsn.exe\r\n", SaveSettings, nullptr);
}

TEST_F(SaveFaultWalkTest, ProjectFile) {
  WriteWinFile("C:\\Scenes\\a.lws", MakeScene(1, 10, 1, "C:\\Out\\img"));
  WriteWinFile("C:\\Scenes\\b.lws", MakeScene(1, 20, 2));
  Run({[] {
    for (const char* scene : {"C:\\Scenes\\a.lws", "C:\\Scenes\\b.lws"}) {
      headless::QueueFileAnswer(scene);
      headless::PushGadget(kAddSceneButton);
    }
  },
       [] {
         ASSERT_EQ(g.queue.count, 2);
         std::size_t errors = 0;
         auto countErrors = [] {
           std::size_t n = 0;
           for (const auto& m : headless::Messages()) n += m.title == "Error!";
           return n;
         };
         WalkFaults(
             kProject, "[TALLOWBRIDGE1]\r\n[Scenes]\r\n# = 1\r\nScene0 = C:\\old.lws\r\n",
             [&] {
               errors = countErrors();
               headless::QueueFileAnswer(kProject);
               SaveProject();
             },
             [&] { return countErrors() > errors; });
       }});
}

}  // namespace
