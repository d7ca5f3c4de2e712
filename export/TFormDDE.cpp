#include "export/TFormDDE.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <exception>

#include "export/TexteAnsi.h"
#include "graph/TexteMesurial.h"
#include "platform/Lanceur.h"
#include "platform/Registre.h"
#include "platform/SaisieRetenue.h"

namespace {

constexpr char kFonctionInconnue[] = "Fonction inconnue : ";
constexpr char kUnMessage[] = "Un message à la fois SVP";
constexpr char kSyntaxe[] = "Syntaxe Macro DDE : Fonction(Paramètre)";
constexpr char kImpossibleLancer[] = "Impossible de lancer Mesurial";
constexpr char kNonExecute[] = " non exécuté par Mesurial";
constexpr char kPressePapiers[] = "Impossible d'ouvrir le Presse-papiers";

// Letters A to Z only: other bytes must match exactly.
bool EgalSansCasseAscii(const QByteArray& a, const char* b) {
  const QByteArray attendu(b);
  if (a.size() != attendu.size()) return false;
  for (int i = 0; i < a.size(); ++i) {
    auto bas = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (bas(a[i]) != bas(attendu[i])) return false;
  }
  return true;
}

// Control bytes other than TAB, CR and LF have no place in a command.
bool TexteCommandeValide(const QByteArray& texte) {
  for (char c : texte) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\r' && u != '\n') return false;
  }
  return true;
}

QString CheminMesurialEnregistre() {
  QString chemin = LitValeurRegistre("Software\\Mesurial\\Mesurial", "Path");
  if (chemin.isEmpty()) chemin = LitValeurRegistre("Software\\Mesurial", "Path");
  return chemin;
}

}  // namespace

TFormDDE::TFormDDE(AfficheMessage affiche, DonneFocus focus, QObject* parent)
    : QObject(parent),
      ServiceApplication(CheminMesurialEnregistre()),
      affiche_(std::move(affiche)),
      focus_(std::move(focus)) {
  ServeurDDE.SurExecute(
      [this](const QString& topic, const QByteArray& texte) { return RecoitExecute(topic, texte); });
}

TFormDDE::~TFormDDE() {
  FermeConversation();
}

bool TFormDDE::DemarreServeur(const QString& service) {
  nomServeur_ =
      service.isEmpty()
          ? QFileInfo(QCoreApplication::applicationFilePath()).fileName().section(QLatin1Char('.'), 0, 0)
          : service;
  if (ServeurDDE.Enregistre(nomServeur_,
                            {QString::fromLatin1(kTopicServeur), QString::fromLatin1(kCaption)})) {
    return true;
  }
  Erreur(ServeurDDE.Erreur() + QStringLiteral(" ; les commandes DDE ne seront pas reçues"));
  return false;
}

void TFormDDE::EnvoieMacro(const QByteArray& commande) {
  const QString texteCommande = DepuisAnsi(commande);
  if (!ClientDDE.BusDisponible()) {
    Information(dde::MessageBusAbsent() + QStringLiteral(" ; ") + texteCommande +
                QString::fromUtf8(kNonExecute));
    return;
  }
  // Start step: a marker already there means Mesurial runs. Ours, once
  // created, stays until we exit, so later exports start nothing here. The
  // marker dies with the run that created it while the Mesurial that run
  // started goes on: Mesurial's service on the bus counts as present too.
  const bool present = marqueur_.Detenu() ||
                       marqueur_.CreateOrOpen(kMarqueurMesurial) == NamedMarker::Etat::DejaPresent ||
                       ClientDDE.ServiceEnLigne(QStringLiteral("Mesurial"), delais.connexionMs);
  if (!present && LanceCommande(ServiceApplication)) Attends(delais.demarrageMs);

  if (!OuvreConversation(QStringLiteral("MESURIAL"))) {
    Attends(delais.secondeTentativeMs);
    if (!OuvreConversation(QStringLiteral("Mesurial"))) {
      Information(QString::fromUtf8(kImpossibleLancer));
      return;
    }
  }
  // The text goes out as the server expects it: its bytes and a final NUL.
  if (!ClientDDE.ExecuteAsync(commande + '\0')) Information(texteCommande + QString::fromUtf8(kNonExecute));
  FermeConversation();
}

