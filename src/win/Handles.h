// Move-only owners of the handles and pointers the program holds. Each frees exactly what it
// owns, once; put() frees the old value before handing out the slot for a new one.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <utility>

namespace marlisk::win {

template <typename Traits>
class UniqueResource {
 public:
  using Value = typename Traits::Value;
  UniqueResource() = default;
  explicit UniqueResource(Value value) : value_(value) {}
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  Value get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::invalid(); }
  Value release() { return std::exchange(value_, Traits::invalid()); }
  void reset(Value value = Traits::invalid()) {
    if (value_ != Traits::invalid()) Traits::close(value_);
    value_ = value;
  }
  Value* put() {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::invalid();
};

struct FileHandleTraits {  // CreateFile's failure value is INVALID_HANDLE_VALUE
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Value h) { CloseHandle(h); }
};
struct KernelHandleTraits {  // process, thread and event handles fail as NULL
  using Value = HANDLE;
  static Value invalid() { return nullptr; }
  static void close(Value h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Value h) { FindClose(h); }
};
struct ModuleTraits {
  using Value = HMODULE;
  static Value invalid() { return nullptr; }
  static void close(Value h) { FreeLibrary(h); }
};
template <typename Pointer>
struct IdListTraits {  // item-identifier lists come from the shell's allocator
  using Value = Pointer;
  static Value invalid() { return nullptr; }
  static void close(Value p) { ILFree(p); }
};

using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
// Owned identifier lists, typed as the shell types them: from the Desktop, relative to a
// folder, or one item of a folder.
using UniqueAbsoluteId = UniqueResource<IdListTraits<PIDLIST_ABSOLUTE>>;
using UniqueRelativeId = UniqueResource<IdListTraits<PIDLIST_RELATIVE>>;
using UniqueChildId = UniqueResource<IdListTraits<PITEMID_CHILD>>;

// A COM interface pointer that releases what it holds.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T** put() {
    reset();
    return &p_;
  }
  void** putVoid() { return reinterpret_cast<void**>(put()); }

  template <typename U>
  HRESULT queryInterface(ComPtr<U>& out) const {
    return p_ ? p_->QueryInterface(__uuidof(U), out.putVoid()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

}  // namespace marlisk::win
