#include "gui/widgets/CSubclass.h"

#include "core/outside/LogCategories.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QThread>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWidget>

#include <syslog.h>

class SubclassChain;

struct CSubclass::Stub {
    struct Table {
        int count = 0; // 0 none, ALL_MESSAGES every message, else entries in use; an entry 0 is deleted
        int entries[MSG_ENTRIES] = {};

        bool has(int uMsg) const
        {
            if (count == ALL_MESSAGES)
                return true;
            if (uMsg == 0)
                return false;
            for (int i = 0; i < count; ++i) {
                if (entries[i] == uMsg)
                    return true;
            }
            return false;
        }
    };

    CSubclass* owner = nullptr;
    ISubclass* callback = nullptr;
    QWidget* widget = nullptr;
    SubclassChain* chain = nullptr;
    qintptr user = 0;
    Table before;
    Table after;
    int busy = 0; // messages under way through this stub
    bool removal = false;
    std::shared_ptr<Stub> next; // the watcher installed before this one
};

namespace {

struct Frame {
    QEvent* event;
    int uMsg;
    qintptr wParam;
    qintptr lParam;
    QPointer<QWidget> widget;
    // Only a message that came in through the filter can be handed back to Qt's own delivery.
    bool deferrable;
    bool deferred = false;
    Frame* outer = nullptr;
};

Frame* s_frame = nullptr;
CSubclass::ReportSink s_sink;

struct ScrollAreaAccess : QAbstractScrollArea {
    using QAbstractScrollArea::viewportEvent;
};

// What Qt would run after the filters: a scroll area handles its viewport's events first.
bool ownEvent(QWidget* w, QEvent* e)
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w->parentWidget()); area && area->viewport() == w) {
        bool (QAbstractScrollArea::*viewportEvent)(QEvent*) = &ScrollAreaAccess::viewportEvent;
        if ((area->*viewportEvent)(e))
            return true;
    }
    return static_cast<QObject*>(w)->event(e);
}

int mkFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    int flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= Mk::LButton;
    if (buttons & Qt::RightButton)
        flags |= Mk::RButton;
    if (buttons & Qt::MiddleButton)
        flags |= Mk::MButton;
    if (buttons & Qt::XButton1)
        flags |= Mk::XButton1;
    if (buttons & Qt::XButton2)
        flags |= Mk::XButton2;
    if (modifiers & Qt::ShiftModifier)
        flags |= Mk::Shift;
    if (modifiers & Qt::ControlModifier)
        flags |= Mk::Control;
    return flags;
}

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

// One per watched widget, a child of it, installed as its event filter.
class SubclassChain : public QObject {
public:
    explicit SubclassChain(QWidget* w)
        : QObject(w)
        , m_widget(w)
    {
        s_chains.insert(w, this);
    }

    ~SubclassChain() override
    {
        s_chains.remove(m_widget);
        for (auto stub = m_head; stub; stub = stub->next) {
            stub->chain = nullptr;
            if (CSubclass* owner = stub->owner) {
                stub->owner = nullptr;
                owner->forget(m_widget);
            }
        }
    }

    static SubclassChain* of(QWidget* w) { return s_chains.value(w); }

    void push(const std::shared_ptr<CSubclass::Stub>& stub)
    {
        stub->next = m_head;
        stub->chain = this;
        m_head = stub;
        // The newest watcher sees messages first, also before filters installed since the last one.
        m_widget->installEventFilter(this);
    }

    void unlink(const std::shared_ptr<CSubclass::Stub>& stub)
    {
        if (m_head == stub) {
            m_head = stub->next;
        } else {
            for (auto p = m_head; p; p = p->next) {
                if (p->next == stub) {
                    p->next = stub->next;
                    break;
                }
            }
        }
        stub->chain = nullptr;
    }

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (watched != m_widget || !m_head)
            return false;
        int uMsg;
        qintptr wParam, lParam;
        if (!CSubclass::Translate(e, m_widget, uMsg, wParam, lParam) || !wanted(uMsg))
            return false;

