#include "common/win32/ui.h"

#include <string>

#include "common/cp1251.h"

namespace zel::win32 {

HWND createIconButton(HWND parent, int x, int y, int width, int height, const char* icon, int iconSize,
                      bool visible) {
  const DWORD style = WS_CHILD | BS_PUSHBUTTON | BS_ICON | BS_TOP | (visible ? WS_VISIBLE : 0);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND button = CreateWindowExA(WS_EX_CLIENTEDGE, "button", nullptr, style, x, y, width, height, parent, nullptr,
                                instance, nullptr);
  HANDLE image = LoadImageA(instance, icon, IMAGE_ICON, iconSize, iconSize, LR_DEFAULTCOLOR);
  SendMessageA(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image));
  return button;
}

void showMessage(HWND owner, std::string_view text1251, std::string_view caption1251, std::string_view ansi) {
  std::u16string text = cp1251ToUtf16(text1251);
  if (!ansi.empty()) {
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
    text.append(wide.begin(), wide.end());
  }
  const std::u16string caption = cp1251ToUtf16(caption1251);
  MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()), reinterpret_cast<const wchar_t*>(caption.c_str()),
              MB_OK);
}

}  // namespace zel::win32
