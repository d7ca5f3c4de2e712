// Where the simulator writes its log: a file or standard error, one line at
// a time, flushed at once so a test or a script sees each line as it happens.
// Safe to use from the simulator thread and the caller's thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <mutex>

class TJournal {
 public:
  TJournal() = default;
  ~TJournal();
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  // Empty path: standard error. Returns false with a French message.
  bool Ouvre(const QString& chemin, QString* erreur);
  void Ecrit(const QByteArray& ligne);

 private:
  std::mutex verrou_;
  std::FILE* fichier_ = nullptr;
  bool proprietaire_ = false;
};
