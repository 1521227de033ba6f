// Entry of "Vantrel Configuration.exe": start-up, the main dialog's
// procedure and the resources that live as long as the dialog.
// <commctrl.h> needs <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include <array>
#include <memory>

#include "config/dialog_ids.h"
#include "config/service_client.h"
#include "config/settings_form.h"
#include "config/vendor_pages.h"
#include "config/win32/form_view_win32.h"
#include "config/win32/resource_bitmap_wrapper.h"
#include "config/win32/scoped_handle_gdi.h"
#include "platform/win32/http_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/service_manager_win32.h"
#include "platform/win32/version_info_win32.h"
#include "platform/win32/wmi_win32.h"

namespace vantrel {
namespace {

constexpr UINT_PTR kStatusTimerId = 1;
constexpr UINT kStatusTimerPeriodMs = 1000;
constexpr Gdiplus::ARGB kImageBackground = 0x00FFFFFF;  // white, fully transparent
constexpr std::array<int, 6> kHeadingIds = {IDC_HEADING_PROBLEM, IDC_HEADING_FAQ,
                                            IDC_HEADING_UPDATES, IDC_HEADING_FORMAT,
                                            IDC_HEADING_DRIVERS, IDC_HEADING_DUPLICATES};

struct ButtonImage {
  int resourceId;
  int buttonId;
};
constexpr std::array<ButtonImage, 3> kButtonImages = {{{IDR_PNG_ADD, IDC_ADD_FORMAT},
                                                       {IDR_PNG_REMOVE, IDC_REMOVE_FORMAT},
                                                       {IDR_PNG_APPLY, IDC_APPLY_CHANGES}}};

class SystemTicks : public Ticks {
 public:
  uint32_t GetTickCount() override { return ::GetTickCount(); }
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

// GDI objects handed to the dialog's controls. Controls do not free fonts,
// icons or images given to them, so they are freed here once the dialog's
// window is gone: the font, the icons, then the images (members end last
// first).
struct DialogResources {
  std::array<win32::unique_hbitmap, kButtonImages.size()> images;
  win32::unique_hicon bigIcon;
  win32::unique_hicon smallIcon;
  win32::unique_hfont boldFont;
};

// Everything the dialog procedure works with. DialogBoxParamW passes 0 as
// the init parameter, so the procedure reaches it through one pointer that
// WinMain sets for the dialog's lifetime.
struct Program {
  explicit Program(HINSTANCE instance) : instance(instance) {}

  HINSTANCE instance;
  Win32Registry registry;
  Win32Wmi wmi;
  Win32ServiceManager serviceManager;
  SystemTicks ticks;
  Win32Http http;
  Win32VersionInfo versionInfo;
  FormViewWin32 view;
  ConfigPorts ports{view, registry, wmi, serviceManager, ticks, http, versionInfo};
  DialogResources resources;
};

Program* g_program = nullptr;

void SetUpIcons(HWND dialog, Program& program) {
  const auto load = [&](int cxMetric, int cyMetric) {
    return static_cast<HICON>(LoadImageW(program.instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                         GetSystemMetrics(cxMetric), GetSystemMetrics(cyMetric),
                                         LR_DEFAULTCOLOR));
  };
  program.resources.smallIcon.reset(load(SM_CXSMICON, SM_CYSMICON));
  if (program.resources.smallIcon) {
    SendMessageW(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(program.resources.smallIcon.get()));
  }
  program.resources.bigIcon.reset(load(SM_CXICON, SM_CYICON));
  if (program.resources.bigIcon) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(program.resources.bigIcon.get()));
  }
}

void SetUpHeadingFont(HWND dialog, Program& program) {
  const auto font =
      reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_HEADING_PROBLEM, WM_GETFONT, 0, 0));
  if (!font) return;
  LOGFONTW logFont{};
  if (GetObjectW(font, sizeof(logFont), &logFont) == 0) return;
  logFont.lfWeight = FW_BOLD;
  program.resources.boldFont.reset(CreateFontIndirectW(&logFont));
  if (!program.resources.boldFont) return;
  for (int id : kHeadingIds) {
    SendDlgItemMessageW(dialog, id, WM_SETFONT,
                        reinterpret_cast<WPARAM>(program.resources.boldFont.get()), FALSE);
  }
}

