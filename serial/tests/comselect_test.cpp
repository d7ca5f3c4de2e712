#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <set>

#include "serial/ComPort.h"
#include "serial/tests/ComPortTestSupport.h"
#include "serial/tests/PtyPair.h"
#include "serial/ui/ComSelectForm.h"
#include "serial/ui/SelectPortDialog.h"

namespace {

constexpr int ModalDeadlineMs = 20000;
constexpr int PollIntervalMs = 10;

std::function<bool(int)> PortsIn(std::set<int> ports) {
  return [ports](int n) { return ports.count(n) > 0; };
}

// Runs `action` on the dialog once it is shown modally; gives up (rejecting
// whatever modal window there is) after a generous deadline.
void WhenModal(const std::function<void(TComSelectForm&)>& action) {
  auto* timer = new QTimer;
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, action] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* form = qobject_cast<TComSelectForm*>(modal);
    if (!form && clock->elapsed() < ModalDeadlineMs) return;
    timer->stop();
    timer->deleteLater();
    delete clock;
    if (form) {
      action(*form);
    } else {
      ADD_FAILURE() << "the dialog was never shown";
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  });
  timer->start(PollIntervalMs);
}

TEST(ComSelectFormTest, ListsOnlyAvailablePortsUpToFifty) {
  std::set<int> asked;
  TComSelectForm form([&asked](int n) {
    asked.insert(n);
    return n == 1 || n == 3 || n == 12 || n == 50 || n == 51;
  });
  EXPECT_EQ(form.windowTitle(), "Select Port");
  EXPECT_EQ(form.OkBtn->text(), "OK");
  EXPECT_EQ(form.AbortBtn->text(), "Cancel");
  EXPECT_FALSE(form.PortsComboBox->isEditable());
  QStringList items;
  for (int i = 0; i < form.PortsComboBox->count(); ++i) items << form.PortsComboBox->itemText(i);
  EXPECT_EQ(items, QStringList({"COM1", "COM3", "COM12", "COM50"}));
  EXPECT_EQ(*asked.begin(), 1);
  EXPECT_EQ(*asked.rbegin(), TComSelectForm::MaxListedPort);
  EXPECT_EQ(form.PortsComboBox->currentIndex(), 0);
  EXPECT_EQ(form.SelectedPort(), 1);
  form.PortsComboBox->setCurrentIndex(2);
  EXPECT_EQ(form.SelectedPort(), 12);
}

struct TChoice {
  const char* name;
  std::set<int> ports;
  std::function<void(TComSelectForm&)> action;
  int expected;
};

TEST(ComSelectFormTest, ChoosePortGivesTheNumberOnlyForOkOnAPort) {
  const TChoice choices[] = {
      {"OK on the first port", {2, 5, 9}, [](TComSelectForm& f) { f.OkBtn->click(); }, 2},
      {"OK on another port",
       {2, 5, 9},
       [](TComSelectForm& f) {
         f.PortsComboBox->setCurrentIndex(2);
         f.OkBtn->click();
       },
       9},
      {"Cancel", {2, 5, 9}, [](TComSelectForm& f) { f.AbortBtn->click(); }, 0},
      {"closed by the window", {2, 5, 9}, [](TComSelectForm& f) { f.close(); }, 0},
      {"OK on an empty list", {}, [](TComSelectForm& f) { f.OkBtn->click(); }, 0},
      {"only ports above 50", {51, 99}, [](TComSelectForm& f) { f.OkBtn->click(); }, 0},
  };
  for (const TChoice& c : choices) {
    SCOPED_TRACE(c.name);
    WhenModal(c.action);
    EXPECT_EQ(TComSelectForm::ChoosePort(PortsIn(c.ports)), c.expected);
  }
}

// A port opened without a number asks through the dialog, which lists the
// ports that pass the port test.
TEST(SelectPortDialogTest, OpeningWithoutANumberAsksForThePort) {
  TPtyPair pty;
  ASSERT_TRUE(pty.Ok());
  TPortMap map;
  for (int n = 1; n <= TComSelectForm::MaxListedPort; ++n) map.Set(n, "");
  map.Set(3, "/dev/zelor-no-such-device");
  map.Set(12, pty.SlavePath());
  InstallSelectPortDialog();

  struct TCase {
    const char* name;
    std::function<void(TComSelectForm&)> action;
    uint16_t opened;  // 0: the open fails with ENoPortSelected
  };
  const TCase cases[] = {
      {"Cancel", [](TComSelectForm& f) { f.AbortBtn->click(); }, 0},
      {"closed by the window", [](TComSelectForm& f) { f.close(); }, 0},
      {"OK on the listed port",
       [](TComSelectForm& f) {
         EXPECT_EQ(f.PortsComboBox->count(), 1);
         EXPECT_EQ(f.PortsComboBox->itemText(0), "COM12");
         f.OkBtn->click();
       },
       12},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TComPort port;
    ASSERT_EQ(port.ComNumber(), 0);
    WhenModal(c.action);
    const TRaised r = Raised([&] { port.SetOpen(true); });
    EXPECT_EQ(port.ComNumber(), c.opened);
    EXPECT_EQ(port.Open(), c.opened != 0);
    if (c.opened == 0) {
      EXPECT_EQ(r.type, typeid(ENoPortSelected));
      EXPECT_EQ(r.message, "The ComNumber property of the TComPort has not been set");
    } else {
      EXPECT_FALSE(r.raised) << r.message;
      port.WriteString("chosen");
      EXPECT_EQ(pty.Receive(6), "chosen");
    }
  }
  TCustomComPort::SelectPort = nullptr;
}

}  // namespace
