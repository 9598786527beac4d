#include "gui/widgets/ListBoxEx.h"

#include "core/outside/LogCategories.h"
#include "gui/widgets/DrawItemStruct.h"
#include "gui/widgets/InputCodes.h"
#include "gui/widgets/ListBoxInner.h"
#include "gui/widgets/ModDC.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr quint32 hoverColor = ModDC::RGB(174, 222, 255);
constexpr quint32 numberColor = ModDC::RGB(135, 137, 139);
constexpr quint32 textColor = 0;
constexpr int checkSize = 13;
constexpr int maxItemHeight = 255;

// The keyboard at the moment the message is handled: the modifiers of the input event being
// dispatched, or the application's when the message carries none.
short currentShift()
{
    if (const auto* input = dynamic_cast<const QInputEvent*>(CSubclass::CurrentEvent()))
        return shiftOf(input->modifiers());
    return shiftOf(QGuiApplication::queryKeyboardModifiers());
}

} // namespace

ListBoxEx::ListBoxEx(QWidget* parent)
    : QWidget(parent)
    , lstMain(new ListBoxInner(this))
{
    buildCheckImages();

    // Defaults of a newly placed list.
    m_borderColor = ModDC::RGB(138, 176, 222);
    m_listColorA = ModDC::RGB(252, 253, 254);
    m_listColorB = ModDC::RGB(246, 250, 253);
    m_listSelColor = ModDC::RGB(252, 236, 172);
    lstMain->itemHeight = qBound(1, QFontMetrics(font()).height(), maxItemHeight);
    setFocusProxy(lstMain);
    lstMain->setGeometry(rect());

    QWidget* list = lstMain;
    if (m_subclass.Subclass_Start(this, this)) {
        m_subclass.Subclass_AddMsg(this, Wm::DrawItem, CSubclass::MSG_BEFORE);
    }
    if (m_subclass.Subclass_Start(list, this)) {
        m_subclass.Subclass_AddMsg(list, Wm::Paint, CSubclass::MSG_AFTER);
        m_subclass.Subclass_AddMsg(list, Wm::MouseWheel, CSubclass::MSG_AFTER);
        m_subclass.Subclass_AddMsg(list, Wm::MouseMove, CSubclass::MSG_BEFORE);
        m_subclass.Subclass_AddMsg(list, Wm::MouseLeave, CSubclass::MSG_AFTER);
        for (int message : { Wm::LButtonDown, Wm::RButtonDown, Wm::MButtonDown, Wm::LButtonUp, Wm::MButtonUp,
                 Wm::LButtonDblClk, Wm::RButtonDblClk, Wm::MButtonDblClk, Wm::RButtonUp })
            m_subclass.Subclass_AddMsg(list, message, CSubclass::MSG_BEFORE);
    }
}

ListBoxEx::~ListBoxEx()
{
    m_subclass.Terminate();
}

