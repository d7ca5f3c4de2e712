// Start-up: number formatting, configuration, title, single instance, the
// window set, then the event loop.
#include "app/Demarrage.h"
#include "app/Fenetres.h"
#include "export/BoiteMessage.h"
#include "instrument/Cfgspect.h"
#include "platform/SingleInstance.h"
#include "serial/ComPort.h"
#include "serial/ui/SelectPortDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  InstallSelectPortDialog();

  InitialiseFormatNombres();
  // Read even by a copy that ends at the next step; such a copy writes nothing.
  Spectro().LitIni();
  application.setProperty(ProprieteTitreApplication, TitreApplication);

  SingleInstance instance(NomMarqueurInstance());
  const auto etat = instance.Verifie();
  if (etat == SingleInstance::Resultat::AutreRestauree) return 0;

  Fenetres fenetres;
  TSpectreMain* principale = fenetres.SpectreMain.get();
  QObject::connect(&instance, &SingleInstance::RestaurationDemandee, principale, [principale] {
    SignaleInstance("restore request");
    RestaureFenetre(principale);
  });
  // An error raised by a handler of the port's events is shown to the user;
  // later notifications go on.
  TCustomComPort::ShowException = [principale](const std::exception& erreur) {
    QMessageBox::warning(principale, TitreApplication, QString::fromLocal8Bit(erreur.what()));
  };
  principale->showMaximized();
  QTimer::singleShot(0, principale, [etat] {
    SignaleInstance(etat == SingleInstance::Resultat::Premiere ? "instance: premiere" : "instance: seconde");
  });
  // Once the loop runs, so that a missing bus is said over the main window
  // instead of holding up its first showing.
  TFormDDE* formDDE = fenetres.FormDDE.get();
  QTimer::singleShot(0, formDDE, [formDDE] { formDDE->DemarreServeur(); });

  application.exec();
  return 0;
}
