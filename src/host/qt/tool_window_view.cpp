#include "host/qt/tool_window_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>

namespace qw {

namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QPixmap PixmapOf(const Surface& s) {
  if (s.empty()) return {};
  const QImage image(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
                     static_cast<qsizetype>(s.pitch()) * 4, QImage::Format_RGB32);
  return QPixmap::fromImage(image.copy());
}

void SetBackground(QWidget* w, std::uint32_t rgb) {
  QPalette palette = w->palette();
  const QColor color(QRgb(0xFF000000u | rgb));
  palette.setColor(QPalette::Window, color);
  palette.setColor(QPalette::Button, color);
  w->setPalette(palette);
  w->setAutoFillBackground(true);
}

// An image button: the engine's drawing of it, and its drawing held down while pressed.
class ImageButtonWidget final : public QAbstractButton {
 public:
  explicit ImageButtonWidget(QWidget* parent) : QAbstractButton(parent) {}
  void setPictures(const Surface& face, const Surface* pressed) {
    face_ = PixmapOf(face);
    pressed_ = pressed && !pressed->empty() ? PixmapOf(*pressed) : face_;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(0, 0, isDown() ? pressed_ : face_);
  }

 private:
  QPixmap face_;
  QPixmap pressed_;
};

}  // namespace

ToolWindowView::ToolWindowView(ToolWindowModel& model, QWidget* parent,
                               std::function<void(const std::string&, int, const std::string&)> act)
    : QDialog(parent), model_(model), act_(std::move(act)) {
  setWindowTitle(FromUtf8(model.caption()));
  setFixedSize(model.width(), model.height());
  if (const std::optional<std::uint32_t> color = model.color()) SetBackground(this, *color);
  QWidget* focus = nullptr;
  for (const ToolControl& c : model.controls()) {
    QWidget* w = make(c);
    w->setObjectName(FromUtf8(c.name));
    w->setGeometry(c.bounds.left, c.bounds.top, c.bounds.width(), c.bounds.height());
    if (c.color != ToolControl::kDefaultColor) SetBackground(w, c.color);
    if (c.focused && !focus) focus = w;
    widgets_[c.name] = w;
  }
  refresh();
  if (focus) focus->setFocus();
}

QWidget* ToolWindowView::make(const ToolControl& c) {
  const std::string name = c.name;
  switch (c.kind) {
    case ToolControl::Kind::Button: {
      QAbstractButton* b = nullptr;
      if (c.picture) {
        b = new ImageButtonWidget(this);
      } else {
        b = new QPushButton(this);
      }
      connect(b, &QAbstractButton::clicked, this, [this, name] { act(name, 0, {}); });
      return b;
    }
    case ToolControl::Kind::Slider: {
      auto* s = new QSlider(Qt::Horizontal, this);
      s->setTickPosition(QSlider::TicksBelow);
      s->setTickInterval(1);
      s->setPageStep(1);
      connect(s, &QSlider::valueChanged, this, [this, name](int value) {
        if (!refreshing_) act(name, value, {});
      });
      return s;
    }
    case ToolControl::Kind::Choice: {
      auto* box = new QComboBox(this);
      box->setEditable(false);
      // `activated` is the reader's choice only, never a change made by refresh().
      connect(box, &QComboBox::activated, this, [this, name](int index) { act(name, index, {}); });
      return box;
    }
    case ToolControl::Kind::List: {
      auto* l = new QListWidget(this);
      // Selection, not the current row: focus alone moves the current row to the first line.
      connect(l, &QListWidget::itemSelectionChanged, this, [this, name, l] {
        if (!refreshing_) act(name, l->currentRow(), {});
      });
      return l;
    }
    case ToolControl::Kind::Edit: {
      auto* e = new QLineEdit(this);
      connect(e, &QLineEdit::textEdited, this,
              [this, name](const QString& text) { act(name, 0, ToUtf8(text)); });
      return e;
    }
    case ToolControl::Kind::ScrollBar: {
      auto* s = new QScrollBar(Qt::Horizontal, this);
      connect(s, &QScrollBar::valueChanged, this, [this, name](int value) {
        if (!refreshing_) act(name, value, {});
      });
      return s;
    }
    case ToolControl::Kind::Tab: {
      auto* t = new QTabBar(this);
      connect(t, &QTabBar::currentChanged, this, [this, name](int tab) {
        if (!refreshing_) act(name, tab, {});
      });
      return t;
    }
    case ToolControl::Kind::Label:
    case ToolControl::Kind::Picture:
      break;
  }
  return new QLabel(this);
}