void ListBoxEx::WndProc(bool bBefore, bool& bHandled, qintptr& lReturn, QWidget* lhWnd, int uMsg, qintptr wParam,
    qintptr lParam, qintptr& lParamUser)
{
    if (lhWnd == this) {
        if (uMsg == Wm::DrawItem && bBefore) {
            const auto* request = reinterpret_cast<const DrawItemStruct*>(lParam);
            if (lstMain->count() > 0) {
                const QRect& r = request->rcItem;
                OnDrawItem(
                    request->itemID, request->hDC, stateOf(request->itemID), r.left(), r.top(), r.width(), r.height());
            }
            bHandled = true;
            lReturn = 1;
        }
        return;
    }
    if (lhWnd != lstMain)
        return;

    switch (uMsg) {
    case Wm::Paint:
        if (!bBefore) {
            QPainter painter(lstMain);
            drawBorder(painter);
        }
        return;
    case Wm::MouseWheel: {
        if (bBefore)
            return;
        // The wheel carries screen coordinates.
        const QPoint pos = lstMain->mapFromGlobal(QPoint(Wm::xOf(lParam), Wm::yOf(lParam)))
            - QPoint(ListBoxInner::frame, ListBoxInner::frame);
        m_pointer = pos + QPoint(ListBoxInner::frame, ListBoxInner::frame);
        hoverUpdate(rowAt(pos.y()));
        emit MouseMove(0, currentShift(), float(pos.x()), float(pos.y()));
        return;
    }
    case Wm::MouseLeave:
        return;
    case Wm::RButtonUp:
        return;
    default:
        break;
    }
    if (!bBefore)
        return;

    const QPoint pos = clientPos(lParam);
    m_pointer = QPoint(Wm::xOf(lParam), Wm::yOf(lParam));
    const short button = buttonOfKeyState(wParam);
    const short shift = currentShift();
    const float x = float(pos.x());
    const float y = float(pos.y());
    switch (uMsg) {
    case Wm::MouseMove:
        hoverUpdate(rowAt(pos.y()));
        emit MouseMove(button, shift, x, y);
        break;
    case Wm::LButtonDown:
    case Wm::RButtonDown:
    case Wm::MButtonDown:
        pressHandling(button, pos.x(), pos.y());
        emit MouseDown(button, shift, x, y);
        break;
    case Wm::LButtonUp:
    case Wm::MButtonUp:
        if (pos.x() >= 0 && pos.x() <= lstMain->width() && pos.y() >= 0 && pos.y() <= lstMain->height())
            emit Click(button, shift, x, y);
        emit MouseUp(button, shift, x, y);
        break;
    case Wm::LButtonDblClk:
    case Wm::RButtonDblClk:
    case Wm::MButtonDblClk:
        emit DbClick(button, shift, x, y);
        break;
    default:
        return;
    }
    bHandled = true;
    lReturn = 1;
}

QPoint ListBoxEx::clientPos(qintptr lParam) const
{
    return QPoint(Wm::xOf(lParam) - ListBoxInner::frame, Wm::yOf(lParam) - ListBoxInner::frame);
}

int ListBoxEx::rowAt(int y) const
{
    if (lstMain->count() == 0)
        return -1;
    const int row = lstMain->topIndex + int(std::floor(double(y) / lstMain->itemHeight));
    return lstMain->valid(row) ? row : -1;
}

int ListBoxEx::stateOf(int index) const
{
    if (index == lstMain->listIndex)
        return StateSelected;
    return index == m_hoverRow ? StateHover : StateNormal;
}

void ListBoxEx::hoverUpdate(int row)
{
    if (row == m_hoverRow)
        return;
    const int old = m_hoverRow;
    m_hoverRow = row;
    redrawRow(old);
    redrawRow(row);
}

void ListBoxEx::redrawRow(int row)
{
    lstMain->updateRow(row);
}

void ListBoxEx::pressHandling(int button, int x, int y)
{
    if (button != 1 && button != 2)
        return;
    const int row = rowAt(y);
    lstMain->setFocus(Qt::MouseFocusReason);
    lstMain->setCurrent(row);
    if (m_style == 1 && row >= 0) {
        lstMain->rows[row].checked = !lstMain->rows[row].checked;
        redrawRow(row);
    }
}

void ListBoxEx::OnDrawItem(int index, QPainter* hDC, int state, int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    QImage picture = ModDC::CreateMemDC(width, height);
    {
        QPainter memDC(&picture);
        memDC.setFont(font());
        memDC.setBackgroundMode(Qt::TransparentMode);

        bool skip = false;
        emit DrawItem(index, &memDC, state, width, height, skip);
        if (!skip) {
            // The fore colours are chosen, as the design's drawing does, but the texts below
            // always use their own colours.
            quint32 back;
            quint32 fore;
            if (state == StateSelected) {
                fore = m_foreSelColor;
                back = m_listSelColor;
            } else if (state == StateHover) {
                fore = m_foreSelColor;
                back = hoverColor;
            } else if (index % 2 == 0) {
                fore = m_foreColorB;
                back = m_listColorB;
            } else {
                fore = m_foreColorA;
                back = m_listColorA;
            }
            memDC.setPen(ModDC::TranslateColor(fore));
            ModDC::FillRect(memDC, 0, 0, width, height, back);

            int left = 4;
            if (m_style == 1) {
                const bool ticked = lstMain->valid(index) && lstMain->rows.at(index).checked;
                const int top = int(std::lrint((height - checkSize) / 2.0));
                memDC.drawImage(QPoint(4, top), imgSrc, QRect(ticked ? checkSize : 0, 0, checkSize, checkSize));
                left = 24;
            }
            memDC.setPen(ModDC::TranslateColor(numberColor));
            ModDC::DrawText(memDC, QString::number(index + 1) + QLatin1Char('.'), left, 0, 24, height);
            memDC.setPen(ModDC::TranslateColor(textColor));
            ModDC::DrawText(memDC, List(index), left + 26, 0, width - left - 26, height);
        }
    }
    if (hDC)
        hDC->drawImage(x, y, picture);
}

