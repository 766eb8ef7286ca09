// tbdriver.exe <scenario> <Tallowbridge.exe> <lwsn.exe> <empty work folder>
// Runs one end-to-end scenario against the real program and prints PASS and
// FAIL lines; the exit code is 0 only when every check passed.
#include <cstdio>
#include <cstring>

#include "driver.h"

namespace {

struct Scenario {
  const char* name;
  int (*run)(const e2e::Setup&);
};

const Scenario kScenarios[] = {
    {"mainwindow", e2e::ScenarioMainWindow},
    {"wideview", e2e::ScenarioWideView},
    {"firstrun", e2e::ScenarioFirstRun},
    {"locate", e2e::ScenarioLocateRenderer},
    {"standin", e2e::ScenarioStandIn},
    {"render", e2e::ScenarioRender},
    {"renderfail", e2e::ScenarioRenderFailure},
    {"rendercrash", e2e::ScenarioRenderCrash},
    {"queue", e2e::ScenarioQueue},
    {"edit", e2e::ScenarioEdit},
    {"queue-render", e2e::ScenarioQueueRender},
    {"project", e2e::ScenarioProject},
    {"cpu", e2e::ScenarioCpu},
    {"demo", e2e::ScenarioDemo},
    {"longqueue", e2e::ScenarioLongQueue},
    {"outside", e2e::ScenarioOutside},
    {"overnight", e2e::ScenarioOvernight},
    {"farmwindow", e2e::ScenarioFarmWindow},
    {"modern", e2e::ScenarioModern},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: tbdriver <scenario> <Tallowbridge.exe> <lwsn.exe> <work folder>\n");
    return 2;
  }
  e2e::Setup setup{argv[2], argv[3], argv[4]};
  for (const auto& s : kScenarios) {
    if (std::strcmp(s.name, argv[1]) != 0) continue;
    int rc = s.run(setup);
    std::printf("%s: %s (%d failed checks)\n", s.name, rc == 0 ? "PASS" : "FAIL", e2e::Failures());
    return rc;
  }
  std::fprintf(stderr, "tbdriver: no scenario '%s'\n", argv[1]);
  return 2;
}
