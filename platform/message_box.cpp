#include "platform/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <mutex>
#include <vector>
#include <utility>

namespace platform {

namespace {
std::mutex g_hookMutex;
MessageHook g_hook;

struct ButtonDef {
  MsgButton bit;
  const char* caption;
  ModalResult result;
  QMessageBox::ButtonRole role;
};
const ButtonDef kButtons[] = {
    {mbYes, "はい(&Y)", ModalResult::Yes, QMessageBox::YesRole},
    {mbNo, "いいえ(&N)", ModalResult::No, QMessageBox::NoRole},
    {mbOK, "OK", ModalResult::OK, QMessageBox::AcceptRole},
    {mbCancel, "キャンセル", ModalResult::Cancel, QMessageBox::RejectRole},
    {mbAbort, "中止(&A)", ModalResult::Abort, QMessageBox::RejectRole},
    {mbRetry, "再試行(&R)", ModalResult::Retry, QMessageBox::AcceptRole},
    {mbIgnore, "無視(&I)", ModalResult::Ignore, QMessageBox::AcceptRole},
};
}  // namespace

std::string CaptionFor(MsgType type) {
  switch (type) {
    case MsgType::Warning: return "警告";
    case MsgType::Error: return "エラー";
    case MsgType::Information: return "情報";
    case MsgType::Confirmation: return "確認";
  }
  return "";
}

MessageHook SetMessageHook(MessageHook hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  return std::exchange(g_hook, std::move(hook));
}

ModalResult MessageBoxWithCaption(const std::string& text, const std::string& caption, MsgType type,
                                  unsigned buttons, QWidget* parent) {
  MessageHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    hook = g_hook;
  }
  if (hook) return hook(MessageRecord{text, caption, type, buttons});

  QMessageBox box(parent);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromStdString(text));
  switch (type) {
    case MsgType::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgType::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgType::Information: box.setIcon(QMessageBox::Information); break;
    case MsgType::Confirmation: box.setIcon(QMessageBox::Question); break;
  }
  std::vector<std::pair<QPushButton*, ModalResult>> made;
  for (const auto& b : kButtons)
    if (buttons & b.bit) made.emplace_back(box.addButton(QString::fromUtf8(b.caption), b.role), b.result);
  if (made.empty()) made.emplace_back(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole), ModalResult::OK);
  // Return presses OK, else Yes, else Retry; without any of them the button
  // that stops (Cancel, No, Abort), never one that goes on regardless such
  // as Ignore.
  for (const ModalResult preferred : {ModalResult::OK, ModalResult::Yes, ModalResult::Retry, ModalResult::Cancel,
                                      ModalResult::No, ModalResult::Abort}) {
    const auto it = std::find_if(made.begin(), made.end(), [&](const auto& m) { return m.second == preferred; });
    if (it != made.end()) {
      box.setDefaultButton(it->first);
      break;
    }
  }
  box.exec();
  for (const auto& [button, result] : made)
    if (box.clickedButton() == button) return result;
  // Closed without a button: the cancelling one if there is one.
  if (buttons & mbCancel) return ModalResult::Cancel;
  if (buttons & mbNo) return ModalResult::No;
  if (buttons & mbAbort) return ModalResult::Abort;
  return made.front().second;
}

ModalResult MessageDlg(const std::string& text, MsgType type, unsigned buttons, QWidget* parent) {
  return MessageBoxWithCaption(text, CaptionFor(type), type, buttons, parent);
}

}  // namespace platform
