#include "gui/settings/RKHotKey.h"

#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/settings/VirtualKeys.h"
#include "core/settings/modINI.h"
#include "gui/outside/GlobalHotKeys.h"
#include "gui/widgets/InputCodes.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSettings>

namespace {
const QString kSection = QStringLiteral("RKHotKey");

// The shift state as it is once the key has gone down or up: X reports the state from before the
// event, so a modifier key is not yet in it when it is pressed.
int shiftAfter(int vk, Qt::KeyboardModifiers modifiers, bool down)
{
    int bit = 0;
    if (vk == VirtualKeys::ShiftKey)
        bit = HotKeyCapture::ShiftDown;
    else if (vk == VirtualKeys::ControlKey)
        bit = HotKeyCapture::CtrlDown;
    else if (vk == VirtualKeys::MenuKey)
        bit = HotKeyCapture::AltDown;
    const int shift = shiftOf(modifiers);
    return down ? shift | bit : shift & ~bit;
}

int virtualKeyOf(const QKeyEvent* event)
{
    if (event->nativeVirtualKey() != 0) {
        if (int vk = VirtualKeys::fromKeysym(event->nativeVirtualKey()))
            return vk;
    }
    return VirtualKeys::fromQtKey(event->key(), event->modifiers());
}

int mouseButton(Qt::MouseButtons buttons)
{
    int result = 0;
    if (buttons & Qt::LeftButton)
        result |= 1;
    if (buttons & Qt::RightButton)
        result |= 2;
    if (buttons & Qt::MiddleButton)
        result |= 4;
    return result;
}
} // namespace

RKHotKey::RKHotKey(const QString& name, QWidget* parent)
    : RKHotKey(name, parent, Storage())
{
}

RKHotKey::RKHotKey(const QString& name, QWidget* parent, const Storage& storage)
    : QWidget(parent)
    , where(storage)
{
    setObjectName(name);
    txtHotKey = new QLineEdit(this);
    txtHotKey->setObjectName(QStringLiteral("txtHotKey"));
    // Only key capture writes the text: no typing, no input method, no paste, no drop, no menu.
    txtHotKey->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtHotKey->setContextMenuPolicy(Qt::PreventContextMenu);
    txtHotKey->setAcceptDrops(false);
    txtHotKey->installEventFilter(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtHotKey);
    setFocusProxy(txtHotKey);
    load();
}

RKHotKey::~RKHotKey()
{
    if (registration)
        GlobalHotKeys::system().remove(registration);
}

QString RKHotKey::Text() const
{
    return capture.text();
}

int RKHotKey::KeyCode() const
{
    return capture.keyCode();
}

int RKHotKey::ModKeyCode() const
{
    return capture.modKeyCode();
}

bool RKHotKey::HotKeyEnabled() const
{
    return registration != 0;
}

void RKHotKey::setHotKeyEnabled(bool on)
{
    if (on == HotKeyEnabled())
        return;
    if (!on) {
        GlobalHotKeys::system().remove(registration);
        registration = 0;
        return;
    }
    // A key code from elsewhere that the table cannot grab is no key at all: grabbing some
    // other key in its place would be worse.
    if (capture.keyCode() == 0 || VirtualKeys::toKeysym(capture.keyCode()) == 0) {
        MessageBox::show(QStringLiteral("未设置热键"), MessageBox::Ok, MessageBox::Critical, QStringLiteral("错误"));
        return;
    }
    registration = GlobalHotKeys::system().add(capture.keyCode(), capture.modKeyCode(), [this] { RaiseEvents(); });
    if (!registration) {
        // Cleared before the box, whose wait may let the same field be enabled again.
        capture.set(HotKeyCapture::none(), 0, 0);
        display(capture.text());
        MessageBox::show(
            QStringLiteral("热键冲突，请换一个热键。"), MessageBox::Ok, MessageBox::Critical, QStringLiteral("错误"));
    }
}

void RKHotKey::RaiseEvents()
{
    emit HotKeyPressed();
}

