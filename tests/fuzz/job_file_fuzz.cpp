// Reading a farm job folder of any job.txt and jobs.txt bytes, with a few
// status files: the reader never fails and never reads more groups than
// the file holds; the status text is never empty and names each scene read
// once (empty only for a job of no scenes); the tasks not ended never exceed the tasks job.txt names and are
// never negative. A job.txt naming billions of tasks costs only the status
// files that are there.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "farm/farm_status.h"
#include "fuzz/fuzz_support.h"

namespace {

const std::string kFolder = "C:\\J\\night.farm\\";

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The status files stay as they are; only the job's own files change, so
  // the folder is made once (an input costs its two files, not five).
  static const bool folderMade = [] {
    fuzz::Begin();
    fuzz::WriteFile(kFolder + "status\\scene-001-001.txt", "[Task]\r\nState = finished\r\n");
    fuzz::WriteFile(kFolder + "status\\scene-001-002.txt",
                    "[Task]\r\nState = running\r\nUpdated = 2026-12-07T20:00:00Z\r\n");
    fuzz::WriteFile(kFolder + "status\\scene-002-0001.txt", "[Task]\r\nState = failed\r\n");
    return true;
  }();
  (void)folderMade;
  ResetProgramState();
  // The first line (up to LF) is jobs.txt, the rest job.txt.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = bytes.find('\n');
  fuzz::WriteFile(kFolder + "jobs.txt", lf == std::string::npos ? "" : bytes.substr(0, lf));
  const std::string job = lf == std::string::npos ? bytes : bytes.substr(lf + 1);
  fuzz::WriteFile(kFolder + "job.txt", job);
  std::vector<JobScene> scenes;
  const bool read = ReadJobScenes(kFolder, scenes);
  FUZZ_CHECK(read || scenes.empty(), "no job, but scenes");
  FUZZ_CHECK(scenes.size() <= Count(job, "[") , "more scenes than groups");
  std::int64_t tasks = 0;
  for (const JobScene& scene : scenes) {
    FUZZ_CHECK(scene.tasks >= 0, "a negative task count");
    tasks += scene.tasks;
  }
  QueueState queue;
  const std::string text = FarmStatusText(kFolder, queue, "2026-12-07T22:00:00+01:00");
  FUZZ_CHECK(!text.empty() || (read && scenes.empty()), "an empty status text for a job of scenes");
  if (!read) FUZZ_CHECK(text == "No farm job in " + kFolder, "no job, but a status: " + text);
  for (const JobScene& scene : scenes)
    FUZZ_CHECK(text.find("Scene " + std::to_string(scene.number) + ": ") != std::string::npos, "a scene not shown");
  const std::int64_t open = TasksNotEnded(kFolder);
  FUZZ_CHECK(open >= 0 && open <= tasks, "tasks not ended: " + std::to_string(open) + " of " + std::to_string(tasks));
  return 0;
}
