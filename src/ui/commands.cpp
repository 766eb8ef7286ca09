#include "ui/commands.h"

#include "core/program_state.h"
#include "platform/platform.h"
#include "ui/main_window.h"

namespace {

constexpr const char* kOvernightText = "Overnight Settings...";
constexpr const char* kFarmText = "Send Queue to Farm...";

}  // namespace

void AddSystemMenuCommands() {
  pf::AddSystemMenuSeparator(kMainWindow);
  pf::AddSystemMenuItem(kMainWindow, kOvernightCommand, kOvernightText);
  pf::AddSystemMenuItem(kMainWindow, kFarmCommand, kFarmText);
}

void AddTrayCommands(int menu, bool separator) {
  if (separator) pf::AddMenuSeparator(menu);
  pf::AddMenuItem(menu, kOvernightCommand, kOvernightText);
  pf::AddMenuItem(menu, kFarmCommand, kFarmText);
}
