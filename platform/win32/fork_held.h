// The layer's process-wide locks are held across fork(): taken just before it and let
// go just after. A child then never starts with one of them held by a thread it does
// not have, which would leave its first call that takes the lock waiting for ever.
#pragma once

#include <pthread.h>

#include <new>
#include <type_traits>

namespace layer {

// `kLock` returns the lock (it may make it on first use). Register each lock once,
// before the process may fork: a static initialiser beside the lock does it. The locks
// so held are never taken one inside another, so the order they are taken in at a fork
// cannot deadlock. In the child the lock is made anew rather than unlocked: its one
// thread has another thread id there, and a recursive lock refuses to be unlocked by
// a thread other than the one that took it.
template <auto kLock>
bool HoldAcrossForks() {
  using Lock = std::remove_reference_t<decltype(kLock())>;
  return ::pthread_atfork([] { kLock().lock(); }, [] { kLock().unlock(); }, [] { new (&kLock()) Lock; }) == 0;
}

}  // namespace layer
