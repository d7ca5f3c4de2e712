// "Select Port": asks the user for a serial port when the port is opened
// without a number. Only the ports that pass the layer's port test are
// offered.
#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QPushButton;

class TComSelectForm : public QDialog {
  Q_OBJECT

 public:
  // Highest port number ever offered.
  static constexpr int MaxListedPort = 50;

  // Lists "COMn" for every n in 1..50 for which `isPortAvailable` is true,
  // the first one selected.
  explicit TComSelectForm(const std::function<bool(int)>& isPortAvailable, QWidget* parent = nullptr);

  // The number of the selected item, read from its fourth character on
  // ("COM12" gives 12); 0 when the list is empty.
  int SelectedPort() const;

  // Shows the dialog modally and returns the chosen number, or 0 when the
  // user cancelled, closed the dialog or confirmed an empty list: the open
  // must then fail with ENoPortSelected.
  static int ChoosePort(const std::function<bool(int)>& isPortAvailable, QWidget* parent = nullptr);

  QComboBox* PortsComboBox;
  QPushButton* OkBtn;
  QPushButton* AbortBtn;
};
