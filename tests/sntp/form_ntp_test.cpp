// The SNTP setup dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <optional>

#include "engine/form_ntp.h"
#include "ntp_test_support.h"
#include "platform/message_box.h"

using namespace sntptest;
using engine::TFormNTP;

namespace {

class FormNtpTest : public ::testing::Test {
 protected:
  FormNtpTest() : clock(Local(2026, 12, 10, 9, 30, 15), 0.0), owner(clock) {
    platform::SetMessageHook([this](const platform::MessageRecord& m) {
      messages.push_back(m);
      return platform::ModalResult::OK;
    });
  }
  ~FormNtpTest() override { platform::SetMessageHook(nullptr); }

  void Rows(TFormNTP& form, std::initializer_list<const char*> rows) {
    int row = 0;
    for (const char* r : rows) form.StringGridNTP->SetCellText(row++, r);
  }
  std::vector<std::string> Slots() { return {owner.Hosts().begin(), owner.Hosts().end()}; }

  FakeClock clock;
  FakeOwner owner;
  std::vector<platform::MessageRecord> messages;
};

std::vector<std::string> Padded(std::vector<std::string> v) {
  v.resize(engine::kNtpHostSlots);
  return v;
}

}  // namespace

TEST_F(FormNtpTest, ControlsAndLayout) {
  TFormNTP form(owner);
  EXPECT_EQ("NTP Setup", form.windowTitle().toStdString());
  EXPECT_EQ(QSize(377, 159), form.size());
  EXPECT_EQ(QSize(377, 159), form.minimumSize());
  EXPECT_EQ(QSize(377, 159), form.maximumSize());
  EXPECT_EQ("NTP On", form.CheckBoxNTP->text().toStdString());
  EXPECT_EQ(Qt::RightToLeft, form.CheckBoxNTP->layoutDirection());
  EXPECT_EQ("Hosts", form.Label1->text().toStdString());
  EXPECT_EQ("synchronize", form.SpeedButtonSync->toolTip().toStdString());
  EXPECT_EQ("OK", form.ButtonOK->text().toStdString());
  EXPECT_TRUE(form.ButtonOK->isDefault());
  EXPECT_EQ("Cancel", form.ButtonCancel->text().toStdString());

  auto* grid = form.StringGridNTP;
  EXPECT_EQ(10, grid->rowCount());
  EXPECT_EQ(1, grid->columnCount());
  EXPECT_EQ(Qt::ScrollBarAlwaysOff, grid->verticalScrollBarPolicy());
  EXPECT_EQ(Qt::ScrollBarAlwaysOff, grid->horizontalScrollBarPolicy());
  EXPECT_FALSE(grid->horizontalHeader()->isVisibleTo(grid));
  EXPECT_FALSE(grid->verticalHeader()->isVisibleTo(grid));
  EXPECT_NE(QAbstractItemView::NoEditTriggers, grid->editTriggers());
  // The column fills the grid; three rows show at a time.
  const QRect client = grid->contentsRect();
  EXPECT_EQ(client.width(), grid->columnWidth(0));
  for (int row = 0; row < 10; ++row) EXPECT_EQ((client.height() - 4) / 3, grid->rowHeight(row));
  EXPECT_LE(3 * grid->rowHeight(0), client.height());
  EXPECT_GT(4 * grid->rowHeight(0), client.height());
}

TEST_F(FormNtpTest, OkSqueezesOutEmptyRowsAndTrimsHosts) {
  owner.NtpSyncedThisHourFlag() = 1;
  owner.Hosts()[7] = "old.example";
  TFormNTP form(owner);
  Rows(form, {"  ntp1.example.org \t", "", "ntp2.example.org", " \r\n", "", "", "", "", "", "\x01last.example"});
  form.CheckBoxNTP->setChecked(true);
  form.ButtonOKClick();
  EXPECT_EQ(Padded({"ntp1.example.org", "ntp2.example.org", "last.example"}), Slots());
  EXPECT_EQ(0, owner.NtpSyncedThisHourFlag());
  EXPECT_EQ(1, owner.NtpSyncRequestedFlag());
  EXPECT_TRUE(owner.GetNtpActive());
  EXPECT_EQ("ON", owner.GetNtpResult());
  EXPECT_EQ(1, owner.Saves());
  EXPECT_EQ(QDialog::Accepted, form.result());
}

