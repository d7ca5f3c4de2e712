#include "serial/ui/ComSelectForm.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int ClientWidth = 220;
constexpr int ClientHeight = 131;
// "COM" precedes the number in every item.
constexpr int NumberStart = 3;

QFrame* MessageBevel(QWidget* parent) {
  auto* bevel = new QFrame(parent);
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  auto* layout = new QVBoxLayout(bevel);
  layout->addWidget(new QLabel("The configured serial port is not valid.", bevel));
  layout->addWidget(new QLabel("Please choose another port.", bevel));
  return bevel;
}

}  // namespace

TComSelectForm::TComSelectForm(const std::function<bool(int)>& isPortAvailable, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      PortsComboBox(new QComboBox(this)),
      OkBtn(new QPushButton("OK", this)),
      AbortBtn(new QPushButton("Cancel", this)) {
  setWindowTitle("Select Port");

  PortsComboBox->setObjectName("PortsComboBox");
  PortsComboBox->setEditable(false);  // list only, no free text
  for (int n = 1; n <= MaxListedPort; ++n)
    if (isPortAvailable(n)) PortsComboBox->addItem(QString("COM%1").arg(n));
  PortsComboBox->setCurrentIndex(PortsComboBox->count() > 0 ? 0 : -1);

  OkBtn->setObjectName("OkBtn");
  OkBtn->setDefault(true);
  AbortBtn->setObjectName("AbortBtn");
  connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(AbortBtn, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkBtn);
  buttons->addWidget(AbortBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MessageBevel(this));
  layout->addWidget(PortsComboBox);
  layout->addLayout(buttons);
  // The form's own size, unless the texts need more with the user's font: a
  // fixed border must not cut the message.
  setMinimumSize(ClientWidth, ClientHeight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TComSelectForm::SelectedPort() const {
  if (PortsComboBox->currentIndex() < 0) return 0;
  bool ok = false;
  const int n = PortsComboBox->currentText().mid(NumberStart).toInt(&ok);
  return ok ? n : 0;
}

int TComSelectForm::ChoosePort(const std::function<bool(int)>& isPortAvailable, QWidget* parent) {
  TComSelectForm form(isPortAvailable, parent);
  return form.exec() == QDialog::Accepted ? form.SelectedPort() : 0;
}
