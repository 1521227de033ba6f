// One move-only owner for every kind of Win32 handle the adapters hold. The
// traits say which value means "none" and how to close; aliases carry WIL's
// names so the call sites read the same as in WIL-based code. The traits of
// handles from another system library (WinHTTP, the spooler, Terminal
// Services) live in scoped_handle_<library>.h, so an adapter includes only
// its own library's header.
#pragma once

#include <windows.h>

#include <utility>

namespace vantrel::win32 {

template <typename Traits>
class GenericScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  GenericScopedHandle() = default;
  explicit GenericScopedHandle(Handle handle) : handle_(handle) {}
  ~GenericScopedHandle() { Close(); }

  GenericScopedHandle(const GenericScopedHandle&) = delete;
  GenericScopedHandle& operator=(const GenericScopedHandle&) = delete;
  GenericScopedHandle(GenericScopedHandle&& other) noexcept : handle_(other.release()) {}
  GenericScopedHandle& operator=(GenericScopedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  bool is_valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return is_valid(); }
  Handle get() const { return handle_; }

  // Closing must not disturb the error code a caller is about to read.
  void reset(Handle handle = Traits::Invalid()) {
    if (handle == handle_) return;
    const DWORD lastError = ::GetLastError();
    Close();
    handle_ = handle;
    ::SetLastError(lastError);
  }

  Handle release() { return std::exchange(handle_, Traits::Invalid()); }

  // For out-parameters: closes what is held, then lends the slot.
  Handle* put() {
    reset();
    return &handle_;
  }

 private:
  void Close() {
    if (is_valid()) Traits::Close(handle_);
    handle_ = Traits::Invalid();
  }

  Handle handle_ = Traits::Invalid();
};

namespace traits {

// The handle kinds where null means none; `close` releases one.
template <typename H, auto close>
struct NullIsNone {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { close(h); }
};

// File handles, where CreateFileW reports failure as INVALID_HANDLE_VALUE.
struct FileHandle {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

}  // namespace traits

// Kernel handles where null means none (events, threads, timers).
using unique_handle = GenericScopedHandle<traits::NullIsNone<HANDLE, &::CloseHandle>>;
using unique_hfile = GenericScopedHandle<traits::FileHandle>;
using unique_hkey = GenericScopedHandle<traits::NullIsNone<HKEY, &::RegCloseKey>>;
using unique_schandle = GenericScopedHandle<traits::NullIsNone<SC_HANDLE, &::CloseServiceHandle>>;
template <typename T = void>
using unique_hlocal_ptr = GenericScopedHandle<traits::NullIsNone<T*, &::LocalFree>>;

}  // namespace vantrel::win32