void RKHotKey::load()
{
    const QString name = objectName();
    QString text;
    QString key;
    QString modifiers;
    if (where.SettingLocation == 0) {
        modINI::SetFileName(where.INIFileName);
        text = modINI::ReadValue(kSection, name + QStringLiteral("Text"), HotKeyCapture::none());
        key = modINI::ReadValue(kSection, name + QStringLiteral("KeyCode"), QStringLiteral("0"));
        modifiers = modINI::ReadValue(kSection, name + QStringLiteral("ModKeyCode"), QStringLiteral("0"));
    } else {
        QSettings store(where.RegKeyName, kSection);
        text = store.value(name + QStringLiteral("Text"), HotKeyCapture::none()).toString();
        key = store.value(name + QStringLiteral("KeyCode"), QStringLiteral("0")).toString();
        modifiers = store.value(name + QStringLiteral("ModKeyCode"), QStringLiteral("0")).toString();
    }
    // A number that does not read as one is no key.
    capture.set(text, key.trimmed().toInt(), modifiers.trimmed().toInt());
    display(capture.text());
}

void RKHotKey::SaveSettings()
{
    const QString name = objectName();
    const QString key = QString::number(capture.keyCode());
    const QString modifiers = QString::number(capture.modKeyCode());
    if (where.SettingLocation == 0) {
        modINI::SetFileName(where.INIFileName);
        modINI::WriteValue(kSection, name + QStringLiteral("Text"), capture.text());
        modINI::WriteValue(kSection, name + QStringLiteral("KeyCode"), key);
        modINI::WriteValue(kSection, name + QStringLiteral("ModKeyCode"), modifiers);
        return;
    }
    QSettings store(where.RegKeyName, kSection);
    store.setValue(name + QStringLiteral("Text"), capture.text());
    store.setValue(name + QStringLiteral("KeyCode"), key);
    store.setValue(name + QStringLiteral("ModKeyCode"), modifiers);
}

void RKHotKey::display(const QString& text)
{
    txtHotKey->setText(text);
    txtHotKey->setCursorPosition(text.size());
}

void RKHotKey::keyPressed(QKeyEvent* event)
{
    int vk = virtualKeyOf(event);
    if (vk == VirtualKeys::Apps)
        return;
    int shift = shiftAfter(vk, event->modifiers(), true);
    emit KeyDown(vk, shift);
    if (!capture.keyDown(vk, shift))
        return;
    setHotKeyEnabled(false);
    display(capture.text());
}

void RKHotKey::keyReleased(QKeyEvent* event)
{
    int vk = virtualKeyOf(event);
    int shift = shiftAfter(vk, event->modifiers(), false);
    capture.keyUp(vk);
    display(capture.text());
    emit KeyUp(vk, shift);
}

bool RKHotKey::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != txtHotKey)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Every key is the field's while it has the focus, application shortcuts included.
        event->accept();
        return true;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Tab alone still moves the focus on, or the keyboard could never leave the field.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        keyPressed(key);
        return true;
    }
    case QEvent::KeyRelease:
        keyReleased(static_cast<QKeyEvent*>(event));
        return true;
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::ContextMenu:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int button = mouseButton(event->type() == QEvent::MouseMove ? mouse->buttons() : mouse->button());
        const int shift = shiftOf(mouse->modifiers());
        const QPoint at = mouse->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress) {
            emit MouseDown(button, shift, at.x(), at.y());
        } else if (event->type() == QEvent::MouseMove) {
            emit MouseMove(button, shift, at.x(), at.y());
        } else {
            emit MouseUp(button, shift, at.x(), at.y());
            if (mouse->button() == Qt::LeftButton && txtHotKey->rect().contains(at))
                emit Click();
            // The middle button would paste the selection.
            if (mouse->button() == Qt::MiddleButton)
                return true;
        }
        return false;
    }
    case QEvent::MouseButtonDblClick:
        emit DblClick();
        return false;
    default:
        return false;
    }
}
