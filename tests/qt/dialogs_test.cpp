#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include "host/qt/qt_host.h"
#include "qt_test_support.h"

namespace qw {
namespace {

// Acts on the next modal dialog of type T as soon as it is up (the host's call blocks in its
// loop meanwhile). Fails the test when none appears.
template <typename T>
class WhenShown {
 public:
  explicit WhenShown(std::function<void(T*)> act) : act_(std::move(act)) {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] {
      if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
        poll_.stop();
        seen_ = true;
        act_(dialog);
      } else if (++tries_ > 1000) {
        poll_.stop();
        if (QWidget* other = QApplication::activeModalWidget()) other->close();
      }
    });
    poll_.start();
  }
  ~WhenShown() { EXPECT_TRUE(seen_) << "no dialog appeared"; }

 private:
  std::function<void(T*)> act_;
  QTimer poll_;
  int tries_ = 0;
  bool seen_ = false;
};

void PressEscape(QWidget* dialog) {
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(dialog, &escape);
}

enum class Act { Yes, No, Ok, Cancel, Escape, CloseBox };

struct AnswerCase {
  MessageButtons buttons;
  Act act;
  MessageAnswer expected;
};

TEST(QtHostDialogs, MessageBoxAnswers) {
  QtHost host;
  const AnswerCase cases[] = {
      {MessageButtons::Ok, Act::Ok, MessageAnswer::Ok},
      {MessageButtons::Ok, Act::Escape, MessageAnswer::Ok},
      {MessageButtons::OkCancel, Act::Ok, MessageAnswer::Ok},
      {MessageButtons::OkCancel, Act::Cancel, MessageAnswer::Cancel},
      {MessageButtons::OkCancel, Act::Escape, MessageAnswer::Cancel},
      {MessageButtons::OkCancel, Act::CloseBox, MessageAnswer::Cancel},
      {MessageButtons::YesNo, Act::Yes, MessageAnswer::Yes},
      {MessageButtons::YesNo, Act::No, MessageAnswer::No},
      {MessageButtons::YesNo, Act::Escape, MessageAnswer::No},
      {MessageButtons::YesNo, Act::CloseBox, MessageAnswer::No},
      {MessageButtons::YesNoCancel, Act::No, MessageAnswer::No},
      {MessageButtons::YesNoCancel, Act::Escape, MessageAnswer::Cancel},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.buttons) * 10 + static_cast<int>(c.act));
    WhenShown<QMessageBox> answer([&](QMessageBox* box) {
      const auto click = [box](QMessageBox::StandardButton b) {
        ASSERT_NE(box->button(b), nullptr);
        box->button(b)->click();
      };
      switch (c.act) {
        case Act::Yes:
          return click(QMessageBox::Yes);
        case Act::No:
          return click(QMessageBox::No);
        case Act::Ok:
          return click(QMessageBox::Ok);
        case Act::Cancel:
          return click(QMessageBox::Cancel);
        case Act::Escape:
          return PressEscape(box);
        case Act::CloseBox:
          box->close();
          return;
      }
    });
    EXPECT_EQ(host.messageBox({"text", "caption", MessageIcon::Question, c.buttons}), c.expected);
  }
}

TEST(QtHostDialogs, MessageBoxLooks) {
  QtHost host;
  const struct {
    MessageIcon icon;
    QMessageBox::Icon qt;
  } icons[] = {
      {MessageIcon::None, QMessageBox::NoIcon},
      {MessageIcon::Exclamation, QMessageBox::Warning},
      {MessageIcon::Question, QMessageBox::Question},
      {MessageIcon::Warning, QMessageBox::Warning},
      {MessageIcon::Information, QMessageBox::Information},
      {MessageIcon::Error, QMessageBox::Critical},
  };
  for (const auto& [icon, qt] : icons) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    WhenShown<QMessageBox> look([&](QMessageBox* box) {
      shown = box->icon();
      box->accept();
    });
    host.messageBox({"x", "", icon, MessageButtons::Ok});
    EXPECT_EQ(shown, qt) << static_cast<int>(icon);
  }

  QString title, text;
  Qt::TextFormat format = Qt::AutoText;
  QAbstractButton* defaultButton = nullptr;
  QAbstractButton* yes = nullptr;
  WhenShown<QMessageBox> look([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    format = box->textFormat();
    defaultButton = box->defaultButton();
    yes = box->button(QMessageBox::Yes);
    box->button(QMessageBox::No)->click();
  });
  host.messageBox({"<b>終了しますか？</b>", "", MessageIcon::Question, MessageButtons::YesNo});
  EXPECT_EQ(title, QStringLiteral("Quillwork"));  // no title of its own
  EXPECT_EQ(text, QString::fromUtf8("<b>終了しますか？</b>"));
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(defaultButton, yes);

  WhenShown<QMessageBox> titled([&](QMessageBox* box) {
    title = box->windowTitle();
    box->button(QMessageBox::Ok)->click();
  });
  host.messageBox({"text", "終了", MessageIcon::None, MessageButtons::OkCancel});
  EXPECT_EQ(title, QString::fromUtf8("終了"));
}

TEST(QtHostDialogs, InputBoxGivesTheTextOrNothing) {
  QtHost host;
  QString prompt, initial;
  WhenShown<QInputDialog> type([&](QInputDialog* dialog) {
    prompt = dialog->labelText();
    initial = dialog->textValue();
    dialog->setTextValue(QString::fromUtf8("名前は太郎"));
    dialog->accept();
  });
  EXPECT_EQ(host.inputBox("入力", "お名前は？", "花子"), std::optional<std::string>("名前は太郎"));
  EXPECT_EQ(prompt, QString::fromUtf8("お名前は？"));
  EXPECT_EQ(initial, QString::fromUtf8("花子"));

  WhenShown<QInputDialog> cancel([](QInputDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(host.inputBox("", "p", "kept?"), std::nullopt);

  WhenShown<QInputDialog> empty([](QInputDialog* dialog) {
    dialog->setTextValue(QString());
    dialog->accept();
  });
  EXPECT_EQ(host.inputBox("", "p", "x"), std::optional<std::string>(""));
}

TEST(QtHostDialogs, OpenFileGivesAFullPathOrNothing) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  for (const char* name : {"pic.bmp", "notes.txt"}) {
    QFile file(folder.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  QtHost host;
  OpenFileSpec spec;
  spec.title = "画像を開く";
  spec.fileName = "pic.bmp";
  spec.defaultExtension = ".bmp";
  spec.filter = "Pictures|*.bmp;*.png|All|*.*";
  spec.initialDir = folder.path().toStdString();

  QStringList filters;
  QString title, suffix;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  WhenShown<QFileDialog> choose([&](QFileDialog* dialog) {
    filters = dialog->nameFilters();
    title = dialog->windowTitle();
    suffix = dialog->defaultSuffix();
    mode = dialog->fileMode();
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own accept is protected
  });
  const std::optional<std::string> chosen = host.openFile(spec);
  EXPECT_EQ(chosen, QDir(folder.path()).absoluteFilePath(QStringLiteral("pic.bmp")).toStdString());
  EXPECT_EQ(filters,
            (QStringList{QStringLiteral("Pictures (*.bmp *.png)"), QStringLiteral("All (*)")}));
  EXPECT_EQ(title, QString::fromUtf8("画像を開く"));
  EXPECT_EQ(suffix, QStringLiteral("bmp"));
  EXPECT_EQ(mode, QFileDialog::ExistingFile);

  WhenShown<QFileDialog> cancel([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(host.openFile(spec), std::nullopt);
}

}  // namespace
}  // namespace qw