        Frame frame { e, uMsg, wParam, lParam, m_widget, true };
        QPointer<SubclassChain> self(this);
        frame.outer = s_frame;
        s_frame = &frame;
        const std::shared_ptr<CSubclass::Stub> head = m_head;
        const qintptr result = process(head, frame);
        s_frame = frame.outer;
        if (!self)
            return true;
        if (frame.deferred)
            return false;
        if (e->type() == CSubclass::MessageEvent::eventType())
            static_cast<CSubclass::MessageEvent*>(e)->result = result;
        else
            e->setAccepted(result != 0);
        return true;
    }

    // Runs stub and everything installed before it, ending at the widget's own handling.
    qintptr process(const std::shared_ptr<CSubclass::Stub>& stub, Frame& frame)
    {
        if (!stub)
            return callOwn(frame);

        std::shared_ptr<CSubclass::Stub> keep = stub;
        ++keep->busy;
        bool handled = false;
        qintptr result = 0;
        dispatch(*keep, true, handled, result, frame);
        if (!handled && frame.widget) {
            result = process(keep->next, frame);
            if (!frame.deferred && frame.widget) {
                bool ignored = false;
                dispatch(*keep, false, ignored, result, frame);
            }
        }
        if (--keep->busy == 0 && keep->removal && keep->chain)
            keep->chain->unlink(keep);
        return result;
    }

private:
    bool wanted(int uMsg) const
    {
        for (auto p = m_head; p; p = p->next) {
            if (p->before.has(uMsg) || p->after.has(uMsg))
                return true;
        }
        return false;
    }

    static void dispatch(CSubclass::Stub& stub, bool bBefore, bool& bHandled, qintptr& lReturn, Frame& frame)
    {
        const CSubclass::Stub::Table& table = bBefore ? stub.before : stub.after;
        if (!stub.callback || !table.has(frame.uMsg))
            return;
        stub.callback->WndProc(
            bBefore, bHandled, lReturn, frame.widget, frame.uMsg, frame.wParam, frame.lParam, stub.user);
    }

    qintptr callOwn(Frame& frame)
    {
        QWidget* w = frame.widget;
        if (!w)
            return 0;
        if (frame.deferrable) {
            bool after = false;
            for (auto p = m_head; p && !after; p = p->next)
                after = p->after.has(frame.uMsg);
            if (!after) {
                // Nobody looks at the result: let Qt deliver as usual, keeping any other filters in play.
                frame.deferred = true;
                return 0;
            }
        }
        QEvent* e = frame.event;
        if (e->type() == CSubclass::MessageEvent::eventType()) {
            auto* me = static_cast<CSubclass::MessageEvent*>(e);
            static_cast<QObject*>(w)->event(me);
            return me->result;
        }
        const bool consumed = ownEvent(w, e);
        return consumed && e->isAccepted() ? 1 : 0;
    }

    static inline QHash<QWidget*, SubclassChain*> s_chains;

    QWidget* m_widget;
    std::shared_ptr<CSubclass::Stub> m_head;
};

CSubclass::MessageEvent::MessageEvent(int uMsg, qintptr wParam, qintptr lParam)
    : QEvent(eventType())
    , uMsg(uMsg)
    , wParam(wParam)
    , lParam(lParam)
{
}

QEvent::Type CSubclass::MessageEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

CSubclass::CSubclass() = default;

CSubclass::~CSubclass()
{
    Terminate();
}

bool CSubclass::Subclass_Start(QWidget* lhWnd, ISubclass* oCallback, qintptr lParamUser, bool bIdeSafety)
{
    if (!lhWnd) {
        report("dsclsMSubclass", QStringLiteral("Invalid window handle"));
        return false;
    }
    if (lhWnd->thread() != QThread::currentThread()) {
        report("dsclsMSubclass", QStringLiteral("Window handle belongs to another process"));
        return false;
    }
    m_started = true;
    for (const auto& stub : m_stubs) {
        if (stub->widget == lhWnd) {
            report("dsclsMSubclass", QStringLiteral("Window handle is already subclassed"));
            return false;
        }
    }

    auto stub = std::make_shared<Stub>();
    stub->owner = this;
    stub->callback = oCallback;
    stub->widget = lhWnd;
    stub->user = lParamUser;
    SubclassChain* chain = SubclassChain::of(lhWnd);
    if (!chain)
        chain = new SubclassChain(lhWnd);
    chain->push(stub);
    m_stubs.push_back(stub);
    return true;
}

