#include "gui/widgets/ButtonEx.h"

#include "gui/widgets/InputCodes.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

ButtonEx::ButtonEx(QWidget* parent)
    : QWidget(parent)
{
    // Hover needs moves without a button held.
    setMouseTracking(true);
    m_state = isEnabled() ? Normal : Disabled;
    if (m_subclass.Subclass_Start(this, this, 0, true))
        m_subclass.Subclass_AddMsg(this, Wm::MouseLeave, CSubclass::MSG_BEFORE);
}

ButtonEx::~ButtonEx() = default;

void ButtonEx::setValue(bool value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void ButtonEx::setButtonEnabled(bool enabled)
{
    setEnabled(enabled);
    applyEnabled();
}

void ButtonEx::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    update();
}

QSize ButtonEx::sizeHint() const
{
    const QPixmap& normal = m_pictures[Normal];
    return normal.isNull() ? QWidget::sizeHint() : normal.deviceIndependentSize().toSize();
}

void ButtonEx::paintEvent(QPaintEvent*)
{
    const QPixmap& picture = isEnabled() && m_value ? m_pictures[Pressed] : m_pictures[m_state];
    QPainter painter(this);
    if (!picture.isNull()) {
        // A plain copy from the top-left corner, unscaled and without blending.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawPixmap(QPoint(0, 0), picture);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (!m_caption.isEmpty()) {
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(rect(), Qt::AlignCenter, m_caption);
    }
}

void ButtonEx::mousePressEvent(QMouseEvent* event)
{
    const short button = buttonFlag(event->button());
    m_lastButton = button;
    if (button == 1 && m_state != Pressed)
        setState(Pressed);
    const QPointF pos = event->position();
    emit OnMouseDown(button, shiftOf(event->modifiers()), float(pos.x()), float(pos.y()));
}

void ButtonEx::mouseMoveEvent(QMouseEvent*)
{
    CSubclass::TrackMouseTracking(this);
    if (m_state != Hover)
        setState(Hover);
}

void ButtonEx::mouseReleaseEvent(QMouseEvent* event)
{
    const short button = buttonFlag(event->button());
    const QPointF pos = event->position();
    // The right and bottom edges count as inside.
    const bool outside = pos.x() < 0 || pos.y() < 0 || pos.x() > width() || pos.y() > height();
    QPointer<ButtonEx> self(this);
    if (outside) {
        if (m_state != Normal)
            setState(Normal);
    } else {
        if (m_state != Hover)
            setState(Hover);
        if (button == 1)
            emit Click();
    }
    if (self)
        emit OnMouseUp(button, shiftOf(event->modifiers()), float(pos.x()), float(pos.y()));
}

void ButtonEx::mouseDoubleClickEvent(QMouseEvent*)
{
    // The double-click stands in for the second press but raises no OnMouseDown.
    if (m_lastButton == 1 && m_state != Pressed)
        setState(Pressed);
}

void ButtonEx::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        applyEnabled();
    QWidget::changeEvent(event);
}

void ButtonEx::WndProc(bool bBefore, bool&, qintptr&, QWidget*, int uMsg, qintptr, qintptr, qintptr&)
{
    if (bBefore && uMsg == Wm::MouseLeave && (m_state == Hover || m_state == Pressed))
        setState(Normal);
}

void ButtonEx::setPicture(State slot, const QPixmap& picture)
{
    m_pictures[slot] = picture;
    updateGeometry();
    update();
}

void ButtonEx::setState(State state)
{
    m_state = state;
    update();
}

void ButtonEx::applyEnabled()
{
    setState(isEnabled() ? Normal : Disabled);
}
