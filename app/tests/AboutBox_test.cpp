#include "app/AboutBox.h"

#include <gtest/gtest.h>

#include <QLabel>

namespace {

TEST(AboutBoxTest, EveryTextFitsItsLabel) {
  TAboutBox boite;
  boite.show();
  for (const QLabel* label : {boite.ProductName, boite.Version, boite.Comments}) {
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()));
  }
  boite.hide();
}

}  // namespace
