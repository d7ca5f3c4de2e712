#include "tools/zelor-scan/LigneCommande.h"

#include <functional>
#include <string>
#include <vector>

#include "app/Labutil.h"
#include "platform/DeviceMap.h"

namespace {

constexpr int AttenteMini = 1;
constexpr int AttenteMaxi = 3600;

struct TNomCommande {
  const char* nom;
  TCommandeScan commande;
};
constexpr TNomCommande Commandes[] = {
    {"identify", TCommandeScan::Identifie}, {"blanc", TCommandeScan::Blanc}, {"spectre", TCommandeScan::Spectre},
    {"aller", TCommandeScan::Aller},        {"lire", TCommandeScan::Lire},
};

using TApplique = std::function<QString(const QStringList& valeurs, TDemandeScan& d)>;

struct TOption {
  QStringList noms;
  int nbValeurs;
  // Commands the option belongs to; empty: every command.
  std::vector<TCommandeScan> pour;
  TApplique applique;
};

std::optional<int> Entier(const QString& texte) {
  bool ok = false;
  const int n = texte.trimmed().toInt(&ok);
  return ok ? std::optional<int>(n) : std::nullopt;
}

QString LitLongueurOnde(const QString& texte, std::optional<int>& cible, const QString& option) {
  cible = Entier(texte);
  if (!cible) return QStringLiteral("%1 attend une longueur d'onde entière en nm, pas « %2 »").arg(option, texte);
  return {};
}

const std::vector<TOption>& Options() {
  using C = TCommandeScan;
  static const std::vector<TOption> options = {
      {{"--from"}, 1, {C::Blanc, C::Spectre},
       [](const QStringList& v, TDemandeScan& d) { return LitLongueurOnde(v[0], d.debut, "--from"); }},
      {{"--to"}, 1, {C::Blanc, C::Spectre},
       [](const QStringList& v, TDemandeScan& d) { return LitLongueurOnde(v[0], d.fin, "--to"); }},
      {{"-o", "--output"}, 1, {C::Spectre},
       [](const QStringList& v, TDemandeScan& d) {
         d.sortie = v[0];
         return QString();
       }},
      {{"--comment"}, 1, {C::Spectre},
       [](const QStringList& v, TDemandeScan& d) {
         d.commentaire = v[0];
         return QString();
       }},
      {{"--param"}, 3, {C::Spectre},
       [](const QStringList& v, TDemandeScan& d) {
         if (v[0].trimmed().isEmpty()) return QStringLiteral("--param : le nom du paramètre est vide");
         if (TexteVersReel(v[2].toStdString()) == ValeurIndefinie)
           return QStringLiteral("--param : la valeur « %1 » n'est pas un nombre").arg(v[2]);
         d.parametre = TParametreScan{v[0], v[1], v[2]};
         return QString();
       }},
      {{"--port"}, 1, {},
       [](const QStringList& v, TDemandeScan& d) {
         const auto n = PortNumberOf(v[0].trimmed().toStdString());
         if (!n) return QStringLiteral("--port attend un port COMn (COM1, COM2…), pas « %1 »").arg(v[0]);
         d.port = *n;
         return QString();
       }},
      {{"--ini"}, 1, {},
       [](const QStringList& v, TDemandeScan& d) {
         if (v[0].isEmpty()) return QStringLiteral("--ini attend un nom de fichier");
         d.ini = v[0];
         return QString();
       }},
      {{"--attente"}, 1, {C::Blanc, C::Spectre, C::Aller},
       [](const QStringList& v, TDemandeScan& d) {
         const auto n = Entier(v[0]);
         if (!n || *n < AttenteMini || *n > AttenteMaxi)
           return QStringLiteral("--attente attend un nombre de secondes de %1 à %2").arg(AttenteMini).arg(AttenteMaxi);
         d.attente = *n;
         return QString();
       }},
      {{"--json"}, 0, {},
       [](const QStringList&, TDemandeScan& d) {
         d.json = true;
         return QString();
       }},
      {{"--quiet", "-q"}, 0, {},
       [](const QStringList&, TDemandeScan& d) {
         d.silencieux = true;
         return QString();
       }},
  };
  return options;
}

const TOption* Cherche(const QString& nom) {
  for (const TOption& o : Options())
    if (o.noms.contains(nom)) return &o;
  return nullptr;
}

bool Accepte(const TOption& o, TCommandeScan c) {
  if (o.pour.empty()) return true;
  for (TCommandeScan p : o.pour)
    if (p == c) return true;
  return false;
}

// Checks what each command needs once every option is read.
QString Complete(TDemandeScan& d, const QStringList& positionnels) {
  const bool aller = d.commande == TCommandeScan::Aller;
  if (aller && positionnels.size() != 1)
    return QStringLiteral("« aller » attend une longueur d'onde en nm, par exemple : zelor-scan aller 500");
  if (!aller && !positionnels.isEmpty())
    return QStringLiteral("argument en trop pour « %1 » : « %2 »").arg(d.nomCommande, positionnels.front());
  if (aller) {
    std::optional<int> lambda;
    if (QString erreur = LitLongueurOnde(positionnels.front(), lambda, "aller"); !erreur.isEmpty()) return erreur;
    d.lambda = *lambda;
  }
  if (d.commande == TCommandeScan::Spectre && d.sortie.isEmpty())
    return QStringLiteral("« spectre » attend le fichier à écrire : -o echantillon.jdx (ou .csv, .txt)");
  if (d.debut && d.fin && *d.fin <= *d.debut)
    return QStringLiteral("bornes inversées : --from %1 doit être inférieur à --to %2").arg(*d.debut).arg(*d.fin);
  return {};
}

}  // namespace

