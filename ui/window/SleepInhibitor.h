#pragma once
// Keeps the machine from sleeping while long work runs: logind's Inhibit lock
// ("sleep:idle", block), held as the file descriptor logind hands out until it is closed.
// Without logind (no system bus, no login manager) nothing is held and nothing fails.

#include <QDBusUnixFileDescriptor>
#include <QString>

namespace kivora::ui {

class SleepInhibitor {
 public:
  SleepInhibitor() = default;
  ~SleepInhibitor() { Release(); }
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;

  // Takes the lock, saying why; true when logind gave it. Taking it again keeps the one held.
  bool Hold(const QString& why);
  // Closes the lock's descriptor: the machine may sleep again.
  void Release();
  bool Held() const { return lock_.isValid(); }

 private:
  QDBusUnixFileDescriptor lock_;
};

}  // namespace kivora::ui
