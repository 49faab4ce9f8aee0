#include "engine/form_ntp.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>

#include <exception>
#include <memory>
#include <vector>

#include "engine/ntp_sync.h"
#include "platform/message_box.h"

namespace engine {

namespace {

constexpr int kClientWidth = 377;
constexpr int kClientHeight = 159;

// The application's error box: the error's text, with a period added unless
// it already ends in punctuation that sorts at or before the period.
void ShowError(const std::string& what, QWidget* parent) {
  std::string text = what;
  if (text.empty() || static_cast<unsigned char>(text.back()) > '.') text += '.';
  std::string caption = QApplication::applicationName().toStdString();
  platform::MessageBoxWithCaption(text, caption, platform::MsgType::Error, platform::mbOK, parent);
}

}  // namespace

std::string TrimHost(const std::string& text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

NtpHostGrid::NtpHostGrid(QWidget* parent) : QTableWidget(kNtpHostSlots, 1, parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setShowGrid(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  for (int row = 0; row < kNtpHostSlots; ++row) setItem(row, 0, new QTableWidgetItem());
  setCurrentCell(0, 0);
}

std::string NtpHostGrid::CellText(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return cell ? cell->text().toStdString() : std::string();
}

void NtpHostGrid::SetCellText(int row, const std::string& text) {
  QTableWidgetItem* cell = item(row, 0);
  if (!cell) {
    cell = new QTableWidgetItem();
    setItem(row, 0, cell);
  }
  cell->setText(QString::fromStdString(text));
}

bool NtpHostGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // A click on the selected cell opens its editor at once, when the click's
  // release has been handled. Qt would first wait the double-click time,
  // and keys typed meanwhile open no editor: the first characters of a host
  // name typed right after the click were lost.
  if (trigger == SelectedClicked) {
    editAfterRelease_ = index;
    return true;
  }
  return QTableWidget::edit(index, trigger, event);
}

void NtpHostGrid::mouseReleaseEvent(QMouseEvent* event) {
  editAfterRelease_ = QPersistentModelIndex();
  QTableWidget::mouseReleaseEvent(event);
  const QModelIndex index = editAfterRelease_;
  editAfterRelease_ = QPersistentModelIndex();
  if (index.isValid()) QTableWidget::edit(index, AllEditTriggers, nullptr);
}

void NtpHostGrid::CommitPendingEdit() {
  if (state() != QAbstractItemView::EditingState) return;
  // Leaving the cell stores the editor's text and closes the editor.
  const QModelIndex current = currentIndex();
  setCurrentIndex(QModelIndex());
  setCurrentIndex(current);
}

TFormNTP::TFormNTP(NtpOwner& owner, QWidget* parent) : QDialog(parent), owner_(owner) {
  setWindowTitle(QStringLiteral("NTP Setup"));
  setFixedSize(kClientWidth, kClientHeight);

  CheckBoxNTP = new QCheckBox(QStringLiteral("NTP On"), this);
  CheckBoxNTP->setLayoutDirection(Qt::RightToLeft);  // text left of the box
  CheckBoxNTP->setGeometry(16, 12, 81, 20);

  Label1 = new QLabel(QStringLiteral("Hosts"), this);
  Label1->setGeometry(16, 44, 41, 16);

  StringGridNTP = new NtpHostGrid(this);
  StringGridNTP->setGeometry(64, 42, 249, 76);

  auto makeSpeedButton = [this](QStyle::StandardPixmap picture, int x, int y) {
    auto* button = new QToolButton(this);
    button->setIcon(style()->standardIcon(picture));
    button->setAutoRaise(true);
    button->setGeometry(x, y, 24, 24);
    return button;
  };
  SpeedButtonUP = makeSpeedButton(QStyle::SP_ArrowUp, 320, 42);
  SpeedButtonDN = makeSpeedButton(QStyle::SP_ArrowDown, 320, 70);
  SpeedButtonSync = makeSpeedButton(QStyle::SP_BrowserReload, 64, 126);
  SpeedButtonSync->setToolTip(QStringLiteral("synchronize"));

  ButtonOK = new QPushButton(QStringLiteral("OK"), this);
  ButtonOK->setGeometry(208, 126, 75, 25);
  ButtonOK->setDefault(true);
  ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  ButtonCancel->setGeometry(290, 126, 75, 25);

  connect(SpeedButtonUP, &QToolButton::clicked, this, [this] { Guarded([this] { SpeedButtonUPClick(); }); });
  connect(SpeedButtonDN, &QToolButton::clicked, this, [this] { Guarded([this] { SpeedButtonDNClick(); }); });
  connect(SpeedButtonSync, &QToolButton::clicked, this, [this] { Guarded([this] { SpeedButtonSyncClick(); }); });
  connect(ButtonOK, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonOKClick(); }); });
  connect(ButtonCancel, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonCancelClick(); }); });

  // Centred on the screen.
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen) move(screen->geometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));

  FormCreate();
}