void CSubclass::Subclass_AddMsg(QWidget* lhWnd, int uMsg, When eWhen)
{
    const auto stub = mapHandle(lhWnd);
    if (!stub)
        return;
    auto add = [uMsg](Stub::Table& table) {
        if (uMsg == ALL_MESSAGES) {
            table.count = ALL_MESSAGES;
            return;
        }
        if (table.count >= MSG_ENTRIES) {
            report("AddMsg", QStringLiteral("Message table overflow. Max message entries exceeded."));
            return;
        }
        const int used = table.count < 0 ? 0 : table.count;
        for (int i = 0; i < used; ++i) {
            if (table.entries[i] == 0) {
                table.entries[i] = uMsg;
                return;
            }
            if (table.entries[i] == uMsg)
                return;
        }
        table.entries[used] = uMsg;
        table.count = used + 1;
    };
    if (eWhen & MSG_BEFORE)
        add(stub->before);
    if (eWhen & MSG_AFTER)
        add(stub->after);
}

void CSubclass::Subclass_DelMsg(QWidget* lhWnd, int uMsg, When eWhen)
{
    const auto stub = mapHandle(lhWnd);
    if (!stub)
        return;
    auto del = [uMsg](Stub::Table& table) {
        if (uMsg == ALL_MESSAGES) {
            table.count = 0;
            return;
        }
        for (int i = 0; i < table.count; ++i) {
            if (table.entries[i] == uMsg) {
                table.entries[i] = 0;
                return;
            }
        }
        report("DelMsg",
            QStringLiteral("Message &H") + QString::number(quint32(uMsg), 16).toUpper()
                + QStringLiteral(" not found in table"));
    };
    if (eWhen & MSG_BEFORE)
        del(stub->before);
    if (eWhen & MSG_AFTER)
        del(stub->after);
}

qintptr CSubclass::CallOldWndProc(QWidget* lhWnd, int uMsg, qintptr wParam, qintptr lParam)
{
    const auto stub = mapHandle(lhWnd);
    if (!stub || !stub->chain)
        return 0;

    QEvent* event = nullptr;
    for (Frame* f = s_frame; f && !event; f = f->outer) {
        if (f->widget == lhWnd && f->uMsg == uMsg && f->wParam == wParam && f->lParam == lParam)
            event = f->event;
    }
    std::unique_ptr<QEvent> made;
    if (!event) {
        const int keys = Wm::keysOf(wParam);
        Qt::MouseButtons buttons;
        if (keys & Mk::LButton)
            buttons |= Qt::LeftButton;
        if (keys & Mk::RButton)
            buttons |= Qt::RightButton;
        if (keys & Mk::MButton)
            buttons |= Qt::MiddleButton;
        Qt::KeyboardModifiers modifiers;
        if (keys & Mk::Shift)
            modifiers |= Qt::ShiftModifier;
        if (keys & Mk::Control)
            modifiers |= Qt::ControlModifier;
        const QPointF pos(Wm::xOf(lParam), Wm::yOf(lParam));
        auto mouse = [&](QEvent::Type type, Qt::MouseButton button) {
            made = std::make_unique<QMouseEvent>(
                type, pos, QPointF(lhWnd->mapToGlobal(pos.toPoint())), button, buttons, modifiers);
        };
        switch (uMsg) {
        case Wm::MouseMove:
            mouse(QEvent::MouseMove, Qt::NoButton);
            break;
        case Wm::LButtonDown:
            mouse(QEvent::MouseButtonPress, Qt::LeftButton);
            break;
        case Wm::LButtonUp:
            mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
            break;
        case Wm::LButtonDblClk:
            mouse(QEvent::MouseButtonDblClick, Qt::LeftButton);
            break;
        case Wm::RButtonDown:
            mouse(QEvent::MouseButtonPress, Qt::RightButton);
            break;
        case Wm::RButtonUp:
            mouse(QEvent::MouseButtonRelease, Qt::RightButton);
            break;
        case Wm::RButtonDblClk:
            mouse(QEvent::MouseButtonDblClick, Qt::RightButton);
            break;
        case Wm::MButtonDown:
            mouse(QEvent::MouseButtonPress, Qt::MiddleButton);
            break;
        case Wm::MButtonUp:
            mouse(QEvent::MouseButtonRelease, Qt::MiddleButton);
            break;
        case Wm::MButtonDblClk:
            mouse(QEvent::MouseButtonDblClick, Qt::MiddleButton);
            break;
        case Wm::MouseLeave:
            made = std::make_unique<QEvent>(QEvent::Leave);
            break;
        default:
            made = std::make_unique<MessageEvent>(uMsg, wParam, lParam);
            break;
        }
        event = made.get();
    }

    Frame frame { event, uMsg, wParam, lParam, lhWnd, false };
    frame.outer = s_frame;
    s_frame = &frame;
    const qintptr result = stub->chain->process(stub->next, frame);
    s_frame = frame.outer;
    return result;
}

