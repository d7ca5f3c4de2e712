// The hidden form that carries the DDE work: the link that hands commands to
// Mesurial, the export of the spectrum, and our own command server.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

#include "export/FormatExport.h"
#include "platform/Dde.h"
#include "platform/NamedMarker.h"

class TFormDDE : public QObject {
  Q_OBJECT

 public:
  enum class GenreMessage { Information, Erreur };
  // Shows a modal message and returns when the user has closed it.
  using AfficheMessage = std::function<void(GenreMessage, const QString& texte)>;
  // Gives the main window the keyboard focus; false when it cannot take it
  // (hidden or disabled).
  using DonneFocus = std::function<bool()>;

  // Waits of the companion link, fixed by how Mesurial starts; tests may
  // lengthen them on a loaded machine.
  struct Delais {
    int demarrageMs = 2000;
    int secondeTentativeMs = 1000;
    int connexionMs = 1000;
    int avisMs = 1000;
    int requeteMs = 1000;
  };

  static constexpr char kTopicServeur[] = "ServeurDDE";
  static constexpr char kCaption[] = "Acquisition";
  static constexpr char kItemClient[] = "ServeurItem";
  static constexpr char kMarqueurMesurial[] = "Mesurial";
  // Longest command text the server looks at; longer ones are refused.
  static constexpr int kTailleMaxCommande = 65536;
  static constexpr int kLongueurLigneUtile = 255;

  // Reads ServiceApplication from the registry stand-in.
  TFormDDE(AfficheMessage affiche, DonneFocus focus, QObject* parent = nullptr);
  ~TFormDDE() override;

  // Registers the command server under `service` (by default the
  // executable's name up to its first "."). Says so when it cannot.
  bool DemarreServeur(const QString& service = {});
  QString NomServiceServeur() const { return nomServeur_; }

  // Makes sure Mesurial runs, connects, executes `commande`, disconnects;
  // every outcome is reported through the message function.
  void EnvoieMacro(const QByteArray& commande);

  // Puts the export text on the clipboard and sends "CLIP|ADD" (new page) or
  // "CLIP|LOAD" (new file). False when the clipboard could not be used: then
  // no command went out, and the caller keeps its page choice.
  bool EnvoieDonnees(const SpectreExport& spectre, bool nouvellePage);

  // One execute transaction received by the server.
  DdeServeur::Acquittement RecoitExecute(const QString& topic, const QByteArray& texte);
  void ExecuteMacro(const QList<QByteArray>& lignes);
  static QList<QByteArray> DecoupeLignes(const QByteArray& texte);

  QString ServiceApplication;
  Delais delais;

 private:
  bool OuvreConversation(const QString& service);
  void FermeConversation();
  void Attends(int ms);
  void Erreur(const QString& texte);
  void Information(const QString& texte);

  AfficheMessage affiche_;
  DonneFocus focus_;
  DdeClient ClientDDE;
  DdeServeur ServeurDDE;
  NamedMarker marqueur_;
  QString nomServeur_;
  QByteArray texteItem_;
  bool boiteErreurOuverte_ = false;
};