TAnalyseLigne AnalyseLigne(const QStringList& arguments) {
  TAnalyseLigne r;
  TDemandeScan& d = r.demande;
  auto echec = [&r](const QString& erreur) {
    r.erreur = erreur;
    return r;
  };
  // --json and --quiet count even on a bad line, so a script still gets its object.
  d.json = arguments.contains("--json");
  d.silencieux = arguments.contains("--quiet") || arguments.contains("-q");
  if (arguments.isEmpty()) return echec(QStringLiteral("commande manquante (identify, blanc, spectre, aller, lire)"));
  if (arguments.contains("--help") || arguments.contains("-h")) {
    d.commande = TCommandeScan::Aide;
    return r;
  }
  d.nomCommande = arguments.front();
  bool connue = false;
  for (const TNomCommande& c : Commandes) {
    if (d.nomCommande == QLatin1String(c.nom)) {
      d.commande = c.commande;
      connue = true;
    }
  }
  if (!connue)
    return echec(QStringLiteral("commande inconnue « %1 » (identify, blanc, spectre, aller, lire)").arg(d.nomCommande));

  QStringList positionnels;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    QString nom = arguments[i];
    QStringList valeurs;
    // "--to=700" as well as "--to 700".
    if (const qsizetype egal = nom.indexOf('='); nom.startsWith("--") && egal > 0) {
      valeurs << nom.mid(egal + 1);
      nom = nom.left(egal);
    }
    const TOption* o = Cherche(nom);
    if (o == nullptr) {
      // A negative number is a value, not an option.
      if (nom.startsWith('-') && !Entier(nom)) return echec(QStringLiteral("option inconnue « %1 »").arg(nom));
      positionnels << nom;
      continue;
    }
    if (!Accepte(*o, d.commande))
      return echec(QStringLiteral("l'option %1 ne s'applique pas à « %2 »").arg(nom, d.nomCommande));
    if (!valeurs.isEmpty() && o->nbValeurs != 1)
      return echec(QStringLiteral("l'option %1 ne prend pas de valeur après « = »").arg(nom));
    while (valeurs.size() < o->nbValeurs) {
      if (++i >= arguments.size())
        return echec(QStringLiteral("l'option %1 attend %2 valeur(s)").arg(nom).arg(o->nbValeurs));
      valeurs << arguments[i];
    }
    if (QString erreur = o->applique(valeurs, d); !erreur.isEmpty()) return echec(erreur);
  }
  if (QString erreur = Complete(d, positionnels); !erreur.isEmpty()) return echec(erreur);
  return r;
}

QString AideScan() {
  return QStringLiteral(
      "Usage : zelor-scan <commande> [options]\n"
      "Pilote le spectrophotomètre ZELOR 1000 sans fenêtre, pour les scripts.\n"
      "\n"
      "Commandes :\n"
      "  identify                          nom, numéro, version et gamme du spectro\n"
      "  blanc [--from N] [--to N]         enregistre la ligne de base (début 325 à 549 nm,\n"
      "                                    fin 551 à 999 nm) dans le fichier de configuration\n"
      "  spectre -o FICHIER [--from N] [--to N] [--comment T] [--param NOM UNITE VALEUR]\n"
      "                                    mesure un spectre ; le format suit l'extension\n"
      "                                    (.jdx JCAMP-DX, .csv, .txt texte d'export)\n"
      "  aller N                           amène le spectro à N nm\n"
      "  lire                              une absorbance à la longueur d'onde actuelle\n"
      "\n"
      "Options communes :\n"
      "  --port COMn     port du spectro (par défaut celui du fichier de configuration)\n"
      "  --ini FICHIER   fichier de configuration (par défaut zelor.INI à côté du programme)\n"
      "  --json          un objet JSON sur la sortie standard\n"
      "  --quiet, -q     ni progression ni remarques\n"
      "  --attente S     attente maximale d'une réponse pendant une mesure (%1 s)\n"
      "\n"
      "Codes de sortie : 0 terminé, 1 spectro introuvable ou occupé, 2 ligne de commande\n"
      "incorrecte, 3 liaison perdue pendant la mesure, 4 fichier non écrit, 5 arrêté (Ctrl+C).\n")
      .arg(TDemandeScan{}.attente);
}