void ListBoxEx::drawBorder(QPainter& painter)
{
    painter.setClipping(false);
    ModDC::FrameRect(painter, 0, 0, lstMain->width(), lstMain->height(), m_borderColor);
}

void ListBoxEx::buildCheckImages()
{
    // Two 13 × 13 boxes side by side: empty at x 0, ticked at x 13.
    imgSrc = QImage(2 * checkSize, checkSize, QImage::Format_RGB32);
    imgSrc.fill(Qt::white);
    QPainter painter(&imgSrc);
    const QColor edge(28, 81, 128);
    for (int box = 0; box < 2; ++box) {
        const int left = box * checkSize;
        painter.fillRect(QRect(left + 1, 1, checkSize - 2, checkSize - 2), QColor(244, 244, 244));
        painter.fillRect(QRect(left + 2, 2, checkSize - 4, checkSize - 4), Qt::white);
        ModDC::FrameRect(painter, left, 0, checkSize, checkSize, ModDC::FromQColor(edge));
    }
    // The tick: a short stroke down and a long stroke up, three pixels thick, drawn pixel by pixel
    // so it looks the same at any device scale.
    const QColor tick(33, 33, 33);
    const int strokes[][2] = { { 3, 5 }, { 4, 6 }, { 5, 7 }, { 6, 6 }, { 7, 5 }, { 8, 4 }, { 9, 3 } };
    for (const auto& point : strokes) {
        for (int dy = 0; dy < 3; ++dy)
            painter.fillRect(QRect(checkSize + point[0], point[1] + dy, 1, 1), tick);
    }
}

void ListBoxEx::SendLeftClick()
{
    Qt::MouseButtons held = QGuiApplication::mouseButtons();
    Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(CSubclass::CurrentEvent())) {
        held = mouse->buttons();
        modifiers = mouse->modifiers();
    }
    held &= ~Qt::LeftButton;
    const QPointF local(m_pointer);
    const QPointF global(lstMain->mapToGlobal(m_pointer));
    // Posted, not sent: the press and release arrive after the message being handled, like input.
    QCoreApplication::postEvent(lstMain,
        new QMouseEvent(QEvent::MouseButtonPress, local, global, Qt::LeftButton, held | Qt::LeftButton, modifiers));
    QCoreApplication::postEvent(
        lstMain, new QMouseEvent(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, held, modifiers));
}

void ListBoxEx::resizeEvent(QResizeEvent*)
{
    fit();
}

void ListBoxEx::fit()
{
    // Cover the control with the inner list, then shrink to whole rows as a list box with
    // integral height does.
    const int frames = 2 * ListBoxInner::frame;
    int listHeight = height();
    const int rows = (listHeight - frames) / lstMain->itemHeight;
    if (rows >= 1)
        listHeight = rows * lstMain->itemHeight + frames;
    const QRect target(0, 0, width(), listHeight);
    if (lstMain->geometry() != target) {
        lstMain->setGeometry(target);
        // A hidden widget gets its resize event only when shown; the rows need the size now.
        lstMain->layoutBar();
    }
    if (listHeight != height())
        resize(width(), listHeight);
}

void ListBoxEx::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        lstMain->updateRows();
    QWidget::changeEvent(event);
}

