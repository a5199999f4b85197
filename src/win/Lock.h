// A lock for what two threads share: the system's slim reader/writer lock, taken exclusively.
// std::mutex would do the same through winpthreads, a layer the program needs nowhere else.
#pragma once

#include <windows.h>

namespace marlisk::win {

class SlimLock {
 public:
  SlimLock() = default;
  SlimLock(const SlimLock&) = delete;
  SlimLock& operator=(const SlimLock&) = delete;

  // Held for the life of the guard.
  class Held {
   public:
    explicit Held(SlimLock& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_.lock_); }
    ~Held() { ReleaseSRWLockExclusive(&lock_.lock_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    SlimLock& lock_;
  };

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace marlisk::win
