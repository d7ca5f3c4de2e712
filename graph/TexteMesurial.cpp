#include "graph/TexteMesurial.h"

QString VersUnicode(std::string_view octets) {
  QString texte(static_cast<qsizetype>(octets.size()), Qt::Uninitialized);
  for (qsizetype i = 0; i < texte.size(); ++i) {
    const char c = octets[static_cast<size_t>(i)];
    texte[i] = c == CodeLambda ? QChar(LambdaUnicode) : QChar(static_cast<uchar>(c));
  }
  return texte;
}
