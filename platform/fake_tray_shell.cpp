#include "platform/fake_tray_shell.h"

#include <QCoreApplication>

namespace platform {

RecordingTrayShell::Answer RecordingTrayShell::Answered(std::deque<Answer>& script, bool refuse) {
  Answer answer{!refuse, refusalError};
  if (!script.empty()) {
    answer = script.front();
    script.pop_front();
  }
  if (!answer.ok) lastError = answer.error;
  return answer;
}

bool RecordingTrayShell::Add(const NotifyIconData& data) {
  Answer answer = Answered(addScript, refuseAdd);
  bool ok = answer.ok;
  if (ok && held.count(data.uID)) {  // the shell holds one icon per uID
    lastError = kErrorGenFailure;
    ok = false;
  }
  if (ok || answer.holds) held[data.uID] = data;
  calls.push_back({Request::Add, data, ok});
  return ok;
}

bool RecordingTrayShell::Modify(const NotifyIconData& data) {
  bool ok = Answered(modifyScript, refuseModify).ok;
  auto it = held.find(data.uID);
  if (ok && it == held.end()) {
    lastError = kErrorGenFailure;
    ok = false;
  }
  if (ok) it->second = data;
  calls.push_back({Request::Modify, data, ok});
  return ok;
}

bool RecordingTrayShell::Delete(const NotifyIconData& data) {
  bool ok = !refuseDelete && held.erase(data.uID) != 0;
  if (!ok) lastError = refusalError;
  calls.push_back({Request::Delete, data, ok});
  return ok;
}

void RecordingTrayShell::SendCallback(uint32_t uID, uint32_t message) {
  auto it = held.find(uID);
  if (it == held.end() || !it->second.window) return;
  TrayCallbackEvent event(it->second.callbackMessage, uID, message);
  QCoreApplication::sendEvent(it->second.window, &event);
}

void RecordingTrayShell::SendCallbacks(uint32_t uID, std::initializer_list<uint32_t> messages) {
  for (uint32_t message : messages) SendCallback(uID, message);
}

std::vector<RecordingTrayShell::Call> RecordingTrayShell::CallsOf(Request request) const {
  std::vector<Call> out;
  for (const Call& call : calls)
    if (call.request == request) out.push_back(call);
  return out;
}

}  // namespace platform