TEST_F(FormNtpTest, OkWithSntpOffRequestsNothing) {
  owner.NtpSyncRequestedFlag() = 1;
  TFormNTP form(owner);
  Rows(form, {"ntp1.example.org"});
  form.CheckBoxNTP->setChecked(false);
  form.ButtonOKClick();
  EXPECT_EQ(0, owner.NtpSyncRequestedFlag());
  EXPECT_FALSE(owner.GetNtpActive());
  EXPECT_EQ("OFF", owner.GetNtpResult());
  EXPECT_EQ("ntp1.example.org", owner.Hosts()[0]);
}

TEST_F(FormNtpTest, OkWithEveryRowEmptyTurnsSntpOff) {
  owner.Hosts()[0] = "was.example";
  owner.SetNtpActive(true);
  TFormNTP form(owner);
  Rows(form, {"", "   "});
  form.CheckBoxNTP->setChecked(true);
  form.ButtonOKClick();
  EXPECT_FALSE(form.CheckBoxNTP->isChecked());
  EXPECT_FALSE(owner.GetNtpActive());
  EXPECT_EQ(0, owner.NtpSyncRequestedFlag());
  EXPECT_EQ("OFF", owner.GetNtpResult());
  EXPECT_EQ(Padded({}), Slots());
  EXPECT_EQ(1, owner.Saves());
}

TEST_F(FormNtpTest, OkWhoseSettingsWriteFailsShowsTheErrorAndStaysOpen) {
  owner.FailSave(true);
  TFormNTP form(owner);
  form.ButtonOK->click();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(platform::MsgType::Error, messages[0].type);
  EXPECT_EQ("/nowhere/Clock.ini に書き込めません.", messages[0].text);
  EXPECT_EQ(0, form.result());
}

TEST_F(FormNtpTest, CancelDropsAPendingRequestOnly) {
  owner.NtpSyncRequestedFlag() = 1;
  owner.Hosts()[0] = "kept.example";
  TFormNTP form(owner);
  Rows(form, {"typed.example"});
  form.ButtonCancel->click();
  EXPECT_EQ(0, owner.NtpSyncRequestedFlag());
  EXPECT_EQ("kept.example", owner.Hosts()[0]);
  EXPECT_EQ(0, owner.Saves());
  EXPECT_EQ(QDialog::Rejected, form.result());

  // Escape does the same as the Cancel button.
  owner.NtpSyncRequestedFlag() = 1;
  TFormNTP again(owner);
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&again, &escape);
  EXPECT_EQ(0, owner.NtpSyncRequestedFlag());
  EXPECT_EQ(QDialog::Rejected, again.result());
}

TEST_F(FormNtpTest, UpAndDownMoveTheCurrentRow) {
  TFormNTP form(owner);
  Rows(form, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"});
  auto* grid = form.StringGridNTP;
  auto texts = [&] {
    std::string s;
    for (int r = 0; r < 10; ++r) s += grid->CellText(r);
    return s;
  };

  grid->setCurrentCell(0, 0);
  form.SpeedButtonUP->click();
  EXPECT_EQ("abcdefghij", texts());
  EXPECT_EQ(0, grid->currentRow());

  grid->setCurrentCell(9, 0);
  form.SpeedButtonDN->click();
  EXPECT_EQ("abcdefghij", texts());
  EXPECT_EQ(9, grid->currentRow());

  grid->setCurrentCell(3, 0);
  form.SpeedButtonUP->click();
  EXPECT_EQ("abdcefghij", texts());
  EXPECT_EQ(2, grid->currentRow());

  grid->setCurrentCell(8, 0);
  form.SpeedButtonDN->click();
  EXPECT_EQ("abdcefghji", texts());
  EXPECT_EQ(9, grid->currentRow());
}

TEST_F(FormNtpTest, TextBeingTypedIsNotLost) {
  TFormNTP form(owner);
  form.show();
  auto* grid = form.StringGridNTP;
  grid->setCurrentCell(1, 0);
  grid->editItem(grid->item(1, 0));
  auto* editor = grid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(nullptr, editor);
  editor->setText("typed.example");
  form.SpeedButtonUP->click();  // moves the edited row up
  EXPECT_EQ("typed.example", grid->CellText(0));
  EXPECT_EQ(0, grid->currentRow());

  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor goes
  grid->editItem(grid->item(0, 0));
  editor = grid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(nullptr, editor);
  editor->setText("retyped.example");
  form.ButtonOKClick();
  EXPECT_EQ("retyped.example", owner.Hosts()[0]);
}

// A click on the cell that is already selected, then typing at once: the
// editor that typing opened keeps every character, also when the click's
// delayed edit comes due while the user types.
TEST_F(FormNtpTest, TypingIntoTheSelectedCellKeepsEveryCharacter) {
  TFormNTP form(owner);
  form.show();
  auto* grid = form.StringGridNTP;
  grid->setCurrentCell(1, 0);
  const QPoint cell = grid->visualRect(grid->model()->index(0, 0)).center();
  auto click = [&] {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, cell, grid->viewport()->mapToGlobal(cell), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(grid->viewport(), &e);
    }
  };
  auto editing = [&] {
    for (auto* editor : grid->viewport()->findChildren<QLineEdit*>())
      if (editor->isVisible()) return true;
    return false;
  };
  click();  // selects the cell, opens no editor
  EXPECT_EQ(grid->currentRow(), 0);
  EXPECT_FALSE(editing());
  click();  // on the selected cell: the editor opens
  EXPECT_TRUE(editing());
  auto type = [&](const QString& text) {
    for (const QChar ch : text) {
      QWidget* target = grid;
      for (auto* editor : grid->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) target = editor;
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(target, &key);
    }
  };
  type("po");
  // Past the double-click time: the click's delayed edit has come due.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < QApplication::doubleClickInterval() + 200) QApplication::processEvents(QEventLoop::AllEvents, 20);
  type("ol.ntp.org");
  form.ButtonOKClick();
  EXPECT_EQ("pool.ntp.org", owner.Hosts()[0]);
}