void ToolWindowView::update(QWidget* w, const ToolControl& c) {
  w->setEnabled(c.enabled);
  w->setVisible(c.visible);
  switch (c.kind) {
    case ToolControl::Kind::Button: {
      if (auto* image = dynamic_cast<ImageButtonWidget*>(w)) {
        image->setText(FromUtf8(c.text));
        if (c.picture) image->setPictures(*c.picture, c.pressedPicture);
        break;
      }
      auto* b = static_cast<QPushButton*>(w);
      if (c.picture && !c.picture->empty()) {
        b->setText({});
        b->setIcon(PixmapOf(*c.picture));
        b->setIconSize(QSize(c.picture->width(), c.picture->height()));
        b->setFlat(true);
      } else {
        b->setText(FromUtf8(c.text));
      }
      break;
    }
    case ToolControl::Kind::List: {
      auto* l = static_cast<QListWidget*>(w);
      QStringList lines;
      for (const std::string& line : c.lines)
        lines << FromUtf8(line);
      bool same = l->count() == lines.size();
      for (int i = 0; same && i < l->count(); ++i)
        same = l->item(i)->text() == lines[i];
      if (!same) {
        l->clear();
        l->addItems(lines);
      }
      if (l->currentRow() != c.value) l->setCurrentRow(c.value);
      break;
    }
    case ToolControl::Kind::Edit: {
      auto* e = static_cast<QLineEdit*>(w);
      if (ToUtf8(e->text()) != c.text) e->setText(FromUtf8(c.text));
      break;
    }
    case ToolControl::Kind::ScrollBar: {
      auto* s = static_cast<QScrollBar*>(w);
      s->setRange(0, c.maximum);
      s->setValue(c.value);
      break;
    }
    case ToolControl::Kind::Slider: {
      auto* s = static_cast<QSlider*>(w);
      s->setRange(0, c.maximum);
      s->setValue(c.value);
      break;
    }
    case ToolControl::Kind::Choice: {
      auto* box = static_cast<QComboBox*>(w);
      bool same = box->count() == static_cast<int>(c.lines.size());
      for (int i = 0; same && i < box->count(); ++i)
        same = box->itemText(i) == FromUtf8(c.lines[static_cast<std::size_t>(i)]);
      if (!same) {
        box->clear();
        for (const std::string& line : c.lines)
          box->addItem(FromUtf8(line));
      }
      box->setCurrentIndex(c.value);
      break;
    }
    case ToolControl::Kind::Tab: {
      auto* t = static_cast<QTabBar*>(w);
      if (t->count() != static_cast<int>(c.lines.size())) {
        while (t->count() > 0)
          t->removeTab(0);
        for (const std::string& page : c.lines)
          t->addTab(FromUtf8(page));
      }
      t->setCurrentIndex(c.value);
      break;
    }
    case ToolControl::Kind::Label:
    case ToolControl::Kind::Picture: {
      auto* label = static_cast<QLabel*>(w);
      if (c.picture) {
        label->setPixmap(PixmapOf(*c.picture));
      } else {
        label->setText(FromUtf8(c.text));
      }
      break;
    }
  }
}

void ToolWindowView::refresh() {
  refreshing_ = true;
  for (const ToolControl& c : model_.controls()) {
    auto it = widgets_.find(c.name);
    if (it != widgets_.end()) update(it->second, c);
  }
  refreshing_ = false;
  if (model_.closed()) {
    // done() ends a modal run; a modeless window just hides.
    if (isModal()) {
      done(QDialog::Accepted);
    } else {
      hide();
    }
  }
}

QWidget* ToolWindowView::control(const std::string& name) const {
  auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

void ToolWindowView::act(const std::string& name, int value, const std::string& text) {
  act_(name, value, text);
  refresh();
}

void ToolWindowView::reject() {
  // Escape and the close box are the model's "cancel"; a model that stays open keeps its
  // window (refresh() closes it otherwise).
  act("cancel", 0, {});
}

}  // namespace qw