ListBoxEx::PropertyBag ListBoxEx::WriteProperties() const
{
    return {
        { QStringLiteral("Font"), QVariant(font()) },
        { QStringLiteral("BackColor"), QVariant(BackColor()) },
        { QStringLiteral("BorderColor"), QVariant(m_borderColor) },
        { QStringLiteral("ListColorA"), QVariant(m_listColorA) },
        { QStringLiteral("ListColorB"), QVariant(m_listColorB) },
        { QStringLiteral("ListSelColor"), QVariant(m_listSelColor) },
        { QStringLiteral("ForeColorA"), QVariant(m_foreColorA) },
        { QStringLiteral("ForeColorB"), QVariant(m_foreColorB) },
        { QStringLiteral("ForeSelColor"), QVariant(m_foreSelColor) },
        { QStringLiteral("Style"), QVariant(m_style) },
        { QStringLiteral("ItemHeight"), QVariant(ItemHeight()) },
        { QStringLiteral("Enabled"), QVariant(isEnabled()) },
    };
}

void ListBoxEx::ReadProperties(const PropertyBag& bag)
{
    const auto read = [&bag](const QString& key, const QVariant& current) {
        for (const auto& entry : bag) {
            if (entry.first == key)
                return entry.second;
        }
        return current;
    };
    const auto colour
        = [&read](const QString& key, quint32 current) { return read(key, QVariant(current)).value<quint32>(); };
    applyFont(read(QStringLiteral("Font"), QVariant(font())).value<QFont>());
    setBackColor(colour(QStringLiteral("BackColor"), BackColor()));
    setBorderColor(colour(QStringLiteral("BorderColor"), m_borderColor));
    setListColorA(colour(QStringLiteral("ListColorA"), m_listColorA));
    setListColorB(colour(QStringLiteral("ListColorB"), m_listColorB));
    setListSelColor(colour(QStringLiteral("ListSelColor"), m_listSelColor));
    setForeColorA(colour(QStringLiteral("ForeColorA"), m_foreColorA));
    setForeColorB(colour(QStringLiteral("ForeColorB"), m_foreColorB));
    setForeSelColor(colour(QStringLiteral("ForeSelColor"), m_foreSelColor));
    setStyle(read(QStringLiteral("Style"), QVariant(m_style)).toInt());
    setItemHeight(read(QStringLiteral("ItemHeight"), QVariant(ItemHeight())).toInt());
    setEnabled(read(QStringLiteral("Enabled"), QVariant(isEnabled())).toBool());
}

void ListBoxEx::AddItem(const QString& item, int index)
{
    ListBoxInner& list = *lstMain;
    if (index < 0 || index == list.count()) {
        index = list.count();
    } else if (index > list.count()) {
        qCDebug(lcWidgets) << "AddItem: index" << index << "beyond" << list.count() << "rows";
        return;
    }
    fit();
    list.rows.insert(index, ListBoxInner::Row { item, 0, false });
    list.newIndex = index;
    if (list.listIndex >= index)
        ++list.listIndex;
    list.layoutBar();
    // Rows from the new one down move; rows above it stay as they are.
    const QRect client = list.clientRect();
    const int top = qMax(0, (index - list.topIndex) * list.itemHeight);
    if (top < client.height())
        list.update(client.adjusted(0, top, 0, 0));
}

void ListBoxEx::RemoveItem(short index)
{
    ListBoxInner& list = *lstMain;
    if (!list.valid(index)) {
        qCDebug(lcWidgets) << "RemoveItem: no row" << index;
        return;
    }
    list.rows.remove(index);
    if (list.listIndex == index)
        list.listIndex = -1;
    else if (list.listIndex > index)
        --list.listIndex;
    list.layoutBar();
    list.updateRows();
}

void ListBoxEx::Clear()
{
    ListBoxInner& list = *lstMain;
    list.rows.clear();
    list.listIndex = -1;
    list.newIndex = -1;
    list.setTop(0, false);
    list.layoutBar();
    list.updateRows();
}

QWidget* ListBoxEx::hWnd() const
{
    return lstMain;
}

quint32 ListBoxEx::BackColor() const
{
    return lstMain->backColor;
}

void ListBoxEx::setBackColor(quint32 color)
{
    lstMain->backColor = color;
    lstMain->update();
}

void ListBoxEx::setBorderColor(quint32 color)
{
    m_borderColor = color;
    // Only the frame: the rows stay as they are.
    const QRect all = lstMain->rect();
    lstMain->update(QRegion(all) - QRegion(all.adjusted(1, 1, -1, -1)));
}

void ListBoxEx::setListColorA(quint32 color)
{
    m_listColorA = color;
    lstMain->updateRows();
}

