#include "gui/widgets/ListBoxInner.h"

#include "core/outside/AnsiCodec.h"
#include "gui/widgets/CSubclass.h"
#include "gui/widgets/DrawItemStruct.h"
#include "gui/widgets/InputCodes.h"
#include "gui/widgets/ListBoxEx.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

// The character code of a key press: ASCII as is, anything else as its ANSI (GBK) code, the
// lead byte high, which makes Chinese characters negative as hosts expect.
short keyAscii(const QString& text)
{
    if (text.isEmpty())
        return 0;
    const QChar c = text.at(0);
    if (c.unicode() < 0x80)
        return short(c.unicode());
    const QByteArray ansi = AnsiCodec::encode(text.left(c.isHighSurrogate() ? 2 : 1));
    if (ansi.size() >= 2)
        return short(quint16(quint8(ansi.at(0)) << 8 | quint8(ansi.at(1))));
    return ansi.isEmpty() ? 0 : short(quint8(ansi.at(0)));
}

} // namespace

ListBoxInner::ListBoxInner(ListBoxEx* owner)
    : QWidget(owner)
    , m_owner(owner)
    , m_bar(new QScrollBar(Qt::Vertical, this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Focus comes from the owner's press handling, not from every button.
    setFocusPolicy(Qt::TabFocus);
    m_bar->hide();
    m_bar->setSingleStep(1);
    m_bar->setFocusPolicy(Qt::NoFocus);
    connect(m_bar, &QScrollBar::actionTriggered, this, [this](int) {
        if (m_bar->sliderPosition() != topIndex)
            setTop(m_bar->sliderPosition(), true);
    });
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
        if (value != topIndex)
            setTop(value, true);
    });
}

QRect ListBoxInner::clientRect() const
{
    QRect client = rect().adjusted(frame, frame, -frame, -frame);
    if (m_bar->isVisibleTo(this))
        client.setRight(client.right() - m_bar->width());
    return client;
}

int ListBoxInner::wholeRows() const
{
    return qMax(1, clientRect().height() / itemHeight);
}

int ListBoxInner::maxTop() const
{
    return qMax(0, count() - wholeRows());
}

QRect ListBoxInner::rowRect(int index) const
{
    return QRect(0, (index - topIndex) * itemHeight, clientRect().width(), itemHeight);
}

void ListBoxInner::updateRow(int index)
{
    if (!valid(index))
        return;
    const QRect client = clientRect();
    const QRect row = rowRect(index).translated(client.topLeft()).intersected(client);
    if (!row.isEmpty())
        update(row);
}

void ListBoxInner::updateRows()
{
    update(clientRect());
}

void ListBoxInner::layoutBar()
{
    const int barWidth = m_bar->sizeHint().width();
    const QRect inner = rect().adjusted(frame, frame, -frame, -frame);
    const bool needed = count() > qMax(1, inner.height() / itemHeight);
    m_bar->setGeometry(inner.right() - barWidth + 1, inner.top(), barWidth, inner.height());
    if (needed != m_bar->isVisibleTo(this)) {
        m_bar->setVisible(needed);
        updateRows();
    }
    const QSignalBlocker block(m_bar);
    m_bar->setRange(0, maxTop());
    m_bar->setPageStep(wholeRows());
    if (topIndex > maxTop())
        setTop(maxTop(), false);
    m_bar->setValue(topIndex);
}

void ListBoxInner::setTop(int top, bool byUser)
{
    top = qBound(0, top, maxTop());
    if (top == topIndex)
        return;
    topIndex = top;
    {
        const QSignalBlocker block(m_bar);
        m_bar->setValue(top);
    }
    updateRows();
    if (byUser)
        emit m_owner->Scroll();
}

void ListBoxInner::ensureVisible(int index)
{
    if (!valid(index))
        return;
    m_owner->fit();
    if (index < topIndex)
        setTop(index, false);
    else if (index >= topIndex + wholeRows())
        setTop(index - wholeRows() + 1, false);
}

void ListBoxInner::setCurrent(int index)
{
    if (index == listIndex)
        return;
    const int old = listIndex;
    listIndex = index;
    updateRow(old);
    updateRow(index);
    ensureVisible(index);
}

void ListBoxInner::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect client = clientRect();
    const QRegion region = event->region();
    // The frame belongs to the owner, which paints it after this; give it a defined start.
    painter.setClipRegion(QRegion(rect()) - QRegion(client));
    ModDC::FillRect(painter, 0, 0, width(), height(), backColor);
    painter.setClipRect(client);
    painter.translate(client.topLeft());
    int index = topIndex;
    for (; index < count(); ++index) {
        const QRect row = rowRect(index);
        if (row.top() >= client.height())
            break;
        if (!region.intersects(row.translated(client.topLeft())))
            continue;
        DrawItemStruct request { index, &painter, row };
        CSubclass::SendMessage(m_owner, Wm::DrawItem, 0, reinterpret_cast<qintptr>(&request));
    }
    const int below = (index - topIndex) * itemHeight;
    if (below < client.height())
        ModDC::FillRect(painter, 0, below, client.width(), client.height() - below, backColor);
}

void ListBoxInner::resizeEvent(QResizeEvent*)
{
    layoutBar();
}

void ListBoxInner::keyPressEvent(QKeyEvent* event)
{
    emit m_owner->KeyDown(virtualKey(event), shiftOf(event->modifiers()));
    if (!navigate(event->key()) && !event->text().isEmpty()) {
        const short ascii = keyAscii(event->text());
        emit m_owner->KeyPress(ascii);
        if (ascii > 0x20)
            findByFirstCharacter(event->text().at(0));
    }
}

void ListBoxInner::keyReleaseEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat())
        emit m_owner->KeyUp(virtualKey(event), shiftOf(event->modifiers()));
}

void ListBoxInner::wheelEvent(QWheelEvent* event)
{
    m_wheel += event->angleDelta().y();
    const int notches = m_wheel / 120;
    m_wheel -= notches * 120;
    if (notches != 0)
        setTop(topIndex - notches * QApplication::wheelScrollLines(), true);
    event->accept();
}

bool ListBoxInner::navigate(int key)
{
    if (count() == 0)
        return false;
    const int current = listIndex;
    int target;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        target = current < 0 ? 0 : current - 1;
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        target = current + 1;
        break;
    case Qt::Key_PageUp:
        target = current - (wholeRows() - 1);
        break;
    case Qt::Key_PageDown:
        target = current < 0 ? wholeRows() - 1 : current + (wholeRows() - 1);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count() - 1;
        break;
    default:
        return false;
    }
    setCurrent(qBound(0, target, count() - 1));
    return true;
}

void ListBoxInner::findByFirstCharacter(QChar c)
{
    const QString prefix(c);
    for (int step = 1; step <= count(); ++step) {
        const int index = (qMax(listIndex, -1) + step) % count();
        if (rows.at(index).text.startsWith(prefix, Qt::CaseInsensitive)) {
            setCurrent(index);
            return;
        }
    }
}
