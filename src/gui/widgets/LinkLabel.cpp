#include "gui/widgets/LinkLabel.h"

#include "gui/widgets/InputCodes.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString& caption, QWidget* parent)
    : QLabel(caption, parent)
{
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

QColor LinkLabel::ForeColor() const
{
    return palette().color(QPalette::WindowText);
}

void LinkLabel::setForeColor(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        pressedLeft = true;
    emit MouseDown(buttonFlag(event->button()));
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit MouseMove();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = std::exchange(pressedLeft, false);
    // The press grabs the pointer; only a release back over the label is a click.
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit Click();
}