void CSubclass::UnsubClass(QWidget* lhWnd)
{
    const auto stub = mapHandle(lhWnd);
    if (!stub)
        return;
    stub->removal = true;
    stub->before.count = 0;
    stub->after.count = 0;
    stub->owner = nullptr;
    forget(lhWnd);
    if (stub->busy == 0 && stub->chain)
        stub->chain->unlink(stub);
}

void CSubclass::Terminate()
{
    while (!m_stubs.empty())
        UnsubClass(m_stubs.back()->widget);
    m_started = false;
}

void CSubclass::TrackMouseTracking(QWidget*) { }

qintptr CSubclass::p_ParamUser(QWidget* lhWnd)
{
    const auto stub = mapHandle(lhWnd);
    return stub ? stub->user : 0;
}

void CSubclass::setP_ParamUser(QWidget* lhWnd, qintptr lParamUser)
{
    if (const auto stub = mapHandle(lhWnd))
        stub->user = lParamUser;
}

qintptr CSubclass::SendMessage(QWidget* lhWnd, int uMsg, qintptr wParam, qintptr lParam)
{
    if (!lhWnd)
        return 0;
    MessageEvent event(uMsg, wParam, lParam);
    QCoreApplication::sendEvent(lhWnd, &event);
    return event.result;
}

