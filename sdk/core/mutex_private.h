// A mutex, its scoped lock and a condition variable that Clang's
// thread-safety analysis checks (-Wthread-safety, and -Wthread-safety-beta
// for the lock order): a field names the mutex that guards it, a function
// names the mutexes it needs or takes, so touching a field without its lock,
// calling a function without the lock it needs, taking a lock twice or out
// of order fails the build. Other compilers see plain code: the annotations
// expand to nothing. SDK-internal; not installed.
//
//   GUARDED_BY(m)         a field read and written only with m held
//   PT_GUARDED_BY(m)      the data a pointer field points to, likewise
//   REQUIRES(m, ...)      a function called with m held
//   EXCLUDES(m, ...)      a function that takes m itself: callers must not hold it
//   ACQUIRE / RELEASE     a function that takes m and returns holding it, or lets it go
//   ACQUIRED_AFTER(m,...) a mutex taken after these when both are held
#ifndef QUENLAR_CORE_MUTEX_PRIVATE_H
#define QUENLAR_CORE_MUTEX_PRIVATE_H

#include <chrono>
#include <condition_variable>
#include <mutex>

#if defined(__clang__)
#define QUENLAR_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define QUENLAR_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(name) QUENLAR_THREAD_ATTRIBUTE(capability(name))
#define SCOPED_CAPABILITY QUENLAR_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(m) QUENLAR_THREAD_ATTRIBUTE(guarded_by(m))
#define PT_GUARDED_BY(m) QUENLAR_THREAD_ATTRIBUTE(pt_guarded_by(m))
#define REQUIRES(...) QUENLAR_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) QUENLAR_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) QUENLAR_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) QUENLAR_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define ACQUIRED_AFTER(...) QUENLAR_THREAD_ATTRIBUTE(acquired_after(__VA_ARGS__))

namespace qnl {

// std::mutex, which the standard library leaves unannotated.
class CAPABILITY("mutex") Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex &) = delete;
    Mutex &operator=(const Mutex &) = delete;

    void Lock() ACQUIRE() { mutex_.lock(); }
    void Unlock() RELEASE() { mutex_.unlock(); }

private:
    friend class CondVar;
    std::mutex mutex_;
};

// Holds a Mutex for its scope.
class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex &mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
    ~MutexLock() RELEASE() { mutex_.Unlock(); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

private:
    Mutex &mutex_;
};

class CondVar {
public:
    // Lets `mutex` go, waits until notified, `ms` milliseconds of real time
    // passed or the system woke it for nothing, and takes `mutex` back.
    // Callers test their condition again.
    void WaitFor(Mutex &mutex, unsigned ms) REQUIRES(mutex) {
        std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
        condition_.wait_for(lock, std::chrono::milliseconds(ms));
        lock.release(); // still held: the caller's scope lets it go
    }
    void NotifyOne() { condition_.notify_one(); }
    void NotifyAll() { condition_.notify_all(); }

private:
    std::condition_variable condition_;
};

} // namespace qnl

#endif
