// Windows and controls held in memory, with the state a user would see.
#include <algorithm>
#include <climits>

#include "platform/headless/headless_internal.h"

using headless::detail::Record;
using headless::detail::S;

namespace {

headless::detail::WindowInfo* Win(int window) {
  auto it = S().windows.find(window);
  return it == S().windows.end() ? nullptr : &it->second;
}

headless::ControlInfo* Ctl(int control) {
  auto it = S().controls.find(control);
  return it == S().controls.end() ? nullptr : &it->second;
}

bool HasItems(pf::ControlKind kind) {
  return kind == pf::ControlKind::ListBox || kind == pf::ControlKind::DropDownList ||
         kind == pf::ControlKind::TabPanel;
}

}  // namespace

namespace pf {

bool LoadFont(FontId id, const std::string& face, int points, int styleFlags) {
  Record("font " + std::to_string(id) + " " + face + " " + std::to_string(points) + " " +
         std::to_string(styleFlags));
  return true;
}

bool OpenWindowAt(int window, int x, int y, int innerWidth, int innerHeight, const std::string& title,
                  int flags) {
  auto& w = S().windows[window];
  w = {};
  w.x = x;
  w.y = y;
  w.width = innerWidth;
  w.height = innerHeight;
  w.title = title;
  w.flags = flags;
  w.visible = !(flags & kWindowHidden);
  S().activeWindow = window;
  Record("open window " + std::to_string(window) + " " + title);
  return true;
}

void CloseWindowNumber(int window) {
  S().windows.erase(window);
  auto& order = S().creationOrder;
  for (auto it = S().controls.begin(); it != S().controls.end();) {
    if (it->second.window == window) {
      order.erase(std::remove(order.begin(), order.end(), it->first), order.end());
      it = S().controls.erase(it);
    } else {
      ++it;
    }
  }
  Record("close window " + std::to_string(window));
}

bool WindowExists(int window) { return Win(window) != nullptr; }

void SetWindowVisible(int window, bool visible) {
  if (auto* w = Win(window)) {
    w->visible = visible;
    if (visible) w->minimised = false;
    Record(std::string(visible ? "show" : "hide") + " window " + std::to_string(window));
  }
}

bool IsWindowVisible(int window) {
  auto* w = Win(window);
  return w && w->visible;
}

bool IsWindowMinimised(int window) {
  auto* w = Win(window);
  return w && w->minimised;
}

// Positions are kept as the inner area's; the frame lies around it. A
// position from a damaged file may lie at the end of the int range: it
// stops there instead of overflowing.
static int Shifted(int position, int by) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(position) + by, INT_MIN, INT_MAX));
}

void PlaceWindow(int window, int x, int y) {
  if (auto* w = Win(window)) {
    w->x = Shifted(x, headless::kFrameLeft);
    w->y = Shifted(y, headless::kFrameTop);
  }
}

int WindowX(int window) { return Win(window) ? Shifted(Win(window)->x, -headless::kFrameLeft) : 0; }
int WindowY(int window) { return Win(window) ? Shifted(Win(window)->y, -headless::kFrameTop) : 0; }
int WindowInnerX(int window) { return Win(window) ? Win(window)->x : 0; }
int WindowInnerY(int window) { return Win(window) ? Win(window)->y : 0; }

void SetWindowInnerSize(int window, int innerWidth, int innerHeight) {
  if (auto* w = Win(window)) {
    w->width = innerWidth;
    w->height = innerHeight;
  }
}

int WindowInnerWidth(int window) { return Win(window) ? Win(window)->width : 0; }
int WindowInnerHeight(int window) { return Win(window) ? Win(window)->height : 0; }

void SetWindowTopmost(int window, bool topmost) {
  if (auto* w = Win(window)) {
    w->topmost = topmost;
    Record(std::string(topmost ? "topmost" : "not topmost") + " window " + std::to_string(window));
  }
}

void ActivateWindowNumber(int window) {
  if (Win(window)) S().activeWindow = window;
}

std::string WindowTitle(int window) { return Win(window) ? Win(window)->title : std::string(); }

bool CreateControl(int window, const ControlSpec& layout) {
  if (!Win(window)) return false;
  headless::ControlInfo c;
  c.window = window;
  c.kind = layout.kind;
  c.x = layout.x;
  c.y = layout.y;
  c.width = layout.width;
  c.height = layout.height;
  c.text = layout.text ? layout.text : "";
  c.tooltip = layout.tooltip ? layout.tooltip : "";
  c.font = layout.font;
  c.tabPanel = layout.tabPanel;
  c.tabIndex = layout.tabIndex;
  c.state = HasItems(layout.kind) ? -1 : 0;
  S().controls[layout.id] = c;
  S().creationOrder.push_back(layout.id);
  return true;
}

