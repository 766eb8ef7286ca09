// Controls of the program's windows. A control's number is its control ID, so
// GetDlgItem(window, number) finds it from outside too. Controls on a tab
// page are siblings of the tab control, laid over its display area and shown
// only while their page is selected.
#include "platform/win32/win32_internal.h"

#include <commctrl.h>

#include <algorithm>

namespace win32 {

ControlRecord* Control(int control) {
  auto it = S().controls.find(control);
  return it == S().controls.end() ? nullptr : &it->second;
}

void LayoutTabPages(int tabPanel) {
  auto* panel = Control(tabPanel);
  if (!panel || panel->kind != pf::ControlKind::TabPanel) return;
  RECT area{};
  GetClientRect(panel->hwnd, &area);
  TabCtrl_AdjustRect(panel->hwnd, FALSE, &area);
  MapWindowPoints(panel->hwnd, GetParent(panel->hwnd), reinterpret_cast<POINT*>(&area), 2);
  int page = TabCtrl_GetCurSel(panel->hwnd);
  for (auto& [number, c] : S().controls) {
    if (c.tabPanel != tabPanel) continue;
    SetWindowPos(c.hwnd, nullptr, area.left + Px(c.x), area.top + Px(c.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(c.hwnd, c.visible && c.tabIndex == page ? SW_SHOWNA : SW_HIDE);
  }
}

// The tab control painted into a bitmap once; page controls draw their
// background from it, aligned to where they sit on the page.
HBRUSH PageBackground(HWND control, HDC dc) {
  for (auto& [number, c] : S().controls) {
    if (c.hwnd != control) continue;
    bool textOnPage = c.kind == pf::ControlKind::Label || c.kind == pf::ControlKind::LabelRight ||
                      c.kind == pf::ControlKind::CheckBox || c.kind == pf::ControlKind::OptionButton ||
                      c.kind == pf::ControlKind::GroupFrame;
    auto* panel = c.tabPanel >= 0 && textOnPage ? Control(c.tabPanel) : nullptr;
    if (!panel) return nullptr;
    if (!panel->pageBrush) {
      RECT r{};
      GetClientRect(panel->hwnd, &r);
      HDC screen = GetDC(panel->hwnd);
      HDC memory = CreateCompatibleDC(screen);
      HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
      HGDIOBJ old = SelectObject(memory, bitmap);
      SendMessageA(panel->hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
      SelectObject(memory, old);
      panel->pageBrush = CreatePatternBrush(bitmap);
      DeleteObject(bitmap);
      DeleteDC(memory);
      ReleaseDC(panel->hwnd, screen);
    }
    POINT offset{0, 0};
    MapWindowPoints(control, panel->hwnd, &offset, 1);
    SetBkMode(dc, TRANSPARENT);
    SetBrushOrgEx(dc, -offset.x, -offset.y, nullptr);
    return panel->pageBrush;
  }
  return nullptr;
}

void ForgetControl(ControlRecord& c) {
  if (c.pageBrush) DeleteObject(c.pageBrush);
  c.pageBrush = nullptr;
}

}  // namespace win32

namespace {

using win32::Control;
using win32::ControlRecord;
using win32::Px;
using win32::S;

struct ClassAndStyle {
  const char* className;
  DWORD style;
  DWORD exStyle;
};

// A run of option buttons forms one group: the first of a run starts it.
bool PreviousIsOptionButton(int window) {
  return S().lastCreated.count(window) && S().lastCreated[window] == pf::ControlKind::OptionButton;
}

ClassAndStyle ClassFor(int window, pf::ControlKind kind) {
  using K = pf::ControlKind;
  switch (kind) {
    case K::GroupFrame: return {"BUTTON", BS_GROUPBOX, 0};
    case K::Button: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case K::DefaultButton: return {"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0};
    case K::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case K::OptionButton:
      return {"BUTTON", static_cast<DWORD>(BS_AUTORADIOBUTTON | WS_TABSTOP |
                                           (PreviousIsOptionButton(window) ? 0 : WS_GROUP)), 0};
    case K::ListBox:
      return {"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case K::ReadOnlyField:
      return {"EDIT", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case K::EditField: return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    // One line each: a text too long for its label is cut with an ellipsis
    // instead of wrapping onto a second line nobody sees.
    case K::Label: return {"STATIC", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0};
    case K::LabelRight: return {"STATIC", SS_RIGHT | SS_NOPREFIX | SS_ENDELLIPSIS, 0};
    // A multi-line edit, not a rich edit: Wine's rich edit takes seconds, and
    // longer each time, to replace a text of thousands of lines.
    case K::RichText:
      return {"EDIT",
              ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL |
                  WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case K::TabPanel: return {WC_TABCONTROLA, WS_CLIPSIBLINGS | WS_TABSTOP, 0};
    case K::DropDownList: return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
  }
  return {"STATIC", 0, 0};
}

// Tooltips of one window live in one tooltip control owned by it.
HWND TooltipsOf(int window) {
  auto it = S().windows.find(window);
  if (it == S().windows.end()) return nullptr;
  if (!it->second.tooltips) {
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, it->second.hwnd, nullptr, S().instance,
                                nullptr);
    if (tips) SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, Px(400));
    it->second.tooltips = tips;
  }
  return it->second.tooltips;
}

TTTOOLINFOA ToolFor(const ControlRecord& c, const std::string* text) {
  TTTOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = GetParent(c.hwnd);
  ti.uId = reinterpret_cast<UINT_PTR>(c.hwnd);
  ti.lpszText = text ? const_cast<char*>(text->c_str()) : nullptr;
  return ti;
}

void ApplyTooltip(const ControlRecord& c, const std::string& text) {
  HWND tips = TooltipsOf(c.window);
  if (!tips) return;
  TTTOOLINFOA ti = ToolFor(c, nullptr);
  bool known = SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
  ti = ToolFor(c, &text);
  // A label lets the pointer through to the window below it unless it
  // notifies: without that, its tooltip would never see the pointer rest.
  if (!text.empty() && (c.kind == pf::ControlKind::Label || c.kind == pf::ControlKind::LabelRight))
    SetWindowLongA(c.hwnd, GWL_STYLE, GetWindowLongA(c.hwnd, GWL_STYLE) | SS_NOTIFY);
  if (text.empty()) {
    if (known) SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  } else if (known) {
    SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  } else {
    SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

// A multi-line edit breaks lines at CR LF only; the program's texts may end
// a line with CR alone (the renderer's log) or LF alone.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch != '\r' && ch != '\n') {
      out += ch;
      continue;
    }
    out += "\r\n";
    if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return out;
}

std::string WindowText(HWND hwnd) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The list box scrolls sideways only as far as it is told its widest line is.
void WidenListExtent(HWND list, const std::string& text) {
  HDC dc = GetDC(list);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  LRESULT extent = SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0);
  if (size.cx + Px(8) > extent) SendMessageA(list, LB_SETHORIZONTALEXTENT, size.cx + Px(8), 0);
}

std::string ItemText(const ControlRecord& c, int index) {
  bool list = c.kind == pf::ControlKind::ListBox;
  LRESULT length = SendMessageA(c.hwnd, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, index, 0);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT n = SendMessageA(c.hwnd, list ? LB_GETTEXT : CB_GETLBTEXT, index,
                           reinterpret_cast<LPARAM>(text.data()));
  text.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return text;
}

bool HasItems(pf::ControlKind kind) {
  return kind == pf::ControlKind::ListBox || kind == pf::ControlKind::DropDownList;
}

}  // namespace

namespace pf {

bool CreateControl(int window, const ControlSpec& layout) {
  HWND parent = win32::WindowHandle(window);
  if (!parent) return false;
  if (auto* old = Control(layout.id)) {
    win32::ForgetControl(*old);
    DestroyWindow(old->hwnd);
    S().controls.erase(layout.id);
  }
  ClassAndStyle cls = ClassFor(window, layout.kind);
  bool onPage = layout.tabPanel >= 0;
  int height = layout.height;
  // A drop-down list's height includes its opened list.
  if (layout.kind == ControlKind::DropDownList) height = std::max(height, 160);
  HWND hwnd = CreateWindowExA(cls.exStyle, cls.className, layout.text ? layout.text : "",
                              WS_CHILD | (onPage ? 0 : WS_VISIBLE) | cls.style, Px(layout.x), Px(layout.y),
                              Px(layout.x + layout.width) - Px(layout.x), Px(layout.y + height) - Px(layout.y), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), S().instance,
                              nullptr);
  if (!hwnd) return false;
  SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(win32::Font(layout.font)), FALSE);
  if (layout.kind == ControlKind::EditField || layout.kind == ControlKind::ReadOnlyField ||
      layout.kind == ControlKind::RichText)
    SendMessageA(hwnd, EM_LIMITTEXT, 0, 0);   // no length limit

  ControlRecord c;
  c.hwnd = hwnd;
  c.window = window;
  c.kind = layout.kind;
  c.x = layout.x;
  c.y = layout.y;
  c.width = layout.width;
  c.height = layout.height;
  c.tabPanel = layout.tabPanel;
  c.tabIndex = layout.tabIndex;
  S().controls[layout.id] = c;
  S().lastCreated[window] = layout.kind;
  if (layout.tooltip && *layout.tooltip) ApplyTooltip(c, layout.tooltip);
  if (onPage) {
    // Page controls go just above the tab control in the window's order, so
    // that the tab control (clipping its siblings) does not paint over them,
    // while the pages keep their creation order for the Tab key.
    if (auto* panel = Control(layout.tabPanel)) {
      HWND above = GetWindow(panel->hwnd, GW_HWNDPREV);
      SetWindowPos(hwnd, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    win32::LayoutTabPages(layout.tabPanel);
  }
  return true;
}

void AddTab(int tabPanel, const std::string& text) {
  auto* c = Control(tabPanel);
  if (!c || c->kind != ControlKind::TabPanel) return;
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>(text.c_str());
  int count = TabCtrl_GetItemCount(c->hwnd);
  SendMessageA(c->hwnd, TCM_INSERTITEMA, count, reinterpret_cast<LPARAM>(&item));
  if (count == 0) TabCtrl_SetCurSel(c->hwnd, 0);
  win32::LayoutTabPages(tabPanel);
}

bool ControlExists(int control) { return Control(control) != nullptr; }

void SetControlText(int control, const std::string& text) {
  auto* c = Control(control);
  if (!c || HasItems(c->kind) || c->kind == ControlKind::TabPanel) return;
  S().settingText = true;
  SetWindowTextA(c->hwnd, c->kind == ControlKind::RichText ? WithCrLf(text).c_str() : text.c_str());
  S().settingText = false;
}

// The replaced lines are selected and replaced in the control's own units
// (line indexes), so double-byte names count right. EM_SETSEL scrolls the
// caret into view; the first visible line is put back afterwards, with the
// control's redraw held meanwhile so it does not jump.
void ReplaceLastLines(int control, int lines, const std::string& text) {
  auto* c = Control(control);
  if (!c || c->kind != ControlKind::RichText) return;
  HWND h = c->hwnd;
  const auto count = static_cast<int>(SendMessageA(h, EM_GETLINECOUNT, 0, 0));
  const auto from = count > lines ? static_cast<int>(SendMessageA(h, EM_LINEINDEX, count - lines, 0)) : 0;
  DWORD selStart = 0, selEnd = 0;
  SendMessageA(h, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
  const auto firstVisible = static_cast<int>(SendMessageA(h, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageA(h, WM_SETREDRAW, FALSE, 0);
  S().settingText = true;
  SendMessageA(h, EM_SETSEL, static_cast<WPARAM>(from), -1);
  SendMessageA(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WithCrLf(text).c_str()));
  SendMessageA(h, EM_SETSEL, selStart, selEnd);
  S().settingText = false;
  const auto nowVisible = static_cast<int>(SendMessageA(h, EM_GETFIRSTVISIBLELINE, 0, 0));
  if (nowVisible != firstVisible) SendMessageA(h, EM_LINESCROLL, 0, firstVisible - nowVisible);
  SendMessageA(h, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(h, nullptr, TRUE);
}

// Lists answer with their selected line, tab panels with the selected tab.
std::string ControlText(int control) {
  auto* c = Control(control);
  if (!c) return {};
  if (HasItems(c->kind)) {
    int selected = ControlState(control);
    return selected >= 0 ? ItemText(*c, selected) : std::string();
  }
  if (c->kind == ControlKind::TabPanel) {
    char buffer[256] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    int selected = TabCtrl_GetCurSel(c->hwnd);
    if (selected < 0 || !SendMessageA(c->hwnd, TCM_GETITEMA, selected, reinterpret_cast<LPARAM>(&item)))
      return {};
    return buffer;
  }
  return WindowText(c->hwnd);
}

void SetControlEnabled(int control, bool enabled) {
  if (auto* c = Control(control)) EnableWindow(c->hwnd, enabled ? TRUE : FALSE);
}

bool IsControlEnabled(int control) {
  auto* c = Control(control);
  return c && IsWindowEnabled(c->hwnd);
}

void SetControlVisible(int control, bool visible) {
  auto* c = Control(control);
  if (!c) return;
  c->visible = visible;
  if (c->tabPanel >= 0) win32::LayoutTabPages(c->tabPanel);
  else ShowWindow(c->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool IsControlVisible(int control) {
  auto* c = Control(control);
  return c && c->visible;
}

void SetControlTooltip(int control, const std::string& text) {
  if (auto* c = Control(control)) ApplyTooltip(*c, text);
}

void FocusControl(int control) {
  if (auto* c = Control(control)) SetFocus(c->hwnd);
}

void SetControlState(int control, int state) {
  auto* c = Control(control);
  if (!c) return;
  switch (c->kind) {
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      SendMessageA(c->hwnd, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::ListBox: SendMessageA(c->hwnd, LB_SETCURSEL, state, 0); break;
    case ControlKind::DropDownList: SendMessageA(c->hwnd, CB_SETCURSEL, state, 0); break;
    case ControlKind::TabPanel:
      TabCtrl_SetCurSel(c->hwnd, state);
      win32::LayoutTabPages(control);
      break;
    default: break;
  }
}

int ControlState(int control) {
  auto* c = Control(control);
  if (!c) return 0;
  switch (c->kind) {
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
      return SendMessageA(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    case ControlKind::ListBox: return static_cast<int>(SendMessageA(c->hwnd, LB_GETCURSEL, 0, 0));
    case ControlKind::DropDownList: return static_cast<int>(SendMessageA(c->hwnd, CB_GETCURSEL, 0, 0));
    case ControlKind::TabPanel: return TabCtrl_GetCurSel(c->hwnd);
    default: return 0;
  }
}

void AddControlItem(int control, const std::string& text) {
  auto* c = Control(control);
  if (!c) return;
  if (c->kind == ControlKind::TabPanel) {
    AddTab(control, text);
  } else if (c->kind == ControlKind::ListBox) {
    SendMessageA(c->hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    WidenListExtent(c->hwnd, text);
  } else if (c->kind == ControlKind::DropDownList) {
    SendMessageA(c->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void RemoveControlItem(int control, int index) {
  auto* c = Control(control);
  if (!c) return;
  if (c->kind == ControlKind::ListBox) SendMessageA(c->hwnd, LB_DELETESTRING, index, 0);
  if (c->kind == ControlKind::DropDownList) SendMessageA(c->hwnd, CB_DELETESTRING, index, 0);
  if (c->kind == ControlKind::TabPanel) {
    TabCtrl_DeleteItem(c->hwnd, index);
    win32::LayoutTabPages(control);
  }
}

void ClearControlItems(int control) {
  auto* c = Control(control);
  if (!c) return;
  if (c->kind == ControlKind::ListBox) {
    SendMessageA(c->hwnd, LB_RESETCONTENT, 0, 0);
    SendMessageA(c->hwnd, LB_SETHORIZONTALEXTENT, 0, 0);
  }
  if (c->kind == ControlKind::DropDownList) SendMessageA(c->hwnd, CB_RESETCONTENT, 0, 0);
  if (c->kind == ControlKind::TabPanel) {
    TabCtrl_DeleteAllItems(c->hwnd);
    win32::LayoutTabPages(control);
  }
}

int CountControlItems(int control) {
  auto* c = Control(control);
  if (!c) return 0;
  if (c->kind == ControlKind::ListBox) return static_cast<int>(SendMessageA(c->hwnd, LB_GETCOUNT, 0, 0));
  if (c->kind == ControlKind::DropDownList)
    return static_cast<int>(SendMessageA(c->hwnd, CB_GETCOUNT, 0, 0));
  if (c->kind == ControlKind::TabPanel) return TabCtrl_GetItemCount(c->hwnd);
  return 0;
}

std::string ControlItemText(int control, int index) {
  auto* c = Control(control);
  if (!c || !HasItems(c->kind) || index < 0 || index >= CountControlItems(control)) return {};
  return ItemText(*c, index);
}

// Replaces one line in place; the selection stays where it was.
void SetControlItemText(int control, int index, const std::string& text) {
  auto* c = Control(control);
  if (!c || !HasItems(c->kind) || index < 0 || index >= CountControlItems(control)) return;
  int selected = ControlState(control);
  bool list = c->kind == ControlKind::ListBox;
  SendMessageA(c->hwnd, list ? LB_DELETESTRING : CB_DELETESTRING, index, 0);
  SendMessageA(c->hwnd, list ? LB_INSERTSTRING : CB_INSERTSTRING, index,
               reinterpret_cast<LPARAM>(text.c_str()));
  if (list) WidenListExtent(c->hwnd, text);
  if (selected >= 0) SetControlState(control, selected);
}

// A whole list at once: no repaint until the last line is in.
void SetControlItems(int control, const std::vector<std::string>& items) {
  auto* c = Control(control);
  if (!c || !HasItems(c->kind)) return;
  bool list = c->kind == ControlKind::ListBox;
  SendMessageA(c->hwnd, WM_SETREDRAW, FALSE, 0);
  SendMessageA(c->hwnd, list ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
  if (list) {
    SendMessageA(c->hwnd, LB_SETHORIZONTALEXTENT, 0, 0);
    SendMessageA(c->hwnd, LB_INITSTORAGE, items.size(), 0);
  }
  for (const auto& text : items) {
    SendMessageA(c->hwnd, list ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (list) WidenListExtent(c->hwnd, text);
  }
  SendMessageA(c->hwnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(c->hwnd, nullptr, TRUE);
}

}  // namespace pf