// Decodes the three PNGs and gives each button a GDI bitmap of it. The
// wrappers only live until initialisation ends; the bitmaps stay.
void SetUpButtonImages(HWND dialog, Program& program,
                       std::array<ResourceBitmapWrapper, kButtonImages.size()>& wrappers) {
  for (size_t i = 0; i < kButtonImages.size(); ++i) {
    HRSRC resource =
        FindResourceW(program.instance, MAKEINTRESOURCEW(kButtonImages[i].resourceId), L"PNG");
    if (!resource || !wrappers[i].LoadFromResource(program.instance, resource)) continue;
    HBITMAP image = nullptr;
    if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(wrappers[i].bitmap(), &image,
                                                         kImageBackground) != Gdiplus::Ok ||
        !image) {
      continue;
    }
    program.resources.images[i].reset(image);
    SendDlgItemMessageW(dialog, kButtonImages[i].buttonId, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(image));
  }
}

void InitDialog(HWND dialog, Program& program) {
  program.view.Attach(dialog);
  SetWindowTextW(dialog, DialogCaption(program.versionInfo).c_str());
  SetUpIcons(dialog, program);
  SetUpHeadingFont(dialog, program);
  std::array<ResourceBitmapWrapper, kButtonImages.size()> wrappers;
  SetUpButtonImages(dialog, program, wrappers);
  SetTimer(dialog, kStatusTimerId, kStatusTimerPeriodMs, nullptr);
  OpenForm(program.ports);
}

INT_PTR HandleMessage(HWND dialog, Program& program, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog, program);
      return TRUE;  // the dialog manager focuses the first tab stop
    case WM_COMMAND:
      // The control id only: clicks, Enter and Esc all act, whatever the
      // notification code.
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return OnFormCommand(program.ports, LOWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header || header->code != static_cast<UINT>(NM_CLICK)) return FALSE;
      return OnLinkClicked(program.ports, static_cast<int>(header->idFrom)) ? TRUE : FALSE;
    }
    case WM_TIMER:
      if (wParam == kStatusTimerId) RefreshServiceStatus(program.ports);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!g_program) return FALSE;
  try {
    return HandleMessage(dialog, *g_program, message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind into the dialog manager; the message counts as
    // handled so that it is not acted on twice.
    return message == WM_INITDIALOG || message == WM_COMMAND || message == WM_NOTIFY ||
                   message == WM_TIMER
               ? TRUE
               : FALSE;
  }
}

}  // namespace vantrel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) return static_cast<int>(hr);
  // The driver list's WMI query runs under this process-wide security.
  hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (FAILED(hr)) {
    CoUninitialize();
    return static_cast<int>(hr);
  }

  Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, no callback, nothing suppressed
  ULONG_PTR gdiplusToken = 0;
  if (Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr) != Gdiplus::Ok) {
    CoUninitialize();
    return 0;
  }

  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof(classes);
  classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_USEREX_CLASSES | ICC_LINK_CLASS;
  if (!InitCommonControlsEx(&classes)) {
    Gdiplus::GdiplusShutdown(gdiplusToken);
    CoUninitialize();
    return 0;
  }

  INT_PTR result = -1;
  try {
    // The program's state, and the GDI objects given to the dialog, end
    // here, after the dialog's window is destroyed.
    auto program = std::make_unique<vantrel::Program>(instance);
    vantrel::g_program = program.get();
    result =
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, vantrel::MainDialogProc, 0);
    vantrel::g_program = nullptr;
  } catch (...) {
    vantrel::g_program = nullptr;
  }

  Gdiplus::GdiplusShutdown(gdiplusToken);
  CoUninitialize();
  return static_cast<int>(result);
}
