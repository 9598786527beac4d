#pragma once

#include <QLabel>

// A label that behaves like a link: hand pointer, a Click for a left press released over it, and
// the pointer events its window colours it by. Moves over it stay with it, so the panel beneath
// does not see them too.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& caption, QWidget* parent = nullptr);

    QColor ForeColor() const;
    void setForeColor(const QColor& colour);

signals:
    void Click();
    void MouseDown(short Button);
    void MouseMove();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressedLeft = false;
};
