#include "tools/zelor-sim/SimOptions.h"

#include <QCommandLineParser>

namespace {

// --truncate alone cuts one text reply in this many.
constexpr int kTronqueTousParDefaut = 3;

struct TLecteur {
  QCommandLineParser& parseur;
  QString* erreur;
  bool ok = true;

  void Refuse(const QString& option, const QString& pourquoi) {
    if (ok) *erreur = QStringLiteral("Option --%1 : %2").arg(option, pourquoi);
    ok = false;
  }

  void Reel(const QString& option, double mini, double maxi, double* cible) {
    if (!parseur.isSet(option)) return;
    bool conv = false;
    const double v = parseur.value(option).toDouble(&conv);
    if (!conv || v < mini || v > maxi)
      Refuse(option, QStringLiteral("nombre entre %1 et %2 attendu").arg(mini).arg(maxi));
    else
      *cible = v;
  }

  void Entier(const QString& option, int mini, int maxi, int* cible) {
    if (!parseur.isSet(option)) return;
    bool conv = false;
    const int v = parseur.value(option).toInt(&conv);
    if (!conv || v < mini || v > maxi)
      Refuse(option, QStringLiteral("entier entre %1 et %2 attendu").arg(mini).arg(maxi));
    else
      *cible = v;
  }

  void Texte(const QString& option, QString* cible) {
    if (parseur.isSet(option)) *cible = parseur.value(option);
  }
};

void DeclareOptions(QCommandLineParser& p) {
  p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const auto valeur = [&p](const char* nom, const char* aide, const char* nomValeur) {
    p.addOption(QCommandLineOption(QString::fromLatin1(nom), QString::fromUtf8(aide),
                                   QString::fromLatin1(nomValeur)));
  };
  const auto drapeau = [&p](const char* nom, const char* aide) {
    p.addOption(QCommandLineOption(QString::fromLatin1(nom), QString::fromUtf8(aide)));
  };
  drapeau("help", "Affiche cette aide.");
  valeur("serial", "Numéro de série annoncé (12345).", "texte");
  valeur("name", "Nom annoncé (ZELOR 1000).", "texte");
  valeur("firmware", "Version annoncée (2.10).", "texte");
  valeur("lowest-nm", "Plus petite longueur d'onde en nm (190).", "nm");
  valeur("highest-nm", "Plus grande longueur d'onde en nm (1100).", "nm");
  valeur("start-nm", "Longueur d'onde au démarrage (500).", "nm");
  valeur("motor-ms-per-nm", "Temps du moteur par nm en ms (0.5).", "ms");
  valeur("busy-ms", "Durée d'occupation après un déplacement en ms (0).", "ms");
  valeur("cuvette", "Cuve au démarrage : blank ou sample (blank).", "cuve");
  valeur("noise", "Écart type du bruit de mesure (0.0005).", "A");
  valeur("seed", "Graine du générateur aléatoire.", "n");
  valeur("bad-nm", "Plage sans mesure, par exemple 480-490.", "a-b");
  valeur("over-above", "Absorbance au-delà de laquelle la lecture est OVER (3.0).", "A");
  valeur("baud", "Débit simulé de la ligne (9600).", "bauds");
  drapeau("fast", "Ni cadence de ligne ni temps moteur.");
  drapeau("silent", "Ne répond jamais.");
  valeur("garble", "Probabilité d'altérer une réponse (0).", "p");
  drapeau("truncate", "Coupe une réponse sur trois avant son ETX.");
  valeur("truncate-every", "Coupe une réponse sur N avant son ETX.", "N");
  drapeau("no-etx", "Les réponses ne finissent jamais par ETX.");
  valeur("chunk", "Écrit les réponses par paquets de N octets.", "N");
  valeur("disconnect-after", "Ferme la ligne après N commandes.", "N");
  valeur("log", "Journal des octets reçus et envoyés (sinon l'erreur standard).", "fichier");
  valeur("device-file", "Fichier recevant le chemin du terminal esclave.", "fichier");
  valeur("com", "Inscrit le terminal comme port COMn.", "n");
  valeur("exit-when-idle", "S'arrête après S secondes sans commande.", "s");
}

bool LitCuvette(const QString& texte, TCuvette* cuvette) {
  if (texte.compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0) {
    *cuvette = TCuvette::Blanc;
    return true;
  }
  if (texte.compare(QLatin1String("sample"), Qt::CaseInsensitive) == 0) {
    *cuvette = TCuvette::Echantillon;
    return true;
  }
  return false;
}

std::optional<TPlageNm> LitPlage(const QString& texte) {
  const QStringList bornes = texte.split(QLatin1Char('-'));
  if (bornes.size() != 2) return std::nullopt;
  bool ok1 = false, ok2 = false;
  TPlageNm plage{bornes[0].toDouble(&ok1), bornes[1].toDouble(&ok2)};
  if (!ok1 || !ok2 || plage.fin < plage.debut) return std::nullopt;
  return plage;
}

void LitTout(TLecteur& l, TSimOptions& o) {
  l.Texte("serial", &o.numero);
  l.Texte("name", &o.nom);
  l.Texte("firmware", &o.version);
  l.Entier("lowest-nm", 0, 2000, &o.lambdaMini);
  l.Entier("highest-nm", 0, 2000, &o.lambdaMaxi);
  l.Reel("start-nm", 0, 2000, &o.lambdaDepart);
  l.Reel("motor-ms-per-nm", 0, 1000, &o.msParNm);
  l.Entier("busy-ms", 0, 3600000, &o.busyMs);
  l.Reel("noise", 0, 10, &o.bruit);
  l.Reel("over-above", -0.3, 10, &o.surGamme);
  l.Entier("baud", 50, 4000000, &o.baud);
  l.Reel("garble", 0, 1, &o.probaAltere);
  if (l.parseur.isSet("truncate")) o.tronqueTous = kTronqueTousParDefaut;
  l.Entier("truncate-every", 1, 1000000, &o.tronqueTous);
  l.Entier("chunk", 1, 65536, &o.tranche);
  l.Entier("disconnect-after", 1, 1000000000, &o.deconnecteApres);
  l.Entier("com", 1, 255, &o.com);
  l.Reel("exit-when-idle", 0, 1e6, &o.sortieSiInactif);
  l.Texte("log", &o.journal);
  l.Texte("device-file", &o.fichierPeripherique);
  o.aide = l.parseur.isSet("help");
  o.rapide = l.parseur.isSet("fast");
  o.silencieux = l.parseur.isSet("silent");
  o.sansEtx = l.parseur.isSet("no-etx");
  if (l.parseur.isSet("cuvette") && !LitCuvette(l.parseur.value("cuvette"), &o.cuvette))
    l.Refuse("cuvette", QStringLiteral("blank ou sample attendu"));
  if (l.parseur.isSet("seed")) {
    bool conv = false;
    const qulonglong graine = l.parseur.value("seed").toULongLong(&conv);
    if (conv)
      o.graine = graine;
    else
      l.Refuse("seed", QStringLiteral("entier positif attendu"));
  }
  if (l.parseur.isSet("bad-nm")) {
    o.plageInvalide = LitPlage(l.parseur.value("bad-nm"));
    if (!o.plageInvalide) l.Refuse("bad-nm", QStringLiteral("plage « début-fin » attendue"));
  }
  if (l.ok && o.lambdaMaxi <= o.lambdaMini)
    l.Refuse("highest-nm", QStringLiteral("doit dépasser --lowest-nm"));
}

}  // namespace

std::optional<TSimOptions> LitOptions(const QStringList& arguments, QString* erreur) {
  QCommandLineParser parseur;
  DeclareOptions(parseur);
  if (!parseur.parse(QStringList{QStringLiteral("zelor-sim")} + arguments)) {
    if (!parseur.unknownOptionNames().isEmpty())
      *erreur = QStringLiteral("Option inconnue : %1").arg(parseur.unknownOptionNames().first());
    else
      *erreur = QStringLiteral("Ligne de commande incorrecte : %1").arg(parseur.errorText());
    return std::nullopt;
  }
  if (!parseur.positionalArguments().isEmpty()) {
    *erreur = QStringLiteral("Argument inattendu : %1").arg(parseur.positionalArguments().first());
    return std::nullopt;
  }
  TSimOptions options;
  TLecteur lecteur{parseur, erreur};
  LitTout(lecteur, options);
  if (!lecteur.ok) return std::nullopt;
  return options;
}

QString AideOptions() {
  QCommandLineParser parseur;
  DeclareOptions(parseur);
  parseur.setApplicationDescription(
      QStringLiteral("Simulateur du spectrophotomètre ZELOR 1000 sur un pseudo-terminal."));
  return parseur.helpText();
}
