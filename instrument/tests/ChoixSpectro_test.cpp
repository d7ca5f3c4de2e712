#include "instrument/ChoixSpectro.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The dialog over a fake machine: a set of present ports, registry values and
// the port in use; the choices it hands back are recorded.
class ChoixSpectroTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.PortPresent = [this](int n) {
      sondes.push_back(n);
      return presents.count(n) > 0;
    };
    dlg.LitRegistre = [this](const QString& nom) { return registre.value(nom); };
    dlg.PortEnService = [this] { return enService; };
    dlg.FixeCom = [this](int n) { com.push_back(n); };
    dlg.FixeComNumber = [this](int n) {
      comNumber.push_back(n);
      if (ouvertureEchoue) throw std::runtime_error("ouverture impossible");
    };
  }

  TChoixSpectroDlg dlg;
  std::set<int> presents;
  QMap<QString, QString> registre;
  int enService = 1;
  bool ouvertureEchoue = false;
  std::vector<int> sondes, com, comNumber;
};

TEST_F(ChoixSpectroTest, FixedTexts) {
  EXPECT_EQ(dlg.windowTitle(), QString("Spectrophotomètre"));
  EXPECT_EQ(dlg.Comports->title(), QString("Voie série: "));
  const QStringList lignes = dlg.Memo1->toPlainText().split('\n');
  ASSERT_EQ(lignes.size(), 5);
  EXPECT_EQ(lignes[1], QString("du spectro jusqu'à l'obtention de PC sur l'écran "));
  EXPECT_EQ(lignes[4], QString());
}

TEST_F(ChoixSpectroTest, InstructionsShowTheirOwnLinesWhole) {
  // Wrapped again at the box's edge, the broken lines read as fragments.
  dlg.show();
  EXPECT_EQ(dlg.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(dlg.Memo1->horizontalScrollBar()->maximum(), 0);
  dlg.hide();
}

TEST_F(ChoixSpectroTest, ListAndPreselection) {
  struct Cas {
    const char* nom;
    std::set<int> presents;
    int enService;
    QStringList items;
    int selection;
  };
  const Cas cas[] = {
      {"port in use listed and chosen", {1, 3, 7}, 7, {"COM1", "COM3", "COM7"}, 2},
      {"absent port in use gives the first", {2, 4}, 3, {"COM2", "COM4"}, 0},
      {"nothing above 50", {49, 50, 51, 200}, 51, {"COM49", "COM50"}, 0},
      {"no port at all", {}, 1, {}, -1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    presents = c.presents;
    enService = c.enService;
    sondes.clear();
    dlg.FormActivate();
    EXPECT_EQ(dlg.Items(), c.items);
    EXPECT_EQ(dlg.ItemIndex(), c.selection);
    ASSERT_FALSE(sondes.empty());
    EXPECT_EQ(sondes.front(), 1);
    EXPECT_EQ(sondes.back(), TChoixSpectroDlg::DernierPort);
  }
}

TEST_F(ChoixSpectroTest, PortWithARegistryValueIsLeftOut) {
  presents = {1, 3, 7};
  registre["\\Device\\porte3"] = "occupé";
  registre["\\Device\\Porte7x"] = "autre nom";  // a different value name hides nothing
  dlg.FormActivate();
  EXPECT_EQ(dlg.Items(), QStringList({"COM1", "COM7"}));
}

TEST_F(ChoixSpectroTest, EveryShowingRebuildsTheList) {
  presents = {1};
  dlg.show();
  EXPECT_EQ(dlg.Items(), QStringList({"COM1"}));
  dlg.SetItemIndex(0);
  dlg.hide();
  presents = {1, 5};
  enService = 5;
  dlg.show();
  EXPECT_EQ(dlg.Items(), QStringList({"COM1", "COM5"}));
  EXPECT_EQ(dlg.ItemIndex(), 1);
  dlg.hide();
}

TEST_F(ChoixSpectroTest, OkAppliesTheNumberOfTheChosenItem) {
  presents = {2, 9, 12};
  dlg.FormActivate();
  dlg.SetItemIndex(2);
  dlg.OKBtnClick();
  EXPECT_EQ(com, std::vector<int>({12}));
  EXPECT_EQ(comNumber, std::vector<int>({12}));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(ChoixSpectroTest, OkOnAnEmptyListChangesNothing) {
  dlg.FormActivate();
  dlg.OKBtnClick();
  EXPECT_TRUE(com.empty());
  EXPECT_TRUE(comNumber.empty());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(ChoixSpectroTest, APortThatCannotBeOpenedStillClosesWithOk) {
  presents = {4};
  ouvertureEchoue = true;
  dlg.FormActivate();
  EXPECT_NO_THROW(dlg.OKBtnClick());
  EXPECT_EQ(com, std::vector<int>({4}));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

}  // namespace
