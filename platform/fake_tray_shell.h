// A notification-area shell for tests: records every request with a copy of
// its record, keeps the set of icons it holds, answers from a script or from
// its refusal switches, and sends callback messages to an icon's window.
#pragma once

#include "platform/tray_shell.h"

#include <deque>
#include <map>
#include <vector>

namespace platform {

class RecordingTrayShell : public TrayShell {
 public:
  enum class Request { Add, Modify, Delete };
  struct Call {
    Request request;
    NotifyIconData record;
    bool succeeded;
  };
  // A scripted answer; a refused add with holds set keeps the icon all the
  // same (an add that timed out after reaching the shell).
  struct Answer {
    bool ok;
    uint32_t error = kErrorGenFailure;
    bool holds = false;
  };

  bool Add(const NotifyIconData& data) override;
  bool Modify(const NotifyIconData& data) override;
  bool Delete(const NotifyIconData& data) override;
  uint32_t LastError() const override { return lastError; }
  bool TrayAvailable() const override { return trayAvailable; }

  ShellVersion GetShellVersion() const override { return ShellVersion{shellMajor, 0, 0, 0}; }
  OsVersion GetOsVersion() const override { return osVersion; }
  int DoubleClickTime() const override { return doubleClickTime; }
  QPoint CursorPos() const override { return cursor; }
  void SetForegroundWindow(QWidget* window) override { foreground.push_back(window); }

  // Sends (uID, message) at once to the window the icon was added with.
  void SendCallback(uint32_t uID, uint32_t message);
  void SendCallbacks(uint32_t uID, std::initializer_list<uint32_t> messages);

  bool Holds(uint32_t uID) const { return held.count(uID) != 0; }
  // Requests of one kind, in order.
  std::vector<Call> CallsOf(Request request) const;

  // What the shell reports.
  int shellMajor = 6;
  bool trayAvailable = true;
  OsVersion osVersion{10, 0};
  int doubleClickTime = 500;
  QPoint cursor{0, 0};

  // Refusals: a scripted answer is used first, then the switch.
  std::deque<Answer> addScript, modifyScript;
  bool refuseAdd = false, refuseModify = false, refuseDelete = false;
  uint32_t refusalError = kErrorGenFailure;

  std::vector<Call> calls;
  std::vector<QWidget*> foreground;
  std::map<uint32_t, NotifyIconData> held;  // uID -> record as the shell holds it
  uint32_t lastError = 0;

 private:
  Answer Answered(std::deque<Answer>& script, bool refuse);
};

}  // namespace platform