bool CSubclass::Translate(const QEvent* e, const QWidget* w, int& uMsg, qintptr& wParam, qintptr& lParam)
{
    const QEvent::Type type = e->type();
    if (type == MessageEvent::eventType()) {
        const auto* me = static_cast<const MessageEvent*>(e);
        uMsg = me->uMsg;
        wParam = me->wParam;
        lParam = me->lParam;
        return true;
    }
    if (isInput(type) && !w->isEnabled())
        return false;

    wParam = 0;
    lParam = reinterpret_cast<qintptr>(e);
    switch (type) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto* me = static_cast<const QMouseEvent*>(e);
        const QPoint pos = me->position().toPoint();
        wParam = mkFlags(me->buttons(), me->modifiers());
        lParam = Wm::makeLParam(pos.x(), pos.y());
        if (type == QEvent::MouseMove) {
            uMsg = Wm::MouseMove;
            return true;
        }
        // Down, up and double-click follow each other in the message numbers of every button.
        const int step = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonRelease ? 1 : 2;
        switch (me->button()) {
        case Qt::LeftButton:
            uMsg = Wm::LButtonDown + step;
            return true;
        case Qt::RightButton:
            uMsg = Wm::RButtonDown + step;
            return true;
        case Qt::MiddleButton:
            uMsg = Wm::MButtonDown + step;
            return true;
        case Qt::XButton1:
        case Qt::XButton2:
            uMsg = Wm::XButtonDown + step;
            wParam |= qintptr(me->button() == Qt::XButton1 ? 1 : 2) << 16;
            return true;
        default:
            return false;
        }
    }
    case QEvent::Wheel: {
        const auto* we = static_cast<const QWheelEvent*>(e);
        const QPoint delta = we->angleDelta();
        const QPoint global = we->globalPosition().toPoint();
        uMsg = delta.y() != 0 || delta.x() == 0 ? Wm::MouseWheel : Wm::MouseHWheel;
        const int amount = uMsg == Wm::MouseWheel ? delta.y() : delta.x();
        wParam = qintptr(quint32(mkFlags(we->buttons(), we->modifiers())) | (quint32(quint16(amount)) << 16));
        lParam = Wm::makeLParam(global.x(), global.y());
        return true;
    }
    case QEvent::Leave:
        uMsg = Wm::MouseLeave;
        lParam = 0;
        return true;
    case QEvent::Paint:
        uMsg = Wm::Paint;
        return true;
    case QEvent::Resize: {
        const QSize size = static_cast<const QResizeEvent*>(e)->size();
        uMsg = Wm::Size;
        lParam = Wm::makeLParam(size.width(), size.height());
        return true;
    }
    case QEvent::Move: {
        const QPoint pos = static_cast<const QMoveEvent*>(e)->pos();
        uMsg = Wm::Move;
        lParam = Wm::makeLParam(pos.x(), pos.y());
        return true;
    }
    case QEvent::FocusIn:
        uMsg = Wm::SetFocus;
        return true;
    case QEvent::FocusOut:
        uMsg = Wm::KillFocus;
        return true;
    case QEvent::EnabledChange:
        uMsg = Wm::Enable;
        wParam = w->isEnabled() ? 1 : 0;
        return true;
    case QEvent::Close:
        uMsg = Wm::Close;
        return true;
    case QEvent::Show:
    case QEvent::Hide:
        uMsg = Wm::ShowWindow;
        wParam = type == QEvent::Show ? 1 : 0;
        return true;
    case QEvent::ContextMenu: {
        const QPoint global = static_cast<const QContextMenuEvent*>(e)->globalPos();
        uMsg = Wm::ContextMenu;
        lParam = Wm::makeLParam(global.x(), global.y());
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        uMsg = type == QEvent::KeyPress ? Wm::KeyDown : Wm::KeyUp;
        wParam = static_cast<const QKeyEvent*>(e)->key();
        return true;
    case QEvent::Timer:
        uMsg = Wm::Timer;
        wParam = static_cast<const QTimerEvent*>(e)->timerId();
        return true;
    default:
        uMsg = Wm::QtEventBase + int(type);
        return true;
    }
}

QEvent* CSubclass::CurrentEvent()
{
    return s_frame ? s_frame->event : nullptr;
}

void CSubclass::setReportSink(ReportSink sink)
{
    s_sink = std::move(sink);
}

std::shared_ptr<CSubclass::Stub> CSubclass::mapHandle(QWidget* lhWnd)
{
    if (!m_started) {
        report("MapHandle", QStringLiteral("Subclassing hasn"));
        return nullptr;
    }
    for (const auto& stub : m_stubs) {
        if (stub->widget == lhWnd)
            return stub;
    }
    report("MapHandle", QStringLiteral("Window handle isn"));
    return nullptr;
}

void CSubclass::forget(QWidget* lhWnd)
{
    for (auto it = m_stubs.begin(); it != m_stubs.end(); ++it) {
        if ((*it)->widget == lhWnd) {
            m_stubs.erase(it);
            return;
        }
    }
}

void CSubclass::report(const char* routine, const QString& text)
{
    const QString line = QStringLiteral("CSubclass.") + QLatin1String(routine) + QStringLiteral(": ") + text;
    qCWarning(lcWidgets).noquote() << line;
    if (s_sink)
        s_sink(line);
    else
        syslog(LOG_ERR, "%s", line.toUtf8().constData());
}
