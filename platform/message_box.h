// Modal message dialogs with the Japanese captions and buttons of the
// programs. Tests replace the dialog with a hook that records the call and
// answers it.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace platform {

enum class MsgType { Warning, Error, Information, Confirmation };

enum MsgButton : unsigned {
  mbOK = 1,
  mbCancel = 2,
  mbYes = 4,
  mbNo = 8,
  mbAbort = 16,
  mbRetry = 32,
  mbIgnore = 64,
};

enum class ModalResult { None, OK, Cancel, Yes, No, Abort, Retry, Ignore };

struct MessageRecord {
  std::string text;
  std::string caption;
  MsgType type;
  unsigned buttons;
};

// A dialog of the given kind, captioned "警告", "エラー", "情報" or "確認".
ModalResult MessageDlg(const std::string& text, MsgType type, unsigned buttons, QWidget* parent = nullptr);
// A dialog with a caption of its own (the application's error box).
ModalResult MessageBoxWithCaption(const std::string& text, const std::string& caption, MsgType type,
                                  unsigned buttons, QWidget* parent = nullptr);

// The caption that MessageDlg uses for a kind.
std::string CaptionFor(MsgType type);

using MessageHook = std::function<ModalResult(const MessageRecord&)>;
// Replaces the dialogs with hook (none restores them); returns the old hook.
MessageHook SetMessageHook(MessageHook hook);

}  // namespace platform
