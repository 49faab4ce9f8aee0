// A temporary program folder for the designer, a user data folder beside
// it, answered message boxes, and the designer window opened on it.
#pragma once

#include <QTemporaryDir>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "handdesigner/form_main.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "tests/scoped_env.h"

namespace designer_test {

class DesignerFixture {
 public:
  DesignerFixture() {
    platform::SetProgramFileNameForTest(Folder() + "spirrel");
    previousHook_ = platform::SetMessageHook([this](const platform::MessageRecord& r) {
      messages.push_back(r);
      return platform::ModalResult::OK;
    });
  }
  ~DesignerFixture() {
    platform::SetMessageHook(previousHook_);
    platform::SetProgramFileNameForTest("");
  }

  std::string Folder() const { return dir_.path().toStdString() + "/"; }
  std::string HandsFile() const { return Folder() + "Hands.dat"; }
  std::string BackupFile() const { return Folder() + "Hands.da-"; }

  // Writes Hands.dat from lines joined with CR LF.
  void WriteHands(const std::vector<std::string>& lines) const {
    std::ofstream out(HandsFile(), std::ios::binary);
    for (const auto& l : lines) out << l << "\r\n";
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::unique_ptr<designer::TFormMain> Open() const { return std::make_unique<designer::TFormMain>(); }

  std::vector<platform::MessageRecord> messages;

 private:
  QTemporaryDir dir_;
  // No hands file of the user's own is found in place of a missing one.
  testenv::ScopedEnv dataHome_{"XDG_DATA_HOME", dir_.path().toStdString() + "/data"};
  platform::MessageHook previousHook_;
};

}  // namespace designer_test
