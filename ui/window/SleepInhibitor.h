#pragma once
// Keeps the machine from sleeping while long work runs: logind's Inhibit lock
// ("sleep:idle", block), held as the file descriptor logind hands out until it is closed.
// The call does not wait on the window's thread: the lock is held from logind's answer
// on, and an answer that comes after Release is dropped. Without logind (no system bus,
// no login manager) nothing is held and nothing fails.

#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QString>
#include <memory>

namespace kivora::ui {

class SleepInhibitor {
 public:
  SleepInhibitor() = default;
  ~SleepInhibitor() { Release(); }
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;

  // Asks for the lock, saying why; false when there is no system bus to ask. Asking again
  // keeps the one held or asked for.
  bool Hold(const QString& why);
  // Closes the lock's descriptor, or drops the answer still awaited: the machine may
  // sleep again.
  void Release();
  bool Held() const { return lock_.isValid(); }

 private:
  std::unique_ptr<QDBusPendingCallWatcher> pending_;  // the Inhibit call awaiting its answer
  QDBusUnixFileDescriptor lock_;
};

}  // namespace kivora::ui
