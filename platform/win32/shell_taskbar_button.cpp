#include "platform/win32/shell_taskbar_button.h"

#include <objbase.h>
#include <shobjidl.h>

namespace solvane {

ShellTaskbarButton::~ShellTaskbarButton() {
  if (taskbarList_) {
    taskbarList_->Release();
  }
  if (comInitialised_) {
    CoUninitialize();
  }
}

ITaskbarList3* ShellTaskbarButton::TaskbarList() {
  if (triedTaskbarList_) {
    return taskbarList_;
  }
  triedTaskbarList_ = true;
  // S_FALSE (already initialised on this thread) needs its CoUninitialize too.
  comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  ITaskbarList3* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(&list)))) {
    return nullptr;
  }
  if (FAILED(list->HrInit())) {
    list->Release();
    return nullptr;
  }
  taskbarList_ = list;
  return taskbarList_;
}

void ShellTaskbarButton::ShowProgress(uint64_t completed, uint64_t total) {
  HWND window = window_();
  ITaskbarList3* list = window ? TaskbarList() : nullptr;
  if (list) {
    list->SetProgressState(window, TBPF_NORMAL);
    list->SetProgressValue(window, completed, total);
  }
}

void ShellTaskbarButton::HideProgress() {
  HWND window = window_();
  ITaskbarList3* list = window ? TaskbarList() : nullptr;
  if (list) {
    list->SetProgressState(window, TBPF_NOPROGRESS);
  }
}

}  // namespace solvane