TEST_F(FormNtpTest, SyncButtonWithNoHostReportsFailure) {
  owner.Hosts()[0] = "stored.example";
  TFormNTP form(owner);
  form.SpeedButtonSync->click();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("Sync failed", messages[0].text);
  EXPECT_EQ(platform::MsgType::Information, messages[0].type);
  EXPECT_EQ("情報", messages[0].caption);
  EXPECT_EQ(unsigned{platform::mbOK}, messages[0].buttons);
  EXPECT_EQ("Sync failed at 09:30:15", owner.GetNtpResult());
  EXPECT_EQ(1, owner.Saves());
  EXPECT_EQ("stored.example", owner.Hosts()[0]);  // the stored slots, not the grid
}

TEST_F(FormNtpTest, SyncButtonUsesTheGridsHostsAndLeavesTheHourFlag) {
  FakeNtpServer server(ExactServer(clock));
  owner.NtpClient().Port = server.Port();
  TFormNTP form(owner);
  Rows(form, {"   ", " 127.0.0.1 "});
  form.SpeedButtonSync->click();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ("Adjusted with 127.0.0.1 Diff<00:00:00.040>", messages[0].text);
  EXPECT_EQ("Adjusted with 127.0.0.1 Diff<00:00:00.040> at 09:30:15", owner.GetNtpResult());
  EXPECT_EQ(0, owner.NtpSyncedThisHourFlag());
  EXPECT_EQ(Padded({}), Slots());
}

TEST_F(FormNtpTest, SyncButtonDoesNothingWhileAWorkerRuns) {
  owner.NtpSyncRunningFlag() = 1;
  TFormNTP form(owner);
  Rows(form, {"127.0.0.1"});
  form.SpeedButtonSync->click();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(0, owner.Saves());
  EXPECT_EQ("", owner.GetNtpResult());
}

TEST_F(FormNtpTest, SetupCommandFillsTheDialogAndOkKeepsTheHosts) {
  for (int i = 0; i < 6; ++i) owner.Hosts()[i] = "host" + std::to_string(i) + ".example";
  owner.SetNtpActive(true);
  std::vector<std::string> shown;
  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TFormNTP*>(QApplication::activeModalWidget());
    if (!form) return;
    for (int r = 0; r < 10; ++r) shown.push_back(form->StringGridNTP->CellText(r));
    checked = form->CheckBoxNTP->isChecked();
    form->ButtonOK->click();
  });
  engine::ShowNtpSetup(owner, nullptr);
  EXPECT_EQ(Padded({"host0.example", "host1.example", "host2.example", "host3.example", "host4.example",
                    "host5.example"}),
            shown);
  EXPECT_TRUE(checked);
  EXPECT_EQ(shown, Slots());
  EXPECT_EQ(1, owner.NtpSyncRequestedFlag());
  EXPECT_EQ(1, owner.Saves());
}