template <typename F>
void TFormNTP::Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowError(e.what(), this);
  }
}

void TFormNTP::FormCreate() {
  // The grid's client area is its rectangle without the frame (no headers,
  // no scroll bars). Three rows show at a time; the others are reached by
  // moving the current row.
  const QRect client = StringGridNTP->contentsRect();
  QHeaderView* columns = StringGridNTP->horizontalHeader();
  columns->setMinimumSectionSize(0);
  columns->setDefaultSectionSize(client.width());
  StringGridNTP->setColumnWidth(0, client.width());
  QHeaderView* rows = StringGridNTP->verticalHeader();
  rows->setMinimumSectionSize(0);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  const int rowHeight = (client.height() - 4) / 3;
  rows->setDefaultSectionSize(rowHeight);
  for (int row = 0; row < kNtpHostSlots; ++row) StringGridNTP->setRowHeight(row, rowHeight);
}

void TFormNTP::SpeedButtonUPClick() {
  StringGridNTP->CommitPendingEdit();
  const int row = StringGridNTP->currentRow();
  if (row <= 0 || row >= kNtpHostSlots) return;
  const std::string above = StringGridNTP->CellText(row - 1);
  StringGridNTP->SetCellText(row - 1, StringGridNTP->CellText(row));
  StringGridNTP->SetCellText(row, above);
  StringGridNTP->setCurrentCell(row - 1, 0);
}

void TFormNTP::SpeedButtonDNClick() {
  StringGridNTP->CommitPendingEdit();
  const int row = StringGridNTP->currentRow();
  if (row < 0 || row >= kNtpHostSlots - 1) return;
  const std::string below = StringGridNTP->CellText(row + 1);
  StringGridNTP->SetCellText(row + 1, StringGridNTP->CellText(row));
  StringGridNTP->SetCellText(row, below);
  StringGridNTP->setCurrentCell(row + 1, 0);
}

void TFormNTP::ButtonOKClick() {
  StringGridNTP->CommitPendingEdit();
  owner_.NtpSyncedThisHourFlag() = 0;
  for (int slot = 0; slot < kNtpHostSlots; ++slot) owner_.SetNtpHost(slot, "");
  int stored = 0;
  for (int row = 0; row < kNtpHostSlots; ++row) {
    const std::string host = TrimHost(StringGridNTP->CellText(row));
    if (!host.empty()) owner_.SetNtpHost(stored++, host);
  }
  if (stored > 0) {
    owner_.NtpSyncRequestedFlag() = CheckBoxNTP->isChecked() ? 1 : 0;
  } else {
    // SNTP cannot be on without a host.
    CheckBoxNTP->setChecked(false);
    owner_.NtpSyncRequestedFlag() = 0;
  }
  const bool on = CheckBoxNTP->isChecked();
  owner_.SetNtpActive(on);
  owner_.SetNtpResult(on ? "ON" : "OFF");
  owner_.SaveClockConfig();
  accept();
}

void TFormNTP::ButtonCancelClick() {
  owner_.NtpSyncRequestedFlag() = 0;
  reject();
}

void TFormNTP::SpeedButtonSyncClick() {
  if (owner_.NtpSyncRunningFlag() != 0) return;
  StringGridNTP->CommitPendingEdit();
  std::vector<std::string> hosts;
  for (int row = 0; row < kNtpHostSlots; ++row) hosts.push_back(TrimHost(StringGridNTP->CellText(row)));
  const std::string result = SyncWithHosts(owner_, hosts, "Sync failed", false);
  owner_.SetNtpResult(result + " at " + FormatTimeOfDay(owner_.NtpNow()));
  owner_.SaveClockConfig();
  platform::MessageDlg(result, platform::MsgType::Information, platform::mbOK, this);
}

void TFormNTP::keyPressEvent(QKeyEvent* event) {
  // Escape works as the Cancel button, handler included.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    ButtonCancel->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ShowNtpSetup(NtpOwner& owner, QWidget* parent) {
  auto dialog = std::make_unique<TFormNTP>(owner, parent);
  for (int row = 0; row < kNtpHostSlots; ++row) dialog->StringGridNTP->SetCellText(row, owner.GetNtpHost(row));
  dialog->CheckBoxNTP->setChecked(owner.GetNtpActive());
  dialog->exec();
}

}  // namespace engine
