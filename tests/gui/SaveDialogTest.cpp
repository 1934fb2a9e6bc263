// The save dialog as the user meets it: filter, suffix, folder, columns,
// and no question before a new file is created.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>

#include <gui/SaveDialog.h>

#include <tests/support/TestSupport.h>

namespace tabulon::test {
namespace {

// Runs `answer` on the next modal window of class T that appears.
template <class T>
void OnNextModal(std::function<void(T&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    if (modal == nullptr) {
      ADD_FAILURE() << "no modal " << T::staticMetaObject.className();
      if (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
      return;
    }
    answer(*modal);
  });
}

TEST(SaveDialog, ProposesTheNameInItsFolderAndCreatesWithoutAsking) {
  TempDir dir;
  WriteBytes(dir / "とても長い名前の既存のレポート_2026年12月分_最終版.html", "x");
  TSaveDialog dialog;
  dialog.DefaultExt = QStringLiteral("html");
  dialog.Filter = QStringLiteral("htmlファイル(*.htm;*.html)|*.htm;*.html");
  dialog.InitialDir = QString::fromStdString(dir.Path().string());

  OnNextModal<QFileDialog>([&](QFileDialog& files) {
    EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(files.defaultSuffix().toStdString(), "html");
    EXPECT_EQ(files.directory().absolutePath().toStdString(), dir.Path().string());
    EXPECT_EQ(files.nameFilters(), NameFiltersOf(dialog.Filter));
    EXPECT_FALSE(files.testOption(QFileDialog::DontConfirmOverwrite));
    // The long name is not cut: its column is as wide as it needs.
    auto* view = files.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->header()->sectionResizeMode(0), QHeaderView::ResizeToContents);
    files.selectFile(QStringLiteral("新しい"));
    static_cast<QDialog&>(files).accept();  // QFileDialog::accept, through its base
  });
  const std::optional<QString> chosen =
      dialog.Execute(QStringLiteral("tabulon_261205.html"), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no question before creating";
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->toStdString(), (dir / "新しい.html").string());

  OnNextModal<QFileDialog>([](QFileDialog& files) { files.reject(); });
  EXPECT_EQ(dialog.Execute(QStringLiteral("x.html"), nullptr), std::nullopt);

  // Before any folder was chosen, the dialog opens in FirstDir.
  TempDir desktop;
  dialog.InitialDir.clear();
  dialog.FirstDir = QString::fromStdString(desktop.Path().string());
  std::string opened;
  OnNextModal<QFileDialog>([&](QFileDialog& files) {
    opened = files.directory().absolutePath().toStdString();
    files.reject();
  });
  dialog.Execute(QStringLiteral("x.html"), nullptr);
  EXPECT_EQ(opened, desktop.Path().string());
}

}  // namespace
}  // namespace tabulon::test