void ListBoxEx::setListColorB(quint32 color)
{
    m_listColorB = color;
    lstMain->updateRows();
}

void ListBoxEx::setListSelColor(quint32 color)
{
    m_listSelColor = color;
    lstMain->updateRows();
}

void ListBoxEx::setForeSelColor(quint32 color)
{
    m_foreSelColor = color;
    lstMain->updateRows();
}

void ListBoxEx::setForeColorA(quint32 color)
{
    m_foreColorA = color;
    lstMain->updateRows();
}

void ListBoxEx::setForeColorB(quint32 color)
{
    m_foreColorB = color;
    lstMain->updateRows();
}

void ListBoxEx::applyFont(const QFont& font)
{
    setFont(ModDC::MapFont(font));
    lstMain->setFont(this->font());
}

void ListBoxEx::setFontBold(bool value)
{
    QFont f = font();
    f.setBold(value);
    applyFont(f);
}

void ListBoxEx::setFontItalic(bool value)
{
    QFont f = font();
    f.setItalic(value);
    applyFont(f);
}

void ListBoxEx::setFontName(const QString& name)
{
    QFont f = font();
    f.setFamilies({ name });
    applyFont(f);
}

void ListBoxEx::setFontSize(float points)
{
    if (points <= 0)
        return;
    QFont f = font();
    f.setPointSizeF(points);
    applyFont(f);
}

void ListBoxEx::setFontStrikethru(bool value)
{
    QFont f = font();
    f.setStrikeOut(value);
    applyFont(f);
}

void ListBoxEx::setFontUnderline(bool value)
{
    QFont f = font();
    f.setUnderline(value);
    applyFont(f);
}

int ListBoxEx::ListCount() const
{
    return lstMain->count();
}

int ListBoxEx::NewIndex() const
{
    return lstMain->newIndex;
}

int ListBoxEx::SelCount() const
{
    return lstMain->listIndex >= 0 ? 1 : 0;
}

qint32 ListBoxEx::ItemData(int index) const
{
    return lstMain->valid(index) ? lstMain->rows.at(index).data : 0;
}

void ListBoxEx::setItemData(int index, qint32 value)
{
    if (lstMain->valid(index))
        lstMain->rows[index].data = value;
}

QString ListBoxEx::List(int index) const
{
    return lstMain->valid(index) ? lstMain->rows.at(index).text : QString();
}

void ListBoxEx::setList(int index, const QString& text)
{
    if (!lstMain->valid(index))
        return;
    lstMain->rows[index].text = text;
    lstMain->updateRow(index);
}

bool ListBoxEx::Selected(int index) const
{
    return lstMain->valid(index) && lstMain->rows.at(index).checked;
}

void ListBoxEx::setSelected(int index, bool value)
{
    if (!lstMain->valid(index) || lstMain->rows.at(index).checked == value)
        return;
    lstMain->rows[index].checked = value;
    lstMain->updateRow(index);
}

int ListBoxEx::ListIndex() const
{
    return lstMain->listIndex;
}

void ListBoxEx::setListIndex(int index)
{
    if (index < -1 || index >= lstMain->count()) {
        qCDebug(lcWidgets) << "ListIndex: no row" << index;
        return;
    }
    lstMain->setCurrent(index);
}

QString ListBoxEx::Text() const
{
    return List(lstMain->listIndex);
}

void ListBoxEx::setText(const QString& text)
{
    for (int index = 0; index < lstMain->count(); ++index) {
        if (lstMain->rows.at(index).text.compare(text, Qt::CaseInsensitive) == 0) {
            lstMain->setCurrent(index);
            return;
        }
    }
}

int ListBoxEx::TopIndex() const
{
    return lstMain->topIndex;
}

void ListBoxEx::setTopIndex(int index)
{
    fit();
    lstMain->setTop(index, false);
}

int ListBoxEx::ItemHeight() const
{
    return lstMain->itemHeight;
}

bool ListBoxEx::setItemHeight(int height)
{
    if (height < 1 || height > maxItemHeight) {
        qCDebug(lcWidgets) << "ItemHeight refused:" << height;
        return false;
    }
    if (height != lstMain->itemHeight) {
        lstMain->itemHeight = height;
        lstMain->layoutBar();
        lstMain->updateRows();
    }
    return true;
}