bool TFormDDE::OuvreConversation(const QString& service) {
  FermeConversation();
  const QString topic = QString::fromLatin1(kTopicServeur);
  if (!ClientDDE.Connecte(service, topic, delais.connexionMs)) {
    const QString ligne =
        ServiceApplication.isEmpty() ? service + QLatin1Char(' ') + topic : ServiceApplication;
    if (!LanceCommande(ligne) || !ClientDDE.Connecte(service, topic, delais.connexionMs)) return false;
  }
  // Mesurial's item is asked for out of courtesy; nothing reads its text and
  // a refusal changes nothing.
  const QString item = QString::fromLatin1(kItemClient);
  if (ClientDDE.AvisDemarre(item, delais.avisMs)) {
    texteItem_ = ClientDDE.Requete(item, delais.requeteMs).value_or(QByteArray());
  }
  return true;
}

void TFormDDE::FermeConversation() {
  ClientDDE.Deconnecte();
}

void TFormDDE::Attends(int ms) {
  // Keeps painting and serving DDE commands, but takes no user input, so the
  // export cannot be started again from inside itself.
  const TSaisieRetenue retenue;
  QEventLoop boucle;
  QTimer::singleShot(ms, &boucle, &QEventLoop::quit);
  boucle.exec();
}

bool TFormDDE::EnvoieDonnees(const SpectreExport& spectre, bool nouvellePage) {
  auto* presse =
      qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
  if (presse == nullptr) {
    Erreur(QString::fromUtf8(kPressePapiers));
    return false;
  }
  const QByteArray texte = TexteExport(spectre);
  auto* donnees = new QMimeData;
  donnees->setData(QString::fromLatin1(kFormatTexteAnsi), texte);
  // A text editor or a spreadsheet gets the lambda the font would draw,
  // not an invisible control character.
  donnees->setText(VersUnicode(texte.toStdString()));
  presse->setMimeData(donnees);
  EnvoieMacro(nouvellePage ? QByteArray("CLIP|ADD") : QByteArray("CLIP|LOAD"));
  return true;
}

DdeServeur::Acquittement TFormDDE::RecoitExecute(const QString& topic, const QByteArray& texte) {
  // The form's caption is a topic a client may open, but it runs nothing.
  if (!dde::MemeNom(topic, QString::fromLatin1(kTopicServeur))) return DdeServeur::Acquittement::NonTraite;
  QByteArray commande = texte;
  while (commande.endsWith('\0')) commande.chop(1);
  if (commande.size() > kTailleMaxCommande || !TexteCommandeValide(commande)) {
    return DdeServeur::Acquittement::NonTraite;
  }
  ExecuteMacro(DecoupeLignes(commande));
  return DdeServeur::Acquittement::Positif;
}

QList<QByteArray> TFormDDE::DecoupeLignes(const QByteArray& texte) {
  QList<QByteArray> lignes;
  int debut = 0;
  for (int i = 0; i < texte.size(); ++i) {
    if (texte[i] != '\r' && texte[i] != '\n') continue;
    lignes << texte.mid(debut, i - debut);
    if (texte[i] == '\r' && i + 1 < texte.size() && texte[i + 1] == '\n') ++i;
    debut = i + 1;
  }
  if (debut < texte.size()) lignes << texte.mid(debut);
  return lignes;
}

void TFormDDE::ExecuteMacro(const QList<QByteArray>& lignes) {
  if (lignes.size() != 1) {
    Erreur(QString::fromUtf8(kUnMessage));
    return;
  }
  const QByteArray& ligne = lignes.front();
  try {
    const QByteArray coupee = ligne.left(kLongueurLigneUtile);
    const int parenthese = coupee.indexOf('(');
    const QByteArray fonction = parenthese < 0 ? coupee : coupee.left(parenthese);
    if (EgalSansCasseAscii(fonction, "CONFIG|LOAD") || EgalSansCasseAscii(fonction, "CONFIG|SAVE")) return;
    if (EgalSansCasseAscii(fonction, "FOCUS") || EgalSansCasseAscii(fonction, "GETDATA")) {
      if (!focus_ || !focus_()) Erreur(QString::fromUtf8(kSyntaxe));
      return;
    }
  } catch (const std::exception&) {
    Erreur(QString::fromUtf8(kSyntaxe));
    return;
  }
  Erreur(QString::fromUtf8(kFonctionInconnue) + DepuisAnsi(ligne));
}

void TFormDDE::Erreur(const QString& texte) {
  // A client repeating a bad command must not pile boxes on top of the one
  // the user has not closed yet.
  if (boiteErreurOuverte_ || !affiche_) return;
  struct Garde {
    bool& ouverte;
    ~Garde() { ouverte = false; }
  };
  boiteErreurOuverte_ = true;
  const Garde garde{boiteErreurOuverte_};
  affiche_(GenreMessage::Erreur, texte);
}

void TFormDDE::Information(const QString& texte) {
  if (affiche_) affiche_(GenreMessage::Information, texte);
}