void AddTab(int tabPanel, const std::string& text) {
  if (auto* c = Ctl(tabPanel)) {
    c->items.push_back(text);
    if (c->state < 0) c->state = 0;
  }
}

bool ControlExists(int control) { return Ctl(control) != nullptr; }

void SetControlText(int control, const std::string& text) {
  if (auto* c = Ctl(control)) {
    c->text = text;
    ++c->textSets;
  }
}

void ReplaceLastLines(int control, int lines, const std::string& text) {
  auto* c = Ctl(control);
  if (!c) return;
  // The last `lines` lines start after the lines-th CR LF from the end.
  std::size_t from = 0;
  std::size_t end = c->text.size();
  for (int k = 0; k < lines && end > 0; ++k) {
    std::size_t crlf = c->text.rfind("\r\n", end - 1);
    if (crlf == std::string::npos) {
      from = 0;
      break;
    }
    from = crlf + 2;
    end = crlf;
  }
  c->text.replace(from, std::string::npos, text);
}

std::string ControlText(int control) {
  auto* c = Ctl(control);
  if (!c) return {};
  if (c->kind == ControlKind::ListBox || c->kind == ControlKind::DropDownList)
    return c->state >= 0 && c->state < static_cast<int>(c->items.size()) ? c->items[c->state] : "";
  return c->text;
}

void SetControlEnabled(int control, bool enabled) {
  if (auto* c = Ctl(control)) c->enabled = enabled;
}

bool IsControlEnabled(int control) {
  auto* c = Ctl(control);
  return c && c->enabled;
}

void SetControlVisible(int control, bool visible) {
  if (auto* c = Ctl(control)) c->visible = visible;
}

bool IsControlVisible(int control) {
  auto* c = Ctl(control);
  return c && c->visible;
}

void SetControlTooltip(int control, const std::string& text) {
  if (auto* c = Ctl(control)) c->tooltip = text;
}

void FocusControl(int control) {
  if (Ctl(control)) S().focused = control;
}

void SetControlState(int control, int state) {
  auto* c = Ctl(control);
  if (!c) return;
  if (HasItems(c->kind) && state >= static_cast<int>(c->items.size())) state = -1;
  c->state = state;
}

int ControlState(int control) {
  auto* c = Ctl(control);
  return c ? c->state : 0;
}

void AddControlItem(int control, const std::string& text) {
  if (auto* c = Ctl(control)) c->items.push_back(text);
}

void RemoveControlItem(int control, int index) {
  auto* c = Ctl(control);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return;
  c->items.erase(c->items.begin() + index);
  // A list box drops its selection when the selected line goes.
  if (c->state == index) c->state = -1;
  else if (c->state > index) --c->state;
}

void ClearControlItems(int control) {
  if (auto* c = Ctl(control)) {
    c->items.clear();
    c->state = -1;
  }
}

int CountControlItems(int control) {
  auto* c = Ctl(control);
  return c ? static_cast<int>(c->items.size()) : 0;
}

std::string ControlItemText(int control, int index) {
  auto* c = Ctl(control);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return {};
  return c->items[index];
}

void SetControlItemText(int control, int index, const std::string& text) {
  auto* c = Ctl(control);
  if (c && index >= 0 && index < static_cast<int>(c->items.size())) c->items[index] = text;
}

void SetControlItems(int control, const std::vector<std::string>& items) {
  if (auto* c = Ctl(control)) {
    c->items = items;
    c->state = -1;
  }
}

}  // namespace pf

namespace headless {

const ControlInfo* Control(int control) { return Ctl(control); }

std::vector<int> ControlsOf(int window) {
  std::vector<int> out;
  for (int id : S().creationOrder)
    if (S().controls[id].window == window) out.push_back(id);
  return out;
}

int FocusedControl() { return S().focused; }
bool IsTopmost(int window) { return Win(window) && Win(window)->topmost; }

void Minimise(int window) {
  if (auto* w = Win(window)) w->minimised = true;
}

void SetState(int control, int state) { pf::SetControlState(control, state); }
void SetText(int control, const std::string& text) { pf::SetControlText(control, text); }

}  // namespace headless
