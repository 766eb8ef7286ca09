#include "core/unattended.h"

#include <vector>

#include "core/program_state.h"
#include "platform/platform.h"
#include "render/job_history.h"
#include "ui/main_window.h"

namespace {

bool continuingAtStartUp = false;
std::vector<std::string> untold;

// One line for the status text and the balloon.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
      continue;
    }
    line += c;
  }
  return line;
}

}  // namespace

bool Unattended() {
  if (g.settings.overnight.whenSceneFails != WhenSceneFails::kNext) return false;
  return g.run.active || !g.waitingUntil.empty() || continuingAtStartUp;
}

void SetContinuingAtStartUp(bool continuing) { continuingAtStartUp = continuing; }

void ShowNotice(const std::string& title, const std::string& text, int style) {
  if (!Unattended()) {
    pf::ShowMessage(title, text, style);
    return;
  }
  const std::string line = OneLine(text);
  pf::SetControlText(kStatusText, line);
  AppendHistoryLine(NoteLine(pf::LocalTimeIso(), title + " " + line));
  untold.push_back(line);
}

std::string TakeUntoldNotices() {
  std::string text;
  for (const std::string& line : untold) text += (text.empty() ? "" : "; ") + line;
  untold.clear();
  return text;
}
