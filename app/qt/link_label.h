// A label that is a web link: it opens with a left click, and, since it takes the
// keyboard focus, with Enter or Space too.
#pragma once

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <functional>

namespace af {

class LinkLabel : public QLabel {
 public:
  // The text is set once this is a LinkLabel, so its accessible interface is a link's.
  explicit LinkLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setText(text);
  }
  std::function<void()> pressed;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && pressed) pressed();
    QLabel::mousePressEvent(e);
  }
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) {
      if (pressed) pressed();
      e->accept();
      return;
    }
    QLabel::keyPressEvent(e);
  }
};

}  // namespace af
