// Registration of the simulated line in the COM device map: a text file of
// "COMn=/dev/path" lines ("#" starts a comment, later lines win) that the
// program reads to find the device of port COMn. The file is always
// rewritten whole through a temporary file, so a reader never sees half of
// it, and under a lock, so two simulators do not lose each other's line.
#pragma once

#include <QByteArray>
#include <QString>

class TCarteComPorts {
 public:
  // ZELOR_COMPORTS_FILE, else ${XDG_CONFIG_HOME:-$HOME/.config}/zelor/comports.
  static QString CheminParDefaut();

  // The map with every line of port com replaced by one for peripherique;
  // comments and other ports stay as they are.
  static QByteArray AvecPort(const QByteArray& contenu, int com, const QString& peripherique);
  // The map without the lines of port com that name peripherique; a line
  // that another program has put there since is left alone.
  static QByteArray SansPort(const QByteArray& contenu, int com, const QString& peripherique);

  explicit TCarteComPorts(QString fichier = CheminParDefaut()) : fichier_(std::move(fichier)) {}
  ~TCarteComPorts();

  // Both return false with a French message.
  bool Inscrit(int com, const QString& peripherique, QString* erreur);
  bool Desinscrit(QString* erreur);

  const QString& Fichier() const { return fichier_; }

 private:
  bool Reecrit(QByteArray (*transforme)(const QByteArray&, int, const QString&), QString* erreur);

  QString fichier_;
  int com_ = 0;
  QString peripherique_;
};
